#include "TUStageJob.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDialogLayout.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>

TUStageJob::TUStageJob(QWidget *parent, TUDbAccess *access, const QString &environment)
    : QDialog(parent)
    , m_access(access)
    , m_environment(environment)
    , m_inProduction(createList("inProduction"))
    , m_completed(createList("completed"))
{
    setMaximumWidth(450);
    auto *layout = new TUDialogLayout(this, tr("Change Stage of Jobs"));
    layout->addWidget(new QLabel(tr("Environment: %1").arg(environment), this));
    layout->addLayout(createColumns());
    QPushButton *ok = layout->addOkCancelRow(tr("OK"), tr("Cancel"));
    connect(ok, &QPushButton::clicked, this, &TUStageJob::changeStageJob);
    fill();
}

QListWidget *TUStageJob::createList(const char *name)
{
    auto *list = new QListWidget(this);
    list->setObjectName(QLatin1String(name));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    return list;
}

QLayout *TUStageJob::createColumns()
{
    auto arrow = [this](QStyle::StandardPixmap icon, const char *name) {
        auto *button = new QPushButton(style()->standardIcon(icon), QString(), this);
        button->setObjectName(QLatin1String(name));
        button->setFixedSize(20, 20);
        return button;
    };
    QPushButton *right = arrow(QStyle::SP_ArrowRight, "toCompleted");
    QPushButton *left = arrow(QStyle::SP_ArrowLeft, "toInProduction");
    connect(right, &QPushButton::clicked, this, &TUStageJob::switchToCompleted);
    connect(left, &QPushButton::clicked, this, &TUStageJob::switchToInProduction);

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("In Production"), this), 0, 0);
    grid->addWidget(new QLabel(tr("Completed"), this), 0, 1);
    grid->addWidget(m_inProduction, 1, 0);
    grid->addWidget(m_completed, 1, 1);
    auto *leftRow = new QHBoxLayout;
    leftRow->addStretch();
    leftRow->addWidget(new QLabel(tr("Change to Completed "), this));
    leftRow->addWidget(right);
    auto *rightRow = new QHBoxLayout;
    rightRow->addWidget(left);
    rightRow->addWidget(new QLabel(tr(" Change to In Production"), this));
    rightRow->addStretch();
    grid->addLayout(leftRow, 2, 0);
    grid->addLayout(rightRow, 2, 1);
    return grid;
}

void TUStageJob::fill()
{
    QVector<dba_job_struct> jobs;
    m_access->dba_GetAllEnvironmentJobs(m_environment, jobs);
    for (const dba_job_struct &job : qAsConst(jobs)) {
        const qint32 stage = job.stage == Completed ? Completed : InProduction;
        (stage == Completed ? m_completed : m_inProduction)->addItem(job.name);
        m_records.append({job.name, qint32(job.stage), qint32(job.stage)});
    }
}

void TUStageJob::switchSelected(QListWidget *from, QListWidget *to, qint32 stage)
{
    const QList<QListWidgetItem *> selected = from->selectedItems();
    for (QListWidgetItem *item : selected) {
        auto record = std::find_if(m_records.begin(), m_records.end(),
                                   [&](const StageRecord &r) { return r.job == item->text(); });
        if (record == m_records.end()) {
            MSG_Scope(staticMetaObject.className(), QT_TR_NOOP("Data Error"));
            close();
            return;
        }
        // Back where it started: its own stage, whatever that was, so OK sends nothing.
        record->newStage = (record->initialStage == Completed) == (stage == Completed) ? record->initialStage : stage;
        to->addItem(item->text());
    }
    for (int row = from->count() - 1; row >= 0; --row) {
        if (from->item(row)->isSelected())
            delete from->takeItem(row);
    }
}

void TUStageJob::switchToCompleted()
{
    switchSelected(m_inProduction, m_completed, Completed);
}

void TUStageJob::switchToInProduction()
{
    switchSelected(m_completed, m_inProduction, InProduction);
}

void TUStageJob::changeStageJob()
{
    bool allDone = true;
    for (const StageRecord &record : qAsConst(m_records)) {
        if (record.newStage == record.initialStage)
            continue;
        dba_job_struct job;
        job.name = record.job;
        if (!m_access->dba_changeStageJob(job, record.newStage)) {
            MSG_Scope(staticMetaObject.className(), QT_TR_NOOP("Could not change stage of the job %1")).arg(record.job);
            allDone = false;
        }
    }
    m_records.clear();
    if (allDone)
        accept();
    else
        close();
}

void TUStageJob::cancel()
{
    m_records.clear();
    close();
}
