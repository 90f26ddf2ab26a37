#pragma once

#include "DBA_Url.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVector>

#include <memory>

// The one link of a process (per database and thread) to its database: the
// named QSqlDatabase, the prepared statements cached on it, the transaction
// state and the reopening of a link the server dropped. Every DBA_Connection
// of the process opened on the same database shares it, so a window with
// three accesses holds one server connection, not three.
class DBA_Link
{
public:
    // The process's link to url, opened on first use; null with error when
    // it cannot be opened. With create, a missing SQLite root or PostgreSQL
    // database is made.
    static std::shared_ptr<DBA_Link> acquire(const DBA_Url &url, bool create, QString &error);
    // How many links this process holds open.
    static int openCount();

    ~DBA_Link();
    DBA_Link(const DBA_Link &) = delete;
    DBA_Link &operator=(const DBA_Link &) = delete;

    const DBA_Url &url() const { return m_url; }
    bool isPostgres() const { return m_url.backend == DBA_Url::Postgres; }
    QSqlDatabase database() const;
    bool isOpen() const;

    // Reopens a link the server dropped (after a restart); the call that
    // saw the loss has failed, the next one gets here. False with error
    // while the server stays unreachable.
    bool ensureOpen(QString &error);
    // Changes with every reopening: statements of an older generation are
    // never handed back to the cache.
    quint64 generation() const { return m_generation; }

    // A prepared statement for sql that no caller is reading: a cached one,
    // or a new one. False with error when sql cannot be prepared.
    bool take(const QString &sql, QSqlQuery &query, QString &error);
    // Returns a statement taken for sql once its caller is done with it.
    void giveBack(const QString &sql, QSqlQuery &query, quint64 generation);
    // Keeps a statement alive until the transaction ends: freeing a
    // PostgreSQL statement inside an aborted transaction fails noisily.
    void holdUntilTransactionEnds(const QSqlQuery &query);

    // Records why a statement failed; a failure that means the server is
    // gone marks the link lost, to be reopened on the next call.
    void noteFailure(const QSqlError &error);
    QString lastNativeCode() const { return m_lastNativeCode; }
    QString lastDatabaseText() const { return m_lastDatabaseText; }

    bool inTransaction() const { return m_inTransaction; }
    void setInTransaction(bool on);

private:
    explicit DBA_Link(const DBA_Url &url);
    bool open(bool create, QString &error);
    bool openSqlite(bool create, QString &error);
    bool openPostgres(bool create, QString &error);
    bool configure(QString &error);
    void drop();

    QString m_name;
    DBA_Url m_url;
    quint64 m_generation = 0;
    bool m_lost = false;
    bool m_inTransaction = false;
    QString m_lastNativeCode;
    QString m_lastDatabaseText;
    QHash<QString, QVector<QSqlQuery>> m_idle; // prepared, finished, ready to run again
    int m_idleCount = 0;
    QVector<QSqlQuery> m_heldForTransaction;
};
