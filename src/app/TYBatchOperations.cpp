#include "TYBatchOperations.h"

#include "DBS_RenameSceneBatch.h"
#include "LIC_Process.h"
#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TYBatchTransfer.h"
#include "oswRemapPath.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

namespace {
// One error of the batch operations, in their scope, with its code.
void report(const char *text, int code, const QStringList &values = {})
{
    MSG_Text message("tallyard", text);
    for (const QString &value : values)
        message.arg(value);
    MSG_Scope("tallyard", message, MSG_Scope::Error, code);
}

void warn(const char *text, const QStringList &values = {}, int action = MSG_Scope::Warn)
{
    MSG_Text message("tallyard", text);
    for (const QString &value : values)
        message.arg(value);
    MSG_Scope("tallyard", message, action, 0);
}

// Closes the access's job when the operation leaves, whatever the path.
class JobCloser
{
public:
    explicit JobCloser(TUDbAccess &access) : m_access(access) {}
    ~JobCloser()
    {
        if (m_access.sceneRecord().isOpen())
            m_access.dba_CloseScene(m_access.sceneRecord());
        if (m_access.jobRecord().isOpen())
            m_access.dba_CloseJob(m_access.jobRecord());
    }

private:
    TUDbAccess &m_access;
};
} // namespace

TYBatchOperations::TYBatchOperations(const RunOptions &options, TUDbAccess &access, TUDbSelect *select)
    : m_options(options)
    , m_access(access)
    , m_select(select)
{
}

bool TYBatchOperations::run()
{
    switch (m_options.mode) {
    case RunMode::Create: return create();
    case RunMode::Delete: return remove();
    case RunMode::Rename: return rename();
    case RunMode::RunEditorScript: return runEditorScript();
    case RunMode::Import: return TYBatchTransfer(m_options, m_access, m_select).importScenes();
    case RunMode::Export: return TYBatchTransfer(m_options, m_access, m_select).exportScenes();
    case RunMode::RunScript: return notAvailable(QT_TRANSLATE_NOOP("tallyard", "Running scripts"));
    case RunMode::None: break;
    }
    return true;
}

bool TYBatchOperations::notAvailable(const char *operation)
{
    report(QT_TRANSLATE_NOOP("tallyard", "%1 is not available in this build of Tallyard."), 1,
           {QCoreApplication::translate("tallyard", operation)});
    return false;
}

bool TYBatchOperations::openJob()
{
    if (m_access.dba_OpenJob(m_options.job, m_access.jobRecord()) == -1) {
        report(QT_TRANSLATE_NOOP("tallyard", "Error opening job: %1."), 2, {m_options.job});
        return false;
    }
    return true;
}

bool TYBatchOperations::create()
{
    if (m_options.environment.isEmpty())
        return false;
    if (m_options.job.isEmpty()) {
        if (m_access.createEnv(m_options.environment, true) != 0)
            return true;
        report(QT_TRANSLATE_NOOP("tallyard", "Could not create environment %1"), 2, {m_options.environment});
        return false;
    }
    return m_options.scene.isEmpty() ? createJob() : createScene();
}

bool TYBatchOperations::createJob()
{
    dba_job_struct job;
    job.name = m_options.job;
    job.environment = m_options.environment;
    job.td = m_options.tdUser;
    job.atd = m_options.atdUser;
    job.priority = m_options.priority;
    job.creationFlag = 1;
    job.manualApproval = m_options.approvals.toUpper() == QLatin1String("MANUAL");
    if (m_access.dba_createJob(job) != -1)
        return true;
    report(QT_TRANSLATE_NOOP("tallyard", "Could not create job %1 in environment %2"), 2,
           {m_options.job, m_options.environment});
    return false;
}

bool TYBatchOperations::createScene()
{
    if (!openJob())
        return false;
    JobCloser closer(m_access);
    const bool givenPath = !m_options.scenePath.isEmpty();
    if (!givenPath
        && (m_options.fileSystem.isEmpty() || !QFileInfo(oswRemapPath::RemapPath2(m_options.fileSystem)).isDir())) {
        report(QT_TRANSLATE_NOOP("tallyard", "File System %1, Not Found."), 2, {m_options.fileSystem});
        return false;
    }
    const int position = m_options.insertPosition != 0 ? m_options.insertPosition : TUDbAccess::dba_scene_create_sort_pos();
    const QString path = givenPath ? m_options.scenePath
                                   : TUDbAccess::buildStandardScenePath(m_options.fileSystem, m_options.job, m_options.scene);
    const QString fileSystem = givenPath ? QString() : m_options.fileSystem;
    if (m_access.dba_CreateScene(m_access.jobRecord(), m_options.scene, m_access.userName(), fileSystem, path, position, -1, 1))
        return true;
    report(QT_TRANSLATE_NOOP("tallyard", "Could not create scene %1"), 2, {m_options.scene});
    return false;
}

