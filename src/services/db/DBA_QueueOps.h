#pragma once

#include "DBA_Records.h"

class DBA_Context;

// The vectorize and render queues of each environment, served by the queue program.
class DBA_QueueOps
{
public:
    enum QueueKind { VectorizeQueue = 0, RenderQueue = 1 };

    explicit DBA_QueueOps(DBA_Context &context) : m_ctx(context) {}

    // 0 on success (the queue is made on first use), -1 on failure.
    int dba_OpenQueue(int kind, const QString &environment, dba_queue_struct &queue);
    // 0 on success.
    int dba_AddQueueEntry(dba_queue_struct &queue, dba_queueEntry_struct &entry);
    void dba_CloseQueue(dba_queue_struct &queue);
    // The queue's entries in the order they were added; -1 on failure.
    int dba_GetQueueEntries(const dba_queue_struct &queue, QVector<dba_queueEntry_struct> &entries);

private:
    DBA_Context &m_ctx;
};
