// Prints every environment the user may see, its jobs and their scenes,
// one line each, indented by level.
var envs = Tallyard.environments();
for (var e = 0; e < envs.length; ++e) {
    Tallyard.printToConsole(envs[e].name);
    var jobs = Tallyard.jobs(envs[e]);
    for (var j = 0; j < jobs.length; ++j) {
        Tallyard.printToConsole("  " + jobs[j].name + " (TD " + jobs[j].tdName + ", priority " + jobs[j].priority + ")");
        var scenes = Tallyard.scenes(jobs[j]);
        for (var s = 0; s < scenes.length; ++s)
            Tallyard.printToConsole("    " + scenes[s].name + " [" + scenes[s].approvalStage + "]");
    }
}
