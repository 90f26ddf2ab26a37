#pragma once

#include "DBA_Url.h"
#include "TDB_Command.h"

#include <QCoreApplication>

class TUDbAccess;

// "status": which database, its schema, how much it holds, who is connected
// and who holds which lock, with stale sessions and locks marked.
class TDB_StatusCommand : public TDB_Command
{
    Q_DECLARE_TR_FUNCTIONS(TDB_StatusCommand)

public:
    explicit TDB_StatusCommand(const DBA_Url &url);
    bool run(QTextStream &out, QString &error) override;

private:
    void writeDatabase(QTextStream &out, TUDbAccess &access);
    bool writeCounts(QTextStream &out, TUDbAccess &access, QString &error);
    void writeSessions(QTextStream &out, TUDbAccess &access);
    void writeLocks(QTextStream &out, TUDbAccess &access);

    DBA_Url m_url;
};
