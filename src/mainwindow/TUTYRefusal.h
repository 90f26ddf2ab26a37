#pragma once

class MSG_Text;
class QString;

// The refusal a command reports when the user's type lacks a right: the
// line naming the refused action, then who to ask and what else to ask for,
// each line ended by a line break.
class TUTYRefusal
{
public:
    // firstLine is translated in context; a %1 in it is filled with arg.
    static MSG_Text text(const char *context, const char *firstLine);
    // Reports text() as an error under context.
    static void report(const char *context, const char *firstLine);
    static void report(const char *context, const char *firstLine, const QString &arg);
};
