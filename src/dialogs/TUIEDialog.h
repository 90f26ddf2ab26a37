#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class QPlainTextEdit;
class QTabWidget;
class TUDbAccess;
class TUDbSelect;
class TUIEOptionWidgets;
class TUTYProgressDlg;

// What the export and import dialogs share. Their forms give the shared
// widgets the same names ("tabs", "logView", "closeButton", the option
// buttons and boxes): the option widgets, the message log tab fed by the
// window sink, a run with the form disabled and the report held until its
// end, and the progress dialog whose Cancel stops the run. The access and
// selector are not owned.
class TUIEDialog : public QDialog
{
    Q_OBJECT
public:
    ~TUIEDialog() override;

    // The outcome of the last run: true when it ended without an error.
    bool lastRunSucceeded() const { return m_succeeded; }

public slots:
    virtual void enableApply() = 0;
    virtual void set() = 0;
    virtual void clear() = 0;
    virtual void progressCancel() = 0;
    void libraryCBToggled(bool on);
    void groupCBToggled(bool on);
    void paletteCBToggled(bool on);

protected:
    // context: the message scope of the dialog's log lines.
    TUIEDialog(QWidget *parent, TUDbAccess *access, TUDbSelect *selector, bool useCurrentWorkingDir,
               const char *context);

    // Called once the form is set up: finds the shared widgets and connects them.
    void setUpForm();
    virtual void dataDefaultValue() = 0;

    void log(const QString &text, bool error = false) const;
    // The folder a chooser starts in when nothing is chosen yet.
    QString defaultFolder() const;
    // Runs work with the tabs and buttons disabled and a wait cursor,
    // failures written to the log as they come; then logs what summary says
    // of the outcome (a warning when work failed) and enables the tabs and
    // "Close" again.
    void runDisabled(const std::function<bool()> &work, const std::function<QString(bool)> &summary);
    // A progress dialog over this one, shown, whose Cancel calls progressCancel().
    std::unique_ptr<TUTYProgressDlg> showProgress(const QString &title, int files);

    TUDbAccess *m_access;
    TUDbSelect *m_selector;
    std::unique_ptr<TUIEOptionWidgets> m_options;
    QTabWidget *m_tabs = nullptr;
    bool m_succeeded = false;

private:
    QPlainTextEdit *m_logView = nullptr;
    const char *m_context;
    bool m_useCurrentWorkingDir;
};
