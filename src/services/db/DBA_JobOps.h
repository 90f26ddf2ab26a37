#pragma once

#include "DBA_Records.h"

class DBA_Context;

// Jobs. Job names are unique across all environments.
class DBA_JobOps
{
public:
    explicit DBA_JobOps(DBA_Context &context) : m_ctx(context) {}

    // -1 on failure (code 10: a job of that name exists, maybe elsewhere).
    int dba_createJob(dba_job_struct &job);
    // Non-zero when deleted, with its scenes and their folders; a job with a
    // locked or checked-out scene is refused.
    int dba_deleteJob(const QString &name);
    // Fills job, with its scene table; -1 on failure.
    int dba_OpenJob(const QString &name, dba_job_struct &job);
    void dba_CloseJob(dba_job_struct &job);
    // Re-reads the scene table of an open job.
    bool dba_RefreshJob(dba_job_struct &job);

    int dba_getPriorityJob(const dba_job_struct &job);
    bool dba_changePriorityJob(dba_job_struct &job, int priority);
    bool dba_changeStageJob(dba_job_struct &job, int stage);
    QString dba_getTdJob(const dba_job_struct &job);
    QString dba_getAtdJob(const dba_job_struct &job);
    bool dba_changeTdAtdJob(dba_job_struct &job, const QString &td, const QString &atd);
    static int dba_default_approval_policy() { return 0; }
    // 0 automatic, 1 manual.
    bool dba_changeApprovalPolicy(dba_job_struct &job, int policy);
    // Whether scenes carry check-out fields (they always do here).
    bool dba_HasSceneCheckoutFields(const dba_job_struct * = nullptr) const { return true; }
    // The scene in the current row of an open job's scene table, with the
    // fields the table holds (the job's listing needs no query a scene).
    static dba_scene_struct sceneAtCurrentRow(const dba_job_struct &job);

private:
    DBA_Context &m_ctx;
};
