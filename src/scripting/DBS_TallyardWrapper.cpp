#include "DBS_TallyardWrapper.h"

#include "DBA_QueueOps.h"
#include "DBS_DrawingWrapper.h"
#include "DBS_ElementWrapper.h"
#include "DBS_EnvWrapper.h"
#include "DBS_ExportDataWrapper.h"
#include "DBS_ExportSizeDataWrapper.h"
#include "DBS_ImportDataWrapper.h"
#include "DBS_JobWrapper.h"
#include "DBS_Mediator.h"
#include "DBS_PackageTransfer.h"
#include "DBS_QueueEntryFields.h"
#include "DBS_RenderDataWrapper.h"
#include "DBS_SceneVersionWrapper.h"
#include "DBS_SceneWrapper.h"
#include "DBS_UserWrapper.h"
#include "DBS_VectorDataWrapper.h"
#include "TUBatchMessage.h"
#include "TUDbAccess.h"
#include "TUVectOptionList.h"
#include "TUTYQueueWriter.h"
#include "oswRemapPath.h"

#include <QDateTime>
#include <QFileInfo>
#include <QImageWriter>
#include <QScriptContext>

#include <memory>

namespace {
TUBatchMessage *batchSink()
{
    return dynamic_cast<TUBatchMessage *>(&TUMessage::instance());
}

// The vectorize styles, read once per process and again on reReadVectFile().
TUVectOptionList &vectorizeStyles(bool reread = false)
{
    static std::unique_ptr<TUVectOptionList> list;
    if (!list || reread) {
        list = std::make_unique<TUVectOptionList>();
        list->readAndReport(TUVectOptionList::defaultPath(), "DBS_VectOptionList");
    }
    return *list;
}

template <class Record, class Make>
QVector<QObject *> wrapAll(const QVector<Record> &records, Make make)
{
    QVector<QObject *> objects;
    objects.reserve(records.size());
    for (const Record &record : records)
        objects.append(make(record));
    return objects;
}

QString celStageWord(int stage)
{
    static const char *const words[] = {
        QT_TRANSLATE_NOOP("DBS_TallyardWrapper", "XSheet"), QT_TRANSLATE_NOOP("DBS_TallyardWrapper", "Scan"),
        QT_TRANSLATE_NOOP("DBS_TallyardWrapper", "Vectorize"), QT_TRANSLATE_NOOP("DBS_TallyardWrapper", "Paint"),
        QT_TRANSLATE_NOOP("DBS_TallyardWrapper", "Camera")};
    if (stage < 0 || stage >= int(sizeof words / sizeof words[0]))
        return QCoreApplication::translate("DBS_TallyardWrapper", "UNKNOWN");
    return QCoreApplication::translate("DBS_TallyardWrapper", words[stage]);
}

DBS_SceneWrapper *wrapScene(const dba_scene_struct &scene)
{
    return new DBS_SceneWrapper(scene);
}

DBS_SceneVersionWrapper *wrapVersion(const QString &job, const QString &scene, const QVX_scene_version &version)
{
    auto *w = new DBS_SceneVersionWrapper(job, scene, version.name, int(version.id));
    w->description = version.description;
    w->savedBy = version.savedBy;
    w->savedMachine = version.savedMachine;
    w->savedTime = QDateTime::fromSecsSinceEpoch(version.savedTime).toString(Qt::ISODate);
    return w;
}

dba_job_struct jobRecord(const DBS_JobWrapper &job)
{
    dba_job_struct record;
    record.name = job.name;
    record.environment = job.envName;
    record.td = job.tdName;
    record.atd = job.atdName;
    record.priority = job.priority;
    record.manualApproval = !job.automaticApprovalPolicy;
    record.stage = job.inProduction ? 0 : 1;
    return record;
}

dba_user_struct_type userRecord(const DBS_UserWrapper &user)
{
    dba_user_struct_type record;
    record.name = user.name;
    record.firstName = user.firstName;
    record.lastName = user.lastName;
    record.type = user.type;
    return record;
}
} // namespace

