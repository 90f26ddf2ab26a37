#include "DbTestFixture.h"
#include "TUDbAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

// A scene's versions, elements, drawings and own tables, and copying all of
// them onto another scene.
class tst_DbVersions : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void versionsAreNumberedAndBecomeCurrent();
    void elementsKeepTheirFolders();
    void badElementFoldersAreRefused_data();
    void badElementFoldersAreRefused();
    void celsSortByNumberAndKeepStageAndState();
    void badCelCodesAreRefused_data();
    void badCelCodesAreRefused();
    void sceneTablesRoundTrip();
    void badTablesLeaveTheOldOne_data();
    void badTablesLeaveTheOldOne();
    void copyReplacesTheTargetsData_data();
    void copyReplacesTheTargetsData();
    void copyIsRefusedOntoABusyOrTheSameScene();
    void copyFileStaysInsideTheTargetScene();

private:
    bool openScene(const QString &name, dba_scene_struct &scene);
    bool fillSource(dba_scene_struct &scene);
    QString sceneDir(const QString &name) const { return m_fixture->root() + QStringLiteral("/scenes/J/scene-") + name; }
    static bool writeFile(const QString &path, const QByteArray &data = "data");
    static QByteArray readFile(const QString &path);

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    dba_job_struct m_job;
    dba_scene_struct m_scene;
};

void tst_DbVersions::init()
{
    m_fixture = std::make_unique<DbTestFixture>();
    m_db = m_fixture->open();
    QVERIFY2(m_db, qPrintable(m_fixture->errorString()));
    dba_job_struct job;
    job.name = QStringLiteral("J");
    job.environment = QStringLiteral("E");
    QVERIFY(m_db->createEnv(job.environment, true));
    QVERIFY(m_db->dba_createJob(job) > 0);
    QCOMPARE(m_db->dba_OpenJob(job.name, m_job), 0);
    QVERIFY(openScene(QStringLiteral("s1"), m_scene));
}

void tst_DbVersions::cleanup()
{
    m_scene = dba_scene_struct();
    m_job = dba_job_struct();
    m_db.reset();
    m_fixture.reset();
}

bool tst_DbVersions::openScene(const QString &name, dba_scene_struct &scene)
{
    return (m_db->isSceneExists(m_job, name)
            || m_db->dba_CreateScene(m_job, name, QString(), m_fixture->fileSystem(), QString(), 1, -1, 1))
        && m_db->dba_OpenScene(name, m_job, scene) == 0;
}

bool tst_DbVersions::writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray tst_DbVersions::readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void tst_DbVersions::versionsAreNumberedAndBecomeCurrent()
{
    QCOMPARE(m_db->dba_addSceneVersion(m_scene, QStringLiteral("first"), QStringLiteral("d1")), 1);
    QCOMPARE(m_db->dba_addSceneVersion(m_scene, QStringLiteral("second"), QString()), 2);
    QCOMPARE(m_db->dba_addSceneVersion(m_scene, QString(), QString(), 5), 5);
    QCOMPARE(m_scene.currentVersion, 5);
    QCOMPARE(m_db->dba_addSceneVersion(m_scene, QString(), QString(), 5), -1);
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::AlreadyExists));
    QCOMPARE(m_db->dba_addSceneVersion(m_scene, QString(), QString()), 6);

    const QVX_scene_version_table versions = m_db->QVX_scene_versions_of_DBA_scene(m_scene);
    QCOMPARE(versions.size(), 4);
    QCOMPARE(versions[0].name, QStringLiteral("first"));
    QCOMPARE(versions[0].description, QStringLiteral("d1"));
    QCOMPARE(versions[0].savedBy, QStringLiteral("admin"));
    QVERIFY(versions[0].savedTime > 0);
    QCOMPARE(m_db->createVersionsListStringList(m_scene), QStringList({"1 first", "2 second", "5", "6"}));
    QVector<qint64> ids;
    QVERIFY(m_db->getVersionIdList(m_scene, ids));
    QCOMPARE(ids, QVector<qint64>({versions[0].id, versions[1].id, versions[2].id, versions[3].id}));

    dba_scene_struct reopened;
    QCOMPARE(m_db->dba_OpenScene(QStringLiteral("s1"), m_job, reopened), 0);
    QCOMPARE(reopened.currentVersion, 6);
    QCOMPARE(reopened.versionId, versions[3].id);
    QCOMPARE(m_scene.versionId, versions[3].id);

    QVERIFY(m_db->dba_updateSceneCurrentVersion(reopened, 2));
    QCOMPARE(reopened.versionId, versions[1].id);

    dba_scene_struct missing;
    missing.name = QStringLiteral("gone");
    QCOMPARE(m_db->dba_addSceneVersion(missing, QString(), QString()), -1);
}

