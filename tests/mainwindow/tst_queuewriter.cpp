#include "DbTestFixture.h"
#include "RecordingSink.h"
#include "TUDbAccess.h"
#include "TUTYQueueWriter.h"
#include "oswRemapPath.h"

#include <QFileInfo>
#include <QtTest>

// Vectorize and unvectorize requests written into an environment's
// vectorize queue, with the drawings sent back to the vectorize stage.
class tst_QueueWriter : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void vectorizeQueuesTheChosenDrawings_data();
    void vectorizeQueuesTheChosenDrawings();
    void vectorizeEntriesCarryTheSceneAndOptions();
    void unvectorizeWritesIntoTheRenderedFolder();
    void failuresAreReported_data();
    void failuresAreReported();

private:
    qint64 addElement(const QString &name, const QString &folder, const QVector<QPair<QString, int>> &cels);
    QVector<dba_queueEntry_struct> entries();
    // "element:drawing" for each entry, in queue order.
    QStringList queued();
    QVector<dba_cel_struct> celsOf(qint64 elementId);

    std::unique_ptr<RecordingSink> m_sink;
    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    dba_job_struct m_job;
    dba_scene_struct m_scene;
    qint64 m_bg = 0;
    qint64 m_char = 0;
};

void tst_QueueWriter::init()
{
    m_sink = std::make_unique<RecordingSink>();
    m_fixture = std::make_unique<DbTestFixture>();
    m_db = m_fixture->open();
    QVERIFY2(m_db, qPrintable(m_fixture->errorString()));
    QVERIFY(m_db->createEnv(QStringLiteral("E"), false));
    m_job.name = QStringLiteral("J");
    m_job.environment = QStringLiteral("E");
    QVERIFY(m_db->dba_createJob(m_job) > 0);
    QCOMPARE(m_db->dba_OpenJob(m_job.name, m_job), 0);
    QVERIFY(m_db->dba_CreateScene(m_job, QStringLiteral("s1"), QString(), m_fixture->fileSystem(), QString(), 1, -1, 1));
    QCOMPARE(m_db->dba_OpenScene(QStringLiteral("s1"), m_job, m_scene), 0);
    // Cels start at stage 3 (Paint), state 3 (Completed): a vectorize request
    // visibly sends them back.
    m_bg = addElement(QStringLiteral("bg"), QString(), {{"1", 3}, {"2", 3}});
    m_char = addElement(QStringLiteral("char"), QStringLiteral("char_v2"), {{"1", 3}, {"5", 3}, {"10", 3}});
    QVERIFY(m_bg > 0 && m_char > 0);
}

void tst_QueueWriter::cleanup()
{
    m_scene = dba_scene_struct();
    m_job = dba_job_struct();
    m_db.reset();
    m_fixture.reset();
    m_sink.reset();
}

qint64 tst_QueueWriter::addElement(const QString &name, const QString &folder, const QVector<QPair<QString, int>> &cels)
{
    QVX_element_data element;
    element.name = name;
    element.folder = folder;
    const qint64 id = m_db->dba_addElement(m_scene, element);
    for (const auto &spec : cels) {
        dba_cel_struct cel;
        cel.name = spec.first;
        cel.stage = spec.second;
        cel.state = 3;
        if (m_db->dba_addCel(id, cel) <= 0)
            return -1;
    }
    return id;
}

QVector<dba_queueEntry_struct> tst_QueueWriter::entries()
{
    dba_queue_struct queue;
    QVector<dba_queueEntry_struct> all;
    if (m_db->dba_OpenQueue(DBA_QueueOps::VectorizeQueue, QStringLiteral("E"), queue) == 0)
        m_db->dba_GetQueueEntries(queue, all);
    return all;
}

QStringList tst_QueueWriter::queued()
{
    QStringList names;
    for (const dba_queueEntry_struct &entry : entries())
        names.append(entry.elementName + QLatin1Char(':') + entry.drawingName);
    return names;
}

QVector<dba_cel_struct> tst_QueueWriter::celsOf(qint64 elementId)
{
    QVector<dba_cel_struct> cels;
    m_db->dba_GetCels(m_scene, elementId, cels);
    return cels;
}

void tst_QueueWriter::vectorizeQueuesTheChosenDrawings_data()
{
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("drawing");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("whole scene") << "" << "" << ""
                                 << QStringList{"bg:1", "bg:2", "char:1", "char:5", "char:10"};
    QTest::newRow("one element") << "char" << "" << "" << QStringList{"char:1", "char:5", "char:10"};
    QTest::newRow("element by folder") << "char" << "char_v2" << "" << QStringList{"char:1", "char:5", "char:10"};
    QTest::newRow("one drawing") << "char" << "" << "5" << QStringList{"char:5"};
    QTest::newRow("drawing matching none") << "char" << "" << "7" << QStringList{};
}

