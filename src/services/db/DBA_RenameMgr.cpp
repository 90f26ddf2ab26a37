#include "DBA_RenameMgr.h"

#include "TUDbAccess.h"

#include <QHash>

namespace {
QHash<TUDbAccess *, DBA_RenameMgr *> &managers()
{
    static QHash<TUDbAccess *, DBA_RenameMgr *> instances;
    return instances;
}
} // namespace

DBA_RenameMgr *DBA_RenameMgr::getInstance(TUDbAccess *access)
{
    DBA_RenameMgr *&manager = managers()[access];
    if (!manager)
        manager = new DBA_RenameMgr(access);
    return manager;
}

void DBA_RenameMgr::releaseInstance(TUDbAccess *access)
{
    delete managers().take(access);
}

DBA_RenameMgr::DBA_RenameMgr(TUDbAccess *access)
    : m_access(access)
{
}

DBA_RenameMgr::~DBA_RenameMgr() = default;

bool DBA_RenameMgr::fail(int status, const QString &text)
{
    m_status = StatusCode(status);
    m_errorMsg = text;
    return false;
}
