#pragma once

#include <QCoreApplication>
#include <QPair>
#include <QString>
#include <QVector>

class QIODevice;
class TUIEScene;
struct TUIEProjectSummary;

// Ordered path replacements: in each line, the first occurrence of each
// pair's first text (case-sensitive) becomes its second, pair by pair in
// list order.
using TUIEReplacements = QVector<QPair<QString, QString>>;

// The file-level operations on scene files and palette lists that export
// and import need. Scene files come as XML (".pavx") or in the older line
// format; isLineFormat tells them apart by content. Every failure is
// reported through a message (context "TUIEFile") and returned as false;
// a failed durable rewrite leaves the destination as it was.
class TUIEFile
{
    Q_DECLARE_TR_FUNCTIONS(TUIEFile)

public:
    // Reads columns, drawings, read modules and (line format) the frame
    // count. path may be stored ("/QVX_DB/...") or local. A drawing name
    // that is not a plain file name fails the read.
    static bool readSceneFile(const QString &path, TUIEScene &scene);
    // The same from an open input, without reporting: false with error set.
    static bool readScene(QIODevice &input, TUIEScene &scene, QString &error);
    // Frame count and element root folders of a standalone XML scene file.
    // A root folder that is not a plain folder name fails the read.
    static bool readProjectSummary(const QString &path, TUIEProjectSummary &summary);
    static bool readProjectSummary(QIODevice &input, TUIEProjectSummary &summary, QString &error);

    // How a rewrite reaches its destination: replaced whole and synced
    // (Durable), or, inside an export package being made, written straight
    // into a new file that replaces any link or file of that name (Staged:
    // the package's contents file commits it, a failure leaves a partial
    // file that the package never names).
    enum WriteMode { Durable, Staged };

    // Writes source, with the new module names of scene and the
    // replacements applied, to destination (which may be source itself).
    // Paths are local. A path with XML's special characters is found and
    // replaced in its escaped form too.
    static bool rewriteSceneFile(const QString &source, const TUIEScene &scene,
                                 const TUIEReplacements &replacements, const QString &destination,
                                 WriteMode mode = Durable);
    // The rewrite of an open input into output, without reporting: false
    // with error set when the input does not parse, false when output
    // refuses a write.
    static bool rewriteScene(QIODevice &input, const TUIEScene &scene, const TUIEReplacements &replacements,
                             QIODevice &output, QString &error);
    // Palette lists ("PALETTES", "PALETTE_LIST") and other text files: the
    // replacements applied line by line, each line ending in "\n". A ".anim"
    // file (binary) is copied unchanged.
    static bool rewriteTextFile(const QString &source, const QString &destination,
                                const TUIEReplacements &replacements, WriteMode mode = Durable);
    // The rewrite of a palette list or other text; false when output refuses a write.
    static bool rewriteLines(QIODevice &input, QIODevice &output, const TUIEReplacements &replacements);

    static bool isLineFormat(const QString &localPath);
    // One line with the replacements applied.
    static QString replaceInLine(const QString &line, const TUIEReplacements &replacements);
};
