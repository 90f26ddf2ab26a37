#include "PIO_ParserHandler.h"

#include <QIODevice>

namespace {
// Keeps the first fatal error's text and place.
class ErrorKeeper : public QXmlDefaultHandler
{
public:
    bool fatalError(const QXmlParseException &exception) override
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("line %1, column %2: %3")
                          .arg(exception.lineNumber())
                          .arg(exception.columnNumber())
                          .arg(exception.message());
        return false;
    }
    QString errorString() const override { return m_error; }

private:
    QString m_error;
};
} // namespace

bool PIO_ParserHandler::parse(QXmlDefaultHandler &handler, QIODevice &input, QString &error)
{
    QXmlInputSource source(&input);
    QXmlSimpleReader reader;
    // Attributes are copied as written, prefixes and namespace declarations included.
    reader.setFeature(QStringLiteral("http://xml.org/sax/features/namespace-prefixes"), true);
    ErrorKeeper errors;
    reader.setContentHandler(&handler);
    reader.setLexicalHandler(&handler);
    reader.setErrorHandler(&errors);
    if (reader.parse(&source, false))
        return true;
    // A handler that stopped the parse has its own reason; otherwise the syntax's.
    error = handler.errorString();
    if (error.isEmpty() || error == QXmlDefaultHandler().errorString())
        error = errors.errorString();
    return false;
}

bool PIO_ParserHandler::isXmlText(const QString &text)
{
    for (int i = 0; i < text.size(); ++i) {
        const ushort c = text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        const bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD);
        if (!allowed)
            return false;
    }
    return true;
}
