#pragma once

#include "DBA_Records.h"

#include <QString>

// Where one scene's data lies in the file space, and who works on it. The
// folder accessors return stored (logical) paths; pass them through
// oswRemapPath::RemapPath2 before touching files.
class TUDbSceneData
{
public:
    void setScene(const dba_scene_struct &scene);
    void clear();

    QString envName() const { return m_env; }
    QString jobName() const { return m_job; }
    QString sceneName() const { return m_scene; }
    qint64 versionId() const { return m_versionId; }
    void setVersionId(qint64 id) { m_versionId = id; }
    int versionNumber() const { return m_versionNumber; }
    void setVersionNumber(int number) { m_versionNumber = number; }
    QString userName() const { return m_user; }
    void setUserName(const QString &name) { m_user = name; }
    bool isLockSceneAsset() const { return m_lockAsset; }
    void setIsLockSceneAsset(bool lock) { m_lockAsset = lock; }

    QString sceneDir() const { return m_sceneDir; }
    QString stageDir() const;
    QString audioDir() const;
    QString framesDir() const;
    QString annotationDir() const;
    QString timingDir() const;
    QString databaseDir() const;
    QString elementsDir() const;
    QString paletteDir() const;
    QString groupsDir() const;
    QString libraryDir() const;
    QString envDir() const;
    QString envPaletteDir() const;
    QString envGroupDir() const;
    QString envLibraryDir() const;
    QString jobDir() const;
    QString jobPaletteDir() const;
    QString jobGroupDir() const;
    QString jobLibraryDir() const;
    // The scene file of the current version: stage/v<N>.pavx.
    QString stageFileName() const;

    // The stored roots of environments and jobs: "/QVX_DB/environments/<env>", "/QVX_DB/jobs/<job>".
    static QString environmentDir(const QString &env);
    static QString jobDirOf(const QString &job);

private:
    QString m_env, m_job, m_scene, m_user, m_sceneDir;
    qint64 m_versionId = 0;
    int m_versionNumber = 0;
    bool m_lockAsset = true;
};

// Where a user's own settings live: in the file space, so they follow the
// user from workstation to workstation.
class TUDbUserData
{
public:
    // "<database root>/users/<user>/tallyard.ini" (a local path).
    static QString userPrefPath(const QString &userName);
};
