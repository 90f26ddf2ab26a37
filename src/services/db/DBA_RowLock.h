#pragma once

#include <QString>

class DBA_Context;

// The service's one rule for check-then-act (see TUDbAccess.h): a write
// transaction that checks a scene, job or environment and then changes it
// locks that row first, before reading anything it decides on. PostgreSQL
// locks the row (SELECT ... FOR UPDATE); SQLite has already taken its write
// lock at BEGIN, so the SELECT there only finds the row.
class DBA_RowLock
{
public:
    enum Table { Environment, Job, Scene };

    // Whether one conditional statement (insert a lock unless the scene is
    // gone, check out unless renamed) must lock its row first. PostgreSQL:
    // yes, its subqueries read a snapshot that a concurrent delete or rename
    // may be about to outdate. SQLite: no, one statement runs alone, and
    // skipping the transaction keeps the database's write lock short.
    static bool neededForOneStatement(const DBA_Context &ctx);

    // Locks the row id of table; false with NotFound ("<what>: ... does not
    // exist") when it is gone, or with the failure of the statement.
    static bool lock(DBA_Context &ctx, Table table, qint64 id, const QString &what);

    // What a change does to the order of a job's scenes. Reorder (scenes
    // placed among others, moved, or the job deleted) locks the job's row
    // and takes the job's places alone. Append (one scene added at the
    // bottom) only shares the places with other appends: it waits for a
    // Reorder and makes one wait, while appends go on side by side, so the
    // order an append reads (the bottom) holds until it commits; the unique
    // name settles two appends of one name, and two appends of different
    // names may take the same order (the names then sort them). On
    // PostgreSQL the places are a transaction-level advisory lock on the job,
    // always taken before its row; SQLite's write lock already holds all.
    enum JobUse { Reorder, Append };
    static bool lockJob(DBA_Context &ctx, qint64 jobId, JobUse use, const QString &what);
    // Locks the scene row named by job and scene name; its id, 0 on failure.
    static qint64 lockScene(DBA_Context &ctx, const QString &job, const QString &name, const QString &what);
    // Locks every scene row of a job (for a job delete): false on failure.
    static bool lockScenesOfJob(DBA_Context &ctx, qint64 jobId, const QString &what);
};
