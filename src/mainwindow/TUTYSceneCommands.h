#pragma once

#include "TUTYCommands.h"

#include <QPointer>

class TUSceneCreateDlg;
class TUDbAccess;
class TUTYSceneLockCommands;
class TUTYVectorizeCommands;
struct dba_job_struct;
struct dba_scene_struct;

// The Scene menu (also the scenes table's context menu) and the commands
// that change scenes: create, copy, delete, move, rename, stage, order,
// priority, clear, rendering and scripts. The menu's check-in, check-out
// and unlock entries reach the lock commands, its queue entries the
// vectorize commands. Each command acts on the selected rows of the scenes
// table, in table order, within the window's open job, and ends by filling
// the table again.
class TUTYSceneCommands : public TUTYMenuCommands
{
    Q_OBJECT
public:
    TUTYSceneCommands(TUTallyard &window, QMenu *menu, TUTYSceneLockCommands &locks,
                      TUTYVectorizeCommands &vectorize);

    // The warning shown before clearing the given scenes.
    static QString clearQuestion(const QStringList &scenes);

public slots:
    void rebuildSceneMenu();
    void createScene();
    void copyXsheetScene();
    void deleteScene();
    void moveScene();
    void renameScene();
    void priorityScene();
    void stageScene();
    void reorderScene();
    void clearScene();
    void sceneSendToRendering();
    void runScriptOnScenes();

protected:
    void buildMenu(QMenu &menu) override;

private:
    void buildChangeEntries(QMenu &menu);
    void buildLockEntries(QMenu &menu);
    void buildSendEntries(QMenu &menu);
    // Deletes one scene unless someone holds it.
    void deleteOneScene(dba_job_struct &job, const QString &name);
    // Closes an opened scene; false, with the matching report, when it is
    // checked out or someone holds its lock.
    bool closeIfFree(dba_scene_struct &scene, const char *checkedOut, const char *locked);
    // Opens each named scene of job in turn for action, reporting the ones
    // that do not open.
    template <typename Action>
    void forEachScene(TUDbAccess &db, dba_job_struct &job, const QStringList &names, Action action);

    void queueRender(TUDbAccess &db, const dba_scene_struct &scene, const QString &suffix, const QString &options);

    QPointer<TUSceneCreateDlg> m_createDialog;

    TUTYSceneLockCommands &m_locks;
    TUTYVectorizeCommands &m_vectorize;

    QAction *m_open = nullptr;
    QAction *m_create = nullptr;
    QAction *m_copy = nullptr;
    QAction *m_delete = nullptr;
    QAction *m_move = nullptr;
    QAction *m_rename = nullptr;
    QAction *m_unlock = nullptr;
    QAction *m_unlockVersion = nullptr;
    QAction *m_forceCheckin = nullptr;
    QAction *m_checkin = nullptr;
    QAction *m_checkout = nullptr;
    QAction *m_priority = nullptr;
    QAction *m_stage = nullptr;
    QAction *m_reorder = nullptr;
    QAction *m_clear = nullptr;
    QAction *m_vectorizeEntry = nullptr;
    QAction *m_unvectorize = nullptr;
    QAction *m_rendering = nullptr;
    QAction *m_runScript = nullptr;
};
