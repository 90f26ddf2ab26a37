#pragma once

#include <QByteArray>
#include <QHash>
#include <QStringList>

class QIODevice;
class TUIEScene;
struct TUIEModule;

// The older, line-oriented scene-file format: blank-separated tokens (a
// token in double quotes may hold blanks), statements introduced by
// "NFRAMES", "COLUMN <name> TIMING <cells> ENDLIST" and
// "MODULE <name> ... READ ... CUSTOM_NAME NAME <n> COL <c> EXTENSION <e> FIELD_CHART";
// a column's cells and a module's pairs may go on over the following lines.
class TUIELineFormat
{
public:
    static QStringList tokens(const QString &line);
    // False, with error set, when a drawing name is not a plain file name.
    static bool read(QIODevice &input, TUIEScene &scene, QString &error);
    // One line of the file as the rewriter leaves it: module lines (and their
    // continuation lines) of renamed read modules and the column lines of the
    // columns they read get the new name and lose their "#<digits> " marks.
    // Call for each line in order; state is kept between calls. The scene
    // must outlive the renamer and stay unchanged while it is used.
    class Renamer
    {
    public:
        explicit Renamer(const TUIEScene &scene);
        QByteArray rename(const QByteArray &line);

    private:
        // Looked up once, so that a line costs the same however many modules
        // the scene has: the renaming record of each instance name, and the
        // first of those, in file order, that reads each timing column.
        QHash<QString, const TUIEModule *> m_byInstance;
        QHash<QString, const TUIEModule *> m_byColumn;
        // The module whose lines are being read; null outside one.
        const TUIEModule *m_module = nullptr;
    };
};
