#include "DbTestFixture.h"
#include "RecordingSink.h"
#include "TUExportDb.h"
#include "TUImportDb.h"

#include <QDir>
#include <QtTest>

Q_DECLARE_METATYPE(DBA_TableDictionary)

// A scene's tables written as interchange files and loaded into another
// scene: round trip, merge on the index field, the replaced tables, the
// refusals and their messages.
class tst_ImportDb : public QObject
{
    Q_OBJECT

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    dba_job_struct m_job;
    dba_scene_struct m_source;
    dba_scene_struct m_target;
    QString m_folder;

    DBA_TableDictionary cels() const { return {"cels", 2, 1700000000, {"ID", "Name", "Note"}, "ID"}; }
    QVector<QStringList> rows(const dba_scene_struct &scene, const QString &table)
    {
        DBA_TableDictionary dictionary;
        QVector<QStringList> rows;
        if (!m_db->dba_GetSceneTable(scene, table, dictionary, rows))
            rows = {{"<none>"}};
        return rows;
    }
    bool importText(const QString &name, const QByteArray &text)
    {
        const QString path = m_folder + "/" + name;
        return DbTestFixture::writeFile(path, text) && TUImportDb(*m_db).importFile(m_target, path);
    }
    static QByteArray file(const QByteArray &name, const QByteArray &records)
    {
        return "Quillstream Database Interchange Version 0\ndict_name\t: " + name + "\ndict_version\t: 1\ndict_date\t: 0\n"
            + records + "\n***END-OF-FILE***\n";
    }

private slots:
    void init()
    {
        QVERIFY(DbTestFixture::restartWithJob(m_fixture, m_db, &m_job));
        QVERIFY(m_fixture->addScene(*m_db, m_job, "src", &m_source) && m_fixture->addScene(*m_db, m_job, "dst", &m_target));
        m_folder = m_fixture->scratch() + "/database";
        QVERIFY(QDir().mkpath(m_folder));
    }

    void roundTrip()
    {
        QVERIFY(m_db->dba_ReplaceSceneTable(m_source, cels(), {{"1", "a", "two\nlines : here"}, {"2", "b", ""}}));
        QVERIFY(DbTestFixture::addElement(*m_db, m_source, {0, "bg", "bg", "elements", "SCAN", "tga", 16.5, true},
                                          {{0, "1", "", 2, 3}, {0, "1", "b", 0, 0}, {0, "2", "", 4, 1}}));
        QVERIFY(m_db->dba_addSceneVersion(m_source, "one", "first") == 1 && m_db->dba_addSceneVersion(m_source, "", "") == 2);
        dba_scene_struct details = m_source;
        details.priority = 7;
        details.frames = 48;
        details.stageIndex = 2;
        details.approvalStage = "retake";
        details.assignedTo = "ann";
        details.td = "bob";
        details.atd = "cy";
        details.pencilTest = 1;
        details.paperSize = 3;
        details.scanSize = 12.5;
        QVERIFY(m_db->dba_setSceneDetails(m_source, details));

        TUExportDb exporter(*m_db);
        QCOMPARE(exporter.tableNames(m_source), QStringList({"cels", "drawing_attr", "element_attr", "version"}));
        QVERIFY(exporter.exportAll(m_source, m_folder));
        QCOMPARE(QDir(m_folder).entryList(QDir::Files),
                 QStringList({"cels.dbexport", "drawing_attr.dbexport", "element_attr.dbexport", "scene.dbexport",
                              "version.dbexport"}));

        const QString targetPath = m_target.path;
        QVERIFY(TUImportDb(*m_db).importFolder(m_target, m_folder));
        QCOMPARE(rows(m_target, "cels"), rows(m_source, "cels"));
        QCOMPARE(m_db->dba_GetSceneTableNames(m_target), QStringList({"cels"}));
        const QVector<QVX_element_data> elements = m_db->read_DBA_elements(m_target);
        QCOMPARE(elements.size(), 1);
        QCOMPARE(QStringList({elements[0].name, elements[0].folder, elements[0].rootFolder, elements[0].scanType,
                              elements[0].pixmapFormat, QString::number(elements[0].fieldChart), QString::number(elements[0].vectorType)}),
                 QStringList({"bg", "bg", "elements", "SCAN", "tga", "16.5", "1"}));
        QCOMPARE(m_db->createVersionsListStringList(m_target), QStringList({"1 one", "2 Default"}));
        QVector<dba_cel_struct> cels;
        QCOMPARE(m_db->dba_GetCels(m_target, elements[0].id, cels), 3);
        QStringList drawings;
        for (const dba_cel_struct &cel : cels)
            drawings << QStringLiteral("%1%2:%3/%4").arg(cel.name, cel.suffix).arg(cel.stage).arg(cel.state);
        QCOMPARE(drawings, QStringList({"1:2/3", "1b:0/0", "2:4/1"}));
        QVERIFY(m_db->dba_RefreshSceneStruct(m_target));
        const auto detailsOf = [](const dba_scene_struct &scene) {
            return QStringList{QString::number(scene.priority), QString::number(scene.frames), QString::number(scene.stageIndex),
                               scene.approvalStage, scene.assignedTo, scene.td, scene.atd, QString::number(scene.pencilTest),
                               QString::number(scene.paperSize), QString::number(scene.scanSize)};
        };
        QCOMPARE(detailsOf(m_target), QStringList({"7", "48", "2", "retake", "ann", "bob", "cy", "1", "3", "12.5"}));
        QCOMPARE(QStringList({m_target.name, m_target.path}), QStringList({"dst", targetPath}));

        // Loading the same files again changes nothing.
        QVERIFY(TUImportDb(*m_db).importFolder(m_target, m_folder));
        QCOMPARE(m_db->read_DBA_elements(m_target).size(), 1);
        QCOMPARE(rows(m_target, "cels"), rows(m_source, "cels"));
    }