class DBS_TallyardWrapper::ScriptCall
{
public:
    explicit ScriptCall(QScriptContext *context)
        : m_sink(batchSink())
    {
        if (m_sink)
            m_sink->setScriptContext(context);
    }
    ~ScriptCall()
    {
        if (m_sink)
            m_sink->setScriptContext(nullptr);
    }

private:
    TUBatchMessage *m_sink;
};

DBS_TallyardWrapper::DBS_TallyardWrapper(QObject *parent, TUDbSelect *selector, DBS_Mediator *mediator)
    : QObject(parent)
    , m_selector(selector)
    , m_mediator(mediator)
{
    setObjectName(QStringLiteral("Tallyard"));
    if (TUBatchMessage *sink = batchSink())
        sink->openLog();
}

bool DBS_TallyardWrapper::missing(const QObject *argument)
{
    if (argument)
        return false;
    if (QScriptContext *calling = context())
        calling->throwError(QScriptContext::TypeError, tr("Tallyard: an object argument is missing."));
    return true;
}

template <class Call>
auto DBS_TallyardWrapper::withArgument(const QObject *argument, Call call) -> decltype(call())
{
    if (missing(argument))
        return {};
    ScriptCall scriptCall(context());
    return call();
}

QString DBS_TallyardWrapper::messageLog()
{
    const TUBatchMessage *sink = batchSink();
    return sink ? sink->messageLog() : QString();
}

void DBS_TallyardWrapper::printToConsole(QString contents)
{
    m_console << contents;
}

QString DBS_TallyardWrapper::realDbPath(QString logicalPath)
{
    const QString local = oswRemapPath::RemapPath2(logicalPath);
    return QFileInfo::exists(local) ? local : QString();
}

QStringList DBS_TallyardWrapper::messagesForConsole()
{
    return m_console;
}

// ---- users

QVector<QObject *> DBS_TallyardWrapper::users()
{
    ScriptCall call(context());
    return wrapAll(m_mediator->users(), [](const dba_user_struct_type &user) {
        auto *w = new DBS_UserWrapper(user.name);
        w->firstName = user.firstName;
        w->lastName = user.lastName;
        w->type = DBS_UserWrapper::UserType(user.type);
        return w;
    });
}

bool DBS_TallyardWrapper::addUser(DBS_UserWrapper *user)
{
    return withArgument(user, [&] { return m_mediator->addUser(userRecord(*user)); });
}

bool DBS_TallyardWrapper::deleteUser(DBS_UserWrapper *user)
{
    return withArgument(user, [&] { return m_mediator->deleteUser(user->name); });
}

bool DBS_TallyardWrapper::modifyUser(DBS_UserWrapper *user)
{
    return withArgument(user, [&] { return m_mediator->modifyUser(userRecord(*user)); });
}

bool DBS_TallyardWrapper::verifyUser(DBS_UserWrapper *user)
{
    return withArgument(user, [&] { return m_mediator->verifyUser(user->name); });
}

// ---- environments

QVector<QObject *> DBS_TallyardWrapper::environments()
{
    ScriptCall call(context());
    QVector<DBS_Mediator::Environment> list;
    m_mediator->environments(list);
    return wrapAll(list, [](const DBS_Mediator::Environment &environment) {
        auto *w = new DBS_EnvWrapper(environment.name);
        w->assetLock = environment.assetLock;
        return w;
    });
}

bool DBS_TallyardWrapper::addEnvironment(DBS_EnvWrapper *env)
{
    return withArgument(env, [&] { return m_mediator->createEnvironment(env->name, env->assetLock) == 0; });
}

bool DBS_TallyardWrapper::deleteEnvironment(DBS_EnvWrapper *env)
{
    return withArgument(env, [&] { return m_mediator->deleteEnvironment(env->name); });
}

bool DBS_TallyardWrapper::verifyEnvironment(DBS_EnvWrapper *env)
{
    return withArgument(env, [&] { return m_mediator->verifyEnvironment(env->name); });
}

bool DBS_TallyardWrapper::modifyEnvironment(DBS_EnvWrapper *env)
{
    return withArgument(env, [&] { return m_mediator->modifyEnvironment(env->name, env->assetLock); });
}

// ---- jobs

