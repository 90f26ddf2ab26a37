#pragma once

#include <QString>

// Fixed strings that the exporter writes into a package and the importer
// reads back; both sides take them from here.
namespace UT_ExportUtil {
// Stands for a line feed inside one value of an interchange file
// (".dbexport"), which keeps one field per line.
inline const QString LineFeedTag = QStringLiteral("<_LF_>");
} // namespace UT_ExportUtil
