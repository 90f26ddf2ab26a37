#include "DBA_LockOps.h"

#include "DBA_Context.h"
#include "DBA_RowLock.h"
#include "DBA_SceneUse.h"
#include "UT_FaultPoint.h"
#include "DBA_SessionOps.h"

#include <QCoreApplication>

#include <algorithm>

namespace {
const QString kSceneKind = QStringLiteral("scene");
const QString kStageKind = QStringLiteral("stage");
const QString kVersionKind = QStringLiteral("version");

QString sceneKey(qint64 sceneId)
{
    return QString::number(sceneId);
}

QString versionKey(qint64 sceneId, int number)
{
    return sceneKey(sceneId) + QLatin1Char(':') + QString::number(number);
}

// Every version lock of the scene whose id is bound twice.
QString versionLocks(const DBA_Context &ctx)
{
    return DBA_SceneUse::versionLockOf(ctx.connection, QStringLiteral("lock_key"), QStringLiteral("CAST(? AS TEXT)"));
}

bool isLogicalKind(const QString &kind)
{
    return kind == QLatin1String("V1") || kind == QLatin1String("V2");
}

// Sessions that pulsed at or after this time are alive.
qint64 aliveSince()
{
    return DBA_Context::now() - DBA_SessionOps::staleSeconds();
}

// True for a row of locks whose session is gone or stopped pulsing; takes aliveSince().
const QString kLockIsStale = QStringLiteral(
    "NOT EXISTS (SELECT 1 FROM sessions s WHERE s.id = locks.session_id AND s.last_pulse >= ?)");

// One insert that either takes the lock or, when the row exists (or the
// scene it guards does not), does nothing: the database decides the winner.
// Run alone it is its own transaction; no read precedes it that another
// process could invalidate. Typed casts, because PostgreSQL types a bare
// parameter in a SELECT as text.
const QString kTakeLock = QStringLiteral(
    "INSERT INTO locks (kind, lock_key, mode, user_name, host, application, pid, session_id, taken) "
    "SELECT CAST(? AS TEXT), CAST(? AS TEXT), CAST(? AS TEXT), CAST(? AS TEXT), CAST(? AS TEXT), "
    "CAST(? AS TEXT), CAST(? AS INTEGER), CAST(? AS BIGINT), CAST(? AS BIGINT) "
    "WHERE CAST(? AS BIGINT) = 0 OR (EXISTS (SELECT 1 FROM scenes WHERE id = CAST(? AS BIGINT)) "
    "AND NOT EXISTS (SELECT 1 FROM renames WHERE scene_id = CAST(? AS BIGINT))) "
    "ON CONFLICT (kind, lock_key) DO NOTHING RETURNING id");

// Finds a job's scene by job name and scene name.
const QString kSceneByName = QStringLiteral("job_id = (SELECT id FROM jobs WHERE name = ?) AND name = ?");

// Reads the locks matching where, with their staleness, in key order. Sorted
// here rather than in SQL, whose text order follows each server's collation.
bool readLocks(DBA_Context &ctx, const QString &where, const QVariantList &values, QVector<dba_lock_struct> &locks)
{
    locks.clear();
    DBA_Query query;
    const QString sql = QStringLiteral("SELECT id, kind, lock_key, mode, user_name, application, host, pid, taken, "
                                       "CASE WHEN %1 THEN 1 ELSE 0 END FROM locks %2")
                            .arg(kLockIsStale, where.isEmpty() ? QString() : QStringLiteral("WHERE ") + where);
    if (!ctx.run(query, sql, QVariantList{aliveSince()} + values, dbaTr("Cannot read the locks")))
        return false;
    while (query.next()) {
        dba_lock_struct lock;
        lock.id = query.value(0).toLongLong();
        lock.kind = query.value(1).toString();
        lock.key = query.value(2).toString();
        lock.mode = query.value(3).toString();
        lock.user = query.value(4).toString();
        lock.application = query.value(5).toString();
        lock.workstation = query.value(6).toString();
        lock.pid = query.value(7).toLongLong();
        lock.taken = query.value(8).toLongLong();
        lock.stale = query.value(9).toInt() != 0;
        locks.append(lock);
    }
    std::sort(locks.begin(), locks.end(), [](const dba_lock_struct &a, const dba_lock_struct &b) {
        return a.key != b.key ? a.key < b.key : a.kind < b.kind;
    });
    return true;
}

// Records why what could not be locked: who holds it, and whether that
// holder's session is dead (so the lock may be forced).
void failHeld(DBA_Context &ctx, const QString &kind, const QString &key, const QString &what)
{
    QVector<dba_lock_struct> holders;
    if (!readLocks(ctx, QStringLiteral("kind = ? AND lock_key = ?"), {kind, key}, holders) || holders.isEmpty()) {
        ctx.fail(DBA_Context::Locked, dbaTr("%1 is locked.").arg(what));
        return;
    }
    const dba_lock_struct &holder = holders.first();
    QString text = dbaTr("%1 is locked by %2 on %3 since %4.")
                       .arg(what, holder.user, holder.workstation, DBA_SessionOps::dba_TimeStamp(holder.taken, "%x %X"));
    if (holder.stale)
        text += QLatin1Char(' ') + dbaTr("Its session is no longer alive; the lock may be forced.");
    ctx.fail(DBA_Context::Locked, text);
}

// An unfinished rename holds its scene, even after its process died: true
// (with code Locked) when one does.
bool failRenaming(DBA_Context &ctx, qint64 sceneId, const QString &what)
{
    DBA_Query query;
    if (!ctx.run(query, QStringLiteral("SELECT new_name, user_name FROM renames WHERE scene_id = ?"), {sceneId}, what)
        || !query.next())
        return false;
    ctx.fail(DBA_Context::Locked, dbaTr("%1 is being renamed to %2 by %3.")
                                      .arg(what, query.value(0).toString(), query.value(1).toString()));
    return true;
}

QString sceneWhat(const dba_scene_struct &scene)
{
    return dbaTr("Scene %1").arg(scene.name);
}

QString versionWhat(const dba_scene_struct &scene, int number)
{
    return dbaTr("Version %1 of scene %2").arg(number).arg(scene.name);
}

// Runs a DELETE or UPDATE; the number of rows it changed, -1 on failure.
int change(DBA_Context &ctx, const QString &sql, const QVariantList &values, const QString &what)
{
    DBA_Query query;
    if (!ctx.run(query, sql, values, what))
        return -1;
    return query.numRowsAffected();
}

// The first column of the first row as a count; -1 on failure.
qint64 count(DBA_Context &ctx, const QString &sql, const QVariantList &values, const QString &what)
{
    DBA_Query query;
    if (!ctx.run(query, sql, values, what) || !query.next())
        return -1;
    return query.value(0).toLongLong();
}

// A scene's check-out fields as stored.
struct CheckoutState
{
    qint64 id = 0;
    bool out = false;
    QString user;
    qint64 date = 0;
    QString host;
};

bool failNoScene(DBA_Context &ctx, const QString &name)
{
    return ctx.fail(DBA_Context::NotFound, dbaTr("Could not find scene %1").arg(name));
}

// Reads the check-out fields of the scene matching where; false (NotFound
// naming the scene) when there is none.
bool readCheckout(DBA_Context &ctx, const QString &where, const QVariantList &values, const QString &name,
                  CheckoutState &state)
{
    DBA_Query query;
    if (!ctx.run(query, QStringLiteral("SELECT checked_out, checkout_user, checkout_date, checkout_host, id FROM scenes WHERE ") + where,
                 values, dbaTr("Cannot read the check-out of scene %1").arg(name)))
        return false;
    if (!query.next())
        return failNoScene(ctx, name);
    state.out = query.value(0).toInt() != 0;
    state.user = query.value(1).toString();
    state.date = query.value(2).toLongLong();
    state.host = query.value(3).toString();
    state.id = query.value(4).toLongLong();
    return true;
}

bool readCheckout(DBA_Context &ctx, const dba_scene_struct &scene, CheckoutState &state)
{
    if (!scene.isOpen())
        return ctx.fail(DBA_Context::NotFound, dbaTr("No scene is open."));
    return readCheckout(ctx, QStringLiteral("id = ?"), {scene.id}, scene.name, state);
}
} // namespace

