#include "DBA_VersionOps.h"

#include "DBA_Context.h"
#include "oswRemapPath.h"
#include "tufile.h"

#include <QDir>

#include <algorithm>

namespace {

const char kVersionSelect[] =
    "SELECT id, number, name, description, created_by, created_host, created FROM scene_versions ";

QVX_scene_version readVersion(const QSqlQuery &query)
{
    QVX_scene_version version;
    version.id = query.value(0).toLongLong();
    version.number = query.value(1).toInt();
    version.name = query.value(2).toString();
    version.description = query.value(3).toString();
    version.savedBy = query.value(4).toString();
    version.savedMachine = query.value(5).toString();
    version.savedTime = query.value(6).toLongLong();
    return version;
}

const char kElementSelect[] =
    "SELECT id, name, folder, root_folder, scan_type, pixmap_type, field_chart, vector_type FROM elements ";

QVX_element_data readElement(const QSqlQuery &query)
{
    QVX_element_data element;
    element.id = query.value(0).toLongLong();
    element.name = query.value(1).toString();
    element.folder = query.value(2).toString();
    element.rootFolder = query.value(3).toString();
    element.scanType = query.value(4).toString();
    element.pixmapFormat = query.value(5).toString();
    element.fieldChart = query.value(6).toDouble();
    element.vectorType = query.value(7).toInt() != 0;
    return element;
}

// The digit run starting at k, without its leading zeros; k moves past it.
QString digitRun(const QString &text, int &k)
{
    const int start = k;
    while (k < text.size() && text[k].isDigit())
        ++k;
    int first = start;
    while (first + 1 < k && text[first] == QLatin1Char('0'))
        ++first;
    return text.mid(first, k - first);
}

// Drawings are mostly numbered: "2" comes before "10", and "1a" after "1".
bool naturalLess(const QString &a, const QString &b)
{
    int i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const QString x = digitRun(a, i), y = digitRun(b, j);
            if (x.size() != y.size())
                return x.size() < y.size();
            if (const int order = x.compare(y))
                return order < 0;
            continue;
        }
        if (a[i] != b[j])
            return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

bool validCelCodes(int stage, int state)
{
    return stage >= 0 && stage <= 4 && state >= 0 && state <= 5;
}

} // namespace

QVX_scene_version_table DBA_VersionOps::QVX_scene_versions_of_DBA_scene(const dba_scene_struct &scene)
{
    QVX_scene_version_table versions;
    DBA_Query query;
    if (!m_ctx.run(query, QLatin1String(kVersionSelect) + QStringLiteral("WHERE scene_id = ? ORDER BY number"), {scene.id},
                   dbaTr("Cannot read the versions of scene %1").arg(scene.name)))
        return versions;
    while (query.next())
        versions.append(readVersion(query));
    return versions;
}

int DBA_VersionOps::dba_addSceneVersion(dba_scene_struct &scene, const QString &name, const QString &description,
                                        int number)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot add a version to scene %1").arg(scene.name);
    if (number < 0) {
        m_ctx.fail(DBA_Context::Failed, dbaTr("%1: %2 is not a version number.").arg(what).arg(number));
        return -1;
    }
    DBA_Transaction transaction(m_ctx.connection);
    DBA_Query query;
    // The number is chosen in the insert itself, under the write lock, so two
    // saves never take the same one.
    if (!m_ctx.begin(transaction, what)
        || !m_ctx.run(query,
                      QStringLiteral("INSERT INTO scene_versions (scene_id, number, name, description, created, created_by, "
                                     "created_host) SELECT id, CASE WHEN ? > 0 THEN ? ELSE (SELECT COALESCE(MAX(number), 0) + 1 "
                                     "FROM scene_versions WHERE scene_id = ?) END, ?, ?, ?, ?, ? FROM scenes WHERE id = ? "
                                     "RETURNING id, number"),
                      {number, number, scene.id, name, description, DBA_Context::now(), m_ctx.user.name, m_ctx.host, scene.id},
                      what)) {
        if (m_ctx.lastErrorCode() == DBA_Context::AlreadyExists)
            m_ctx.fail(DBA_Context::AlreadyExists, dbaTr("Version %1 of scene %2 already exists.").arg(number).arg(scene.name));
        return -1;
    }
    if (!query.next()) {
        m_ctx.fail(DBA_Context::NotFound, dbaTr("Scene %1 does not exist.").arg(scene.name));
        return -1;
    }
    const qint64 id = query.value(0).toLongLong();
    const int added = query.value(1).toInt();
    query.finish();
    if (!m_ctx.changeOne(QStringLiteral("UPDATE scenes SET current_version = ? WHERE id = ?"), {added, scene.id}, what)
        || !m_ctx.commit(transaction, what))
        return -1;
    scene.currentVersion = added;
    scene.versionId = id;
    return added;
}