QVector<QObject *> DBS_TallyardWrapper::jobs(DBS_EnvWrapper *env)
{
    if (missing(env))
        return {};
    ScriptCall call(context());
    return wrapAll(m_mediator->jobs(env->name), [](const dba_job_struct &job) {
        auto *w = new DBS_JobWrapper(job.environment, job.name);
        w->tdName = job.td;
        w->atdName = job.atd;
        w->automaticApprovalPolicy = !job.manualApproval;
        w->inProduction = job.stage == 0;
        w->priority = job.priority;
        return w;
    });
}

bool DBS_TallyardWrapper::addJob(DBS_JobWrapper *job)
{
    return withArgument(job, [&] { return m_mediator->createJob(jobRecord(*job)) == 0; });
}

bool DBS_TallyardWrapper::deleteJob(DBS_JobWrapper *job)
{
    return withArgument(job, [&] { return m_mediator->deleteJob(job->name); });
}

bool DBS_TallyardWrapper::modifyJob(DBS_JobWrapper *job)
{
    return withArgument(job, [&] { return m_mediator->modifyJob(jobRecord(*job)); });
}

bool DBS_TallyardWrapper::verifyJob(DBS_JobWrapper *job)
{
    return withArgument(job, [&] { return m_mediator->verifyJob(job->name); });
}

// ---- scenes

QVector<QObject *> DBS_TallyardWrapper::scenes(DBS_JobWrapper *job)
{
    return withArgument(job, [&] { return wrapAll(m_mediator->scenes(job->name, false), wrapScene); });
}

QVector<QObject *> DBS_TallyardWrapper::lockedScenes(DBS_JobWrapper *job)
{
    return withArgument(job, [&] { return wrapAll(m_mediator->scenes(job->name, true), wrapScene); });
}

QVector<QObject *> DBS_TallyardWrapper::lockedSceneVersions(DBS_SceneWrapper *scene)
{
    if (missing(scene))
        return {};
    ScriptCall call(context());
    const QString job = scene->jobName, name = scene->name;
    return wrapAll(m_mediator->lockedSceneVersions(job, name),
                   [&](const QVX_scene_version &version) { return wrapVersion(job, name, version); });
}

bool DBS_TallyardWrapper::addScene(DBS_SceneWrapper *scene, int addPos)
{
    return withArgument(scene, [&] {
        return m_mediator->createScene(scene->jobName, scene->name, scene->fileSystem, scene->path(), addPos) == 0;
    });
}

bool DBS_TallyardWrapper::deleteScene(DBS_SceneWrapper *scene)
{
    return withArgument(scene, [&] { return m_mediator->deleteScene(scene->jobName, scene->name); });
}

bool DBS_TallyardWrapper::forceUnlockScene(DBS_SceneWrapper *scene, QString username)
{
    return withArgument(scene, [&] { return m_mediator->forceUnlockScene(scene->jobName, scene->name, username); });
}

bool DBS_TallyardWrapper::forceUnlockSceneVersion(DBS_SceneVersionWrapper *scene, QString username)
{
    return withArgument(scene, [&] {
        return m_mediator->forceUnlockSceneVersion(scene->jobName, scene->sceneName, scene->id, username);
    });
}

bool DBS_TallyardWrapper::renameScene(DBS_SceneWrapper *scene, QString newName)
{
    return withArgument(scene, [&] { return m_mediator->renameScene(scene->jobName, scene->name, newName); });
}

bool DBS_TallyardWrapper::copyScene(DBS_SceneWrapper *fromScene, DBS_SceneWrapper *toScene, bool allData)
{
    if (missing(fromScene) || missing(toScene))
        return false;
    ScriptCall call(context());
    return m_mediator->copyScene(fromScene->jobName, fromScene->name, toScene->jobName, toScene->name, allData);
}

bool DBS_TallyardWrapper::moveScene(DBS_SceneWrapper *scene, QString fileSystem, bool override)
{
    return withArgument(scene, [&] {
        return m_mediator->moveScene(scene->jobName, scene->name, fileSystem, override);
    });
}

bool DBS_TallyardWrapper::preMoveSceneValidate(DBS_SceneWrapper *scene, QString fileSystem)
{
    return withArgument(scene, [&] {
        return m_mediator->preMoveSceneValidate(scene->jobName, scene->name, fileSystem);
    });
}

