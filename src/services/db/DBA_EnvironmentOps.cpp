#include "DBA_EnvironmentOps.h"

#include "DBA_Context.h"
#include "DBA_FolderOwnership.h"
#include "DBA_RowLock.h"
#include "UT_FaultPoint.h"
#include "TUDbSceneData.h"
#include "oswRemapPath.h"
#include "tufile.h"

namespace {
const QStringList kAssetFolders = {QStringLiteral("palette-library"), QStringLiteral("groups"), QStringLiteral("library")};

QVector<dba_job_struct> readJobs(QSqlQuery &query)
{
    QVector<dba_job_struct> jobs;
    while (query.next()) {
        dba_job_struct job;
        job.name = query.value(0).toString();
        job.environment = query.value(1).toString();
        job.td = query.value(2).toString();
        job.atd = query.value(3).toString();
        job.priority = query.value(4).toInt();
        job.manualApproval = query.value(5).toBool();
        job.stage = query.value(6).toInt();
        job.created = query.value(7).toLongLong();
        jobs.append(job);
    }
    return jobs;
}
} // namespace

int DBA_EnvironmentOps::createEnv(const QString &name, bool sceneAssetLock)
{
    m_ctx.clearError();
    if (!m_ctx.checkName(name, dbaTr("environment")))
        return 0;
    DBA_Transaction transaction(m_ctx.connection);
    QString error;
    if (!transaction.begin(error))
        return m_ctx.failSql(dbaTr("Cannot create environment %1").arg(name), error);
    if (!m_ctx.run(QStringLiteral("INSERT INTO environments (name, scene_asset_lock, created) VALUES (?, ?, ?)"),
                   {name, int(sceneAssetLock), DBA_Context::now()}, dbaTr("Cannot create environment %1").arg(name)))
        return 0;
    // The record wins the race for the name; only the winner makes folders.
    const QString local = oswRemapPath::RemapPath2(TUDbSceneData::environmentDir(name));
    for (const QString &folder : kAssetFolders) {
        if (!tufile::checkCreatePath(local + QLatin1Char('/') + folder, error)) {
            m_ctx.fail(DBA_Context::Failed, error);
            return 0;
        }
    }
    if (!transaction.commit(error)) {
        m_ctx.failSql(dbaTr("Cannot create environment %1").arg(name), error);
        return 0;
    }
    return 1;
}

int DBA_EnvironmentOps::deleteEnv(const QString &name)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot delete environment %1").arg(name);
    const qint64 id = m_ctx.idOf("environments", name, dbaTr("Environment"));
    DBA_Transaction transaction(m_ctx.connection);
    DBA_Query query;
    if (id == 0 || !m_ctx.begin(transaction, what) || !DBA_RowLock::lock(m_ctx, DBA_RowLock::Environment, id, what)
        || !m_ctx.run(query, QStringLiteral("SELECT COUNT(*) FROM jobs WHERE environment_id = ?"), {id}, what)
        || !query.next())
        return 0;
    if (query.value(0).toInt() > 0)
        return m_ctx.fail(DBA_Context::Refused, dbaTr("Environment %1 still holds jobs; delete them first.").arg(name));
    UT_FAULT_POINT("delete-env-checked");
    if (!m_ctx.run(query, QStringLiteral("DELETE FROM environments WHERE id = ?"), {id}, what))
        return 0;
    if (query.numRowsAffected() != 1)
        return m_ctx.fail(DBA_Context::NotFound, dbaTr("%1: it was deleted meanwhile.").arg(what));
    query.finish();
    if (!m_ctx.commit(transaction, what))
        return 0;
    UT_FAULT_POINT("delete-env-committed");
    DBA_FolderOwnership folders(m_ctx);
    folders.addOwnFolder(TUDbSceneData::environmentDir(name));
    return folders.removeFolders(what) ? 1 : 0;
}

int DBA_EnvironmentOps::dba_GetEnvironments(QStringList &names)
{
    names.clear();
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("SELECT name FROM environments ORDER BY name"), {},
                   dbaTr("Cannot list the environments")))
        return -1;
    while (query.next())
        names << query.value(0).toString();
    return int(names.size());
}

bool DBA_EnvironmentOps::dba_ValidateEnvironmentName(const QString &name)
{
    return m_ctx.idOf("environments", name, dbaTr("Environment")) != 0;
}

bool DBA_EnvironmentOps::dba_GetEnvironmentSceneLock(const QString &name, int &status)
{
    DBA_Query query;
    status = -1;
    if (!m_ctx.run(query, QStringLiteral("SELECT scene_asset_lock FROM environments WHERE name = ?"), {name},
                   dbaTr("Cannot read environment %1").arg(name)))
        return false;
    if (!query.next())
        return m_ctx.fail(DBA_Context::NotFound, dbaTr("Environment %1 does not exist.").arg(name));
    status = 0;
    return query.value(0).toBool();
}

bool DBA_EnvironmentOps::dba_SetEnvironmentSceneLock(const QString &name, bool lock)
{
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("UPDATE environments SET scene_asset_lock = ? WHERE name = ?"),
                   {int(lock), name}, dbaTr("Cannot change environment %1").arg(name)))
        return false;
    if (query.numRowsAffected() != 1)
        return m_ctx.fail(DBA_Context::NotFound, dbaTr("Environment %1 does not exist.").arg(name));
    return true;
}

int DBA_EnvironmentOps::dba_GetEnvironmentJobs(const QString &environment, QVector<dba_job_struct> &jobs, int)
{
    jobs.clear();
    const qint64 id = m_ctx.idOf("environments", environment, dbaTr("Environment"));
    if (id == 0)
        return -1;
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("SELECT j.name, e.name, j.td, j.atd, j.priority, j.manual_approval, j.stage, j.created "
                                         "FROM jobs j JOIN environments e ON e.id = j.environment_id "
                                         "WHERE j.environment_id = ? ORDER BY j.name"),
                   {id}, dbaTr("Cannot list the jobs of %1").arg(environment)))
        return -1;
    jobs = readJobs(query);
    return int(jobs.size());
}

int DBA_EnvironmentOps::dba_GetAllEnvironmentJobs(const QString &environment, QVector<dba_job_struct> &jobs)
{
    return dba_GetEnvironmentJobs(environment, jobs, 0);
}
