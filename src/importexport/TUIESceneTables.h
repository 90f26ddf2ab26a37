#pragma once

#include "DBA_Records.h"
#include "DBA_SceneTableOps.h"

#include <QStringList>

// The "element_attr", "version" and "drawing_attr" tables of a scene as
// interchange files carry them, made from the scene's element, version and
// drawing (cel) records: for scenes that keep no such table of their own,
// and for standalone scene files, which come without interchange files.
namespace TUIESceneTables {

inline const QString ElementTable = QStringLiteral("element_attr");
inline const QString VersionTable = QStringLiteral("version");
inline const QString DrawingTable = QStringLiteral("drawing_attr");
// Made from the scene's records, in the order they must be loaded back:
// drawings belong to elements.
inline const QStringList MadeTables{ElementTable, VersionTable, DrawingTable};

// Fields ID, Name, PixmapFormat, ScanType, FieldChart, VectorType, Folder, RootFolder.
DBA_TableDictionary elementDictionary();
QVector<QStringList> elementRows(const QVector<QVX_element_data> &elements);
// Fields ID (the version number), Name ("Default" when it has none), Description.
DBA_TableDictionary versionDictionary();
QVector<QStringList> versionRows(const QVX_scene_version_table &versions);
// Fields Element (its name), Name, Suffix, Stage, State; no ids, which
// belong to one database.
DBA_TableDictionary drawingDictionary();
QVector<QStringList> drawingRows(const QString &element, const QVector<dba_cel_struct> &cels);

} // namespace TUIESceneTables
