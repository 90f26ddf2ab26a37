#include "DBA_SceneOps.h"

#include "DBA_Context.h"
#include "DBA_FileSpaceOps.h"
#include "DBA_JobOps.h"
#include "DBA_FolderOwnership.h"
#include "DBA_LockOps.h"
#include "DBA_NewSceneFolder.h"
#include "DBA_RowLock.h"
#include "DBA_SceneUse.h"
#include "UT_FaultPoint.h"
#include "oswRemapPath.h"
#include "tufile.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <iterator>
#include <optional>

namespace {

const char *const kDefaultStages[] = {
    QT_TRANSLATE_NOOP("TUDbAccess", "Layout"),      QT_TRANSLATE_NOOP("TUDbAccess", "Animation"),
    QT_TRANSLATE_NOOP("TUDbAccess", "Clean-up"),    QT_TRANSLATE_NOOP("TUDbAccess", "Ink & Paint"),
    QT_TRANSLATE_NOOP("TUDbAccess", "Compositing"), QT_TRANSLATE_NOOP("TUDbAccess", "Final"),
};

QStringList defaultStages()
{
    QStringList stages;
    for (const char *stage : kDefaultStages)
        stages << QLatin1String(stage);
    return stages;
}

QString translatedStage(const QString &name)
{
    return QCoreApplication::translate("TUDbAccess", name.toUtf8().constData());
}

QString localPath(const QString &stored)
{
    return QDir::cleanPath(oswRemapPath::RemapPath2(stored));
}

bool isInside(const QString &path, const QString &folder)
{
    return QDir::cleanPath(path).startsWith(QDir::cleanPath(folder) + QLatin1Char('/'));
}

// The open scene record's columns, in the order readScene() takes them.
const char kSceneSelect[] =
    "SELECT s.id, s.job_id, s.name, j.name, e.name, s.file_system, s.path, s.priority, s.frames, s.stage_index, "
    "s.approval_stage, s.assigned_to, s.td, s.atd, s.pencil_test, s.paper_size, s.scan_size, s.current_version, "
    "COALESCE(v.id, 0), s.created, s.checked_out, s.checkout_user, s.checkout_date "
    "FROM scenes s JOIN jobs j ON j.id = s.job_id JOIN environments e ON e.id = j.environment_id "
    "LEFT JOIN scene_versions v ON v.scene_id = s.id AND v.number = s.current_version ";

void readScene(const QSqlQuery &query, dba_scene_struct &scene)
{
    scene.id = query.value(0).toLongLong();
    scene.jobId = query.value(1).toLongLong();
    scene.name = query.value(2).toString();
    scene.jobName = query.value(3).toString();
    scene.environment = query.value(4).toString();
    scene.fileSystem = query.value(5).toString();
    scene.path = query.value(6).toString();
    scene.priority = query.value(7).toInt();
    scene.frames = query.value(8).toInt();
    scene.stageIndex = query.value(9).toInt();
    scene.approvalStage = query.value(10).toString();
    scene.assignedTo = query.value(11).toString();
    scene.td = query.value(12).toString();
    scene.atd = query.value(13).toString();
    scene.pencilTest = query.value(14).toInt();
    scene.paperSize = query.value(15).toInt();
    scene.scanSize = query.value(16).toDouble();
    scene.currentVersion = query.value(17).toInt();
    scene.versionId = query.value(18).toLongLong();
    scene.created = query.value(19).toLongLong();
    scene.checkedOut = query.value(20).toInt() != 0;
    scene.checkoutUser = query.value(21).toString();
    scene.checkoutDate = query.value(22).toLongLong();
}

// Fills scene from the rows matching condition; NotFound names the scene when none does.
bool loadScene(DBA_Context &ctx, const QString &condition, const QVariantList &values, const QString &name,
               const QString &job, dba_scene_struct &scene, const QString &what)
{
    DBA_Query query;
    if (!ctx.run(query, QLatin1String(kSceneSelect) + QStringLiteral("WHERE ") + condition, values, what))
        return false;
    if (!query.next())
        return ctx.fail(DBA_Context::NotFound, dbaTr("Scene %1 does not exist in job %2.").arg(name, job));
    readScene(query, scene);
    return true;
}

bool loadScene(DBA_Context &ctx, const QString &job, const QString &name, dba_scene_struct &scene, const QString &what)
{
    return loadScene(ctx, QStringLiteral("j.name = ? AND s.name = ?"), {job, name}, name, job, scene, what);
}

// What a change needs to know of a scene, read inside its transaction.
struct SceneRef
{
    qint64 id = 0;
    qint64 jobId = 0;
    QString path;
    bool ownsFolder = false;
};

// Locks the scene's row (DBA_RowLock) and reads it; with idle, a scene in
// use is refused (DBA_SceneUse).
bool lockScene(DBA_Context &ctx, const QString &job, const QString &name, bool idle, SceneRef &ref, const QString &what)
{
    ref.id = DBA_RowLock::lockScene(ctx, job, name, what);
    if (ref.id == 0 || (idle && !DBA_SceneUse::checkIdle(ctx, ref.id, what)))
        return false;
    DBA_Query query;
    if (!ctx.run(query, QStringLiteral("SELECT job_id, path, owns_folder FROM scenes WHERE id = ?"), {ref.id}, what)
        || !query.next())
        return false;
    ref.jobId = query.value(0).toLongLong();
    ref.path = query.value(1).toString();
    ref.ownsFolder = query.value(2).toInt() != 0;
    return true;
}

bool lockIdleScene(DBA_Context &ctx, const QString &job, const QString &name, SceneRef &ref, const QString &what)
{
    return lockScene(ctx, job, name, true, ref, what);
}

// ---- Scene order: scenes sort by sort_order, then name. ----

struct Place
{
    int order = 0;
    QString name;
};

// The first scene, in job order, of those matching condition after skipping
// offset of them; none when there is no such scene.
bool findPlace(DBA_Context &ctx, const QString &condition, QVariantList values, int offset,
               std::optional<Place> &place, const QString &what)
{
    place.reset();
    if (offset < 0)
        return true;
    values << offset;
    DBA_Query query;
    if (!ctx.run(query,
                 QStringLiteral("SELECT sort_order, name FROM scenes WHERE %1 ORDER BY sort_order, name LIMIT 1 OFFSET ?")
                     .arg(condition),
                 values, what))
        return false;
    if (query.next())
        place = Place{query.value(0).toInt(), query.value(1).toString()};
    return true;
}

bool sceneAtRow(DBA_Context &ctx, qint64 jobId, qint64 excludeId, int row, std::optional<Place> &place,
                const QString &what)
{
    return findPlace(ctx, QStringLiteral("job_id = ? AND id <> ?"), {jobId, excludeId}, row, place, what);
}

bool orderAtEnd(DBA_Context &ctx, qint64 jobId, qint64 excludeId, bool top, int &order, const QString &what)
{
    DBA_Query query;
    const QString sql = top ? QStringLiteral("SELECT COALESCE(MIN(sort_order) - 1, 0) FROM scenes WHERE job_id = ? AND id <> ?")
                            : QStringLiteral("SELECT COALESCE(MAX(sort_order) + 1, 0) FROM scenes WHERE job_id = ? AND id <> ?");
    if (!ctx.run(query, sql, {jobId, excludeId}, what) || !query.next())
        return false;
    order = query.value(0).toInt();
    return true;
}

// Makes room before anchor with one UPDATE, or takes the bottom without one.
// Shifting by two leaves the freed order distinct even where orders tie.
bool orderBefore(DBA_Context &ctx, qint64 jobId, qint64 excludeId, const std::optional<Place> &anchor, int &order,
                 const QString &what)
{
    if (!anchor)
        return orderAtEnd(ctx, jobId, excludeId, false, order, what);
    if (!ctx.run(QStringLiteral("UPDATE scenes SET sort_order = sort_order + 2 WHERE job_id = ? AND id <> ? "
                                "AND (sort_order > ? OR (sort_order = ? AND name >= ?))"),
                 {jobId, excludeId, anchor->order, anchor->order, anchor->name}, what))
        return false;
    order = anchor->order + 1;
    return true;
}

bool newSceneOrder(DBA_Context &ctx, qint64 jobId, const QString &name, int position, int referenceRow, int &order,
                   const QString &what)
{
    std::optional<Place> anchor;
    switch (position) {
    case DBA_SceneOps::AddAtTop:
        return orderAtEnd(ctx, jobId, 0, true, order, what);
    case DBA_SceneOps::AddBefore:
        return sceneAtRow(ctx, jobId, 0, referenceRow, anchor, what) && orderBefore(ctx, jobId, 0, anchor, order, what);
    case DBA_SceneOps::AddAfter:
        return sceneAtRow(ctx, jobId, 0, referenceRow < 0 ? -1 : referenceRow + 1, anchor, what)
            && orderBefore(ctx, jobId, 0, anchor, order, what);
    case DBA_SceneOps::AddSorted:
        return findPlace(ctx, QStringLiteral("job_id = ? AND name > ?"), {jobId, name}, 0, anchor, what)
            && orderBefore(ctx, jobId, 0, anchor, order, what);
    default:
        return orderAtEnd(ctx, jobId, 0, false, order, what);
    }
}

// The stored path of a new scene: the given one, else the standard one.
bool newScenePath(DBA_Context &ctx, const QString &job, const QString &name, const QString &fileSystem,
                  const QString &path, QString &stored, const QString &what)
{
    // The file system must exist where the scene's folder is made in it; with
    // a folder given, the file system is only recorded beside it.
    if (path.trimmed().isEmpty() && !fileSystem.trimmed().isEmpty()
        && !QFileInfo(localPath(oswRemapPath::UnmapPath(fileSystem.trimmed()))).isDir())
        return ctx.fail(DBA_Context::NotFound, dbaTr("%1: the file system %2 does not exist.").arg(what, fileSystem));
    if (!path.trimmed().isEmpty())
        stored = oswRemapPath::UnmapPath(path.trimmed());
    else if (!fileSystem.trimmed().isEmpty())
        stored = oswRemapPath::UnmapPath(DBA_FileSpaceOps::buildStandardScenePath(fileSystem.trimmed(), job, name));
    else
        return ctx.fail(DBA_Context::Failed, dbaTr("%1: neither a folder nor a file system was given.").arg(what));
    if (!QDir::isAbsolutePath(localPath(stored)))
        return ctx.fail(DBA_Context::Failed, dbaTr("%1: the folder %2 is not an absolute path.").arg(what, stored));
    return true;
}

// Whether a stored scene path has the standard form for the job and name,
// where an earlier scene of that name would have left its files.
bool isStandardPath(const QString &stored, const QString &job, const QString &name)
{
    return QDir::cleanPath(stored).endsWith(QLatin1Char('/') + job + QStringLiteral("/scene-") + name);
}

// A folder an unfinished rename moves from or to is that rename's: a new
// scene never adopts it, or an undo would carry its files away.
bool checkNotRenameFolder(DBA_Context &ctx, const QString &stored, const QString &what)
{
    DBA_Query query;
    if (!ctx.run(query,
                 // From the few renames to their scenes, whatever the statistics say.
                 QStringLiteral("SELECT (SELECT name FROM scenes WHERE id = r.scene_id) FROM renames r "
                                "WHERE r.old_path = ? OR r.new_path = ?"),
                 {stored, stored}, what))
        return false;
    if (!query.next())
        return true;
    return ctx.fail(DBA_Context::Refused, dbaTr("%1: the folder %2 belongs to the unfinished rename of scene %3.")
                                              .arg(what, stored, query.value(0).toString()));
}

// Moves a scene folder so that a failure or a kill at any step leaves the
// scene whole where its record says it is: the files are copied into a
// staging folder beside the target (merged over a copy of what the target
// already held), the staging folder is put in place by a rename, and the
// source goes only after commit(). Until then undo() restores everything,
// the target's former contents included. A kill leaves at most a staging or
// a set-aside folder, both named so that no scene folder can clash, and
// after this process ("tallyard-db check" leaves them alone while it lives).
class FolderMove
{
public:
    FolderMove(const QString &from, const QString &to)
        : m_from(from)
        , m_to(to)
        , m_staging(sibling(to, QStringLiteral(".tallyard-move-") + DBA_NewSceneFolder::processTag()))
        , m_replaced(sibling(to, QStringLiteral(".tallyard-replaced-") + DBA_NewSceneFolder::processTag()))
        , m_targetExisted(QFileInfo::exists(to))
    {
    }

