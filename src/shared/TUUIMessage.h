#pragma once

#include "TUFileLock.h"
#include "TUMessage.h"

#include <QFile>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTextStream>
#include <QVector>

#include <functional>

class QMessageBox;
class QPlainTextEdit;
class QWidget;

// The message sink of every run that may show windows. In window behaviour
// each message goes to a per-user, per-run log file ("<logs>/<program>_<user>_NNNN.log",
// with a lock file beside it that this run holds until close()), errors and
// warnings wait in a pending report shown in one message box, and attached
// log views get every line. In batch behaviour messages go to standard error
// and no log file is named.
//
// The sink does not own the attached views, the dialog parents or the
// registered widget; it forgets views when they are destroyed.
class TUUIMessage : public QObject, public TUMessage
{
    Q_OBJECT
public:
    // Choices start-up makes before the log is opened, and the two places
    // where the sink leaves the process or blocks (replaceable in tests).
    struct Options {
        // "-append_log": a reused log number keeps the earlier run's text.
        bool appendLog = false;
        // Ends the process; std::exit when empty.
        std::function<void(int status)> exitProcess;
        // Shows a fully built message box modally; QMessageBox::exec when empty.
        std::function<void(QMessageBox &box)> runBox;
    };

    static constexpr int LastLogNumber = 9999;
    static constexpr int MaxReportLines = 30;

    TUUIMessage(const QString &programName, bool debug, bool batch, bool baseFlag);
    TUUIMessage(const QString &programName, bool debug, bool batch, bool baseFlag, Options options);
    ~TUUIMessage() override;

    // Start-up switches batch behaviour on and off around headless operations.
    void setBatch(bool batch) { m_batch = batch; }
    bool isBatch() const { return m_batch; }

    void setDebugMode(bool on) override;
    QString logFilePath() const override;
    QString getLogContent() const override;
    void openLog() override;
    void close() override;
    void clearLog() override;
    void lflush() override;

    // Adds text to the pending report and, unless reporting is suspended,
    // shows the whole report in one box. ignoreAll, when given, asks for
    // "Ignore"/"Ignore All" buttons and is set when "Ignore All" is pressed.
    virtual void interactiveReport(char type, const QString &text, bool *ignoreAll);
    virtual void writeHeader();

    // Fills the view with the log's text; it then receives every message.
    void attachLogView(QPlainTextEdit *view);
    void detachLogView(QPlainTextEdit *view);

    // Report boxes open over the innermost pushed dialog.
    void pushDialogParent(QWidget *parent);
    void popDialogParent();
    // The widget closed before a fatal box, and the last resort as box parent.
    void setRegisteredWidget(QWidget *widget) { m_registeredWidget = widget; }

protected:
    void writeMessage(char type, const QString &text, const QString &translated,
                      bool interactive) override;
    void reportResumed() override;

private:
    bool okToUseFile(const QString &lockPath, const QString &logPath);
    bool openPair();
    bool hasTranslatedLog() const { return !m_untranslated && m_trLogFile.isOpen(); }
    QIODevice::OpenMode logOpenMode() const;
    void attachStreams();
    void flushStreams();
    void writeLockFile();
    void fatalLogFailure();
    void writeHeaderLine(const char *format, const QString &value, const QString &translatedValue);
    void writeHeaderLine(const char *line);
    QString versionText();
    void writeLogLine(char type, const QString &stamp, const QString &text, const QString &translated);
    void refreshViews();

    void addToReport(char type, const QString &text);
    int reportLineCount() const;
    QString reportText() const;
    void showReport(bool *ignoreAll);
    QWidget *reportParent() const;
    void holdBoxWidth(QMessageBox &box, const QString &text) const;

    bool m_batch;
    bool m_appendLog;
    bool m_untranslated = true;
    std::function<void(int)> m_exitProcess;
    std::function<void(QMessageBox &)> m_runBox;

    QFile m_logFile;
    QFile m_trLogFile;
    QFile m_lockFile;
    QTextStream m_logStream;
    QTextStream m_trLogStream;
    TUFileLock m_lock;
    QString m_versionText;

    QVector<QPointer<QPlainTextEdit>> m_views;
    QPointer<QWidget> m_registeredWidget;
    QVector<QPointer<QWidget>> m_dialogParents;

    QStringList m_report;
    char m_reportKind = 'I';
    bool m_boxOpen = false;
};