void tst_DbVersions::elementsKeepTheirFolders()
{
    QCOMPARE(m_db->getElementsRootFoldersList(m_scene), QStringList{"elements"});
    QVX_element_data plain;
    plain.name = QStringLiteral("bg");
    QVERIFY(m_db->dba_addElement(m_scene, plain) > 0);
    QCOMPARE(plain.folder, QStringLiteral("bg"));
    QCOMPARE(plain.rootFolder, QStringLiteral("elements"));
    QVERIFY(QFileInfo(sceneDir(QStringLiteral("s1")) + QStringLiteral("/elements/bg")).isDir());

    QVX_element_data custom;
    custom.name = QStringLiteral("char");
    custom.folder = QStringLiteral("char_v2");
    custom.rootFolder = QStringLiteral("elements2");
    custom.scanType = QStringLiteral("Colour");
    custom.pixmapFormat = QStringLiteral("TGA");
    custom.fieldChart = 16.5;
    custom.vectorType = true;
    const qint64 id = m_db->dba_addElement(m_scene, custom);
    QVERIFY(id > 0);
    QVERIFY(QFileInfo(sceneDir(QStringLiteral("s1")) + QStringLiteral("/elements2/char_v2")).isDir());

    const QVector<QVX_element_data> elements = m_db->read_DBA_elements(m_scene);
    QCOMPARE(elements.size(), 2);
    const QVX_element_data &read = elements[1];
    QCOMPARE(read.id, id);
    QCOMPARE(read.name, custom.name);
    QCOMPARE(read.folder, custom.folder);
    QCOMPARE(read.rootFolder, custom.rootFolder);
    QCOMPARE(read.scanType, custom.scanType);
    QCOMPARE(read.pixmapFormat, custom.pixmapFormat);
    QCOMPARE(read.fieldChart, 16.5);
    QVERIFY(read.vectorType);
    QCOMPARE(m_db->getElementsRootFoldersList(m_scene), QStringList({"elements", "elements2"}));

    QVX_element_data found;
    QVERIFY(m_db->element_data_of_DBA_element_name(m_scene, QStringLiteral("char"), QString(), found));
    QCOMPARE(found.id, id);
    QVERIFY(m_db->element_data_of_DBA_element_name(m_scene, QStringLiteral("char"), QStringLiteral("char_v2"), found));
    QVERIFY(!m_db->element_data_of_DBA_element_name(m_scene, QStringLiteral("char"), QStringLiteral("other"), found));
    QCOMPARE(m_db->lastErrorText(), QStringLiteral("Element char not found"));

    QVX_element_data again;
    again.name = QStringLiteral("bg");
    QCOMPARE(m_db->dba_addElement(m_scene, again), qint64(-1));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::AlreadyExists));
}

void tst_DbVersions::badElementFoldersAreRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("rootFolder");
    QTest::newRow("name climbs") << QStringLiteral("..") << QString() << QString();
    QTest::newRow("folder climbs") << QStringLiteral("bg") << QStringLiteral("../../x") << QString();
    QTest::newRow("root is absolute") << QStringLiteral("bg") << QString() << QStringLiteral("/tmp");
}