    bool run(QString &error)
    {
        // Leftovers of an earlier move by a killed process of our id are ours to drop.
        if (!tufile::rmIfExists(m_staging, error) || !tufile::checkCreatePath(QFileInfo(m_to).path(), error))
            return false;
        const bool copied = (!m_targetExisted || tufile::cp(m_to, m_staging, error, true))
            && tufile::cp(m_from, m_staging, error, true);
        UT_FAULT_POINT("moveScene.copied");
        if (!copied) {
            tufile::rmIfExists(m_staging);
            return false;
        }
        if (m_targetExisted && !(tufile::rmIfExists(m_replaced, error) && rename(m_to, m_replaced, error))) {
            tufile::rmIfExists(m_staging);
            return false;
        }
        UT_FAULT_POINT("moveScene.replaced");
        if (!rename(m_staging, m_to, error)) {
            undo();
            return false;
        }
        m_placed = true;
        return true;
    }
    void undo() const
    {
        tufile::rmIfExists(m_placed ? m_to : m_staging);
        if (m_targetExisted)
            QDir().rename(m_replaced, m_to);
    }
    void commit() const
    {
        tufile::rmIfExists(m_from);
        if (m_targetExisted)
            tufile::rmIfExists(m_replaced);
    }

private:
    static QString sibling(const QString &path, const QString &prefix)
    {
        const QFileInfo info(path);
        return info.path() + QLatin1Char('/') + prefix + info.fileName();
    }
    static bool rename(const QString &from, const QString &to, QString &error)
    {
        if (QDir().rename(from, to))
            return true;
        error = dbaTr("cannot rename %1 to %2.").arg(from, to);
        return false;
    }

