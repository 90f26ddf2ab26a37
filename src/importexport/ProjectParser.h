#pragma once

#include "PIO_ParserHandler.h"

#include "TUIEProjectSummary.h"

#include <QHash>

// Reads a TUIEProjectSummary: the frame count of the scene the timeline
// shows and the element root folders. Root folders become folder names
// below the scene, so one that is not a plain name stops the parse.
class ProjectParser : public QXmlDefaultHandler
{
public:
    explicit ProjectParser(TUIEProjectSummary &summary) : m_summary(summary) {}

    bool startElement(const QString &namespaceUri, const QString &localName, const QString &qName,
                      const QXmlAttributes &attributes) override;
    bool endElement(const QString &namespaceUri, const QString &localName, const QString &qName) override;
    QString errorString() const override { return m_error; }

private:
    bool addRootFolder(const QString &folder);

    TUIEProjectSummary &m_summary;
    bool m_inTimeline = false;
    QString m_timelineScene;
    QHash<QString, int> m_framesOfScene;
    QString m_error;
};
