#include "DBA_QueueOps.h"

#include "DBA_Context.h"

namespace {
// The queue each kind of entry belongs in: vectorize (4) and unvectorize (3)
// share the vectorize queue; render (1) has its own.
int queueOfEntryKind(int entryKind)
{
    switch (entryKind) {
    case 4:
    case 3: return DBA_QueueOps::VectorizeQueue;
    case 1: return DBA_QueueOps::RenderQueue;
    default: return -1;
    }
}

QString queueTitle(int queueKind)
{
    return queueKind == DBA_QueueOps::RenderQueue ? dbaTr("render") : dbaTr("vectorize");
}

const char kEntryColumns[] = "id, kind, job_name, scene_name, element_name, element_id, drawing_name, suffix, "
                             "process_stage, options, state, priority, user_name, host, created";

dba_queueEntry_struct readEntry(const QSqlQuery &query)
{
    dba_queueEntry_struct entry;
    entry.id = query.value(0).toLongLong();
    entry.kind = query.value(1).toInt();
    entry.jobName = query.value(2).toString();
    entry.sceneName = query.value(3).toString();
    entry.elementName = query.value(4).toString();
    entry.elementId = query.value(5).toString();
    entry.drawingName = query.value(6).toString();
    entry.suffix = query.value(7).toString();
    entry.processStage = query.value(8).toString();
    entry.options = query.value(9).toString();
    entry.state = query.value(10).toInt();
    entry.priority = query.value(11).toInt();
    entry.user = query.value(12).toString();
    entry.machine = query.value(13).toString();
    entry.date = query.value(14).toLongLong();
    return entry;
}
} // namespace

int DBA_QueueOps::dba_OpenQueue(int kind, const QString &environment, dba_queue_struct &queue)
{
    m_ctx.clearError();
    queue = dba_queue_struct();
    if (kind != VectorizeQueue && kind != RenderQueue) {
        m_ctx.fail(DBA_Context::Failed, dbaTr("%1 is not a queue kind.").arg(kind));
        return -1;
    }
    const qint64 environmentId = m_ctx.idOf("environments", environment, dbaTr("Environment"));
    if (environmentId == 0)
        return -1;
    // Made on first use; a process opening it at the same moment finds it made.
    const QString what = dbaTr("Cannot open the %1 queue of environment %2").arg(queueTitle(kind), environment);
    DBA_Query query;
    if (!m_ctx.run(QStringLiteral("INSERT INTO queues (kind, environment_id) VALUES (?, ?) ON CONFLICT DO NOTHING"),
                   {kind, environmentId}, what)
        || !m_ctx.run(query, QStringLiteral("SELECT id FROM queues WHERE kind = ? AND environment_id = ?"),
                      {kind, environmentId}, what))
        return -1;
    if (!query.next()) {
        m_ctx.fail(DBA_Context::Failed, what);
        return -1;
    }
    queue.id = query.value(0).toLongLong();
    queue.kind = kind;
    queue.environment = environment;
    return 0;
}

int DBA_QueueOps::dba_AddQueueEntry(dba_queue_struct &queue, dba_queueEntry_struct &entry)
{
    m_ctx.clearError();
    if (!queue.isOpen()) {
        m_ctx.fail(DBA_Context::Failed, dbaTr("The queue is not open."));
        return -1;
    }
    if (queueOfEntryKind(entry.kind) != queue.kind) {
        m_ctx.fail(DBA_Context::Refused, dbaTr("An entry of kind %1 does not belong in the %2 queue.")
                                             .arg(entry.kind).arg(queueTitle(queue.kind)));
        return -1;
    }
    const qint64 now = DBA_Context::now();
    const int pending = 0;
    DBA_Query query;
    if (!m_ctx.run(query,
                   QStringLiteral("INSERT INTO queue_entries (queue_id, kind, job_name, scene_name, element_name, element_id, "
                                  "drawing_name, suffix, process_stage, state, priority, user_name, host, created, options) "
                                  "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) RETURNING id"),
                   {queue.id, entry.kind, entry.jobName, entry.sceneName, entry.elementName, entry.elementId,
                    entry.drawingName, entry.suffix, entry.processStage, pending, entry.priority, m_ctx.user.name,
                    m_ctx.host, now, entry.options},
                   dbaTr("Cannot add %1-%2 to the %3 queue").arg(entry.elementName, entry.drawingName, queueTitle(queue.kind)))
        || !query.next())
        return -1;
    entry.id = query.value(0).toLongLong();
    entry.state = pending;
    entry.user = m_ctx.user.name;
    entry.machine = m_ctx.host;
    entry.date = now;
    return 0;
}

void DBA_QueueOps::dba_CloseQueue(dba_queue_struct &queue)
{
    queue = dba_queue_struct();
}

int DBA_QueueOps::dba_GetQueueEntries(const dba_queue_struct &queue, QVector<dba_queueEntry_struct> &entries)
{
    m_ctx.clearError();
    entries.clear();
    if (!queue.isOpen()) {
        m_ctx.fail(DBA_Context::Failed, dbaTr("The queue is not open."));
        return -1;
    }
    DBA_Query query;
    if (!m_ctx.run(query,
                   QStringLiteral("SELECT %1 FROM queue_entries WHERE queue_id = ? ORDER BY id").arg(QLatin1String(kEntryColumns)),
                   {queue.id}, dbaTr("Cannot read the %1 queue of environment %2").arg(queueTitle(queue.kind), queue.environment)))
        return -1;
    while (query.next())
        entries.append(readEntry(query));
    return int(entries.size());
}
