#include "TDB_Session.h"

#include "TUDbAccess.h"
#include "oswUtil.h"

std::unique_ptr<TUDbAccess> TDB_Session::open(const DBA_Url &url, QString &error)
{
    auto access = std::make_unique<TUDbAccess>();
    access->dba_Initialize2dSystem(QStringLiteral("tallyard-db"));
    if (access->dba_Open2dDatabaseSession(url) != 0) {
        error = access->lastErrorText();
        return nullptr;
    }
    if (!access->setCurrentUser(oswUtil::getUserName()) && !access->setCurrentUser(QStringLiteral("BATCH"))) {
        error = tr("The database has no user BATCH; run \"tallyard-db init\" to repair it.");
        return nullptr;
    }
    // The session row was written before the user was known.
    access->dba_keepAlive();
    return access;
}
