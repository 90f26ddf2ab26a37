#include "DbTestFixture.h"
#include "TUDbAccess.h"
#include "oswRemapPath.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

// Scenes of a job: creating, listing, opening, deleting, clearing, moving,
// ordering, priority and stages, on the backend the program was started for.
class tst_DbScenes : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void createPlacesTheScene_data();
    void createPlacesTheScene();
    void createBeforeASceneWithTiedOrder();
    void createMakesTheFolderTreeAndFillsTheSceneTable();
    void createStoresALocalPathAsLogical();
    void createRefusesFoldersThatHoldFileSystems_data();
    void createRefusesFoldersThatHoldFileSystems();
    void duplicateIsAlreadyExistsAndKeepsTheFirstFolder();
    void badNamesLeaveNothing_data();
    void badNamesLeaveNothing();
    void unknownJobLeavesNothing();
    void failedFolderLeavesNothing_data();
    void failedFolderLeavesNothing();
    void openFillsTheRecordWithTheCurrentVersion();
    void deleteRemovesRecordsAndFolder();
    void deleteIsRefusedWhileInUse_data();
    void deleteIsRefusedWhileInUse();
    void deleteWorksWhenTheFolderIsGone();
    void deleteKeepsAFolderAnotherSceneUses();
    void clearKeepsVersionsAndFiles();
    void moveToASecondFileSystemAndBack();
    void moveMergesIntoAnExistingFolder();
    void moveIsRefused_data();
    void moveIsRefused();
    void reorderPlacesScenes_data();
    void reorderPlacesScenes();
    void priorityStaysWithinBounds();
    void stagesComeFromTheJobOrTheDefaults();
    void stageSceneAndXsheetState();

private:
    bool makeJob(const QString &name = QStringLiteral("J"));
    bool create(const QString &name, int position = DBA_SceneOps::AddAtBottom, int row = -1);
    bool run(const QString &sql, const QVariantList &values = {});
    QVariant value(const QString &sql, const QVariantList &values = {});
    qint64 sceneId(const QString &name) { return value(QStringLiteral("SELECT id FROM scenes WHERE name = ?"), {name}).toLongLong(); }
    QStringList tableNames();
    QString sceneDir(const QString &name) const { return m_fixture->root() + QStringLiteral("/scenes/J/scene-") + name; }
    static bool writeFile(const QString &path, const QByteArray &data = "data");

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    dba_job_struct m_job;
};

void tst_DbScenes::init()
{
    m_fixture = std::make_unique<DbTestFixture>();
    m_db = m_fixture->open();
    QVERIFY2(m_db, qPrintable(m_fixture->errorString()));
    QVERIFY2(makeJob(), qPrintable(m_db->lastErrorText()));
}

void tst_DbScenes::cleanup()
{
    m_job = dba_job_struct();
    m_db.reset();
    m_fixture.reset();
}

bool tst_DbScenes::makeJob(const QString &name)
{
    dba_job_struct job;
    job.name = name;
    job.environment = QStringLiteral("E");
    job.td = QStringLiteral("tina");
    job.atd = QStringLiteral("arno");
    return (m_db->dba_ValidateEnvironmentName(job.environment) || m_db->createEnv(job.environment, true) != 0)
        && m_db->dba_createJob(job) > 0 && m_db->dba_OpenJob(name, m_job) == 0;
}

bool tst_DbScenes::create(const QString &name, int position, int row)
{
    return m_db->dba_CreateScene(m_job, name, QStringLiteral("admin"), m_fixture->fileSystem(), QString(), position, row, 1);
}

bool tst_DbScenes::run(const QString &sql, const QVariantList &values)
{
    QSqlQuery query;
    QString error;
    if (m_db->context().connection.exec(query, sql, values, error))
        return true;
    qWarning("%s: %s", qPrintable(sql), qPrintable(error));
    return false;
}

QVariant tst_DbScenes::value(const QString &sql, const QVariantList &values)
{
    QString error;
    return m_db->context().connection.scalar(sql, values, error);
}

QStringList tst_DbScenes::tableNames()
{
    QStringList names;
    for (int row = 0; row < m_job.scene().rowCount(); ++row)
        names << m_job.scene().data(row, DBC_Table::Name).toString();
    return names;
}

bool tst_DbScenes::writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

