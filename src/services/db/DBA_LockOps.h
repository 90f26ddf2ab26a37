#pragma once

#include "DBA_Records.h"

#include <QStringList>

class DBA_Context;

// Locks are rows: one per (kind, key), taken by a single conditional insert,
// so two processes racing for one lock get exactly one winner. Each records
// who holds it (user, host, application, process, session, time); a lock
// whose session stopped pulsing is stale and may be forced.
class DBA_LockOps
{
public:
    explicit DBA_LockOps(DBA_Context &context) : m_ctx(context) {}

    // 0 when obtained (the record then holds it), 1 when someone else
    // holds it, -1 on failure.
    int dba_GetSceneLock(dba_scene_struct &scene);
    void dba_ReleaseSceneLock(dba_scene_struct &scene);
    // Whether the record holds the scene's lock or this session its stage
    // edit lock.
    bool dba_HaveSceneLock(const dba_scene_struct &scene);
    // Whether anyone holds the scene's lock, stage edit lock or a version
    // lock. False for an unknown scene (code NotFound); true when the locks
    // cannot be read, since callers go on to change the scene.
    bool isSceneLocked(const dba_job_struct &job, const QString &name);
    // The holder of a scene's lock, empty when it is free.
    QString dba_GetSceneLockUser(const dba_job_struct &job, const QString &name);
    // Removes the scene's lock and stage edit lock, with alsoVersions its
    // version locks too; with onlyStale only the locks of dead sessions.
    bool dba_forceUnlockScene(const dba_job_struct &job, const QString &name, bool alsoVersions = true, bool onlyStale = false);
    // Removes only what owner holds on the scene (its lock, stage edit lock,
    // version locks and check-out), and only while owner holds the scene's
    // lock (else code Refused): the force unlock of a user who may unlock
    // only their own locks.
    bool dba_forceUnlockOwnedScene(const dba_job_struct &job, const QString &name, const QString &owner);

    // The stage edit lock guards writing a scene's data (import): 0 when
    // taken, -1 when it cannot be taken (held by another, or a failure).
    int dba_GetStageEditLock(dba_scene_struct &scene);
    void dba_ReleaseStageEditLock(dba_scene_struct &scene);
    // The holder of the stage edit lock; false when there is none.
    bool dba_GetStageInfo(const dba_scene_struct &scene, QString &user, QString &host, qint64 &time);

    // Version locks, one per (scene, version number); results as dba_GetSceneLock.
    int dba_LockSceneVersion(const dba_scene_struct &scene, int versionNumber);
    // Releases a version lock this session holds.
    bool dba_UnlockSceneVersion(const dba_scene_struct &scene, int versionNumber);
    // Ids (in the scene's version table) of the locked versions, in version order.
    bool dba_GetAllLockedVersionIds(const dba_scene_struct &scene, QVector<qint64> &versionIds);
    QString dba_GetSceneVersionLockUser(const dba_scene_struct &scene, qint64 versionId);
    // user is who forces it, for the failure text; rights are the caller's.
    bool dba_forceUnlockSceneVersion(const QString &user, const dba_scene_struct &scene, qint64 versionId);

    // Check-out: a scene checked out is reserved for one user until checked
    // in. The state is read from the database, not from the record.
    bool dba_GetSceneCheckoutLock(const dba_scene_struct &scene);
    QString dba_GetSceneCheckoutUser(const dba_scene_struct &scene);
    qint64 dba_GetSceneCheckoutDate(const dba_scene_struct &scene);
    // 1 checked out, 0 not, -1 on failure.
    int dba_IsSceneCheckedOut(const dba_scene_struct &scene);
    bool dba_IsCheckedOutToCurrentUser(const dba_scene_struct &scene);
    // True when this call checked it out (to user, or the current user when
    // empty); false when it was already out (code Locked) or on failure.
    bool dba_CheckoutScene(const dba_job_struct &job, const QString &name, const QString &user);
    // Checks in a scene checked out by the current user; refused (code
    // Refused) for another user's. A scene not checked out is left as is.
    bool dba_CheckinScene(const dba_job_struct &job, const QString &name);
    // Checks in whoever checked it out; with onlyStale only when the user
    // has no live session on the host it was checked out from.
    bool dba_forceCheckinScene(const dba_job_struct &job, const QString &name, bool onlyStale = false);

    // Logical locks of kinds "V1" and "V2", keyed by text. Keys beginning
    // with "serial-number" and "register" are recognised by the lock manager.
    int dba_GetLogicalLock(const QString &kind, const QString &key, const QString &mode);
    // Releases a logical lock this session holds.
    bool dba_ReleaseLogicalLock(const QString &kind, const QString &key);
    // Every lock, or those of one kind, in key order.
    QVector<dba_lock_struct> dba_GetLocks(const QString &kind = QString());
    bool dba_CheckLogicalLock(const QString &kind, const QString &key);
    // Removes a lock whoever holds it; false (code NotFound) when there is none.
    bool dba_ForceReleaseLock(const QString &kind, const QString &key);
    // Removes the lock row listed earlier, and only it: a lock released and
    // taken again meanwhile is another row and stays. With onlyStale, only
    // while its session is dead. False (code NotFound) when nothing matched.
    bool dba_ForceReleaseLockId(qint64 id, bool onlyStale = false);
    // The scene a scene, stage or version lock guards; 0 for other kinds.
    static qint64 sceneIdOfLock(const dba_lock_struct &lock);
    static bool isSerialNumberLock(const QString &key);
    static bool isRegisterLock(const QString &key);

private:
    // Inserts the lock unless it exists; with sceneId, only while that
    // scene exists. Results as dba_GetSceneLock; what names the locked thing
    // in the failure text.
    int takeLock(const QString &kind, const QString &key, const QString &mode, qint64 sceneId, const QString &what,
                 qint64 *lockId = nullptr);
    // Deletes this session's lock of kind and key; false when it held none.
    bool releaseOwnLock(const QString &kind, const QString &key, const QString &what);
    bool requireOpenScene(const dba_scene_struct &scene);
    // The id of the job's scene of that name; 0 with NotFound when none.
    qint64 sceneIdOf(const dba_job_struct &job, const QString &name);
    // Clears a check-out when condition holds; see the definition.
    bool checkIn(const dba_job_struct &job, const QString &name, const QString &condition,
                 const QVariantList &values, bool ownerOnly);

    DBA_Context &m_ctx;
};
