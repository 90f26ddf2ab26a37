#include "DBA_RenameMgr.h"

#include "DBA_SceneUse.h"
#include "DBA_SessionOps.h"
#include "MSG_Text.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TUSceneNameValidator.h"
#include "UT_FaultPoint.h"
#include "oswRemapPath.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <functional>

namespace {
QHash<TUDbAccess *, DBA_RenameMgr *> &managers()
{
    static QHash<TUDbAccess *, DBA_RenameMgr *> instances;
    return instances;
}

// How far a journaled rename stands: each value says the steps before it
// are done. An undo walks the same steps back. A rename finishes by renaming
// the record and closing the journal in one transaction, so RecordRenamed is
// found only in journals written by older versions.
enum Step { Journaled = 0, FolderMoved = 1, RecordRenamed = 2, StepCount = 3 };

using Status = DBA_RenameMgr::StatusCode;

const QString kFolderPrefix = QStringLiteral("scene-");

// The lock row that says which session works on a journal. The journal row
// itself keeps every other operation off the scene, even after a crash; this
// row tells a live rename from one whose process died, which may be taken over.
const QString kRenameLockKind = QStringLiteral("rename");

// One row of the `renames` journal.
struct Journal
{
    qint64 sceneId = 0;
    QString oldName, newName, oldPath, newPath, user;
    int step = Journaled;
};

// The scene being renamed, as its record stands now.
struct SceneRow
{
    qint64 id = 0;
    QString name;
    QString path;
};

// A failure: the manager's status and text; the access keeps its own code.
struct Outcome
{
    int status = Status::Ok;
    QString text;
    bool ok() const { return status == Status::Ok; }
};

Outcome failed(int status, const QString &text)
{
    return {status, text};
}

// The stored path the scene folder takes under newName: only a folder that
// follows the standard "scene-<name>" pattern is renamed along.
QString renamedPath(const QString &path, const QString &oldName, const QString &newName)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    if (path.mid(slash + 1) != kFolderPrefix + oldName)
        return path;
    return path.left(slash + 1) + kFolderPrefix + newName;
}

// Sessions that pulsed at or after this time are alive.
qint64 aliveSince()
{
    return DBA_Context::now() - DBA_SessionOps::staleSeconds();
}

// The work of one performRename on one access; every step reports through
// the access's last error as well, so callers reading either see why.
class RenameRun
{
public:
    RenameRun(TUDbAccess &access, DBA_RenameProgressFeedback *feedback)
        : m_access(access)
        , m_ctx(access.context())
        , m_feedback(feedback)
    {
    }
    ~RenameRun()
    {
        // A journal left unfinished keeps the scene; only the claim of this
        // session goes, so that a continue or undo may take it over at once.
        if (m_claimed)
            m_ctx.run(QStringLiteral("DELETE FROM locks WHERE kind = ? AND lock_key = ? AND session_id = ?"),
                      {kRenameLockKind, QString::number(m_scene.id), m_ctx.sessionId}, QString());
        if (m_openedJob)
            m_access.dba_CloseJob(m_access.jobRecord());
    }

    Outcome prepare(const QString &sceneName);
    bool hasJournal() const { return m_journal.sceneId != 0; }
    const Journal &journal() const { return m_journal; }
    Outcome rename(const QString &newName, const QString &user);
    Outcome continueJournaled();
    Outcome undoJournaled();

private:
    Outcome openJob(const QString &sceneName);
    Outcome findScene(const QString &name);
    Outcome readJournal();
    Outcome lockSceneRow(const QString &what);
    Outcome checkNotBusy();
    Outcome checkNotRenamedElsewhere();
    Outcome checkNameFree(const QString &name);
    Outcome checkNewName(const QString &newName, const QString &newPath);
    Outcome writeJournal(const Journal &journal);
    Outcome takeOver();
    Outcome claim(const QString &what);
    Outcome checkFolderIsOurs(const QString &path);
    Outcome moveFolder(const QString &from, const QString &to);
    Outcome change(const QString &sql, const QVariantList &values, const QString &what);
    Outcome setRecord(const QString &name, const QString &path, const QString &what);
    Outcome setStep(int step);
    Outcome finish(const QString &name, const QString &path);
    void followRename(const QString &name, const QString &path);
    void progress(int step, const QString &label);
    Outcome refuse(int code, const QString &text);
    Outcome failure(const QString &text);
    Outcome fromContext(int status);
    Outcome inTransaction(const QString &what, const std::function<Outcome()> &work);