void tst_DbScenes::createPlacesTheScene_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("expected");
    const auto list = [](const char *names) { return QString::fromLatin1(names).split(QLatin1Char(' ')); };
    QTest::newRow("bottom") << "x" << 1 << -1 << list("a c e x");
    QTest::newRow("default") << "x" << 0 << -1 << list("a c e x");
    QTest::newRow("top") << "x" << 2 << -1 << list("x a c e");
    QTest::newRow("before row 1") << "x" << 3 << 1 << list("a x c e");
    QTest::newRow("before row 0") << "x" << 3 << 0 << list("x a c e");
    QTest::newRow("before missing row") << "x" << 3 << 7 << list("a c e x");
    QTest::newRow("after row 1") << "x" << 4 << 1 << list("a c x e");
    QTest::newRow("after last row") << "x" << 4 << 2 << list("a c e x");
    QTest::newRow("after no row") << "x" << 4 << -1 << list("a c e x");
    QTest::newRow("sorted inside") << "d" << 5 << -1 << list("a c d e");
    QTest::newRow("sorted first") << "a0" << 5 << -1 << list("a a0 c e");
    QTest::newRow("sorted last") << "z" << 5 << -1 << list("a c e z");
}

void tst_DbScenes::createPlacesTheScene()
{
    QFETCH(QString, name);
    QFETCH(int, position);
    QFETCH(int, row);
    QFETCH(QStringList, expected);
    for (const char *existing : {"a", "c", "e"})
        QVERIFY(create(QLatin1String(existing)));
    QVERIFY2(create(name, position, row), qPrintable(m_db->lastErrorText()));
    QCOMPARE(m_db->buildScenesList(m_job), expected);
    QCOMPARE(tableNames(), expected);
}

void tst_DbScenes::createBeforeASceneWithTiedOrder()
{
    // Equal orders fall back on names; new names sorting first must not jump ahead.
    for (const char *existing : {"c", "e", "g"})
        QVERIFY(create(QLatin1String(existing)));
    QVERIFY(run(QStringLiteral("UPDATE scenes SET sort_order = 0")));
    QVERIFY(create(QStringLiteral("a"), DBA_SceneOps::AddBefore, 1));
    QVERIFY(create(QStringLiteral("b"), DBA_SceneOps::AddAfter, 0));
    QCOMPARE(m_db->buildScenesList(m_job), QStringList({"c", "b", "a", "e", "g"}));
}

void tst_DbScenes::createMakesTheFolderTreeAndFillsTheSceneTable()
{
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    QVERIFY(create(QStringLiteral("s1")));
    for (const QString &folder : DBA_FileSpaceOps::standardSceneFolders())
        QVERIFY2(QFileInfo(sceneDir(QStringLiteral("s1")) + QLatin1Char('/') + folder).isDir(), qPrintable(folder));

    dba_scene_struct scene;
    QCOMPARE(m_db->dba_OpenScene(QStringLiteral("s1"), m_job, scene), 0);
    QVERIFY(m_db->dba_changePriorityScene(m_job, QStringLiteral("s1"), 7));
    QVERIFY(m_db->dba_setSceneFrames(scene, 120));
    QVERIFY(run(QStringLiteral("UPDATE scenes SET checked_out = 1, checkout_user = 'cora', checkout_date = 1234")));
    QVERIFY(m_db->dba_RefreshJob(m_job));

    const DBC_Table &table = m_job.scene();
    QCOMPARE(table.rowCount(), 1);
    QCOMPARE(table.data(0, 0).toString(), QStringLiteral("s1"));
    QCOMPARE(table.data(0, 2).toString(), m_fixture->fileSystem());
    QCOMPARE(table.data(0, 3).toString(), m_fixture->fileSystem() + QStringLiteral("/J/scene-s1"));
    QCOMPARE(table.data(0, 4).toInt(), 7);
    QCOMPARE(table.data(0, 5).toInt(), 120);
    QVERIFY(table.data(0, 9).toLongLong() >= before);
    QVERIFY(table.data(0, 9).toLongLong() <= QDateTime::currentSecsSinceEpoch());
    QCOMPARE(table.data(0, 16).toString(), QStringLiteral("tina"));
    QCOMPARE(table.data(0, 17).toString(), QStringLiteral("arno"));
    QCOMPARE(table.data(0, 54).toInt(), 1);
    QCOMPARE(table.data(0, 55).toString(), QStringLiteral("cora"));
    QCOMPARE(table.data(0, 56).toLongLong(), qint64(1234));
}

