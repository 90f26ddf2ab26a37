#pragma once

#include "DBA_Url.h"

#include <QCoreApplication>

#include <memory>

class TUDbAccess;

// A database session for the tool's commands, working as your login when
// it is a user of the database, else as BATCH (the user that always exists).
class TDB_Session
{
    Q_DECLARE_TR_FUNCTIONS(TDB_Session)

public:
    static std::unique_ptr<TUDbAccess> open(const DBA_Url &url, QString &error);
};
