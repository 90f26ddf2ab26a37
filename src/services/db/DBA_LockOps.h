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
    bool dba_HaveSceneLock(const dba_scene_struct &scene);
    bool isSceneLocked(const dba_job_struct &job, const QString &name);
    // The holder of a scene's lock, empty when it is free.
    QString dba_GetSceneLockUser(const dba_job_struct &job, const QString &name);
    bool dba_forceUnlockScene(const dba_job_struct &job, const QString &name, bool alsoVersions = true, bool onlyStale = false);

    // The stage edit lock guards writing a scene's data (import).
    int dba_GetStageEditLock(dba_scene_struct &scene);
    void dba_ReleaseStageEditLock(dba_scene_struct &scene);
    bool dba_GetStageInfo(const dba_scene_struct &scene, QString &user, QString &host, qint64 &time);

    // Version locks, one per (scene, version).
    int dba_LockSceneVersion(const dba_scene_struct &scene, int versionNumber);
    bool dba_GetAllLockedVersionIds(const dba_scene_struct &scene, QVector<qint64> &versionIds);
    QString dba_GetSceneVersionLockUser(const dba_scene_struct &scene, qint64 versionId);
    bool dba_forceUnlockSceneVersion(const QString &user, const dba_scene_struct &scene, qint64 versionId);

    // Check-out: a scene checked out is reserved for one user until checked in.
    bool dba_GetSceneCheckoutLock(const dba_scene_struct &scene);
    QString dba_GetSceneCheckoutUser(const dba_scene_struct &scene);
    qint64 dba_GetSceneCheckoutDate(const dba_scene_struct &scene);
    int dba_IsSceneCheckedOut(const dba_scene_struct &scene);
    bool dba_IsCheckedOutToCurrentUser(const dba_scene_struct &scene);
    // True when this call checked it out; false when it was already out.
    bool dba_CheckoutScene(const dba_job_struct &job, const QString &name, const QString &user);
    // Checks in a scene checked out by the current user.
    bool dba_CheckinScene(const dba_job_struct &job, const QString &name);
    bool dba_forceCheckinScene(const dba_job_struct &job, const QString &name, bool onlyStale = false);

    // Logical locks of kinds "V1" and "V2", keyed by text. Keys beginning
    // with "serial-number" and "register" are recognised by the lock manager.
    int dba_GetLogicalLock(const QString &kind, const QString &key, const QString &mode);
    bool dba_ReleaseLogicalLock(const QString &kind, const QString &key);
    // Every lock, or those of one kind, in key order.
    QVector<dba_lock_struct> dba_GetLocks(const QString &kind = QString());
    bool dba_CheckLogicalLock(const QString &kind, const QString &key);
    bool dba_ForceReleaseLock(const QString &kind, const QString &key);
    static bool isSerialNumberLock(const QString &key);
    static bool isRegisterLock(const QString &key);

private:
    int takeLock(const QString &kind, const QString &key, const QString &mode, qint64 *lockId);

    DBA_Context &m_ctx;
};
