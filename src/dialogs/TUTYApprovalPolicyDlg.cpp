#include "TUTYApprovalPolicyDlg.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"

TUTYApprovalPolicyDlg::TUTYApprovalPolicyDlg(QWidget *parent, TUDbAccess *access, const QString &environment)
    : QDialog(parent)
    , m_access(access)
{
    m_ui.setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    m_ui._lvJobs->setColumnWidth(0, 200);
    m_ui._lvJobs->setIndentation(0);
    m_ui._lvJobs->setAllColumnsShowFocus(true);
    m_ui._lvJobs->setSelectionMode(QAbstractItemView::ExtendedSelection);
    connect(m_ui._cbEnvironment, &QComboBox::textActivated, this, &TUTYApprovalPolicyDlg::activatedCbEnvironment);
    connect(m_ui._btnAutomatic, &QPushButton::clicked, this, &TUTYApprovalPolicyDlg::clickedBtnAutomatic);
    connect(m_ui._btnManual, &QPushButton::clicked, this, &TUTYApprovalPolicyDlg::clickedBtnManual);
    connect(m_ui._btnOK, &QPushButton::clicked, this, &TUTYApprovalPolicyDlg::Accept);

    QStringList environments;
    if (m_access->dba_GetEnvironments(environments) == -1) {
        MSG_Scope(staticMetaObject.className(), QT_TR_NOOP("Cannot get environments list"));
        return;
    }
    m_ui._cbEnvironment->addItems(environments);
    m_ui._cbEnvironment->setCurrentText(environment);
    activatedCbEnvironment(environment);
}

void TUTYApprovalPolicyDlg::activatedCbEnvironment(const QString &environment)
{
    m_ui._lvJobs->clear();
    QVector<dba_job_struct> jobs;
    m_access->dba_GetEnvironmentJobs(environment, jobs, 0);
    QList<QTreeWidgetItem *> items;
    for (const dba_job_struct &job : qAsConst(jobs))
        items << new QTreeWidgetItem({job.name, job.manualApproval ? tr("Manual") : tr("Automatic")});
    m_ui._lvJobs->addTopLevelItems(items);
}

void TUTYApprovalPolicyDlg::setPolicy(int policy)
{
    for (const QTreeWidgetItem *item : m_ui._lvJobs->selectedItems()) {
        dba_job_struct job;
        job.name = item->text(0);
        if (!m_access->dba_changeApprovalPolicy(job, policy))
            MSG_Scope(staticMetaObject.className(), MSG_Text(m_access->lastErrorText()));
    }
    activatedCbEnvironment(m_ui._cbEnvironment->currentText());
}

void TUTYApprovalPolicyDlg::clickedBtnAutomatic()
{
    setPolicy(0);
}

void TUTYApprovalPolicyDlg::clickedBtnManual()
{
    setPolicy(1);
}

void TUTYApprovalPolicyDlg::Accept()
{
    accept();
}
