#pragma once

#include "DBS_QueueRequestWrapper.h"

// A vectorize request (script constructor "VectorData"): one scene, or one
// element of it named by name and id.
class DBS_VectorDataWrapper : public DBS_QueueRequestWrapper
{
    Q_OBJECT
    Q_PROPERTY(QString jobName MEMBER jobName CONSTANT)
    Q_PROPERTY(QString sceneName MEMBER sceneName CONSTANT)
    Q_PROPERTY(QString elementName MEMBER elementName CONSTANT)
    Q_PROPERTY(QString elementId MEMBER elementId CONSTANT)
    Q_PROPERTY(QString drawingName MEMBER drawingName CONSTANT)
    Q_PROPERTY(QString suffix MEMBER suffix)
    Q_PROPERTY(QString processStage MEMBER processStage CONSTANT)
public:
    DBS_VectorDataWrapper(const QString &job = QString(), const QString &scene = QString(),
                          const QString &element = QString(), const QString &elementIdText = QString())
        : jobName(job), sceneName(scene), elementName(element), elementId(elementIdText) {}

    QString jobName;
    QString sceneName;
    QString elementName;
    QString elementId;
    QString drawingName;
    QString suffix;
    QString processStage;

public slots:
    QString toString(bool verbose) const;
    QString toString() const { return toString(false); }
};