void tst_DbScenes::createStoresALocalPathAsLogical()
{
    const QString local = m_fixture->root() + QStringLiteral("/scenes/custom/here");
    QVERIFY(m_db->dba_CreateScene(m_job, QStringLiteral("s1"), QString(), QString(), local, 1, -1, 1));
    const QString outside = m_fixture->scratch() + QStringLiteral("/elsewhere/s2");
    QVERIFY(m_db->dba_CreateScene(m_job, QStringLiteral("s2"), QString(), QString(), outside, 1, -1, 1));
    QCOMPARE(value(QStringLiteral("SELECT path FROM scenes WHERE name = 's1'")).toString(),
             QStringLiteral("/QVX_DB/scenes/custom/here"));
    QCOMPARE(value(QStringLiteral("SELECT path FROM scenes WHERE name = 's2'")).toString(), outside);
    QVERIFY(QFileInfo(local + QStringLiteral("/stage")).isDir());
    QVERIFY(QFileInfo(outside + QStringLiteral("/stage")).isDir());
    QCOMPARE(value(QStringLiteral("SELECT created_by FROM scenes WHERE name = 's1'")).toString(), QStringLiteral("admin"));
}

void tst_DbScenes::createRefusesFoldersThatHoldFileSystems_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("file system") << QStringLiteral("/QVX_DB/scenes");
    QTest::newRow("file space root") << QStringLiteral("/QVX_DB");
    QTest::newRow("above the root") << QStringLiteral("/QVX_DB/..");
    QTest::newRow("relative") << QStringLiteral("scenes/x");
}

void tst_DbScenes::createRefusesFoldersThatHoldFileSystems()
{
    QFETCH(QString, path);
    QVERIFY(!m_db->dba_CreateScene(m_job, QStringLiteral("s1"), QString(), QString(), path, 1, -1, 1));
    QVERIFY(!m_db->lastErrorText().isEmpty());
    QVERIFY(m_db->buildScenesList(m_job).isEmpty());
    QVERIFY(!QFileInfo::exists(m_fixture->root() + QStringLiteral("/scenes/stage")));
}

void tst_DbScenes::duplicateIsAlreadyExistsAndKeepsTheFirstFolder()
{
    QVERIFY(create(QStringLiteral("s1")));
    QVERIFY(writeFile(sceneDir(QStringLiteral("s1")) + QStringLiteral("/stage/v1.pavx")));
    QVERIFY(!create(QStringLiteral("s1")));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::AlreadyExists));
    QVERIFY(QFileInfo::exists(sceneDir(QStringLiteral("s1")) + QStringLiteral("/stage/v1.pavx")));
    QCOMPARE(m_db->buildScenesList(m_job), QStringList{"s1"});
}

void tst_DbScenes::badNamesLeaveNothing_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << QString();
    QTest::newRow("slash") << QStringLiteral("a/b");
    QTest::newRow("dotdot") << QStringLiteral("..");
    QTest::newRow("quote") << QStringLiteral("it's");
    QTest::newRow("double quote") << QStringLiteral("say\"x");
    QTest::newRow("tab") << QStringLiteral("tab\there");
    QTest::newRow("control") << QStringLiteral("bell\x07");
    QTest::newRow("too long") << QString(25, QLatin1Char('x'));
}

void tst_DbScenes::badNamesLeaveNothing()
{
    QFETCH(QString, name);
    QVERIFY(!create(name));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::BadName));
    QVERIFY(m_db->buildScenesList(m_job).isEmpty());
    QVERIFY(!QFileInfo::exists(m_fixture->root() + QStringLiteral("/scenes/J")));
}

void tst_DbScenes::unknownJobLeavesNothing()
{
    dba_job_struct job;
    job.name = QStringLiteral("Nope");
    QVERIFY(!m_db->dba_CreateScene(job, QStringLiteral("s1"), QString(), m_fixture->fileSystem(), QString(), 1, -1, 1));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
    QVERIFY(!QFileInfo::exists(m_fixture->root() + QStringLiteral("/scenes/Nope")));
    QCOMPARE(value(QStringLiteral("SELECT COUNT(*) FROM scenes")).toInt(), 0);
}

