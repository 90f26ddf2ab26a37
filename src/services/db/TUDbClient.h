#pragma once

#include "DBA_Records.h"

#include <QVector>

class TUDbAccess;

// The lock manager's view of the database: walks the logical locks of kinds
// "V1" and "V2", checks and releases them.
class TUDbClient
{
public:
    explicit TUDbClient(TUDbAccess &access) : m_access(access) {}

    bool dbc_OpenDatabaseServer();
    void dbc_CloseDatabaseServer();
    // Walks the locks of a kind: start with index 0; false at the end.
    bool dbc_get_next_logical_lock(int &index, dba_lock_struct &lock);
    bool dbc_get_next_logical_lock_v2(int &index, dba_lock_struct &lock);
    bool dbc_check_logical_lock(const QString &key);
    bool dbc_check_logical_lock_v2(const QString &key);
    bool dbc_force_release_logical_lock(const QString &key, int version);
    bool dbc_release_logical_lock_v2(const QString &key, bool force);

private:
    bool nextLock(const QString &kind, int &index, dba_lock_struct &lock);

    TUDbAccess &m_access;
    QVector<dba_lock_struct> m_v1, m_v2;
    bool m_open = false;
};

// The database's named resolutions (render sizes).
class TUDbResolution
{
public:
    explicit TUDbResolution(TUDbAccess &access) : m_access(access) {}
    QStringList names();
    bool size(const QString &name, int &width, int &height);

private:
    TUDbAccess &m_access;
};