QStringList DBA_VersionOps::createVersionsListStringList(const dba_scene_struct &scene)
{
    QStringList list;
    for (const QVX_scene_version &version : QVX_scene_versions_of_DBA_scene(scene))
        list << (version.name.isEmpty() ? QString::number(version.number)
                                        : QStringLiteral("%1 %2").arg(version.number).arg(version.name));
    return list;
}

bool DBA_VersionOps::getVersionIdList(const dba_scene_struct &scene, QVector<qint64> &ids)
{
    ids.clear();
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("SELECT id FROM scene_versions WHERE scene_id = ? ORDER BY number"), {scene.id},
                   dbaTr("Fail to read the scene version record from the database.")))
        return false;
    while (query.next())
        ids.append(query.value(0).toLongLong());
    return true;
}

QVector<QVX_element_data> DBA_VersionOps::read_DBA_elements(const dba_scene_struct &scene)
{
    QVector<QVX_element_data> elements;
    DBA_Query query;
    if (!m_ctx.run(query, QLatin1String(kElementSelect) + QStringLiteral("WHERE scene_id = ? ORDER BY id"), {scene.id},
                   dbaTr("Cannot read the elements of scene %1").arg(scene.name)))
        return elements;
    while (query.next())
        elements.append(readElement(query));
    return elements;
}

bool DBA_VersionOps::element_data_of_DBA_element_name(const dba_scene_struct &scene, const QString &name,
                                                      const QString &folder, QVX_element_data &element)
{
    DBA_Query query;
    if (!m_ctx.run(query,
                   QLatin1String(kElementSelect) + QStringLiteral("WHERE scene_id = ? AND name = ? AND (? = '' OR folder = ?)"),
                   {scene.id, name, folder, folder}, dbaTr("Cannot read element %1").arg(name)))
        return false;
    if (!query.next())
        return m_ctx.fail(DBA_Context::NotFound, dbaTr("Element %1 not found").arg(name));
    element = readElement(query);
    return true;
}

qint64 DBA_VersionOps::dba_addElement(const dba_scene_struct &scene, QVX_element_data &element)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot add element %1 to scene %2").arg(element.name, scene.name);
    const QString folder = element.folder.isEmpty() ? element.name : element.folder;
    const QString rootFolder = element.rootFolder.isEmpty() ? QStringLiteral("elements") : element.rootFolder;
    // Both folder names become paths below the scene folder.
    if (!m_ctx.checkName(element.name, dbaTr("element")) || !m_ctx.checkName(folder, dbaTr("element folder"))
        || !m_ctx.checkName(rootFolder, dbaTr("element root folder")))
        return -1;
    DBA_Transaction transaction(m_ctx.connection);
    DBA_Query query;
    if (!m_ctx.begin(transaction, what)
        || !m_ctx.run(query,
                      QStringLiteral("INSERT INTO elements (scene_id, name, folder, root_folder, pixmap_type, scan_type, "
                                     "vector_type, field_chart) VALUES (?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"),
                      {scene.id, element.name, folder, rootFolder, element.pixmapFormat, element.scanType,
                       int(element.vectorType), element.fieldChart},
                      what)
        || !query.next())
        return -1;
    const qint64 id = query.value(0).toLongLong();
    query.finish();
    QString error;
    const QString local = oswRemapPath::RemapPath2(scene.path) + QLatin1Char('/') + rootFolder + QLatin1Char('/') + folder;
    if (!tufile::checkCreatePath(local, error)) {
        m_ctx.fail(DBA_Context::Failed, dbaTr("%1: %2").arg(what, error));
        return -1;
    }
    if (!m_ctx.commit(transaction, what))
        return -1;
    element.id = id;
    element.folder = folder;
    element.rootFolder = rootFolder;
    return id;
}

