#pragma once

#include "DBS_QueueEntryFields.h"

#include <QObject>

// What render ("RenderData") and vectorize ("VectorData") requests share:
// read back from a queue, the entry's state, read-only to scripts.
class DBS_QueueRequestWrapper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int id READ id)
    Q_PROPERTY(QString state READ state)
    Q_PROPERTY(int priority READ priority)
    Q_PROPERTY(QString date READ date)
    Q_PROPERTY(QString machine READ machine)
    Q_PROPERTY(QString user READ user)
    Q_PROPERTY(QString time READ time)
public:
    DBS_QueueEntryFields entry;

    int id() const { return entry.id; }
    QString state() const { return entry.state; }
    int priority() const { return entry.priority; }
    QString date() const { return entry.date; }
    QString machine() const { return entry.machine; }
    QString user() const { return entry.user; }
    QString time() const { return entry.time; }
};
