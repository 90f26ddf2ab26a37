#include "DbTestFixture.h"
#include "TUDbAccess.h"

#include <QFileInfo>
#include <QtTest>

// A scene's versions, elements, drawings and own tables, and copying all of
// them onto another scene.
class tst_DbVersions : public QObject
{
    Q_OBJECT

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    dba_job_struct m_job;
    dba_scene_struct m_scene;

    bool openScene(const QString &name, dba_scene_struct &scene)
    {
        return (m_db->isSceneExists(m_job, name)
                || m_db->dba_CreateScene(m_job, name, QString(), m_fixture->fileSystem(), QString(), 1, -1, 1))
            && m_db->dba_OpenScene(name, m_job, scene) == 0;
    }
    QString sceneDir(const QString &name) const { return m_fixture->root() + "/scenes/J/scene-" + name; }
    qint64 addElement(const dba_scene_struct &scene, const QString &name, const QString &folder = {}, const QString &root = {})
    {
        QVX_element_data element{0, name, folder, root, {}, {}, 12, false};
        return m_db->dba_addElement(scene, element);
    }
    qint64 addCel(qint64 element, const QString &name, int stage = 0, int state = 0)
    {
        dba_cel_struct cel{0, name, {}, stage, state};
        return m_db->dba_addCel(element, cel);
    }
    // Versions one and two, 48 frames, element bg with drawing 1 at stage 2,
    // a version table, and files where the copy looks for them.
    bool fillSource(dba_scene_struct &scene)
    {
        const QString dir = sceneDir(scene.name);
        const qint64 element = addElement(scene, "bg");
        return m_db->dba_addSceneVersion(scene, "one", QString()) == 1 && m_db->dba_addSceneVersion(scene, "two", QString()) == 2
            && m_db->dba_setSceneFrames(scene, 48) && element > 0 && addCel(element, "1", 2) > 0
            && m_db->dba_ReplaceSceneTable(scene, {"version", 1, 0, {"ID", "Name"}, {}}, {{"1", "one"}, {"2", "two"}})
            && DbTestFixture::writeFile(dir + "/stage/v2.pavx", "v2") && DbTestFixture::writeFile(dir + "/elements/bg/1.tvg", "cel")
            && DbTestFixture::writeFile(dir + "/frames/f1.png", "png") && DbTestFixture::writeFile(dir + "/notes.txt", "notes");
    }

private slots:
    void init()
    {
        QVERIFY(DbTestFixture::restart(m_fixture, m_db) && DbTestFixture::makeJob(*m_db));
        QCOMPARE(m_db->dba_OpenJob("J", m_job), 0);
        QVERIFY(openScene("s1", m_scene));
    }

    void versionsAreNumberedAndBecomeCurrent()
    {
        QCOMPARE(m_db->dba_addSceneVersion(m_scene, "first", "d1"), 1);
        QCOMPARE(m_db->dba_addSceneVersion(m_scene, "second", QString()), 2);
        QCOMPARE(m_db->dba_addSceneVersion(m_scene, QString(), QString(), 5), 5);
        QCOMPARE(m_scene.currentVersion, 5);
        QVERIFY(m_db->dba_addSceneVersion(m_scene, QString(), QString(), 5) == -1 && m_db->lastErrorCode() == DBA_Context::AlreadyExists);
        QCOMPARE(m_db->dba_addSceneVersion(m_scene, QString(), QString()), 6);

        const QVX_scene_version_table versions = m_db->QVX_scene_versions_of_DBA_scene(m_scene);
        QCOMPARE(versions.size(), 4);
        QCOMPARE(QStringList({versions[0].name, versions[0].description, versions[0].savedBy}), QStringList({"first", "d1", "admin"}));
        QVERIFY(versions[0].savedTime > 0);
        QCOMPARE(m_db->createVersionsListStringList(m_scene), QStringList({"1 first", "2 second", "5", "6"}));
        QVector<qint64> ids;
        QVERIFY(m_db->getVersionIdList(m_scene, ids));
        QCOMPARE(ids, QVector<qint64>({versions[0].id, versions[1].id, versions[2].id, versions[3].id}));

        dba_scene_struct reopened;
        QCOMPARE(m_db->dba_OpenScene("s1", m_job, reopened), 0);
        QVERIFY(reopened.currentVersion == 6 && reopened.versionId == versions[3].id && m_scene.versionId == versions[3].id);
        QVERIFY(m_db->dba_updateSceneCurrentVersion(reopened, 2) && reopened.versionId == versions[1].id);

        dba_scene_struct missing;
        missing.name = "gone";
        QCOMPARE(m_db->dba_addSceneVersion(missing, QString(), QString()), -1);
    }