// ---- taking and releasing ----------------------------------------------------------------------

int DBA_LockOps::takeLock(const QString &kind, const QString &key, const QString &mode, qint64 sceneId,
                          const QString &what, qint64 *lockId)
{
    if (m_ctx.sessionId == 0) {
        m_ctx.fail(DBA_Context::Unavailable, dbaTr("No database session is open."));
        return -1;
    }
    const QString context = dbaTr("Cannot lock %1").arg(what);
    // A lock on a scene first locks the scene's row, as a delete or any other
    // check of the scene does, so the lock is never taken on a scene that is
    // going away.
    DBA_Transaction transaction(m_ctx.connection);
    const bool rowLock = sceneId != 0 && DBA_RowLock::neededForOneStatement(m_ctx);
    if (rowLock && (!m_ctx.begin(transaction, context) || !DBA_RowLock::lock(m_ctx, DBA_RowLock::Scene, sceneId, context))) {
        if (m_ctx.lastErrorCode() == DBA_Context::NotFound)
            m_ctx.fail(DBA_Context::NotFound, dbaTr("%1 does not exist.").arg(what));
        return -1;
    }
    DBA_Query query;
    if (!m_ctx.run(query, kTakeLock,
                   {kind, key, mode, m_ctx.user.name, m_ctx.host, m_ctx.applicationName,
                    QCoreApplication::applicationPid(), m_ctx.sessionId, DBA_Context::now(), sceneId, sceneId, sceneId},
                   context))
        return -1;
    const bool taken = query.next();
    if (taken && lockId)
        *lockId = query.value(0).toLongLong();
    query = QSqlQuery();
    if (rowLock && !m_ctx.commit(transaction, context))
        return -1;
    if (taken)
        return 0;
    // Nothing inserted: the lock is held, or the scene it guards is gone.
    if (sceneId != 0) {
        const qint64 scenes = count(m_ctx, QStringLiteral("SELECT COUNT(*) FROM scenes WHERE id = ?"), {sceneId},
                                    context);
        if (scenes < 0)
            return -1;
        if (scenes == 0) {
            m_ctx.fail(DBA_Context::NotFound, dbaTr("%1 does not exist.").arg(what));
            return -1;
        }
        if (failRenaming(m_ctx, sceneId, what))
            return 1;
    }
    failHeld(m_ctx, kind, key, what);
    return 1;
}

