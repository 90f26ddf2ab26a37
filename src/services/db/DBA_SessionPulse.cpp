#include "DBA_SessionPulse.h"

#include "DBA_Clock.h"
#include "DBA_Connection.h"

#include <algorithm>

DBA_SessionPulse &DBA_SessionPulse::instance()
{
    static DBA_SessionPulse pulse;
    return pulse;
}

DBA_SessionPulse::~DBA_SessionPulse()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    stop(lock);
}

int DBA_SessionPulse::intervalSeconds()
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("TALLYARD_PULSE_SECONDS", &ok);
    return ok && seconds > 0 ? seconds : 30;
}

void DBA_SessionPulse::add(const Session &session)
{
    DBA_SessionPulse &self = instance();
    std::unique_lock<std::mutex> lock(self.m_mutex);
    self.m_sessions.append(session);
    if (!self.m_thread.joinable()) {
        self.m_stopping = false;
        self.m_thread = std::thread([&self] { self.run(); });
    }
}

void DBA_SessionPulse::setUser(qint64 id, const QString &user)
{
    DBA_SessionPulse &self = instance();
    std::unique_lock<std::mutex> lock(self.m_mutex);
    for (Session &session : self.m_sessions) {
        if (session.id == id)
            session.user = user;
    }
}

void DBA_SessionPulse::remove(qint64 id)
{
    DBA_SessionPulse &self = instance();
    std::unique_lock<std::mutex> lock(self.m_mutex);
    self.m_sessions.erase(std::remove_if(self.m_sessions.begin(), self.m_sessions.end(),
                                         [id](const Session &session) { return session.id == id; }),
                          self.m_sessions.end());
    if (self.m_sessions.isEmpty())
        self.stop(lock);
}

void DBA_SessionPulse::stop(std::unique_lock<std::mutex> &lock)
{
    if (!m_thread.joinable())
        return;
    m_stopping = true;
    m_wake.notify_all();
    std::thread thread = std::move(m_thread);
    lock.unlock();
    thread.join();
    lock.lock();
}

void DBA_SessionPulse::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_wake.wait_for(lock, std::chrono::seconds(intervalSeconds()), [this] { return m_stopping; })) {
        const QVector<Session> sessions = m_sessions;
        lock.unlock();
        pulse(sessions);
        lock.lock();
    }
}

void DBA_SessionPulse::pulse(QVector<Session> sessions)
{
    std::sort(sessions.begin(), sessions.end(),
              [](const Session &a, const Session &b) { return a.url.toString() < b.url.toString(); });
    DBA_Connection connection;
    for (const Session &session : qAsConst(sessions)) {
        QString error;
        if (!connection.isOpen() || connection.url().toString() != session.url.toString()) {
            // A server that is away now is tried again at the next pulse.
            if (!connection.open(session.url, error))
                continue;
        }
        const QString now = DBA_Clock::serverSecondsSql(connection.isPostgres());
        DBA_Query query;
        if (!connection.exec(query, QStringLiteral("UPDATE sessions SET last_pulse = %1 WHERE id = ?").arg(now),
                             {session.id}, error)
            || query.numRowsAffected() > 0)
            continue;
        // Purged while this process could not pulse (a suspended machine):
        // the row comes back, so the session's next locks are not stale.
        connection.exec(query,
                        QStringLiteral("INSERT INTO sessions (id, user_name, host, application, pid, started, last_pulse) "
                                       "VALUES (?, ?, ?, ?, ?, ?, %1)").arg(now),
                        {session.id, session.user, session.host, session.application, session.pid, session.started}, error);
    }
}
