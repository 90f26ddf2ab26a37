#include "TYBatchJob.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"

TYBatchJob::TYBatchJob(TUDbAccess &access, const QString &environment, const QString &job)
    : m_access(access)
{
    if (!isInEnvironment(access, environment, job))
        return;
    m_open = access.dba_OpenJob(job, access.jobRecord()) != -1;
    if (!m_open)
        MSG_Scope("tallyard", QT_TRANSLATE_NOOP("tallyard", "Error opening job: %1."), MSG_Scope::Error, 2).arg(job);
}

TYBatchJob::~TYBatchJob()
{
    if (m_access.sceneRecord().isOpen())
        m_access.dba_CloseScene(m_access.sceneRecord());
    if (m_access.jobRecord().isOpen())
        m_access.dba_CloseJob(m_access.jobRecord());
}

bool TYBatchJob::isInEnvironment(TUDbAccess &access, const QString &environment, const QString &job)
{
    QVector<dba_job_struct> jobs;
    if (access.dba_GetEnvironmentJobs(environment, jobs) > 0) {
        for (const dba_job_struct &each : jobs) {
            if (each.name == job)
                return true;
        }
    }
    // Job names are unique across environments: a job found under another
    // environment than the one named is a slip the run must not act on.
    MSG_Scope("tallyard", QT_TRANSLATE_NOOP("tallyard", "Job %1 is not in environment %2."), MSG_Scope::Error, 1)
        .arg(job)
        .arg(environment);
    return false;
}
