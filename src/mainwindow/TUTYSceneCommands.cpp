#include "TUTYSceneCommands.h"

#include "LIC_Process.h"
#include "MSG_Scope.h"
#include "TUCopyXsheetScene.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TUMoveScene.h"
#include "TUPriorityScene.h"
#include "TURenameScene.h"
#include "TURenderDlg.h"
#include "TUReorderScene.h"
#include "TUSceneCreateDlg.h"
#include "TUTYConfirm.h"
#include "TUTYLauncher.h"
#include "TUTYRefusal.h"
#include "TUTYSceneStageDlg.h"
#include "TUTYSceneLockCommands.h"
#include "TUTYScenesTable.h"
#include "TUTYVectorizeCommands.h"
#include "TUTallyard.h"
#include "TYExecuteScriptScenesDialog.h"
#include "TYRunScriptDialog.h"

#include <QMenu>
#include <QSet>

namespace {
const char *const kContext = "TUTYSceneCommands";
// How many scene names a question lists.
const int kListedScenes = 9;
} // namespace

TUTYSceneCommands::TUTYSceneCommands(TUTallyard &window, QMenu *menu, TUTYSceneLockCommands &locks,
                                     TUTYVectorizeCommands &vectorize)
    : TUTYMenuCommands(window, menu)
    , m_locks(locks)
    , m_vectorize(vectorize)
{
    connect(menu, &QMenu::aboutToShow, this, &TUTYSceneCommands::rebuildSceneMenu);
}

// The menu

void TUTYSceneCommands::buildMenu(QMenu &menu)
{
    TUDbAccess &db = access();
    if (db.hasUserPermissionOpenInPavane())
        m_open = menu.addAction(tr("&Open"), &m_window, QOverload<>::of(&TUTallyard::openScene));
    if (db.hasUserPermissionCreateScene()) {
        m_create = menu.addAction(tr("&Create..."), this, &TUTYSceneCommands::createScene);
        m_copy = menu.addAction(tr("Copy..."), this, &TUTYSceneCommands::copyXsheetScene);
    }
    if (db.hasUserPermissionModifyScene()) {
        m_delete = menu.addAction(tr("&Delete"), this, &TUTYSceneCommands::deleteScene);
        m_move = menu.addAction(tr("Move..."), this, &TUTYSceneCommands::moveScene);
        m_rename = menu.addAction(tr("Rename..."), this, &TUTYSceneCommands::renameScene);
    }
    menu.addSeparator();
    buildLockEntries(menu);
    menu.addSeparator();
    buildChangeEntries(menu);
    menu.addSeparator();
    buildSendEntries(menu);
}

void TUTYSceneCommands::buildLockEntries(QMenu &menu)
{
    TUDbAccess &db = access();
    if (db.hasUserPermissionForceUnlockSceneAny() || db.hasUserPermissionForceUnlockSceneOwned()) {
        m_unlock = menu.addAction(tr("Force Unlock"), &m_locks, &TUTYSceneLockCommands::unlockScene);
        m_unlockVersion =
            menu.addAction(tr("Force Unlock Version"), &m_locks, &TUTYSceneLockCommands::unlockSceneVersion);
    }
    const dba_job_struct &job = db.jobRecord();
    if (!(job.isOpen() ? db.dba_HasSceneCheckoutFields(&job) : db.dba_HasSceneCheckoutFields()))
        return;
    if (db.hasUserPermissionForceCheckinSceneAny() || db.hasUserPermissionForceCheckinSceneOwned())
        m_forceCheckin = menu.addAction(tr("Force Checkin"), &m_locks, &TUTYSceneLockCommands::forceCheckinScene);
    if (db.hasUserPermissionForceCheckinSceneOwned())
        m_checkin = menu.addAction(tr("Checkin"), &m_locks, &TUTYSceneLockCommands::checkinScene);
    if (db.hasUserPermissionCheckoutScene())
        m_checkout = menu.addAction(tr("Checkout"), &m_locks, &TUTYSceneLockCommands::checkoutScene);
}

