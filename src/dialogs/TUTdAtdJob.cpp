#include "TUTdAtdJob.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDialogLayout.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace {
// Item 0 of both combos: no user.
constexpr int kNone = 0;

// The running value of the preset: taken while empty, kept while equal,
// cleared when a job differs (and taken again by the next one).
void runningValue(QString &running, const QString &value)
{
    if (running.isEmpty())
        running = value;
    else if (running != value)
        running.clear();
}
} // namespace

TUTdAtdJob::TUTdAtdJob(QWidget *parent, TUDbAccess *access, const QStringList &selectedJobs)
    : QDialog(parent)
    , m_access(access)
    , m_jobs(selectedJobs)
    , m_td(new QComboBox(this))
    , m_atd(new QComboBox(this))
{
    m_td->setObjectName(QStringLiteral("td"));
    m_atd->setObjectName(QStringLiteral("atd"));
    const QStringList names = TUDialogLayout::userChoices(*m_access, tr("None"));
    m_td->addItems(names);
    m_atd->addItems(names);

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("TD"), this), 0, 0);
    grid->addWidget(m_td, 0, 1);
    grid->addWidget(new QLabel(tr("ATD"), this), 1, 0);
    grid->addWidget(m_atd, 1, 1);
    grid->setColumnStretch(1, 1);
    auto *layout = new TUDialogLayout(this, tr("Job TD / ATD"));
    layout->addLayout(grid);
    QPushButton *ok = layout->addOkCancelRow(tr("OK"), tr("Cancel"));
    connect(ok, &QPushButton::clicked, this, &TUTdAtdJob::changeTdAtdJob);
    preset();
}

void TUTdAtdJob::preset()
{
    QString td, atd;
    for (const QString &name : m_jobs) {
        dba_job_struct job;
        if (m_access->dba_OpenJob(name, job) == -1)
            continue;
        runningValue(td, m_access->dba_getTdJob(job));
        runningValue(atd, m_access->dba_getAtdJob(job));
        m_access->dba_CloseJob(job);
    }
    const auto select = [](QComboBox *combo, const QString &name) {
        const int index = name.isEmpty() ? -1 : combo->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
        combo->setCurrentIndex(index < 0 ? kNone : index);
    };
    select(m_td, td);
    select(m_atd, atd);
}

void TUTdAtdJob::changeTdAtdJob()
{
    if (m_td->currentIndex() == kNone || m_atd->currentIndex() == kNone) {
        MSG_Scope(staticMetaObject.className(), QT_TR_NOOP("Please specify a name for both TD and ATD"));
        return;
    }
    bool allDone = true;
    for (const QString &name : m_jobs) {
        dba_job_struct job;
        job.name = name;
        if (!m_access->dba_changeTdAtdJob(job, m_td->currentText(), m_atd->currentText())) {
            MSG_Scope(staticMetaObject.className(), QT_TR_NOOP("Could not change TD and ATD of job %1")).arg(name);
            allDone = false;
        }
    }
    if (allDone)
        accept();
}
