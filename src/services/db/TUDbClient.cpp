#include "TUDbClient.h"

#include "TUDbAccess.h"

namespace {
const QString kV1 = QStringLiteral("V1");
const QString kV2 = QStringLiteral("V2");
} // namespace

bool TUDbClient::dbc_OpenDatabaseServer()
{
    m_v1.clear();
    m_v2.clear();
    m_open = m_access.isSessionOpen();
    if (!m_open)
        m_access.context().fail(DBA_Context::Unavailable, dbaTr("No database session is open."));
    return m_open;
}

void TUDbClient::dbc_CloseDatabaseServer()
{
    m_open = false;
    m_v1.clear();
    m_v2.clear();
}

bool TUDbClient::requireOpen()
{
    if (m_open)
        return true;
    return m_access.context().fail(DBA_Context::Unavailable, dbaTr("The database client is not connected."));
}

bool TUDbClient::nextLock(const QString &kind, QVector<dba_lock_struct> &snapshot, int &index, dba_lock_struct &lock)
{
    if (!requireOpen())
        return false;
    // One query per walk: the first step reads every lock of the kind.
    if (index == 0) {
        snapshot = m_access.dba_GetLocks(kind);
        if (m_access.lastErrorCode() != DBA_Context::NoError)
            return false;
    }
    if (index < 0 || index >= snapshot.size())
        return false;
    lock = snapshot.at(index++);
    return true;
}

bool TUDbClient::dbc_get_next_logical_lock(int &index, dba_lock_struct &lock)
{
    return nextLock(kV1, m_v1, index, lock);
}

bool TUDbClient::dbc_get_next_logical_lock_v2(int &index, dba_lock_struct &lock)
{
    return nextLock(kV2, m_v2, index, lock);
}

bool TUDbClient::dbc_check_logical_lock(const QString &key)
{
    return requireOpen() && m_access.dba_CheckLogicalLock(kV1, key);
}

bool TUDbClient::dbc_check_logical_lock_v2(const QString &key)
{
    return requireOpen() && m_access.dba_CheckLogicalLock(kV2, key);
}

bool TUDbClient::forceRelease(const QString &kind, const QString &key)
{
    if (!requireOpen())
        return false;
    if (DBA_LockOps::isRegisterLock(key))
        return m_access.context().fail(DBA_Context::Refused, dbaTr("Register locks cannot be unlocked: %1").arg(key));
    return m_access.dba_ForceReleaseLock(kind, key);
}

bool TUDbClient::dbc_force_release_logical_lock(const QString &key, int version)
{
    if (version != 1 && version != 2)
        return m_access.context().fail(DBA_Context::BadName, dbaTr("There are no logical locks of version %1.").arg(version));
    return forceRelease(version == 1 ? kV1 : kV2, key);
}

bool TUDbClient::dbc_release_logical_lock_v2(const QString &key, bool force)
{
    if (force)
        return forceRelease(kV2, key);
    return requireOpen() && m_access.dba_ReleaseLogicalLock(kV2, key);
}

QStringList TUDbResolution::names()
{
    QStringList names;
    DBA_Context &ctx = m_access.context();
    ctx.clearError();
    DBA_Query query;
    if (!ctx.run(query, QStringLiteral("SELECT name FROM resolutions ORDER BY name"), {}, dbaTr("Cannot read the resolutions")))
        return names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

bool TUDbResolution::size(const QString &name, int &width, int &height)
{
    DBA_Context &ctx = m_access.context();
    ctx.clearError();
    DBA_Query query;
    if (!ctx.run(query, QStringLiteral("SELECT width, height FROM resolutions WHERE name = ?"), {name},
                 dbaTr("Cannot read resolution %1").arg(name)))
        return false;
    if (!query.next())
        return ctx.fail(DBA_Context::NotFound, dbaTr("There is no resolution named %1.").arg(name));
    width = query.value(0).toInt();
    height = query.value(1).toInt();
    return true;
}
