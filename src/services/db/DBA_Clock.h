#pragma once

#include <QtGlobal>

class QSqlDatabase;

// The database server's clock, which session, lock and check-out times use
// so that workstations whose clocks disagree still agree on who is stale.
// The offset of the server's clock from this machine's is measured when a
// link opens and at every session pulse; SQLite's server is this machine.
class DBA_Clock
{
public:
    // Seconds since the epoch on the server's clock.
    static qint64 serverSeconds();
    // Measures the server's offset over db; keeps the last one on failure.
    static void measure(const QSqlDatabase &db, bool postgres);
    // SQL for the server's seconds since the epoch, for statements that
    // compare with stored times inside the server.
    static QString serverSecondsSql(bool postgres);
};
