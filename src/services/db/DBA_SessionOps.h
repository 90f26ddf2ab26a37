#pragma once

#include "DBA_Records.h"

#include <QString>

#include <memory>

class DBA_Context;
class QTimer;

// Opening and closing the database session, the schema check and the
// keep-alive pulse that tells other processes this session is alive.
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
    // Refreshes the session row now and then every pulseSeconds() while an
    // event loop runs; sessions not refreshed for staleSeconds() are stale.
    void dba_startKeepAlivePulse();
    void dba_keepAlive();
    // Reads the file-space configuration (prefix maps) from the
    // installation's configuration folder.
    bool dba_read_config_file();

    static int pulseSeconds() { return 30; }
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
    DBA_Context &m_ctx;
    std::unique_ptr<QTimer> m_pulse;
};
