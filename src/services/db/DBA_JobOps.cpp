#include "DBA_JobOps.h"

#include "DBA_Context.h"
#include "DBA_FolderOwnership.h"
#include "DBA_RowLock.h"
#include "DBA_SceneUse.h"
#include "UT_FaultPoint.h"
#include "TUDbSceneData.h"
#include "oswRemapPath.h"
#include "tufile.h"

namespace {
const QStringList kAssetFolders = {QStringLiteral("palette-library"), QStringLiteral("groups"), QStringLiteral("library")};

// The scene table's columns, in the order the query below reads them.
const QVector<int> kSceneColumns = {
    DBC_Table::Name, DBC_Table::Order, DBC_Table::FileSystem, DBC_Table::Path, DBC_Table::Priority,
    DBC_Table::Frames, DBC_Table::StageIndex, DBC_Table::ApprovalStage, DBC_Table::AssignedTo, DBC_Table::Created,
    DBC_Table::CreatedBy, DBC_Table::CurrentVersion, DBC_Table::PencilTest, DBC_Table::PaperSize,
    DBC_Table::ScanSize, DBC_Table::Id, DBC_Table::Td, DBC_Table::Atd, DBC_Table::CheckedOut,
    DBC_Table::CheckoutUser, DBC_Table::CheckoutDate,
};

// The job's scenes in one query, laid out in the scene table's numbered columns.
bool readSceneTable(DBA_Context &ctx, dba_job_struct &job)
{
    job.scene() = DBC_Table(DBC_Table::ColumnCount, kSceneColumns);
    DBA_Query query;
    if (!ctx.run(query,
                 QStringLiteral("SELECT name, sort_order, file_system, path, priority, frames, stage_index, approval_stage, "
                                "assigned_to, created, created_by, current_version, pencil_test, paper_size, scan_size, "
                                "id, td, atd, checked_out, checkout_user, checkout_date "
                                "FROM scenes WHERE job_id = ? ORDER BY sort_order, name"),
                 {job.id}, dbaTr("Cannot read the scenes of job %1").arg(job.name)))
        return false;
    while (query.next())
        job.scene().appendStoredRow([&query](int i) { return query.value(i); });
    return true;
}

} // namespace

dba_scene_struct DBA_JobOps::sceneAtCurrentRow(const dba_job_struct &job)
{
    const DBC_Table &table = job.scene();
    dba_scene_struct scene;
    scene.id = table.data(DBC_Table::Id).toLongLong();
    scene.jobId = job.id;
    scene.name = table.data(DBC_Table::Name).toString();
    scene.jobName = job.name;
    scene.environment = job.environment;
    scene.fileSystem = table.data(DBC_Table::FileSystem).toString();
    scene.path = table.data(DBC_Table::Path).toString();
    scene.priority = table.data(DBC_Table::Priority).toInt();
    scene.frames = table.data(DBC_Table::Frames).toInt();
    scene.stageIndex = table.data(DBC_Table::StageIndex).toInt();
    scene.approvalStage = table.data(DBC_Table::ApprovalStage).toString();
    scene.assignedTo = table.data(DBC_Table::AssignedTo).toString();
    scene.td = table.data(DBC_Table::Td).toString();
    scene.atd = table.data(DBC_Table::Atd).toString();
    scene.pencilTest = table.data(DBC_Table::PencilTest).toInt();
    scene.paperSize = table.data(DBC_Table::PaperSize).toInt();
    scene.scanSize = table.data(DBC_Table::ScanSize).toDouble();
    scene.currentVersion = table.data(DBC_Table::CurrentVersion).toInt();
    scene.created = table.data(DBC_Table::Created).toLongLong();
    scene.checkedOut = table.data(DBC_Table::CheckedOut).toInt() != 0;
    scene.checkoutUser = table.data(DBC_Table::CheckoutUser).toString();
    scene.checkoutDate = table.data(DBC_Table::CheckoutDate).toLongLong();
    return scene;
}

