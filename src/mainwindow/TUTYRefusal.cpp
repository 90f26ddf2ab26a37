#include "TUTYRefusal.h"

#include "MSG_Scope.h"

MSG_Text TUTYRefusal::text(const char *context, const char *firstLine)
{
    MSG_Text text(context, firstLine);
    text += QStringLiteral("\n");
    text += MSG_Text("TUTYRefusal", QT_TRANSLATE_NOOP("TUTYRefusal",
                                                      "please contact your supervisor or TD to change your user type"));
    text += QStringLiteral("\n");
    text += MSG_Text("TUTYRefusal", QT_TRANSLATE_NOOP("TUTYRefusal", "or to delete the scenes"));
    text += QStringLiteral("\n");
    return text;
}

void TUTYRefusal::report(const char *context, const char *firstLine)
{
    MSG_Scope(context, text(context, firstLine));
}

void TUTYRefusal::report(const char *context, const char *firstLine, const QString &arg)
{
    MSG_Scope(context, text(context, firstLine).arg(arg));
}
