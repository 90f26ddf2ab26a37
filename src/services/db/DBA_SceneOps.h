#pragma once

#include "DBA_Records.h"

#include <QHash>
#include <QStringList>

class DBA_Context;

// Scenes of a job: create, open, delete, clear, move, copy, order, priority
// and stage. Creating a scene makes its folder; deleting removes it.
class DBA_SceneOps
{
public:
    enum dba_scene_add_pos { AddDefault = 0, AddAtBottom = 1, AddAtTop = 2, AddBefore = 3, AddAfter = 4, AddSorted = 5 };

    explicit DBA_SceneOps(DBA_Context &context) : m_ctx(context) {}

    // The position used when a caller passes 0.
    static int dba_scene_create_sort_pos() { return AddAtBottom; }

    // Creates the scene record and, when flag is non-zero, its folder tree at
    // path (a stored or local path; empty: the standard path in fileSystem),
    // placed by position relative to referenceRow (a row of the job's scene
    // table, for AddBefore/AddAfter; a row outside the table means the
    // bottom). Nothing is left behind on failure; code 10 when the scene
    // exists. The open job's scene table is refreshed.
    bool dba_CreateScene(dba_job_struct &job, const QString &name, const QString &user,
                         const QString &fileSystem, const QString &path, int position,
                         int referenceRow, int flag);
    bool isSceneExists(const dba_job_struct &job, const QString &name);
    // Scene names in job order.
    QStringList buildScenesList(const dba_job_struct &job);
    int dba_GetScenes(const dba_job_struct &job, int flags, QVector<SceneInfo> &scenes);

    // -1 on failure.
    int dba_OpenScene(const QString &name, const dba_job_struct &job, dba_scene_struct &scene);
    // Releases a scene lock the record still holds.
    void dba_CloseScene(dba_scene_struct &scene);
    bool dba_RefreshSceneStruct(dba_scene_struct &scene);
    // Scenes saved by the scene editor (with a stage folder of versions).
    bool dba_isStageScene(const dba_scene_struct &scene) const;

    // Removes the scene's records and folder; works on a scene whose folder
    // is gone. Refused while the scene is locked or checked out. A folder
    // that another scene or a file system also uses is kept.
    bool dba_deleteScene(dba_job_struct &job, const QString &name);
    // Empties the scene's database data (elements, drawings, scene tables)
    // but keeps its files and versions; non-zero on success. Refused while
    // the scene is locked or checked out.
    int dba_clearScene(dba_job_struct &job, const QString &name);
    // Moves the scene folder to "<destination>/<job>/scene-<name>" (destination
    // is a file system) and records it; refused while the scene is locked or
    // checked out. An existing target folder is merged into.
    bool dba_moveScene(dba_job_struct &job, const QString &name, const QString &destination);
    // Places the scene at position (0-based) in the job's order.
    bool dba_reorderScenes(const QString &name, int position, dba_job_struct &job);
    // Puts the job's scenes in the order of names, in one transaction: all or
    // nothing. Scenes the list lacks (made meanwhile) follow, in their order.
    bool dba_setSceneOrder(dba_job_struct &job, const QStringList &names);
    // "job/scene" for each scene id found; ids of deleted scenes are left out.
    bool dba_GetSceneTitles(const QVector<qint64> &ids, QHash<qint64, QString> &titles);

    int dba_getPriorityScene(const QString &jobName, const QString &sceneName);
    bool dba_changePriorityScene(dba_job_struct &job, const QString &name, int priority);
    bool dba_changeSceneStage(dba_job_struct &job, const QString &name, const QString &stageName);
    // The stages of the job of the scene last opened by this access (the
    // default list before any scene was opened).
    int dba_num_scene_stages() const;
    QString dba_get_translated_scene_stage(int index) const;
    // A job's own stage names (untranslated), or the default list when it has none.
    QStringList dba_GetSceneStages(const dba_job_struct &job);
    // Replaces a job's stage names; an empty list goes back to the defaults.
    bool dba_SetSceneStages(const dba_job_struct &job, const QStringList &stages);
    bool dba_updateSceneCurrentVersion(dba_scene_struct &scene, int version);
    bool dba_setSceneFrames(dba_scene_struct &scene, int frames);
    // Sets what describes a scene's work (priority, frames, stage index,
    // approval stage, assignee, TD, ATD, pencil test, paper size, scan size)
    // from values, in one statement; its name, place, versions and locks
    // stay. A priority outside 0-10, a negative count or a stage the job
    // does not have is refused and changes nothing.
    bool dba_setSceneDetails(dba_scene_struct &scene, const dba_scene_details &values);

    // Copying: the pairs of local files (source, target, alternating) that
    // copying one scene's folder onto another takes, and one file copy.
    // Without copyAll, rendered frames and files outside the scene's data
    // folders stay behind. The target must lie in the target scene's folder.
    bool dba_collectCopyXsheetInfo(const dba_job_struct &targetJob, const QString &targetScene,
                                   const dba_job_struct &sourceJob, const QString &sourceScene,
                                   QStringList &files, bool copyAll);
    bool dba_copyFile(const QString &source, const QString &target, const dba_job_struct &targetJob,
                      const QString &targetScene, const dba_job_struct &sourceJob, const QString &sourceScene);
    // Copies a scene's database data (versions, elements, drawings, scene
    // tables) and files onto another existing scene, replacing its own data;
    // refused while the target is locked or checked out.
    bool dba_copyXsheet(const dba_job_struct &sourceJob, const QString &sourceScene,
                        const dba_job_struct &targetJob, const QString &targetScene, bool allData);
    // Only the database data of dba_copyXsheet, in one transaction: the last
    // step of a copy whose files were copied one by one.
    bool dba_copyXsheetData(const dba_job_struct &sourceJob, const QString &sourceScene,
                            const dba_job_struct &targetJob, const QString &targetScene);
    // 0 no such scene, 1 no xsheet yet, 2 has an xsheet (versions).
    int sceneHasXsheet(const dba_scene_struct &scene);

private:
    void refreshJob(dba_job_struct &job);
    bool stagesOfJob(qint64 jobId, QStringList &stages);

    DBA_Context &m_ctx;
    QStringList m_openedJobStages; // of the job of the scene last opened
};
