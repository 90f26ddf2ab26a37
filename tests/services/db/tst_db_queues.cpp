#include "DbTestFixture.h"
#include "TUDbAccess.h"
#include "oswUtil.h"

#include <QtTest>

// The vectorize and render queues of each environment and their entries.
class tst_DbQueues : public QObject
{
    Q_OBJECT

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;

    static dba_queueEntry_struct entry(int kind, const QString &drawing, const QString &options = {})
    {
        dba_queueEntry_struct made;
        made.kind = kind;
        made.jobName = "J";
        made.sceneName = "S";
        made.elementName = "BG";
        made.elementId = "7";
        made.drawingName = drawing;
        made.options = options;
        return made;
    }
    // What a listing shows of an entry, but for its date.
    static QString describe(const dba_queueEntry_struct &e)
    {
        return QStringList({QString::number(e.id), QString::number(e.kind), e.jobName, e.sceneName, e.elementName, e.elementId,
                            e.drawingName, e.options, e.suffix, e.processStage, QString::number(e.priority),
                            QString::number(e.state), e.user, e.machine}).join('|');
    }
    dba_queue_struct open(int kind, const QString &environment, TUDbAccess *db = nullptr)
    {
        dba_queue_struct queue;
        if ((db ? db : m_db.get())->dba_OpenQueue(kind, environment, queue) != 0)
            qWarning("%s", qPrintable(m_db->lastErrorText()));
        return queue;
    }
    int rowCount(const QString &table) { return DbTestFixture::value(*m_db, "SELECT COUNT(*) FROM " + table).toInt(); }

private slots:
    void init()
    {
        QVERIFY(DbTestFixture::restart(m_fixture, m_db));
        QVERIFY(m_db->createEnv("E1", false) != 0 && m_db->createEnv("E2", false) != 0);
    }

    void queueIsMadeOnFirstOpenAndSharedAfter()
    {
        const dba_queue_struct vectorize = open(DBA_QueueOps::VectorizeQueue, "E1");
        QCOMPARE(m_db->lastErrorCode(), 0);
        QVERIFY(vectorize.isOpen() && vectorize.kind == DBA_QueueOps::VectorizeQueue && vectorize.environment == "E1");
        QCOMPARE(open(DBA_QueueOps::VectorizeQueue, "E1").id, vectorize.id);
        QVERIFY(open(DBA_QueueOps::RenderQueue, "E1").id != vectorize.id);
        QVERIFY(open(DBA_QueueOps::VectorizeQueue, "E2").id != vectorize.id);
        // Another session sees the same queue.
        std::unique_ptr<TUDbAccess> other = m_fixture->open("BATCH");
        QVERIFY(other);
        QCOMPARE(open(DBA_QueueOps::VectorizeQueue, "E1", other.get()).id, vectorize.id);
        dba_queue_struct closed = vectorize;
        m_db->dba_CloseQueue(closed);
        QVERIFY(!closed.isOpen());
    }

    void badQueuesAndEntriesAreRefused()
    {
        // A missing environment, or a kind past either end of the list.
        const struct { int kind; const char *environment; int code; } badQueues[] = {
            {DBA_QueueOps::VectorizeQueue, "Nope", DBA_Context::NotFound}, {2, "E1", DBA_Context::Failed}, {-1, "E1", DBA_Context::Failed}};
        for (const auto &bad : badQueues) {
            dba_queue_struct queue;
            QCOMPARE(m_db->dba_OpenQueue(bad.kind, bad.environment, queue), -1);
            QVERIFY(m_db->lastErrorCode() == bad.code && !m_db->lastErrorText().isEmpty() && !queue.isOpen());
        }
        QCOMPARE(rowCount("queues"), 0);

        // Render entries go only to a render queue, (un)vectorize ones only to a vectorize queue.
        const QPoint wrongKinds[] = {{DBA_QueueOps::VectorizeQueue, 1}, {DBA_QueueOps::RenderQueue, 4}, {DBA_QueueOps::RenderQueue, 3},
                                     {DBA_QueueOps::VectorizeQueue, 2}};
        for (const QPoint &wrong : wrongKinds) {
            dba_queue_struct queue = open(wrong.x(), "E1");
            dba_queueEntry_struct refused = entry(wrong.y(), "d");
            QVERIFY(m_db->dba_AddQueueEntry(queue, refused) != 0 && m_db->lastErrorCode() == DBA_Context::Refused);
            QCOMPARE(refused.id, qint64(0));
        }
        // A closed queue takes and lists nothing.
        dba_queue_struct closed;
        dba_queueEntry_struct added = entry(4, "d");
        QVERIFY(m_db->dba_AddQueueEntry(closed, added) != 0 && m_db->lastErrorCode() == DBA_Context::Failed);
        QVector<dba_queueEntry_struct> entries;
        QCOMPARE(m_db->dba_GetQueueEntries(closed, entries), -1);
        QCOMPARE(rowCount("queue_entries"), 0);
    }

