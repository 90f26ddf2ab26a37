#include "DBA_Link.h"

#include "DBA_Clock.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QRandomGenerator>
#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>
#include <QThread>

#include <sqlite3.h>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("DBA_Connection", text);
}

QString describe(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    return text;
}

// Statements cached per link; beyond this, statements of rarely used SQL
// are freed instead of kept.
constexpr int kMaxIdle = 256;

// The links of the process by database and thread (a QSqlDatabase may only
// be used by the thread that opened it).
QMutex &registryMutex()
{
    static QMutex mutex;
    return mutex;
}

QHash<QString, std::weak_ptr<DBA_Link>> &registry()
{
    static QHash<QString, std::weak_ptr<DBA_Link>> links;
    return links;
}

QString keyOf(const DBA_Url &url)
{
    return url.toString() + QLatin1Char('#') + QString::number(quintptr(QThread::currentThreadId()));
}

QSqlDatabase postgresDatabase(const DBA_Url &url, const QString &name, const QString &database)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(url.host);
    db.setPort(url.port);
    db.setUserName(url.user);
    db.setPassword(url.password);
    db.setDatabaseName(database);
    db.setConnectOptions(QStringLiteral("connect_timeout=10"));
    return db;
}

// How long a SQLite statement waits for another process's write to end.
constexpr int kSqliteBusyTimeoutMs = 60000;

// SQLite's own busy handler sleeps longer and longer between tries (up to
// 100 ms), so under many writers a process that began waiting keeps losing
// to newcomers and its call takes hundreds of milliseconds. Short naps
// instead, jittered so the waiters do not wake together.
int sqliteBusyWait(void *, int attempt)
{
    thread_local QDeadlineTimer deadline;
    if (attempt == 0)
        deadline.setRemainingTime(kSqliteBusyTimeoutMs);
    if (deadline.hasExpired())
        return 0;
    // A long wait naps a little longer, to leave the cores to the writer.
    QThread::usleep(100 + QRandomGenerator::global()->bounded(attempt < 20 ? 500 : 2000));
    return 1;
}

bool installBusyWait(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3 *raw = *static_cast<sqlite3 *const *>(handle.constData());
    return raw && sqlite3_busy_handler(raw, &sqliteBusyWait, nullptr) == SQLITE_OK;
}

} // namespace

std::shared_ptr<DBA_Link> DBA_Link::acquire(const DBA_Url &url, bool create, QString &error)
{
    const QString key = keyOf(url);
    {
        QMutexLocker lock(&registryMutex());
        if (std::shared_ptr<DBA_Link> link = registry().value(key).lock())
            return link;
    }
    std::shared_ptr<DBA_Link> link(new DBA_Link(url));
    if (!link->open(create, error))
        return nullptr;
    QMutexLocker lock(&registryMutex());
    registry().insert(key, link);
    return link;
}

int DBA_Link::openCount()
{
    QMutexLocker lock(&registryMutex());
    int count = 0;
    for (const std::weak_ptr<DBA_Link> &link : qAsConst(registry()))
        count += link.expired() ? 0 : 1;
    return count;
}

DBA_Link::DBA_Link(const DBA_Url &url)
    : m_url(url)
{
    static QAtomicInt counter;
    m_name = QStringLiteral("tallyard-db-%1").arg(counter.fetchAndAddRelaxed(1));
}

DBA_Link::~DBA_Link()
{
    {
        QMutexLocker lock(&registryMutex());
        const QString key = keyOf(m_url);
        if (registry().value(key).expired())
            registry().remove(key);
    }
    // The driver goes first: the server frees a session's statements when
    // it ends, and statements outliving their driver make no round trip.
    drop();
    m_heldForTransaction.clear();
    m_idle.clear();
}

bool DBA_Link::open(bool create, QString &error)
{
    const bool ok = m_url.backend == DBA_Url::Sqlite ? openSqlite(create, error) : openPostgres(create, error);
    if (!ok)
        drop();
    return ok;
}

bool DBA_Link::openSqlite(bool create, QString &error)
{
    const QString file = m_url.sqliteFile();
    if (!QFileInfo::exists(file)) {
        if (!create) {
            error = tr("No database at %1; create one with \"tallyard-db init\".").arg(m_url.root);
            return false;
        }
        if (!QDir().mkpath(m_url.root)) {
            error = tr("Cannot create the database folder %1.").arg(m_url.root);
            return false;
        }
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kSqliteBusyTimeoutMs));
    if (!db.open()) {
        error = tr("Cannot open the database %1: %2").arg(file, describe(db.lastError()));
        return false;
    }
    // The driver's busy timeout stays as the fallback should the handle not be reachable.
    installBusyWait(db);
    return configure(error);
}