int DBA_JobOps::dba_createJob(dba_job_struct &job)
{
    m_ctx.clearError();
    if (!m_ctx.checkName(job.name, dbaTr("job")))
        return -1;
    const qint64 envId = m_ctx.idOf("environments", job.environment, dbaTr("Environment"));
    if (envId == 0)
        return -1;
    if (job.priority < 0 || job.priority > 10) {
        m_ctx.fail(DBA_Context::Failed, dbaTr("The priority of job %1 must be between 0 and 10.").arg(job.name));
        return -1;
    }
    DBA_Transaction transaction(m_ctx.connection);
    QString error;
    const QString what = dbaTr("Cannot create job %1").arg(job.name);
    // The environment's row first, so a delete of it waits or is refused;
    // one deleted meanwhile is told as one gone before the call.
    if (!m_ctx.begin(transaction, what))
        return -1;
    if (!DBA_RowLock::lock(m_ctx, DBA_RowLock::Environment, envId, what)) {
        if (m_ctx.lastErrorCode() == DBA_Context::NotFound)
            m_ctx.fail(DBA_Context::NotFound, dbaTr("Environment %1 does not exist.").arg(job.environment));
        return -1;
    }
    DBA_Query query;
    const qint64 now = DBA_Context::now();
    if (!m_ctx.run(query,
                   QStringLiteral("INSERT INTO jobs (environment_id, name, td, atd, priority, manual_approval, stage, created) "
                                  "VALUES (?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"),
                   {envId, job.name, job.td, job.atd, job.priority, int(job.manualApproval), job.stage, now}, what)
        || !query.next()) {
        if (m_ctx.lastErrorCode() == DBA_Context::AlreadyExists)
            m_ctx.fail(DBA_Context::AlreadyExists, dbaTr("Job %1 already exists,\npossibly in another environment.").arg(job.name));
        return -1;
    }
    const qint64 id = query.value(0).toLongLong();
    query = QSqlQuery();
    if (job.creationFlag == 1) {
        const QString local = oswRemapPath::RemapPath2(TUDbSceneData::jobDirOf(job.name));
        for (const QString &folder : kAssetFolders) {
            if (!tufile::checkCreatePath(local + QLatin1Char('/') + folder, error)) {
                m_ctx.fail(DBA_Context::Failed, error);
                return -1;
            }
        }
    }
    if (!transaction.commit(error)) {
        m_ctx.failSql(what, error);
        return -1;
    }
    job.created = now;
    return int(id);
}

int DBA_JobOps::dba_deleteJob(const QString &name)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot delete job %1").arg(name);
    const qint64 id = m_ctx.idOf("jobs", name, dbaTr("Job"));
    DBA_Transaction transaction(m_ctx.connection);
    DBA_FolderOwnership folders(m_ctx);
    DBA_Query query;
    // The job's row, then its scenes' rows: no scene can be locked, checked
    // out or added between the check and the delete.
    if (id == 0 || !m_ctx.begin(transaction, what) || !DBA_RowLock::lockJob(m_ctx, id, DBA_RowLock::Reorder, what)
        || !DBA_RowLock::lockScenesOfJob(m_ctx, id, what) || !DBA_SceneUse::checkJobIdle(m_ctx, id, what)
        || !m_ctx.run(query, QStringLiteral("SELECT path, owns_folder FROM scenes WHERE job_id = ?"), {id}, what))
        return 0;
    // Read to the end first: the PostgreSQL driver drops unread rows when the next statement runs.
    QVector<QPair<QString, bool>> sceneFolders;
    while (query.next())
        sceneFolders.append({query.value(0).toString(), query.value(1).toInt() != 0});
    query.finish();
    for (const auto &folder : sceneFolders) {
        if (!folders.judgeSceneFolder(folder.first, folder.second, 0, id, what))
            return 0;
    }
    folders.addOwnFolder(TUDbSceneData::jobDirOf(name));
    UT_FAULT_POINT("delete-job-checked");
    if (!m_ctx.run(query, QStringLiteral("DELETE FROM jobs WHERE id = ?"), {id}, what))
        return 0;
    if (query.numRowsAffected() != 1)
        return m_ctx.fail(DBA_Context::NotFound, dbaTr("%1: it was deleted meanwhile.").arg(what));
    query.finish();
    if (!m_ctx.commit(transaction, what))
        return 0;
    UT_FAULT_POINT("delete-job-committed");
    return folders.removeFolders(what) ? 1 : 0;
}

