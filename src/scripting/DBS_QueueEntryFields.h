#pragma once

#include <QCoreApplication>
#include <QString>

struct dba_queueEntry_struct;

// What a render or vectorize request read back from a queue shows: the
// entry's id, state word, priority, date, machine, user and running time.
class DBS_QueueEntryFields
{
    Q_DECLARE_TR_FUNCTIONS(DBS_QueueEntryFields)
public:
    int id = 0;
    QString state;
    int priority = 0;
    QString date;
    QString machine;
    QString user;
    QString time;

    void fill(const dba_queueEntry_struct &entry, qint64 runningSeconds);
    // "Pending", "Processing", ... for a queue state number.
    static QString stateWord(int state, bool markedError);
    // "%02d:%02d:%02d".
    static QString runningTime(qint64 seconds);
    // The long toString form of these fields.
    QString describe() const;
};