    void elementsKeepTheirFolders()
    {
        QCOMPARE(m_db->getElementsRootFoldersList(m_scene), QStringList{"elements"});
        QVX_element_data plain{0, "bg", {}, {}, {}, {}, 12, false};
        QVERIFY(m_db->dba_addElement(m_scene, plain) > 0);
        QCOMPARE(QStringList({plain.folder, plain.rootFolder}), QStringList({"bg", "elements"}));
        QVERIFY(QFileInfo(sceneDir("s1") + "/elements/bg").isDir());

        QVX_element_data custom{0, "char", "char_v2", "elements2", "Colour", "TGA", 16.5, true};
        const qint64 id = m_db->dba_addElement(m_scene, custom);
        QVERIFY(id > 0);
        QVERIFY(QFileInfo(sceneDir("s1") + "/elements2/char_v2").isDir());

        const QVector<QVX_element_data> elements = m_db->read_DBA_elements(m_scene);
        QCOMPARE(elements.size(), 2);
        const QVX_element_data &read = elements[1];
        QCOMPARE(QStringList({read.name, read.folder, read.rootFolder, read.scanType, read.pixmapFormat}),
                 QStringList({"char", "char_v2", "elements2", "Colour", "TGA"}));
        QVERIFY(read.id == id && read.fieldChart == 16.5 && read.vectorType);
        QCOMPARE(m_db->getElementsRootFoldersList(m_scene), QStringList({"elements", "elements2"}));

        QVX_element_data found;
        QVERIFY(m_db->element_data_of_DBA_element_name(m_scene, "char", QString(), found) && found.id == id);
        QVERIFY(m_db->element_data_of_DBA_element_name(m_scene, "char", "char_v2", found));
        QVERIFY(!m_db->element_data_of_DBA_element_name(m_scene, "char", "other", found));
        QCOMPARE(m_db->lastErrorText(), "Element char not found");

        QVERIFY(addElement(m_scene, "bg") == -1 && m_db->lastErrorCode() == DBA_Context::AlreadyExists);
        // A name or folder that climbs out, or an absolute root, is a bad name.
        QVERIFY(addElement(m_scene, "..") == -1 && m_db->lastErrorCode() == DBA_Context::BadName);
        QVERIFY(addElement(m_scene, "fg", "../../x") == -1 && m_db->lastErrorCode() == DBA_Context::BadName);
        QVERIFY(addElement(m_scene, "fg", QString(), "/tmp") == -1 && m_db->lastErrorCode() == DBA_Context::BadName);
        QCOMPARE(m_db->read_DBA_elements(m_scene).size(), 2);
    }

    void celsSortByNumberAndKeepStageAndState()
    {
        const qint64 element = addElement(m_scene, "bg"), other = addElement(m_scene, "fg");
        QVERIFY(element > 0 && other > 0);
        QVector<dba_cel_struct> cels;
        QCOMPARE(m_db->dba_GetCels(m_scene, element, cels), 0);
        for (const char *name : {"10", "2", "1", "b", "a"})
            QVERIFY(addCel(element, name) > 0);
        dba_cel_struct suffixed{0, "1", "a", 3, 4};
        QVERIFY(m_db->dba_addCel(element, suffixed) > 0);
        QVERIFY(addCel(element, "2") == -1 && m_db->lastErrorCode() == DBA_Context::AlreadyExists);

        QCOMPARE(m_db->dba_GetCels(m_scene, element, cels), 6);
        QStringList names;
        for (const dba_cel_struct &read : cels)
            names << read.name + read.suffix;
        QCOMPARE(names, QStringList({"1", "1a", "2", "10", "a", "b"}));
        QCOMPARE(QPoint(cels[1].stage, cels[1].state), QPoint(3, 4));

        QVERIFY(m_db->dba_setCelStageState(cels[3].id, 2, 0));
        QVERIFY(!m_db->dba_setCelStageState(999999, 2, 0) && m_db->lastErrorCode() == DBA_Context::NotFound);
        // Stages run 0..4 (camera), states 0..5; a code past either end is refused.
        for (const QPoint bad : {QPoint(5, 0), QPoint(-1, 0), QPoint(0, 6), QPoint(0, -1)})
            QVERIFY(!m_db->dba_setCelStageState(cels[3].id, bad.x(), bad.y()) && addCel(element, "3", bad.x(), bad.y()) == -1);
        QCOMPARE(m_db->dba_GetCels(m_scene, element, cels), 6);
        QCOMPARE(QPoint(cels[3].stage, cels[3].state), QPoint(2, 0));

        QCOMPARE(m_db->dba_GetCels(m_scene, other, cels), 0);
        dba_scene_struct second;
        QVERIFY(openScene("s2", second) && m_db->dba_GetCels(second, element, cels) == -1 && cels.isEmpty());
    }