    TUDbAccess &m_access;
    DBA_Context &m_ctx;
    DBA_RenameProgressFeedback *m_feedback;
    bool m_openedJob = false;
    bool m_claimed = false;
    SceneRow m_scene;
    Journal m_journal;
};

Outcome RenameRun::refuse(int code, const QString &text)
{
    m_ctx.fail(code, text);
    return failed(Status::Refused, text);
}

Outcome RenameRun::failure(const QString &text)
{
    m_ctx.fail(DBA_Context::Failed, text);
    return failed(Status::Failed, text);
}

Outcome RenameRun::fromContext(int status)
{
    return failed(status, m_ctx.lastErrorText());
}

// Runs work in one write transaction, committed only when it succeeds.
Outcome RenameRun::inTransaction(const QString &what, const std::function<Outcome()> &work)
{
    DBA_Transaction transaction(m_ctx.connection);
    if (!m_ctx.begin(transaction, what))
        return fromContext(Status::Failed);
    const Outcome outcome = work();
    if (!outcome.ok())
        return outcome;
    if (!m_ctx.commit(transaction, what))
        return fromContext(Status::Failed);
    return {};
}

// The caller normally has the scene's job open in the access's own job
// record. When it has only the scene record open, the job that record names
// is opened for the rename and closed again after it.
Outcome RenameRun::openJob(const QString &sceneName)
{
    dba_job_struct &job = m_access.jobRecord();
    if (job.isOpen())
        return {};
    const dba_scene_struct &scene = m_access.sceneRecord();
    if (!scene.isOpen() || scene.jobName.isEmpty())
        return failure(dbaTr("No job is open: open the job of scene %1 before renaming it.").arg(sceneName));
    if (m_access.dba_OpenJob(scene.jobName, job) != 0)
        return fromContext(Status::Failed);
    m_openedJob = true;
    return {};
}

Outcome RenameRun::prepare(const QString &sceneName)
{
    m_ctx.clearError();
    if (!m_access.hasUserPermissionRenameScene())
        return refuse(DBA_Context::Refused,
                      dbaTr("User %1 does not have the permission necessary to rename scenes.").arg(m_access.userName()));
    Outcome outcome = openJob(sceneName);
    if (outcome.ok())
        outcome = findScene(sceneName);
    if (outcome.ok())
        outcome = readJournal();
    return outcome;
}

// By its current name, or, when an unfinished rename already changed the
// record, by either name its journal gives.
Outcome RenameRun::findScene(const QString &name)
{
    const qint64 jobId = m_access.jobRecord().id;
    const QString what = dbaTr("Cannot read scene %1").arg(name);
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("SELECT id, name, path FROM scenes WHERE job_id = ? AND name = ?"), {jobId, name}, what))
        return fromContext(Status::Failed);
    if (!query.next()) {
        query = QSqlQuery();
        if (!m_ctx.run(query,
                       QStringLiteral("SELECT s.id, s.name, s.path FROM renames r JOIN scenes s ON s.id = r.scene_id "
                                      "WHERE s.job_id = ? AND (r.old_name = ? OR r.new_name = ?)"),
                       {jobId, name, name}, what))
            return fromContext(Status::Failed);
        if (!query.next()) {
            m_ctx.fail(DBA_Context::NotFound, dbaTr("Scene %1 does not exist in job %2.").arg(name, m_access.jobRecord().name));
            return fromContext(Status::Failed);
        }
    }
    m_scene = {query.value(0).toLongLong(), query.value(1).toString(), query.value(2).toString()};
    return {};
}