void TUTYSceneCommands::buildChangeEntries(QMenu &menu)
{
    m_priority = menu.addAction(tr("Change Priority..."), this, &TUTYSceneCommands::priorityScene);
    if (!access().hasUserPermissionModifyScene())
        return;
    m_stage = menu.addAction(tr("Change &Stage..."), this, &TUTYSceneCommands::stageScene);
    m_reorder = menu.addAction(tr("Reorder..."), this, &TUTYSceneCommands::reorderScene);
    m_clear = menu.addAction(tr("Cl&ear"), this, &TUTYSceneCommands::clearScene);
}

void TUTYSceneCommands::buildSendEntries(QMenu &menu)
{
    m_vectorizeEntry =
        menu.addAction(tr("Send to &Vectorize"), &m_vectorize, &TUTYVectorizeCommands::sceneSendToVectorize);
    m_unvectorize =
        menu.addAction(tr("Send to &Unvectorize..."), &m_vectorize, &TUTYVectorizeCommands::sceneSendToUnvectorize);
    m_rendering = menu.addAction(tr("Send to Re&ndering..."), this, &TUTYSceneCommands::sceneSendToRendering);
    m_runScript = menu.addAction(tr("Run Script..."), this, &TUTYSceneCommands::runScriptOnScenes);
}

void TUTYSceneCommands::rebuildSceneMenu()
{
    ensureMenu();
    const int jobs = m_window.selectedJobs().size();
    const TUTYScenesTable &table = m_window.scenesTable();
    const int selected = jobs == 0 ? 0 : table.selectedRowCount();
    const QTreeWidgetItem *current = table.currentItem();
    const bool scenes = selected > 0 && current && !current->text(TUTYScenesTable::Name).isEmpty();

    enable(m_create, jobs == 1);
    enable(m_unvectorize, jobs == 1);
    enable(m_reorder, jobs > 0 && table.topLevelItemCount() > 0);
    enable(m_move, jobs > 0 && table.topLevelItemCount() > 0);
    enable(m_copy, jobs > 0 && access().hasUserPermissionModifyScene());
    enable(m_open, jobs == 1 && scenes);
    for (QAction *entry : {m_delete, m_stage, m_clear, m_unlock, m_forceCheckin, m_checkin, m_checkout, m_priority,
                           m_rendering, m_vectorizeEntry, m_runScript})
        enable(entry, scenes);
    enable(m_rename, scenes && selected == 1);
    enable(m_unlockVersion, scenes && selected == 1);
}

// Commands that open a dialog

void TUTYSceneCommands::createScene()
{
    if (!TUTYRefusal::permits(access(), TUTYRefusal::CreateScenes))
        return;
    if (m_createDialog)
        return;
    const TUTYScenesTable &table = m_window.scenesTable();
    const int selectedRow = table.selectedRowCount() == 1 && table.currentItem()
        ? table.indexOfTopLevelItem(table.currentItem())
        : -1;
    m_createDialog = new TUSceneCreateDlg(dialogParent(), &access(), m_window.currentEnvironment(), userName(),
                                          selectedRow);
    connect(m_createDialog, &TUSceneCreateDlg::sceneCreateDlgClosing, this,
            [this] { m_window.setBrowsingEnabled(true); });
    connect(m_createDialog, &TUSceneCreateDlg::sceneCreated, &m_window, &TUTallyard::refreshScenes);
    // Shown rather than run, so the window's event loop goes on; the lists
    // stay still until the dialog has gone.
    m_window.setBrowsingEnabled(false);
    m_createDialog->setModal(true);
    m_createDialog->show();
    m_createDialog->raise();
    m_createDialog->activateWindow();
}

void TUTYSceneCommands::copyXsheetScene()
{
    // A copy makes scenes, or replaces the data of one.
    const char *refusal =
        QT_TRANSLATE_NOOP("TUTYSceneCommands", "You do not have the permission necessary to copy scenes --");
    if (!TUTYRefusal::permits(access(), TUTYRefusal::CreateScenes)
        || !permits(DBA_UserOps::ModifyScene, kContext, refusal) || !permits(DBA_UserOps::CopyScene, kContext, refusal)
        || !access().jobRecord().isOpen())
        return;
    QVector<SceneCopyEntry> sources;
    const TUTYScenesTable &table = m_window.scenesTable();
    for (int row = 0; row < table.topLevelItemCount(); ++row) {
        const QTreeWidgetItem *item = table.topLevelItem(row);
        if (item->isSelected()) {
            SceneCopyEntry source;
            source.sourceName = item->text(TUTYScenesTable::Name);
            source.sourceRow = row;
            sources.append(source);
        }
    }
    // The window's own open scene would hold a scene copied onto.
    m_window.clearElements();
    (new TUCopyXsheetScene(dialogParent(), &access(), m_window.currentEnvironment(), access().jobRecord().name,
                           sources))
        ->exec();
    m_window.refreshScenes();
}