    void sceneTablesRoundTrip()
    {
        const DBA_TableDictionary dictionary{"element_attr", 6, 1700000000, {"ID", "Name", "Folder"}, "ID"};
        QVector<QStringList> rows{{"1", "line\nfeed", ""}, {"2", "quote \" and [\"]", "caf\u00e9"}};
        // Enough rows to take several inserts.
        for (int i = 3; i <= 250; ++i)
            rows << QStringList{QString::number(i), QStringLiteral("n%1").arg(i), "f"};
        QVERIFY2(m_db->dba_ReplaceSceneTable(m_scene, dictionary, rows), qPrintable(m_db->lastErrorText()));
        QVERIFY(m_db->dba_ReplaceSceneTable(m_scene, {"version", 1, 0, {"ID", "Name", "Description"}, {}}, {}));

        QCOMPARE(m_db->dba_GetSceneTableNames(m_scene), QStringList({"element_attr", "version"}));
        DBA_TableDictionary read;
        QVector<QStringList> readRows;
        QVERIFY(m_db->dba_GetSceneTable(m_scene, "element_attr", read, readRows));
        QCOMPARE(QStringList({read.name, read.indexField}) + read.fields, QStringList({"element_attr", "ID", "ID", "Name", "Folder"}));
        QVERIFY(read.version == 6 && read.date == dictionary.date);
        QCOMPARE(readRows, rows);
        QVERIFY(m_db->dba_GetSceneTable(m_scene, "version", read, readRows) && readRows.isEmpty() && read.date > 0);

        rows.resize(1);
        QVERIFY(m_db->dba_ReplaceSceneTable(m_scene, dictionary, rows));
        QVERIFY(m_db->dba_GetSceneTable(m_scene, "element_attr", read, readRows) && readRows == rows);
        QVERIFY(m_db->dba_DeleteSceneTable(m_scene, "element_attr"));
        QVERIFY(!m_db->dba_GetSceneTable(m_scene, "element_attr", read, readRows) && m_db->lastErrorCode() == DBA_Context::NotFound);
        QVERIFY(!m_db->dba_DeleteSceneTable(m_scene, "element_attr"));
    }

    void badTablesLeaveTheOldOne()
    {
        QVERIFY(m_db->dba_ReplaceSceneTable(m_scene, {"cels", 1, 0, {"ID"}, {}}, {{"old"}}));
        const struct { const char *why; DBA_TableDictionary dictionary; QStringList row; } bad[] = {
            {"short record", {"cels", 1, 0, {"ID", "Name"}, {}}, {"1"}},
            {"long record", {"cels", 1, 0, {"ID"}, {}}, {"1", "2"}},
            {"index not a field", {"cels", 1, 0, {"ID"}, "Name"}, {"1"}},
            {"repeated field", {"cels", 1, 0, {"ID", "ID"}, {}}, {"1", "2"}},
            {"no fields", {"cels", 1, 0, {}, {}}, {}},
            {"name leaves the folder", {"../cels", 1, 0, {"ID"}, {}}, {"1"}},
        };
        for (const auto &table : bad) {
            QVERIFY2(!m_db->dba_ReplaceSceneTable(m_scene, table.dictionary, {table.row}) && !m_db->lastErrorText().isEmpty(), table.why);
            DBA_TableDictionary read;
            QVector<QStringList> rows;
            QVERIFY2(m_db->dba_GetSceneTable(m_scene, "cels", read, rows) && rows == QVector<QStringList>{{"old"}}, table.why);
            QCOMPARE(m_db->dba_GetSceneTableNames(m_scene), QStringList{"cels"});
        }
    }

