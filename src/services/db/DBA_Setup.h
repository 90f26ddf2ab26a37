#pragma once

#include "DBA_Url.h"

#include <QString>

// Makes a new database: its tables, the file space below its root, the
// seeded rights, the user "BATCH", a first administrator and a first file
// system. Used by "tallyard-db init" and by the tests.
class DBA_Setup
{
public:
    // fileSystem empty: "<root>/scenes". Succeeds on an existing database
    // too, bringing its tables up to date and adding what is missing.
    static bool initialize(const DBA_Url &url, const QString &adminUser, const QString &fileSystem, QString &error);
};