void TUTYSceneCommands::moveScene()
{
    if (!permits(DBA_UserOps::ModifyScene, kContext, QT_TRANSLATE_NOOP("TUTYSceneCommands",
                                          "You do not have the permission necessary to move a scene --"))
        || !access().jobRecord().isOpen())
        return;
    // The window's own open scene would hold the scene being moved.
    m_window.clearElements();
    (new TUMoveScene(dialogParent(), &access(), &access().jobRecord(), m_window.selectedScenes()))->exec();
    m_window.refreshScenes();
}

void TUTYSceneCommands::priorityScene()
{
    const QString job = access().jobRecord().name;
    const QStringList scenes = m_window.selectedScenes();
    if (job.isEmpty() || scenes.isEmpty()
        || !permits(DBA_UserOps::ChangeScenePriority, kContext,
                    QT_TRANSLATE_NOOP("TUTYSceneCommands",
                                      "You do not have the permission necessary to change the priority of scenes --")))
        return;
    if ((new TUPriorityScene(dialogParent(), &access(), job, scenes))->exec() == QDialog::Accepted)
        m_window.refreshScenes();
}

void TUTYSceneCommands::reorderScene()
{
    if (!access().jobRecord().isOpen()
        || !permits(DBA_UserOps::ModifyScene, kContext,
                    QT_TRANSLATE_NOOP("TUTYSceneCommands", "You do not have the permission necessary to reorder scenes --")))
        return;
    if ((new TUReorderScene(dialogParent(), &access(), &access().jobRecord()))->exec() == QDialog::Accepted)
        m_window.refreshScenes();
}

void TUTYSceneCommands::runScriptOnScenes()
{
    const QString job = access().jobRecord().name;
    if (job.isEmpty())
        return;
    TYRunScriptDialog ask(dialogParent());
    if (ask.exec() != QDialog::Accepted)
        return;
    TYExecuteScriptScenesDialog::Run run;
    run.scriptFile = ask.scriptFile();
    run.evalCode = ask.evalCode();
    run.argumentsText = ask.argumentsText();
    run.scenes = m_window.selectedScenes();
    run.baseArguments = ask.arguments()
        + TUTYLauncher::editorOptions(access().sceneData().userName(), m_window.lockStyle())
        + QStringList{QStringLiteral("-compile"), run.scriptFile, QStringLiteral("-script"), run.evalCode,
                      m_window.currentEnvironment(), job};
    run.program = LIC_Process::editorExecutable();
    TYExecuteScriptScenesDialog runs(dialogParent(), run);
    runs.start();
    runs.exec();
}

void TUTYSceneCommands::sceneSendToRendering()
{
    const QStringList scenes = m_window.selectedScenes();
    if (scenes.size() != 1)
        return;
    if (access().sceneRecord().name != scenes.first())
        m_window.sceneSelectedInternal(scenes.first());
    const dba_scene_struct &scene = access().sceneRecord();
    if (!scene.isOpen())
        return;
    if (!access().dba_isStageScene(scene)) {
        MSG_Scope(kContext,
                  QT_TRANSLATE_NOOP("TUTYSceneCommands", "Scene %1 is an old unsupported format. Scene is skipped.\n"))
            .arg(scene.name);
        return;
    }
    TURenderDlg dialog(dialogParent(), scene.name, scene.frames);
    if (dialog.exec() != QDialog::Accepted)
        return;
    TUDbAccess *second = m_window.secondAccess();
    const QString jobName = access().jobRecord().name;
    dba_job_struct job;
    if (!second || second->dba_OpenJob(jobName, job) == -1) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYSceneCommands", "Error opening job: %1.")).arg(jobName);
        return;
    }
    forEachScene(*second, job, scenes, [&](dba_scene_struct &each) {
        queueRender(*second, each, dialog.suffix(), dialog.options());
    });
    second->dba_CloseJob(job);
}

