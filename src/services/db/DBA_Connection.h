#pragma once

#include "DBA_Query.h"
#include "DBA_Url.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlError>
#include <QVariantList>

#include <functional>
#include <memory>

class DBA_Link;

// A handle on the process's one link to the database, SQLite or PostgreSQL,
// with the few dialect differences kept here so the rest of the service
// writes one SQL. Handles opened on the same database share the link, its
// cached prepared statements and its transaction; a link the server dropped
// is reopened on the next call after the one that saw the loss.
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
    // Appended to a text expression, makes it compare bytewise, as the
    // indexes on paths do (SQLite compares so by default).
    QString bytewise() const { return isPostgres() ? QStringLiteral(" COLLATE \"C\"") : QString(); }

    // Runs sql with values bound in order on a cached prepared statement,
    // which query holds until it goes. On failure error says why.
    bool exec(DBA_Query &query, const QString &sql, const QVariantList &values, QString &error) const;
    // The same on a statement prepared for this call only.
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
    bool inTransaction() const;

    // Whether the last failed statement broke a unique constraint, which
    // callers report as "already exists".
    bool lastFailureWasUniqueViolation() const;

    // How many links to databases this process holds open.
    static int openLinkCount();

#ifdef TALLYARD_FAULT_POINTS
    // Test builds: observer sees every statement run with values (not
    // scripts), before it runs; plan tests explain what an operation runs.
    using StatementObserver = std::function<void(const QString &sql, const QVariantList &values)>;
    static void observeStatements(StatementObserver observer);
#endif

private:
    bool ready(QString &error) const;
    bool bindAndRun(QSqlQuery &query, const QVariantList &values, QString &error) const;

    DBA_Url m_url;
    std::shared_ptr<DBA_Link> m_link;
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