bool DBS_TallyardWrapper::fileSystemHasDirectory(DBS_SceneWrapper *scene, QString fileSystem)
{
    return withArgument(scene, [&] {
        return m_mediator->fileSystemHasDirectory(scene->jobName, scene->name, fileSystem);
    });
}

int DBS_TallyardWrapper::sceneSize(DBS_SceneWrapper *scene)
{
    return withArgument(scene, [&] { return m_mediator->sceneSize(scene->jobName, scene->name); });
}

bool DBS_TallyardWrapper::clearScene(DBS_SceneWrapper *scene)
{
    return withArgument(scene, [&] { return m_mediator->clearScene(scene->jobName, scene->name); });
}

bool DBS_TallyardWrapper::sceneHasXsheet(DBS_SceneWrapper *scene)
{
    return withArgument(scene, [&] { return m_mediator->sceneHasXsheet(scene->jobName, scene->name); });
}

bool DBS_TallyardWrapper::changeSceneStage(DBS_SceneWrapper *scene, QString stage)
{
    return withArgument(scene, [&] { return m_mediator->changeSceneStage(scene->jobName, scene->name, stage); });
}

bool DBS_TallyardWrapper::changeScenePriority(DBS_SceneWrapper *scene, int priority)
{
    return withArgument(scene, [&] { return m_mediator->changeScenePriority(scene->jobName, scene->name, priority); });
}

// ---- packages

bool DBS_TallyardWrapper::importScene(DBS_ImportDataWrapper *import)
{
    if (missing(import))
        return false;
    import->completeLinkOptions();
    if (import->envName.isEmpty()) {
        ScriptCall call(context());
        m_mediator->fail(QT_TRANSLATE_NOOP(
            "DBS_Mediator", "Import: Errors(s) occurred, no target environment has been specified\n"));
        return false;
    }
    ScriptCall call(context());
    return DBS_PackageTransfer(*m_mediator, m_selector).importScenes(*import);
}

QStringList DBS_TallyardWrapper::availableFileSystems()
{
    ScriptCall call(context());
    return m_mediator->availableFileSystems();
}

bool DBS_TallyardWrapper::exportScene(DBS_ExportDataWrapper *exportData)
{
    if (missing(exportData))
        return false;
    exportData->completeLinkOptions();
    ScriptCall call(context());
    return DBS_PackageTransfer(*m_mediator, m_selector).exportScenes(*exportData);
}

QObject *DBS_TallyardWrapper::calculateSizeOfExport(DBS_ExportDataWrapper *exportData)
{
    if (missing(exportData))
        return nullptr;
    ScriptCall call(context());
    DBS_Mediator::ExportSizes s;
    m_mediator->exportSizes(exportData->jobName, exportData->sceneNames, s);
    return new DBS_ExportSizeDataWrapper(exportData->jobName, exportData->sceneNames, s);
}

// ---- queues

QVector<QObject *> DBS_TallyardWrapper::getRenderJobs(DBS_EnvWrapper *env)
{
    if (missing(env))
        return {};
    ScriptCall call(context());
    return wrapAll(m_mediator->queueEntries(env->name, DBA_QueueOps::RenderQueue),
                   [](const dba_queueEntry_struct &entry) {
                       auto *w = new DBS_RenderDataWrapper(entry.jobName, entry.sceneName);
                       w->readRequestOptions(entry.options);
                       w->entry.fill(entry, 0);
                       return w;
                   });
}

QVector<QObject *> DBS_TallyardWrapper::getVectorJobs(DBS_EnvWrapper *env)
{
    if (missing(env))
        return {};
    ScriptCall call(context());
    return wrapAll(m_mediator->queueEntries(env->name, DBA_QueueOps::VectorizeQueue),
                   [](const dba_queueEntry_struct &entry) {
                       auto *w = new DBS_VectorDataWrapper(entry.jobName, entry.sceneName, entry.elementName,
                                                           entry.elementId);
                       w->drawingName = entry.drawingName;
                       w->suffix = entry.suffix;
                       w->processStage = entry.processStage;
                       w->entry.fill(entry, 0);
                       return w;
                   });
}

