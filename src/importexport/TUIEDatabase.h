#pragma once

#include <QCoreApplication>
#include <QStringList>

class TUDbAccess;
class TUIECopier;

// A scene's database data in a package: its tables as interchange files and
// its own "database" folder, below the package's "database" folder.
class TUIEDatabase
{
    Q_DECLARE_TR_FUNCTIONS(TUIEDatabase)

public:
    // Writes the tables of the scene open in access and copies its
    // database folder (localFolder) into target; false when the scene record
    // could not be written. Other failures are reported and skipped.
    static bool exportTables(TUDbAccess &access, TUIECopier &copier, const QString &localFolder, const QString &target);
    // Loads the interchange files of folder into the scene open in access,
    // for the versions being imported (all when empty).
    static bool importTables(TUDbAccess &access, const QStringList &versions, const QString &folder);
    static bool importStandaloneTables(TUDbAccess &access, const QString &source, const QStringList &elementRoots,
                                       const QStringList &versions);
};
