#pragma once

#include <QDialog>
#include <QStringList>

class QDialogButtonBox;
class QLabel;
class QProcess;
class QProgressBar;
class QTabWidget;

// Runs the scene editor over scenes, one run after the other, and shows
// each run's output in a tab of its own, errors in dark red. OK is enabled
// once every scene has run; Cancel closes the dialog and ends a run that is
// still going on.
class TYExecuteScriptScenesDialog : public QDialog
{
    Q_OBJECT
public:
    struct Run
    {
        QString scriptFile;
        QString evalCode;
        QString argumentsText; // as typed
        QStringList scenes;
        // The editor's arguments; each run adds its scene's name.
        QStringList baseArguments;
        QString program;
    };

    TYExecuteScriptScenesDialog(QWidget *parent, const Run &run);
    ~TYExecuteScriptScenesDialog() override;

    // Starts the first run; the caller then shows the dialog.
    void start();

private slots:
    void onStandardOutputReady();
    void onStandardErrorReady();
    void onProcessExited();

private:
    void startNextRun();
    void appendToLastTab(const QString &text, bool error);

    const Run m_run;
    QLabel *m_executionLabel;
    QLabel *m_argumentsLabel;
    QProgressBar *m_progressBar;
    QTabWidget *m_tabWidget;
    QDialogButtonBox *m_buttonBox;
    QProcess *m_process = nullptr;
};
