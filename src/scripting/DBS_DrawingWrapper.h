#pragma once

#include <QObject>

// One drawing (cel) of an element (script constructor "Drawing").
class DBS_DrawingWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString elementName MEMBER elementName CONSTANT)
    Q_PROPERTY(QString name MEMBER name CONSTANT)
    Q_PROPERTY(QString stage MEMBER stage CONSTANT)
    Q_PROPERTY(QString state MEMBER state CONSTANT)
public:
    DBS_DrawingWrapper(const QString &job = QString(), const QString &scene = QString(),
                       const QString &element = QString(), const QString &drawing = QString())
        : elementName(element), name(drawing), jobName(job), sceneName(scene) {}

    QString elementName;
    QString name;
    QString stage;
    QString state;
    QString jobName;
    QString sceneName;

public slots:
    QString toString() const;
};