void tst_DbScenes::failedFolderLeavesNothing_data()
{
    // A file where a folder must go makes the folder tree fail even as root.
    QTest::addColumn<QString>("blocker");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("madeByCreate");
    QTest::newRow("job folder is a file") << QStringLiteral("/scenes/J") << QString() << QString();
    QTest::newRow("stage folder is a file") << QStringLiteral("/scenes/J/scene-s1/stage") << QString() << QString();
    QTest::newRow("folder name too long") << QString() << QStringLiteral("/scenes/new/") + QString(300, QLatin1Char('x'))
                                          << QStringLiteral("/scenes/new");
}

void tst_DbScenes::failedFolderLeavesNothing()
{
    QFETCH(QString, blocker);
    QFETCH(QString, path);
    QFETCH(QString, madeByCreate);
    const QString root = m_fixture->root();
    if (!blocker.isEmpty())
        QVERIFY(writeFile(root + blocker, "mine"));
    QVERIFY(!m_db->dba_CreateScene(m_job, QStringLiteral("s1"), QString(), m_fixture->fileSystem(),
                                   path.isEmpty() ? QString() : root + path, 1, -1, 1));
    QVERIFY(!m_db->lastErrorText().isEmpty());
    QCOMPARE(value(QStringLiteral("SELECT COUNT(*) FROM scenes")).toInt(), 0);
    if (!blocker.isEmpty())
        QCOMPARE(QFile(root + blocker).size(), qint64(4));
    if (!madeByCreate.isEmpty())
        QVERIFY(!QFileInfo::exists(root + madeByCreate));
}

void tst_DbScenes::openFillsTheRecordWithTheCurrentVersion()
{
    QVERIFY(create(QStringLiteral("s1")));
    const qint64 id = sceneId(QStringLiteral("s1"));
    QVERIFY(run(QStringLiteral("INSERT INTO scene_versions (scene_id, number, name, created) VALUES (?, 1, 'one', 0), (?, 2, 'two', 0)"),
                {id, id}));
    QVERIFY(run(QStringLiteral("UPDATE scenes SET current_version = 2, stage_index = 3")));
    dba_scene_struct scene;
    QCOMPARE(m_db->dba_OpenScene(QStringLiteral("s1"), m_job, scene), 0);
    QCOMPARE(scene.id, id);
    QCOMPARE(scene.name, QStringLiteral("s1"));
    QCOMPARE(scene.jobName, QStringLiteral("J"));
    QCOMPARE(scene.environment, QStringLiteral("E"));
    QCOMPARE(scene.path, m_fixture->fileSystem() + QStringLiteral("/J/scene-s1"));
    QCOMPARE(scene.currentVersion, 2);
    QCOMPARE(scene.versionId, value(QStringLiteral("SELECT id FROM scene_versions WHERE number = 2")).toLongLong());
    QCOMPARE(scene.stageIndex, 3);
    QCOMPARE(m_db->dba_GetSceneLock(scene), 0);
    QCOMPARE(value(QStringLiteral("SELECT COUNT(*) FROM locks")).toInt(), 1);
    m_db->dba_CloseScene(scene);
    QVERIFY(!scene.isOpen());
    QCOMPARE(value(QStringLiteral("SELECT COUNT(*) FROM locks")).toInt(), 0);

    QCOMPARE(m_db->dba_OpenScene(QStringLiteral("missing"), m_job, scene), -1);
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
    QVERIFY(!scene.isOpen());
    QVERIFY(m_db->isSceneExists(m_job, QStringLiteral("s1")));
    QVERIFY(!m_db->isSceneExists(m_job, QStringLiteral("missing")));
}

