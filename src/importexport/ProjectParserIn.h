#pragma once

#include "PIO_ParserHandler.h"

class TUIEScene;

// Reads the drawing columns and read modules of an XML scene file into a
// TUIEScene. An animated project stops the parse at its mark (the handler
// refuses, isAnimatedProject() tells it was no failure). A drawing name that
// could climb out of a folder stops the parse with an error.
class ProjectParserIn : public QXmlDefaultHandler
{
public:
    explicit ProjectParserIn(TUIEScene &scene) : m_scene(scene) {}

    bool startElement(const QString &namespaceUri, const QString &localName, const QString &qName,
                      const QXmlAttributes &attributes) override;
    bool endElement(const QString &namespaceUri, const QString &localName, const QString &qName) override;
    bool characters(const QString &text) override;
    QString errorString() const override { return m_error; }
    bool isAnimatedProject() const { return m_animatedProject; }

private:
    bool refuseCharacter();
    void startModule(const QXmlAttributes &attributes);
    void readCustomName(const QString &qName, const QXmlAttributes &attributes);

    TUIEScene &m_scene;
    bool m_inColumn = false;
    bool m_inModule = false;
    bool m_inCustomName = false;
    bool m_animatedProject = false;
    int m_column = -1;
    int m_module = -1;
    QString m_error;
};
