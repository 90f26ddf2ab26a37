#pragma once

#include "TUTYCommands.h"

#include <QPointer>

class TUCreateJob;

// The Job menu (also the job list's context menu) and its commands. The
// job-creation dialog is kept while it is open, and the TD, ATD and
// priority of the last job created are offered for the next one.
class TUTYJobCommands : public TUTYMenuCommands
{
    Q_OBJECT
public:
    TUTYJobCommands(TUTallyard &window, QMenu *menu);

    // The question asked before deleting the given jobs.
    static QString deleteQuestion(const QStringList &jobs);

public slots:
    void rebuildJobMenu();
    void createJob();
    void deleteJob();
    void stageJob();
    void priorityJob();
    void tdatdJob();
    void finishCreateJob();
    void jobCreateDlgClosing();

protected:
    void buildMenu(QMenu &menu) override;

private:
    void rememberCreatedJob(const QString &name);

    QAction *m_create = nullptr;
    QAction *m_delete = nullptr;
    QAction *m_stage = nullptr;
    QAction *m_priority = nullptr;

    QPointer<TUCreateJob> m_createDialog;
    QString m_td;
    QString m_atd;
    int m_jobPriority = 5;
};
