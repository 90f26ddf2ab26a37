#include "DBA_SessionOps.h"

#include "DBA_Context.h"
#include "DBA_Schema.h"
#include "DBA_Url.h"
#include "oswRemapPath.h"
#include "oswUtil.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <QTimer>

DBA_SessionOps::DBA_SessionOps(DBA_Context &context)
    : m_ctx(context)
{
}

DBA_SessionOps::~DBA_SessionOps() = default;

void DBA_SessionOps::dba_Initialize2dSystem(const QString &applicationName)
{
    m_ctx.applicationName = applicationName;
}

int DBA_SessionOps::dba_Open2dDatabaseSession()
{
    QString error;
    const std::optional<DBA_Url> url = DBA_Url::fromEnvironment(error);
    if (!url) {
        m_ctx.fail(DBA_Context::Unavailable, error);
        return -1;
    }
    return dba_Open2dDatabaseSession(*url);
}

int DBA_SessionOps::dba_Open2dDatabaseSession(const DBA_Url &url)
{
    dba_Close2dDatabaseSession();
    QString error;
    if (!m_ctx.connection.open(url, error)) {
        m_ctx.fail(DBA_Context::Unavailable, error);
        return -1;
    }
    const int version = DBA_Schema::currentVersion(m_ctx.connection, error);
    if (version <= 0) {
        m_ctx.connection.close();
        m_ctx.fail(DBA_Context::Unavailable,
                   version == 0 ? dbaTr("%1 holds no Tallyard database; create one with \"tallyard-db init\".").arg(url.toString())
                                : error);
        return -1;
    }
    oswRemapPath::setDatabaseRoot(url.root);
    m_ctx.host = oswUtil::getShortMachineName();
    const qint64 now = DBA_Context::now();
    QSqlQuery query;
    if (!m_ctx.run(query,
                   QStringLiteral("INSERT INTO sessions (user_name, host, application, pid, started, last_pulse) "
                                  "VALUES (?, ?, ?, ?, ?, ?) RETURNING id"),
                   {m_ctx.user.name, m_ctx.host, m_ctx.applicationName, QCoreApplication::applicationPid(), now, now},
                   dbaTr("Cannot open a session"))
        || !query.next()) {
        m_ctx.connection.close();
        return -1;
    }
    m_ctx.sessionId = query.value(0).toLongLong();
    m_ctx.clearError();
    return 0;
}

void DBA_SessionOps::dba_Close2dDatabaseSession()
{
    m_pulse.reset();
    if (!m_ctx.isOpen())
        return;
    if (m_ctx.sessionId != 0) {
        // Locks of a session that ends cleanly go with it; only a crashed
        // session leaves locks behind (to be shown as stale).
        m_ctx.run(QStringLiteral("DELETE FROM locks WHERE session_id = ?"), {m_ctx.sessionId}, QString());
        m_ctx.run(QStringLiteral("DELETE FROM sessions WHERE id = ?"), {m_ctx.sessionId}, QString());
        m_ctx.sessionId = 0;
    }
    m_ctx.connection.close();
}

bool DBA_SessionOps::isSessionOpen() const
{
    return m_ctx.isOpen() && m_ctx.sessionId != 0;
}

bool DBA_SessionOps::getNumberOfImplementedMessages(int *count) const
{
    QString error;
    const int version = m_ctx.isOpen() ? DBA_Schema::currentVersion(m_ctx.connection, error) : -1;
    if (count)
        *count = version;
    return version >= DBA_Schema::latestVersion();
}

void DBA_SessionOps::dba_startKeepAlivePulse()
{
    dba_keepAlive();
    if (!QCoreApplication::instance())
        return;
    m_pulse = std::make_unique<QTimer>();
    m_pulse->setInterval(pulseSeconds() * 1000);
    QObject::connect(m_pulse.get(), &QTimer::timeout, [this] { dba_keepAlive(); });
    m_pulse->start();
}

void DBA_SessionOps::dba_keepAlive()
{
    if (m_ctx.sessionId == 0)
        return;
    m_ctx.run(QStringLiteral("UPDATE sessions SET last_pulse = ?, user_name = ? WHERE id = ?"),
              {DBA_Context::now(), m_ctx.user.name, m_ctx.sessionId}, dbaTr("Cannot refresh the session"));
}

int DBA_SessionOps::staleSeconds()
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue("TALLYARD_STALE_SECONDS", &ok);
    return ok && seconds > 0 ? seconds : 4 * pulseSeconds();
}

bool DBA_SessionOps::dba_read_config_file()
{
    QString error;
    if (oswRemapPath::loadPrefixMaps(oswUtil::QVXEtc() + QStringLiteral("/remap.ini"), error))
        return true;
    return m_ctx.fail(DBA_Context::Failed, error);
}

QVector<DBA_SessionOps::Session> DBA_SessionOps::dba_GetSessions()
{
    QVector<Session> sessions;
    QSqlQuery query;
    if (!m_ctx.run(query, QStringLiteral("SELECT id, user_name, host, application, pid, started, last_pulse "
                                         "FROM sessions ORDER BY id"), {}, dbaTr("Cannot list sessions")))
        return sessions;
    const qint64 staleBefore = DBA_Context::now() - staleSeconds();
    while (query.next()) {
        const qint64 lastPulse = query.value(6).toLongLong();
        sessions.append({query.value(0).toLongLong(), query.value(1).toString(), query.value(2).toString(),
                         query.value(3).toString(), query.value(4).toLongLong(), query.value(5).toLongLong(),
                         lastPulse, lastPulse < staleBefore});
    }
    return sessions;
}

QString DBA_SessionOps::dba_TimeStamp(qint64 value, const char *format)
{
    const QDateTime time = QDateTime::fromSecsSinceEpoch(value);
    const QLocale locale;
    const QString pattern = QString::fromLatin1(format);
    if (pattern == QLatin1String("%m/%d %I:%M %p"))
        return time.toString(QStringLiteral("MM/dd hh:mm AP"));
    // "%x %X": the locale's short date and time.
    return locale.toString(time.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(time.time(), QLocale::ShortFormat);
}
