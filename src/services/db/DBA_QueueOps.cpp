#include "DBA_QueueOps.h"

#include "DBA_Context.h"

// Each queue of an environment is kept as one row of `queues` per kind of
// entry it takes (name = the environment): the vectorize queue as the rows
// "vectorize" (kind 4) and "unvectorize" (kind 3), the render queue as the
// row "render" (kind 1). An entry's kind is thus the kind of the row it
// hangs on, and a listing joins the rows of one queue in insertion order.
// The queue record's id is the row of its first kind.
namespace {
struct EntryKind
{
    int entryKind;
    int queueKind;
    const char *name;
};

const EntryKind kEntryKinds[] = {
    {4, DBA_QueueOps::VectorizeQueue, "vectorize"},
    {3, DBA_QueueOps::VectorizeQueue, "unvectorize"},
    {1, DBA_QueueOps::RenderQueue, "render"},
};

const EntryKind *findEntryKind(int entryKind)
{
    for (const EntryKind &kind : kEntryKinds) {
        if (kind.entryKind == entryKind)
            return &kind;
    }
    return nullptr;
}

const EntryKind *findEntryKind(const QString &name)
{
    for (const EntryKind &kind : kEntryKinds) {
        if (name == QLatin1String(kind.name))
            return &kind;
    }
    return nullptr;
}

// The row names of one queue, its first kind first.
QStringList rowNamesOf(int queueKind)
{
    QStringList names;
    for (const EntryKind &kind : kEntryKinds) {
        if (kind.queueKind == queueKind)
            names << QLatin1String(kind.name);
    }
    return names;
}

QString queueTitle(int queueKind)
{
    return queueKind == DBA_QueueOps::RenderQueue ? dbaTr("render") : dbaTr("vectorize");
}

// "?, ?, ..." for count values.
QString placeholders(int count)
{
    QStringList marks;
    for (int i = 0; i < count; ++i)
        marks << QStringLiteral("?");
    return marks.join(QStringLiteral(", "));
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
    if (m_ctx.idOf("environments", environment, dbaTr("Environment")) == 0)
        return -1;

    // One statement that leaves rows already there alone, so two processes
    // opening a new queue at once both succeed and make it once.
    const QStringList rows = rowNamesOf(kind);
    QStringList tuples;
    QVariantList values;
    for (const QString &row : rows) {
        tuples << QStringLiteral("(?, ?)");
        values << row << environment;
    }
    const QString what = dbaTr("Cannot open the %1 queue of environment %2").arg(queueTitle(kind), environment);
    if (!m_ctx.run(QStringLiteral("INSERT INTO queues (kind, name) VALUES %1 ON CONFLICT (kind, name) DO NOTHING")
                       .arg(tuples.join(QStringLiteral(", "))),
                   values, what))
        return -1;
    QSqlQuery query;
    if (!m_ctx.run(query, QStringLiteral("SELECT id FROM queues WHERE kind = ? AND name = ?"), {rows.first(), environment},
                   what))
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
    const EntryKind *kind = findEntryKind(entry.kind);
    if (!kind || kind->queueKind != queue.kind) {
        m_ctx.fail(DBA_Context::Refused, dbaTr("An entry of kind %1 does not belong in the %2 queue.")
                                             .arg(entry.kind).arg(queueTitle(queue.kind)));
        return -1;
    }
    const qint64 now = DBA_Context::now();
    const int pending = 0;
    QSqlQuery query;
    if (!m_ctx.run(query,
                   QStringLiteral("INSERT INTO queue_entries (queue_id, job_name, scene_name, element_name, element_id, "
                                  "drawing_name, state, priority, user_name, host, created, options) "
                                  "SELECT id, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ? FROM queues WHERE kind = ? AND name = ? "
                                  "RETURNING id"),
                   {entry.jobName, entry.sceneName, entry.elementName, entry.elementId, entry.drawingName,
                    QString::number(pending), entry.priority, m_ctx.user.name, m_ctx.host, now, entry.options,
                    QLatin1String(kind->name), queue.environment},
                   dbaTr("Cannot add %1-%2 to the %3 queue").arg(entry.elementName, entry.drawingName,
                                                                   queueTitle(queue.kind))))
        return -1;
    if (!query.next()) {
        // Only when the queue's rows went away after it was opened.
        m_ctx.fail(DBA_Context::NotFound, dbaTr("The %1 queue of environment %2 does not exist.")
                                              .arg(queueTitle(queue.kind), queue.environment));
        return -1;
    }
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
    const QStringList rows = rowNamesOf(queue.kind);
    QVariantList values{queue.environment};
    for (const QString &row : rows)
        values << row;
    QSqlQuery query;
    if (!m_ctx.run(query,
                   QStringLiteral("SELECT q.kind, e.id, e.job_name, e.scene_name, e.element_name, e.element_id, "
                                  "e.drawing_name, e.options, e.state, e.priority, e.user_name, e.host, e.created "
                                  "FROM queue_entries e JOIN queues q ON q.id = e.queue_id "
                                  "WHERE q.name = ? AND q.kind IN (%1) ORDER BY e.id")
                       .arg(placeholders(int(rows.size()))),
                   values, dbaTr("Cannot read the %1 queue of environment %2").arg(queueTitle(queue.kind), queue.environment)))
        return -1;
    while (query.next()) {
        dba_queueEntry_struct entry;
        const EntryKind *kind = findEntryKind(query.value(0).toString());
        entry.kind = kind ? kind->entryKind : -1;
        entry.id = query.value(1).toLongLong();
        entry.jobName = query.value(2).toString();
        entry.sceneName = query.value(3).toString();
        entry.elementName = query.value(4).toString();
        entry.elementId = query.value(5).toString();
        entry.drawingName = query.value(6).toString();
        entry.options = query.value(7).toString();
        entry.state = query.value(8).toString().toInt();
        entry.priority = query.value(9).toInt();
        entry.user = query.value(10).toString();
        entry.machine = query.value(11).toString();
        entry.date = query.value(12).toLongLong();
        entries.append(entry);
    }
    return int(entries.size());
}
