#pragma once

#include <QCoreApplication>
#include <QStringList>
#include <QVector>

class TUDbAccess;
struct dba_scene_struct;
struct DBA_TableDictionary;

// Writes the tables of an opened scene as interchange files (see
// TUDbInterchange.h), one file per table, for the "database" folder of an
// export package. Holds the access, which it does not own. Failures are
// reported (context "TUExportDb") and fail only the file concerned; an
// output file is either complete or not there.
class TUExportDb
{
    Q_DECLARE_TR_FUNCTIONS(TUExportDb)

public:
    explicit TUExportDb(TUDbAccess &access) : m_access(access) {}

    // The scene's tables to export: its own tables, plus "element_attr",
    // "version" and "drawing_attr", which, when the scene keeps no table of
    // that name, are made from its element, version and drawing records.
    QStringList tableNames(const dba_scene_struct &scene);
    // Writes one table to outputPath (normally "<folder>/<table>.dbexport").
    // A table the scene does not have writes nothing and succeeds. When
    // outputPath ends in "scene.dbexport" the scene's record is written instead.
    bool exportTable(const dba_scene_struct &scene, const QString &table, const QString &outputPath);
    // The scene's own record, read afresh from the database.
    bool exportSceneRecord(const dba_scene_struct &scene, const QString &outputPath);
    // Every table of tableNames() and the scene record into folder; false
    // when any file failed (the others are still written).
    bool exportAll(const dba_scene_struct &scene, const QString &folder);

    static QString fileNameOf(const QString &table);

private:
    bool readTable(const dba_scene_struct &scene, const QString &table, DBA_TableDictionary &dictionary,
                   QVector<QStringList> &rows, bool &found);
    QVector<QStringList> drawingRows(const dba_scene_struct &scene);
    bool write(const QString &outputPath, const DBA_TableDictionary &dictionary, const QVector<QStringList> &rows);

    TUDbAccess &m_access;
};
