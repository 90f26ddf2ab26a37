#include "DBA_RenameMgr.h"

#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TUSceneNameValidator.h"
#include "oswRemapPath.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace {
QHash<TUDbAccess *, DBA_RenameMgr *> &managers()
{
    static QHash<TUDbAccess *, DBA_RenameMgr *> instances;
    return instances;
}

// How far a journaled rename stands: each value says the steps before it
// are done. An undo walks the same steps back.
enum Step { Journaled = 0, FolderMoved = 1, RecordRenamed = 2, StepCount = 3 };

using Status = DBA_RenameMgr::StatusCode;

const QString kFolderPrefix = QStringLiteral("scene-");

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
    Outcome checkNotBusy();
    Outcome checkNameFree(const QString &name);
    Outcome checkNewName(const QString &newName, const QString &newPath);
    Outcome writeJournal(const Journal &journal);
    Outcome moveFolder(const QString &from, const QString &to);
    Outcome setRecord(const QString &name, const QString &path, int step);
    Outcome setStep(int step);
    Outcome dropJournal();
    void followRename(const QString &name, const QString &path);
    void progress(int step, const QString &label);
    Outcome refuse(int code, const QString &text);
    Outcome failure(const QString &text);
    Outcome fromContext(int status);

    TUDbAccess &m_access;
    DBA_Context &m_ctx;
    DBA_RenameProgressFeedback *m_feedback;
    bool m_openedJob = false;
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

