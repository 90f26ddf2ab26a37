#include "DBA_Connection.h"

#include "DBA_Link.h"

#include <QCoreApplication>
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

// Texts are never NULL in this schema: a null QString binds as "".
static QVariant bindable(const QVariant &value)
{
    return value.userType() == QMetaType::QString && value.toString().isNull() ? QVariant(QLatin1String("")) : value;
}

#ifdef TALLYARD_FAULT_POINTS
static DBA_Connection::StatementObserver &statementObserver()
{
    static DBA_Connection::StatementObserver observer;
    return observer;
}

void DBA_Connection::observeStatements(StatementObserver observer)
{
    statementObserver() = std::move(observer);
}
#endif

DBA_Connection::DBA_Connection() = default;

DBA_Connection::~DBA_Connection()
{
    close();
}

bool DBA_Connection::open(const DBA_Url &url, QString &error, bool create)
{
    close();
    m_url = url;
    m_link = DBA_Link::acquire(url, create, error);
    // A link shared with the program's other accesses may be one the
    // server dropped: it is reopened now or the opening fails.
    if (m_link && !m_link->ensureOpen(error))
        m_link.reset();
    return m_link != nullptr;
}

void DBA_Connection::close()
{
    if (m_link && m_link.use_count() == 1 && m_link->inTransaction())
        rollback();
    m_link.reset();
}

bool DBA_Connection::isOpen() const
{
    return m_link != nullptr;
}

QSqlDatabase DBA_Connection::database() const
{
    return m_link ? m_link->database() : QSqlDatabase();
}

int DBA_Connection::openLinkCount()
{
    return DBA_Link::openCount();
}

bool DBA_Connection::ready(QString &error) const
{
    if (m_link)
        return m_link->ensureOpen(error);
    error = tr("The database is not open.");
    return false;
}

bool DBA_Connection::bindAndRun(QSqlQuery &query, const QVariantList &values, QString &error) const
{
#ifdef TALLYARD_FAULT_POINTS
    if (statementObserver())
        statementObserver()(query.lastQuery(), values);
#endif
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, bindable(values.at(i)));
    if (query.exec())
        return true;
    m_link->noteFailure(query.lastError());
    error = describe(query.lastError());
    return false;
}

bool DBA_Connection::exec(DBA_Query &query, const QString &sql, const QVariantList &values, QString &error) const
{
    query.release();
    if (!ready(error) || !m_link->take(sql, query, error))
        return false;
    query.m_link = m_link;
    query.m_sql = sql;
    query.m_generation = m_link->generation();
    return bindAndRun(query, values, error);
}

bool DBA_Connection::exec(QSqlQuery &query, const QString &sql, const QVariantList &values, QString &error) const
{
    if (!ready(error))
        return false;
    query = QSqlQuery(database());
    query.setForwardOnly(true);
    m_link->holdUntilTransactionEnds(query);
    if (!query.prepare(sql)) {
        m_link->noteFailure(query.lastError());
        error = describe(query.lastError());
        return false;
    }
    return bindAndRun(query, values, error);
}

bool DBA_Connection::execScript(const QString &script, QString &error) const
{
    if (!ready(error))
        return false;
    QSqlQuery query(database());
    const QStringList statements = script.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &statement : statements) {
        if (statement.trimmed().isEmpty())
            continue;
        if (!query.exec(statement)) {
            m_link->noteFailure(query.lastError());
            error = describe(query.lastError());
            return false;
        }
    }
    return true;
}

QVariant DBA_Connection::scalar(const QString &sql, const QVariantList &values, QString &error) const
{
    DBA_Query query;
    if (!exec(query, sql, values, error) || !query.next())
        return {};
    return query.value(0);
}

bool DBA_Connection::beginWrite(QString &error)
{
    const QString begin = isPostgres() ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE");
    if (!execScript(begin, error))
        return false;
    m_link->setInTransaction(true);
    return true;
}

bool DBA_Connection::commit(QString &error)
{
    if (inTransaction() && m_link->isOpen() && execScript(QStringLiteral("COMMIT"), error)) {
        m_link->setInTransaction(false);
        return true;
    }
    if (!m_link || !m_link->isOpen())
        error = tr("The connection to the database was lost; the change was not made.");
    rollback();
    return false;
}

void DBA_Connection::rollback()
{
    if (!inTransaction())
        return;
    // A lost link took its transaction with it: there is nothing to send.
    if (m_link->isOpen()) {
        QString ignored;
        execScript(QStringLiteral("ROLLBACK"), ignored);
    }
    m_link->setInTransaction(false);
}

bool DBA_Connection::inTransaction() const
{
    return m_link && m_link->inTransaction();
}

bool DBA_Connection::lastFailureWasUniqueViolation() const
{
    if (!m_link)
        return false;
    const QString code = m_link->lastNativeCode();
    return code == QLatin1String("23505") || code == QLatin1String("2067")
        || m_link->lastDatabaseText().contains(QLatin1String("UNIQUE constraint failed"));
}
