#pragma once

#include "DBA_Records.h"

#include <QString>

class DBA_Context;

// Opening and closing the database session, the schema check and the
// keep-alive pulse that tells other processes this session is alive.
//
// Liveness: a session row is alive while its last_pulse is within
// staleSeconds() of the server's clock. Every open session of a process,
// whoever opened it (the window, the selector, a second access), is
// refreshed every pulseSeconds() by DBA_SessionPulse, a thread with its own
// short-lived connection, so batch runs and long waits without an event loop
// stay alive and the process keeps one lasting connection. The server's
// clock decides both the pulse and the staleness, on both backends: the
// same rule for PostgreSQL and for SQLite, including a database root shared
// by several machines. Asking the server whether the process's connection
// still exists (pg_stat_activity) would not cover SQLite, nor a process
// between a server restart and its next call.
// Purge: opening a session deletes sessions stale for over an hour that
// hold no locks; a stale session with locks stays, so its locks show as
// stale and can be forced. A purged process that wakes again puts its row
// back at its next pulse.
class DBA_SessionOps
{
public:
    explicit DBA_SessionOps(DBA_Context &context);
    ~DBA_SessionOps();

    // Names the application for the session and lock rows.
    void dba_Initialize2dSystem(const QString &applicationName);
    // Opens the database named by TALLYARD_DB (or the default); -1 on failure.
    int dba_Open2dDatabaseSession();
    // Opens a given database; -1 on failure.
    int dba_Open2dDatabaseSession(const struct DBA_Url &url);
    void dba_Close2dDatabaseSession();
    bool isSessionOpen() const;
    // False when the database's schema is older than this program's.
    bool getNumberOfImplementedMessages(int *count) const;
    // Refreshes the session row now; the pulse thread refreshes it from the
    // opening on. Sessions not refreshed for staleSeconds() are stale.
    void dba_startKeepAlivePulse();
    void dba_keepAlive();
    // Reads the file-space configuration (prefix maps) from the
    // installation's configuration folder.
    bool dba_read_config_file();

    static int pulseSeconds();
    static int staleSeconds();

    // Sessions as rows for status reports.
    struct Session {
        qint64 id;
        QString user, host, application;
        qint64 pid, started, lastPulse;
        bool stale;
    };
    QVector<Session> dba_GetSessions();

    // Formats a stored time stamp with strftime-style "%x %X" or "%m/%d %I:%M %p".
    static QString dba_TimeStamp(qint64 value, const char *format);

private:
    bool openSession();
    void purgeDeadSessions();

    DBA_Context &m_ctx;
};