void tst_DbScenes::deleteRemovesRecordsAndFolder()
{
    QVERIFY(create(QStringLiteral("s1")));
    QVERIFY(create(QStringLiteral("s2")));
    const qint64 id = sceneId(QStringLiteral("s1"));
    QVERIFY(writeFile(sceneDir(QStringLiteral("s1")) + QStringLiteral("/stage/v1.pavx")));
    QVERIFY(run(QStringLiteral("INSERT INTO scene_versions (scene_id, number, created) VALUES (?, 1, 0)"), {id}));
    QVERIFY(run(QStringLiteral("INSERT INTO locks (kind, lock_key, user_name, host, application, pid, taken) "
                               "VALUES ('version', ?, 'x', 'h', 'a', 1, 0)"),
                {QStringLiteral("%1:1").arg(id)}));

    QVERIFY2(m_db->dba_deleteScene(m_job, QStringLiteral("s1")), qPrintable(m_db->lastErrorText()));
    QVERIFY(!QFileInfo::exists(sceneDir(QStringLiteral("s1"))));
    QCOMPARE(QDir(m_fixture->root() + QStringLiteral("/scenes/J")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"scene-s2"});
    QCOMPARE(tableNames(), QStringList{"s2"});
    QCOMPARE(value(QStringLiteral("SELECT COUNT(*) FROM scene_versions")).toInt(), 0);
    QCOMPARE(value(QStringLiteral("SELECT COUNT(*) FROM locks")).toInt(), 0);

    QVERIFY(!m_db->dba_deleteScene(m_job, QStringLiteral("s1")));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
}

void tst_DbScenes::deleteIsRefusedWhileInUse_data()
{
    QTest::addColumn<QString>("setUp");
    QTest::addColumn<QString>("release");
    const QString lock = QStringLiteral("INSERT INTO locks (kind, lock_key, user_name, host, application, pid, taken) "
                                        "SELECT '%1', CAST(id AS TEXT), 'other', 'h', 'a', 1, 0 FROM scenes");
    QTest::newRow("scene lock") << lock.arg(QLatin1String("scene")) << QStringLiteral("DELETE FROM locks");
    QTest::newRow("stage lock") << lock.arg(QLatin1String("stage")) << QStringLiteral("DELETE FROM locks");
    QTest::newRow("checked out") << QStringLiteral("UPDATE scenes SET checked_out = 1, checkout_user = 'other'")
                                 << QStringLiteral("UPDATE scenes SET checked_out = 0");
}

void tst_DbScenes::deleteIsRefusedWhileInUse()
{
    QFETCH(QString, setUp);
    QFETCH(QString, release);
    QVERIFY(create(QStringLiteral("s1")));
    QVERIFY(run(setUp));
    QVERIFY(!m_db->dba_deleteScene(m_job, QStringLiteral("s1")));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::Locked));
    QVERIFY(QFileInfo(sceneDir(QStringLiteral("s1")) + QStringLiteral("/stage")).isDir());
    QVERIFY(m_db->isSceneExists(m_job, QStringLiteral("s1")));
    QCOMPARE(m_db->dba_clearScene(m_job, QStringLiteral("s1")), 0);
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::Locked));

    QVERIFY(run(release));
    QVERIFY(m_db->dba_deleteScene(m_job, QStringLiteral("s1")));
}

void tst_DbScenes::deleteWorksWhenTheFolderIsGone()
{
    QVERIFY(create(QStringLiteral("s1")));
    QVERIFY(QDir(sceneDir(QStringLiteral("s1"))).removeRecursively());
    QVERIFY2(m_db->dba_deleteScene(m_job, QStringLiteral("s1")), qPrintable(m_db->lastErrorText()));
    QVERIFY(m_db->buildScenesList(m_job).isEmpty());
}

void tst_DbScenes::deleteKeepsAFolderAnotherSceneUses()
{
    const QString shared = m_fixture->root() + QStringLiteral("/scenes/shared");
    QVERIFY(m_db->dba_CreateScene(m_job, QStringLiteral("s1"), QString(), QString(), shared, 1, -1, 1));
    QVERIFY(m_db->dba_CreateScene(m_job, QStringLiteral("s2"), QString(), QString(), shared, 1, -1, 1));
    QVERIFY(m_db->dba_deleteScene(m_job, QStringLiteral("s1")));
    QVERIFY(QFileInfo(shared + QStringLiteral("/stage")).isDir());
    QVERIFY(m_db->dba_deleteScene(m_job, QStringLiteral("s2")));
    QVERIFY(!QFileInfo::exists(shared));
}