void tst_DbVersions::badElementFoldersAreRefused()
{
    QFETCH(QString, name);
    QFETCH(QString, folder);
    QFETCH(QString, rootFolder);
    QVX_element_data element;
    element.name = name;
    element.folder = folder;
    element.rootFolder = rootFolder;
    QCOMPARE(m_db->dba_addElement(m_scene, element), qint64(-1));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::BadName));
    QVERIFY(m_db->read_DBA_elements(m_scene).isEmpty());
}

void tst_DbVersions::celsSortByNumberAndKeepStageAndState()
{
    QVX_element_data element, other;
    element.name = QStringLiteral("bg");
    other.name = QStringLiteral("fg");
    QVERIFY(m_db->dba_addElement(m_scene, element) > 0);
    QVERIFY(m_db->dba_addElement(m_scene, other) > 0);
    QVector<dba_cel_struct> cels;
    QCOMPARE(m_db->dba_GetCels(m_scene, element.id, cels), 0);

    for (const char *name : {"10", "2", "1", "b", "a"}) {
        dba_cel_struct cel;
        cel.name = QLatin1String(name);
        QVERIFY(m_db->dba_addCel(element.id, cel) > 0);
    }
    dba_cel_struct suffixed;
    suffixed.name = QStringLiteral("1");
    suffixed.suffix = QStringLiteral("a");
    suffixed.stage = 3;
    suffixed.state = 4;
    QVERIFY(m_db->dba_addCel(element.id, suffixed) > 0);
    dba_cel_struct twice;
    twice.name = QStringLiteral("2");
    QCOMPARE(m_db->dba_addCel(element.id, twice), qint64(-1));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::AlreadyExists));

    QCOMPARE(m_db->dba_GetCels(m_scene, element.id, cels), 6);
    QStringList names;
    for (const dba_cel_struct &cel : cels)
        names << cel.name + cel.suffix;
    QCOMPARE(names, QStringList({"1", "1a", "2", "10", "a", "b"}));
    QCOMPARE(cels[1].stage, 3);
    QCOMPARE(cels[1].state, 4);

    QVERIFY(m_db->dba_setCelStageState(cels[3].id, 2, 0));
    QCOMPARE(m_db->dba_GetCels(m_scene, element.id, cels), 6);
    QCOMPARE(cels[3].stage, 2);
    QCOMPARE(cels[3].state, 0);
    QVERIFY(!m_db->dba_setCelStageState(999999, 2, 0));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));

    QCOMPARE(m_db->dba_GetCels(m_scene, other.id, cels), 0);
    dba_scene_struct second;
    QVERIFY(openScene(QStringLiteral("s2"), second));
    QCOMPARE(m_db->dba_GetCels(second, element.id, cels), -1);
    QVERIFY(cels.isEmpty());
}

void tst_DbVersions::badCelCodesAreRefused_data()
{
    QTest::addColumn<int>("stage");
    QTest::addColumn<int>("state");
    QTest::newRow("stage past camera") << 5 << 0;
    QTest::newRow("negative stage") << -1 << 0;
    QTest::newRow("state past last") << 0 << 6;
    QTest::newRow("negative state") << 0 << -1;
}

void tst_DbVersions::badCelCodesAreRefused()
{
    QFETCH(int, stage);
    QFETCH(int, state);
    QVX_element_data element;
    element.name = QStringLiteral("bg");
    QVERIFY(m_db->dba_addElement(m_scene, element) > 0);
    dba_cel_struct cel;
    cel.name = QStringLiteral("1");
    QVERIFY(m_db->dba_addCel(element.id, cel) > 0);
    QVERIFY(!m_db->dba_setCelStageState(cel.id, stage, state));
    cel.name = QStringLiteral("2");
    cel.stage = stage;
    cel.state = state;
    QCOMPARE(m_db->dba_addCel(element.id, cel), qint64(-1));
    QVector<dba_cel_struct> cels;
    QCOMPARE(m_db->dba_GetCels(m_scene, element.id, cels), 1);
    QCOMPARE(cels[0].stage, 0);
}

