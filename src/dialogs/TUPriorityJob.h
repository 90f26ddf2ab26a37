#pragma once

#include "TUPriorityDlg.h"

// Sets the priority of the jobs selected in the main window's job list.
class TUPriorityJob : public TUPriorityDlg
{
    Q_OBJECT
public:
    TUPriorityJob(QWidget *parent, TUDbAccess *access, const QStringList &selectedJobs);

public slots:
    void changePriorityJob();

private:
    QStringList m_jobs;
};