Outcome RenameRun::readJournal()
{
    m_journal = Journal();
    DBA_Query query;
    if (!m_ctx.run(query,
                   QStringLiteral("SELECT old_name, new_name, old_path, new_path, user_name, step FROM renames "
                                  "WHERE scene_id = ?"),
                   {m_scene.id}, dbaTr("Cannot read the rename journal of scene %1").arg(m_scene.name)))
        return fromContext(Status::Failed);
    if (query.next()) {
        m_journal = {m_scene.id, query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                     query.value(3).toString(), query.value(4).toString(), query.value(5).toInt()};
    }
    return {};
}

// Every check that follows, up to the commit, holds: lock taking and
// check-out lock the same row first. SQLite's write transaction already
// keeps every other writer out.
Outcome RenameRun::lockSceneRow(const QString &what)
{
    DBA_Query query;
    const QString sql = QStringLiteral("SELECT name, path FROM scenes WHERE id = ?")
        + (m_ctx.connection.isPostgres() ? QStringLiteral(" FOR UPDATE") : QString());
    if (!m_ctx.run(query, sql, {m_scene.id}, what))
        return fromContext(Status::Failed);
    if (!query.next()) {
        m_ctx.fail(DBA_Context::NotFound, dbaTr("%1: the scene does not exist any more.").arg(what));
        return fromContext(Status::Failed);
    }
    m_scene.name = query.value(0).toString();
    m_scene.path = query.value(1).toString();
    return {};
}

// Any lock on the scene, live or left by a dead session, and a check-out
// keep it from being renamed: a lock is forced on purpose, never stepped over.
Outcome RenameRun::checkNotBusy()
{
    QString error;
    const QVariant busy = m_ctx.connection.scalar(
        QStringLiteral("SELECT CASE WHEN s.checked_out <> 0 THEN 2 WHEN EXISTS (SELECT 1 FROM locks l WHERE "
                       "(l.kind IN ('scene', 'stage') AND l.lock_key = CAST(s.id AS TEXT)) "
                       "OR (l.kind = 'version' AND %1)) THEN 1 ELSE 0 END "
                       "FROM scenes s WHERE s.id = ?")
            .arg(DBA_SceneUse::versionLockOf(m_ctx.connection, QStringLiteral("l.lock_key"), QStringLiteral("CAST(s.id AS TEXT)"))),
        {m_scene.id}, error);
    if (!busy.isValid()) {
        m_ctx.failSql(dbaTr("Cannot read the locks of scene %1").arg(m_scene.name), error);
        return fromContext(Status::Failed);
    }
    if (busy.toInt() == 2)
        return refuse(DBA_Context::Locked, dbaTr("Scene %1 is checked out; it cannot be renamed.").arg(m_scene.name));
    if (busy.toInt() == 1)
        return refuse(DBA_Context::Locked, dbaTr("Scene %1 is locked; it cannot be renamed.").arg(m_scene.name));
    return {};
}

// A rename whose session is alive belongs to that session alone.
Outcome RenameRun::checkNotRenamedElsewhere()
{
    DBA_Query query;
    if (!m_ctx.run(query,
                   QStringLiteral("SELECT l.user_name, l.host FROM locks l JOIN sessions s ON s.id = l.session_id "
                                  "WHERE l.kind = ? AND l.lock_key = ? AND l.session_id <> ? AND s.last_pulse >= ?"),
                   {kRenameLockKind, QString::number(m_scene.id), m_ctx.sessionId, aliveSince()},
                   dbaTr("Cannot read the locks of scene %1").arg(m_scene.name)))
        return fromContext(Status::Failed);
    if (!query.next())
        return {};
    return refuse(DBA_Context::Locked, dbaTr("Scene %1 is being renamed by %2 on %3; it cannot be renamed until that ends.")
                                           .arg(m_scene.name, query.value(0).toString(), query.value(1).toString()));
}

// Free unless another scene of the job holds it.
Outcome RenameRun::checkNameFree(const QString &name)
{
    QString error;
    const QVariant taken = m_ctx.connection.scalar(
        QStringLiteral("SELECT COUNT(*) FROM scenes WHERE job_id = ? AND name = ? AND id <> ?"),
        {m_access.jobRecord().id, name, m_scene.id}, error);
    if (!taken.isValid()) {
        m_ctx.failSql(dbaTr("Cannot look up scene %1").arg(name), error);
        return fromContext(Status::Failed);
    }
    if (taken.toInt() > 0)
        return refuse(DBA_Context::AlreadyExists,
                      dbaTr("Scene %1 already exists in job %2.").arg(name, m_access.jobRecord().name));
    return {};
}