bool DBA_LockOps::releaseOwnLock(const QString &kind, const QString &key, const QString &what)
{
    const int removed = change(m_ctx, QStringLiteral("DELETE FROM locks WHERE kind = ? AND lock_key = ? AND session_id = ?"),
                               {kind, key, m_ctx.sessionId}, dbaTr("Cannot unlock %1").arg(what));
    if (removed < 0)
        return false;
    if (removed == 0)
        return m_ctx.fail(DBA_Context::NotFound, dbaTr("%1 is not locked by this session.").arg(what));
    return true;
}

bool DBA_LockOps::requireOpenScene(const dba_scene_struct &scene)
{
    if (scene.isOpen())
        return true;
    return m_ctx.fail(DBA_Context::NotFound, dbaTr("No scene is open."));
}

qint64 DBA_LockOps::sceneIdOf(const dba_job_struct &job, const QString &name)
{
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("SELECT id FROM scenes WHERE ") + kSceneByName, {job.name, name},
                   dbaTr("Cannot look up scene %1").arg(name)))
        return 0;
    if (!query.next()) {
        m_ctx.fail(DBA_Context::NotFound, dbaTr("Could not find scene %1 in job %2.").arg(name, job.name));
        return 0;
    }
    return query.value(0).toLongLong();
}

