#pragma once

#include <QString>

class DBA_Connection;

// The database's tables, built by ordered migrations. Each migration is
// written once; the few words SQLite and PostgreSQL spell differently are
// filled in per backend. A database records the highest migration applied.
class DBA_Schema
{
public:
    static int latestVersion();
    // 0 for a database without our tables, -1 when it cannot be read.
    static int currentVersion(const DBA_Connection &connection, QString &error);
    // Applies every migration above the database's version up to target,
    // each in its own transaction.
    static bool migrate(DBA_Connection &connection, QString &error, int target = latestVersion());
};
