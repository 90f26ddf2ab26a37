#pragma once

#include "DBA_Records.h"
#include "DBA_SceneTableOps.h"

// The "element_attr" and "version" tables of a scene as interchange files
// carry them, made from the scene's element and version records: for scenes
// that keep no such table of their own, and for standalone scene files,
// which come without interchange files.
namespace TUIESceneTables {

inline const QString ElementTable = QStringLiteral("element_attr");
inline const QString VersionTable = QStringLiteral("version");

// Fields ID, Name, PixmapFormat, ScanType, FieldChart, VectorType, Folder, RootFolder.
DBA_TableDictionary elementDictionary();
QVector<QStringList> elementRows(const QVector<QVX_element_data> &elements);
// Fields ID (the version number), Name ("Default" when it has none), Description.
DBA_TableDictionary versionDictionary();
QVector<QStringList> versionRows(const QVX_scene_version_table &versions);

} // namespace TUIESceneTables
