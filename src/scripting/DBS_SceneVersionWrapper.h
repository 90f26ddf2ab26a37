#pragma once

#include <QObject>

// One saved version of a scene (script constructor "SceneVersion").
class DBS_SceneVersionWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString name MEMBER name CONSTANT)
    Q_PROPERTY(int id MEMBER id CONSTANT)
    Q_PROPERTY(QString description MEMBER description CONSTANT)
    Q_PROPERTY(QString savedBy MEMBER savedBy CONSTANT)
    Q_PROPERTY(QString savedMachine MEMBER savedMachine CONSTANT)
    Q_PROPERTY(QString savedTime MEMBER savedTime CONSTANT)
public:
    DBS_SceneVersionWrapper(const QString &job = QString(), const QString &scene = QString(),
                            const QString &version = QString(), int versionId = 0)
        : name(version), id(versionId), jobName(job), sceneName(scene) {}

    QString name;
    int id = 0;
    QString description;
    QString savedBy;
    QString savedMachine;
    QString savedTime;
    // Which scene the version belongs to; not a script property.
    QString jobName;
    QString sceneName;

public slots:
    QString toString() const { return toString(false); }
    QString toString(bool verbose) const;
};
