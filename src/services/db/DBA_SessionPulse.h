#pragma once

#include "DBA_Url.h"

#include <QString>
#include <QVector>

#include <condition_variable>
#include <mutex>
#include <thread>

// Keeps the open sessions of this process alive: a thread of its own
// refreshes their rows every interval, whether or not the program runs an
// event loop (batch runs, a script waiting, a long import). It opens a
// short-lived connection of its own for each pulse, since the process's
// link belongs to the thread that opened it.
class DBA_SessionPulse
{
public:
    struct Session {
        DBA_Url url;
        qint64 id = 0;
        QString user, host, application;
        qint64 pid = 0, started = 0;
    };

    // Starts refreshing session (the first one starts the thread).
    static void add(const Session &session);
    // Records the session's user for a row the pulse must make again.
    static void setUser(qint64 id, const QString &user);
    // Stops refreshing session id (the last one stops the thread).
    static void remove(qint64 id);
    // TALLYARD_PULSE_SECONDS, else 30.
    static int intervalSeconds();

    ~DBA_SessionPulse();

private:
    static DBA_SessionPulse &instance();
    void run();
    void stop(std::unique_lock<std::mutex> &lock);
    static void pulse(QVector<Session> sessions);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    bool m_stopping = false;
    QVector<Session> m_sessions;
};