    QString m_from, m_to, m_staging, m_replaced;
    bool m_targetExisted;
    bool m_placed = false;
};

// The top-level entries of a scene folder that copying its xsheet takes.
QStringList copiedEntries(DBA_Context &ctx, qint64 sceneId, const QString &folder, bool copyAll, const QString &what,
                          bool &ok)
{
    ok = true;
    const QStringList all = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                   QDir::Name);
    if (copyAll)
        return all;
    QStringList wanted = DBA_FileSpaceOps::standardSceneFolders();
    // Rendered frames can be made again from the copy.
    wanted.removeAll(QStringLiteral("frames"));
    DBA_Query query;
    if (!ctx.run(query, QStringLiteral("SELECT DISTINCT root_folder FROM elements WHERE scene_id = ?"), {sceneId}, what)) {
        ok = false;
        return {};
    }
    while (query.next())
        wanted << query.value(0).toString();
    QStringList entries;
    for (const QString &entry : all) {
        if (wanted.contains(entry))
            entries << entry;
    }
    return entries;
}

// Files below folder (links count as files and are not followed).
QStringList filesBelow(const QString &folder)
{
    const QFileInfo top(folder);
    if (!top.isDir() || top.isSymLink())
        return {folder};
    QStringList files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (!it.fileInfo().isDir() || it.fileInfo().isSymLink())
            files << it.filePath();
    }
    files.sort();
    return files;
}

bool copyOneFile(DBA_Context &ctx, const QString &source, const QString &target)
{
    QString error;
    if (tufile::checkCreatePath(QFileInfo(target).path(), error) && tufile::cp(source, target, error, true))
        return true;
    return ctx.fail(DBA_Context::Failed, error);
}

// Replaces the target scene's database data with the source's, set by set.
bool copySceneRecords(DBA_Context &ctx, qint64 sourceId, qint64 targetId, const QString &what)
{
    const QVariantList target = {targetId};
    const QVariantList both = {targetId, sourceId};
    const QVariantList fromSource = {sourceId, targetId};
    const struct
    {
        const char *sql;
        const QVariantList &values;
    } steps[] = {
        {"DELETE FROM scene_versions WHERE scene_id = ?", target},
        {"DELETE FROM elements WHERE scene_id = ?", target},
        {"DELETE FROM scene_tables WHERE scene_id = ?", target},
        {"INSERT INTO scene_versions (scene_id, number, name, description, created, created_by, created_host) "
         "SELECT ?, number, name, description, created, created_by, created_host FROM scene_versions WHERE scene_id = ?",
         both},
        {"INSERT INTO elements (scene_id, name, folder, root_folder, pixmap_type, scan_type, vector_type, field_chart) "
         "SELECT ?, name, folder, root_folder, pixmap_type, scan_type, vector_type, field_chart FROM elements "
         "WHERE scene_id = ?",
         both},
        {"INSERT INTO cels (element_id, name, suffix, stage, state) "
         "SELECT te.id, c.name, c.suffix, c.stage, c.state FROM cels c JOIN elements se ON se.id = c.element_id "
         "JOIN elements te ON te.name = se.name AND te.scene_id = ? WHERE se.scene_id = ?",
         both},
        {"INSERT INTO scene_tables (scene_id, table_name, version, modified, fields, index_field) "
         "SELECT ?, table_name, version, modified, fields, index_field FROM scene_tables WHERE scene_id = ?",
         both},
        {"INSERT INTO scene_table_rows (scene_id, table_name, row_index, row_values) "
         "SELECT ?, table_name, row_index, row_values FROM scene_table_rows WHERE scene_id = ?",
         both},
    };
    for (const auto &step : steps) {
        if (!ctx.run(QLatin1String(step.sql), step.values, what))
            return false;
    }
    return ctx.changeOne(QStringLiteral("UPDATE scenes SET (current_version, frames) = "
                                        "(SELECT current_version, frames FROM scenes WHERE id = ?) WHERE id = ?"),
                         fromSource, what);
}

} // namespace

