#pragma once

#include "ui_tutyapprovalpolicydlg.h"

#include <QDialog>

class TUDbAccess;

// Shows each job of an environment with its approval policy and sets the
// policy of the selected jobs at once. The access is not owned.
class TUTYApprovalPolicyDlg : public QDialog
{
    Q_OBJECT
public:
    TUTYApprovalPolicyDlg(QWidget *parent, TUDbAccess *access, const QString &environment);

public slots:
    void activatedCbEnvironment(const QString &environment);
    void clickedBtnAutomatic();
    void clickedBtnManual();
    void Accept();

private:
    void setPolicy(int policy);

    Ui::TUTYApprovalPolicyDlg m_ui;
    TUDbAccess *m_access;
};