// ---- scene locks -------------------------------------------------------------------------------

int DBA_LockOps::dba_GetSceneLock(dba_scene_struct &scene)
{
    m_ctx.clearError();
    if (!requireOpenScene(scene))
        return -1;
    if (scene.lockId != 0) {
        const qint64 held = count(m_ctx, QStringLiteral("SELECT COUNT(*) FROM locks WHERE id = ? AND session_id = ?"),
                                  {scene.lockId, m_ctx.sessionId}, dbaTr("Cannot lock %1").arg(sceneWhat(scene)));
        if (held < 0)
            return -1;
        if (held > 0)
            return 0;
        scene.lockId = 0; // forced away meanwhile: take it anew
    }
    return takeLock(kSceneKind, sceneKey(scene.id), QString(), scene.id, sceneWhat(scene), &scene.lockId);
}

void DBA_LockOps::dba_ReleaseSceneLock(dba_scene_struct &scene)
{
    if (scene.lockId == 0)
        return;
    // By id and session: a lock forced away and taken by someone else since
    // has another id and stays.
    change(m_ctx, QStringLiteral("DELETE FROM locks WHERE id = ? AND session_id = ?"), {scene.lockId, m_ctx.sessionId},
           dbaTr("Cannot unlock %1").arg(sceneWhat(scene)));
    scene.lockId = 0;
}

bool DBA_LockOps::dba_HaveSceneLock(const dba_scene_struct &scene)
{
    if (!requireOpenScene(scene))
        return false;
    return count(m_ctx,
                 QStringLiteral("SELECT COUNT(*) FROM locks WHERE session_id = ? AND "
                                "((id = ? AND kind = ?) OR (kind = ? AND lock_key = ?))"),
                 {m_ctx.sessionId, scene.lockId, kSceneKind, kStageKind, sceneKey(scene.id)},
                 dbaTr("Cannot read the locks of %1").arg(sceneWhat(scene)))
        > 0;
}

bool DBA_LockOps::isSceneLocked(const dba_job_struct &job, const QString &name)
{
    m_ctx.clearError();
    const qint64 id = sceneIdOf(job, name);
    if (id == 0)
        return false;
    const qint64 locks = count(m_ctx,
                               QStringLiteral("SELECT COUNT(*) FROM locks WHERE (kind IN (?, ?) AND lock_key = ?) "
                                              "OR (kind = ? AND %1)").arg(versionLocks(m_ctx)),
                               {kSceneKind, kStageKind, sceneKey(id), kVersionKind, sceneKey(id), sceneKey(id)},
                               dbaTr("Cannot read the locks of scene %1").arg(name));
    // A failed look-up counts as locked: callers go on to change the scene.
    return locks != 0;
}

QString DBA_LockOps::dba_GetSceneLockUser(const dba_job_struct &job, const QString &name)
{
    m_ctx.clearError();
    const qint64 id = sceneIdOf(job, name);
    if (id == 0)
        return QString();
    QVector<dba_lock_struct> locks;
    readLocks(m_ctx, QStringLiteral("kind = ? AND lock_key = ?"), {kSceneKind, sceneKey(id)}, locks);
    return locks.isEmpty() ? QString() : locks.first().user;
}

bool DBA_LockOps::dba_forceUnlockScene(const dba_job_struct &job, const QString &name, bool alsoVersions, bool onlyStale)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot unlock scene %1").arg(name);
    DBA_Transaction transaction(m_ctx.connection);
    qint64 id = 0;
    DBA_Query query;
    // A lock that comes alive (or is retaken) meanwhile is judged as it is now.
    return m_ctx.begin(transaction, what) && (id = DBA_RowLock::lockScene(m_ctx, job.name, name, what)) != 0
        && m_ctx.run(query,
                     QStringLiteral("DELETE FROM locks WHERE ((kind IN (?, ?) AND lock_key = ?) "
                                    "OR (? <> 0 AND kind = ? AND %2)) AND (? = 0 OR %1)")
                         .arg(kLockIsStale, versionLocks(m_ctx)),
                     {kSceneKind, kStageKind, sceneKey(id), int(alsoVersions), kVersionKind, sceneKey(id), sceneKey(id),
                      int(onlyStale), aliveSince()},
                     what)
        && m_ctx.commit(transaction, what);
}

