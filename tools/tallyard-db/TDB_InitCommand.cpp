#include "TDB_InitCommand.h"

#include "DBA_Setup.h"
#include "TDB_Session.h"
#include "TUDbAccess.h"

#include <QTextStream>

TDB_InitCommand::TDB_InitCommand(const DBA_Url &url, const QString &admin, const QString &fileSystem)
    : m_url(url)
    , m_admin(admin)
    , m_fileSystem(fileSystem)
{
}

bool TDB_InitCommand::run(QTextStream &out, QString &error)
{
    if (!DBA_Setup::initialize(m_url, m_admin, m_fileSystem, error)) {
        error = tr("Cannot initialize the database %1: %2").arg(m_url.toString(), error);
        return false;
    }
    // Read back through a session, so what is reported is what others will see.
    const std::unique_ptr<TUDbAccess> access = TDB_Session::open(m_url, error);
    if (!access)
        return false;
    dba_user_struct_type admin;
    if (!access->dba_GetUser(m_admin, admin)) {
        error = access->lastErrorText();
        return false;
    }
    out << tr("Database ready: %1").arg(m_url.toString()) << '\n'
        << tr("Administrator: %1 (%2)").arg(admin.name, TUDbAccess::userType2QString(admin.type)) << '\n'
        << tr("File systems: %1").arg(access->sceneDirPatternList().join(QStringLiteral(", "))) << '\n';
    return true;
}
