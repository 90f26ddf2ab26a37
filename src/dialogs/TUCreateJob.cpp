#include "TUCreateJob.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDialogLayout.h"
#include "TUSceneNameValidator.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

namespace {
// Index 0 of the TD and ATD combos; a job needs a real user in both.
constexpr int kNoUser = 0;
// Indexes of the "Approvals" combo, as the database's default policy counts them.
constexpr int kManualApproval = 1;

void selectName(QComboBox *combo, const QString &name)
{
    combo->setCurrentIndex(qMax(kNoUser, combo->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive)));
}
} // namespace

TUCreateJob::TUCreateJob(QWidget *parent, TUDbAccess *access, const QString &environment,
                         const QString &defaultTd, const QString &defaultAtd, int defaultPriority)
    : QDialog(parent)
    , m_access(access)
    , m_environment(environment)
    , m_name(new QLineEdit(this))
    , m_td(new QComboBox(this))
    , m_atd(new QComboBox(this))
    , m_approvals(new QComboBox(this))
    , m_priority(new QSlider(Qt::Vertical, this))
    , m_priorityValue(new QLabel(QStringLiteral("5"), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Create Job"));
    m_name->setObjectName(QStringLiteral("jobName"));
    m_name->setValidator(new TUSceneNameValidator(m_name, 1));
    m_name->setMinimumWidth(125);
    connect(m_name, &QLineEdit::returnPressed, this, &TUCreateJob::createJob);

    m_td->setObjectName(QStringLiteral("td"));
    m_atd->setObjectName(QStringLiteral("atd"));
    fillUserCombos(defaultTd, defaultAtd);
    m_approvals->setObjectName(QStringLiteral("approvals"));
    m_approvals->addItems({tr("automatic"), tr("manual")});
    m_approvals->setCurrentIndex(m_access->dba_default_approval_policy());

    // Inverted, so that 0, the highest priority, stands at the top next to "High".
    m_priority->setObjectName(QStringLiteral("priority"));
    m_priority->setRange(0, 10);
    m_priority->setPageStep(1);
    m_priority->setTickPosition(QSlider::TicksRight);
    m_priority->setInvertedAppearance(true);
    m_priority->setValue(defaultPriority);
    m_priorityValue->setObjectName(QStringLiteral("priorityValue"));
    priorityChange(m_priority->value());
    connect(m_priority, &QSlider::valueChanged, this, &TUCreateJob::priorityChange);

    auto *row = new QHBoxLayout;
    row->addLayout(createFieldGrid());
    row->addSpacing(25);
    row->addLayout(createPriorityColumns());

    auto *layout = new TUDialogLayout(this);
    layout->addStretch();
    layout->addLayout(row);
    QPushButton *ok = layout->addOkCancelRow(tr("OK"), tr("Cancel"));
    connect(ok, &QPushButton::clicked, this, &TUCreateJob::createJob);
}

QGridLayout *TUCreateJob::createFieldGrid()
{
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Job Name"), this), 0, 0);
    grid->addWidget(m_name, 0, 1);
    grid->addWidget(new QLabel(tr("TD"), this), 1, 0);
    grid->addWidget(m_td, 1, 1);
    grid->addWidget(new QLabel(tr("ATD"), this), 2, 0);
    grid->addWidget(m_atd, 2, 1);
    grid->addWidget(new QLabel(tr("Approvals"), this), 3, 0);
    grid->addWidget(m_approvals, 3, 1);
    return grid;
}

QHBoxLayout *TUCreateJob::createPriorityColumns()
{
    auto *title = new QVBoxLayout;
    title->addWidget(new QLabel(tr("Priority"), this));
    title->addSpacing(20);
    title->addWidget(m_priorityValue);
    title->addStretch();

    auto *scale = new QVBoxLayout;
    scale->addWidget(new QLabel(tr("High"), this));
    scale->addWidget(m_priority);
    scale->addWidget(new QLabel(tr("Low"), this));

    auto *columns = new QHBoxLayout;
    columns->addLayout(title);
    columns->addLayout(scale);
    return columns;
}

void TUCreateJob::fillUserCombos(const QString &defaultTd, const QString &defaultAtd)
{
    // Every user, in the database's order: any user may be a job's TD or ATD.
    const QStringList names = TUDialogLayout::userChoices(*m_access, tr("None"));
    m_td->addItems(names);
    m_atd->addItems(names);
    selectName(m_td, defaultTd);
    selectName(m_atd, defaultAtd);
}

QString TUCreateJob::jobName() const
{
    return m_name->text();
}

void TUCreateJob::priorityChange(int priority)
{
    m_priorityValue->setText(QString::number(priority));
}

void TUCreateJob::createJob()
{
    if (!checkInput())
        return;
    dba_job_struct job = jobFromInput();
    if (m_access->dba_createJob(job) == -1) {
        reportCreateFailure(job.name);
        return;
    }
    emit jobCreated();
    // accept() closes without a close event, so the window hears of it here.
    emit jobCreateDlgClosing();
    accept();
}

bool TUCreateJob::checkInput() const
{
    const char *refusal = nullptr;
    if (m_environment.isNull())
        refusal = QT_TR_NOOP("Please select an environment");
    else if (m_name->text().isEmpty())
        refusal = QT_TR_NOOP("Please provide job name");
    else if (m_td->currentIndex() == kNoUser || m_atd->currentIndex() == kNoUser)
        refusal = QT_TR_NOOP("Please specify both TD and ATD name");
    if (refusal)
        MSG_Scope(staticMetaObject.className(), refusal, MSG_Scope::Error);
    return !refusal;
}

dba_job_struct TUCreateJob::jobFromInput() const
{
    dba_job_struct job;
    job.name = m_name->text();
    job.environment = m_environment;
    job.td = m_td->currentText();
    job.atd = m_atd->currentText();
    job.priority = m_priority->value();
    job.manualApproval = m_approvals->currentIndex() == kManualApproval;
    job.creationFlag = 1; // every job the program creates gets its folders
    return job;
}

void TUCreateJob::reportCreateFailure(const QString &job) const
{
    if (m_access->lastErrorCode() == DBA_Context::AlreadyExists) {
        MSG_Scope(staticMetaObject.className(), QT_TR_NOOP("Job %1 already exists,\npossibly in another environment."),
                  MSG_Scope::Error)
            .arg(job);
        return;
    }
    MSG_Scope(staticMetaObject.className(), QT_TR_NOOP("Could not create job %1 in environment %2."), MSG_Scope::Error)
        .arg(job)
        .arg(m_environment);
}

void TUCreateJob::closeEvent(QCloseEvent *event)
{
    emit jobCreateDlgClosing();
    QDialog::closeEvent(event);
    event->accept();
}

void TUCreateJob::keyPressEvent(QKeyEvent *event)
{
    // Return must not press a default button: only the name field's own Return
    // starts a creation. Escape goes through close() so the closing signal comes.
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    event->ignore();
}