void tst_DbVersions::sceneTablesRoundTrip()
{
    DBA_TableDictionary dictionary;
    dictionary.name = QStringLiteral("element_attr");
    dictionary.version = 6;
    dictionary.date = 1700000000;
    dictionary.fields = QStringList{"ID", "Name", "Folder"};
    dictionary.indexField = QStringLiteral("ID");
    QVector<QStringList> rows;
    rows << QStringList{"1", "line\nfeed", ""} << QStringList{"2", "quote \" and [\"]", "caf\u00e9"};
    // Enough rows to take several inserts.
    for (int i = 3; i <= 250; ++i)
        rows << QStringList{QString::number(i), QStringLiteral("n%1").arg(i), QStringLiteral("f")};
    QVERIFY2(m_db->dba_ReplaceSceneTable(m_scene, dictionary, rows), qPrintable(m_db->lastErrorText()));
    DBA_TableDictionary other;
    other.name = QStringLiteral("version");
    other.fields = QStringList{"ID", "Name", "Description"};
    QVERIFY(m_db->dba_ReplaceSceneTable(m_scene, other, {}));

    QCOMPARE(m_db->dba_GetSceneTableNames(m_scene), QStringList({"element_attr", "version"}));
    DBA_TableDictionary read;
    QVector<QStringList> readRows;
    QVERIFY(m_db->dba_GetSceneTable(m_scene, QStringLiteral("element_attr"), read, readRows));
    QCOMPARE(read.name, dictionary.name);
    QCOMPARE(read.version, 6);
    QCOMPARE(read.date, dictionary.date);
    QCOMPARE(read.fields, dictionary.fields);
    QCOMPARE(read.indexField, QStringLiteral("ID"));
    QCOMPARE(readRows, rows);
    QVERIFY(m_db->dba_GetSceneTable(m_scene, QStringLiteral("version"), read, readRows));
    QVERIFY(readRows.isEmpty());
    QVERIFY(read.date > 0);

    rows.resize(1);
    QVERIFY(m_db->dba_ReplaceSceneTable(m_scene, dictionary, rows));
    QVERIFY(m_db->dba_GetSceneTable(m_scene, QStringLiteral("element_attr"), read, readRows));
    QCOMPARE(readRows, rows);

    QVERIFY(m_db->dba_DeleteSceneTable(m_scene, QStringLiteral("element_attr")));
    QVERIFY(!m_db->dba_GetSceneTable(m_scene, QStringLiteral("element_attr"), read, readRows));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
    QVERIFY(!m_db->dba_DeleteSceneTable(m_scene, QStringLiteral("element_attr")));
}

void tst_DbVersions::badTablesLeaveTheOldOne_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("indexField");
    QTest::addColumn<QStringList>("row");
    QTest::newRow("short record") << "cels" << QStringList{"ID", "Name"} << QString() << QStringList{"1"};
    QTest::newRow("long record") << "cels" << QStringList{"ID"} << QString() << QStringList{"1", "2"};
    QTest::newRow("index not a field") << "cels" << QStringList{"ID"} << "Name" << QStringList{"1"};
    QTest::newRow("repeated field") << "cels" << QStringList{"ID", "ID"} << QString() << QStringList{"1", "2"};
    QTest::newRow("no fields") << "cels" << QStringList() << QString() << QStringList();
    QTest::newRow("name leaves the folder") << "../cels" << QStringList{"ID"} << QString() << QStringList{"1"};
}

