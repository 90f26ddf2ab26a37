#pragma once

#include "DBA_Url.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlError>
#include <QVariantList>

// One connection to the database, SQLite or PostgreSQL, with the few
// dialect differences kept here so the rest of the service writes one SQL.
// Each object opens its own named QSqlDatabase connection.
class DBA_Connection
{
public:
    DBA_Connection();
    ~DBA_Connection();
    DBA_Connection(const DBA_Connection &) = delete;
    DBA_Connection &operator=(const DBA_Connection &) = delete;

    // Opens the database. With create, a missing SQLite root or PostgreSQL
    // database is made; without it, a missing one is a failure.
    bool open(const DBA_Url &url, QString &error, bool create = false);
    void close();
    bool isOpen() const;

    const DBA_Url &url() const { return m_url; }
    bool isPostgres() const { return m_url.backend == DBA_Url::Postgres; }
    QSqlDatabase database() const;

    // Prepares sql, binds values in order and runs it. On failure error says why.
    bool exec(QSqlQuery &query, const QString &sql, const QVariantList &values, QString &error) const;
    // Runs statements that take no values (DDL), split on ";".
    bool execScript(const QString &script, QString &error) const;
    // The first column of the first row, or an invalid QVariant.
    QVariant scalar(const QString &sql, const QVariantList &values, QString &error) const;

    // Write transactions take the database's write lock at once, so two
    // processes never both read and then both try to upgrade.
    bool beginWrite(QString &error);
    bool commit(QString &error);
    void rollback();
    bool inTransaction() const { return m_inTransaction; }

    // Whether the last failed statement broke a unique constraint, which
    // callers report as "already exists".
    bool lastFailureWasUniqueViolation() const;

private:
    bool openSqlite(QString &error, bool create);
    bool openPostgres(QString &error, bool create);

    void fail(const QSqlQuery &query, QString &error) const;

    QString m_name;
    DBA_Url m_url;
    mutable QString m_lastNativeCode;
    mutable QString m_lastDatabaseText;
    bool m_inTransaction = false;
};

// Rolls back unless commit() was called; the usual guard around a change.
class DBA_Transaction
{
public:
    explicit DBA_Transaction(DBA_Connection &connection) : m_connection(connection) {}
    ~DBA_Transaction()
    {
        if (m_started && !m_done)
            m_connection.rollback();
    }
    bool begin(QString &error) { return m_started = m_connection.beginWrite(error); }
    bool commit(QString &error)
    {
        m_done = true;
        return m_connection.commit(error);
    }

private:
    DBA_Connection &m_connection;
    bool m_started = false;
    bool m_done = false;
};
