#include "DBA_UserOps.h"

#include "DBA_Context.h"

#include <QCoreApplication>

namespace {
// The seeded rights, one row per permission, one column per user type:
//                                 RD EXE COO APP TD ARC XSH SCA INK ANI
const bool kDefaultRights[DBA_UserOps::PermissionCount][10] = {
    /* OpenInPavane           */ {1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
    /* CreateEnv              */ {1, 0, 0, 1, 1, 0, 0, 0, 0, 0},
    /* ModifyEnv              */ {1, 0, 0, 1, 1, 0, 0, 0, 0, 0},
    /* CreateJob              */ {1, 0, 1, 1, 1, 0, 0, 0, 0, 0},
    /* ModifyJob              */ {1, 0, 1, 1, 1, 0, 0, 0, 0, 0},
    /* CreateScene            */ {1, 0, 1, 1, 1, 0, 0, 0, 0, 0},
    /* ModifyScene            */ {1, 0, 1, 1, 1, 0, 0, 0, 0, 0},
    /* RenameScene            */ {1, 0, 1, 1, 1, 0, 0, 0, 0, 0},
    /* ForceUnlockSceneAny    */ {1, 0, 0, 1, 1, 0, 0, 0, 0, 0},
    /* ForceUnlockSceneOwned  */ {1, 0, 1, 1, 1, 0, 1, 1, 1, 1},
    /* ForceCheckinSceneAny   */ {1, 0, 0, 1, 1, 0, 0, 0, 0, 0},
    /* ForceCheckinSceneOwned */ {1, 0, 1, 1, 1, 1, 1, 1, 1, 1},
    /* CheckoutScene          */ {1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
    /* Admin                  */ {1, 0, 0, 1, 1, 0, 0, 0, 0, 0},
    /* ImportExport           */ {1, 1, 1, 1, 1, 1, 0, 0, 0, 0},
    /* ToListAllEnvironments  */ {1, 1, 1, 1, 1, 1, 0, 0, 0, 0},
    /* ModifyUsers            */ {1, 0, 0, 1, 1, 0, 0, 0, 0, 0},
    /* CopyScene              */ {1, 0, 1, 1, 1, 0, 0, 0, 0, 0},
    /* ChangeScenePriority    */ {1, 0, 1, 1, 1, 0, 0, 0, 0, 0},
};

const char *const kPermissionNames[DBA_UserOps::PermissionCount] = {
    "OpenInPavane", "CreateEnv", "ModifyEnv", "CreateJob", "ModifyJob", "CreateScene", "ModifyScene",
    "RenameScene", "ForceUnlockSceneAny", "ForceUnlockSceneOwned", "ForceCheckinSceneAny",
    "ForceCheckinSceneOwned", "CheckoutScene", "Admin", "ImportExport", "ToListAllEnvironments",
    "ModifyUsers", "CopyScene", "ChangeScenePriority",
};

const char *const kTypeNames[10] = {
    QT_TRANSLATE_NOOP("TUDbAccess", "R & D"), QT_TRANSLATE_NOOP("TUDbAccess", "Executive"),
    QT_TRANSLATE_NOOP("TUDbAccess", "Coordinator"), QT_TRANSLATE_NOOP("TUDbAccess", "Application"),
    QT_TRANSLATE_NOOP("TUDbAccess", "TD"), QT_TRANSLATE_NOOP("TUDbAccess", "Archive"),
    QT_TRANSLATE_NOOP("TUDbAccess", "Xsheet"), QT_TRANSLATE_NOOP("TUDbAccess", "Scan"),
    QT_TRANSLATE_NOOP("TUDbAccess", "Ink & Paint"), QT_TRANSLATE_NOOP("TUDbAccess", "Animator"),
};

bool validType(int type)
{
    return type >= 0 && type < 10;
}

const char kUserColumns[] = "SELECT name, first_name, last_name, email, type FROM users";

dba_user_struct_type readUser(const QSqlQuery &query)
{
    return {query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
            query.value(3).toString(), query.value(4).toInt()};
}
} // namespace

int DBA_UserOps::dba_GetAllUsers(QVector<dba_user_struct_type> &users)
{
    users.clear();
    DBA_Query query;
    if (!m_ctx.run(query, QLatin1String(kUserColumns) + QStringLiteral(" ORDER BY name"), {}, dbaTr("Cannot list the users")))
        return -1;
    while (query.next())
        users.append(readUser(query));
    return int(users.size());
}

bool DBA_UserOps::dba_GetUser(const QString &name, dba_user_struct_type &user)
{
    DBA_Query query;
    if (!m_ctx.run(query, QLatin1String(kUserColumns) + QStringLiteral(" WHERE name = ?"), {name},
                   dbaTr("Cannot read user %1").arg(name)))
        return false;
    if (!query.next())
        return m_ctx.fail(DBA_Context::NotFound, dbaTr("User %1 does not exist in database.").arg(name));
    user = readUser(query);
    return true;
}

int DBA_UserOps::addUser(const QString &name, const QString &firstName, const QString &lastName,
                         const QString &email, int type)
{
    m_ctx.clearError();
    if (!m_ctx.checkName(name, dbaTr("user")))
        return 1;
    if (!validType(type)) {
        m_ctx.fail(DBA_Context::Failed, dbaTr("%1 is not a user type.").arg(type));
        return 1;
    }
    if (!m_ctx.run(QStringLiteral("INSERT INTO users (name, first_name, last_name, email, type) VALUES (?, ?, ?, ?, ?)"),
                   {name, firstName, lastName, email, type}, dbaTr("Cannot add user %1").arg(name)))
        return m_ctx.lastErrorCode();
    return 0;
}

int DBA_UserOps::modifyUser(const QString &oldName, const QString &newName, const QString &lastName,
                            const QString &firstName, int type)
{
    m_ctx.clearError();
    if (!m_ctx.checkName(newName, dbaTr("user")))
        return 1;
    if (!validType(type)) {
        m_ctx.fail(DBA_Context::Failed, dbaTr("%1 is not a user type.").arg(type));
        return 1;
    }
    if (oldName == QLatin1String("BATCH") && newName != oldName) {
        m_ctx.fail(DBA_Context::Refused, dbaTr("The user BATCH cannot be renamed."));
        return 1;
    }
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("UPDATE users SET name = ?, first_name = ?, last_name = ?, type = ? WHERE name = ?"),
                   {newName, firstName, lastName, type, oldName}, dbaTr("Cannot modify user %1").arg(oldName)))
        return m_ctx.lastErrorCode();
    if (query.numRowsAffected() != 1) {
        m_ctx.fail(DBA_Context::NotFound, dbaTr("User %1 does not exist in database.").arg(oldName));
        return 1;
    }
    if (m_ctx.user.name == oldName)
        m_ctx.user = {newName, firstName, lastName, m_ctx.user.email, type};
    return 0;
}