void tst_DbVersions::badTablesLeaveTheOldOne()
{
    QFETCH(QString, name);
    QFETCH(QStringList, fields);
    QFETCH(QString, indexField);
    QFETCH(QStringList, row);
    DBA_TableDictionary old;
    old.name = QStringLiteral("cels");
    old.fields = QStringList{"ID"};
    QVERIFY(m_db->dba_ReplaceSceneTable(m_scene, old, {{"old"}}));

    DBA_TableDictionary bad;
    bad.name = name;
    bad.fields = fields;
    bad.indexField = indexField;
    QVERIFY(!m_db->dba_ReplaceSceneTable(m_scene, bad, {row}));
    QVERIFY(!m_db->lastErrorText().isEmpty());
    DBA_TableDictionary read;
    QVector<QStringList> rows;
    QVERIFY(m_db->dba_GetSceneTable(m_scene, QStringLiteral("cels"), read, rows));
    QCOMPARE(rows, QVector<QStringList>{{"old"}});
    QCOMPARE(m_db->dba_GetSceneTableNames(m_scene), QStringList{"cels"});
}

bool tst_DbVersions::fillSource(dba_scene_struct &scene)
{
    QVX_element_data element;
    element.name = QStringLiteral("bg");
    dba_cel_struct cel;
    cel.name = QStringLiteral("1");
    cel.stage = 2;
    DBA_TableDictionary dictionary;
    dictionary.name = QStringLiteral("version");
    dictionary.fields = QStringList{"ID", "Name"};
    const QString dir = sceneDir(scene.name);
    return m_db->dba_addSceneVersion(scene, QStringLiteral("one"), QString()) == 1
        && m_db->dba_addSceneVersion(scene, QStringLiteral("two"), QString()) == 2 && m_db->dba_setSceneFrames(scene, 48)
        && m_db->dba_addElement(scene, element) > 0 && m_db->dba_addCel(element.id, cel) > 0
        && m_db->dba_ReplaceSceneTable(scene, dictionary, {{"1", "one"}, {"2", "two"}})
        && writeFile(dir + QStringLiteral("/stage/v2.pavx"), "v2") && writeFile(dir + QStringLiteral("/elements/bg/1.tvg"), "cel")
        && writeFile(dir + QStringLiteral("/frames/f1.png"), "png") && writeFile(dir + QStringLiteral("/notes.txt"), "notes");
}

void tst_DbVersions::copyReplacesTheTargetsData_data()
{
    QTest::addColumn<bool>("allData");
    QTest::newRow("xsheet only") << false;
    QTest::newRow("all data") << true;
}

void tst_DbVersions::copyReplacesTheTargetsData()
{
    QFETCH(bool, allData);
    QVERIFY2(fillSource(m_scene), qPrintable(m_db->lastErrorText()));
    dba_scene_struct target;
    QVERIFY(openScene(QStringLiteral("s2"), target));
    QCOMPARE(m_db->sceneHasXsheet(target), 1);
    QCOMPARE(m_db->dba_addSceneVersion(target, QStringLiteral("mine"), QString(), 7), 7);
    QVX_element_data own;
    own.name = QStringLiteral("own");
    QVERIFY(m_db->dba_addElement(target, own) > 0);
    QVERIFY(writeFile(sceneDir(QStringLiteral("s2")) + QStringLiteral("/stage/v2.pavx"), "old"));

    QVERIFY2(m_db->dba_copyXsheet(m_job, QStringLiteral("s1"), m_job, QStringLiteral("s2"), allData),
             qPrintable(m_db->lastErrorText()));
    QVERIFY(m_db->dba_RefreshSceneStruct(target));
    QCOMPARE(m_db->createVersionsListStringList(target), QStringList({"1 one", "2 two"}));
    QCOMPARE(target.currentVersion, 2);
    QVERIFY(target.versionId != m_scene.versionId);
    QCOMPARE(target.frames, 48);
    const QVector<QVX_element_data> elements = m_db->read_DBA_elements(target);
    QCOMPARE(elements.size(), 1);
    QCOMPARE(elements[0].name, QStringLiteral("bg"));
    QVector<dba_cel_struct> cels;
    QCOMPARE(m_db->dba_GetCels(target, elements[0].id, cels), 1);
    QCOMPARE(cels[0].stage, 2);
    DBA_TableDictionary dictionary;
    QVector<QStringList> rows;
    QVERIFY(m_db->dba_GetSceneTable(target, QStringLiteral("version"), dictionary, rows));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(m_db->sceneHasXsheet(target), 2);

    const QString to = sceneDir(QStringLiteral("s2"));
    QCOMPARE(readFile(to + QStringLiteral("/stage/v2.pavx")), QByteArray("v2"));
    QCOMPARE(readFile(to + QStringLiteral("/elements/bg/1.tvg")), QByteArray("cel"));
    QCOMPARE(QFileInfo::exists(to + QStringLiteral("/frames/f1.png")), allData);
    QCOMPARE(QFileInfo::exists(to + QStringLiteral("/notes.txt")), allData);

    // The source keeps everything.
    QCOMPARE(m_db->read_DBA_elements(m_scene).size(), 1);
    QCOMPARE(m_db->QVX_scene_versions_of_DBA_scene(m_scene).size(), 2);
    QVERIFY(QFileInfo::exists(sceneDir(QStringLiteral("s1")) + QStringLiteral("/frames/f1.png")));
}

