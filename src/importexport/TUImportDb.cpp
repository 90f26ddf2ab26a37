#include "TUImportDb.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUIESceneTables.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <type_traits>

namespace {

using TUDbInterchange::Contents;
using TUDbInterchange::Record;

const QByteArray kHeaderStart = "Quillstream Database Interchange Version";
// A line is read up to this many bytes; the rest of a longer one is dropped.
// Room for the longest value (32767 bytes) after a long field name: a limit of
// 32768 would cut fields the writer wrote whole.
constexpr int kMaxLineBytes = 65536;

MSG_Text text(const char *source)
{
    return MSG_Text("TUImportDb", source);
}

bool report(const MSG_Text &message, int action = MSG_Scope::Error)
{
    MSG_Scope("TUImportDb", message, action);
    return false;
}

// The message, then the database's reason and what else helps find the record.
bool reportWithDetails(MSG_Text message, const QString &details)
{
    message += QLatin1Char('\n') + details;
    return report(message);
}

// One line, without its end, at most kMaxLineBytes long (cut says whether
// it was longer); false at the end.
bool readLine(QIODevice &input, QString &line, bool &cut)
{
    if (input.atEnd())
        return false;
    QByteArray bytes = input.readLine(kMaxLineBytes + 1);
    cut = false;
    if (!bytes.endsWith('\n')) {
        char c = 0;
        while (input.getChar(&c) && c != '\n')
            cut = true;
    }
    line = QString::fromUtf8(bytes).trimmed();
    return true;
}

QString recordText(const QString &fileName, int lineNumber, const Record &record)
{
    QString message = QStringLiteral("File: %1\n Record line num: %2").arg(fileName, QString::number(lineNumber));
    for (const TUDbInterchange::Field &field : record)
        message += QStringLiteral("\n%1 : %2").arg(field.first, field.second);
    return message;
}

bool reportAdding(const QString &table, const QString &reason, const Contents &contents, int record)
{
    return reportWithDetails(text(QT_TRANSLATE_NOOP("TUImportDb", "Error %1 record to %2.db"))
                                 .arg(TUImportDb::tr("adding"))
                                 .arg(table),
                             reason + QLatin1Char('\n')
                                 + recordText(table, contents.recordLines.value(record), contents.records.value(record)));
}

QString valueOf(const Record &record, const QString &name)
{
    for (const TUDbInterchange::Field &field : record) {
        if (field.first == name)
            return field.second;
    }
    return QString();
}

void readHeaderField(const TUDbInterchange::Field &field, DBA_TableDictionary &dictionary)
{
    if (field.first == QLatin1String("dict_name"))
        dictionary.name = field.second;
    else if (field.first == QLatin1String("dict_version"))
        dictionary.version = field.second.toInt();
    else if (field.first == QLatin1String("dict_date"))
        dictionary.date = field.second.toLongLong();
}

// Sets field from the record's value of name when it has one; a number
// field given no number becomes -1, which the database refuses.
void take(const Record &record, const char *name, QString &field)
{
    for (const TUDbInterchange::Field &pair : record) {
        if (pair.first == QLatin1String(name))
            field = pair.second;
    }
}

template <typename Number>
void take(const Record &record, const char *name, Number &field)
{
    QString text;
    take(record, name, text);
    bool valid = text.isNull();
    if (!valid)
        field = std::is_same_v<Number, int> ? Number(text.toInt(&valid)) : Number(text.toDouble(&valid));
    if (!valid)
        field = -1;
}

QStringList linesOf(const QByteArray &text)
{
    QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList tableLines(const DBA_TableDictionary &dictionary, const QVector<QStringList> &rows)
{
    QByteArray text = TUDbInterchange::header(dictionary);
    for (const QStringList &row : rows)
        text += TUDbInterchange::record(dictionary.fields, row);
    return linesOf(text + TUDbInterchange::end());
}

} // namespace

TUImportDb::TUImportDb(TUDbAccess &access, const QStringList &versions) : m_access(access)
{
    for (const QString &version : versions)
        m_versions << version.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty).toInt();
}