    void missingTableWritesNothing()
    {
        QVERIFY(TUExportDb(*m_db).exportTable(m_source, "cels", m_folder + "/cels.dbexport"));
        QVERIFY(!QFile::exists(m_folder + "/cels.dbexport"));
    }

    void merge()
    {
        RecordingSink sink;
        QVERIFY(m_db->dba_ReplaceSceneTable(m_target, cels(), {{"1", "a", "x"}, {"2", "b", "y"}}));
        QVERIFY(importText("cels.dbexport", file("cels", "\n***RECORD***\nID\t: 2\nName\t: B\nExtra\t: e\n"
                                                         "\n***RECORD***\nID\t: 3\nNote\t: z\n")));
        QCOMPARE(rows(m_target, "cels"), QVector<QStringList>({{"1", "a", "x"}, {"2", "B", "y"}, {"3", "", "z"}}));
        QVERIFY2(sink.has('W', "Ignoring unrecognized database field \"Extra\""), qPrintable(sink.dump()));
    }

    void refusals_data()
    {
        QTest::addColumn<DBA_TableDictionary>("dictionary");
        QTest::addColumn<QByteArray>("records");
        QTest::addColumn<QString>("message");
        QTest::newRow("index field not in the file")
            << cels() << QByteArray("\n***RECORD***\nName\t: n\n")
            << "Cannot import into cels.db: index field \"ID\" not in field list.";
        QTest::newRow("merge into a table without index")
            << DBA_TableDictionary{"cels", 1, 0, {"ID", "Name"}, {}} << QByteArray("\n***RECORD***\nID\t: 1\n")
            << "Cannot merge fields in cels.db: database has no index.";
    }
    void refusals()
    {
        QFETCH(DBA_TableDictionary, dictionary);
        QFETCH(QByteArray, records);
        QVERIFY(m_db->dba_ReplaceSceneTable(m_target, dictionary, {QStringList({"1", "a", "x"}).mid(0, dictionary.fields.size())}));
        const QVector<QStringList> before = rows(m_target, "cels");
        RecordingSink sink;
        QVERIFY(!importText("cels.dbexport", file("cels", records)));
        QFETCH(QString, message);
        QVERIFY2(sink.has('E', message), qPrintable(sink.dump()));
        QCOMPARE(rows(m_target, "cels"), before);
    }

