#include "ProjectParserOut.h"

#include "PIO_Keywords.h"
#include "TUIEScene.h"

ProjectParserOut::ProjectParserOut(const TUIEScene &scene, QIODevice &output) : m_scene(scene), m_writer(&output)
{
    m_writer.setAutoFormatting(true);
    m_writer.setAutoFormattingIndent(1);
}

bool ProjectParserOut::startElement(const QString &, const QString &, const QString &qName,
                                    const QXmlAttributes &attributes)
{
    // Only the outermost project starts and ends the document: one nested in
    // it is written as any element is.
    if (qName == kPIO_project && m_depth == 0)
        m_writer.writeStartDocument();
    else if (qName == kPIO_module && attributes.value(kPIO_nodeType) == kPIO_readNodeType)
        startModule(attributes);
    else if (qName == kPIO_drawing)
        m_inDrawing = true;
    else if (qName == kPIO_customName)
        m_inCustomName = true;

    ++m_depth;
    m_writer.writeStartElement(qName);
    for (int i = 0; i < attributes.count(); ++i)
        m_writer.writeAttribute(attributes.qName(i), attributeValue(qName, attributes, i));
    return !m_writer.hasError();
}

void ProjectParserOut::startModule(const QXmlAttributes &attributes)
{
    const TUIEModule *module = m_scene.renamingModule(attributes.value(kPIO_nodeInstanceName));
    m_renaming = module != nullptr;
    m_newName = m_renaming ? module->newName : QString();
}

QString ProjectParserOut::attributeValue(const QString &qName, const QXmlAttributes &attributes, int i) const
{
    if (m_renaming && (m_inDrawing || m_inCustomName) && qName == kPIO_name && attributes.qName(i) == kPIO_val)
        return m_newName;
    return attributes.value(i);
}

bool ProjectParserOut::endElement(const QString &, const QString &, const QString &qName)
{
    if (--m_depth == 0 && qName == kPIO_project) {
        m_writer.writeEndDocument();
        return !m_writer.hasError();
    }
    m_writer.writeEndElement();
    if (qName == kPIO_module)
        m_renaming = false;
    else if (qName == kPIO_drawing)
        m_inDrawing = false;
    else if (qName == kPIO_customName)
        m_inCustomName = false;
    return !m_writer.hasError();
}

bool ProjectParserOut::characters(const QString &text)
{
    if (m_inCData)
        m_cdata += text;
    else if (!text.trimmed().isEmpty())
        m_writer.writeCharacters(text); // text content is data too; only layout blanks go
    return !m_writer.hasError();
}

bool ProjectParserOut::startCDATA()
{
    m_inCData = true;
    m_cdata.clear();
    return true;
}

bool ProjectParserOut::endCDATA()
{
    m_inCData = false;
    m_writer.writeCDATA(m_cdata);
    m_cdata.clear();
    return !m_writer.hasError();
}