Outcome RenameRun::checkNewName(const QString &newName, const QString &newPath)
{
    if (!TUSceneNameValidator::isValidName(newName)) {
        return refuse(DBA_Context::BadName,
                      dbaTr("Invalid scene name (%1).\nThe maximum number of ascii characters is %2.\nValid characters "
                            "are: alphanumeric, underscore (_), dash (-) and dot (.).")
                          .arg(MSG_Text::readable(newName), QString::number(TUSceneNameValidator::maxNameLength())));
    }
    if (newName == m_scene.name)
        return refuse(DBA_Context::AlreadyExists, dbaTr("Scene %1 already has that name.").arg(newName));
    Outcome outcome = checkNameFree(newName);
    if (!outcome.ok())
        return outcome;
    if (newPath != m_scene.path && QFileInfo::exists(oswRemapPath::RemapPath2(newPath)))
        return refuse(DBA_Context::AlreadyExists, dbaTr("The folder %1 already exists.").arg(newPath));
    return {};
}

// Marks the journal as this session's: the row is the proof, for every later
// step, that no one else took the rename over meanwhile.
Outcome RenameRun::claim(const QString &what)
{
    if (!m_ctx.run(QStringLiteral("DELETE FROM locks WHERE kind = ? AND lock_key = ?"),
                   {kRenameLockKind, QString::number(m_scene.id)}, what)
        || !m_ctx.run(QStringLiteral("INSERT INTO locks (kind, lock_key, mode, user_name, host, application, pid, "
                                     "session_id, taken) VALUES (?, ?, '', ?, ?, ?, ?, ?, ?)"),
                      {kRenameLockKind, QString::number(m_scene.id), m_ctx.user.name, m_ctx.host, m_ctx.applicationName,
                       QCoreApplication::applicationPid(), m_ctx.sessionId, DBA_Context::now()},
                      what))
        return fromContext(Status::Failed);
    m_claimed = true;
    return {};
}

// The journal row is the scene's lock from here until the rename ends; it is
// written in the transaction that found the scene idle.
Outcome RenameRun::writeJournal(const Journal &journal)
{
    const QString what = dbaTr("Cannot start renaming scene %1").arg(m_scene.name);
    return inTransaction(what, [&]() -> Outcome {
        Outcome outcome = lockSceneRow(what);
        if (outcome.ok())
            outcome = readJournal();
        if (outcome.ok() && hasJournal())
            return refuse(DBA_Context::Locked, dbaTr("Scene %1 is being renamed to %2 by %3.")
                                                   .arg(m_scene.name, m_journal.newName, m_journal.user));
        if (outcome.ok())
            outcome = checkNotBusy();
        if (outcome.ok())
            outcome = checkNewName(journal.newName, journal.newPath);
        if (!outcome.ok())
            return outcome;
        if (!m_ctx.run(QStringLiteral("INSERT INTO renames (scene_id, old_name, new_name, old_path, new_path, user_name, "
                                      "step, started) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                       {journal.sceneId, journal.oldName, journal.newName, journal.oldPath, journal.newPath,
                        journal.user, int(Journaled), DBA_Context::now()},
                       what))
            return fromContext(Status::Failed);
        UT_FAULT_POINT("rename-journal-written");
        m_journal = journal;
        return claim(what);
    });
}

// A continue or undo works on a journal no live session works on, of a
// scene no one else uses.
Outcome RenameRun::takeOver()
{
    const QString what = dbaTr("Cannot take over the rename of scene %1").arg(m_scene.name);
    return inTransaction(what, [&]() -> Outcome {
        Outcome outcome = lockSceneRow(what);
        if (outcome.ok())
            outcome = readJournal();
        if (outcome.ok() && !hasJournal())
            return refuse(DBA_Context::NotFound, dbaTr("The rename of scene %1 has ended meanwhile.").arg(m_scene.name));
        if (outcome.ok())
            outcome = checkNotRenamedElsewhere();
        if (outcome.ok())
            outcome = checkNotBusy();
        return outcome.ok() ? claim(what) : outcome;
    });
}

