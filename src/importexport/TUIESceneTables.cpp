#include "TUIESceneTables.h"

#include <QLocale>

DBA_TableDictionary TUIESceneTables::elementDictionary()
{
    DBA_TableDictionary dictionary;
    dictionary.name = ElementTable;
    dictionary.version = 6;
    dictionary.fields = QStringList{QStringLiteral("ID"), QStringLiteral("Name"), QStringLiteral("PixmapFormat"),
                                    QStringLiteral("ScanType"), QStringLiteral("FieldChart"),
                                    QStringLiteral("VectorType"), QStringLiteral("Folder"), QStringLiteral("RootFolder")};
    dictionary.indexField = QStringLiteral("ID");
    return dictionary;
}

QVector<QStringList> TUIESceneTables::elementRows(const QVector<QVX_element_data> &elements)
{
    QVector<QStringList> rows;
    for (const QVX_element_data &element : elements) {
        rows.append({QString::number(element.id), element.name, element.pixmapFormat, element.scanType,
                     QString::number(element.fieldChart, 'g', QLocale::FloatingPointShortest),
                     QString::number(int(element.vectorType)), element.folder, element.rootFolder});
    }
    return rows;
}

DBA_TableDictionary TUIESceneTables::versionDictionary()
{
    DBA_TableDictionary dictionary;
    dictionary.name = VersionTable;
    dictionary.fields = QStringList{QStringLiteral("ID"), QStringLiteral("Name"), QStringLiteral("Description")};
    dictionary.indexField = QStringLiteral("ID");
    return dictionary;
}

QVector<QStringList> TUIESceneTables::versionRows(const QVX_scene_version_table &versions)
{
    QVector<QStringList> rows;
    for (const QVX_scene_version &version : versions) {
        rows.append({QString::number(version.number),
                     version.name.isEmpty() ? QStringLiteral("Default") : version.name,
                     version.description.isEmpty() ? QStringLiteral("No description.") : version.description});
    }
    return rows;
}

DBA_TableDictionary TUIESceneTables::drawingDictionary()
{
    DBA_TableDictionary dictionary;
    dictionary.name = DrawingTable;
    dictionary.fields = QStringList{QStringLiteral("Element"), QStringLiteral("Name"), QStringLiteral("Suffix"),
                                    QStringLiteral("Stage"), QStringLiteral("State")};
    return dictionary;
}

QVector<QStringList> TUIESceneTables::drawingRows(const QString &element, const QVector<dba_cel_struct> &cels)
{
    QVector<QStringList> rows;
    for (const dba_cel_struct &cel : cels)
        rows.append({element, cel.name, cel.suffix, QString::number(cel.stage), QString::number(cel.state)});
    return rows;
}
