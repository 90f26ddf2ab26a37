#pragma once

#include "TUTY_ScriptChunker.h"

#include <QHash>
#include <QHostAddress>
#include <QMutex>
#include <QStringList>
#include <QThread>
#include <QVariantList>
#include <QWaitCondition>

class DBS_Mediator;
class DBS_ScriptManager;
class TUDbSelect;

// The remote script server. Its thread accepts TCP connections and reads
// them one at a time; each chunk read is posted to this object, which lives
// on the main thread, evaluates every script the chunk completes and hands
// the results back through a rendezvous, and the thread sends them.
//
// Requests are UTF-8 lines cut into scripts by TUTY_ScriptChunker. Each
// connection keeps its own unfinished text, dropped when it closes; text
// that grows too long without completing a script is refused with one
// error line and the connection is closed. A client that does not read its
// answers is not read from while MaxUnsentBytes of them wait, so no client
// makes the server hold more than about that much for it. At most
// MaxConnections are served at once: one more is told so in one error line
// and closed, and a server out of descriptors accepts again once some are
// free.
class TUTY_RemoteScript_Impl : public QThread
{
    Q_OBJECT
public:
    static constexpr int MaxUnsentBytes = 1024 * 1024;
    static constexpr int MaxConnections = 32;

    // What the main thread hands back for one chunk of a connection.
    struct Answer {
        QStringList lines;
        bool more = false;  // scripts complete but not run yet: ask again once the lines are sent
        bool close = false; // the client misbehaved: send the lines, then close
    };
    enum class Input { Chunk, Resume, Closed };

    TUTY_RemoteScript_Impl(QObject *parent, TUDbSelect *selector, DBS_Mediator *mediator, const QString &port);
    ~TUTY_RemoteScript_Impl() override;

    // The port from "-tcpPort", else from KESTRUNE_REMOTE_SCRIPT; 0 when
    // neither reads as a positive decimal number.
    static quint16 portFrom(const QString &option);
    // The address to listen on: "address" in remote-script.ini of the
    // configuration folder, 127.0.0.1 without one.
    static QHostAddress listenAddress();

    // Stops the thread and waits for it; any wait for the main thread ends.
    void stop();

    // Network thread: hands one chunk (or the end of a connection, or the
    // wish to go on with what an earlier chunk completed) to the main
    // thread and waits for the answer.
    Answer process(quintptr connection, const QString &chunk, Input input = Input::Chunk);

signals:
    // Network thread: listening (port) or not (0) after start-up.
    void listening(quint16 port);

protected:
    void run() override;
    void customEvent(QEvent *event) override;

private:
    // Main thread: evaluates what the connection's text now completes,
    // until about MaxUnsentBytes of answers are made.
    Answer handleChunk(quintptr connection, const QString &chunk, bool resume);

    // A connection's unfinished text and the scripts it completed that have
    // not run yet.
    struct Pending {
        TUTY_ScriptChunker chunker;
        QStringList scripts;
    };

    QString m_port;
    DBS_ScriptManager *m_scriptManager;
    QHash<quintptr, Pending> m_pending; // main thread only

    QMutex m_mutex;
    QWaitCondition m_done;
    bool m_processed = false;
    bool m_stopping = false;
    Answer m_answer;
};
