#pragma once

#include "DBA_SceneTableOps.h"

#include <QByteArray>
#include <QPair>
#include <QStringList>
#include <QVector>

class QIODevice;

// The text format of interchange files (".dbexport"): one scene table per
// file, UTF-8, lines ended by "\n":
//
//     Quillstream Database Interchange Version 0
//     dict_name\t: <table>
//     dict_version\t: <n>
//     dict_date\t: <date>
//     (per record) an empty line, "***RECORD***", then "<field>\t: <value>" lines
//     an empty line, "***END-OF-FILE***"
//
// Both directions live here so that writer and reader agree.
namespace TUDbInterchange {

using Field = QPair<QString, QString>;
using Record = QVector<Field>;

inline const QString FileExtension = QStringLiteral(".dbexport");
inline const QString SceneRecordFileName = QStringLiteral("scene.dbexport");
inline const QString RecordMarker = QStringLiteral("***RECORD***");
inline const QString EndMarker = QStringLiteral("***END-OF-FILE***");
// Longest value written, in bytes; longer ones are cut.
constexpr int MaxValueBytes = 32767;

// Letters, digits and "_" kept, anything else "_"; names of 256 characters
// or more are kept, but even they never break a line.
QString escapeFieldName(const QString &name);
// Line feeds as UT_ExportUtil::LineFeedTag, other line breaks as "?", cut
// at MaxValueBytes (never inside a character), trailing blanks dropped.
QByteArray escapeValue(const QString &value);
QString unescapeValue(const QString &value);
// Whether a value read is longer than a field holds (MaxValueBytes once
// escaped); when it is, it is cut to what the field holds.
bool fitValue(QString &value);

QByteArray header(const DBA_TableDictionary &dictionary);
QByteArray record(const QStringList &fields, const QStringList &values);
QByteArray end();

// Splits a field line at the first " :" or "\t:", whichever comes first;
// false for a line with neither.
bool splitFieldLine(const QString &line, Field &field);

// What a reader got from one file or list of lines.
struct Contents
{
    DBA_TableDictionary dictionary; // name, version, date; fields in first-seen order
    QVector<Record> records;
    QVector<int> recordLines;       // the line number of each record's marker
};

} // namespace TUDbInterchange
