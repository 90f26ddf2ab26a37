#pragma once

#include <QObject>

// One element of a scene (script constructor "Element").
class DBS_ElementWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString sceneName MEMBER sceneName CONSTANT)
    Q_PROPERTY(QString name MEMBER name CONSTANT)
    Q_PROPERTY(QString folderName MEMBER folderName CONSTANT)
    Q_PROPERTY(QString pixmapType MEMBER pixmapType CONSTANT)
    Q_PROPERTY(QString scanType MEMBER scanType CONSTANT)
    Q_PROPERTY(bool vectorType MEMBER vectorType CONSTANT)
    Q_PROPERTY(float fieldChart MEMBER fieldChart CONSTANT)
public:
    DBS_ElementWrapper(const QString &job = QString(), const QString &scene = QString(),
                       const QString &element = QString(), int elementId = 0)
        : sceneName(scene), name(element), jobName(job), id(elementId) {}

    QString sceneName;
    QString name;
    QString folderName;
    QString pixmapType;
    QString scanType;
    bool vectorType = false;
    float fieldChart = 0;
    // Where the element lives; not script properties.
    QString jobName;
    int id = 0;

public slots:
    QString toString(bool verbose) const;
    QString toString() const { return toString(false); }
};
