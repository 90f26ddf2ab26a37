#pragma once

#include <QString>

class DBA_Connection;
class DBA_Context;

// Whether someone works on a scene. A scene is in use while any lock on it
// exists (the scene lock, the stage edit lock, a version lock), while it is
// checked out, or while a rename of it is unfinished; in use, it may not be
// deleted, cleared, moved, renamed or copied onto. A lock whose session died
// still counts: it is forced (or repaired by "tallyard-db check --repair")
// on purpose, never stepped over. Call these after DBA_RowLock has locked
// the row, so the answer holds until the transaction ends.
class DBA_SceneUse
{
public:
    // False with code Locked saying who uses the scene, or with a failure.
    static bool checkIdle(DBA_Context &ctx, qint64 sceneId, const QString &what);
    // The same for every scene of a job; the text names the first busy scene.
    static bool checkJobIdle(DBA_Context &ctx, qint64 jobId, const QString &what);

    // The condition that the lock key column key is a version lock of the
    // scene whose id is the SQL expression sceneId: keys "<id>:<number>" as
    // the bytewise range [<id>":", <id>";"), which an index serves (';'
    // follows ':').
    static QString versionLockOf(const DBA_Connection &connection, const QString &key, const QString &sceneId);
};
