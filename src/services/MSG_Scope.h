#pragma once

#include "MSG_Text.h"

// One message on its way to the process-wide sink (TUMessage::instance()).
// Built from a translation context (the scope), a text, an action and an
// error code; placeholders may be filled with arg() before it is delivered,
// which happens when the object goes out of scope, or earlier via deliver().
class MSG_Scope
{
public:
    // The numbers are the ones the program passes around; each maps to one
    // type letter of the sinks: 0 'I', 1 'T', 2 'E', 3 'W'.
    enum Action { Inform = 0, Trace = 1, Error = 2, Warn = 3 };

    MSG_Scope(const char *scope, const char *sourceText, int action = Error, int errorCode = 0);
    MSG_Scope(const char *scope, const MSG_Text &text, int action = Error, int errorCode = 0);
    ~MSG_Scope();

    MSG_Scope(const MSG_Scope &) = delete;
    MSG_Scope &operator=(const MSG_Scope &) = delete;

    MSG_Scope &arg(const QString &value);
    MSG_Scope &arg(int value);

    void deliver();

    static char typeOfAction(int action);

private:
    MSG_Text m_text;
    int m_action;
    int m_errorCode;
    bool m_delivered = false;
};