bool TUImportDb::read(QIODevice &input, const QString &fileName, Contents &contents)
{
    contents = Contents();
    QString line;
    int lineNumber = 0;
    bool ended = false;
    bool cut = false;
    bool overflow = false;
    Record *current = nullptr;
    while (!ended && readLine(input, line, cut)) {
        ++lineNumber;
        if (lineNumber == 1 && !line.toUtf8().startsWith(kHeaderStart))
            return report(text(QT_TRANSLATE_NOOP("TUImportDb", "Unable to open %1")).arg(fileName + tr(": not a database interchange file")));
        TUDbInterchange::Field field;
        if (line == TUDbInterchange::RecordMarker) {
            contents.records.append(Record());
            contents.recordLines.append(lineNumber);
            current = &contents.records.last();
        } else if (line == TUDbInterchange::EndMarker) {
            ended = true;
        } else if (TUDbInterchange::splitFieldLine(line, field)) {
            if (!current) {
                readHeaderField(field, contents.dictionary);
                continue;
            }
            // A value too long for its field is taken cut rather than refused.
            overflow = TUDbInterchange::fitValue(field.second) || cut || overflow;
            current->append(field);
            if (!contents.dictionary.fields.contains(field.first))
                contents.dictionary.fields.append(field.first);
        }
    }
    if (!ended)
        return report(text(QT_TRANSLATE_NOOP("TUImportDb", "Unable to open %1")).arg(fileName + tr(": the file ends before its last record")));
    if (overflow) {
        MSG_Text message = text(QT_TRANSLATE_NOOP("TUImportDb", "The database field maximum length exceeded. The imported scene could be corrupted."));
        message += QLatin1Char('\n') + fileName;
        report(message, MSG_Scope::Warn);
    }
    return true;
}

bool TUImportDb::importFile(dba_scene_struct &scene, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return report(text(QT_TRANSLATE_NOOP("TUImportDb", "Unable to open %1")).arg(path));
    Contents contents;
    if (!read(file, path, contents))
        return false;
    const QString fileName = QFileInfo(path).fileName();
    return load(scene, fileName.chopped(TUDbInterchange::FileExtension.size()), contents, path);
}

bool TUImportDb::importFolder(dba_scene_struct &scene, const QString &folder)
{
    bool ok = true;
    QStringList files = QDir(folder).entryList({QLatin1Char('*') + TUDbInterchange::FileExtension}, QDir::Files,
                                               QDir::Name);
    // The tables made from records first, in their order; the others by name.
    const auto rank = [](const QString &file) {
        const int made = TUIESceneTables::MadeTables.indexOf(file.chopped(TUDbInterchange::FileExtension.size()));
        return made < 0 ? int(TUIESceneTables::MadeTables.size()) : made;
    };
    std::stable_sort(files.begin(), files.end(), [&](const QString &a, const QString &b) { return rank(a) < rank(b); });
    for (const QString &file : files)
        ok = importFile(scene, QDir(folder).filePath(file)) && ok;
    return ok;
}

bool TUImportDb::importLines(dba_scene_struct &scene, const QString &table, const QStringList &lines)
{
    QByteArray bytes = lines.join(QLatin1Char('\n')).toUtf8() + '\n';
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    Contents contents;
    return read(buffer, table, contents) && load(scene, table, contents, table);
}

bool TUImportDb::load(dba_scene_struct &scene, const QString &table, const Contents &contents, const QString &fileName)
{
    if (fileName.endsWith(TUDbInterchange::SceneRecordFileName) || table == QLatin1String("scene"))
        return setSceneDetails(scene, contents);
    if (TUIESceneTables::MadeTables.contains(table)) {
        const bool added = table == TUIESceneTables::ElementTable ? addElements(scene, contents)
                         : table == TUIESceneTables::VersionTable ? addVersions(scene, contents)
                                                                  : addDrawings(scene, contents);
        // A table of its own is replaced only where the scene keeps one.
        if (!m_access.dba_GetSceneTableNames(scene).contains(table))
            return added;
        return merge(scene, table, contents, true, fileName) && added;
    }
    return merge(scene, table, contents, false, fileName);
}

