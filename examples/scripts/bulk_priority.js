// Gives every scene of the job "lighthouse" the priority 2 and prints what
// changed. Refusals (for example a user without the right) are listed, not thrown.
var jobName = "lighthouse", priority = 2;

var job = new Job("Feature", jobName);
var scenes = Tallyard.scenes(job);
var changed = 0;
for (var i = 0; i < scenes.length; ++i) {
    if (Tallyard.changeScenePriority(scenes[i], priority)) {
        ++changed;
        Tallyard.printToConsole(scenes[i].name + ": " + scenes[i].priority + " -> " + priority);
    } else {
        Tallyard.printToConsole(scenes[i].name + ": refused");
    }
}
changed + " of " + scenes.length + " scene(s) changed";
