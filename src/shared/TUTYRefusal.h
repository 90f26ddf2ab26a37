#pragma once

class MSG_Text;
class QString;
class TUDbAccess;

// The refusal a command reports when the user's type lacks a right: the
// line naming the refused action, then who to ask and what else to ask for,
// each line ended by a line break. The window's commands and the batch
// operations share it, so both refuse the same things with the same words.
class TUTYRefusal
{
public:
    // The create, delete and package commands, each with its right and first line.
    enum Action {
        CreateEnvironments, DeleteEnvironments, CreateJobs, DeleteJobs, CreateScenes, DeleteScenes, ImportExportScenes
    };

    // Whether the access's user holds the right of action; when not, the
    // refusal is reported (error code 2) and the answer is false.
    static bool permits(TUDbAccess &access, Action action);

    // firstLine is translated in context; a %1 in it is filled with arg.
    static MSG_Text text(const char *context, const char *firstLine);
    // Reports text() as an error under context, with error code 2.
    static void report(const char *context, const char *firstLine);
    static void report(const char *context, const char *firstLine, const QString &arg);
};