    // Only the versions being imported arrive; a version of the scene's
    // own table is replaced, not merged.
    void versions()
    {
        const QByteArray records = "\n***RECORD***\nID\t: 1\nName\t: one\n\n***RECORD***\nID\t: 2\nName\t: two\n"
                                   "\n***RECORD***\nID\t: 3\nName\t: three\n";
        QVERIFY(m_db->dba_ReplaceSceneTable(m_target, {"version", 1, 0, {"ID", "Name"}, "ID"}, {{"9", "old"}}));
        const QString path = m_folder + "/version.dbexport";
        QVERIFY(DbTestFixture::writeFile(path, file("version", records)));
        QVERIFY(TUImportDb(*m_db, {"1 one", "3"}).importFile(m_target, path));
        QCOMPARE(m_db->createVersionsListStringList(m_target), QStringList({"1 one", "3 three"}));
        QCOMPARE(rows(m_target, "version"), QVector<QStringList>({{"1", "one"}, {"3", "three"}}));
    }

    // Element names from a file become folders only through the service's
    // name check.
    void hostileElement()
    {
        RecordingSink sink;
        QVERIFY(!importText("element_attr.dbexport",
                            file("element_attr", "\n***RECORD***\nID\t: 1\nName\t: x\nFolder\t: ../../../escape\n")));
        QVERIFY(m_db->read_DBA_elements(m_target).isEmpty());
        QVERIFY(!QFileInfo::exists(m_fixture->root() + "/escape"));
        QVERIFY2(sink.dump().contains("E Error adding record to element_attr.db\nInvalid element folder name"), qPrintable(sink.dump()));
    }

    void standaloneTables()
    {
        const QVector<QVX_element_data> elements{{0, "A", "A", "elements", "", "", 12, false}};
        QVX_scene_version_table versions{{0, 1, "", "", "", "", 0}};
        QVERIFY(TUImportDb(*m_db).importLines(m_target, "element_attr", TUImportDb::elementAttrLines(elements)));
        QVERIFY(TUImportDb(*m_db).importLines(m_target, "version", TUImportDb::versionLines(versions)));
        QCOMPARE(m_db->read_DBA_elements(m_target).value(0).name, QString("A"));
        QCOMPARE(m_db->createVersionsListStringList(m_target), QStringList({"1 Default"}));
    }

    void sceneRecord()
    {
        dba_scene_struct gone = m_source;
        QVERIFY(m_db->dba_deleteScene(m_job, "src"));
        RecordingSink sink;
        QVERIFY(!TUExportDb(*m_db).exportSceneRecord(gone, m_folder + "/scene.dbexport"));
        QVERIFY2(sink.has('E', "Cannot find scene src in scene database."), qPrintable(sink.dump()));
        QVERIFY(!QFile::exists(m_folder + "/scene.dbexport"));

        // A record out of range changes nothing of the target.
        QVERIFY(!importText("scene.dbexport", file("scene", "\n***RECORD***\nPriority\t: 99\nTD\t: eve\n")));
        QVERIFY2(sink.has('E', "Unable to update scene.dbexport\nCannot change the details of scene dst: a value is out of range."), qPrintable(sink.dump()));
        QVERIFY(!importText("scene.dbexport", file("scene", "\n***RECORD***\nStageIndex\t: 40\n")));
        QVERIFY(!importText("scene.dbexport", file("scene", "\n***RECORD***\nFrames\t: many\n")));
        QVERIFY(m_db->dba_RefreshSceneStruct(m_target));
        QCOMPARE(QStringList({QString::number(m_target.priority), m_target.td, QString::number(m_target.stageIndex)}),
                 QStringList({"0", "", "0"}));
    }
};

QTEST_GUILESS_MAIN(tst_ImportDb)
#include "tst_importdb.moc"
