#pragma once

#include <QMutex>
#include <QString>

#include <atomic>
#include <memory>
#include <vector>

class MSG_Text;
class MSG_Courier;

// The process-wide message sink. Every message raised through MSG_Scope ends
// in TUMessage::instance(); subclasses decide where it goes (log file, report
// box, standard error). Messages raised on other threads are queued and
// written on the main thread, in the order they were raised.
//
// Error codes accumulate: the sink keeps the highest code caught so far and
// never lowers it, so a batch run's exit status reflects its worst failure.
class TUMessage
{
public:
    TUMessage(const QString &programName, bool debug, bool baseFlag = false);
    virtual ~TUMessage();

    TUMessage(const TUMessage &) = delete;
    TUMessage &operator=(const TUMessage &) = delete;

    // The current sink; a standard-error sink until setInstance() is called.
    static TUMessage &instance();
    // Installs a sink without taking ownership; the caller keeps it alive
    // until releaseInstance() or the next setInstance().
    static void setInstance(TUMessage *sink);
    // Writes out what is still queued and falls back to the standard-error sink.
    static void releaseInstance();

    // Entry point of MSG_Scope: catches the error code, then writes the
    // message now (main thread) or queues it (other threads).
    void report(char type, const MSG_Text &text, int errorCode = 0, bool interactive = true);

    void catchErrorCode(int code);
    int getErrorCode() const { return m_errorCode.load(); }

    void suspendReport(bool suspend);
    bool isReportSuspended() const { return m_reportSuspended; }
    void setSilent(bool silent) { m_silent = silent; }
    bool isSilent() const { return m_silent; }
    void setDirect(bool direct) { m_direct = direct; }
    bool isDirect() const { return m_direct; }
    virtual void setDebugMode(bool on) { m_debug = on; }
    bool isDebugMode() const { return m_debug; }

    QString programName() const { return m_programName; }
    QString userName() const { return m_userName; }

    // The path of the log file, or "No logFile" when the sink keeps none.
    virtual QString logFilePath() const;
    virtual QString getLogContent() const { return {}; }
    virtual void openLog() {}
    virtual void close() {}
    virtual void clearLog() {}
    virtual void lflush() {}

    // Writes out the messages queued by other threads; main thread only.
    void flush();

    static QString getMsgTypeText(char type);
    // " hh:mm:ss.zzz ", the stamp every sink puts between type letter and text.
    static QString timeStamp();

protected:
    // Called on the main thread only, once per message.
    virtual void writeMessage(char type, const QString &text, const QString &translated,
                              bool interactive) = 0;
    // Called when report suspension ends, so a sink can show what waited.
    virtual void reportResumed() {}

private:
    struct Queued {
        char type;
        QString text;
        QString translated;
    };

    QString m_programName;
    QString m_userName;
    bool m_debug;
    bool m_silent = false;
    bool m_direct = false;
    bool m_reportSuspended = false;
    std::atomic<int> m_errorCode{0};

    QRecursiveMutex m_queueLock;
    std::vector<Queued> m_queue;
    bool m_posted = false;
    std::unique_ptr<MSG_Courier> m_courier;

    static std::atomic<TUMessage *> s_instance;
};
