#include "MSG_Scope.h"

#include "TUMessage.h"

MSG_Scope::MSG_Scope(const char *scope, const char *sourceText, int action, int errorCode)
    : MSG_Scope(scope, MSG_Text(scope, sourceText), action, errorCode)
{
}

// The text was translated in the scope's context when it was made.
MSG_Scope::MSG_Scope(const char *, const MSG_Text &text, int action, int errorCode)
    : m_text(text)
    , m_action(action)
    , m_errorCode(errorCode)
{
}

MSG_Scope::~MSG_Scope()
{
    deliver();
}

MSG_Scope &MSG_Scope::arg(const QString &value)
{
    m_text.arg(value);
    return *this;
}

MSG_Scope &MSG_Scope::arg(int value)
{
    m_text.arg(value);
    return *this;
}

void MSG_Scope::deliver()
{
    if (m_delivered)
        return;
    m_delivered = true;
    const char type = typeOfAction(m_action);
    TUMessage::instance().report(type, m_text, m_errorCode, type == 'E' || type == 'W');
}

char MSG_Scope::typeOfAction(int action)
{
    switch (action) {
    case Inform: return 'I';
    case Trace: return 'T';
    case Warn: return 'W';
    default: return 'E';
    }
}