Outcome RenameRun::checkNotBusy()
{
    QString error;
    const QVariant busy = m_ctx.connection.scalar(
        QStringLiteral("SELECT CASE WHEN s.checked_out <> 0 THEN 2 WHEN EXISTS (SELECT 1 FROM locks l WHERE "
                       "l.kind IN ('scene', 'stage') AND l.lock_key = CAST(s.id AS TEXT)) THEN 1 ELSE 0 END "
                       "FROM scenes s WHERE s.id = ?"),
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
                          .arg(newName)
                          .arg(TUSceneNameValidator::validDatabaseNameLength() - 1));
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

// Written under the write lock together with the checks, so no one locks
// the scene or takes the name between them.
Outcome RenameRun::writeJournal(const Journal &journal)
{
    DBA_Transaction transaction(m_ctx.connection);
    QString error;
    const QString what = dbaTr("Cannot start renaming scene %1").arg(m_scene.name);
    if (!transaction.begin(error)) {
        m_ctx.failSql(what, error);
        return fromContext(Status::Failed);
    }
    Outcome outcome = checkNotBusy();
    if (outcome.ok())
        outcome = checkNewName(journal.newName, journal.newPath);
    if (!outcome.ok())
        return outcome;
    if (!m_ctx.run(QStringLiteral("INSERT INTO renames (scene_id, old_name, new_name, old_path, new_path, user_name, "
                                  "step, started) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                   {journal.sceneId, journal.oldName, journal.newName, journal.oldPath, journal.newPath, journal.user,
                    int(Journaled), DBA_Context::now()},
                   what)
        || !transaction.commit(error)) {
        if (!error.isEmpty())
            m_ctx.failSql(what, error);
        return fromContext(Status::Failed);
    }
    m_journal = journal;
    return {};
}

// Brings the folder from `from` to `to` (stored paths). It may already be
// there, when a crash came between moving it and recording the step; a
// scene without a folder has nothing to move.
Outcome RenameRun::moveFolder(const QString &from, const QString &to)
{
    if (from == to)
        return {};
    const QString source = oswRemapPath::RemapPath2(from);
    const QString target = oswRemapPath::RemapPath2(to);
    const bool sourceExists = QFileInfo::exists(source);
    const bool targetExists = QFileInfo::exists(target);
    if (!sourceExists)
        return {};
    if (targetExists)
        return failure(dbaTr("Both %1 and %2 exist; move one of them away and try again.").arg(source, target));
    // A rename within one parent folder: a single atomic system call.
    if (!QDir().rename(source, target))
        return failure(dbaTr("Cannot rename the folder %1 to %2.").arg(source, target));
    return {};
}

Outcome RenameRun::setRecord(const QString &name, const QString &path, int step)
{
    DBA_Transaction transaction(m_ctx.connection);
    QString error;
    const QString what = dbaTr("Cannot rename scene %1 to %2").arg(m_scene.name, name);
    if (!transaction.begin(error)) {
        m_ctx.failSql(what, error);
        return fromContext(Status::Failed);
    }
    if (!m_ctx.run(QStringLiteral("UPDATE scenes SET name = ?, path = ? WHERE id = ?"), {name, path, m_scene.id}, what)
        || !m_ctx.run(QStringLiteral("UPDATE renames SET step = ? WHERE scene_id = ?"), {step, m_scene.id}, what)
        || !transaction.commit(error)) {
        if (!error.isEmpty())
            m_ctx.failSql(what, error);
        return fromContext(m_ctx.lastErrorCode() == DBA_Context::AlreadyExists ? int(Status::Refused) : int(Status::Failed));
    }
    followRename(name, path);
    return {};
}

Outcome RenameRun::setStep(int step)
{
    if (!m_ctx.run(QStringLiteral("UPDATE renames SET step = ? WHERE scene_id = ?"), {step, m_scene.id},
                   dbaTr("Cannot record the progress of renaming scene %1").arg(m_scene.name)))
        return fromContext(Status::Failed);
    m_journal.step = step;
    return {};
}

Outcome RenameRun::dropJournal()
{
    if (!m_ctx.run(QStringLiteral("DELETE FROM renames WHERE scene_id = ?"), {m_scene.id},
                   dbaTr("Cannot close the rename journal of scene %1").arg(m_scene.name)))
        return fromContext(Status::Failed);
    m_journal = Journal();
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
    progress(Journaled + 1, dbaTr("Renaming the folder of scene %1").arg(journal.oldName));
    outcome = moveFolder(journal.oldPath, journal.newPath);
    if (outcome.ok())
        outcome = setStep(FolderMoved);
    if (outcome.ok()) {
        progress(FolderMoved + 1, dbaTr("Renaming scene %1 to %2").arg(journal.oldName, newName));
        outcome = setRecord(journal.newName, journal.newPath, RecordRenamed);
    }
    if (!outcome.ok()) {
        // Nothing half-done stays behind a failure the rename saw coming;
        // the access keeps the failure's own text, not the clean-up's.
        const int code = m_ctx.lastErrorCode();
        const QString text = m_ctx.lastErrorText();
        moveFolder(journal.newPath, journal.oldPath);
        dropJournal();
        m_ctx.fail(code, text);
        return outcome;
    }
    outcome = dropJournal();
    if (outcome.ok())
        progress(StepCount, dbaTr("Scene %1 renamed to %2").arg(journal.oldName, newName));
    return outcome;
}

Outcome RenameRun::continueJournaled()
{
    const Journal journal = m_journal;
    Outcome outcome = checkNotBusy();
    if (outcome.ok())
        outcome = checkNameFree(journal.newName);
    if (outcome.ok()) {
        progress(Journaled + 1, dbaTr("Finishing the rename of scene %1 to %2").arg(journal.oldName, journal.newName));
        outcome = moveFolder(journal.oldPath, journal.newPath);
    }
    if (outcome.ok() && journal.step < FolderMoved)
        outcome = setStep(FolderMoved);
    if (outcome.ok())
        outcome = setRecord(journal.newName, journal.newPath, RecordRenamed);
    if (outcome.ok())
        outcome = dropJournal();
    if (outcome.ok())
        progress(StepCount, dbaTr("Scene %1 renamed to %2").arg(journal.oldName, journal.newName));
    return outcome;
}

Outcome RenameRun::undoJournaled()
{
    const Journal journal = m_journal;
    Outcome outcome = checkNotBusy();
    if (outcome.ok())
        outcome = checkNameFree(journal.oldName);
    if (outcome.ok()) {
        progress(Journaled + 1, dbaTr("Undoing the rename of scene %1 to %2").arg(journal.oldName, journal.newName));
        outcome = setRecord(journal.oldName, journal.oldPath, FolderMoved);
    }
    if (outcome.ok())
        outcome = moveFolder(journal.newPath, journal.oldPath);
    if (outcome.ok())
        outcome = setStep(Journaled);
    if (outcome.ok())
        outcome = dropJournal();
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
