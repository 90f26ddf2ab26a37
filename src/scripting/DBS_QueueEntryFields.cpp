#include "DBS_QueueEntryFields.h"

#include "DBA_Records.h"

#include <QDateTime>

void DBS_QueueEntryFields::fill(const dba_queueEntry_struct &entry, qint64 runningSeconds)
{
    id = int(entry.id);
    // A pending entry the queue program gave up on carries "-E" in its stage.
    state = stateWord(entry.state, entry.processStage.endsWith(QLatin1String("-E")));
    priority = entry.priority;
    date = QDateTime::fromSecsSinceEpoch(entry.date).toString(QStringLiteral("MM/dd hh:mm AP"));
    machine = entry.machine;
    user = entry.user;
    time = runningTime(entry.state == 0 ? 0 : runningSeconds);
}

QString DBS_QueueEntryFields::stateWord(int state, bool markedError)
{
    switch (state) {
    case 0: return markedError ? tr("Pending -E") : tr("Pending");
    case 1:
    case 5: return tr("Processing");
    case 2: return tr("Error");
    case 3: return tr("Completed");
    case 4: return tr("Completed with Errors");
    default: return tr("UNKNOWN");
    }
}

QString DBS_QueueEntryFields::runningTime(qint64 seconds)
{
    return QString::asprintf("%02d:%02d:%02d", int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
}

QString DBS_QueueEntryFields::describe() const
{
    return QStringLiteral(" id: %1 state: %2 priority: %3 date: %4 machine: %5 user: %6 time: %7")
        .arg(id)
        .arg(state)
        .arg(priority)
        .arg(date, machine, user, time);
}
