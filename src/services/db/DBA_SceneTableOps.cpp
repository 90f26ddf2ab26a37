#include "DBA_SceneTableOps.h"

#include "DBA_Context.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <algorithm>

namespace {

// Rows written per INSERT: few round trips, well below the backends' limits
// on bound values.
constexpr int kRowsPerInsert = 100;

QString encode(const QStringList &values)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(values)).toJson(QJsonDocument::Compact));
}

bool decode(const QString &text, QStringList &values)
{
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (!document.isArray())
        return false;
    values.clear();
    for (const QJsonValue &value : document.array())
        values << value.toString();
    return true;
}

// Table names become interchange file names ("<name>.dbexport").
bool validTableName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9_.-]{0,63}$"));
    return pattern.match(name).hasMatch();
}

bool checkDictionary(DBA_Context &ctx, const DBA_TableDictionary &dictionary, const QVector<QStringList> &rows,
                     const QString &what)
{
    if (!validTableName(dictionary.name))
        return ctx.fail(DBA_Context::BadName, dbaTr("%1: \"%2\" is not a table name.").arg(what, dictionary.name));
    QStringList distinct = dictionary.fields;
    if (distinct.isEmpty() || distinct.removeDuplicates() != 0 || distinct.contains(QString()))
        return ctx.fail(DBA_Context::Failed, dbaTr("%1: the fields must be named and distinct.").arg(what));
    if (!dictionary.indexField.isEmpty() && !dictionary.fields.contains(dictionary.indexField))
        return ctx.fail(DBA_Context::Failed, dbaTr("Cannot import into %1.db: index field \"%2\" not in field list.")
                                                 .arg(dictionary.name, dictionary.indexField));
    for (int i = 0; i < rows.size(); ++i) {
        if (rows[i].size() != dictionary.fields.size())
            return ctx.fail(DBA_Context::Failed, dbaTr("%1: record %2 has %3 values for %4 fields.")
                                                     .arg(what, QString::number(i + 1), QString::number(rows[i].size()),
                                                          QString::number(dictionary.fields.size())));
    }
    return true;
}

bool insertRows(DBA_Context &ctx, qint64 sceneId, const QString &table, const QVector<QStringList> &rows,
                const QString &what)
{
    for (int first = 0; first < rows.size(); first += kRowsPerInsert) {
        const int count = std::min(kRowsPerInsert, int(rows.size()) - first);
        QStringList placeholders;
        QVariantList values;
        for (int i = first; i < first + count; ++i) {
            placeholders << QStringLiteral("(?, ?, ?, ?)");
            values << sceneId << table << i << encode(rows[i]);
        }
        if (!ctx.run(QStringLiteral("INSERT INTO scene_table_rows (scene_id, table_name, row_index, row_values) VALUES ")
                         + placeholders.join(QStringLiteral(", ")),
                     values, what))
            return false;
    }
    return true;
}

} // namespace

QStringList DBA_SceneTableOps::dba_GetSceneTableNames(const dba_scene_struct &scene)
{
    QStringList names;
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("SELECT table_name FROM scene_tables WHERE scene_id = ? ORDER BY table_name"),
                   {scene.id}, dbaTr("Cannot list the tables of scene %1").arg(scene.name)))
        return names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

bool DBA_SceneTableOps::dba_GetSceneTable(const dba_scene_struct &scene, const QString &table,
                                          DBA_TableDictionary &dictionary, QVector<QStringList> &rows)
{
    rows.clear();
    const QString what = dbaTr("Cannot read table %1 of scene %2").arg(table, scene.name);
    DBA_Query query;
    if (!m_ctx.run(query,
                   QStringLiteral("SELECT version, modified, fields, index_field FROM scene_tables "
                                  "WHERE scene_id = ? AND table_name = ?"),
                   {scene.id, table}, what))
        return false;
    if (!query.next())
        return m_ctx.fail(DBA_Context::NotFound, dbaTr("%1: there is no such table.").arg(what));
    DBA_TableDictionary read;
    read.name = table;
    read.version = query.value(0).toInt();
    read.date = query.value(1).toLongLong();
    read.indexField = query.value(3).toString();
    if (!decode(query.value(2).toString(), read.fields))
        return m_ctx.fail(DBA_Context::Failed, dbaTr("%1: its field list is damaged.").arg(what));
    if (!m_ctx.run(query,
                   QStringLiteral("SELECT row_values FROM scene_table_rows WHERE scene_id = ? AND table_name = ? "
                                  "ORDER BY row_index"),
                   {scene.id, table}, what))
        return false;
    QStringList values;
    while (query.next()) {
        if (!decode(query.value(0).toString(), values)) {
            rows.clear();
            return m_ctx.fail(DBA_Context::Failed, dbaTr("%1: record %2 is damaged.").arg(what).arg(rows.size() + 1));
        }
        rows.append(values);
    }
    dictionary = read;
    return true;
}

bool DBA_SceneTableOps::dba_ReplaceSceneTable(const dba_scene_struct &scene, const DBA_TableDictionary &dictionary,
                                              const QVector<QStringList> &rows)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot write table %1 of scene %2").arg(dictionary.name, scene.name);
    if (!checkDictionary(m_ctx, dictionary, rows, what))
        return false;
    DBA_Transaction transaction(m_ctx.connection);
    QString error;
    if (!transaction.begin(error))
        return m_ctx.failSql(what, error);
    // The old rows go with their table (ON DELETE CASCADE).
    if (!m_ctx.run(QStringLiteral("DELETE FROM scene_tables WHERE scene_id = ? AND table_name = ?"),
                   {scene.id, dictionary.name}, what)
        || !m_ctx.run(QStringLiteral("INSERT INTO scene_tables (scene_id, table_name, version, modified, fields, index_field) "
                                     "VALUES (?, ?, ?, ?, ?, ?)"),
                      {scene.id, dictionary.name, dictionary.version,
                       dictionary.date != 0 ? dictionary.date : DBA_Context::now(), encode(dictionary.fields),
                       dictionary.indexField},
                      what)
        || !insertRows(m_ctx, scene.id, dictionary.name, rows, what))
        return false;
    return transaction.commit(error) || m_ctx.failSql(what, error);
}

bool DBA_SceneTableOps::dba_DeleteSceneTable(const dba_scene_struct &scene, const QString &table)
{
    m_ctx.clearError();
    const QString what = dbaTr("Cannot delete table %1 of scene %2").arg(table, scene.name);
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("DELETE FROM scene_tables WHERE scene_id = ? AND table_name = ?"),
                   {scene.id, table}, what))
        return false;
    if (query.numRowsAffected() != 1)
        return m_ctx.fail(DBA_Context::NotFound, dbaTr("%1: there is no such table.").arg(what));
    return true;
}
