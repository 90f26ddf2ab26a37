#include "DBA_Setup.h"

#include "DBA_Connection.h"
#include "DBA_Context.h"
#include "DBA_Schema.h"
#include "DBA_UserOps.h"
#include "oswRemapPath.h"
#include "tufile.h"

#include <QCoreApplication>

namespace {
bool seed(DBA_Connection &connection, const QString &sql, const QVariantList &values, QString &error)
{
    DBA_Query query;
    return connection.exec(query, sql, values, error);
}

const QString kInsertIgnore = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) ON CONFLICT DO NOTHING");
} // namespace

bool DBA_Setup::initialize(const DBA_Url &url, const QString &adminUser, const QString &fileSystem, QString &error)
{
    // Connect first, so an unreachable server leaves no folders behind.
    DBA_Connection connection;
    if (!connection.open(url, error, true) || !DBA_Schema::migrate(connection, error))
        return false;
    for (const char *folder : {"", "/environments", "/jobs", "/users"}) {
        if (!tufile::checkCreatePath(url.root + QLatin1String(folder), error))
            return false;
    }

    DBA_Transaction transaction(connection);
    if (!transaction.begin(error))
        return false;
    for (int type = 0; type < 10; ++type) {
        for (int permission = 0; permission < DBA_UserOps::PermissionCount; ++permission) {
            if (!seed(connection, kInsertIgnore.arg(QStringLiteral("rights"), QStringLiteral("user_type, permission, allowed"),
                                                    QStringLiteral("?, ?, ?")),
                      {type, DBA_UserOps::permissionName(permission), int(DBA_UserOps::defaultRight(type, permission))}, error))
                return false;
        }
    }
    const QString addUser = kInsertIgnore.arg(QStringLiteral("users"), QStringLiteral("name, first_name, last_name, type"),
                                              QStringLiteral("?, ?, ?, ?"));
    if (!seed(connection, addUser, {QStringLiteral("BATCH"), QStringLiteral("Batch"), QStringLiteral("Jobs"), int(DBA_UserOps::RD)}, error))
        return false;
    if (!adminUser.isEmpty()
        && !seed(connection, addUser, {adminUser, adminUser, QString(), int(DBA_UserOps::RD)}, error))
        return false;
    const QString scenes = fileSystem.isEmpty() ? url.root + QStringLiteral("/scenes") : fileSystem;
    if (!tufile::checkCreatePath(scenes, error))
        return false;
    // Stored relative to the root when it lies below it, so the database
    // survives the root being mounted elsewhere.
    oswRemapPath::setDatabaseRoot(url.root);
    if (!seed(connection, kInsertIgnore.arg(QStringLiteral("file_systems"), QStringLiteral("path"), QStringLiteral("?")),
              {oswRemapPath::UnmapPath(scenes)}, error))
        return false;
    if (!seed(connection, kInsertIgnore.arg(QStringLiteral("resolutions"), QStringLiteral("name, width, height"), QStringLiteral("?, ?, ?")),
              {QStringLiteral("HDTV_1080p"), 1920, 1080}, error)
        || !seed(connection, kInsertIgnore.arg(QStringLiteral("resolutions"), QStringLiteral("name, width, height"), QStringLiteral("?, ?, ?")),
                 {QStringLiteral("HDTV_720p"), 1280, 720}, error))
        return false;
    return transaction.commit(error);
}
