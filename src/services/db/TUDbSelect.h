#pragma once

#include "DBA_Records.h"

#include <QStringList>

#include <memory>

class TUDbAccess;

// Who is working and where: the user selector's base. It owns an access of
// its own to check user names against the database and to answer the
// listings of the scene-selection dialogs.
class TUDbSelect
{
public:
    TUDbSelect(int flags = 0, int = 0, int = 0, int = 0);
    virtual ~TUDbSelect();

    TUDbAccess *getDBAccess() { return m_access.get(); }
    bool dbOpened() const;
    // Why the last user lookup failed when the database was at fault (not
    // open, connection lost), not the name; empty otherwise.
    QString databaseFailure() const;

    QString userName() const { return m_user.name; }
    int userType() const { return m_user.type; }
    const dba_user_struct_type &user() const { return m_user; }
    // Takes name as the current user when the database knows it, and keeps
    // it in the local preferences under "LAST_LOGIN_NAME" either way.
    virtual bool setUserName(const QString &name);
    // The operating-system login name.
    bool setDefaultUserName();
    bool isValidUserName(const QString &name);

    QStringList environmentList();
    QStringList createJobsList(const QString &environment);
    QVector<SceneInfo> createScenesList(const QString &job);
    bool isSceneExists(const dba_job_struct &job, const QString &scene);

    // Opens job and scene in access (its own records) and makes its scene
    // data describe the scene at version (empty: the current one). On
    // failure, message says why.
    bool openScene(TUDbAccess &access, QString &message, const QString &env, const QString &job,
                   const QString &scene, const QString &version, const QString &user);
    bool createScene(dba_job_struct &job, const QString &name, const QString &user,
                     const QString &fileSystem, const QString &scenePath, int versionNumber);

private:
    // Takes name as the current user of the selector and its access.
    bool takeUser(const QString &name);
    bool openJobAndScene(TUDbAccess &access, QString &message, const QString &env, const QString &job,
                         const QString &scene);
    // Makes the access's scene data describe version (a version number as text).
    bool selectVersion(TUDbAccess &access, QString &message, const QString &version);
    bool recordVersion(const dba_job_struct &job, const QString &name, int versionNumber);

    std::unique_ptr<TUDbAccess> m_access;
    dba_user_struct_type m_user;
};

// The selector over one database client, which is all this program uses.
class TUDbSelectSingleDbClient : public TUDbSelect
{
public:
    using TUDbSelect::TUDbSelect;
};