void DBA_SceneOps::refreshJob(dba_job_struct &job)
{
    // The change is made whatever the refresh gives; a failed one keeps its text.
    if (job.isOpen())
        DBA_JobOps(m_ctx).dba_RefreshJob(job);
}

bool DBA_SceneOps::dba_CreateScene(dba_job_struct &job, const QString &name, const QString &user,
                                   const QString &fileSystem, const QString &path, int position, int referenceRow,
                                   int flag)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot create scene %1").arg(name);
    if (!m_ctx.checkName(name, dbaTr("scene")))
        return false;
    if (position == AddDefault)
        position = dba_scene_create_sort_pos();
    if (position < AddAtBottom || position > AddSorted)
        return m_ctx.fail(DBA_Context::Failed, dbaTr("%1: %2 is not an insert position.").arg(what).arg(position));
    QString stored;
    if (!newScenePath(m_ctx, job.name, name, fileSystem, path, stored, what))
        return false;
    const qint64 jobId = m_ctx.idOf("jobs", job.name, dbaTr("Job"));
    if (jobId == 0)
        return false;

    // The folders are made first, aside, so the transaction only puts them in place.
    DBA_NewSceneFolder folder(localPath(stored), flag != 0);
    QString error;
    if (!folder.prepare(error))
        return m_ctx.fail(DBA_Context::Failed, dbaTr("%1: %2").arg(what, error));
    UT_FAULT_POINT("create-scene-staged");

    // What does not depend on the job's other scenes is checked before the
    // transaction, so the job's row is held only to place and record the
    // scene: the unique name settles a race between two creates of one name.
    DBA_FolderOwnership folders(m_ctx);
    const bool standardPath = isStandardPath(stored, job.name, name);
    const auto failExists = [&] {
        return m_ctx.fail(DBA_Context::AlreadyExists, dbaTr("Scene %1 already exists in job %2.").arg(name, job.name));
    };
    // The job deleted since its id was read: the same words on both backends,
    // whether the job's lock (SQLite) or the insert (PostgreSQL) finds it gone.
    const auto failNoJob = [&] {
        return m_ctx.fail(DBA_Context::NotFound, dbaTr("Job %1 does not exist.").arg(job.name));
    };
    bool owned = false;
    if (!checkNotRenameFolder(m_ctx, stored, what))
        return false;
    if (isSceneExists(job, name))
        return failExists();
    // A create of the name that committed since refuses the folder: the name is what was lost.
    if (!folders.checkNewSceneFolder(stored, standardPath, owned, what))
        return m_ctx.lastErrorCode() == DBA_Context::Refused && isSceneExists(job, name) ? failExists() : false;
    UT_FAULT_POINT("create-scene-checked");

    // The job is locked next (DBA_RowLock::lockJob): a create among the
    // scenes alone, one at the bottom beside other such creates. A folder
    // given by path is checked again under it, as another scene of the job
    // may have taken it meanwhile.
    const bool atBottom = position == AddAtBottom;
    DBA_Transaction transaction(m_ctx.connection);
    if (!m_ctx.begin(transaction, what))
        return false;
    if (!DBA_RowLock::lockJob(m_ctx, jobId, atBottom ? DBA_RowLock::Append : DBA_RowLock::Reorder, what))
        return m_ctx.lastErrorCode() == DBA_Context::NotFound ? failNoJob() : false;
    UT_FAULT_POINT("create-scene-job-locked");
    if (!standardPath && !folders.checkNewSceneFolder(stored, standardPath, owned, what))
        return false;
    // At the bottom, the order is found by the insert itself.
    int order = 0;
    if (!atBottom && !newSceneOrder(m_ctx, jobId, name, position, referenceRow, order, what))
        return false;
    UT_FAULT_POINT("create-scene-placed");
    // A new scene takes its TD and ATD from the job.
    DBA_Query query;
    if (!m_ctx.run(query,
                   QStringLiteral("INSERT INTO scenes (job_id, name, sort_order, file_system, path, td, atd, created, created_by, "
                                  "owns_folder) SELECT id, ?, %1, ?, ?, td, atd, ?, ?, ? FROM jobs WHERE id = ? RETURNING id")
                       .arg(atBottom ? QStringLiteral("(SELECT COALESCE(MAX(sort_order) + 1, 0) FROM scenes WHERE job_id = ?)")
                                     : QStringLiteral("?")),
                   {name, atBottom ? QVariant(jobId) : QVariant(order),
                    fileSystem.isEmpty() ? QString() : oswRemapPath::UnmapPath(fileSystem.trimmed()), stored,
                    DBA_Context::now(), user.isEmpty() ? m_ctx.user.name : user, int(owned), jobId},
                   what))
        return m_ctx.lastErrorCode() == DBA_Context::AlreadyExists ? failExists() : false;
    if (!query.next())
        return failNoJob();
    query.finish();
    UT_FAULT_POINT("create-scene-recorded");

    // The folder goes in place before the commit: a kill in between leaves
    // a folder without files and without a record, which "tallyard-db
    // check" finds and a later create of the name may take.
    if (!folder.place(error))
        return m_ctx.fail(DBA_Context::Failed, dbaTr("%1: %2").arg(what, error));
    UT_FAULT_POINT("create-scene-folders");
    if (!m_ctx.commit(transaction, what))
        return false;
    UT_FAULT_POINT("create-scene-committed");
    folder.commit();
    refreshJob(job);
    return true;
}

