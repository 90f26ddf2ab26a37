#pragma once

#include "TUDbAccess.h"

#include <QString>

// Asks the database's rename manager for one scene rename, without a user
// interface: checks the right and the new name, runs the rename and hands
// back the manager's error text and status. The caller has checked that the
// scene is neither checked out nor locked, and has closed it.
class DBS_RenameSceneBatch
{
public:
    DBS_RenameSceneBatch(TUDbAccess *access, const QString &sceneName, const QString &newName);
    virtual ~DBS_RenameSceneBatch() = default;

    // 0 on success, 1 on failure (errorText then says why).
    int rename(QString &errorText, TUDbAccess::RenameMgr::ResponseType response,
               TUDbAccess::RenameMgr::StatusCode &status, QString &detail);

private:
    TUDbAccess *m_access;
    QString m_sceneName;
    bool m_batch = true;
    QString m_newName;
};