void TUTYSceneCommands::queueRender(TUDbAccess &db, const dba_scene_struct &scene, const QString &suffix,
                                    const QString &options)
{
    if (!db.dba_isStageScene(scene)) {
        MSG_Scope(kContext,
                  QT_TRANSLATE_NOOP("TUTYSceneCommands", "Scene %1 is an old unsupported format. Scene is skipped.\n"))
            .arg(scene.name);
        return;
    }
    dba_queue_struct queue;
    dba_queueEntry_struct entry;
    entry.kind = 1;
    entry.jobName = access().jobRecord().name;
    entry.sceneName = scene.name;
    entry.suffix = suffix;
    entry.options = options;
    const bool queued = db.dba_OpenQueue(DBA_QueueOps::RenderQueue, m_window.currentEnvironment(), queue) == 0
        && db.dba_AddQueueEntry(queue, entry) == 0;
    db.dba_CloseQueue(queue);
    if (queued)
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYSceneCommands", "Scene %1 was sent to the render queue."),
                  MSG_Scope::Inform)
            .arg(scene.name);
    else
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYSceneCommands", "Scene %1 could not be sent to the render queue: %2"))
            .arg(scene.name)
            .arg(db.lastErrorText());
}

void TUTYSceneCommands::stageScene()
{
    if (!permits(DBA_UserOps::ModifyScene, kContext, QT_TRANSLATE_NOOP("TUTYSceneCommands",
                                           "You do not have the permission necessary to stage scenes --")))
        return;
    TUDbAccess *second = m_window.secondAccess();
    const QString jobName = access().jobRecord().name;
    if (!second || jobName.isEmpty())
        return;
    dba_job_struct job;
    if (second->dba_OpenJob(jobName, job) == -1) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYSceneCommands", "Error opening job: %1.")).arg(jobName);
        return;
    }
    const QStringList scenes = m_window.selectedScenes();
    QSet<int> stages;
    forEachScene(*second, job, scenes, [&](dba_scene_struct &scene) { stages.insert(scene.stageIndex); });
    if (!stages.isEmpty()) {
        const int current = *stages.begin();
        const QString text = stages.size() == 1 ? second->dba_get_translated_scene_stage(current) : tr("<varies>");
        TUTYSceneStageDlg dialog(dialogParent(), second, text, current);
        if (dialog.exec() == QDialog::Accepted) {
            const QString stage = second->dba_GetSceneStages(job).value(dialog.stage());
            forEachScene(*second, job, scenes, [&](dba_scene_struct &scene) {
                if (!second->dba_changeSceneStage(job, scene.name, stage))
                    MSG_Scope(kContext, MSG_Text(second->lastErrorText()));
                second->dba_RefreshSceneStruct(scene);
            });
            m_window.refreshScenes();
        }
    }
    second->dba_CloseJob(job);
}

template <typename Action>
void TUTYSceneCommands::forEachScene(TUDbAccess &db, dba_job_struct &job, const QStringList &names, Action action)
{
    for (const QString &name : names) {
        dba_scene_struct scene;
        if (db.dba_OpenScene(name, job, scene) != 0) {
            MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYSceneCommands", "Unable to open scene %1; bad or missing.\n"))
                .arg(name);
            continue;
        }
        action(scene);
        db.dba_CloseScene(scene);
    }
}

// Commands done here

void TUTYSceneCommands::deleteScene()
{
    if (!TUTYRefusal::permits(access(), TUTYRefusal::DeleteScenes))
        return;
    const QStringList scenes = m_window.selectedScenes();
    if (scenes.isEmpty()) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYSceneCommands", "Please select a scene to delete\n"));
        return;
    }
    const QString question = scenes.size() == 1
        ? tr("Really delete scene %1?").arg(scenes.first())
        : tr("Really delete the following scenes?\n\n") + nameList(scenes, kListedScenes);
    if (!TUTYConfirm::yesNo(question))
        return;
    // The window's own open scene would hold the scene being deleted.
    m_window.clearElements();
    for (const QString &name : scenes)
        deleteOneScene(access().jobRecord(), name);
    m_window.refreshScenes();
}

