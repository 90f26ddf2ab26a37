// Exports every scene of the job "ep101" into a package in the folder
// "exports" beside the database root (packages never go inside the
// database), after printing how large each part of the package will be.
var envName = "Series", jobName = "ep101";
var target = Tallyard.realDbPath("/QVX_DB") + "/../exports/" + jobName;

var scenes = Tallyard.scenes(new Job(envName, jobName));
var names = [];
for (var i = 0; i < scenes.length; ++i)
    names.push(scenes[i].name);

var data = new ExportData(envName, jobName, names, target);
data.setExportDefaults();
var size = Tallyard.calculateSizeOfExport(data);
Tallyard.printToConsole(names.length + " scene(s); database " + size.database.toFixed(2) + " MB, elements "
                        + size.element.toFixed(2) + " MB, stage " + size.stage.toFixed(2) + " MB");
if (Tallyard.exportScene(data))
    "exported to " + target;
else
    "export failed: " + Tallyard.messageLog().split("\n").slice(5).join(" | ");
