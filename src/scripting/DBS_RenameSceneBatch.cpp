#include "DBS_RenameSceneBatch.h"

#include "MSG_Scope.h"
#include "TUMessage.h"

DBS_RenameSceneBatch::DBS_RenameSceneBatch(TUDbAccess *access, const QString &sceneName, const QString &newName)
    : m_access(access)
    , m_sceneName(sceneName)
    , m_newName(newName)
{
}

int DBS_RenameSceneBatch::rename(QString &errorText, TUDbAccess::RenameMgr::ResponseType response,
                                 TUDbAccess::RenameMgr::StatusCode &status, QString &detail)
{
    // A missing right ends a batch run with status 2, as every refusal for want of a right does.
    const auto refuse = [&errorText](const char *text, int code = 0) {
        const MSG_Text message("TURenameSceneBatch", text);
        MSG_Scope("TURenameSceneBatch", message, MSG_Scope::Error, code);
        errorText = message.translated();
        return 1;
    };
    if (!m_access->hasUserPermissionRenameScene())
        return refuse(QT_TRANSLATE_NOOP("TURenameSceneBatch",
                                        "You do not have the permission necessary to rename scenes --\n"
                                        "please contact your supervisor or TD to change your user type\n"
                                        "or to rename the scenes\n"),
                      2);
    if (m_newName.isEmpty())
        return refuse(QT_TRANSLATE_NOOP("TURenameSceneBatch", "Please use -name <new scene name>"));

    TUDbAccess::RenameMgr *manager = TUDbAccess::RenameMgr_getInstance(m_access);
    TUDbAccess::RenameMgrInitData data;
    data.oldSceneName = m_sceneName;
    data.userName = TUDbAccess::user_name_of_dba(m_access->getDbaUserStruct());
    manager->init(nullptr, data, m_access, m_batch);
    int result = 0;
    if (!manager->performRename(m_access, m_newName, response, detail)) {
        result = 1;
        // The manager's own words say why: a name taken, a bad character,
        // a checked-out scene.
        MSG_Scope("TURenameSceneBatch", MSG_Text(manager->getErrorMsg()), MSG_Scope::Error);
        TUMessage::instance().catchErrorCode(2);
    }
    errorText = manager->getErrorMsg();
    status = manager->getErrorCode();
    TUDbAccess::RenameMgr_releaseInstance(m_access);
    return result;
}
