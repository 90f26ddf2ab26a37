#pragma once

#include "DBA_Records.h"

#include <QStringList>
#include <QVector>

class TUDbAccess;

// The lock manager's view of the database: walks the logical locks of kinds
// "V1" and "V2", checks and releases them. Failures leave their text and
// code on the access. Register locks are never forced through the client;
// only their holder releases them.
class TUDbClient
{
public:
    explicit TUDbClient(TUDbAccess &access) : m_access(access) {}

    // False when the access has no open session.
    bool dbc_OpenDatabaseServer();
    void dbc_CloseDatabaseServer();
    bool isOpen() const { return m_open; }
    // Walks the locks of a kind: start with index 0 (which reads the locks
    // afresh); false at the end, or on failure with the error on the access.
    bool dbc_get_next_logical_lock(int &index, dba_lock_struct &lock);
    bool dbc_get_next_logical_lock_v2(int &index, dba_lock_struct &lock);
    bool dbc_check_logical_lock(const QString &key);
    bool dbc_check_logical_lock_v2(const QString &key);
    // Releases a lock of kind "V<version>" (1 or 2) whoever holds it.
    bool dbc_force_release_logical_lock(const QString &key, int version);
    // With force, whoever holds it; without, only this session's own.
    bool dbc_release_logical_lock_v2(const QString &key, bool force);

private:
    bool nextLock(const QString &kind, QVector<dba_lock_struct> &snapshot, int &index, dba_lock_struct &lock);
    bool requireOpen();
    bool forceRelease(const QString &kind, const QString &key);

    TUDbAccess &m_access;
    QVector<dba_lock_struct> m_v1, m_v2;
    bool m_open = false;
};

// The database's named resolutions (render sizes).
class TUDbResolution
{
public:
    explicit TUDbResolution(TUDbAccess &access) : m_access(access) {}
    // Names in name order; empty on failure (error on the access).
    QStringList names();
    // False when there is no resolution of that name (code NotFound).
    bool size(const QString &name, int &width, int &height);

private:
    TUDbAccess &m_access;
};