void tst_DbVersions::copyIsRefusedOntoABusyOrTheSameScene()
{
    QVERIFY(fillSource(m_scene));
    dba_scene_struct target;
    QVERIFY(openScene(QStringLiteral("s2"), target));
    QSqlQuery query;
    QString error;
    QVERIFY(m_db->context().connection.exec(query, QStringLiteral("UPDATE scenes SET checked_out = 1 WHERE id = ?"), {target.id}, error));
    QVERIFY(!m_db->dba_copyXsheet(m_job, QStringLiteral("s1"), m_job, QStringLiteral("s2"), true));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::Locked));
    QCOMPARE(m_db->sceneHasXsheet(target), 1);
    QVERIFY(!QFileInfo::exists(sceneDir(QStringLiteral("s2")) + QStringLiteral("/stage/v2.pavx")));

    QVERIFY(!m_db->dba_copyXsheet(m_job, QStringLiteral("s1"), m_job, QStringLiteral("s1"), true));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::Refused));
    QCOMPARE(m_db->QVX_scene_versions_of_DBA_scene(m_scene).size(), 2);
}

void tst_DbVersions::copyFileStaysInsideTheTargetScene()
{
    QVERIFY(fillSource(m_scene));
    dba_scene_struct target;
    QVERIFY(openScene(QStringLiteral("s2"), target));
    QStringList files;
    QVERIFY(m_db->dba_collectCopyXsheetInfo(m_job, QStringLiteral("s2"), m_job, QStringLiteral("s1"), files, false));
    const QString from = sceneDir(QStringLiteral("s1")), to = sceneDir(QStringLiteral("s2"));
    QCOMPARE(files, QStringList({from + "/elements/bg/1.tvg", to + "/elements/bg/1.tvg",
                                 from + "/stage/v2.pavx", to + "/stage/v2.pavx"}));
    for (int i = 0; i < files.size(); i += 2)
        QVERIFY(m_db->dba_copyFile(files[i], files[i + 1], m_job, QStringLiteral("s2"), m_job, QStringLiteral("s1")));
    QCOMPARE(readFile(to + QStringLiteral("/stage/v2.pavx")), QByteArray("v2"));

    const QString outside = m_fixture->root() + QStringLiteral("/scenes/J/evil.txt");
    QVERIFY(!m_db->dba_copyFile(files[0], outside, m_job, QStringLiteral("s2"), m_job, QStringLiteral("s1")));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::Refused));
    QVERIFY(!m_db->dba_copyFile(files[0], to + QStringLiteral("/../scene-s1/x"), m_job, QStringLiteral("s2"), m_job,
                                QStringLiteral("s1")));
    QVERIFY(!QFileInfo::exists(outside));
    QVERIFY(!QFileInfo::exists(from + QStringLiteral("/x")));
}

QTEST_GUILESS_MAIN(tst_DbVersions)
#include "tst_db_versions.moc"