bool DBS_TallyardWrapper::renderScene(DBS_EnvWrapper *env, DBS_RenderDataWrapper *renderData)
{
    if (missing(env) || missing(renderData))
        return false;
    ScriptCall call(context());
    // The version goes in as its own check; the options carry the rest.
    const QString version = renderData->version;
    renderData->version.clear();
    const QString options = renderData->requestOptions();
    renderData->version = version;
    return m_mediator->renderScene(env->name, renderData->jobName, renderData->sceneName, version, options);
}

QStringList DBS_TallyardWrapper::namedResolutions()
{
    ScriptCall call(context());
    return m_mediator->namedResolutions();
}

bool DBS_TallyardWrapper::vectorizeElement(DBS_EnvWrapper *env, DBS_VectorDataWrapper *renderData,
                                           QString vectorizeStyle)
{
    if (missing(env) || missing(renderData))
        return false;
    ScriptCall call(context());
    QString options;
    if (!vectorizeStyles().options(vectorizeStyle, options)) {
        m_mediator->fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Vectorize style %1 not found"), {vectorizeStyle});
        return false;
    }
    return m_mediator->vectorizeElement(env->name, renderData->jobName, renderData->sceneName,
                                        renderData->elementName, TUTYQueueWriter::Vectorize, options, QString());
}

QStringList DBS_TallyardWrapper::vectorizationStyles()
{
    ScriptCall call(context());
    return vectorizeStyles().names();
}

void DBS_TallyardWrapper::reReadVectFile()
{
    ScriptCall call(context());
    vectorizeStyles(true);
}

bool DBS_TallyardWrapper::unVectorizeElement(DBS_EnvWrapper *env, DBS_VectorDataWrapper *renderData,
                                             QString procOptions, QString suffix)
{
    if (missing(env) || missing(renderData))
        return false;
    ScriptCall call(context());
    return m_mediator->vectorizeElement(env->name, renderData->jobName, renderData->sceneName,
                                        renderData->elementName, TUTYQueueWriter::Unvectorize, procOptions, suffix);
}

QStringList DBS_TallyardWrapper::pixmapFormatList()
{
    QStringList names;
    for (const QByteArray &format : QImageWriter::supportedImageFormats())
        names << QString::fromLatin1(format);
    return names;
}

// ---- contents

QVector<QObject *> DBS_TallyardWrapper::elements(DBS_SceneWrapper *scene)
{
    if (missing(scene))
        return {};
    ScriptCall call(context());
    const QString job = scene->jobName, name = scene->name;
    return wrapAll(m_mediator->elements(job, name), [&](const QVX_element_data &element) {
        auto *w = new DBS_ElementWrapper(job, name, element.name, int(element.id));
        w->folderName = element.folder;
        w->pixmapType = element.pixmapFormat;
        w->scanType = element.scanType;
        w->vectorType = element.vectorType;
        w->fieldChart = float(element.fieldChart);
        return w;
    });
}

QVector<QObject *> DBS_TallyardWrapper::versions(DBS_SceneWrapper *scene)
{
    if (missing(scene))
        return {};
    ScriptCall call(context());
    const QString job = scene->jobName, name = scene->name;
    return wrapAll(m_mediator->versions(job, name),
                   [&](const QVX_scene_version &version) { return wrapVersion(job, name, version); });
}

QVector<QObject *> DBS_TallyardWrapper::drawings(DBS_ElementWrapper *element)
{
    if (missing(element))
        return {};
    ScriptCall call(context());
    return wrapAll(m_mediator->drawings(element->jobName, element->sceneName, element->name, element->id),
                   [element](const dba_cel_struct &cel) {
                       auto *w = new DBS_DrawingWrapper(element->jobName, element->sceneName, element->name,
                                                        cel.name);
                       w->stage = celStageWord(cel.stage);
                       w->state = DBS_QueueEntryFields::stateWord(cel.state, false);
                       return w;
                   });
}

QStringList DBS_TallyardWrapper::lockedAssets(DBS_SceneWrapper *scene)
{
    return withArgument(scene, [&] { return m_mediator->lockedAssets(scene->jobName); });
}

bool DBS_TallyardWrapper::forceUnlockAsset(QString asset)
{
    ScriptCall call(context());
    return m_mediator->forceUnlockAsset(asset);
}