int DBA_UserOps::deleteUser(const QString &name)
{
    m_ctx.clearError();
    if (name == QLatin1String("BATCH")) {
        m_ctx.fail(DBA_Context::Refused, dbaTr("You are not allowed to delete the user BATCH."));
        return 1;
    }
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("DELETE FROM users WHERE name = ?"), {name}, dbaTr("Cannot delete user %1").arg(name)))
        return 1;
    if (query.numRowsAffected() != 1) {
        m_ctx.fail(DBA_Context::NotFound, dbaTr("User %1 does not exist in database.").arg(name));
        return 1;
    }
    return 0;
}

dba_user_struct_type &DBA_UserOps::getDbaUserStruct()
{
    return m_ctx.user;
}

QString DBA_UserOps::userName() const
{
    return m_ctx.user.name;
}

bool DBA_UserOps::setCurrentUser(const QString &name)
{
    dba_user_struct_type user;
    if (!dba_GetUser(name, user))
        return false;
    m_ctx.user = user;
    // The session row names its user, so stale-lock checks see who it is at once.
    if (m_ctx.sessionId != 0)
        m_ctx.run(QStringLiteral("UPDATE sessions SET user_name = ? WHERE id = ?"), {name, m_ctx.sessionId},
                  dbaTr("Cannot record the session's user"));
    return true;
}

QString DBA_UserOps::userType2QString(int type)
{
    return validType(type) ? QCoreApplication::translate("TUDbAccess", kTypeNames[type])
                           : QCoreApplication::translate("TUDbAccess", "UNKNOWN TYPE");
}

int DBA_UserOps::QString2UserType(const QString &text)
{
    for (int type = 0; type < 10; ++type) {
        if (text == userType2QString(type) || text == QLatin1String(kTypeNames[type]))
            return type;
    }
    return -1;
}

QString DBA_UserOps::permissionName(int permission)
{
    return permission >= 0 && permission < PermissionCount ? QLatin1String(kPermissionNames[permission]) : QString();
}

bool DBA_UserOps::defaultRight(int type, int permission)
{
    return validType(type) && permission >= 0 && permission < PermissionCount && kDefaultRights[permission][type];
}

bool DBA_UserOps::hasUserPermission(int permission)
{
    if (!validType(m_ctx.user.type) || permission < 0 || permission >= PermissionCount)
        return false;
    QString error;
    const QVariant allowed = m_ctx.connection.scalar(
        QStringLiteral("SELECT allowed FROM rights WHERE user_type = ? AND permission = ?"),
        {m_ctx.user.type, permissionName(permission)}, error);
    return allowed.isValid() && allowed.toInt() != 0;
}

bool DBA_UserOps::setRight(int type, int permission, bool allowed)
{
    if (!validType(type) || permission < 0 || permission >= PermissionCount)
        return m_ctx.fail(DBA_Context::Failed, dbaTr("No such user type or permission."));
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("UPDATE rights SET allowed = ? WHERE user_type = ? AND permission = ?"),
                   {int(allowed), type, permissionName(permission)}, dbaTr("Cannot change a right")))
        return false;
    if (query.numRowsAffected() == 1)
        return true;
    return m_ctx.run(QStringLiteral("INSERT INTO rights (user_type, permission, allowed) VALUES (?, ?, ?)"),
                     {type, permissionName(permission), int(allowed)}, dbaTr("Cannot change a right"));
}
