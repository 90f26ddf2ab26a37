#pragma once

#include "PIO_ParserHandler.h"

#include <QXmlStreamWriter>

class TUIEScene;

// Copies an XML scene file element by element, attributes in order, into a
// writer, renaming the drawing folder of each read module whose record in
// the scene has a new name. CDATA sections stay CDATA; other text is kept
// unless it is only blanks between tags (the writer lays the file out anew).
// Comments, processing instructions and the document type are dropped.
class ProjectParserOut : public QXmlDefaultHandler
{
public:
    ProjectParserOut(const TUIEScene &scene, QIODevice &output);

    bool startElement(const QString &namespaceUri, const QString &localName, const QString &qName,
                      const QXmlAttributes &attributes) override;
    bool endElement(const QString &namespaceUri, const QString &localName, const QString &qName) override;
    bool characters(const QString &text) override;
    bool startCDATA() override;
    bool endCDATA() override;
    QString errorString() const override
    {
        return hasError() ? QStringLiteral("the rewritten file could not be written") : QString();
    }
    // False when the output refused a write.
    bool hasError() const { return m_writer.hasError(); }

private:
    void startModule(const QXmlAttributes &attributes);
    QString attributeValue(const QString &qName, const QXmlAttributes &attributes, int i) const;

    const TUIEScene &m_scene;
    QXmlStreamWriter m_writer;
    bool m_renaming = false;
    bool m_inDrawing = false;
    bool m_inCustomName = false;
    bool m_inCData = false;
    int m_depth = 0; // elements open
    QString m_newName;
    QString m_cdata;
};