// A folder another scene's record names is that scene's: a rename never
// moves it, whichever way.
Outcome RenameRun::checkFolderIsOurs(const QString &path)
{
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("SELECT name FROM scenes WHERE path = ? AND id <> ?"), {path, m_scene.id},
                   dbaTr("Cannot look up the scenes of folder %1").arg(path)))
        return fromContext(Status::Failed);
    if (!query.next())
        return {};
    return refuse(DBA_Context::Refused,
                  dbaTr("The folder %1 belongs to scene %2; it is left where it is.").arg(path, query.value(0).toString()));
}

// Brings the folder from `from` to `to` (stored paths). It may already be
// there, when a crash came between moving it and recording the step; a
// scene without a folder has nothing to move.
Outcome RenameRun::moveFolder(const QString &from, const QString &to)
{
    if (from == to)
        return {};
    Outcome outcome = checkFolderIsOurs(from);
    if (outcome.ok())
        outcome = checkFolderIsOurs(to);
    if (!outcome.ok())
        return outcome;
    const QString source = oswRemapPath::RemapPath2(from);
    const QString target = oswRemapPath::RemapPath2(to);
    if (!QFileInfo::exists(source))
        return {};
    if (QFileInfo::exists(target))
        return failure(dbaTr("Both %1 and %2 exist; move one of them away and try again.").arg(source, target));
    // A rename within one parent folder: a single atomic system call.
    if (!QDir().rename(source, target))
        return failure(dbaTr("Cannot rename the folder %1 to %2.").arg(source, target));
    return {};
}

// Runs an UPDATE or DELETE that must change exactly one row, and changes it
// only while this session still holds the rename.
Outcome RenameRun::change(const QString &sql, const QVariantList &values, const QString &what)
{
    DBA_Query query;
    if (!m_ctx.run(query,
                   sql + QStringLiteral(" AND EXISTS (SELECT 1 FROM locks WHERE kind = ? AND lock_key = ? AND session_id = ?)"),
                   values + QVariantList{kRenameLockKind, QString::number(m_scene.id), m_ctx.sessionId}, what))
        return fromContext(m_ctx.lastErrorCode() == DBA_Context::AlreadyExists ? int(Status::Refused) : int(Status::Failed));
    if (query.numRowsAffected() != 1)
        return failure(dbaTr("%1: another session took the rename over, or the scene changed meanwhile.").arg(what));
    return {};
}

Outcome RenameRun::setRecord(const QString &name, const QString &path, const QString &what)
{
    return change(QStringLiteral("UPDATE scenes SET name = ?, path = ? WHERE id = ?"), {name, path, m_scene.id}, what);
}

Outcome RenameRun::setStep(int step)
{
    const Outcome outcome = change(QStringLiteral("UPDATE renames SET step = ? WHERE scene_id = ?"), {step, m_scene.id},
                                   dbaTr("Cannot record the progress of renaming scene %1").arg(m_scene.name));
    if (outcome.ok())
        m_journal.step = step;
    return outcome;
}

// The record takes name and path and the journal closes, together: the
// scene is either still being renamed or done.
Outcome RenameRun::finish(const QString &name, const QString &path)
{
    const QString what = dbaTr("Cannot rename scene %1 to %2").arg(m_scene.name, name);
    const Outcome outcome = inTransaction(what, [&]() -> Outcome {
        Outcome done = setRecord(name, path, what);
        if (done.ok())
            done = change(QStringLiteral("DELETE FROM renames WHERE scene_id = ?"), {m_scene.id}, what);
        return done;
    });
    if (!outcome.ok())
        return outcome;
    m_journal = Journal();
    followRename(name, path);
    return {};
}

// Keeps what the access holds of the scene in step with its record.
void RenameRun::followRename(const QString &name, const QString &path)
{
    m_scene.name = name;
    m_scene.path = path;
    dba_scene_struct &open = m_access.sceneRecord();
    if (open.id == m_scene.id) {
        open.name = name;
        open.path = path;
        m_access.sceneData().setScene(open);
    }
    m_access.dba_RefreshJob(m_access.jobRecord());
}

