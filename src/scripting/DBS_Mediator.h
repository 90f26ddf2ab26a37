#pragma once

#include "DBA_Records.h"

#include <QObject>
#include <QStringList>
#include <QVector>

class TUDbAccess;

// Carries out the database operations that scripts (and batch drivers)
// request: permission checks first, then the database service, with every
// failure reported through the message sink (scope DBS_Mediator, action 2)
// and kept in lastError(). Nothing here throws; creation operations return
// 0 on success, 1 when the object already exists (database code 10), 2 for
// any other failure or refusal; the others return true on success.
class DBS_Mediator : public QObject
{
public:
    explicit DBS_Mediator(TUDbAccess *access);

    TUDbAccess *access() const { return m_access; }
    QString lastError() const { return m_lastError; }

    struct Environment {
        QString name;
        bool assetLock = false;
    };
    // Sizes in megabytes of the parts of an export, summed over its scenes.
    struct ExportSizes {
        float audio = 0, database = 0, final = 0, timing = 0, stage = 0, annotation = 0, element = 0, other = 0;
        float scenePalette = 0, sceneGroup = 0, sceneLibrary = 0;
        float jobPalette = 0, jobGroup = 0, jobLibrary = 0, envPalette = 0, envGroup = 0, envLibrary = 0;
    };

    // Users.
    QVector<dba_user_struct_type> users();
    bool addUser(const dba_user_struct_type &user);
    bool deleteUser(const QString &name);
    bool modifyUser(const dba_user_struct_type &user);
    bool verifyUser(const QString &name);

    // Environments, as the current user may list them.
    bool environments(QVector<Environment> &list);
    int createEnvironment(const QString &name, bool assetLock);
    bool deleteEnvironment(const QString &name);
    bool verifyEnvironment(const QString &name);
    bool modifyEnvironment(const QString &name, bool assetLock);

    // Jobs.
    QVector<dba_job_struct> jobs(const QString &environment);
    int createJob(const dba_job_struct &job);
    bool deleteJob(const QString &name);
    // Applies priority, approval policy and stage; TD and ATD are not changed.
    bool modifyJob(const dba_job_struct &job);
    bool verifyJob(const QString &name);

    // Scenes, in the job's order; with lockedOnly those whose lock is held.
    QVector<dba_scene_struct> scenes(const QString &job, bool lockedOnly);
    int createScene(const QString &job, const QString &scene, const QString &fileSystem, const QString &path,
                    int position);
    bool deleteScene(const QString &job, const QString &scene);
    bool clearScene(const QString &job, const QString &scene);
    bool renameScene(const QString &job, const QString &scene, const QString &newName);
    bool copyScene(const QString &fromJob, const QString &fromScene, const QString &toJob, const QString &toScene,
                   bool allData);
    bool moveScene(const QString &job, const QString &scene, const QString &fileSystem, bool override);
    bool preMoveSceneValidate(const QString &job, const QString &scene, const QString &fileSystem);
    bool fileSystemHasDirectory(const QString &job, const QString &scene, const QString &fileSystem);
    int sceneSize(const QString &job, const QString &scene);
    bool sceneHasXsheet(const QString &job, const QString &scene);
    bool changeSceneStage(const QString &job, const QString &scene, const QString &stage);
    bool changeScenePriority(const QString &job, const QString &scene, int priority);
    QStringList availableFileSystems();

    // Locks. user is who claims to own the lock.
    bool isLockOwner(const QString &job, const QString &scene, const QString &user);
    bool forceUnlockScene(const QString &job, const QString &scene, const QString &user);
    bool forceUnlockSceneVersion(const QString &job, const QString &scene, qint64 versionId, const QString &user);
    QVector<QVX_scene_version> lockedSceneVersions(const QString &job, const QString &scene);
    QStringList lockedAssets(const QString &job);
    bool forceUnlockAsset(const QString &asset);

    // Contents of scenes.
    QVector<QVX_scene_version> versions(const QString &job, const QString &scene);
    QVector<QVX_element_data> elements(const QString &job, const QString &scene);
    QVector<dba_cel_struct> drawings(const QString &job, const QString &scene, const QString &element, qint64 elementId);
    bool exportSizes(const QString &job, const QStringList &scenes, ExportSizes &sizes);

    // Queues. kind: DBA_QueueOps::QueueKind.
    QVector<dba_queueEntry_struct> queueEntries(const QString &environment, int kind);
    bool renderScene(const QString &environment, const QString &job, const QString &scene, const QString &version,
                     const QString &options);
    // queueKind: TUTYQueueWriter::Vectorize or Unvectorize.
    bool vectorizeElement(const QString &environment, const QString &job, const QString &scene,
                          const QString &element, int queueKind, const QString &options, const QString &format);
    QStringList namedResolutions();

    // Packages: whether the user may import or export them; a refusal is reported.
    bool mayImport();
    bool mayExport();

    // Reports a failure: translated in context DBS_Mediator, sent to the sink,
    // kept without its trailing line break.
    void fail(const char *sourceText, const QStringList &values = {});

private:
    bool refused(int refusal);
    bool canUnlock(const QString &lockUser, const QString &user);
    int creationFailure(const char *sourceText, const QStringList &values);

    TUDbAccess *m_access;
    QString m_lastError;
};