    void copyReplacesTheTargetsData_data()
    {
        QTest::addColumn<bool>("allData");
        QTest::newRow("xsheet only") << false;
        QTest::newRow("all data") << true;
    }
    void copyReplacesTheTargetsData()
    {
        QFETCH(bool, allData);
        QVERIFY2(fillSource(m_scene), qPrintable(m_db->lastErrorText()));
        dba_scene_struct target;
        QVERIFY(openScene("s2", target));
        QVERIFY(m_db->sceneHasXsheet(target) == 1 && m_db->dba_addSceneVersion(target, "mine", QString(), 7) == 7);
        QVERIFY(addElement(target, "own") > 0);
        const QString to = sceneDir("s2");
        QVERIFY(DbTestFixture::writeFile(to + "/stage/v2.pavx", "old"));

        QVERIFY2(m_db->dba_copyXsheet(m_job, "s1", m_job, "s2", allData), qPrintable(m_db->lastErrorText()));
        QVERIFY(m_db->dba_RefreshSceneStruct(target));
        QCOMPARE(m_db->createVersionsListStringList(target), QStringList({"1 one", "2 two"}));
        QVERIFY(target.currentVersion == 2 && target.versionId != m_scene.versionId && target.frames == 48);
        const QVector<QVX_element_data> elements = m_db->read_DBA_elements(target);
        QVERIFY(elements.size() == 1 && elements[0].name == "bg");
        QVector<dba_cel_struct> cels;
        QVERIFY(m_db->dba_GetCels(target, elements[0].id, cels) == 1 && cels[0].stage == 2);
        DBA_TableDictionary dictionary;
        QVector<QStringList> rows;
        QVERIFY(m_db->dba_GetSceneTable(target, "version", dictionary, rows) && rows.size() == 2);
        QCOMPARE(m_db->sceneHasXsheet(target), 2);

        QCOMPARE(DbTestFixture::readFile(to + "/stage/v2.pavx"), QByteArray("v2"));
        QCOMPARE(DbTestFixture::readFile(to + "/elements/bg/1.tvg"), QByteArray("cel"));
        QCOMPARE(QFileInfo::exists(to + "/frames/f1.png"), allData);
        QCOMPARE(QFileInfo::exists(to + "/notes.txt"), allData);
        // The source keeps everything.
        QVERIFY(m_db->read_DBA_elements(m_scene).size() == 1 && m_db->QVX_scene_versions_of_DBA_scene(m_scene).size() == 2);
        QVERIFY(QFileInfo::exists(sceneDir("s1") + "/frames/f1.png"));
    }

    void copyIsRefusedOntoABusyOrTheSameScene()
    {
        dba_scene_struct target;
        QVERIFY(fillSource(m_scene) && openScene("s2", target));
        QVERIFY(DbTestFixture::exec(*m_db, "UPDATE scenes SET checked_out = 1 WHERE id = ?", {target.id}));
        QVERIFY(!m_db->dba_copyXsheet(m_job, "s1", m_job, "s2", true) && m_db->lastErrorCode() == DBA_Context::Locked);
        QCOMPARE(m_db->sceneHasXsheet(target), 1);
        QVERIFY(!QFileInfo::exists(sceneDir("s2") + "/stage/v2.pavx"));
        QVERIFY(!m_db->dba_copyXsheet(m_job, "s1", m_job, "s1", true) && m_db->lastErrorCode() == DBA_Context::Refused);
        QCOMPARE(m_db->QVX_scene_versions_of_DBA_scene(m_scene).size(), 2);
    }

    void copyFileStaysInsideTheTargetScene()
    {
        dba_scene_struct target;
        QVERIFY(fillSource(m_scene) && openScene("s2", target));
        QStringList files;
        QVERIFY(m_db->dba_collectCopyXsheetInfo(m_job, "s2", m_job, "s1", files, false));
        const QString from = sceneDir("s1"), to = sceneDir("s2");
        QCOMPARE(files, QStringList({from + "/elements/bg/1.tvg", to + "/elements/bg/1.tvg", from + "/stage/v2.pavx", to + "/stage/v2.pavx"}));
        for (int i = 0; i < files.size(); i += 2)
            QVERIFY(m_db->dba_copyFile(files[i], files[i + 1], m_job, "s2", m_job, "s1"));
        QCOMPARE(DbTestFixture::readFile(to + "/stage/v2.pavx"), QByteArray("v2"));

        const QString outside = m_fixture->root() + "/scenes/J/evil.txt";
        QVERIFY(!m_db->dba_copyFile(files[0], outside, m_job, "s2", m_job, "s1") && m_db->lastErrorCode() == DBA_Context::Refused);
        QVERIFY(!m_db->dba_copyFile(files[0], to + "/../scene-s1/x", m_job, "s2", m_job, "s1"));
        QVERIFY(!QFileInfo::exists(outside) && !QFileInfo::exists(from + "/x"));
    }
};

QTEST_GUILESS_MAIN(tst_DbVersions)
#include "tst_db_versions.moc"
