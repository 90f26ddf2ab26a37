#include "ProjectParserIn.h"

#include "PIO_Keywords.h"
#include "TUIEName.h"
#include "TUIEScene.h"

bool ProjectParserIn::startElement(const QString &, const QString &, const QString &qName,
                                   const QXmlAttributes &attributes)
{
    for (int i = 0; i < attributes.count(); ++i) {
        if (!PIO_ParserHandler::isXmlText(attributes.value(i)))
            return refuseCharacter();
    }
    if (qName == kPIO_animateProject) {
        m_animatedProject = true;
        m_scene.setAnimatedProject(true);
        return false;
    }
    if (qName == kPIO_column && attributes.value(kPIO_columnType) == kPIO_drawingColumnType) {
        m_inColumn = true;
        m_column = m_scene.addColumn(attributes.value(kPIO_columnName));
    } else if (qName == kPIO_module && attributes.value(kPIO_nodeType) == kPIO_readNodeType) {
        startModule(attributes);
    } else if (qName == kPIO_stringSeq && m_inColumn) {
        QString drawing = attributes.value(kPIO_val);
        drawing.remove(QLatin1Char('"'));
        // Drawing names become file names when outside drawings are fetched.
        if (!drawing.isEmpty() && !TUIEName::isPlainName(drawing)) {
            m_error = QStringLiteral("the drawing name \"%1\" is not a plain file name").arg(drawing);
            return false;
        }
        m_scene.addDrawing(m_column, drawing);
    } else if (m_inModule && qName == kPIO_customName) {
        m_inCustomName = true;
    } else if (m_inModule && m_inCustomName) {
        readCustomName(qName, attributes);
    }
    return true;
}

bool ProjectParserIn::characters(const QString &text)
{
    return PIO_ParserHandler::isXmlText(text) || refuseCharacter();
}

// The reader lets some characters through that XML does not allow; the
// rewriter could not write them back, so a file holding one is refused here.
bool ProjectParserIn::refuseCharacter()
{
    m_error = QStringLiteral("the file holds a character XML does not allow");
    return false;
}

void ProjectParserIn::startModule(const QXmlAttributes &attributes)
{
    m_inModule = true;
    m_module = m_scene.addModule(attributes.value(kPIO_nodeInstanceName));
}

void ProjectParserIn::readCustomName(const QString &qName, const QXmlAttributes &attributes)
{
    if (qName == kPIO_name)
        m_scene.setModuleName(m_module, attributes.value(kPIO_val));
    else if (qName == kPIO_timing)
        m_scene.setModuleTimingColumn(m_module, attributes.value(kPIO_col));
    else if (qName == kPIO_extension)
        m_scene.setModuleExtension(m_module, attributes.value(kPIO_val));
}

bool ProjectParserIn::endElement(const QString &, const QString &, const QString &qName)
{
    if (qName == kPIO_column)
        m_inColumn = false;
    else if (qName == kPIO_module)
        m_inModule = false;
    else if (qName == kPIO_customName)
        m_inCustomName = false;
    return true;
}
