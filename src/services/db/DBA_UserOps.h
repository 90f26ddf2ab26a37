#pragma once

#include "DBA_Records.h"

#include <QStringList>

class DBA_Context;

// Users, their types and what each type may do. The rights are a table in
// the database, seeded with the defaults of defaultRights().
class DBA_UserOps
{
public:
    enum UserType { RD = 0, EXECUTIVE, COORDINATOR, APPLICATION, TD, ARCHIVE, XSHEET, SCAN, INK_PAINT, ANIMATOR };
    enum Permission {
        OpenInPavane, CreateEnv, ModifyEnv, CreateJob, ModifyJob, CreateScene, ModifyScene,
        RenameScene, ForceUnlockSceneAny, ForceUnlockSceneOwned, ForceCheckinSceneAny,
        ForceCheckinSceneOwned, CheckoutScene, Admin, ImportExport, ToListAllEnvironments,
        ModifyUsers, CopyScene, ChangeScenePriority, PermissionCount
    };

    explicit DBA_UserOps(DBA_Context &context) : m_ctx(context) {}

    int dba_GetAllUsers(QVector<dba_user_struct_type> &users);
    bool dba_GetUser(const QString &name, dba_user_struct_type &user);
    // 0 on success.
    int addUser(const QString &name, const QString &firstName, const QString &lastName,
                const QString &email, int type);
    int modifyUser(const QString &oldName, const QString &newName, const QString &lastName,
                   const QString &firstName, int type);
    // 0 on success; "BATCH" is never deleted.
    int deleteUser(const QString &name);

    // The user operations are done for (set by the user selector).
    dba_user_struct_type &getDbaUserStruct();
    QString userName() const;
    bool setCurrentUser(const QString &name);
    static void copyUserData(const dba_user_struct_type &from, dba_user_struct_type &to) { to = from; }
    static QString user_name_of_dba(const dba_user_struct_type &user) { return user.name; }

    static QString userType2QString(int type);
    static int QString2UserType(const QString &text);
    static QString permissionName(int permission);
    // The seeded right of a type: true when allowed.
    static bool defaultRight(int type, int permission);

    bool hasUserPermission(int permission);
    bool hasUserPermissionOpenInPavane() { return hasUserPermission(OpenInPavane); }
    bool hasUserPermissionCreateEnv() { return hasUserPermission(CreateEnv); }
    bool hasUserPermissionModifyEnv() { return hasUserPermission(ModifyEnv); }
    bool hasUserPermissionCreateJob() { return hasUserPermission(CreateJob); }
    bool hasUserPermissionModifyJob() { return hasUserPermission(ModifyJob); }
    bool hasUserPermissionCreateScene() { return hasUserPermission(CreateScene); }
    bool hasUserPermissionModifyScene() { return hasUserPermission(ModifyScene); }
    bool hasUserPermissionRenameScene() { return hasUserPermission(RenameScene); }
    bool hasUserPermissionForceUnlockSceneAny() { return hasUserPermission(ForceUnlockSceneAny); }
    bool hasUserPermissionForceUnlockSceneOwned() { return hasUserPermission(ForceUnlockSceneOwned); }
    bool hasUserPermissionForceCheckinSceneAny() { return hasUserPermission(ForceCheckinSceneAny); }
    bool hasUserPermissionForceCheckinSceneOwned() { return hasUserPermission(ForceCheckinSceneOwned); }
    bool hasUserPermissionCheckoutScene() { return hasUserPermission(CheckoutScene); }
    bool hasUserPermissionAdmin() { return hasUserPermission(Admin); }
    bool hasUserPermissionImportExport() { return hasUserPermission(ImportExport); }
    bool hasUserPermissionToListAllEnvironments() { return hasUserPermission(ToListAllEnvironments); }
    bool hasUserPermissionModifyUsers() { return hasUserPermission(ModifyUsers); }
    bool hasUserPermissionCopyScene() { return hasUserPermission(CopyScene); }
    bool hasUserPermissionChangeScenePriority() { return hasUserPermission(ChangeScenePriority); }

    // Changes one right of a type in the database.
    bool setRight(int type, int permission, bool allowed);

private:
    DBA_Context &m_ctx;
};
