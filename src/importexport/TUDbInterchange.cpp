#include "TUDbInterchange.h"

#include "UT_ExportUtil.h"

namespace {
const QByteArray kHeader = "Quillstream Database Interchange Version 0\n";
// Names this long are written as they are (the format's rule).
constexpr int kLongName = 256;

bool isBreak(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QChar(0x0B) || c == QChar(0x0C)
        || c == QChar(0x85) || c == QChar(0x2028) || c == QChar(0x2029);
}

// Cuts UTF-8 text at most max bytes long, at a character boundary.
QByteArray cutUtf8(const QByteArray &text, int max)
{
    if (text.size() <= max)
        return text;
    int end = max;
    // Continuation bytes are 10xxxxxx: step back to the start of a character.
    while (end > 0 && (uchar(text.at(end)) & 0xC0) == 0x80)
        --end;
    return text.left(end);
}
} // namespace

QString TUDbInterchange::escapeFieldName(const QString &name)
{
    QString escaped = name;
    for (QChar &c : escaped) {
        if (name.size() >= kLongName ? isBreak(c)
                                     : !(c.isLetterOrNumber() || c == QLatin1Char('_')))
            c = QLatin1Char('_');
    }
    return escaped;
}

QByteArray TUDbInterchange::escapeValue(const QString &value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\n'), UT_ExportUtil::LineFeedTag);
    for (QChar &c : escaped) {
        if (isBreak(c))
            c = QLatin1Char('?');
    }
    QByteArray bytes = cutUtf8(escaped.toUtf8(), MaxValueBytes);
    while (bytes.endsWith(' ') || bytes.endsWith('\t'))
        bytes.chop(1);
    return bytes;
}

QString TUDbInterchange::unescapeValue(const QString &value)
{
    QString plain = value;
    return plain.replace(UT_ExportUtil::LineFeedTag, QStringLiteral("\n"));
}

bool TUDbInterchange::fitValue(QString &value)
{
    const QByteArray escaped = QString(value).replace(QLatin1Char('\n'), UT_ExportUtil::LineFeedTag).toUtf8();
    if (escaped.size() <= MaxValueBytes)
        return false;
    value = unescapeValue(QString::fromUtf8(cutUtf8(escaped, MaxValueBytes)));
    return true;
}

QByteArray TUDbInterchange::header(const DBA_TableDictionary &dictionary)
{
    return kHeader + "dict_name\t: " + escapeValue(dictionary.name) + "\ndict_version\t: "
        + QByteArray::number(dictionary.version) + "\ndict_date\t: " + QByteArray::number(dictionary.date) + '\n';
}

QByteArray TUDbInterchange::record(const QStringList &fields, const QStringList &values)
{
    QByteArray text = "\n" + RecordMarker.toUtf8() + '\n';
    for (int i = 0; i < fields.size(); ++i)
        text += escapeFieldName(fields.at(i)).toUtf8() + "\t: " + escapeValue(values.value(i)) + '\n';
    return text;
}

QByteArray TUDbInterchange::end()
{
    return "\n" + EndMarker.toUtf8() + '\n';
}

bool TUDbInterchange::splitFieldLine(const QString &line, Field &field)
{
    const int blank = line.indexOf(QLatin1String(" :"));
    const int tab = line.indexOf(QLatin1String("\t:"));
    // A value may hold " :" itself; the separator is whichever comes first.
    const int at = blank < 0 ? tab : tab < 0 ? blank : qMin(blank, tab);
    if (at < 0)
        return false;
    field.first = line.left(at).trimmed();
    field.second = unescapeValue(line.mid(at + 3));
    return true;
}
