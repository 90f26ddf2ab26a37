#pragma once

#include <QDialog>
#include <QVector>

class QListWidget;
class TUDbAccess;

// Moves the jobs of one environment between "In Production" and
// "Completed"; OK changes only the jobs whose stage differs from the one
// they had on opening. The access is not owned.
class TUStageJob : public QDialog
{
    Q_OBJECT
public:
    TUStageJob(QWidget *parent, TUDbAccess *access, const QString &environment);

public slots:
    void switchToCompleted();
    void switchToInProduction();
    void changeStageJob();
    void cancel();

private:
    struct StageRecord {
        QString job;
        qint32 initialStage;
        qint32 newStage;
    };
    enum { InProduction = 0, Completed = 1 };

    QListWidget *createList(const char *name);
    QLayout *createColumns();
    void fill();
    void switchSelected(QListWidget *from, QListWidget *to, qint32 stage);

    TUDbAccess *m_access;
    QString m_environment;
    QListWidget *m_inProduction;
    QListWidget *m_completed;
    QVector<StageRecord> m_records;
};
