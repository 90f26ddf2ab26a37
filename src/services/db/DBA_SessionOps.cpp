#include "DBA_SessionOps.h"

#include "DBA_Context.h"
#include "DBA_Schema.h"
#include "DBA_SessionPulse.h"
#include "DBA_Url.h"
#include "oswRemapPath.h"
#include "oswUtil.h"

#include <QCoreApplication>

#include <algorithm>
#include <QDateTime>
#include <QLocale>

DBA_SessionOps::DBA_SessionOps(DBA_Context &context)
    : m_ctx(context)
{
}

DBA_SessionOps::~DBA_SessionOps()
{
    // An access dropped without closing must not leave its id pulsing.
    if (m_ctx.sessionId != 0)
        DBA_SessionPulse::remove(m_ctx.sessionId);
}

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
    if (!openSession()) {
        m_ctx.connection.close();
        return -1;
    }
    purgeDeadSessions();
    m_ctx.clearError();
    return 0;
}

bool DBA_SessionOps::openSession()
{
    const QString now = DBA_Clock::serverSecondsSql(m_ctx.connection.isPostgres());
    DBA_Query query;
    if (!m_ctx.run(query,
                   QStringLiteral("INSERT INTO sessions (user_name, host, application, pid, started, last_pulse) "
                                  "VALUES (?, ?, ?, ?, %1, %1) RETURNING id, started").arg(now),
                   {m_ctx.user.name, m_ctx.host, m_ctx.applicationName, QCoreApplication::applicationPid()},
                   dbaTr("Cannot open a session"))
        || !query.next())
        return false;
    m_ctx.sessionId = query.value(0).toLongLong();
    DBA_SessionPulse::add({m_ctx.connection.url(), m_ctx.sessionId, m_ctx.user.name, m_ctx.host, m_ctx.applicationName,
                           QCoreApplication::applicationPid(), query.value(1).toLongLong()});
    return true;
}

void DBA_SessionOps::purgeDeadSessions()
{
    // Nothing refers to a session without locks: its row only tells who was
    // there. A recently died one still shows as stale for an hour.
    const qint64 purgeAfter = std::max<qint64>(staleSeconds(), 3600);
    m_ctx.run(QStringLiteral("DELETE FROM sessions WHERE last_pulse < ? "
                             "AND NOT EXISTS (SELECT 1 FROM locks WHERE locks.session_id = sessions.id)"),
              {DBA_Context::now() - purgeAfter}, dbaTr("Cannot remove dead sessions"));
}

void DBA_SessionOps::dba_Close2dDatabaseSession()
{
    if (!m_ctx.isOpen())
        return;
    if (m_ctx.sessionId != 0) {
        DBA_SessionPulse::remove(m_ctx.sessionId);
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
}

void DBA_SessionOps::dba_keepAlive()
{
    if (m_ctx.sessionId == 0)
        return;
    DBA_SessionPulse::setUser(m_ctx.sessionId, m_ctx.user.name);
    m_ctx.run(QStringLiteral("UPDATE sessions SET last_pulse = %1, user_name = ? WHERE id = ?")
                  .arg(DBA_Clock::serverSecondsSql(m_ctx.connection.isPostgres())),
              {m_ctx.user.name, m_ctx.sessionId}, dbaTr("Cannot refresh the session"));
}

int DBA_SessionOps::pulseSeconds()
{
    return DBA_SessionPulse::intervalSeconds();
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
    DBA_Query query;
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
