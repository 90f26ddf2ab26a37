#include "TDB_AddUserCommand.h"

#include "TDB_CommandLine.h"
#include "TDB_Session.h"
#include "TUDbAccess.h"

#include <QTextStream>

TDB_AddUserCommand::TDB_AddUserCommand(const DBA_Url &url, const TDB_Request &request)
    : m_url(url)
    , m_name(request.userName)
    , m_firstName(request.firstName)
    , m_lastName(request.lastName)
    , m_type(request.userType)
{
}

bool TDB_AddUserCommand::run(QTextStream &out, QString &error)
{
    const std::unique_ptr<TUDbAccess> access = TDB_Session::open(m_url, error);
    if (!access)
        return false;
    if (access->addUser(m_name, m_firstName, m_lastName, QString(), m_type) != 0) {
        error = access->lastErrorCode() == DBA_Context::AlreadyExists ? tr("User %1 already exists.").arg(m_name)
                                                                       : access->lastErrorText();
        return false;
    }
    out << tr("Added user %1 (%2).").arg(m_name, TUDbAccess::userType2QString(m_type)) << '\n';
    return true;
}
