#include "TUTYRefusal.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"

namespace {
const char *const kContext = "TUTYRefusal";

// Refused work is an operation the database would not do: status 2.
const int kRefusedCode = 2;

struct Rule
{
    int permission;
    const char *firstLine;
};

const Rule kRules[] = {
    {DBA_UserOps::CreateEnv,
     QT_TRANSLATE_NOOP("TUTYRefusal", "You do not have the permission necessary to create environments --")},
    {DBA_UserOps::ModifyEnv,
     QT_TRANSLATE_NOOP("TUTYRefusal", "You do not have the permission necessary to delete environments --")},
    {DBA_UserOps::CreateJob, QT_TRANSLATE_NOOP("TUTYRefusal", "You do not have the permission necessary to create jobs --")},
    {DBA_UserOps::ModifyJob, QT_TRANSLATE_NOOP("TUTYRefusal", "You do not have the permission necessary to delete jobs --")},
    {DBA_UserOps::CreateScene,
     QT_TRANSLATE_NOOP("TUTYRefusal", "You do not have the permission necessary to create scenes --")},
    {DBA_UserOps::ModifyScene,
     QT_TRANSLATE_NOOP("TUTYRefusal", "You do not have the permission necessary to delete scenes --")},
    {DBA_UserOps::ImportExport,
     QT_TRANSLATE_NOOP("TUTYRefusal", "You do not have the permission necessary to import or export scenes -- ")},
};
} // namespace

bool TUTYRefusal::permits(TUDbAccess &access, Action action)
{
    const Rule &rule = kRules[action];
    if (access.hasUserPermission(rule.permission))
        return true;
    report(kContext, rule.firstLine);
    return false;
}

MSG_Text TUTYRefusal::text(const char *context, const char *firstLine)
{
    MSG_Text text(context, firstLine);
    text += QStringLiteral("\n");
    text += MSG_Text(kContext, QT_TRANSLATE_NOOP("TUTYRefusal",
                                                 "please contact your supervisor or TD to change your user type"));
    text += QStringLiteral("\n");
    text += MSG_Text(kContext, QT_TRANSLATE_NOOP("TUTYRefusal", "or to delete the scenes"));
    text += QStringLiteral("\n");
    return text;
}

void TUTYRefusal::report(const char *context, const char *firstLine)
{
    MSG_Scope(context, text(context, firstLine), MSG_Scope::Error, kRefusedCode);
}

void TUTYRefusal::report(const char *context, const char *firstLine, const QString &arg)
{
    MSG_Scope(context, text(context, firstLine).arg(arg), MSG_Scope::Error, kRefusedCode);
}