bool DBA_SceneOps::isSceneExists(const dba_job_struct &job, const QString &name)
{
    DBA_Query query;
    return m_ctx.run(query,
                     QStringLiteral("SELECT 1 FROM scenes s JOIN jobs j ON j.id = s.job_id WHERE j.name = ? AND s.name = ?"),
                     {job.name, name}, dbaTr("Cannot look up scene %1").arg(name))
        && query.next();
}

QStringList DBA_SceneOps::buildScenesList(const dba_job_struct &job)
{
    QVector<SceneInfo> scenes;
    dba_GetScenes(job, 0, scenes);
    QStringList names;
    for (const SceneInfo &scene : scenes)
        names << scene.first;
    return names;
}

int DBA_SceneOps::dba_GetScenes(const dba_job_struct &job, int, QVector<SceneInfo> &scenes)
{
    scenes.clear();
    DBA_Query query;
    if (!m_ctx.run(query,
                   QStringLiteral("SELECT s.name, s.file_system FROM scenes s JOIN jobs j ON j.id = s.job_id "
                                  "WHERE j.name = ? ORDER BY s.sort_order, s.name"),
                   {job.name}, dbaTr("Cannot list the scenes of job %1").arg(job.name)))
        return -1;
    while (query.next())
        scenes.append({query.value(0).toString(), query.value(1).toString()});
    return int(scenes.size());
}

int DBA_SceneOps::dba_OpenScene(const QString &name, const dba_job_struct &job, dba_scene_struct &scene)
{
    m_ctx.clearError();
    dba_scene_struct opened;
    if (!loadScene(m_ctx, job.name, name, opened, dbaTr("Cannot open scene %1").arg(name))
        || !stagesOfJob(opened.jobId, m_openedJobStages))
        return -1;
    scene = opened;
    return 0;
}

void DBA_SceneOps::dba_CloseScene(dba_scene_struct &scene)
{
    if (scene.lockId != 0)
        DBA_LockOps(m_ctx).dba_ReleaseSceneLock(scene);
    scene = dba_scene_struct();
}

bool DBA_SceneOps::dba_RefreshSceneStruct(dba_scene_struct &scene)
{
    dba_scene_struct fresh;
    if (!loadScene(m_ctx, QStringLiteral("s.id = ?"), {scene.id}, scene.name, scene.jobName, fresh,
                   dbaTr("Cannot read scene %1").arg(scene.name)))
        return false;
    fresh.lockId = scene.lockId;
    scene = fresh;
    return true;
}

bool DBA_SceneOps::dba_isStageScene(const dba_scene_struct &scene) const
{
    DBA_Query query;
    if (m_ctx.run(query, QStringLiteral("SELECT COUNT(*) FROM scene_versions WHERE scene_id = ?"), {scene.id},
                  dbaTr("Cannot read the versions of scene %1").arg(scene.name))
        && query.next() && query.value(0).toInt() > 0)
        return true;
    if (scene.path.isEmpty())
        return false;
    static const QRegularExpression versionFile(QStringLiteral("^v\\d+\\.pavx$"));
    const QStringList files = QDir(localPath(scene.path) + QStringLiteral("/stage")).entryList(QDir::Files);
    for (const QString &file : files) {
        if (versionFile.match(file).hasMatch())
            return true;
    }
    return false;
}

bool DBA_SceneOps::dba_deleteScene(dba_job_struct &job, const QString &name)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot delete scene %1").arg(name);
    DBA_Transaction transaction(m_ctx.connection);
    DBA_FolderOwnership folders(m_ctx);
    SceneRef ref;
    DBA_Query query;
    if (!m_ctx.begin(transaction, what) || !lockIdleScene(m_ctx, job.name, name, ref, what))
        return false;
    UT_FAULT_POINT("delete-scene-locked");
    if (!folders.judgeSceneFolder(ref.path, ref.ownsFolder, ref.id, 0, what))
        return false;
    UT_FAULT_POINT("delete-scene-checked");
    if (!m_ctx.run(query, QStringLiteral("DELETE FROM scenes WHERE id = ?"), {ref.id}, what))
        return false;
    if (query.numRowsAffected() != 1)
        return m_ctx.fail(DBA_Context::NotFound, dbaTr("%1: it was deleted meanwhile.").arg(what));
    query.finish();
    if (!m_ctx.commit(transaction, what))
        return false;
    // Folders go only once the records are gone for good: a kill from here
    // on leaves a folder without a record, which "tallyard-db check" finds.
    UT_FAULT_POINT("delete-scene-committed");
    refreshJob(job);
    return folders.removeFolders(what);
}

int DBA_SceneOps::dba_clearScene(dba_job_struct &job, const QString &name)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot clear scene %1").arg(name);
    DBA_Transaction transaction(m_ctx.connection);
    SceneRef ref;
    const bool cleared = m_ctx.begin(transaction, what) && lockIdleScene(m_ctx, job.name, name, ref, what)
        && m_ctx.run(QStringLiteral("DELETE FROM elements WHERE scene_id = ?"), {ref.id}, what)
        && m_ctx.run(QStringLiteral("DELETE FROM scene_tables WHERE scene_id = ?"), {ref.id}, what)
        && m_ctx.commit(transaction, what);
    return cleared ? 1 : 0;
}