void tst_QueueWriter::vectorizeQueuesTheChosenDrawings()
{
    QFETCH(QString, element);
    QFETCH(QString, folder);
    QFETCH(QString, drawing);
    QFETCH(QStringList, expected);
    QVERIFY(TUTYQueueWriter::addToVectorizeQueue(*m_db, m_scene, "E", element, folder, drawing,
                                                 TUTYQueueWriter::Vectorize, "-opt", "tga"));
    QCOMPARE(queued(), expected);
    QVERIFY2(m_sink->messages().isEmpty(), qPrintable(m_sink->dump()));
    // Queued drawings are back at the vectorize stage, pending; the others
    // keep what they had.
    for (qint64 id : {m_bg, m_char}) {
        const QString name = id == m_bg ? QStringLiteral("bg") : QStringLiteral("char");
        for (const dba_cel_struct &cel : celsOf(id)) {
            const bool sent = expected.contains(name + QLatin1Char(':') + cel.name);
            QCOMPARE(cel.stage, sent ? 2 : 3);
            QCOMPARE(cel.state, sent ? 0 : 3);
        }
    }
}

void tst_QueueWriter::vectorizeEntriesCarryTheSceneAndOptions()
{
    QVERIFY(TUTYQueueWriter::addToVectorizeQueue(*m_db, m_scene, "E", "bg", "", "2", TUTYQueueWriter::Vectorize,
                                                 "-threshold 40", "tga"));
    const QVector<dba_queueEntry_struct> all = entries();
    QCOMPARE(all.size(), 1);
    const dba_queueEntry_struct &entry = all.first();
    QCOMPARE(entry.kind, int(TUTYQueueWriter::Vectorize));
    QCOMPARE(entry.jobName, QStringLiteral("J"));
    QCOMPARE(entry.sceneName, QStringLiteral("s1"));
    QCOMPARE(entry.elementName, QStringLiteral("bg"));
    QCOMPARE(entry.elementId, QString::number(m_bg));
    QCOMPARE(entry.drawingName, QStringLiteral("2"));
    QCOMPARE(entry.options, QStringLiteral("-threshold 40"));
    QCOMPARE(entry.user, QStringLiteral("admin"));
}

void tst_QueueWriter::unvectorizeWritesIntoTheRenderedFolder()
{
    QVERIFY(TUTYQueueWriter::addToVectorizeQueue(*m_db, m_scene, "E", "char", "char_v2", "", TUTYQueueWriter::Unvectorize,
                                                 "-alpha", "png"));
    const QString folder = oswRemapPath::RemapPath2(m_scene.path) + QStringLiteral("/rendered/char_v2");
    QVERIFY(QFileInfo(folder).isDir());
    const QVector<dba_queueEntry_struct> all = entries();
    QCOMPARE(all.size(), 3);
    QCOMPARE(all[1].kind, int(TUTYQueueWriter::Unvectorize));
    QCOMPARE(all[1].drawingName, QStringLiteral("5"));
    QCOMPARE(all[1].options, QStringLiteral("-outfile %1/char-5.png -outformat png -alpha").arg(folder));
    // Unvectorizing leaves the drawings' stage alone.
    for (const dba_cel_struct &cel : celsOf(m_char))
        QCOMPARE(cel.stage, 3);
}

void tst_QueueWriter::failuresAreReported_data()
{
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QString>("element");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown environment") << "Nope" << "" << "" << "Unable to open vectorize queue.\n";
    QTest::newRow("unknown element") << "E" << "ghost" << "" << "Element ghost not found\n";
    QTest::newRow("element in another folder") << "E" << "bg" << "elsewhere" << "Element bg not found\n";
}

void tst_QueueWriter::failuresAreReported()
{
    QFETCH(QString, environment);
    QFETCH(QString, element);
    QFETCH(QString, folder);
    QFETCH(QString, message);
    QVERIFY(!TUTYQueueWriter::addToVectorizeQueue(*m_db, m_scene, environment, element, folder, "",
                                                  TUTYQueueWriter::Vectorize, "", "tga"));
    QVERIFY2(m_sink->has('E', message), qPrintable(m_sink->dump()));
    QCOMPARE(queued(), QStringList());
    for (const dba_cel_struct &cel : celsOf(m_bg))
        QCOMPARE(cel.stage, 3);
}

QTEST_MAIN(tst_QueueWriter)
#include "tst_queuewriter.moc"
