#pragma once

#include <QList>
#include <QPair>
#include <QString>

// Turns the logical paths stored in the database into this machine's paths.
// Stored paths begin with "/QVX_DB", which stands for the database root;
// studios whose workstations mount shares in different places add prefix
// maps (longest prefix wins). Remapping is process-wide configuration, set
// once at start-up by the database service.
class oswRemapPath
{
public:
    static const QString &logicalRoot(); // "/QVX_DB"

    static void setDatabaseRoot(const QString &localRoot);
    static QString databaseRoot();
    static void addPrefixMap(const QString &from, const QString &to);
    static void clearPrefixMaps();
    // Reads the [remap] section of an INI file: each key is a stored prefix,
    // its value the local one. Missing file: no maps, success. The loaded
    // maps replace those set before. QSettings takes "/" as a group
    // separator, so keys leave out the prefix's leading "/":
    //     [remap]
    //     QVX_DB/renders=/mnt/renders
    static bool loadPrefixMaps(const QString &iniFile, QString &error);

    // Stored path -> local path. Paths that match no rule come back unchanged.
    static QString RemapPath2(const QString &path);
    // Local path -> stored path: a path below the database root becomes
    // "/QVX_DB/...", one below a map's local prefix gets the stored prefix
    // back (longest local prefix wins); any other path comes back cleaned
    // but unchanged.
    static QString UnmapPath(const QString &localPath);
};
