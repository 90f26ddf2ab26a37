#include "TUIELineFormat.h"

#include "PIO_Keywords.h"
#include "TUIEName.h"
#include "TUIEScene.h"

#include <QIODevice>
#include <QRegularExpression>

namespace {

QString unquoted(QString token)
{
    return token.remove(QLatin1Char('"'));
}

QString readLine(QIODevice &input)
{
    QByteArray line = input.readLine();
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

// Feeds the tokens of a statement that may go on over the lines after its
// first; ends at an empty line or the end of the input.
class TokenStream
{
public:
    TokenStream(QIODevice &input, const QStringList &first, int start) : m_input(input), m_tokens(first), m_next(start) {}
    bool next(QString &token)
    {
        while (m_next >= m_tokens.size()) {
            if (m_input.atEnd())
                return false;
            m_tokens = TUIELineFormat::tokens(readLine(m_input));
            if (m_tokens.isEmpty())
                return false;
            m_next = 0;
        }
        token = m_tokens.at(m_next++);
        return true;
    }

private:
    QIODevice &m_input;
    QStringList m_tokens;
    int m_next;
};

bool readColumn(TokenStream &cells, TUIEScene &scene, int column, QString &error)
{
    QString cell;
    while (cells.next(cell) && cell != PIO_Lex::EndList) {
        const int colon = cell.indexOf(QLatin1Char(':'));
        if (colon < 0)
            continue; // "SET" and other markers: the cells after them read the same way
        const QString drawing = unquoted(cell.mid(colon + 1));
        if (drawing.isEmpty() || drawing == PIO_Lex::Empty)
            continue;
        if (!TUIEName::isPlainName(drawing)) {
            error = QStringLiteral("the drawing name \"%1\" is not a plain file name").arg(drawing);
            return false;
        }
        scene.addDrawing(column, drawing);
    }
    return true;
}

void readModule(TokenStream &pairs, TUIEScene &scene, int module)
{
    QString key, value;
    while (pairs.next(key) && key != PIO_Lex::FieldChart && pairs.next(value) && value != PIO_Lex::FieldChart) {
        if (key == PIO_Lex::Name)
            scene.setModuleName(module, unquoted(value));
        else if (key == PIO_Lex::Col)
            scene.setModuleTimingColumn(module, unquoted(value));
        else if (key == PIO_Lex::Extension)
            scene.setModuleExtension(module, unquoted(value));
    }
}

// Index of READ at the third position or later, -1 when there is none.
int readPosition(const QStringList &tokens)
{
    return tokens.indexOf(PIO_Lex::Read, 2);
}

} // namespace

QStringList TUIELineFormat::tokens(const QString &line)
{
    QStringList tokens;
    QString token;
    bool quoted = false;
    bool any = false;
    for (const QChar c : line) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        if (!quoted && c.isSpace()) {
            if (any)
                tokens << token;
            token.clear();
            any = false;
            continue;
        }
        token += c;
        any = true;
    }
    if (any)
        tokens << token;
    return tokens;
}

bool TUIELineFormat::read(QIODevice &input, TUIEScene &scene, QString &error)
{
    while (!input.atEnd()) {
        const QStringList line = tokens(readLine(input));
        if (line.size() >= 2 && line[0] == PIO_Lex::NFrames) {
            bool ok = false;
            const int frames = line[1].toInt(&ok, 10);
            if (ok)
                scene.setFrames(frames);
        } else if (line.size() >= 3 && line[0] == PIO_Lex::Column && line[2] == PIO_Lex::Timing) {
            TokenStream cells(input, line, 3);
            if (!readColumn(cells, scene, scene.addColumn(unquoted(line[1])), error))
                return false;
        } else if (line.size() >= 3 && line[0] == PIO_Lex::Module && readPosition(line) >= 2) {
            const int module = scene.addModule(unquoted(line[1]));
            const int customName = line.indexOf(PIO_Lex::CustomName);
            if (customName < 0)
                continue;
            TokenStream pairs(input, line, customName + 1);
            readModule(pairs, scene, module);
        }
    }
    return true;
}

TUIELineFormat::Renamer::Renamer(const TUIEScene &scene)
{
    // As TUIEScene::renamingModule chooses: the first record of an instance
    // name that has both names.
    for (const TUIEModule &module : scene.modules()) {
        if (module.name.isEmpty() || module.newName.isEmpty() || m_byInstance.contains(module.instanceName))
            continue;
        m_byInstance.insert(module.instanceName, &module);
        if (!m_byColumn.contains(module.timingColumn))
            m_byColumn.insert(module.timingColumn, &module);
    }
}

QByteArray TUIELineFormat::Renamer::rename(const QByteArray &line)
{
    QString text = QString::fromUtf8(line);
    const QStringList words = tokens(text);
    const TUIEModule *renaming = m_module;
    if (words.isEmpty()) {
        m_module = nullptr;
        return line;
    }
    if (words[0] == PIO_Lex::Module) {
        m_module = words.size() >= 3 && readPosition(words) >= 2 ? m_byInstance.value(unquoted(words[1])) : nullptr;
        renaming = m_module;
    } else if (words[0] == PIO_Lex::Column && words.size() >= 2) {
        m_module = nullptr;
        renaming = m_byColumn.value(unquoted(words[1]));
    }
    if (m_module && words.contains(PIO_Lex::FieldChart))
        m_module = nullptr;
    if (!renaming)
        return line;
    static const QRegularExpression marks(QStringLiteral("#\\d+ "));
    text.replace(renaming->name, renaming->newName);
    text.remove(marks);
    return text.toUtf8();
}
