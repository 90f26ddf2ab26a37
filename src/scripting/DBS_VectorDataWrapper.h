#pragma once

#include "DBS_QueueEntryFields.h"

#include <QObject>

// A vectorize request (script constructor "VectorData"): one scene, or one
// element of it named by name and id.
class DBS_VectorDataWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString jobName MEMBER jobName CONSTANT)
    Q_PROPERTY(QString sceneName MEMBER sceneName CONSTANT)
    Q_PROPERTY(QString elementName MEMBER elementName CONSTANT)
    Q_PROPERTY(QString elementId MEMBER elementId CONSTANT)
    Q_PROPERTY(QString drawingName MEMBER drawingName CONSTANT)
    Q_PROPERTY(QString suffix MEMBER suffix)
    Q_PROPERTY(QString processStage MEMBER processStage CONSTANT)
    Q_PROPERTY(int id READ id)
    Q_PROPERTY(QString state READ state)
    Q_PROPERTY(int priority READ priority)
    Q_PROPERTY(QString date READ date)
    Q_PROPERTY(QString machine READ machine)
    Q_PROPERTY(QString user READ user)
    Q_PROPERTY(QString time READ time)
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
    DBS_QueueEntryFields entry;

    int id() const { return entry.id; }
    QString state() const { return entry.state; }
    int priority() const { return entry.priority; }
    QString date() const { return entry.date; }
    QString machine() const { return entry.machine; }
    QString user() const { return entry.user; }
    QString time() const { return entry.time; }

public slots:
    QString toString(bool verbose) const;
    QString toString() const { return toString(false); }
};