bool DBA_LockOps::dba_forceUnlockOwnedScene(const dba_job_struct &job, const QString &name, const QString &owner)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot unlock scene %1").arg(name);
    DBA_Transaction transaction(m_ctx.connection);
    DBA_Query query;
    const qint64 id = m_ctx.begin(transaction, what) ? DBA_RowLock::lockScene(m_ctx, job.name, name, what) : 0;
    if (id == 0 || !m_ctx.run(query, QStringLiteral("SELECT user_name FROM locks WHERE kind = ? AND lock_key = ?"),
                              {kSceneKind, sceneKey(id)}, what))
        return false;
    if (!query.next() || query.value(0).toString() != owner)
        return m_ctx.fail(DBA_Context::Refused, dbaTr("%1: its lock is not held by %2.").arg(what, owner));
    query.finish();
    UT_FAULT_POINT("force-unlock-checked");
    // Only what the check was about: the owner's locks and check-out.
    const QVariantList keys = {kSceneKind, kStageKind, sceneKey(id), kVersionKind, sceneKey(id), sceneKey(id), owner};
    return m_ctx.run(QStringLiteral("DELETE FROM locks WHERE ((kind IN (?, ?) AND lock_key = ?) "
                                    "OR (kind = ? AND %1)) AND user_name = ?").arg(versionLocks(m_ctx)),
                     keys, what)
        && m_ctx.run(QStringLiteral("UPDATE scenes SET checked_out = 0, checkout_user = '', checkout_date = 0, "
                                    "checkout_host = '' WHERE id = ? AND checked_out <> 0 AND checkout_user = ?"),
                     {id, owner}, what)
        && m_ctx.commit(transaction, what);
}

// ---- stage edit lock ---------------------------------------------------------------------------

int DBA_LockOps::dba_GetStageEditLock(dba_scene_struct &scene)
{
    m_ctx.clearError();
    if (!requireOpenScene(scene))
        return -1;
    return takeLock(kStageKind, sceneKey(scene.id), QString(), scene.id, sceneWhat(scene)) == 0 ? 0 : -1;
}

void DBA_LockOps::dba_ReleaseStageEditLock(dba_scene_struct &scene)
{
    m_ctx.clearError();
    if (requireOpenScene(scene))
        releaseOwnLock(kStageKind, sceneKey(scene.id), sceneWhat(scene));
}

bool DBA_LockOps::dba_GetStageInfo(const dba_scene_struct &scene, QString &user, QString &host, qint64 &time)
{
    m_ctx.clearError();
    if (!requireOpenScene(scene))
        return false;
    QVector<dba_lock_struct> locks;
    if (!readLocks(m_ctx, QStringLiteral("kind = ? AND lock_key = ?"), {kStageKind, sceneKey(scene.id)}, locks))
        return false;
    if (locks.isEmpty())
        return m_ctx.fail(DBA_Context::NotFound, dbaTr("%1 is not locked.").arg(sceneWhat(scene)));
    user = locks.first().user;
    host = locks.first().workstation;
    time = locks.first().taken;
    return true;
}

// ---- version locks -----------------------------------------------------------------------------

namespace {
// The version lock key of a row v of scene_versions, in SQL.
const QString kVersionRowKey = QStringLiteral("CAST(v.scene_id AS TEXT) || ':' || CAST(v.number AS TEXT)");
} // namespace

int DBA_LockOps::dba_LockSceneVersion(const dba_scene_struct &scene, int versionNumber)
{
    m_ctx.clearError();
    if (!requireOpenScene(scene))
        return -1;
    if (versionNumber < 1) {
        m_ctx.fail(DBA_Context::NotFound, dbaTr("Scene %1 has no version %2.").arg(scene.name, QString::number(versionNumber)));
        return -1;
    }
    return takeLock(kVersionKind, versionKey(scene.id, versionNumber), QString(), scene.id,
                    versionWhat(scene, versionNumber));
}

