#include "TUIEDatabase.h"

#include "TUDbAccess.h"
#include "TUExportDb.h"
#include "TUIECopier.h"
#include "TUImportDb.h"
#include "TUIESceneTables.h"

#include <QDir>

bool TUIEDatabase::exportTables(TUDbAccess &access, TUIECopier &copier, const QString &localFolder, const QString &target)
{
    QString error;
    if (!copier.makeFolder(target, error))
        return false;
    TUExportDb tables(access);
    const dba_scene_struct &scene = access.sceneRecord();
    bool ok = true;
    const QStringList names = tables.tableNames(scene);
    for (const QString &table : names) {
        copier.setCounter(copier.counter() + 1);
        if (copier.writing())
            ok = tables.exportTable(scene, table, target + QLatin1Char('/') + TUExportDb::fileNameOf(table)) && ok;
    }
    ok = copier.copyFolder(localFolder, target, {}, TUIECopier::HardOrCopyAlways) && ok;
    if (copier.writing() && !tables.exportSceneRecord(scene, target + QStringLiteral("/scene.dbexport")))
        return false;
    return ok;
}

bool TUIEDatabase::importTables(TUDbAccess &access, const QStringList &versions, const QString &folder)
{
    return TUImportDb(access, versions).importFolder(access.sceneRecord(), folder);
}

// A standalone scene brings no interchange files: its elements are the
// folders below its element roots, its versions the scene files found.
bool TUIEDatabase::importStandaloneTables(TUDbAccess &access, const QString &source, const QStringList &elementRoots,
                                          const QStringList &versions)
{
    QVector<QVX_element_data> elements;
    for (const QString &root : elementRoots) {
        for (const QString &folder : QDir(source + QLatin1Char('/') + root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            QVX_element_data element;
            element.id = elements.size() + 1;
            element.name = folder;
            element.folder = folder;
            element.rootFolder = root;
            element.scanType = QStringLiteral("COLOR");
            element.pixmapFormat = QStringLiteral("PNG");
            elements.append(element);
        }
    }
    QVX_scene_version_table table;
    for (const QString &version : versions) {
        QVX_scene_version record;
        record.number = version.toInt();
        table.append(record);
    }
    TUImportDb tables(access, versions);
    dba_scene_struct &scene = access.sceneRecord();
    const bool elementsOk = tables.importLines(scene, TUIESceneTables::ElementTable, TUImportDb::elementAttrLines(elements));
    return tables.importLines(scene, TUIESceneTables::VersionTable, TUImportDb::versionLines(table)) && elementsOk;
}
