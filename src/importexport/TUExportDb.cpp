#include "TUExportDb.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDbInterchange.h"
#include "TUIEPackageFile.h"
#include "TUIESceneTables.h"

#include <QDir>
#include <QLocale>

namespace {

// The message, then (when there is one) the reason on a line of its own.
bool report(const char *text, const QString &value, const QString &reason = QString())
{
    MSG_Text message("TUExportDb", text);
    message.arg(value);
    if (!reason.isEmpty())
        message += QLatin1Char('\n') + reason;
    MSG_Scope("TUExportDb", message, MSG_Scope::Error);
    return false;
}

DBA_TableDictionary sceneDictionary(const dba_scene_struct &scene)
{
    DBA_TableDictionary dictionary;
    dictionary.name = QStringLiteral("scene");
    dictionary.date = scene.created;
    dictionary.fields = QStringList{"Name", "Job", "Environment", "FileSystem", "Path", "Priority", "Frames",
                                    "StageIndex", "ApprovalStage", "AssignedTo", "TD", "ATD", "PencilTest",
                                    "PaperSize", "ScanSize", "CurrentVersion", "Created"};
    return dictionary;
}

QStringList sceneValues(const dba_scene_struct &scene)
{
    return QStringList{scene.name, scene.jobName, scene.environment, scene.fileSystem, scene.path,
                       QString::number(scene.priority), QString::number(scene.frames),
                       QString::number(scene.stageIndex), scene.approvalStage, scene.assignedTo, scene.td, scene.atd,
                       QString::number(scene.pencilTest), QString::number(scene.paperSize),
                       QString::number(scene.scanSize, 'g', QLocale::FloatingPointShortest),
                       QString::number(scene.currentVersion), QString::number(scene.created)};
}

} // namespace

QString TUExportDb::fileNameOf(const QString &table)
{
    return table + TUDbInterchange::FileExtension;
}

QStringList TUExportDb::tableNames(const dba_scene_struct &scene)
{
    QStringList names = m_access.dba_GetSceneTableNames(scene);
    for (const QString &made : TUIESceneTables::MadeTables) {
        if (!names.contains(made))
            names.append(made);
    }
    names.sort();
    return names;
}

bool TUExportDb::readTable(const dba_scene_struct &scene, const QString &table, DBA_TableDictionary &dictionary,
                           QVector<QStringList> &rows, bool &found)
{
    found = true;
    m_access.context().clearError();
    if (m_access.dba_GetSceneTable(scene, table, dictionary, rows))
        return true;
    if (m_access.lastErrorCode() != DBA_Context::NotFound)
        return report(QT_TRANSLATE_NOOP("TUExportDb", "Error opening %1"), table, m_access.lastErrorText());
    m_access.context().clearError();
    if (table == TUIESceneTables::ElementTable) {
        dictionary = TUIESceneTables::elementDictionary();
        rows = TUIESceneTables::elementRows(m_access.read_DBA_elements(scene));
    } else if (table == TUIESceneTables::VersionTable) {
        dictionary = TUIESceneTables::versionDictionary();
        rows = TUIESceneTables::versionRows(m_access.QVX_scene_versions_of_DBA_scene(scene));
    } else if (table == TUIESceneTables::DrawingTable) {
        dictionary = TUIESceneTables::drawingDictionary();
        rows = drawingRows(scene);
    } else {
        found = false;
        return true;
    }
    if (m_access.lastErrorCode() != 0)
        return report(QT_TRANSLATE_NOOP("TUExportDb", "Error opening %1"), table, m_access.lastErrorText());
    return true;
}

QVector<QStringList> TUExportDb::drawingRows(const dba_scene_struct &scene)
{
    QVector<QStringList> rows;
    QVector<dba_cel_struct> cels;
    for (const QVX_element_data &element : m_access.read_DBA_elements(scene)) {
        if (m_access.dba_GetCels(scene, element.id, cels) < 0)
            break;
        rows += TUIESceneTables::drawingRows(element.name, cels);
    }
    return rows;
}

bool TUExportDb::exportTable(const dba_scene_struct &scene, const QString &table, const QString &outputPath)
{
    if (outputPath.endsWith(TUDbInterchange::SceneRecordFileName))
        return exportSceneRecord(scene, outputPath);
    DBA_TableDictionary dictionary;
    QVector<QStringList> rows;
    bool found = false;
    if (!readTable(scene, table, dictionary, rows, found))
        return false;
    if (!found)
        return true; // nothing to carry: no file, no error
    for (const QStringList &row : rows) {
        if (row.size() != dictionary.fields.size())
            return report(QT_TRANSLATE_NOOP("TUExportDb", "Error finding record in %1.db"), table);
    }
    return write(outputPath, dictionary, rows);
}

bool TUExportDb::exportSceneRecord(const dba_scene_struct &scene, const QString &outputPath)
{
    dba_scene_struct current = scene;
    if (!scene.isOpen() || !m_access.dba_RefreshSceneStruct(current))
        return report(QT_TRANSLATE_NOOP("TUExportDb", "Cannot find scene %1 in scene database."), scene.name);
    return write(outputPath, sceneDictionary(current), {sceneValues(current)});
}

bool TUExportDb::exportAll(const dba_scene_struct &scene, const QString &folder)
{
    bool ok = true;
    for (const QString &table : tableNames(scene))
        ok = exportTable(scene, table, QDir(folder).filePath(fileNameOf(table))) && ok;
    return exportSceneRecord(scene, QDir(folder).filePath(TUDbInterchange::SceneRecordFileName)) && ok;
}

bool TUExportDb::write(const QString &outputPath, const DBA_TableDictionary &dictionary, const QVector<QStringList> &rows)
{
    // A new file of the package being written: its contents file commits it.
    QByteArray text = TUDbInterchange::header(dictionary);
    for (const QStringList &row : rows)
        text += TUDbInterchange::record(dictionary.fields, row);
    text += TUDbInterchange::end();
    QString error;
    if (!TUIEPackageFile::writeNew(outputPath, text, error))
        return report(QT_TRANSLATE_NOOP("TUExportDb", "Error writing to %1"), outputPath, error);
    return true;
}
