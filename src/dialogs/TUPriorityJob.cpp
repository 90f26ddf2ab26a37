#include "TUPriorityJob.h"

#include "TUDbAccess.h"

#include <QPushButton>

TUPriorityJob::TUPriorityJob(QWidget *parent, TUDbAccess *access, const QStringList &selectedJobs)
    : TUPriorityDlg(parent, access, tr("Job Priority"))
    , m_jobs(selectedJobs)
{
    QVector<int> priorities;
    for (const QString &name : m_jobs) {
        dba_job_struct job;
        priorities << (m_access->dba_OpenJob(name, job) != -1 ? m_access->dba_getPriorityJob(job) : -1);
        m_access->dba_CloseJob(job);
    }
    preset(priorities);
    connect(findChild<QPushButton *>(QStringLiteral("ok")), &QPushButton::clicked, this,
            &TUPriorityJob::changePriorityJob);
}

void TUPriorityJob::changePriorityJob()
{
    applyEach(m_jobs, QT_TR_NOOP("Could not change priority of the job %1"), [this](const QString &name) {
        dba_job_struct job;
        job.name = name;
        return m_access->dba_changePriorityJob(job, priority());
    });
}
