#pragma once

#include "RunOptions.h"

class MSG_Text;
class TUDbAccess;

// The batch -create and -delete of environments, jobs and scenes. What the
// command line names is checked before anything changes: the level comes
// only from -env, -job and non-empty -scene values, a job must lie in the
// named environment, and the user needs the window's right for the action.
// Every named scene is acted on, each once, in the order given.
class TYBatchChanges
{
public:
    TYBatchChanges(const RunOptions &options, TUDbAccess &access);

    bool create();
    bool remove();

private:
    enum class Level { Refused, Environment, Job, Scenes };

    // The level the command line asks for, or Refused (reported, code 1)
    // when it names scenes in a way the run must not guess at.
    Level level() const;
    bool createJob();
    bool createScenes();
    bool fileSystemExists() const;
    bool removeJob();
    bool removeScenes();
    // Reports text with the database's reason on the next line; status 10
    // when the name exists already, 2 for every other failure.
    void reportFailure(MSG_Text text) const;

    const RunOptions &m_options;
    TUDbAccess &m_access;
    QStringList m_scenes;
};