void TUTYSceneCommands::deleteOneScene(dba_job_struct &job, const QString &name)
{
    dba_scene_struct scene;
    if (access().dba_OpenScene(name, job, scene) != 0) {
        // A scene that cannot be opened is taken out of the database all the same.
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYSceneCommands", "Unable to open scene %1; bad or missing.\n"))
            .arg(name);
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYSceneCommands",
                                              "Can't access scene %1; bad or missing.\nManager will try to remove the "
                                              "scene from the database.\n"))
            .arg(name);
    } else if (!closeIfFree(scene,
                            QT_TRANSLATE_NOOP("TUTYSceneCommands", "Scene %1 is currently checked out, can't delete\n"),
                            QT_TRANSLATE_NOOP("TUTYSceneCommands", "Scene %1 is currently locked, can't delete\n"))) {
        return;
    }
    if (!access().dba_deleteScene(job, name))
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYSceneCommands", "Error trying to delete scene %1\n")).arg(name);
}

bool TUTYSceneCommands::closeIfFree(dba_scene_struct &scene, const char *checkedOut, const char *locked)
{
    bool free = false;
    if (access().dba_GetSceneCheckoutLock(scene))
        MSG_Scope(kContext, checkedOut).arg(scene.name);
    else if (access().dba_GetSceneLock(scene) != 0)
        MSG_Scope(kContext, locked).arg(scene.name);
    else
        free = true;
    // Taking the lock was only the test of whether anyone else has it.
    access().dba_ReleaseSceneLock(scene);
    access().dba_CloseScene(scene);
    return free;
}

void TUTYSceneCommands::renameScene()
{
    if (!permits(DBA_UserOps::ModifyScene, kContext, QT_TRANSLATE_NOOP("TUTYSceneCommands",
                                           "You do not have the permission necessary to rename a scene --")))
        return;
    const QTreeWidgetItem *current = m_window.scenesTable().currentItem();
    const QString name = current ? current->text(TUTYScenesTable::Name) : QString();
    dba_scene_struct scene;
    if (name.isEmpty() || access().dba_OpenScene(name, access().jobRecord(), scene) != 0)
        return;
    if (!closeIfFree(scene, QT_TRANSLATE_NOOP("TUTYSceneCommands", "Scene %1 is currently checked out, cannot rename\n"),
                     QT_TRANSLATE_NOOP("TUTYSceneCommands", "Scene %1 is currently locked, cannot rename\n")))
        return;
    m_window.clearElements();
    (new TURenameScene(dialogParent(), &access(), name))->exec();
    m_window.refreshScenes();
}

QString TUTYSceneCommands::clearQuestion(const QStringList &scenes)
{
    const QString explanation =
        tr("Clearing a scene is usually done when you want to re-build a\nscene (xsheet, network, etc) due to major "
           "changes.\n\nClearing a scene will delete all xsheet, network, element, and drawing\ndatabase information, "
           "and leave it as if it were new.\n\nOnly the database files will be cleared for the scene.\nAny image files "
           "(scan, paint, final frame files)\nwill need to be deleted manually.  If you have questions, please "
           "\ncontact the Technical Director for this job.\n\nBefore clearing a scene, you should be sure that no one "
           "is currently\nworking in it.\n\n");
    if (scenes.size() == 1)
        return tr("%1 Really clear scene %2?").arg(explanation, scenes.first());
    return tr("%1 Really clear the following scenes?\n\n").arg(explanation) + nameList(scenes, kListedScenes);
}

void TUTYSceneCommands::clearScene()
{
    if (!permits(DBA_UserOps::ModifyScene, kContext, QT_TRANSLATE_NOOP("TUTYSceneCommands",
                                           "You do not have the permission necessary to clear scenes --")))
        return;
    const QStringList scenes = m_window.selectedScenes();
    if (scenes.isEmpty())
        return;
    dba_job_struct &job = access().jobRecord();
    QString locked;
    for (const QString &name : scenes) {
        if (access().isSceneLocked(job, name))
            locked += QLatin1Char('\n') + name;
    }
    if (!locked.isEmpty()) {
        MSG_Scope(kContext,
                  QT_TRANSLATE_NOOP("TUTYSceneCommands", "Action cancelled because the following scenes are locked:%1"))
            .arg(locked);
        return;
    }
    if (!TUTYConfirm::warning(clearQuestion(scenes)))
        return;
    {
        const WaitCursor wait;
        m_window.clearElements();
        for (const QString &name : scenes) {
            if (access().dba_clearScene(job, name) == 0)
                MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYSceneCommands", "Error trying to clear scene %1")).arg(name);
        }
    }
    m_window.jobSelected();
}

