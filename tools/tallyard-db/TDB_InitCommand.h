#pragma once

#include "DBA_Url.h"
#include "TDB_Command.h"

#include <QCoreApplication>

// "init": makes the database (a SQLite root, or a PostgreSQL database made
// when missing, plus its root), or brings an existing one up to date.
// Running it again changes nothing that is there.
class TDB_InitCommand : public TDB_Command
{
    Q_DECLARE_TR_FUNCTIONS(TDB_InitCommand)

public:
    TDB_InitCommand(const DBA_Url &url, const QString &admin, const QString &fileSystem);
    bool run(QTextStream &out, QString &error) override;

private:
    DBA_Url m_url;
    QString m_admin;
    QString m_fileSystem;
};
