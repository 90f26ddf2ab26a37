#pragma once

#include "DBA_Url.h"
#include "TDB_Command.h"

#include <QCoreApplication>

// "addfs": registers a folder (made when missing) as a file system for scenes.
class TDB_AddFileSystemCommand : public TDB_Command
{
    Q_DECLARE_TR_FUNCTIONS(TDB_AddFileSystemCommand)

public:
    TDB_AddFileSystemCommand(const DBA_Url &url, const QString &path);
    bool run(QTextStream &out, QString &error) override;

private:
    DBA_Url m_url;
    QString m_path;
};
