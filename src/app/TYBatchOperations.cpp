#include "TYBatchOperations.h"

#include "DBS_RenameSceneBatch.h"
#include "DBS_ScriptFileRun.h"
#include "LIC_Process.h"
#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TYBatchChanges.h"
#include "TYBatchJob.h"
#include "TYBatchTransfer.h"

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

void warn(const char *text, const QStringList &values = {}, int action = MSG_Scope::Warn, int code = 0)
{
    MSG_Text message("tallyard", text);
    for (const QString &value : values)
        message.arg(value);
    MSG_Scope("tallyard", message, action, code);
}
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
    case RunMode::RunScript: return DBS_ScriptFileRun(m_access, m_select, m_options.debugScript).run(m_options.scriptFile);
    case RunMode::None: break;
    }
    return true;
}

bool TYBatchOperations::create()
{
    return TYBatchChanges(m_options, m_access).create();
}

bool TYBatchOperations::remove()
{
    return TYBatchChanges(m_options, m_access).remove();
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
    TYBatchJob job(m_access, m_options.environment, m_options.job);
    if (!job.isOpen())
        return false;
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
    TYBatchJob job(m_access, m_options.environment, m_options.job);
    if (!job.isOpen())
        return false;
    // Only the named scenes, each once; every scene of the job when none is named.
    QStringList scenes = m_options.sceneList;
    scenes.removeDuplicates();
    if (scenes.isEmpty())
        scenes = m_access.buildScenesList(m_access.jobRecord());
    const bool versionsMatch = m_options.versionList.size() == scenes.size();
    bool allRan = true;
    for (int i = 0; i < scenes.size(); ++i)
        allRan = runEditorOnScene(scenes[i], versionsMatch ? m_options.versionList[i] : QString()) && allRan;
    return allRan;
}

bool TYBatchOperations::runEditorOnScene(const QString &scene, const QString &version)
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
    // A farm job reads the exit status: an editor that did not run fails the run.
    if (!editor) {
        warn(QT_TRANSLATE_NOOP("tallyard", " Cannot load scene %1.\n"), {scene}, MSG_Scope::Warn, 2);
        return false;
    }
    warn(QT_TRANSLATE_NOOP("tallyard", "Executing script %1 against scene %2."), {m_options.scriptFile, scene},
         MSG_Scope::Inform);
    if (LIC_Process::waitToEnd(*editor) && editor->exitCode() == 0)
        return true;
    warn(QT_TRANSLATE_NOOP("tallyard", "Script %1 did not execute correctly against scene %2."),
         {m_options.scriptFile, scene}, MSG_Scope::Warn, 2);
    return false;
}
