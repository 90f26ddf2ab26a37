#pragma once

#include <QObject>
#include <QScriptable>
#include <QStringList>
#include <QVector>

class DBS_Mediator;
class DBS_EnvWrapper;
class DBS_ElementWrapper;
class DBS_ExportDataWrapper;
class DBS_ImportDataWrapper;
class DBS_JobWrapper;
class DBS_RenderDataWrapper;
class DBS_SceneVersionWrapper;
class DBS_SceneWrapper;
class DBS_UserWrapper;
class DBS_VectorDataWrapper;
class TUDbSelect;

// The one object through which a script reaches the database ("Tallyard").
// Every method returns its result; refusals and failures are false or an
// empty list, with the reason in messageLog(), never a script exception.
// Lists come as arrays of the value objects.
class DBS_TallyardWrapper : public QObject, protected QScriptable
{
    Q_OBJECT
public:
    DBS_TallyardWrapper(QObject *parent, TUDbSelect *selector, DBS_Mediator *mediator);

public slots:
    QString messageLog();
    void printToConsole(QString contents);
    QString realDbPath(QString logicalPath);

    QVector<QObject *> users();
    bool addUser(DBS_UserWrapper *user);
    bool deleteUser(DBS_UserWrapper *user);
    bool modifyUser(DBS_UserWrapper *user);
    bool verifyUser(DBS_UserWrapper *user);

    QVector<QObject *> environments();
    bool addEnvironment(DBS_EnvWrapper *env);
    bool deleteEnvironment(DBS_EnvWrapper *env);
    bool verifyEnvironment(DBS_EnvWrapper *env);
    bool modifyEnvironment(DBS_EnvWrapper *env);

    QVector<QObject *> jobs(DBS_EnvWrapper *env);
    bool addJob(DBS_JobWrapper *job);
    bool deleteJob(DBS_JobWrapper *job);
    bool modifyJob(DBS_JobWrapper *job);
    bool verifyJob(DBS_JobWrapper *job);

    QVector<QObject *> scenes(DBS_JobWrapper *job);
    QVector<QObject *> lockedScenes(DBS_JobWrapper *job);
    QVector<QObject *> lockedSceneVersions(DBS_SceneWrapper *scene);
    bool addScene(DBS_SceneWrapper *scene, int addPos = 0);
    bool deleteScene(DBS_SceneWrapper *scene);
    bool forceUnlockScene(DBS_SceneWrapper *scene, QString username);
    bool forceUnlockSceneVersion(DBS_SceneVersionWrapper *scene, QString username);
    bool renameScene(DBS_SceneWrapper *scene, QString newName);
    bool copyScene(DBS_SceneWrapper *fromScene, DBS_SceneWrapper *toScene, bool allData);
    bool moveScene(DBS_SceneWrapper *scene, QString fileSystem, bool override);
    bool preMoveSceneValidate(DBS_SceneWrapper *scene, QString fileSystem);
    bool fileSystemHasDirectory(DBS_SceneWrapper *scene, QString fileSystem);
    int sceneSize(DBS_SceneWrapper *scene);
    bool clearScene(DBS_SceneWrapper *scene);
    bool sceneHasXsheet(DBS_SceneWrapper *scene);
    bool changeSceneStage(DBS_SceneWrapper *scene, QString stage);
    bool changeScenePriority(DBS_SceneWrapper *scene, int priority);

    bool importScene(DBS_ImportDataWrapper *import);
    QStringList availableFileSystems();
    bool exportScene(DBS_ExportDataWrapper *exportData);
    QObject *calculateSizeOfExport(DBS_ExportDataWrapper *exportData);

    QVector<QObject *> getRenderJobs(DBS_EnvWrapper *env);
    QVector<QObject *> getVectorJobs(DBS_EnvWrapper *env);
    bool renderScene(DBS_EnvWrapper *env, DBS_RenderDataWrapper *renderData);
    QStringList namedResolutions();
    bool vectorizeElement(DBS_EnvWrapper *env, DBS_VectorDataWrapper *renderData, QString vectorizeStyle);
    QStringList vectorizationStyles();
    void reReadVectFile();
    bool unVectorizeElement(DBS_EnvWrapper *env, DBS_VectorDataWrapper *renderData, QString procOptions,
                            QString suffix);
    QStringList pixmapFormatList();

    QVector<QObject *> elements(DBS_SceneWrapper *scene);
    QVector<QObject *> versions(DBS_SceneWrapper *scene);
    QVector<QObject *> drawings(DBS_ElementWrapper *element);
    QStringList lockedAssets(DBS_SceneWrapper *scene);
    bool forceUnlockAsset(QString asset);
    QStringList messagesForConsole();

private:
    // Sets the calling script's context in the batch sink for the life of a
    // mediator call, so errors raised meanwhile carry its backtrace.
    class ScriptCall;
    // Reports the null or foreign object argument a script passed.
    bool missing(const QObject *argument);
    // call() as one script call, once the object argument is known there;
    // without it, the empty value of call's type.
    template <class Call>
    auto withArgument(const QObject *argument, Call call) -> decltype(call());

    TUDbSelect *m_selector;
    DBS_Mediator *m_mediator;
    QStringList m_console;
};
