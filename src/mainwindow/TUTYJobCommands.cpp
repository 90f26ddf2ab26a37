#include "TUTYJobCommands.h"

#include "MSG_Scope.h"
#include "TUCreateJob.h"
#include "TUDbAccess.h"
#include "TUPriorityJob.h"
#include "TUStageJob.h"
#include "TUTYConfirm.h"
#include "TUTYRefusal.h"
#include "TUTallyard.h"
#include "TUTdAtdJob.h"

#include <QMenu>

namespace {
const char *const kContext = "TUTYJobCommands";
// How many job names the delete question lists.
const int kListedJobs = 10;
} // namespace

TUTYJobCommands::TUTYJobCommands(TUTallyard &window, QMenu *menu)
    : TUTYMenuCommands(window, menu)
{
    connect(menu, &QMenu::aboutToShow, this, &TUTYJobCommands::rebuildJobMenu);
}

void TUTYJobCommands::buildMenu(QMenu &menu)
{
    if (access().hasUserPermissionCreateJob())
        m_create = menu.addAction(tr("&Create..."), this, &TUTYJobCommands::createJob);
    if (access().hasUserPermissionModifyJob()) {
        m_delete = menu.addAction(tr("&Delete"), this, &TUTYJobCommands::deleteJob);
        m_stage = menu.addAction(tr("Change &Stage..."), this, &TUTYJobCommands::stageJob);
    }
    m_priority = menu.addAction(tr("Change &Priority..."), this, &TUTYJobCommands::priorityJob);
}

void TUTYJobCommands::rebuildJobMenu()
{
    ensureMenu();
    const bool environment = !m_window.currentEnvironment().isEmpty();
    const bool jobs = environment && !m_window.selectedJobs().isEmpty();
    enable(m_create, environment);
    enable(m_stage, environment);
    enable(m_delete, jobs);
    enable(m_priority, jobs);
}

void TUTYJobCommands::createJob()
{
    const QString environment = m_window.currentEnvironment();
    if (environment.isEmpty())
        return;
    if (!TUTYRefusal::permits(access(), TUTYRefusal::CreateJobs))
        return;
    if (!m_createDialog) {
        m_createDialog = new TUCreateJob(dialogParent(), &access(), environment, m_td, m_atd, m_jobPriority);
        connect(m_createDialog, &TUCreateJob::jobCreateDlgClosing, this, &TUTYJobCommands::jobCreateDlgClosing);
        connect(m_createDialog, &TUCreateJob::jobCreated, this, &TUTYJobCommands::finishCreateJob);
    }
    // Shown rather than run, so the window's event loop goes on; the lists
    // stay still until the dialog has gone.
    m_window.setBrowsingEnabled(false);
    m_createDialog->setModal(true);
    m_createDialog->show();
    m_createDialog->raise();
    m_createDialog->activateWindow();
}

void TUTYJobCommands::jobCreateDlgClosing()
{
    m_window.setBrowsingEnabled(true);
}

void TUTYJobCommands::finishCreateJob()
{
    if (m_createDialog)
        rememberCreatedJob(m_createDialog->jobName());
    m_window.envSelected();
}

void TUTYJobCommands::rememberCreatedJob(const QString &name)
{
    // What the user chose for this job is the best guess for the next one.
    dba_job_struct job;
    if (access().dba_OpenJob(name, job) == -1)
        return;
    m_td = job.td;
    m_atd = job.atd;
    m_jobPriority = job.priority;
    access().dba_CloseJob(job);
}

QString TUTYJobCommands::deleteQuestion(const QStringList &jobs)
{
    if (jobs.size() == 1)
        return tr("Really delete job %1?").arg(jobs.first());
    const QString more = jobs.size() > kListedJobs ? QStringLiteral("\n ...") : QString();
    return tr("Really delete these %1 jobs?\n\n %2%3")
        .arg(jobs.size())
        .arg(jobs.mid(0, kListedJobs).join(QStringLiteral("\n ")), more);
}

void TUTYJobCommands::deleteJob()
{
    if (!TUTYRefusal::permits(access(), TUTYRefusal::DeleteJobs))
        return;
    const QStringList jobs = m_window.selectedJobs();
    if (jobs.isEmpty() || !TUTYConfirm::yesNo(deleteQuestion(jobs)))
        return;
    for (const QString &job : jobs) {
        if (access().jobRecord().name == job)
            m_window.clearScenes();
        if (access().dba_deleteJob(job) == 0)
            MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYJobCommands", "Could not delete job %1")).arg(job);
    }
    m_window.envSelected();
}

void TUTYJobCommands::stageJob()
{
    const QString environment = m_window.currentEnvironment();
    if (environment.isEmpty()
        || !permits(DBA_UserOps::ModifyJob, kContext, QT_TRANSLATE_NOOP("TUTYJobCommands",
                                            "You do not have the permission necessary to stage jobs --")))
        return;
    if ((new TUStageJob(dialogParent(), &access(), environment))->exec() == QDialog::Accepted)
        m_window.envSelected();
}

void TUTYJobCommands::priorityJob()
{
    const QStringList jobs = m_window.selectedJobs();
    if (jobs.isEmpty()
        || !permits(DBA_UserOps::ModifyJob, kContext,
                    QT_TRANSLATE_NOOP("TUTYJobCommands",
                                      "You do not have the permission necessary to change the priority of jobs --")))
        return;
    if ((new TUPriorityJob(dialogParent(), &access(), jobs))->exec() == QDialog::Accepted)
        m_window.envSelected();
}

void TUTYJobCommands::tdatdJob()
{
    if (permits(DBA_UserOps::ModifyJob, kContext, QT_TRANSLATE_NOOP("TUTYJobCommands",
                                        "You do not have the permission necessary to modify jobs --")))
        (new TUTdAtdJob(dialogParent(), &access(), m_window.selectedJobs()))->exec();
}

