#include "TDB_AddFileSystemCommand.h"

#include "TDB_Session.h"
#include "TUDbAccess.h"

#include <QTextStream>

TDB_AddFileSystemCommand::TDB_AddFileSystemCommand(const DBA_Url &url, const QString &path)
    : m_url(url)
    , m_path(path)
{
}

bool TDB_AddFileSystemCommand::run(QTextStream &out, QString &error)
{
    const std::unique_ptr<TUDbAccess> access = TDB_Session::open(m_url, error);
    if (!access)
        return false;
    if (!access->dba_AddFileSystem(m_path)) {
        error = access->lastErrorCode() == DBA_Context::AlreadyExists
            ? tr("The file system %1 is registered already.").arg(m_path)
            : access->lastErrorText();
        return false;
    }
    out << tr("Added file system %1.").arg(m_path) << '\n';
    return true;
}
