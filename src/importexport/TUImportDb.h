#pragma once

#include "DBA_Records.h"
#include "TUDbInterchange.h"

#include <QCoreApplication>
#include <QStringList>

class QIODevice;
class TUDbAccess;

// Loads interchange files (see TUDbInterchange.h) into the tables of a
// target scene. Holds the access (not owned) and the versions being
// imported. Failures are reported (context "TUImportDb") and fail only the
// file concerned; a failed file changes no table.
//
// - An ordinary table is merged on its index field: a record whose index
//   value the table holds updates that row, any other is added. Fields the
//   table does not have are ignored with a warning. A table the scene does
//   not have yet is made from the file (index field "ID" when the file has it).
// - "element_attr", "version" and "drawing_attr" are replaced rather than
//   merged: each of their records becomes an element, version or drawing of
//   the scene unless one of that name (element; drawing of its element) or
//   number (version) is there already, whose stage and state a drawing
//   record then sets; when the scene keeps its own table of that name, the
//   table is replaced by the file's records. Versions not being imported are
//   left out. A folder's files load element_attr first, drawings last.
// - "scene.dbexport" (the exported scene's record) gives what describes the
//   scene's work: priority, frames, stage, approval stage, assignee, TD,
//   ATD, pencil test, paper and scan size; not its name, place or versions.
class TUImportDb
{
    Q_DECLARE_TR_FUNCTIONS(TUImportDb)

public:
    // versions: the versions being imported, as numbers or "<number> <name>";
    // empty for all.
    explicit TUImportDb(TUDbAccess &access, const QStringList &versions = QStringList());

    // Loads path into the table named by its base name.
    bool importFile(dba_scene_struct &scene, const QString &path);
    // Every ".dbexport" file of folder, in name order; false when any failed.
    bool importFolder(dba_scene_struct &scene, const QString &folder);
    // Interchange lines built in memory (standalone scene files).
    bool importLines(dba_scene_struct &scene, const QString &table, const QStringList &lines);

    // The two tables a standalone scene file brings, in interchange lines.
    static QStringList elementAttrLines(const QVector<QVX_element_data> &elements);
    static QStringList versionLines(const QVX_scene_version_table &versions);

    // Reads a whole interchange file; false, with the reason reported, for
    // a file that is not one or that ends before its end marker.
    static bool read(QIODevice &input, const QString &fileName, TUDbInterchange::Contents &contents);

private:
    bool load(dba_scene_struct &scene, const QString &table, const TUDbInterchange::Contents &contents,
              const QString &fileName);
    bool merge(const dba_scene_struct &scene, const QString &table, const TUDbInterchange::Contents &contents,
               bool replace, const QString &fileName);
    bool addElements(const dba_scene_struct &scene, const TUDbInterchange::Contents &contents);
    bool addVersions(dba_scene_struct &scene, const TUDbInterchange::Contents &contents);
    bool addDrawings(const dba_scene_struct &scene, const TUDbInterchange::Contents &contents);
    bool setSceneDetails(dba_scene_struct &scene, const TUDbInterchange::Contents &contents);
    bool isImported(const QString &version) const;

    TUDbAccess &m_access;
    QList<int> m_versions;
};
