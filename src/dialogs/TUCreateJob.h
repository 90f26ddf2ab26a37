#pragma once

#include <QDialog>

class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QSlider;
class TUDbAccess;
struct dba_job_struct;

// Creates a job in the environment given at construction, with its TD, ATD,
// approval policy and priority. Shown modeless (at most one per main window)
// and deleted when closed. jobCreated() tells the window to refresh;
// jobCreateDlgClosing() comes however the dialog goes away, so the window can
// re-enable its lists. On a failure the dialog stays open with its input.
// The access is not owned.
class TUCreateJob : public QDialog
{
    Q_OBJECT
public:
    TUCreateJob(QWidget *parent, TUDbAccess *access, const QString &environment,
                const QString &defaultTd, const QString &defaultAtd, int defaultPriority);

    QString jobName() const;

signals:
    void jobCreateDlgClosing();
    void jobCreated();

public slots:
    void createJob();
    void priorityChange(int priority);

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QGridLayout *createFieldGrid();
    QHBoxLayout *createPriorityColumns();
    void fillUserCombos(const QString &defaultTd, const QString &defaultAtd);
    bool checkInput() const;
    dba_job_struct jobFromInput() const;
    void reportCreateFailure(const QString &job) const;

    TUDbAccess *m_access;
    QString m_environment;
    QLineEdit *m_name;
    QComboBox *m_td;
    QComboBox *m_atd;
    QComboBox *m_approvals;
    QSlider *m_priority;
    QLabel *m_priorityValue;
};