bool DBA_LockOps::dba_UnlockSceneVersion(const dba_scene_struct &scene, int versionNumber)
{
    m_ctx.clearError();
    return requireOpenScene(scene)
        && releaseOwnLock(kVersionKind, versionKey(scene.id, versionNumber), versionWhat(scene, versionNumber));
}

bool DBA_LockOps::dba_GetAllLockedVersionIds(const dba_scene_struct &scene, QVector<qint64> &versionIds)
{
    m_ctx.clearError();
    versionIds.clear();
    if (!requireOpenScene(scene))
        return false;
    DBA_Query query;
    if (!m_ctx.run(query,
                   QStringLiteral("SELECT v.id FROM scene_versions v WHERE v.scene_id = ? AND EXISTS "
                                  "(SELECT 1 FROM locks WHERE kind = ? AND lock_key = %1) ORDER BY v.number")
                       .arg(kVersionRowKey),
                   {scene.id, kVersionKind}, dbaTr("Cannot read the version locks of %1").arg(sceneWhat(scene))))
        return false;
    while (query.next())
        versionIds.append(query.value(0).toLongLong());
    return true;
}

QString DBA_LockOps::dba_GetSceneVersionLockUser(const dba_scene_struct &scene, qint64 versionId)
{
    m_ctx.clearError();
    if (!requireOpenScene(scene))
        return QString();
    DBA_Query query;
    if (!m_ctx.run(query,
                   QStringLiteral("SELECT l.user_name FROM scene_versions v JOIN locks l ON l.kind = ? AND l.lock_key = %1 "
                                  "WHERE v.id = ? AND v.scene_id = ?")
                       .arg(kVersionRowKey),
                   {kVersionKind, versionId, scene.id}, dbaTr("Cannot read the version locks of %1").arg(sceneWhat(scene)))
        || !query.next())
        return QString();
    return query.value(0).toString();
}

bool DBA_LockOps::dba_forceUnlockSceneVersion(const QString &user, const dba_scene_struct &scene, qint64 versionId)
{
    m_ctx.clearError();
    if (!requireOpenScene(scene))
        return false;
    const int removed = change(m_ctx,
                               QStringLiteral("DELETE FROM locks WHERE kind = ? AND lock_key = "
                                              "(SELECT %1 FROM scene_versions v WHERE v.id = ? AND v.scene_id = ?)")
                                   .arg(kVersionRowKey),
                               {kVersionKind, versionId, scene.id},
                               dbaTr("%1 cannot unlock version id %2 of scene %3").arg(user).arg(versionId).arg(scene.name));
    if (removed < 0)
        return false;
    if (removed == 0)
        return m_ctx.fail(DBA_Context::NotFound,
                          dbaTr("Version id %1 of scene %2 is not locked.").arg(versionId).arg(scene.name));
    return true;
}

// ---- check-out ---------------------------------------------------------------------------------

bool DBA_LockOps::dba_GetSceneCheckoutLock(const dba_scene_struct &scene)
{
    m_ctx.clearError();
    CheckoutState state;
    return readCheckout(m_ctx, scene, state) && state.out;
}

QString DBA_LockOps::dba_GetSceneCheckoutUser(const dba_scene_struct &scene)
{
    m_ctx.clearError();
    CheckoutState state;
    return readCheckout(m_ctx, scene, state) ? state.user : QString();
}

qint64 DBA_LockOps::dba_GetSceneCheckoutDate(const dba_scene_struct &scene)
{
    m_ctx.clearError();
    CheckoutState state;
    return readCheckout(m_ctx, scene, state) ? state.date : 0;
}

int DBA_LockOps::dba_IsSceneCheckedOut(const dba_scene_struct &scene)
{
    m_ctx.clearError();
    CheckoutState state;
    if (!readCheckout(m_ctx, scene, state))
        return -1;
    return state.out ? 1 : 0;
}