QStringList DBA_VersionOps::getElementsRootFoldersList(const dba_scene_struct &scene)
{
    QStringList folders;
    DBA_Query query;
    if (m_ctx.run(query, QStringLiteral("SELECT DISTINCT root_folder FROM elements WHERE scene_id = ? ORDER BY root_folder"),
                  {scene.id}, dbaTr("Cannot read the elements of scene %1").arg(scene.name))) {
        while (query.next())
            folders << query.value(0).toString();
    }
    if (folders.isEmpty())
        folders << QStringLiteral("elements");
    return folders;
}

int DBA_VersionOps::dba_GetCels(const dba_scene_struct &scene, qint64 elementId, QVector<dba_cel_struct> &cels)
{
    cels.clear();
    DBA_Query query;
    // Joined from the element so that an element without cels and a missing
    // element tell apart in one query.
    if (!m_ctx.run(query,
                   QStringLiteral("SELECT c.id, c.name, c.suffix, c.stage, c.state FROM elements e "
                                  "LEFT JOIN cels c ON c.element_id = e.id WHERE e.id = ? AND e.scene_id = ?"),
                   {elementId, scene.id}, dbaTr("Cannot read the drawings of scene %1").arg(scene.name)))
        return -1;
    bool found = false;
    while (query.next()) {
        found = true;
        if (query.value(0).isNull())
            continue;
        dba_cel_struct cel;
        cel.id = query.value(0).toLongLong();
        cel.name = query.value(1).toString();
        cel.suffix = query.value(2).toString();
        cel.stage = query.value(3).toInt();
        cel.state = query.value(4).toInt();
        cels.append(cel);
    }
    if (!found) {
        m_ctx.fail(DBA_Context::NotFound, dbaTr("Element %1 is not in scene %2.").arg(elementId).arg(scene.name));
        return -1;
    }
    std::sort(cels.begin(), cels.end(), [](const dba_cel_struct &a, const dba_cel_struct &b) {
        return a.name != b.name ? naturalLess(a.name, b.name) : naturalLess(a.suffix, b.suffix);
    });
    return int(cels.size());
}

qint64 DBA_VersionOps::dba_addCel(qint64 elementId, dba_cel_struct &cel)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot add drawing %1").arg(cel.name);
    if (cel.name.isEmpty() || !validCelCodes(cel.stage, cel.state)) {
        m_ctx.fail(DBA_Context::Failed, dbaTr("%1: it needs a name, a stage from 0 to 4 and a state from 0 to 5.").arg(what));
        return -1;
    }
    DBA_Query query;
    if (!m_ctx.run(query,
                   QStringLiteral("INSERT INTO cels (element_id, name, suffix, stage, state) VALUES (?, ?, ?, ?, ?) RETURNING id"),
                   {elementId, cel.name, cel.suffix, cel.stage, cel.state}, what)
        || !query.next())
        return -1;
    cel.id = query.value(0).toLongLong();
    return cel.id;
}

bool DBA_VersionOps::dba_setCelStageState(qint64 celId, int stage, int state)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot change drawing %1").arg(celId);
    if (!validCelCodes(stage, state))
        return m_ctx.fail(DBA_Context::Failed, dbaTr("%1: the stage goes from 0 to 4, the state from 0 to 5.").arg(what));
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("UPDATE cels SET stage = ?, state = ? WHERE id = ?"), {stage, state, celId}, what))
        return false;
    if (query.numRowsAffected() != 1)
        return m_ctx.fail(DBA_Context::NotFound, dbaTr("%1: there is no such drawing.").arg(what));
    return true;
}