void RenameRun::progress(int step, const QString &label)
{
    if (!m_feedback)
        return;
    m_feedback->setLabel(label);
    m_feedback->setValue(step * 100 / StepCount);
}

Outcome RenameRun::rename(const QString &newName, const QString &user)
{
    const Journal journal{m_scene.id, m_scene.name, newName, m_scene.path,
                          renamedPath(m_scene.path, m_scene.name, newName), user, Journaled};
    Outcome outcome = writeJournal(journal);
    if (!outcome.ok())
        return outcome;
    UT_FAULT_POINT("rename-journaled");
    progress(Journaled + 1, dbaTr("Renaming the folder of scene %1").arg(journal.oldName));
    outcome = moveFolder(journal.oldPath, journal.newPath);
    if (outcome.ok()) {
        UT_FAULT_POINT("rename-folder-moved");
        outcome = setStep(FolderMoved);
    }
    if (outcome.ok()) {
        UT_FAULT_POINT("rename-step-recorded");
        progress(FolderMoved + 1, dbaTr("Renaming scene %1 to %2").arg(journal.oldName, newName));
        outcome = finish(journal.newName, journal.newPath);
    }
    if (!outcome.ok()) {
        // Nothing half-done stays behind a failure the rename saw coming;
        // the access keeps the failure's own text, not the clean-up's. What
        // cannot be put back stays journaled, for a later undo.
        const int code = m_ctx.lastErrorCode();
        const QString text = m_ctx.lastErrorText();
        if (moveFolder(journal.newPath, journal.oldPath).ok())
            inTransaction(text, [&] { return change(QStringLiteral("DELETE FROM renames WHERE scene_id = ?"), {m_scene.id}, text); });
        m_ctx.fail(code, text);
        return outcome;
    }
    progress(StepCount, dbaTr("Scene %1 renamed to %2").arg(journal.oldName, newName));
    return outcome;
}

Outcome RenameRun::continueJournaled()
{
    Outcome outcome = takeOver();
    const Journal journal = m_journal;
    if (outcome.ok())
        outcome = checkNameFree(journal.newName);
    if (outcome.ok()) {
        progress(Journaled + 1, dbaTr("Finishing the rename of scene %1 to %2").arg(journal.oldName, journal.newName));
        outcome = moveFolder(journal.oldPath, journal.newPath);
    }
    if (outcome.ok() && journal.step < FolderMoved) {
        UT_FAULT_POINT("rename-continue-folder-moved");
        outcome = setStep(FolderMoved);
    }
    if (outcome.ok())
        outcome = finish(journal.newName, journal.newPath);
    if (outcome.ok())
        progress(StepCount, dbaTr("Scene %1 renamed to %2").arg(journal.oldName, journal.newName));
    return outcome;
}

Outcome RenameRun::undoJournaled()
{
    Outcome outcome = takeOver();
    const Journal journal = m_journal;
    if (outcome.ok())
        outcome = checkNameFree(journal.oldName);
    if (outcome.ok()) {
        progress(Journaled + 1, dbaTr("Undoing the rename of scene %1 to %2").arg(journal.oldName, journal.newName));
        if (journal.step >= RecordRenamed)
            outcome = setRecord(journal.oldName, journal.oldPath, dbaTr("Cannot rename scene %1 back").arg(m_scene.name));
        if (outcome.ok() && journal.step >= RecordRenamed)
            outcome = setStep(FolderMoved);
    }
    if (outcome.ok()) {
        UT_FAULT_POINT("rename-undo-record");
        outcome = moveFolder(journal.newPath, journal.oldPath);
    }
    if (outcome.ok()) {
        UT_FAULT_POINT("rename-undo-folder");
        outcome = finish(journal.oldName, journal.oldPath);
    }
    return outcome;
}
} // namespace

DBA_RenameMgr *DBA_RenameMgr::getInstance(TUDbAccess *access)
{
    DBA_RenameMgr *&manager = managers()[access];
    if (!manager)
        manager = new DBA_RenameMgr(access);
    return manager;
}