bool DBA_LockOps::dba_IsCheckedOutToCurrentUser(const dba_scene_struct &scene)
{
    m_ctx.clearError();
    CheckoutState state;
    return readCheckout(m_ctx, scene, state) && state.out && state.user == m_ctx.user.name;
}

bool DBA_LockOps::dba_CheckoutScene(const dba_job_struct &job, const QString &name, const QString &user)
{
    m_ctx.clearError();
    const QString owner = user.isEmpty() ? m_ctx.user.name : user;
    const QString what = dbaTr("Cannot check out scene %1").arg(name);
    DBA_Transaction transaction(m_ctx.connection);
    const bool rowLock = DBA_RowLock::neededForOneStatement(m_ctx);
    DBA_Query query;
    if (rowLock && (!m_ctx.begin(transaction, what) || DBA_RowLock::lockScene(m_ctx, job.name, name, what) == 0))
        // A scene deleted meanwhile is told as on SQLite, where the check-out read below finds it gone.
        return m_ctx.lastErrorCode() == DBA_Context::NotFound ? failNoScene(m_ctx, name) : false;
    if (!m_ctx.run(query,
                   QStringLiteral("UPDATE scenes SET checked_out = 1, checkout_user = ?, checkout_date = ?, "
                                  "checkout_host = ? WHERE %1 AND checked_out = 0 "
                                  "AND NOT EXISTS (SELECT 1 FROM renames WHERE scene_id = scenes.id)")
                       .arg(kSceneByName),
                   {owner, DBA_Context::now(), m_ctx.host, job.name, name}, what))
        return false;
    if (query.numRowsAffected() == 1) {
        query.finish();
        return !rowLock || m_ctx.commit(transaction, what);
    }
    query.finish();
    CheckoutState state;
    if (!readCheckout(m_ctx, kSceneByName, {job.name, name}, name, state))
        return false;
    if (!state.out && failRenaming(m_ctx, state.id, dbaTr("Scene %1").arg(name)))
        return false;
    if (!state.out) // checked in again between the two statements
        return m_ctx.fail(DBA_Context::Locked, dbaTr("Scene %1 changed while being checked out; try again.").arg(name));
    return m_ctx.fail(DBA_Context::Locked, dbaTr("The scene %1 is already checked out by user %2.").arg(name, state.user));
}

bool DBA_LockOps::checkIn(const dba_job_struct &job, const QString &name, const QString &condition,
                          const QVariantList &values, bool ownerOnly)
{
    m_ctx.clearError();
    const int changed = change(m_ctx,
                               QStringLiteral("UPDATE scenes SET checked_out = 0, checkout_user = '', checkout_date = 0, "
                                              "checkout_host = '' WHERE %1 AND checked_out <> 0 AND %2")
                                   .arg(kSceneByName, condition),
                               QVariantList{job.name, name} + values, dbaTr("Cannot check in scene %1").arg(name));
    if (changed != 0)
        return changed > 0;
    CheckoutState state;
    if (!readCheckout(m_ctx, kSceneByName, {job.name, name}, name, state))
        return false;
    if (!state.out)
        return true; // nothing to check in
    if (ownerOnly)
        return m_ctx.fail(DBA_Context::Refused,
                          dbaTr("You are not the owner of the checkout lock for scene %1 - \nyou cannot check the scene in.")
                              .arg(name));
    return m_ctx.fail(DBA_Context::Locked,
                      dbaTr("Scene %1 is checked out by %2, who is still working on %3.").arg(name, state.user, state.host));
}

bool DBA_LockOps::dba_CheckinScene(const dba_job_struct &job, const QString &name)
{
    return checkIn(job, name, QStringLiteral("checkout_user = ?"), {m_ctx.user.name}, true);
}

