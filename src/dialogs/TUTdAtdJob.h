#pragma once

#include <QDialog>

class QComboBox;
class TUDbAccess;

// Sets the TD and ATD of the jobs selected in the main window's job list;
// both must name a user. The access is not owned.
class TUTdAtdJob : public QDialog
{
    Q_OBJECT
public:
    TUTdAtdJob(QWidget *parent, TUDbAccess *access, const QStringList &selectedJobs);

public slots:
    void changeTdAtdJob();

private:
    void preset();

    TUDbAccess *m_access;
    QStringList m_jobs;
    QComboBox *m_td;
    QComboBox *m_atd;
};