bool TUImportDb::merge(const dba_scene_struct &scene, const QString &table, const Contents &contents, bool replace,
                       const QString &fileName)
{
    DBA_TableDictionary dictionary;
    QVector<QStringList> rows;
    m_access.context().clearError();
    if (!m_access.dba_GetSceneTable(scene, table, dictionary, rows)) {
        if (m_access.lastErrorCode() != DBA_Context::NotFound)
            return reportWithDetails(text(QT_TRANSLATE_NOOP("TUImportDb", "Error opening database file %1")).arg(table),
                                     m_access.lastErrorText());
        dictionary = contents.dictionary;
        dictionary.name = table;
        dictionary.indexField = dictionary.fields.contains(QStringLiteral("ID")) ? QStringLiteral("ID") : QString();
    }
    for (const QString &field : contents.dictionary.fields) {
        if (!dictionary.fields.contains(field))
            report(text(QT_TRANSLATE_NOOP("TUImportDb", "Ignoring unrecognized database field \"%1\"")).arg(field), MSG_Scope::Warn);
    }
    if (replace)
        rows.clear();
    if (dictionary.indexField.isEmpty() && !rows.isEmpty())
        return report(text(QT_TRANSLATE_NOOP("TUImportDb", "Cannot merge fields in %1.db: database has no index.")).arg(table));
    if (!dictionary.indexField.isEmpty() && !contents.records.isEmpty()
        && !contents.dictionary.fields.contains(dictionary.indexField))
        return report(text(QT_TRANSLATE_NOOP("TUImportDb", "Cannot import into %1.db: index field \"%2\" not in field list."))
                          .arg(table)
                          .arg(dictionary.indexField));

    const int key = dictionary.fields.indexOf(dictionary.indexField);
    QHash<QString, int> rowOfKey;
    for (int i = 0; key >= 0 && i < rows.size(); ++i)
        rowOfKey.insert(rows[i].value(key), i);
    for (const Record &record : contents.records) {
        if (table == TUIESceneTables::VersionTable && !isImported(valueOf(record, QStringLiteral("ID"))))
            continue;
        int row = key >= 0 ? rowOfKey.value(valueOf(record, dictionary.indexField), -1) : -1;
        if (row < 0) {
            rows.append(QVector<QString>(dictionary.fields.size()).toList());
            row = int(rows.size()) - 1;
        }
        for (const TUDbInterchange::Field &field : record) {
            const int column = dictionary.fields.indexOf(field.first);
            if (column >= 0)
                rows[row][column] = field.second;
        }
        if (key >= 0)
            rowOfKey.insert(rows[row][key], row);
    }
    if (!m_access.dba_ReplaceSceneTable(scene, dictionary, rows))
        return reportWithDetails(text(QT_TRANSLATE_NOOP("TUImportDb", "Unable to update %1")).arg(fileName),
                                 m_access.lastErrorText());
    return true;
}

bool TUImportDb::isImported(const QString &version) const
{
    return m_versions.isEmpty() || m_versions.contains(version.toInt());
}

bool TUImportDb::addElements(const dba_scene_struct &scene, const Contents &contents)
{
    bool ok = true;
    m_access.context().clearError();
    QStringList present;
    for (const QVX_element_data &element : m_access.read_DBA_elements(scene))
        present << element.name;
    for (int i = 0; i < contents.records.size(); ++i) {
        const Record &record = contents.records[i];
        QVX_element_data element;
        element.name = valueOf(record, QStringLiteral("Name"));
        if (present.contains(element.name))
            continue;
        element.folder = valueOf(record, QStringLiteral("Folder"));
        element.rootFolder = valueOf(record, QStringLiteral("RootFolder"));
        element.pixmapFormat = valueOf(record, QStringLiteral("PixmapFormat"));
        element.scanType = valueOf(record, QStringLiteral("ScanType"));
        bool chart = false;
        element.fieldChart = valueOf(record, QStringLiteral("FieldChart")).toDouble(&chart);
        if (!chart)
            element.fieldChart = 12;
        element.vectorType = valueOf(record, QStringLiteral("VectorType")).toInt() != 0;
        // The service checks the names before they become folders.
        if (m_access.dba_addElement(scene, element) < 0) {
            ok = reportAdding(TUIESceneTables::ElementTable, m_access.lastErrorText(), contents, i);
            continue;
        }
        present << element.name;
    }
    return ok;
}