bool DBA_Link::openPostgres(bool create, QString &error)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        error = tr("The PostgreSQL driver for Qt is not installed (package libqt5sql5-psql).");
        return false;
    }
    QSqlDatabase db = postgresDatabase(m_url, m_name, m_url.database);
    if (db.open())
        return configure(error);
    const QString reason = describe(db.lastError());
    if (!create || !reason.contains(QLatin1String("does not exist"))) {
        error = tr("Cannot connect to the PostgreSQL database %1 on %2: %3")
                    .arg(m_url.database, m_url.host.isEmpty() ? QStringLiteral("localhost") : m_url.host, reason);
        return false;
    }
    {
        QSqlDatabase admin = postgresDatabase(m_url, m_name + QStringLiteral("-admin"), QStringLiteral("postgres"));
        bool made = admin.open();
        if (made) {
            QSqlQuery query(admin);
            const QString quoted = QLatin1Char('"') + QString(m_url.database).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
            made = query.exec(QStringLiteral("CREATE DATABASE ") + quoted);
            if (!made)
                error = describe(query.lastError());
        } else {
            error = describe(admin.lastError());
        }
        admin.close();
        admin = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name + QStringLiteral("-admin"));
        if (!made) {
            error = tr("Cannot create the PostgreSQL database %1: %2").arg(m_url.database, error);
            return false;
        }
    }
    if (!db.open()) {
        error = tr("Cannot connect to the PostgreSQL database %1: %2").arg(m_url.database, describe(db.lastError()));
        return false;
    }
    return configure(error);
}

bool DBA_Link::configure(QString &error)
{
    // SQLite: WAL lets readers go on while one process writes; foreign keys
    // are off by default and the schema relies on them. PostgreSQL: notices
    // would reach standard error through the client library.
    const QStringList statements = isPostgres()
        ? QStringList{QStringLiteral("SET client_min_messages TO ERROR")}
        : QStringList{QStringLiteral("PRAGMA journal_mode=WAL"), QStringLiteral("PRAGMA synchronous=NORMAL"),
                      QStringLiteral("PRAGMA foreign_keys=ON")};
    QSqlQuery query(database());
    for (const QString &statement : statements) {
        if (!query.exec(statement)) {
            error = describe(query.lastError());
            return false;
        }
    }
    query = QSqlQuery();
    DBA_Clock::measure(database(), isPostgres());
    return true;
}

void DBA_Link::drop()
{
    if (!QSqlDatabase::contains(m_name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QSqlDatabase DBA_Link::database() const
{
    return QSqlDatabase::database(m_name, false);
}

bool DBA_Link::isOpen() const
{
    return !m_lost && QSqlDatabase::contains(m_name) && database().isOpen();
}

bool DBA_Link::ensureOpen(QString &error)
{
    if (!m_lost)
        return true;
    if (m_inTransaction) {
        // The rest of a transaction must not run on a new link as if the
        // first part had happened.
        error = tr("The connection to the database was lost; the change was not made.");
        return false;
    }
    // The driver goes first: statements freed after it make no round trip
    // to a server that is not there.
    drop();
    m_heldForTransaction.clear();
    m_idle.clear();
    m_idleCount = 0;
    m_inTransaction = false;
    ++m_generation;
    if (!open(false, error))
        return false;
    m_lost = false;
    return true;
}

bool DBA_Link::take(const QString &sql, QSqlQuery &query, QString &error)
{
    auto idle = m_idle.find(sql);
    if (idle != m_idle.end() && !idle->isEmpty()) {
        query = idle->takeLast();
        --m_idleCount;
        return true;
    }
    query = QSqlQuery(database());
    query.setForwardOnly(true);
    if (query.prepare(sql))
        return true;
    noteFailure(query.lastError());
    error = describe(query.lastError());
    return false;
}

void DBA_Link::giveBack(const QString &sql, QSqlQuery &query, quint64 generation)
{
    if (generation != m_generation || m_lost) {
        query = QSqlQuery();
        return;
    }
    query.finish();
    if (m_idleCount >= kMaxIdle) {
        if (m_inTransaction)
            m_heldForTransaction.append(query);
        query = QSqlQuery();
        return;
    }
    m_idle[sql].append(query);
    ++m_idleCount;
    query = QSqlQuery();
}

void DBA_Link::holdUntilTransactionEnds(const QSqlQuery &query)
{
    if (m_inTransaction && isPostgres())
        m_heldForTransaction.append(query);
}

void DBA_Link::setInTransaction(bool on)
{
    m_inTransaction = on;
    if (!on)
        m_heldForTransaction.clear();
}

void DBA_Link::noteFailure(const QSqlError &error)
{
    m_lastNativeCode = error.nativeErrorCode();
    m_lastDatabaseText = error.databaseText();
    if (!isPostgres() || m_lost)
        return;
    // Connection failures carry no SQL state (the client library saw the
    // socket close) or one of the classes 08 (connection) and 57P (server
    // shut down). Ask the server once to be sure.
    const QString &code = m_lastNativeCode;
    if (!code.isEmpty() && !code.startsWith(QLatin1String("08")) && !code.startsWith(QLatin1String("57P")))
        return;
    if (database().isOpen()) {
        QSqlQuery probe(database());
        if (probe.exec(QStringLiteral("SELECT 1")) || probe.lastError().nativeErrorCode() == QLatin1String("25P02"))
            return;
    }
    m_lost = true;
}
