#include "PIO_ParserHandler.h"

#include <QFile>

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

bool PIO_ParserHandler::parseFromFile(QXmlDefaultHandler &handler, const QString &path, QString &error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return false;
    }
    QXmlInputSource source(&file);
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