bool TUImportDb::addVersions(dba_scene_struct &scene, const Contents &contents)
{
    bool ok = true;
    QList<int> present;
    for (const QVX_scene_version &version : m_access.QVX_scene_versions_of_DBA_scene(scene))
        present << version.number;
    for (int i = 0; i < contents.records.size(); ++i) {
        const Record &record = contents.records[i];
        bool valid = false;
        const int number = valueOf(record, QStringLiteral("ID")).toInt(&valid);
        if (valid && (present.contains(number) || !isImported(QString::number(number))))
            continue;
        if (!valid || number <= 0) {
            ok = reportAdding(TUIESceneTables::VersionTable, tr("The version number is not valid."), contents, i);
            continue;
        }
        if (m_access.dba_addSceneVersion(scene, valueOf(record, QStringLiteral("Name")),
                                         valueOf(record, QStringLiteral("Description")), number) < 0) {
            ok = reportAdding(TUIESceneTables::VersionTable, m_access.lastErrorText(), contents, i);
            continue;
        }
        present << number;
    }
    return ok;
}

bool TUImportDb::addDrawings(const dba_scene_struct &scene, const Contents &contents)
{
    bool ok = true;
    m_access.context().clearError();
    QHash<QString, qint64> elementIds;
    for (const QVX_element_data &element : m_access.read_DBA_elements(scene))
        elementIds.insert(element.name, element.id);
    QHash<qint64, QVector<dba_cel_struct>> celsOf;
    for (int i = 0; i < contents.records.size(); ++i) {
        const Record &record = contents.records[i];
        const qint64 element = elementIds.value(valueOf(record, QStringLiteral("Element")), 0);
        if (element == 0) {
            ok = reportAdding(TUIESceneTables::DrawingTable, tr("The scene has no element of that name."), contents, i);
            continue;
        }
        if (!celsOf.contains(element) && m_access.dba_GetCels(scene, element, celsOf[element]) < 0) {
            ok = reportAdding(TUIESceneTables::DrawingTable, m_access.lastErrorText(), contents, i);
            continue;
        }
        dba_cel_struct cel{0, valueOf(record, QStringLiteral("Name")), valueOf(record, QStringLiteral("Suffix")),
                           valueOf(record, QStringLiteral("Stage")).toInt(), valueOf(record, QStringLiteral("State")).toInt()};
        const auto same = std::find_if(celsOf[element].cbegin(), celsOf[element].cend(), [&](const dba_cel_struct &c) {
            return c.name == cel.name && c.suffix == cel.suffix;
        });
        const bool done = same == celsOf[element].cend()
                              ? m_access.dba_addCel(element, cel) > 0
                              : (same->stage == cel.stage && same->state == cel.state)
                                    || m_access.dba_setCelStageState(same->id, cel.stage, cel.state);
        if (!done)
            ok = reportAdding(TUIESceneTables::DrawingTable, m_access.lastErrorText(), contents, i);
        else if (same == celsOf[element].cend())
            celsOf[element].append(cel);
    }
    return ok;
}

// What describes the exported scene's work comes along; its name, place,
// versions and dates stay the target's own. A field the record lacks keeps
// the target's value; one that is no number is refused with the rest.
bool TUImportDb::setSceneDetails(dba_scene_struct &scene, const Contents &contents)
{
    if (contents.records.isEmpty())
        return true;
    const Record &record = contents.records.first();
    dba_scene_details values = scene;
    take(record, "Priority", values.priority);
    take(record, "Frames", values.frames);
    take(record, "StageIndex", values.stageIndex);
    take(record, "ApprovalStage", values.approvalStage);
    take(record, "AssignedTo", values.assignedTo);
    take(record, "TD", values.td);
    take(record, "ATD", values.atd);
    take(record, "PencilTest", values.pencilTest);
    take(record, "PaperSize", values.paperSize);
    take(record, "ScanSize", values.scanSize);
    if (!m_access.dba_setSceneDetails(scene, values))
        return reportWithDetails(text(QT_TRANSLATE_NOOP("TUImportDb", "Unable to update %1")).arg(TUDbInterchange::SceneRecordFileName),
                                 m_access.lastErrorText());
    return true;
}

QStringList TUImportDb::elementAttrLines(const QVector<QVX_element_data> &elements)
{
    return tableLines(TUIESceneTables::elementDictionary(), TUIESceneTables::elementRows(elements));
}

QStringList TUImportDb::versionLines(const QVX_scene_version_table &versions)
{
    return tableLines(TUIESceneTables::versionDictionary(), TUIESceneTables::versionRows(versions));
}
