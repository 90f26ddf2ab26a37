#include "DBA_RowLock.h"

#include "DBA_Context.h"

namespace {
const char *tableName(DBA_RowLock::Table table)
{
    switch (table) {
    case DBA_RowLock::Environment: return "environments";
    case DBA_RowLock::Job: return "jobs";
    case DBA_RowLock::Scene: break;
    }
    return "scenes";
}

QString forUpdate(const DBA_Context &ctx)
{
    return ctx.connection.isPostgres() ? QStringLiteral(" FOR UPDATE") : QString();
}

// The first key of the advisory locks on a job's places ("TYJP"); the job's id is the second.
const int kJobPlaces = 0x54594a50;
} // namespace

bool DBA_RowLock::lockJob(DBA_Context &ctx, qint64 jobId, JobUse use, const QString &what)
{
    if (ctx.connection.isPostgres()) {
        // Ids past the integer range share a key with a smaller one: that only makes them wait for each other.
        const QString sql = QStringLiteral("SELECT %1(?, CAST(MOD(CAST(? AS bigint), 2147483648) AS integer))")
                                .arg(use == Append ? QLatin1String("pg_advisory_xact_lock_shared")
                                                   : QLatin1String("pg_advisory_xact_lock"));
        if (!ctx.run(sql, {kJobPlaces, jobId}, what))
            return false;
        if (use == Append)
            return true;
    }
    return lock(ctx, Job, jobId, what);
}

bool DBA_RowLock::neededForOneStatement(const DBA_Context &ctx)
{
    return ctx.connection.isPostgres();
}

bool DBA_RowLock::lock(DBA_Context &ctx, Table table, qint64 id, const QString &what)
{
    DBA_Query query;
    if (!ctx.run(query, QStringLiteral("SELECT id FROM %1 WHERE id = ?").arg(QLatin1String(tableName(table))) + forUpdate(ctx),
                 {id}, what))
        return false;
    if (!query.next())
        return ctx.fail(DBA_Context::NotFound, dbaTr("%1: it does not exist any more.").arg(what));
    return true;
}

qint64 DBA_RowLock::lockScene(DBA_Context &ctx, const QString &job, const QString &name, const QString &what)
{
    DBA_Query query;
    if (!ctx.run(query,
                 QStringLiteral("SELECT id FROM scenes WHERE job_id = (SELECT id FROM jobs WHERE name = ?) AND name = ?")
                     + forUpdate(ctx),
                 {job, name}, what))
        return 0;
    if (!query.next()) {
        ctx.fail(DBA_Context::NotFound, dbaTr("%1: scene %2 does not exist in job %3.").arg(what, name, job));
        return 0;
    }
    return query.value(0).toLongLong();
}

bool DBA_RowLock::lockScenesOfJob(DBA_Context &ctx, qint64 jobId, const QString &what)
{
    DBA_Query query;
    return ctx.run(query, QStringLiteral("SELECT id FROM scenes WHERE job_id = ? ORDER BY id") + forUpdate(ctx), {jobId}, what);
}
