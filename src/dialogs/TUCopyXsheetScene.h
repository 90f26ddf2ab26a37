#pragma once

#include "SceneCopyEntry.h"
#include "TUSceneCopyNames.h"

#include <QDialog>
#include <QStringList>
#include <QVector>

#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class TUCopySceneProgressDlg;
class TUDbAccess;
class TUTYSceneCopySummary;
struct dba_job_struct;

// "Copy Scene": copies scenes of one job, with their files and database
// data, into new scenes (or one existing scene) of the same or another job.
// Sources and target are picked in two environment/job/scene browsers; the
// target names follow the name rules and can be edited in the summary. The
// access is not owned; the jobs opened here are closed with the dialog.
class TUCopyXsheetScene : public QDialog
{
    Q_OBJECT
public:
    // sources: the scenes to start with, selected in the source list.
    TUCopyXsheetScene(QWidget *parent, TUDbAccess *access, const QString &environment, const QString &job,
                      const QVector<SceneCopyEntry> &sources);
    ~TUCopyXsheetScene() override;

    const QVector<SceneCopyEntry> &entries() const { return m_entries; }
    // Why OK and Apply are off, when a name cannot be made.
    QString nameProblem() const;

public slots:
    void ok();
    void apply();
    void closeWindow();
    void fromEnvChange();
    void fromJobChange();
    void toEnvChange();
    void toJobChange();
    void updateTOSceneLB();
    void setSceneCopyPos(int itemIndex);
    void nameEditingFinished();
    void updateCopyControlSection();
    void clearSelectionToSceneLB();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    // One browser: environment, job and scene lists, and the job open on it.
    struct Side
    {
        QListWidget *environments = nullptr;
        QListWidget *jobs = nullptr;
        QListWidget *scenes = nullptr;
        std::shared_ptr<dba_job_struct> job;
    };
    enum Fill { Both = 0, Sources = 1, Targets = 2 };

    QGroupBox *makeBrowser(const QString &title, Side &side);
    QGroupBox *makeCopyControl();
    QGroupBox *makeSummary();
    void fillBrowsers(Fill mode, const QString &environment, const QString &job, const QStringList &scenes);
    void fillJobs(Side &side, const QString &select);
    // Opens the selected job on side and lists its scenes.
    void fillScenes(Side &side, const QStringList &select);
    std::shared_ptr<dba_job_struct> openJob(const QString &name, const Side &other);
    void closeJobs();
    void readRules();
    bool computeNames();
    void showComputation(bool computed);
    void finishRun(bool completed, const QStringList &written);

    TUDbAccess *m_access;
    QVector<SceneCopyEntry> m_entries;
    QStringList m_written;
    Side m_from;
    Side m_to;
    TUSceneCopyNames::Rules m_rules;
    int m_position = 2;
    QString m_nameProblem;

    QLineEdit *m_newName;
    QLabel *m_newNameLabel;
    QLineEdit *m_prefix;
    QLineEdit *m_replace;
    QLineEdit *m_by;
    QLineEdit *m_suffix;
    QGroupBox *m_copyControl = nullptr;
    QLabel *m_problem;
    TUTYSceneCopySummary *m_summary;
    QCheckBox *m_copyAll;
    QPushButton *m_ok;
    QPushButton *m_apply;
    QPushButton *m_close;
    TUCopySceneProgressDlg *m_progress;
};
