#pragma once

#include <QString>

// The element and attribute names of the XML scene file (".pavx"): plain
// lower-case names. The scene-file reader and rewriter and the demo studio's
// writer all take them from here, so what one writes the others read.
inline const QString kPIO_project = QStringLiteral("project");
inline const QString kPIO_animateProject = QStringLiteral("animateproject");
inline const QString kPIO_timeline = QStringLiteral("timeline");
inline const QString kPIO_scene = QStringLiteral("scene");
inline const QString kPIO_id = QStringLiteral("id");
inline const QString kPIO_sceneNbFrames = QStringLiteral("scenenbframes");
inline const QString kPIO_column = QStringLiteral("column");
inline const QString kPIO_columnType = QStringLiteral("columntype");
inline const QString kPIO_columnName = QStringLiteral("columnname");
inline const QString kPIO_stringSeq = QStringLiteral("stringseq");
inline const QString kPIO_module = QStringLiteral("module");
inline const QString kPIO_nodeType = QStringLiteral("nodetype");
inline const QString kPIO_nodeInstanceName = QStringLiteral("nodeinstancename");
inline const QString kPIO_element = QStringLiteral("element");
inline const QString kPIO_rootFolder = QStringLiteral("rootfolder");

// Values and the inner names of a read module.
inline const QString kPIO_drawingColumnType = QStringLiteral("6");
inline const QString kPIO_cameraColumnType = QStringLiteral("3");
inline const QString kPIO_readNodeType = QStringLiteral("READ");
inline const QString kPIO_customName = QStringLiteral("customName");
inline const QString kPIO_drawing = QStringLiteral("drawing");
inline const QString kPIO_name = QStringLiteral("name");
inline const QString kPIO_timing = QStringLiteral("timing");
inline const QString kPIO_extension = QStringLiteral("extension");
inline const QString kPIO_val = QStringLiteral("val");
inline const QString kPIO_col = QStringLiteral("col");

// The older line format: blank-separated tokens, one statement per line.
namespace PIO_Lex {
inline const QString NFrames = QStringLiteral("NFRAMES");
inline const QString Column = QStringLiteral("COLUMN");
inline const QString Timing = QStringLiteral("TIMING");
inline const QString EndList = QStringLiteral("ENDLIST");
inline const QString Empty = QStringLiteral("EMPTY");
inline const QString Set = QStringLiteral("SET");
inline const QString Module = QStringLiteral("MODULE");
inline const QString Read = QStringLiteral("READ");
inline const QString CustomName = QStringLiteral("CUSTOM_NAME");
inline const QString Name = QStringLiteral("NAME");
inline const QString Col = QStringLiteral("COL");
inline const QString Extension = QStringLiteral("EXTENSION");
inline const QString FieldChart = QStringLiteral("FIELD_CHART");
} // namespace PIO_Lex
