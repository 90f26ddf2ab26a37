#include "DbTestFixture.h"
#include "TUDbAccess.h"
#include "oswUtil.h"

#include <QtTest>

// The vectorize and render queues of each environment and their entries.
class tst_DbQueues : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_fixture = std::make_unique<DbTestFixture>();
        m_db = m_fixture->open();
        QVERIFY2(m_db, qPrintable(m_fixture->errorString()));
        QVERIFY(m_db->createEnv(QStringLiteral("E1"), false) != 0);
        QVERIFY(m_db->createEnv(QStringLiteral("E2"), false) != 0);
    }
    void cleanup()
    {
        m_db.reset();
        m_fixture.reset();
    }

    void queueIsMadeOnFirstOpenAndSharedAfter()
    {
        dba_queue_struct vectorize, again, render, otherEnv;
        QCOMPARE(m_db->dba_OpenQueue(DBA_QueueOps::VectorizeQueue, QStringLiteral("E1"), vectorize), 0);
        QCOMPARE(m_db->lastErrorCode(), 0);
        QVERIFY(vectorize.isOpen());
        QCOMPARE(vectorize.kind, int(DBA_QueueOps::VectorizeQueue));
        QCOMPARE(vectorize.environment, QStringLiteral("E1"));
        QCOMPARE(m_db->dba_OpenQueue(DBA_QueueOps::VectorizeQueue, QStringLiteral("E1"), again), 0);
        QCOMPARE(again.id, vectorize.id);
        QCOMPARE(m_db->dba_OpenQueue(DBA_QueueOps::RenderQueue, QStringLiteral("E1"), render), 0);
        QVERIFY(render.id != vectorize.id);
        QCOMPARE(m_db->dba_OpenQueue(DBA_QueueOps::VectorizeQueue, QStringLiteral("E2"), otherEnv), 0);
        QVERIFY(otherEnv.id != vectorize.id);

        // Another session sees the same queue.
        std::unique_ptr<TUDbAccess> other = m_fixture->open(QStringLiteral("BATCH"));
        QVERIFY(other);
        dba_queue_struct seen;
        QCOMPARE(other->dba_OpenQueue(DBA_QueueOps::VectorizeQueue, QStringLiteral("E1"), seen), 0);
        QCOMPARE(seen.id, vectorize.id);

        m_db->dba_CloseQueue(vectorize);
        QVERIFY(!vectorize.isOpen());
    }

    void openingABadQueueFails_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<int>("code");
        QTest::newRow("missing environment") << int(DBA_QueueOps::VectorizeQueue) << QStringLiteral("Nope")
                                             << int(DBA_Context::NotFound);
        QTest::newRow("no such kind") << 2 << QStringLiteral("E1") << int(DBA_Context::Failed);
        QTest::newRow("negative kind") << -1 << QStringLiteral("E1") << int(DBA_Context::Failed);
    }
    void openingABadQueueFails()
    {
        QFETCH(int, kind);
        QFETCH(QString, environment);
        QFETCH(int, code);
        dba_queue_struct queue;
        QCOMPARE(m_db->dba_OpenQueue(kind, environment, queue), -1);
        QCOMPARE(m_db->lastErrorCode(), code);
        QVERIFY(!m_db->lastErrorText().isEmpty());
        QVERIFY(!queue.isOpen());
        QCOMPARE(rowCount("queues"), 0);
    }

    void entriesKeepTheirFieldsKindAndOrder()
    {
        dba_queue_struct queue;
        QCOMPARE(m_db->dba_OpenQueue(DBA_QueueOps::VectorizeQueue, QStringLiteral("E1"), queue), 0);
        const qint64 before = DBA_Context::now();
        dba_queueEntry_struct first = entry(4, QStringLiteral("c1"), QStringLiteral("-style pencil"));
        first.priority = 3;
        dba_queueEntry_struct second = entry(3, QStringLiteral("c2"), QStringLiteral("-outfile x -outformat tga"));
        second.suffix = QStringLiteral("tga");
        second.processStage = QStringLiteral("Vectorize");
        dba_queueEntry_struct third = entry(4, QStringLiteral("c3"), QString());
        for (dba_queueEntry_struct *added : {&first, &second, &third}) {
            added->state = 5; // must be written as pending whatever the caller left in it
            QCOMPARE(m_db->dba_AddQueueEntry(queue, *added), 0);
            QCOMPARE(m_db->lastErrorCode(), 0);
            QVERIFY(added->id > 0);
            QCOMPARE(added->state, 0);
        }
        const qint64 after = DBA_Context::now();

        QVector<dba_queueEntry_struct> entries;
        QCOMPARE(m_db->dba_GetQueueEntries(queue, entries), 3);
        const QVector<dba_queueEntry_struct> expected{first, second, third};
        for (int i = 0; i < 3; ++i) {
            const dba_queueEntry_struct &got = entries[i];
            QCOMPARE(got.id, expected[i].id);
            QCOMPARE(got.kind, expected[i].kind);
            QCOMPARE(got.jobName, QStringLiteral("J"));
            QCOMPARE(got.sceneName, QStringLiteral("S"));
            QCOMPARE(got.elementName, QStringLiteral("BG"));
            QCOMPARE(got.elementId, QStringLiteral("7"));
            QCOMPARE(got.drawingName, expected[i].drawingName);
            QCOMPARE(got.options, expected[i].options);
            QCOMPARE(got.suffix, expected[i].suffix);
            QCOMPARE(got.processStage, expected[i].processStage);
            QCOMPARE(got.priority, expected[i].priority);
            QCOMPARE(got.state, 0);
            QCOMPARE(got.user, QStringLiteral("admin"));
            QCOMPARE(got.machine, oswUtil::getShortMachineName());
            QVERIFY(got.date >= before && got.date <= after);
        }
    }

    void entriesFromSeveralSessionsListInInsertionOrder()
    {
        std::unique_ptr<TUDbAccess> other = m_fixture->open(QStringLiteral("BATCH"));
        QVERIFY(other);
        dba_queue_struct mine, theirs;
        QCOMPARE(m_db->dba_OpenQueue(DBA_QueueOps::VectorizeQueue, QStringLiteral("E1"), mine), 0);
        QCOMPARE(other->dba_OpenQueue(DBA_QueueOps::VectorizeQueue, QStringLiteral("E1"), theirs), 0);
        const QStringList drawings{QStringLiteral("d1"), QStringLiteral("d2"), QStringLiteral("d3"), QStringLiteral("d4")};
        for (int i = 0; i < drawings.size(); ++i) {
            dba_queueEntry_struct added = entry(i % 2 ? 3 : 4, drawings[i], QString());
            QCOMPARE(i % 2 ? other->dba_AddQueueEntry(theirs, added) : m_db->dba_AddQueueEntry(mine, added), 0);
        }
        QVector<dba_queueEntry_struct> entries;
        QCOMPARE(m_db->dba_GetQueueEntries(mine, entries), 4);
        for (int i = 0; i < drawings.size(); ++i) {
            QCOMPARE(entries[i].drawingName, drawings[i]);
            QCOMPARE(entries[i].kind, i % 2 ? 3 : 4);
            QCOMPARE(entries[i].user, i % 2 ? QStringLiteral("BATCH") : QStringLiteral("admin"));
        }
    }

    void queuesDoNotShareEntries()
    {
        dba_queue_struct vectorizeE1, renderE1, vectorizeE2;
        QCOMPARE(m_db->dba_OpenQueue(DBA_QueueOps::VectorizeQueue, QStringLiteral("E1"), vectorizeE1), 0);
        QCOMPARE(m_db->dba_OpenQueue(DBA_QueueOps::RenderQueue, QStringLiteral("E1"), renderE1), 0);
        QCOMPARE(m_db->dba_OpenQueue(DBA_QueueOps::VectorizeQueue, QStringLiteral("E2"), vectorizeE2), 0);
        dba_queueEntry_struct vector = entry(4, QStringLiteral("v"), QString());
        dba_queueEntry_struct unvector = entry(3, QStringLiteral("u"), QString());
        dba_queueEntry_struct render = entry(1, QString(), QStringLiteral("-frames 1-10"));
        QCOMPARE(m_db->dba_AddQueueEntry(vectorizeE1, vector), 0);
        QCOMPARE(m_db->dba_AddQueueEntry(renderE1, render), 0);
        QCOMPARE(m_db->dba_AddQueueEntry(vectorizeE1, unvector), 0);

        QVector<dba_queueEntry_struct> entries;
        QCOMPARE(m_db->dba_GetQueueEntries(vectorizeE1, entries), 2);
        QCOMPARE(entries[0].drawingName, QStringLiteral("v"));
        QCOMPARE(entries[1].drawingName, QStringLiteral("u"));
        QCOMPARE(m_db->dba_GetQueueEntries(renderE1, entries), 1);
        QCOMPARE(entries[0].kind, 1);
        QCOMPARE(entries[0].options, QStringLiteral("-frames 1-10"));
        QCOMPARE(m_db->dba_GetQueueEntries(vectorizeE2, entries), 0);
    }

    void entryOfTheWrongKindIsRefused_data()
    {
        QTest::addColumn<int>("queueKind");
        QTest::addColumn<int>("entryKind");
        QTest::newRow("render entry in vectorize queue") << int(DBA_QueueOps::VectorizeQueue) << 1;
        QTest::newRow("vectorize entry in render queue") << int(DBA_QueueOps::RenderQueue) << 4;
        QTest::newRow("unvectorize entry in render queue") << int(DBA_QueueOps::RenderQueue) << 3;
        QTest::newRow("unknown kind") << int(DBA_QueueOps::VectorizeQueue) << 2;
    }
    void entryOfTheWrongKindIsRefused()
    {
        QFETCH(int, queueKind);
        QFETCH(int, entryKind);
        dba_queue_struct queue;
        QCOMPARE(m_db->dba_OpenQueue(queueKind, QStringLiteral("E1"), queue), 0);
        dba_queueEntry_struct refused = entry(entryKind, QStringLiteral("d"), QString());
        QVERIFY(m_db->dba_AddQueueEntry(queue, refused) != 0);
        QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::Refused));
        QCOMPARE(refused.id, qint64(0));
        QCOMPARE(rowCount("queue_entries"), 0);
    }

    void closedQueueTakesAndListsNothing()
    {
        dba_queue_struct queue;
        dba_queueEntry_struct added = entry(4, QStringLiteral("d"), QString());
        QVERIFY(m_db->dba_AddQueueEntry(queue, added) != 0);
        QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::Failed));
        QVector<dba_queueEntry_struct> entries;
        QCOMPARE(m_db->dba_GetQueueEntries(queue, entries), -1);
        QCOMPARE(rowCount("queue_entries"), 0);
    }

private:
    static dba_queueEntry_struct entry(int kind, const QString &drawing, const QString &options)
    {
        dba_queueEntry_struct made;
        made.kind = kind;
        made.jobName = QStringLiteral("J");
        made.sceneName = QStringLiteral("S");
        made.elementName = QStringLiteral("BG");
        made.elementId = QStringLiteral("7");
        made.drawingName = drawing;
        made.options = options;
        return made;
    }

    int rowCount(const char *table)
    {
        QString error;
        const QVariant count = m_db->context().connection.scalar(
            QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(table)), {}, error);
        return count.isValid() ? count.toInt() : -1;
    }

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
};

QTEST_GUILESS_MAIN(tst_DbQueues)
#include "tst_db_queues.moc"