void tst_DbScenes::clearKeepsVersionsAndFiles()
{
    QVERIFY(create(QStringLiteral("s1")));
    QVERIFY(create(QStringLiteral("s2")));
    const QStringList perScene = {
        QStringLiteral("INSERT INTO scene_versions (scene_id, number, created) SELECT id, 1, 0 FROM scenes"),
        QStringLiteral("INSERT INTO elements (scene_id, name) SELECT id, 'bg' FROM scenes"),
        QStringLiteral("INSERT INTO cels (element_id, name) SELECT id, '1' FROM elements"),
        QStringLiteral("INSERT INTO scene_tables (scene_id, table_name, modified, fields) SELECT id, 'version', 0, '[]' FROM scenes"),
        QStringLiteral("INSERT INTO scene_table_rows (scene_id, table_name, row_index, row_values) "
                       "SELECT scene_id, table_name, 0, '[]' FROM scene_tables"),
    };
    for (const QString &sql : perScene)
        QVERIFY(run(sql));
    const QString file = sceneDir(QStringLiteral("s1")) + QStringLiteral("/elements/bg/1.tvg");
    QVERIFY(writeFile(file));

    QVERIFY(m_db->dba_clearScene(m_job, QStringLiteral("s1")) != 0);
    const qint64 id = sceneId(QStringLiteral("s1"));
    for (const char *table : {"elements", "scene_tables", "scene_table_rows"})
        QCOMPARE(value(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE scene_id = ?").arg(QLatin1String(table)), {id}).toInt(), 0);
    QCOMPARE(value(QStringLiteral("SELECT COUNT(*) FROM scene_versions WHERE scene_id = ?"), {id}).toInt(), 1);
    QCOMPARE(value(QStringLiteral("SELECT COUNT(*) FROM cels")).toInt(), 1); // s2's
    QCOMPARE(value(QStringLiteral("SELECT COUNT(*) FROM scene_table_rows")).toInt(), 1);
    QVERIFY(QFileInfo::exists(file));

    QCOMPARE(m_db->dba_clearScene(m_job, QStringLiteral("missing")), 0);
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
}

void tst_DbScenes::moveToASecondFileSystemAndBack()
{
    const QString second = m_fixture->scratch() + QStringLiteral("/fs2");
    QVERIFY(m_db->dba_AddFileSystem(second));
    QVERIFY(create(QStringLiteral("s1")));
    QVERIFY(writeFile(sceneDir(QStringLiteral("s1")) + QStringLiteral("/stage/v1.pavx"), "v1"));

    QVERIFY2(m_db->dba_moveScene(m_job, QStringLiteral("s1"), second + QLatin1Char('/')), qPrintable(m_db->lastErrorText()));
    const QString moved = second + QStringLiteral("/J/scene-s1");
    QVERIFY(QFileInfo(moved + QStringLiteral("/stage/v1.pavx")).isFile());
    QVERIFY(!QFileInfo::exists(sceneDir(QStringLiteral("s1"))));
    QCOMPARE(m_job.scene().data(0, DBC_Table::Path).toString(), moved);
    QCOMPARE(m_job.scene().data(0, DBC_Table::FileSystem).toString(), second);

    QVERIFY(m_db->dba_moveScene(m_job, QStringLiteral("s1"), m_fixture->fileSystem()));
    QVERIFY(QFileInfo(sceneDir(QStringLiteral("s1")) + QStringLiteral("/stage/v1.pavx")).isFile());
    QVERIFY(!QFileInfo::exists(moved));
    QCOMPARE(m_job.scene().data(0, DBC_Table::Path).toString(), m_fixture->fileSystem() + QStringLiteral("/J/scene-s1"));
}

void tst_DbScenes::moveMergesIntoAnExistingFolder()
{
    const QString second = m_fixture->scratch() + QStringLiteral("/fs2");
    const QString target = second + QStringLiteral("/J/scene-s1");
    QVERIFY(create(QStringLiteral("s1")));
    QVERIFY(writeFile(sceneDir(QStringLiteral("s1")) + QStringLiteral("/stage/v1.pavx"), "new"));
    QVERIFY(writeFile(target + QStringLiteral("/stage/v1.pavx"), "old"));
    QVERIFY(writeFile(target + QStringLiteral("/keep.txt")));

    QVERIFY2(m_db->dba_moveScene(m_job, QStringLiteral("s1"), second), qPrintable(m_db->lastErrorText()));
    QFile version(target + QStringLiteral("/stage/v1.pavx"));
    QVERIFY(version.open(QIODevice::ReadOnly));
    QCOMPARE(version.readAll(), QByteArray("new"));
    QVERIFY(QFileInfo::exists(target + QStringLiteral("/keep.txt")));
    QVERIFY(QFileInfo(target + QStringLiteral("/timings")).isDir());
    QVERIFY(!QFileInfo::exists(sceneDir(QStringLiteral("s1"))));
}

void tst_DbScenes::moveIsRefused_data()
{
    QTest::addColumn<QString>("setUp");
    QTest::addColumn<QString>("destination");
    QTest::addColumn<int>("code");
    QTest::newRow("same file system") << QString() << QStringLiteral("/QVX_DB/scenes") << int(DBA_Context::Refused);
    QTest::newRow("locked") << QStringLiteral("INSERT INTO locks (kind, lock_key, user_name, host, application, pid, taken) "
                                              "SELECT 'scene', CAST(id AS TEXT), 'o', 'h', 'a', 1, 0 FROM scenes")
                            << QStringLiteral("{scratch}/fs2") << int(DBA_Context::Locked);
    QTest::newRow("checked out") << QStringLiteral("UPDATE scenes SET checked_out = 1") << QStringLiteral("{scratch}/fs2")
                                 << int(DBA_Context::Locked);
    QTest::newRow("target cannot be made") << QString() << QStringLiteral("{scratch}/blocked") << int(DBA_Context::Failed);
    QTest::newRow("into itself") << QString() << QStringLiteral("/QVX_DB/scenes/J/scene-s1") << int(DBA_Context::Refused);
}

void tst_DbScenes::moveIsRefused()
{
    QFETCH(QString, setUp);
    QFETCH(QString, destination);
    QFETCH(int, code);
    QVERIFY(create(QStringLiteral("s1")));
    QVERIFY(writeFile(sceneDir(QStringLiteral("s1")) + QStringLiteral("/stage/v1.pavx")));
    QVERIFY(writeFile(m_fixture->scratch() + QStringLiteral("/blocked/J")));
    if (!setUp.isEmpty())
        QVERIFY(run(setUp));
    destination.replace(QStringLiteral("{scratch}"), m_fixture->scratch());

    QVERIFY(!m_db->dba_moveScene(m_job, QStringLiteral("s1"), destination));
    QCOMPARE(m_db->lastErrorCode(), code);
    QVERIFY(QFileInfo::exists(sceneDir(QStringLiteral("s1")) + QStringLiteral("/stage/v1.pavx")));
    QCOMPARE(value(QStringLiteral("SELECT path FROM scenes")).toString(), m_fixture->fileSystem() + QStringLiteral("/J/scene-s1"));
    QVERIFY(!QFileInfo::exists(m_fixture->scratch() + QStringLiteral("/fs2")));
}

void tst_DbScenes::reorderPlacesScenes_data()
{
    QTest::addColumn<QStringList>("moves"); // "<name> <position>" each
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("down") << QStringList{"a 2"} << QStringList{"b", "c", "a", "d"};
    QTest::newRow("up") << QStringList{"d 1"} << QStringList{"a", "d", "b", "c"};
    QTest::newRow("to the end") << QStringList{"b 3"} << QStringList{"a", "c", "d", "b"};
    QTest::newRow("past the end") << QStringList{"a 9"} << QStringList{"b", "c", "d", "a"};
    QTest::newRow("in place") << QStringList{"c 2"} << QStringList{"a", "b", "c", "d"};
    // What the reorder dialog sends: every row, top down.
    QTest::newRow("whole list") << QStringList{"d 0", "b 1", "a 2", "c 3"} << QStringList{"d", "b", "a", "c"};
}

void tst_DbScenes::reorderPlacesScenes()
{
    QFETCH(QStringList, moves);
    QFETCH(QStringList, expected);
    for (const char *name : {"a", "b", "c", "d"})
        QVERIFY(create(QLatin1String(name)));
    for (const QString &move : moves) {
        const QStringList parts = move.split(QLatin1Char(' '));
        QVERIFY2(m_db->dba_reorderScenes(parts[0], parts[1].toInt(), m_job), qPrintable(m_db->lastErrorText()));
    }
    QCOMPARE(m_db->buildScenesList(m_job), expected);
    QCOMPARE(tableNames(), expected);
    QVERIFY(!m_db->dba_reorderScenes(QStringLiteral("a"), -1, m_job));
    QVERIFY(!m_db->dba_reorderScenes(QStringLiteral("missing"), 0, m_job));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
}

void tst_DbScenes::priorityStaysWithinBounds()
{
    QVERIFY(create(QStringLiteral("s1")));
    for (int priority : {0, 10}) {
        QVERIFY(m_db->dba_changePriorityScene(m_job, QStringLiteral("s1"), priority));
        QCOMPARE(m_db->dba_getPriorityScene(QStringLiteral("J"), QStringLiteral("s1")), priority);
        QCOMPARE(m_job.scene().data(0, DBC_Table::Priority).toInt(), priority);
    }
    for (int priority : {-1, 11}) {
        QVERIFY(!m_db->dba_changePriorityScene(m_job, QStringLiteral("s1"), priority));
        QCOMPARE(m_db->dba_getPriorityScene(QStringLiteral("J"), QStringLiteral("s1")), 10);
    }
    QVERIFY(!m_db->dba_changePriorityScene(m_job, QStringLiteral("missing"), 5));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
    QCOMPARE(m_db->dba_getPriorityScene(QStringLiteral("J"), QStringLiteral("missing")), -1);
}

void tst_DbScenes::stagesComeFromTheJobOrTheDefaults()
{
    QVERIFY(create(QStringLiteral("s1")));
    const QStringList defaults = {"Layout", "Animation", "Clean-up", "Ink & Paint", "Compositing", "Final"};
    QCOMPARE(m_db->dba_GetSceneStages(m_job), defaults);
    QCOMPARE(m_db->dba_num_scene_stages(), defaults.size());
    QCOMPARE(m_db->dba_get_translated_scene_stage(3), QStringLiteral("Ink & Paint"));
    QVERIFY(m_db->dba_get_translated_scene_stage(6).isEmpty());

    QVERIFY(m_db->dba_changeSceneStage(m_job, QStringLiteral("s1"), QStringLiteral("Compositing")));
    QCOMPARE(m_job.scene().data(0, DBC_Table::StageIndex).toInt(), 4);
    QVERIFY(!m_db->dba_changeSceneStage(m_job, QStringLiteral("s1"), QStringLiteral("Rough")));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));

    QVERIFY(m_db->dba_SetSceneStages(m_job, {"Rough", "Final"}));
    QVERIFY(!m_db->dba_SetSceneStages(m_job, {"Rough", "Rough"}));
    QVERIFY(m_db->dba_changeSceneStage(m_job, QStringLiteral("s1"), QStringLiteral("Final")));
    dba_scene_struct scene;
    QCOMPARE(m_db->dba_OpenScene(QStringLiteral("s1"), m_job, scene), 0);
    QCOMPARE(scene.stageIndex, 1);
    QCOMPARE(m_db->dba_num_scene_stages(), 2);
    QCOMPARE(m_db->dba_get_translated_scene_stage(0), QStringLiteral("Rough"));

    QVERIFY(m_db->dba_SetSceneStages(m_job, {}));
    QCOMPARE(m_db->dba_GetSceneStages(m_job), defaults);
}

