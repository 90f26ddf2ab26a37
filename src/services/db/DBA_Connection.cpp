#include "DBA_Connection.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>

static QString tr(const char *text)
{
    return QCoreApplication::translate("DBA_Connection", text);
}

static QString describe(const QSqlError &error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    return text;
}

DBA_Connection::DBA_Connection()
{
    static QAtomicInt counter;
    m_name = QStringLiteral("tallyard-db-%1").arg(counter.fetchAndAddRelaxed(1));
}

DBA_Connection::~DBA_Connection()
{
    close();
}

bool DBA_Connection::open(const DBA_Url &url, QString &error, bool create)
{
    close();
    m_url = url;
    const bool ok = url.backend == DBA_Url::Sqlite ? openSqlite(error, create) : openPostgres(error, create);
    if (!ok)
        close();
    return ok;
}

bool DBA_Connection::openSqlite(QString &error, bool create)
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
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=60000"));
    if (!db.open()) {
        error = tr("Cannot open the database %1: %2").arg(file, describe(db.lastError()));
        return false;
    }
    // WAL lets readers go on while one process writes; foreign keys are off
    // by default in SQLite and the schema relies on them.
    return execScript(QStringLiteral("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=ON"), error);
}

static QSqlDatabase postgresConnection(const DBA_Url &url, const QString &name, const QString &database)
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

bool DBA_Connection::openPostgres(QString &error, bool create)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        error = tr("The PostgreSQL driver for Qt is not installed (package libqt5sql5-psql).");
        return false;
    }
    QSqlDatabase db = postgresConnection(m_url, m_name, m_url.database);
    if (db.open())
        return execScript(QStringLiteral("SET client_min_messages TO WARNING"), error);
    const QString reason = describe(db.lastError());
    if (!create || !reason.contains(QLatin1String("does not exist"))) {
        error = tr("Cannot connect to the PostgreSQL database %1 on %2: %3")
                    .arg(m_url.database, m_url.host.isEmpty() ? QStringLiteral("localhost") : m_url.host, reason);
        return false;
    }
    {
        QSqlDatabase admin = postgresConnection(m_url, m_name + QStringLiteral("-admin"), QStringLiteral("postgres"));
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
    return execScript(QStringLiteral("SET client_min_messages TO WARNING"), error);
}

void DBA_Connection::close()
{
    if (!QSqlDatabase::contains(m_name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_inTransaction = false;
}

bool DBA_Connection::isOpen() const
{
    return QSqlDatabase::contains(m_name) && database().isOpen();
}

QSqlDatabase DBA_Connection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

bool DBA_Connection::exec(QSqlQuery &query, const QString &sql, const QVariantList &values, QString &error) const
{
    query = QSqlQuery(database());
    query.setForwardOnly(true);
    if (!query.prepare(sql)) {
        fail(query, error);
        return false;
    }
    // Texts are never NULL in this schema: a null QString binds as "".
    for (const QVariant &value : values)
        query.addBindValue(value.userType() == QMetaType::QString && value.toString().isNull() ? QVariant(QLatin1String("")) : value);
    if (!query.exec()) {
        fail(query, error);
        return false;
    }
    return true;
}

void DBA_Connection::fail(const QSqlQuery &query, QString &error) const
{
    const QSqlError sqlError = query.lastError();
    m_lastNativeCode = sqlError.nativeErrorCode();
    m_lastDatabaseText = sqlError.databaseText();
    error = describe(sqlError);
}

bool DBA_Connection::execScript(const QString &script, QString &error) const
{
    QSqlQuery query(database());
    const QStringList statements = script.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &statement : statements) {
        if (statement.trimmed().isEmpty())
            continue;
        if (!query.exec(statement)) {
            fail(query, error);
            return false;
        }
    }
    return true;
}

QVariant DBA_Connection::scalar(const QString &sql, const QVariantList &values, QString &error) const
{
    QSqlQuery query;
    if (!exec(query, sql, values, error) || !query.next())
        return {};
    return query.value(0);
}

bool DBA_Connection::beginWrite(QString &error)
{
    const QString begin = isPostgres() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE");
    if (!execScript(begin, error))
        return false;
    m_inTransaction = true;
    return true;
}

bool DBA_Connection::commit(QString &error)
{
    m_inTransaction = false;
    if (execScript(QStringLiteral("COMMIT"), error))
        return true;
    QString ignored;
    execScript(QStringLiteral("ROLLBACK"), ignored);
    return false;
}

void DBA_Connection::rollback()
{
    QString ignored;
    m_inTransaction = false;
    execScript(QStringLiteral("ROLLBACK"), ignored);
}

bool DBA_Connection::lastFailureWasUniqueViolation() const
{
    return m_lastNativeCode == QLatin1String("23505") || m_lastNativeCode == QLatin1String("2067")
        || m_lastDatabaseText.contains(QLatin1String("UNIQUE constraint failed"));
}