bool DBA_SceneOps::dba_moveScene(dba_job_struct &job, const QString &name, const QString &destination)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot move scene %1").arg(name);
    SceneRef ref;
    if (!lockIdleScene(m_ctx, job.name, name, ref, what))
        return false;
    const QString fileSystem = oswRemapPath::UnmapPath(destination.trimmed());
    const QString stored = oswRemapPath::UnmapPath(DBA_FileSpaceOps::buildStandardScenePath(fileSystem, job.name, name));
    const QString from = localPath(ref.path);
    const QString to = localPath(stored);
    if (destination.trimmed().isEmpty() || !QDir::isAbsolutePath(to))
        return m_ctx.fail(DBA_Context::Failed, dbaTr("%1: %2 is not a folder.").arg(what, destination));
    if (from == to || isInside(to, from) || isInside(from, to))
        return m_ctx.fail(DBA_Context::Refused, dbaTr("%1: it is already in %2.").arg(what, destination));
    if (!QFileInfo(from).isDir())
        return m_ctx.fail(DBA_Context::NotFound, dbaTr("%1: its folder %2 is missing.").arg(what, from));
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("SELECT COUNT(*) FROM scenes WHERE path = ? AND id <> ?"), {stored, ref.id}, what)
        || !query.next())
        return false;
    if (query.value(0).toInt() != 0)
        return m_ctx.fail(DBA_Context::Refused, dbaTr("%1: another scene uses the folder %2.").arg(what, to));
    query.finish();

    // Files first and outside the transaction, so a long copy never holds
    // the database; the source goes only once the new path is committed.
    FolderMove move(from, to);
    QString error;
    if (!move.run(error))
        return m_ctx.fail(DBA_Context::Failed, dbaTr("%1: %2").arg(what, error));
    DBA_Transaction transaction(m_ctx.connection);
    SceneRef now;
    DBA_Query update;
    const bool recorded = m_ctx.begin(transaction, what) && lockIdleScene(m_ctx, job.name, name, now, what)
        && (now.path == ref.path
            || m_ctx.fail(DBA_Context::Failed, dbaTr("%1: it was moved by someone else meanwhile.").arg(what)))
        && m_ctx.run(update, QStringLiteral("UPDATE scenes SET file_system = ?, path = ? WHERE id = ?"),
                     {fileSystem, stored, ref.id}, what)
        && (update.numRowsAffected() == 1 || m_ctx.fail(DBA_Context::NotFound, dbaTr("%1: it was deleted meanwhile.").arg(what)))
        && m_ctx.commit(transaction, what);
    if (!recorded) {
        move.undo();
        return false;
    }
    UT_FAULT_POINT("moveScene.recorded");
    move.commit();
    refreshJob(job);
    return true;
}

bool DBA_SceneOps::dba_reorderScenes(const QString &name, int position, dba_job_struct &job)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot reorder scene %1").arg(name);
    if (position < 0)
        return m_ctx.fail(DBA_Context::Failed, dbaTr("%1: %2 is not a position.").arg(what).arg(position));
    DBA_Transaction transaction(m_ctx.connection);
    SceneRef ref;
    DBA_Query query;
    const qint64 jobId = m_ctx.idOf("jobs", job.name, dbaTr("Job"));
    if (jobId == 0 || !m_ctx.begin(transaction, what) || !DBA_RowLock::lockJob(m_ctx, jobId, DBA_RowLock::Reorder, what)
        || !lockScene(m_ctx, job.name, name, false, ref, what)
        || !m_ctx.run(query,
                      QStringLiteral("SELECT COUNT(*) FROM scenes o JOIN scenes s ON s.id = ? WHERE o.job_id = s.job_id "
                                     "AND (o.sort_order < s.sort_order OR (o.sort_order = s.sort_order AND o.name < s.name))"),
                      {ref.id}, what)
        || !query.next())
        return false;
    // Callers place every scene in turn; one already in place changes nothing.
    if (query.value(0).toInt() == position)
        return true;
    query.finish();
    std::optional<Place> anchor;
    int order = 0;
    if (!sceneAtRow(m_ctx, ref.jobId, ref.id, position, anchor, what)
        || !orderBefore(m_ctx, ref.jobId, ref.id, anchor, order, what)
        || !m_ctx.changeOne(QStringLiteral("UPDATE scenes SET sort_order = ? WHERE id = ?"), {order, ref.id}, what)
        || !m_ctx.commit(transaction, what))
        return false;
    refreshJob(job);
    return true;
}

namespace {
bool updateScene(DBA_Context &ctx, const QString &assignments, QVariantList values, const QString &job,
                 const QString &name, const QString &what)
{
    values << name << job;
    DBA_Query query;
    if (!ctx.run(query,
                 QStringLiteral("UPDATE scenes SET %1 WHERE name = ? AND job_id = (SELECT id FROM jobs WHERE name = ?)")
                     .arg(assignments),
                 values, what))
        return false;
    if (query.numRowsAffected() != 1)
        return ctx.fail(DBA_Context::NotFound, dbaTr("%1: scene %2 does not exist in job %3.").arg(what, name, job));
    return true;
}
} // namespace

bool DBA_SceneOps::dba_setSceneOrder(dba_job_struct &job, const QStringList &names)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot reorder the scenes of job %1").arg(job.name);
    DBA_Transaction transaction(m_ctx.connection);
    DBA_Query query;
    const qint64 jobId = m_ctx.idOf("jobs", job.name, dbaTr("Job"));
    if (jobId == 0 || !m_ctx.begin(transaction, what) || !DBA_RowLock::lockJob(m_ctx, jobId, DBA_RowLock::Reorder, what))
        return false;
    if (!m_ctx.run(query,
                   QStringLiteral("SELECT s.name FROM scenes s JOIN jobs j ON j.id = s.job_id WHERE j.name = ? "
                                  "ORDER BY s.sort_order, s.name"),
                   {job.name}, what))
        return false;
    QStringList current;
    while (query.next())
        current << query.value(0).toString();
    query.finish();
    QStringList order;
    for (const QString &name : names) {
        if (!current.contains(name))
            return m_ctx.fail(DBA_Context::NotFound,
                              dbaTr("%1: scene %2 does not exist in job %3.").arg(what, name, job.name));
        if (order.contains(name))
            return m_ctx.fail(DBA_Context::Failed, dbaTr("%1: scene %2 is listed twice.").arg(what, name));
        order << name;
    }
    for (const QString &name : qAsConst(current)) {
        if (!order.contains(name))
            order << name;
    }
    for (int position = 0; position < order.size(); ++position) {
        if (!updateScene(m_ctx, QStringLiteral("sort_order = ?"), {position}, job.name, order.at(position), what))
            return false;
    }
    if (!m_ctx.commit(transaction, what))
        return false;
    refreshJob(job);
    return true;
}