void tst_DbScenes::stageSceneAndXsheetState()
{
    QVERIFY(create(QStringLiteral("s1")));
    dba_scene_struct scene;
    QCOMPARE(m_db->dba_OpenScene(QStringLiteral("s1"), m_job, scene), 0);
    QVERIFY(!m_db->dba_isStageScene(scene));
    QCOMPARE(m_db->sceneHasXsheet(scene), 1);

    QVERIFY(writeFile(sceneDir(QStringLiteral("s1")) + QStringLiteral("/stage/v3.pavx.bak")));
    QVERIFY(!m_db->dba_isStageScene(scene));
    QVERIFY(writeFile(sceneDir(QStringLiteral("s1")) + QStringLiteral("/stage/v3.pavx")));
    QVERIFY(m_db->dba_isStageScene(scene));
    QVERIFY(QFile::remove(sceneDir(QStringLiteral("s1")) + QStringLiteral("/stage/v3.pavx")));

    QVERIFY(run(QStringLiteral("INSERT INTO scene_versions (scene_id, number, created) VALUES (?, 1, 0)"), {scene.id}));
    QVERIFY(m_db->dba_isStageScene(scene));
    QCOMPARE(m_db->sceneHasXsheet(scene), 2);

    QVERIFY(m_db->dba_deleteScene(m_job, QStringLiteral("s1")));
    QCOMPARE(m_db->sceneHasXsheet(scene), 0);
}

QTEST_GUILESS_MAIN(tst_DbScenes)
#include "tst_db_scenes.moc"
