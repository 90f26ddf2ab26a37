// Creates the job "spot_30s" in the environment "Commercials" with three
// scenes on the first file system. Change the names to suit.
var envName = "Commercials", jobName = "spot_30s";
var sceneNames = ["sc010", "sc020", "sc030"];

var job = new Job(envName, jobName);
job.tdName = "mara";
job.atdName = "theo";
job.priority = 3;
job.inProduction = true;
if (!Tallyard.addJob(job))
    throw "Could not create the job: " + Tallyard.messageLog();

var fileSystem = Tallyard.availableFileSystems()[0];
for (var i = 0; i < sceneNames.length; ++i) {
    var scene = new Scene(jobName, sceneNames[i]);
    scene.fileSystem = fileSystem;
    if (Tallyard.addScene(scene, AddPositionType.ADD_AT_BOTTOM))
        Tallyard.printToConsole("created " + sceneNames[i]);
    else
        Tallyard.printToConsole("failed " + sceneNames[i]);
}
Tallyard.scenes(job).length;
