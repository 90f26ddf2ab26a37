#include "Studio.h"
#include "TUTYQueueWriter.h"

#include <QFileInfo>

// Vectorize and unvectorize requests written into an environment's
// vectorize queue, with the drawings sent back to the vectorize stage; on
// scene s1 of the studio of Studio.h: element bg (drawing 7) and char, in
// folder char_v2 (drawings 1 and 2b).
class tst_QueueWriter : public QObject
{
    Q_OBJECT

    std::unique_ptr<Studio> m_studio;
    dba_scene_struct m_scene;

    bool write(const QString &environment, const QString &element, const QString &folder, const QString &drawing,
               int kind = TUTYQueueWriter::Vectorize)
    {
        return TUTYQueueWriter::addToVectorizeQueue(*m_studio->db, m_scene, environment, element, folder, drawing,
                                                    kind, "-alpha", "png");
    }
    // "scene:element:drawing stage/state" of each of s1's drawings.
    QStringList drawings()
    {
        QStringList all;
        for (const QVX_element_data &element : m_studio->db->read_DBA_elements(m_scene)) {
            QVector<dba_cel_struct> cels;
            m_studio->db->dba_GetCels(m_scene, element.id, cels);
            for (const dba_cel_struct &cel : cels)
                all.append(QStringLiteral("s1:%1:%2 %3/%4").arg(element.name, cel.name).arg(cel.stage).arg(cel.state));
        }
        return all;
    }

private slots:
    void init()
    {
        m_studio = std::make_unique<Studio>();
        QVERIFY2(m_studio->fill(), qPrintable(m_studio->fixture.errorString()));
        QCOMPARE(m_studio->db->dba_OpenScene(QStringLiteral("s1"), m_studio->a1, m_scene), 0);
    }

    void cleanup() { m_studio.reset(); }

    void vectorizeQueuesTheChosenDrawings_data()
    {
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("element");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("drawing");
        QTest::addColumn<QStringList>("queued");
        QTest::addColumn<QString>("said");
        const QStringList character{"s1:char:1", "s1:char:2"};
        QTest::newRow("whole scene") << "Alpha" << "" << "" << "" << QStringList{"s1:bg:7"} + character << "";
        QTest::newRow("one element") << "Alpha" << "char" << "" << "" << character << "";
        QTest::newRow("element by folder") << "Alpha" << "char" << "char_v2" << "" << character << "";
        QTest::newRow("one drawing") << "Alpha" << "char" << "" << "2" << QStringList{"s1:char:2"} << "";
        QTest::newRow("drawing matching none") << "Alpha" << "char" << "" << "7" << QStringList{} << "";
        QTest::newRow("unknown environment") << "Nope" << "" << "" << "" << QStringList{}
                                             << "E Unable to open vectorize queue.\n";
        QTest::newRow("unknown element") << "Alpha" << "ghost" << "" << "" << QStringList{}
                                         << "E Element ghost not found\n";
        QTest::newRow("element in another folder") << "Alpha" << "bg" << "elsewhere" << "" << QStringList{}
                                                   << "E Element bg not found\n";
    }

    void vectorizeQueuesTheChosenDrawings()
    {
        QFETCH(QString, environment);
        QFETCH(QString, element);
        QFETCH(QString, folder);
        QFETCH(QString, drawing);
        QFETCH(QStringList, queued);
        QFETCH(QString, said);
        const QStringList before = drawings();
        QCOMPARE(write(environment, element, folder, drawing), said.isEmpty());
        QCOMPARE(m_studio->sink.dump(), said);
        QCOMPARE(m_studio->queued(), queued);
        QHash<QString, qint64> ids;
        for (const QVX_element_data &each : m_studio->db->read_DBA_elements(m_scene))
            ids.insert(each.name, each.id);
        for (const dba_queueEntry_struct &entry : m_studio->queue()) {
            QCOMPARE(QStringList({QString::number(entry.kind), entry.jobName, entry.options, entry.user}).join(' '),
                     QStringLiteral("%1 A1 -alpha admin").arg(TUTYQueueWriter::Vectorize));
            QCOMPARE(entry.elementId, QString::number(ids.value(entry.elementName)));
        }
        // Queued drawings are back at the vectorize stage, pending; the others
        // keep what they had.
        QStringList after;
        for (const QString &cel : before) {
            const QString name = cel.section(QLatin1Char(' '), 0, 0);
            after.append(queued.contains(name) ? name + QStringLiteral(" 2/0") : cel);
        }
        QCOMPARE(drawings(), after);
    }

    void unvectorizeWritesIntoTheRenderedFolder()
    {
        const QStringList before = drawings();
        QVERIFY(write("Alpha", "char", "char_v2", "", TUTYQueueWriter::Unvectorize));
        const QString folder = oswRemapPath::RemapPath2(m_scene.path) + QStringLiteral("/rendered/char_v2");
        QVERIFY(QFileInfo(folder).isDir());
        const QVector<dba_queueEntry_struct> all = m_studio->queue();
        QCOMPARE(all.size(), 2);
        QCOMPARE(all[1].kind, int(TUTYQueueWriter::Unvectorize));
        QCOMPARE(all[1].drawingName, QStringLiteral("2"));
        QCOMPARE(all[1].options, QStringLiteral("-outfile %1/char-2.png -outformat png -alpha").arg(folder));
        // Unvectorizing leaves the drawings' stage alone.
        QCOMPARE(drawings(), before);
    }
};

QTEST_MAIN(tst_QueueWriter)
#include "tst_queuewriter.moc"
