#include "TUIEFile.h"

#include "MSG_Scope.h"
#include "ProjectParser.h"
#include "ProjectParserIn.h"
#include "ProjectParserOut.h"
#include "TUIELineFormat.h"
#include "TUIEPackageFile.h"
#include "TUIEScene.h"
#include "oswRemapPath.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <functional>

namespace {

using ByteReplacements = QVector<QPair<QByteArray, QByteArray>>;
using LineFilter = std::function<QByteArray(const QByteArray &)>;

template <typename Text>
Text replaceFirstOfEach(Text line, const QVector<QPair<Text, Text>> &replacements)
{
    for (const auto &pair : replacements) {
        if (pair.first.isEmpty())
            continue;
        const int at = line.indexOf(pair.first);
        if (at >= 0)
            line.replace(at, pair.first.size(), pair.second);
    }
    return line;
}

// Works on the bytes so that text in other encodings passes untouched.
ByteReplacements utf8(const TUIEReplacements &replacements)
{
    ByteReplacements bytes;
    for (const auto &pair : replacements)
        bytes.append({pair.first.toUtf8(), pair.second.toUtf8()});
    return bytes;
}

void reportUnreadable(const QString &path)
{
    MSG_Scope("TUIEFile", QT_TRANSLATE_NOOP("TUIEFile", "Could not open scene file: %1."), MSG_Scope::Error).arg(path);
}

void reportParseFailure(const QString &path, const QString &reason)
{
    MSG_Scope("TUIEFile", QT_TRANSLATE_NOOP("TUIEFile", "Failed to parse scene file: %1"), MSG_Scope::Error)
        .arg(reason.isEmpty() ? path : path + QStringLiteral(" (") + reason + QLatin1Char(')'));
}

bool reportUnwritable(const QString &path, const QString &reason)
{
    MSG_Scope("TUIEFile", QT_TRANSLATE_NOOP("TUIEFile", "Could not write file %1: %2"), MSG_Scope::Error)
        .arg(path)
        .arg(reason);
    return false;
}

// QSaveFile writes through a symbolic link into its target, which may lie
// anywhere (in a linked package, the database itself): the link is removed
// and a file takes its place. The source, if it was the link, is already open.
bool replaceableTarget(const QString &destination)
{
    if (!QFileInfo(destination).isSymLink() || QFile::remove(destination))
        return true;
    return reportUnwritable(destination, TUIEFile::tr("cannot replace the symbolic link"));
}

// Writes destination through fill: all or nothing, or (staged) straight
// into a new file of a package being made.
bool writeFile(const QString &destination, TUIEFile::WriteMode mode, const std::function<bool(QIODevice &)> &fill)
{
    if (mode == TUIEFile::Staged) {
        QFile output(destination);
        QString error;
        if (!TUIEPackageFile::openNew(output, error))
            return reportUnwritable(destination, error);
        if (!fill(output) || !output.flush())
            return reportUnwritable(destination, output.errorString());
        return true;
    }
    if (!replaceableTarget(destination))
        return false;
    QSaveFile output(destination);
    if (!output.open(QIODevice::WriteOnly) || !fill(output) || !output.commit())
        return reportUnwritable(destination, output.errorString());
    return true;
}

// Every line of input through the filter, then the replacements, each line
// ended by "\n", into output.
bool copyLines(QIODevice &input, QIODevice &output, const TUIEReplacements &replacements, const LineFilter &filter)
{
    const ByteReplacements bytes = utf8(replacements);
    while (!input.atEnd()) {
        QByteArray line = input.readLine();
        if (line.endsWith('\n'))
            line.chop(1);
        if (output.write(replaceFirstOfEach(filter ? filter(line) : line, bytes)) < 0 || output.write("\n", 1) < 0)
            return false;
    }
    return true;
}

bool copyUnchanged(const QString &source, const QString &destination, TUIEFile::WriteMode mode)
{
    if (source == destination)
        return true;
    QFile input(source);
    if (!input.open(QIODevice::ReadOnly)) {
        reportUnreadable(source);
        return false;
    }
    return writeFile(destination, mode, [&](QIODevice &output) {
        while (!input.atEnd()) {
            if (output.write(input.read(1 << 20)) < 0)
                return false;
        }
        return input.error() == QFile::NoError;
    });
}

QString xmlEscaped(QString text)
{
    return text.replace(QLatin1Char('&'), QLatin1String("&amp;"))
        .replace(QLatin1Char('<'), QLatin1String("&lt;"))
        .replace(QLatin1Char('>'), QLatin1String("&gt;"))
        .replace(QLatin1Char('"'), QLatin1String("&quot;"));
}

// In the written XML a path with "&", "<", ">" or '"' appears escaped in
// attributes and text, and as it is in CDATA: such a pair is applied in
// both forms, the escaped one first, so that both places are rewritten and
// the result stays well-formed.
TUIEReplacements xmlReplacements(const TUIEReplacements &replacements)
{
    TUIEReplacements both;
    for (const auto &pair : replacements) {
        const QString from = xmlEscaped(pair.first);
        if (from != pair.first || xmlEscaped(pair.second) != pair.second)
            both.append({from, xmlEscaped(pair.second)});
        both.append(pair);
    }
    return both;
}

bool rewriteXmlScene(QIODevice &input, const TUIEScene &scene, const TUIEReplacements &replacements,
                     QIODevice &output, QString &error)
{
    QBuffer document;
    document.open(QIODevice::WriteOnly);
    ProjectParserOut rewriter(scene, document);
    if (!PIO_ParserHandler::parse(rewriter, input, error))
        return false;
    document.close();
    document.open(QIODevice::ReadOnly);
    return copyLines(document, output, xmlReplacements(replacements), nullptr);
}

// XML scene files begin with "<" (after a byte-order mark and blanks).
bool startsAsLineFormat(QIODevice &input)
{
    QByteArray start = input.peek(256);
    if (start.startsWith("\xEF\xBB\xBF"))
        start.remove(0, 3);
    return !start.trimmed().startsWith('<');
}

} // namespace