    void entriesKeepTheirFieldsKindAndOrder()
    {
        dba_queue_struct queue = open(DBA_QueueOps::VectorizeQueue, "E1");
        const qint64 before = DBA_Context::now();
        dba_queueEntry_struct first = entry(4, "c1", "-style pencil"), second = entry(3, "c2", "-outfile x -outformat tga"),
                              third = entry(4, "c3");
        first.priority = 3;
        second.suffix = "tga";
        second.processStage = "Vectorize";
        for (dba_queueEntry_struct *added : {&first, &second, &third}) {
            added->state = 5; // must be written as pending whatever the caller left in it
            QVERIFY(m_db->dba_AddQueueEntry(queue, *added) == 0 && m_db->lastErrorCode() == 0);
            QVERIFY(added->id > 0 && added->state == 0);
            added->user = "admin";
            added->machine = oswUtil::getShortMachineName();
        }
        const qint64 after = DBA_Context::now();

        QVector<dba_queueEntry_struct> entries;
        QCOMPARE(m_db->dba_GetQueueEntries(queue, entries), 3);
        const dba_queueEntry_struct *expected[] = {&first, &second, &third};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(describe(entries[i]), describe(*expected[i]));
            QVERIFY(entries[i].date >= before && entries[i].date <= after);
        }
    }

    // Each queue lists its own entries, from every session, in the order they came.
    void queuesListTheirOwnEntriesInInsertionOrder()
    {
        std::unique_ptr<TUDbAccess> other = m_fixture->open("BATCH");
        QVERIFY(other);
        dba_queue_struct mine = open(DBA_QueueOps::VectorizeQueue, "E1"), theirs = open(DBA_QueueOps::VectorizeQueue, "E1", other.get());
        dba_queue_struct render = open(DBA_QueueOps::RenderQueue, "E1"), vectorizeE2 = open(DBA_QueueOps::VectorizeQueue, "E2");
        dba_queueEntry_struct frames = entry(1, QString(), "-frames 1-10");
        for (int i = 0; i < 4; ++i) {
            dba_queueEntry_struct added = entry(i % 2 ? 3 : 4, QStringLiteral("d%1").arg(i));
            QCOMPARE(i % 2 ? other->dba_AddQueueEntry(theirs, added) : m_db->dba_AddQueueEntry(mine, added), 0);
            if (i == 1)
                QCOMPARE(m_db->dba_AddQueueEntry(render, frames), 0);
        }
        QVector<dba_queueEntry_struct> entries;
        QCOMPARE(m_db->dba_GetQueueEntries(mine, entries), 4);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(entries[i].drawingName, QStringLiteral("d%1").arg(i));
            QCOMPARE(entries[i].kind, i % 2 ? 3 : 4);
            QCOMPARE(entries[i].user, i % 2 ? "BATCH" : "admin");
        }
        QCOMPARE(m_db->dba_GetQueueEntries(render, entries), 1);
        QVERIFY(entries[0].kind == 1 && entries[0].options == "-frames 1-10");
        QCOMPARE(m_db->dba_GetQueueEntries(vectorizeE2, entries), 0);
    }
};

QTEST_GUILESS_MAIN(tst_DbQueues)
#include "tst_db_queues.moc"