bool TYBatchOperations::remove()
{
    if (m_options.environment.isEmpty())
        return false;
    if (m_options.job.isEmpty()) {
        if (m_access.deleteEnv(m_options.environment) != 0)
            return true;
        report(QT_TRANSLATE_NOOP("tallyard", "Could not delete environment %1"), 1, {m_options.environment});
        return false;
    }
    if (m_options.scene.isEmpty()) {
        if (m_access.dba_deleteJob(m_options.job) != 0)
            return true;
        report(QT_TRANSLATE_NOOP("tallyard", "Could not delete job %1"), 1, {m_options.job});
        return false;
    }
    return deleteScene();
}

bool TYBatchOperations::deleteScene()
{
    if (!openJob())
        return false;
    JobCloser closer(m_access);
    if (!m_access.hasUserPermissionModifyScene()) {
        report(QT_TRANSLATE_NOOP("tallyard", "You do not have the permission necessary to delete scenes --\n"
                                             "please contact your supervisor or TD to change your user type\n"
                                             "or to delete the scenes\n"),
               2);
        return false;
    }
    if (m_access.dba_deleteScene(m_access.jobRecord(), m_options.scene))
        return true;
    report(QT_TRANSLATE_NOOP("tallyard", "Error trying to delete scene %1\n"), 2, {m_options.scene});
    return false;
}

bool TYBatchOperations::rename()
{
    const struct {
        const QString &value;
        const char *message;
    } required[] = {
        {m_options.environment, QT_TRANSLATE_NOOP("tallyard", "Error no -env was specified")},
        {m_options.job, QT_TRANSLATE_NOOP("tallyard", "Error no -job was specified")},
        {m_options.scene, QT_TRANSLATE_NOOP("tallyard", "Error no -scene was specified")},
        {m_options.newName, QT_TRANSLATE_NOOP("tallyard", "Error no -name was specified")},
    };
    for (const auto &check : required) {
        if (check.value.isEmpty()) {
            report(check.message, 1);
            return false;
        }
    }
    if (!openJob())
        return false;
    JobCloser closer(m_access);
    dba_scene_struct &scene = m_access.sceneRecord();
    if (m_access.dba_OpenScene(m_options.scene, m_access.jobRecord(), scene) == -1) {
        report(QT_TRANSLATE_NOOP("tallyard", "Could not open scene %1."), 2, {m_options.scene});
        return false;
    }
    if (m_access.dba_isStageScene(scene))
        m_access.sceneData().setVersionId(scene.versionId);
    if (m_access.dba_GetSceneLock(scene) != 0) {
        report(QT_TRANSLATE_NOOP("tallyard", "Scene %1 is currently locked, can't rename\n"), 2, {m_options.scene});
        return false;
    }
    m_access.dba_ReleaseSceneLock(scene);
    m_access.dba_CloseScene(scene);

    DBS_RenameSceneBatch batch(&m_access, m_options.scene, m_options.newName);
    QString errorText, detail;
    TUDbAccess::RenameMgr::StatusCode status;
    return batch.rename(errorText, TUDbAccess::RenameMgr::Undo, status, detail) == 0;
}

bool TYBatchOperations::runEditorScript()
{
    if (!QFileInfo::exists(m_options.scriptFile)) {
        warn(QT_TRANSLATE_NOOP("tallyard", "Script %1 doesn't exist."), {m_options.scriptFile});
        return false;
    }
    if (m_options.environment.isEmpty()) {
        warn(QT_TRANSLATE_NOOP("tallyard", "Error no -env was specified"));
        return false;
    }
    if (m_options.job.isEmpty()) {
        warn(QT_TRANSLATE_NOOP("tallyard", "Error no -job was specified"));
        return false;
    }
    if (!openJob())
        return false;
    JobCloser closer(m_access);
    QStringList scenes = m_options.sceneList;
    if (m_options.scene.isEmpty())
        scenes << m_access.buildScenesList(m_access.jobRecord());
    const bool versionsMatch = m_options.versionList.size() == scenes.size();
    for (int i = 0; i < scenes.size(); ++i)
        runEditorOnScene(scenes[i], versionsMatch ? m_options.versionList[i] : QString());
    return true;
}

void TYBatchOperations::runEditorOnScene(const QString &scene, const QString &version)
{
    QStringList arguments{m_options.environment, m_options.job, scene};
    if (!version.isEmpty())
        arguments << version;
    arguments << QStringLiteral("-compile") << m_options.scriptFile;
    const QString user = m_access.sceneData().userName();
    if (!user.isEmpty())
        arguments << QStringLiteral("-user") << user;
    arguments << QStringLiteral("-lockScene");

    const std::unique_ptr<QProcess> editor = LIC_Process::start(LIC_Process::editorExecutable(), arguments);
    if (!editor) {
        warn(QT_TRANSLATE_NOOP("tallyard", " Cannot load scene %1.\n"), {scene});
        return;
    }
    warn(QT_TRANSLATE_NOOP("tallyard", "Executing script %1 against scene %2."), {m_options.scriptFile, scene},
         MSG_Scope::Inform);
    if (!LIC_Process::waitToEnd(*editor))
        warn(QT_TRANSLATE_NOOP("tallyard", "Script %1 did not execute correctly against scene %2."),
             {m_options.scriptFile, scene});
}