bool TUIEFile::isLineFormat(const QString &localPath)
{
    QFile file(localPath);
    return file.open(QIODevice::ReadOnly) && startsAsLineFormat(file);
}

bool TUIEFile::readSceneFile(const QString &path, TUIEScene &scene)
{
    const QString local = oswRemapPath::RemapPath2(path);
    QFile file(local);
    if (!file.open(QIODevice::ReadOnly)) {
        reportUnreadable(local);
        return false;
    }
    QString error;
    if (readScene(file, scene, error))
        return true;
    reportParseFailure(local, error);
    return false;
}

bool TUIEFile::readScene(QIODevice &input, TUIEScene &scene, QString &error)
{
    if (startsAsLineFormat(input))
        return TUIELineFormat::read(input, scene, error);
    ProjectParserIn reader(scene);
    return PIO_ParserHandler::parse(reader, input, error) || reader.isAnimatedProject();
}

bool TUIEFile::readProjectSummary(const QString &path, TUIEProjectSummary &summary)
{
    const QString local = oswRemapPath::RemapPath2(path);
    QFile file(local);
    QString error;
    if (!file.open(QIODevice::ReadOnly))
        error = file.errorString();
    else if (readProjectSummary(file, summary, error))
        return true;
    reportParseFailure(local, error);
    return false;
}

bool TUIEFile::readProjectSummary(QIODevice &input, TUIEProjectSummary &summary, QString &error)
{
    ProjectParser reader(summary);
    return PIO_ParserHandler::parse(reader, input, error) || summary.animatedProject;
}

bool TUIEFile::rewriteSceneFile(const QString &source, const TUIEScene &scene, const TUIEReplacements &replacements,
                                const QString &destination, WriteMode mode)
{
    QFile input(source);
    if (!input.open(QIODevice::ReadOnly)) {
        reportUnreadable(source);
        return false;
    }
    // Made whole in memory first: a file that does not parse leaves the
    // destination as it was.
    QBuffer rewritten;
    rewritten.open(QIODevice::WriteOnly);
    QString error;
    if (!rewriteScene(input, scene, replacements, rewritten, error)) {
        reportParseFailure(source, error);
        return false;
    }
    return writeFile(destination, mode, [&](QIODevice &output) { return output.write(rewritten.data()) >= 0; });
}

bool TUIEFile::rewriteScene(QIODevice &input, const TUIEScene &scene, const TUIEReplacements &replacements,
                            QIODevice &output, QString &error)
{
    if (!startsAsLineFormat(input))
        return rewriteXmlScene(input, scene, replacements, output, error);
    TUIELineFormat::Renamer renamer(scene);
    return copyLines(input, output, replacements, [&renamer](const QByteArray &line) { return renamer.rename(line); });
}

bool TUIEFile::rewriteTextFile(const QString &source, const QString &destination, const TUIEReplacements &replacements,
                               WriteMode mode)
{
    if (source.endsWith(QLatin1String(".anim")))
        return copyUnchanged(source, destination, mode);
    QFile input(source);
    if (!input.open(QIODevice::ReadOnly)) {
        reportUnreadable(source);
        return false;
    }
    return writeFile(destination, mode, [&](QIODevice &output) { return rewriteLines(input, output, replacements); });
}

bool TUIEFile::rewriteLines(QIODevice &input, QIODevice &output, const TUIEReplacements &replacements)
{
    return copyLines(input, output, replacements, nullptr);
}

QString TUIEFile::replaceInLine(const QString &line, const TUIEReplacements &replacements)
{
    return replaceFirstOfEach(line, replacements);
}