int DBA_JobOps::dba_OpenJob(const QString &name, dba_job_struct &job)
{
    m_ctx.clearError();
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("SELECT j.id, j.name, e.name, j.td, j.atd, j.priority, j.manual_approval, "
                                         "j.stage, j.created FROM jobs j JOIN environments e ON e.id = j.environment_id "
                                         "WHERE j.name = ?"),
                   {name}, dbaTr("Cannot open job %1").arg(name)))
        return -1;
    if (!query.next()) {
        m_ctx.fail(DBA_Context::NotFound, dbaTr("Job %1 does not exist.").arg(name));
        return -1;
    }
    job.id = query.value(0).toLongLong();
    job.name = query.value(1).toString();
    job.environment = query.value(2).toString();
    job.td = query.value(3).toString();
    job.atd = query.value(4).toString();
    job.priority = query.value(5).toInt();
    job.manualApproval = query.value(6).toBool();
    job.stage = query.value(7).toInt();
    job.created = query.value(8).toLongLong();
    if (!readSceneTable(m_ctx, job)) {
        job.id = 0;
        return -1;
    }
    return 0;
}

void DBA_JobOps::dba_CloseJob(dba_job_struct &job)
{
    job.id = 0;
    job.scene().clear();
}

bool DBA_JobOps::dba_RefreshJob(dba_job_struct &job)
{
    return job.isOpen() && readSceneTable(m_ctx, job);
}

int DBA_JobOps::dba_getPriorityJob(const dba_job_struct &job)
{
    return job.priority;
}

namespace {
bool updateJob(DBA_Context &ctx, dba_job_struct &job, const char *assignments, const QVariantList &values,
               const QString &what)
{
    DBA_Query query;
    QVariantList bound = values;
    bound << job.name;
    if (!ctx.run(query, QStringLiteral("UPDATE jobs SET %1 WHERE name = ?").arg(QLatin1String(assignments)), bound, what))
        return false;
    if (query.numRowsAffected() != 1)
        return ctx.fail(DBA_Context::NotFound, dbaTr("Job %1 does not exist.").arg(job.name));
    return true;
}
} // namespace

bool DBA_JobOps::dba_changePriorityJob(dba_job_struct &job, int priority)
{
    if (priority < 0 || priority > 10)
        return m_ctx.fail(DBA_Context::Failed, dbaTr("The priority of job %1 must be between 0 and 10.").arg(job.name));
    if (!updateJob(m_ctx, job, "priority = ?", {priority}, dbaTr("Cannot change the priority of job %1").arg(job.name)))
        return false;
    job.priority = priority;
    return true;
}

bool DBA_JobOps::dba_changeStageJob(dba_job_struct &job, int stage)
{
    if (!updateJob(m_ctx, job, "stage = ?", {stage}, dbaTr("Cannot change the stage of job %1").arg(job.name)))
        return false;
    job.stage = stage;
    return true;
}

QString DBA_JobOps::dba_getTdJob(const dba_job_struct &job)
{
    return job.td;
}

QString DBA_JobOps::dba_getAtdJob(const dba_job_struct &job)
{
    return job.atd;
}

bool DBA_JobOps::dba_changeTdAtdJob(dba_job_struct &job, const QString &td, const QString &atd)
{
    if (!updateJob(m_ctx, job, "td = ?, atd = ?", {td, atd}, dbaTr("Cannot change the TD and ATD of job %1").arg(job.name)))
        return false;
    job.td = td;
    job.atd = atd;
    return true;
}

bool DBA_JobOps::dba_changeApprovalPolicy(dba_job_struct &job, int policy)
{
    if (!updateJob(m_ctx, job, "manual_approval = ?", {int(policy == 1)},
                   dbaTr("Cannot change the approval policy of job %1").arg(job.name)))
        return false;
    job.manualApproval = policy == 1;
    return true;
}