void DBA_RenameMgr::releaseInstance(TUDbAccess *access)
{
    delete managers().take(access);
}

DBA_RenameMgr::DBA_RenameMgr(TUDbAccess *access)
    : m_access(access)
{
}

DBA_RenameMgr::~DBA_RenameMgr() = default;

bool DBA_RenameMgr::fail(int status, const QString &text)
{
    m_status = StatusCode(status);
    m_errorMsg = text;
    return false;
}

bool DBA_RenameMgr::init(DBA_RenameProgressFeedback *feedback, const DBA_RenameMgrInitData &data, TUDbAccess *access,
                         bool batch)
{
    m_feedback = feedback;
    m_data = data;
    m_batch = batch;
    m_status = StatusCode();
    m_errorMsg.clear();
    if (access != m_access)
        return fail(StatusCode::Failed, dbaTr("The rename manager belongs to another database access."));
    if (m_data.oldSceneName.isEmpty())
        return fail(StatusCode::Failed, dbaTr("No scene to rename was given."));
    return true;
}

bool DBA_RenameMgr::performRename(TUDbAccess *access, const QString &newName, ResponseType response, QString &detail)
{
    m_status = StatusCode();
    m_errorMsg.clear();
    if (access != m_access || !access)
        return fail(StatusCode::Failed, dbaTr("The rename manager belongs to another database access."));
    if (m_data.oldSceneName.isEmpty())
        return fail(StatusCode::Failed, dbaTr("No scene to rename was given."));
    if (m_feedback) {
        m_feedback->reset();
        m_feedback->show();
    }
    RenameRun run(*access, m_feedback);
    const auto finish = [this](const Outcome &outcome) {
        return outcome.ok() || fail(outcome.status, outcome.text);
    };
    Outcome outcome = run.prepare(m_data.oldSceneName);
    if (!outcome.ok() || !run.hasJournal())
        return finish(outcome.ok() ? run.rename(newName, journalUser(access)) : outcome);
    switch (response) {
    case FirstCall:
        detail = run.journal().user;
        return fail(StatusCode::EarlierRenameUnfinished,
                    dbaTr("An earlier rename of scene %1 to %2 by user %3 did not finish.")
                        .arg(run.journal().oldName, run.journal().newName, run.journal().user));
    case Continue:
        return finish(run.continueJournaled());
    case Undo:
        outcome = run.undoJournaled();
        return finish(outcome.ok() ? run.rename(newName, journalUser(access)) : outcome);
    }
    return fail(StatusCode::Failed, dbaTr("Unknown response %1.").arg(int(response)));
}

QString DBA_RenameMgr::journalUser(TUDbAccess *access) const
{
    return m_data.userName.isEmpty() ? access->userName() : m_data.userName;
}

bool DBA_RenameMgr::unfinishedRenames(TUDbAccess *access, QVector<DBA_UnfinishedRename> &renames)
{
    renames.clear();
    DBA_Context &ctx = access->context();
    DBA_Query query;
    if (!ctx.run(query,
                 QStringLiteral("SELECT e.name, j.name, r.old_name, r.new_name, r.old_path, r.new_path, r.user_name, r.step, "
                                "r.started, CASE WHEN EXISTS (SELECT 1 FROM locks l JOIN sessions s ON s.id = l.session_id "
                                "WHERE l.kind = ? AND l.lock_key = CAST(r.scene_id AS TEXT) AND s.last_pulse >= ?) "
                                "THEN 1 ELSE 0 END FROM renames r JOIN scenes sc ON sc.id = r.scene_id "
                                "JOIN jobs j ON j.id = sc.job_id JOIN environments e ON e.id = j.environment_id "
                                "ORDER BY r.started, r.scene_id"),
                 {kRenameLockKind, aliveSince()}, dbaTr("Cannot read the rename journal")))
        return false;
    while (query.next()) {
        renames.append({query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                        query.value(3).toString(), query.value(4).toString(), query.value(5).toString(),
                        query.value(6).toString(), query.value(7).toInt(), query.value(8).toLongLong(),
                        query.value(9).toInt() != 0});
    }
    return true;
}
