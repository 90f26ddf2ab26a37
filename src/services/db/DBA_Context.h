#pragma once

#include "DBA_Clock.h"
#include "DBA_Connection.h"
#include "DBA_Records.h"

#include <QString>

// What every operation set of one TUDbAccess shares: the connection, the
// session, who is working, and the last failure. Operations report failure
// by returning the caller's failure value after fail(); they never throw.
class DBA_Context
{
public:
    enum ErrorCode { NoError = 0, Failed = 1, NotFound = 2, Refused = 3, Locked = 4, BadName = 5,
                     Unavailable = 6, AlreadyExists = 10 };

    DBA_Connection connection;
    QString applicationName = QStringLiteral("tallyard");
    dba_user_struct_type user; // who the operations are done for
    QString host;              // this machine's short name, for lock rows
    qint64 sessionId = 0;    // row of the sessions table, 0 before the session opens

    bool isOpen() const { return connection.isOpen(); }
    const QString &root() const { return connection.url().root; }

    // Records a failure; returns false so callers can write "return fail(...)".
    bool fail(int code, const QString &text);
    // Records the failure of a statement, choosing AlreadyExists for a broken
    // unique constraint; context says what was being done.
    bool failSql(const QString &context, const QString &sqlError);
    void clearError();
    int lastErrorCode() const { return m_errorCode; }
    QString lastErrorText() const { return m_errorText; }

    // Runs a statement, recording a failure under context when it fails.
    // The statement comes from the connection's cache when query is a DBA_Query.
    bool run(DBA_Query &query, const QString &sql, const QVariantList &values, const QString &context);
    bool run(QSqlQuery &query, const QString &sql, const QVariantList &values, const QString &context);
    bool run(const QString &sql, const QVariantList &values, const QString &context);
    // Runs an UPDATE or DELETE that must change exactly one row; NotFound
    // ("<context>: it does not exist any more.") when it changed none.
    bool changeOne(const QString &sql, const QVariantList &values, const QString &context);

    // Begin and commit a write transaction, recording a failure under what.
    bool begin(DBA_Transaction &transaction, const QString &what);
    bool commit(DBA_Transaction &transaction, const QString &what);

    // The id of the row of table named name; 0 with a NotFound failure
    // naming what (e.g. "Environment") when there is none.
    qint64 idOf(const char *table, const QString &name, const QString &what);
    // Validates a name for an environment, job or scene; false with BadName.
    bool checkName(const QString &name, const QString &what);

    // Seconds since the epoch on the database server's clock.
    static qint64 now() { return DBA_Clock::serverSeconds(); }

private:
    int m_errorCode = NoError;
    QString m_errorText;
};

// Translates in the database service's context.
QString dbaTr(const char *text);
