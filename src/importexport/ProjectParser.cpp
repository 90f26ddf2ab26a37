#include "ProjectParser.h"

#include "PIO_Keywords.h"
#include "TUIEName.h"

bool ProjectParser::startElement(const QString &, const QString &, const QString &qName,
                                 const QXmlAttributes &attributes)
{
    if (qName == kPIO_animateProject) {
        m_summary.animatedProject = true;
        return false;
    }
    if (qName == kPIO_timeline) {
        m_inTimeline = true;
    } else if (qName == kPIO_scene && m_inTimeline) {
        m_timelineScene = attributes.value(kPIO_id);
    } else if (qName == kPIO_scene) {
        bool ok = false;
        const int frames = attributes.value(kPIO_sceneNbFrames).toInt(&ok, 10);
        if (ok)
            m_framesOfScene.insert(attributes.value(kPIO_id), frames);
    } else if (qName == kPIO_element) {
        return addRootFolder(attributes.value(kPIO_rootFolder));
    }
    return true;
}

bool ProjectParser::addRootFolder(const QString &folder)
{
    if (folder.isEmpty() || m_summary.rootFolders.contains(folder))
        return true;
    if (!TUIEName::isPlainName(folder)) {
        m_error = QStringLiteral("the element root folder \"%1\" is not a plain folder name").arg(folder);
        return false;
    }
    m_summary.rootFolders.append(folder);
    return true;
}

bool ProjectParser::endElement(const QString &, const QString &, const QString &qName)
{
    if (qName == kPIO_timeline)
        m_inTimeline = false;
    else if (qName == kPIO_project && m_framesOfScene.contains(m_timelineScene))
        m_summary.frames = m_framesOfScene.value(m_timelineScene);
    return true;
}