bool DBA_LockOps::dba_forceCheckinScene(const dba_job_struct &job, const QString &name, bool onlyStale)
{
    // A check-out outlives sessions; it is stale when its user has no live
    // session on the host it was checked out from.
    return checkIn(job, name,
                   QStringLiteral("(? = 0 OR NOT EXISTS (SELECT 1 FROM sessions s WHERE s.user_name = scenes.checkout_user "
                                  "AND s.host = scenes.checkout_host AND s.last_pulse >= ?))"),
                   {int(onlyStale), aliveSince()}, false);
}

// ---- logical locks -----------------------------------------------------------------------------

namespace {
QString logicalWhat(const QString &kind, const QString &key)
{
    return dbaTr("Lock %1 %2").arg(kind, key);
}

bool checkLogical(DBA_Context &ctx, const QString &kind, const QString &key)
{
    if (!isLogicalKind(kind))
        return ctx.fail(DBA_Context::BadName, dbaTr("Unknown kind of logical lock \"%1\"; use V1 or V2.").arg(kind));
    if (key.isEmpty())
        return ctx.fail(DBA_Context::BadName, dbaTr("A logical lock needs a key."));
    return true;
}
} // namespace

int DBA_LockOps::dba_GetLogicalLock(const QString &kind, const QString &key, const QString &mode)
{
    m_ctx.clearError();
    if (!checkLogical(m_ctx, kind, key))
        return -1;
    return takeLock(kind, key, mode, 0, logicalWhat(kind, key));
}

bool DBA_LockOps::dba_ReleaseLogicalLock(const QString &kind, const QString &key)
{
    m_ctx.clearError();
    return checkLogical(m_ctx, kind, key) && releaseOwnLock(kind, key, logicalWhat(kind, key));
}

QVector<dba_lock_struct> DBA_LockOps::dba_GetLocks(const QString &kind)
{
    m_ctx.clearError();
    QVector<dba_lock_struct> locks;
    if (kind.isEmpty())
        readLocks(m_ctx, QString(), {}, locks);
    else
        readLocks(m_ctx, QStringLiteral("kind = ?"), {kind}, locks);
    return locks;
}

bool DBA_LockOps::dba_CheckLogicalLock(const QString &kind, const QString &key)
{
    m_ctx.clearError();
    QVector<dba_lock_struct> locks;
    return checkLogical(m_ctx, kind, key)
        && readLocks(m_ctx, QStringLiteral("kind = ? AND lock_key = ?"), {kind, key}, locks) && !locks.isEmpty();
}

bool DBA_LockOps::dba_ForceReleaseLock(const QString &kind, const QString &key)
{
    m_ctx.clearError();
    const QString what = logicalWhat(kind, key);
    const int removed = change(m_ctx, QStringLiteral("DELETE FROM locks WHERE kind = ? AND lock_key = ?"), {kind, key},
                               dbaTr("Cannot release %1").arg(what));
    if (removed < 0)
        return false;
    if (removed == 0)
        return m_ctx.fail(DBA_Context::NotFound, dbaTr("%1 does not exist.").arg(what));
    return true;
}

bool DBA_LockOps::dba_ForceReleaseLockId(qint64 id, bool onlyStale)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot release lock %1").arg(id);
    // One statement, so a session coming back to life is judged as it is now.
    const int removed = change(m_ctx, QStringLiteral("DELETE FROM locks WHERE id = ? AND (? = 0 OR %1)").arg(kLockIsStale),
                               {id, int(onlyStale), aliveSince()}, what);
    if (removed < 0)
        return false;
    if (removed == 0)
        return m_ctx.fail(DBA_Context::NotFound, dbaTr("%1: it no longer exists.").arg(what));
    return true;
}

qint64 DBA_LockOps::sceneIdOfLock(const dba_lock_struct &lock)
{
    if (lock.kind != kSceneKind && lock.kind != kStageKind && lock.kind != kVersionKind)
        return 0;
    return lock.key.section(QLatin1Char(':'), 0, 0).toLongLong();
}

bool DBA_LockOps::isSerialNumberLock(const QString &key)
{
    return key.startsWith(QLatin1String("serial-number"));
}

bool DBA_LockOps::isRegisterLock(const QString &key)
{
    return key.startsWith(QLatin1String("register"));
}