bool DBA_SceneOps::dba_GetSceneTitles(const QVector<qint64> &ids, QHash<qint64, QString> &titles)
{
    m_ctx.clearError();
    titles.clear();
    if (ids.isEmpty())
        return true;
    QStringList marks;
    QVariantList values;
    for (qint64 id : ids) {
        marks << QStringLiteral("?");
        values << id;
    }
    DBA_Query query;
    if (!m_ctx.run(query,
                   QStringLiteral("SELECT s.id, j.name, s.name FROM scenes s JOIN jobs j ON j.id = s.job_id "
                                  "WHERE s.id IN (%1)")
                       .arg(marks.join(QLatin1Char(','))),
                   values, dbaTr("Cannot read the scenes")))
        return false;
    while (query.next())
        titles.insert(query.value(0).toLongLong(), query.value(1).toString() + QLatin1Char('/') + query.value(2).toString());
    return true;
}


int DBA_SceneOps::dba_getPriorityScene(const QString &jobName, const QString &sceneName)
{
    dba_scene_struct scene;
    if (!loadScene(m_ctx, jobName, sceneName, scene, dbaTr("Cannot read scene %1").arg(sceneName)))
        return -1;
    return scene.priority;
}

bool DBA_SceneOps::dba_changePriorityScene(dba_job_struct &job, const QString &name, int priority)
{
    m_ctx.clearError();
    if (priority < 0 || priority > 10)
        return m_ctx.fail(DBA_Context::Failed, dbaTr("The priority of scene %1 must be between 0 and 10.").arg(name));
    if (!updateScene(m_ctx, QStringLiteral("priority = ?"), {priority}, job.name, name,
                     dbaTr("Cannot change the priority of scene %1").arg(name)))
        return false;
    refreshJob(job);
    return true;
}

bool DBA_SceneOps::stagesOfJob(qint64 jobId, QStringList &stages)
{
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("SELECT name FROM scene_stages WHERE job_id = ? ORDER BY stage_index"), {jobId},
                   dbaTr("Cannot read the scene stages")))
        return false;
    stages.clear();
    while (query.next())
        stages << query.value(0).toString();
    if (stages.isEmpty())
        stages = defaultStages();
    return true;
}

QStringList DBA_SceneOps::dba_GetSceneStages(const dba_job_struct &job)
{
    QStringList stages;
    const qint64 jobId = m_ctx.idOf("jobs", job.name, dbaTr("Job"));
    if (jobId == 0 || !stagesOfJob(jobId, stages))
        return {};
    return stages;
}

bool DBA_SceneOps::dba_SetSceneStages(const dba_job_struct &job, const QStringList &stages)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot change the scene stages of job %1").arg(job.name);
    for (int i = 0; i < stages.size(); ++i) {
        if (stages[i].trimmed().isEmpty() || stages.indexOf(stages[i]) != i)
            return m_ctx.fail(DBA_Context::BadName, dbaTr("%1: stage names must be distinct and not empty.").arg(what));
    }
    const qint64 jobId = m_ctx.idOf("jobs", job.name, dbaTr("Job"));
    DBA_Transaction transaction(m_ctx.connection);
    if (jobId == 0 || !m_ctx.begin(transaction, what)
        || !m_ctx.run(QStringLiteral("DELETE FROM scene_stages WHERE job_id = ?"), {jobId}, what))
        return false;
    for (int i = 0; i < stages.size(); ++i) {
        if (!m_ctx.run(QStringLiteral("INSERT INTO scene_stages (job_id, stage_index, name) VALUES (?, ?, ?)"),
                       {jobId, i, stages[i]}, what))
            return false;
    }
    return m_ctx.commit(transaction, what);
}

bool DBA_SceneOps::dba_changeSceneStage(dba_job_struct &job, const QString &name, const QString &stageName)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot change the stage of scene %1").arg(name);
    const QStringList stages = dba_GetSceneStages(job);
    if (stages.isEmpty())
        return false;
    int index = stages.indexOf(stageName);
    for (int i = 0; index < 0 && i < stages.size(); ++i) {
        if (translatedStage(stages[i]) == stageName)
            index = i;
    }
    if (index < 0)
        return m_ctx.fail(DBA_Context::NotFound, dbaTr("%1: %2 is not a scene stage of job %3.").arg(what, stageName, job.name));
    if (!updateScene(m_ctx, QStringLiteral("stage_index = ?"), {index}, job.name, name, what))
        return false;
    refreshJob(job);
    return true;
}

int DBA_SceneOps::dba_num_scene_stages() const
{
    return m_openedJobStages.isEmpty() ? int(std::size(kDefaultStages)) : int(m_openedJobStages.size());
}

QString DBA_SceneOps::dba_get_translated_scene_stage(int index) const
{
    const QStringList stages = m_openedJobStages.isEmpty() ? defaultStages() : m_openedJobStages;
    return index >= 0 && index < stages.size() ? translatedStage(stages[index]) : QString();
}

bool DBA_SceneOps::dba_updateSceneCurrentVersion(dba_scene_struct &scene, int version)
{
    m_ctx.clearError();
    if (version < 0)
        return m_ctx.fail(DBA_Context::Failed, dbaTr("%1 is not a version number.").arg(version));
    return updateScene(m_ctx, QStringLiteral("current_version = ?"), {version}, scene.jobName, scene.name,
                       dbaTr("Cannot change the current version of scene %1").arg(scene.name))
        && dba_RefreshSceneStruct(scene);
}

bool DBA_SceneOps::dba_setSceneFrames(dba_scene_struct &scene, int frames)
{
    m_ctx.clearError();
    if (frames < 0)
        return m_ctx.fail(DBA_Context::Failed, dbaTr("%1 is not a frame count.").arg(frames));
    if (!updateScene(m_ctx, QStringLiteral("frames = ?"), {frames}, scene.jobName, scene.name,
                     dbaTr("Cannot change the frames of scene %1").arg(scene.name)))
        return false;
    scene.frames = frames;
    return true;
}

