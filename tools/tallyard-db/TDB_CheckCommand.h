#pragma once

#include "DBA_Url.h"
#include "TDB_Command.h"

#include <QCoreApplication>

// "check [--repair]": names every disagreement between the records, the
// folders and the locks (DBA_Consistency); with --repair, repairs what can
// be repaired without losing data. Fails (exit 1) while any remains.
class TDB_CheckCommand : public TDB_Command
{
    Q_DECLARE_TR_FUNCTIONS(TDB_CheckCommand)

public:
    TDB_CheckCommand(const DBA_Url &url, bool repair) : m_url(url), m_repair(repair) {}
    bool run(QTextStream &out, QString &error) override;

private:
    DBA_Url m_url;
    bool m_repair;
};