bool DBA_SceneOps::dba_setSceneDetails(dba_scene_struct &scene, const dba_scene_details &values)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot change the details of scene %1").arg(scene.name);
    dba_job_struct job;
    job.name = scene.jobName;
    if (values.priority < 0 || values.priority > 10 || values.frames < 0 || values.pencilTest < 0 || values.paperSize < 0
        || !(values.scanSize >= 0) || std::isinf(values.scanSize) || values.stageIndex < 0 || values.stageIndex >= dba_GetSceneStages(job).size())
        return m_ctx.fail(DBA_Context::Failed, dbaTr("%1: a value is out of range.").arg(what));
    if (!updateScene(m_ctx,
                     QStringLiteral("priority = ?, frames = ?, stage_index = ?, approval_stage = ?, assigned_to = ?, "
                                    "td = ?, atd = ?, pencil_test = ?, paper_size = ?, scan_size = ?"),
                     {values.priority, values.frames, values.stageIndex, values.approvalStage, values.assignedTo,
                      values.td, values.atd, values.pencilTest, values.paperSize, values.scanSize},
                     scene.jobName, scene.name, what))
        return false;
    static_cast<dba_scene_details &>(scene) = values;
    return true;
}

bool DBA_SceneOps::dba_collectCopyXsheetInfo(const dba_job_struct &targetJob, const QString &targetScene,
                                             const dba_job_struct &sourceJob, const QString &sourceScene,
                                             QStringList &files, bool copyAll)
{
    files.clear();
    const QString what = dbaTr("Cannot list the files of scene %1").arg(sourceScene);
    dba_scene_struct source, target;
    if (!loadScene(m_ctx, sourceJob.name, sourceScene, source, what)
        || !loadScene(m_ctx, targetJob.name, targetScene, target, what))
        return false;
    const QString from = localPath(source.path);
    const QString to = localPath(target.path);
    if (from == to)
        return m_ctx.fail(DBA_Context::Refused, dbaTr("%1: it shares its folder with scene %2.").arg(what, targetScene));
    bool ok = false;
    const QStringList entries = copiedEntries(m_ctx, source.id, from, copyAll, what, ok);
    for (const QString &entry : entries) {
        for (const QString &file : filesBelow(from + QLatin1Char('/') + entry))
            files << file << to + file.mid(from.size());
    }
    return ok;
}

bool DBA_SceneOps::dba_copyFile(const QString &source, const QString &target, const dba_job_struct &targetJob,
                                const QString &targetScene, const dba_job_struct &, const QString &)
{
    const QString what = dbaTr("Cannot copy %1 to %2").arg(source, target);
    dba_scene_struct scene;
    if (!loadScene(m_ctx, targetJob.name, targetScene, scene, what))
        return false;
    const QString local = localPath(target);
    if (!isInside(local, localPath(scene.path)))
        return m_ctx.fail(DBA_Context::Refused, dbaTr("%1: the target is outside scene %2.").arg(what, targetScene));
    return copyOneFile(m_ctx, localPath(source), local);
}

bool DBA_SceneOps::dba_copyXsheet(const dba_job_struct &sourceJob, const QString &sourceScene,
                                  const dba_job_struct &targetJob, const QString &targetScene, bool allData)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot copy scene %1 onto scene %2").arg(sourceScene, targetScene);
    SceneRef source, target;
    if (!lockScene(m_ctx, sourceJob.name, sourceScene, false, source, what)
        || !lockIdleScene(m_ctx, targetJob.name, targetScene, target, what))
        return false;
    if (source.id == target.id)
        return m_ctx.fail(DBA_Context::Refused, dbaTr("%1: a scene cannot be copied onto itself.").arg(what));
    // Files first: when one fails, the target's records are still its own.
    QStringList files;
    if (!dba_collectCopyXsheetInfo(targetJob, targetScene, sourceJob, sourceScene, files, allData))
        return false;
    for (int i = 0; i + 1 < files.size(); i += 2) {
        if (!copyOneFile(m_ctx, files[i], files[i + 1]))
            return false;
    }
    return dba_copyXsheetData(sourceJob, sourceScene, targetJob, targetScene);
}

bool DBA_SceneOps::dba_copyXsheetData(const dba_job_struct &sourceJob, const QString &sourceScene,
                                      const dba_job_struct &targetJob, const QString &targetScene)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot copy scene %1 onto scene %2").arg(sourceScene, targetScene);
    SceneRef source, target;
    DBA_Transaction transaction(m_ctx.connection);
    if (!m_ctx.begin(transaction, what) || !lockScene(m_ctx, sourceJob.name, sourceScene, false, source, what)
        || !lockIdleScene(m_ctx, targetJob.name, targetScene, target, what))
        return false;
    if (source.id == target.id)
        return m_ctx.fail(DBA_Context::Refused, dbaTr("%1: a scene cannot be copied onto itself.").arg(what));
    return copySceneRecords(m_ctx, source.id, target.id, what) && m_ctx.commit(transaction, what);
}

int DBA_SceneOps::sceneHasXsheet(const dba_scene_struct &scene)
{
    DBA_Query query;
    if (!m_ctx.run(query,
                   QStringLiteral("SELECT (SELECT COUNT(*) FROM scene_versions v WHERE v.scene_id = s.id) FROM scenes s "
                                  "WHERE s.id = ?"),
                   {scene.id}, dbaTr("Cannot read scene %1").arg(scene.name)))
        return 0;
    if (!query.next()) {
        m_ctx.fail(DBA_Context::NotFound, dbaTr("Scene %1 does not exist.").arg(scene.name));
        return 0;
    }
    return query.value(0).toInt() > 0 ? 2 : 1;
}
