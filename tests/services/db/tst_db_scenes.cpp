#include "DbTestFixture.h"
#include "TUDbAccess.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QtTest>

// Scenes of a job: creating, listing, opening, deleting, clearing, moving,
// ordering, priority and stages; a scene's versions, elements, drawings and
// own tables, and copying them onto another scene.
class tst_DbScenes : public QObject
{
    Q_OBJECT

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    dba_job_struct m_job;
    dba_scene_struct m_scene;

    bool create(const QString &name, int position = DBA_SceneOps::AddAtBottom, int row = -1, const QString &path = {})
    {
        return m_db->dba_CreateScene(m_job, name, QString(), path.isEmpty() ? m_fixture->fileSystem() : QString(), path,
                                     position, row, 1);
    }
    bool openScene(const QString &name, dba_scene_struct &scene)
    {
        return m_db->isSceneExists(m_job, name) ? m_db->dba_OpenScene(name, m_job, scene) == 0
                                                : m_fixture->addScene(*m_db, m_job, name, &scene);
    }
    bool run(const QString &sql, const QVariantList &values = {}) { return DbTestFixture::exec(*m_db, sql, values); }
    QVariant value(const QString &sql, const QVariantList &values = {}) { return DbTestFixture::value(*m_db, sql, values); }
    int count(const QString &table) { return value("SELECT COUNT(*) FROM " + table).toInt(); }
    QString sceneDir(const QString &name) const { return m_fixture->sceneDir(name); }
    QString stageFile() const { return sceneDir("s1") + "/stage/v1.pavx"; }
    static bool writeFile(const QString &path, const QByteArray &data = "data") { return DbTestFixture::writeFile(path, data); }
    // The job's scenes in order, as listed and as its scene table holds them.
    void checkOrder(const QString &expected)
    {
        QCOMPARE(m_db->buildScenesList(m_job).join(' '), expected);
        QStringList names;
        for (int row = 0; row < m_job.scene().rowCount(); ++row)
            names << m_job.scene().data(row, DBC_Table::Name).toString();
        QCOMPARE(names.join(' '), expected);
    }
    // A lock of kind on every scene, held by another program.
    static QString lockAll(const char *kind)
    {
        return QStringLiteral("INSERT INTO locks (kind, lock_key, user_name, host, application, pid, taken) "
                              "SELECT '%1', CAST(id AS TEXT), 'other', 'h', 'a', 1, 0 FROM scenes").arg(kind);
    }

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
            && writeFile(dir + "/stage/v2.pavx", "v2") && writeFile(dir + "/elements/bg/1.tvg", "cel")
            && writeFile(dir + "/frames/f1.png", "png") && writeFile(dir + "/notes.txt", "notes");
    }

private slots:
    void init()
    {
        QVERIFY(DbTestFixture::restartWithJob(m_fixture, m_db, &m_job) && m_db->dba_changeTdAtdJob(m_job, "tina", "arno"));
    }

    void createPlacesTheScene_data()
    {
        QTest::addColumn<QString>("insert"); // name, position, row; "tied" when the existing scenes share one order
        QTest::addColumn<QString>("expected");
        QTest::newRow("bottom") << "x 1 -1" << "a c e x";
        QTest::newRow("default") << "x 0 -1" << "a c e x";
        QTest::newRow("top") << "x 2 -1" << "x a c e";
        QTest::newRow("before row 1") << "x 3 1" << "a x c e";
        QTest::newRow("before missing row") << "x 3 7" << "a c e x";
        QTest::newRow("after row 1") << "x 4 1" << "a c x e";
        QTest::newRow("after no row") << "x 4 -1" << "a c e x";
        QTest::newRow("sorted inside") << "d 5 -1" << "a c d e";
        QTest::newRow("sorted last") << "z 5 -1" << "a c e z";
        // Equal orders fall back on names; a name sorting first must not jump ahead.
        QTest::newRow("before row 2, orders tied") << "b 3 2 tied" << "a c b e";
        QTest::newRow("after row 0, orders tied") << "0 4 0 tied" << "a 0 c e";
    }
    void createPlacesTheScene()
    {
        QFETCH(QString, insert);
        QFETCH(QString, expected);
        const QStringList words = insert.split(' ');
        QVERIFY(create("a") && create("c") && create("e"));
        QVERIFY(words.size() == 3 || run("UPDATE scenes SET sort_order = 0"));
        QVERIFY2(create(words[0], words[1].toInt(), words[2].toInt()), qPrintable(m_db->lastErrorText()));
        checkOrder(expected);
    }

    void createMakesTheFolderTreeAndFillsTheSceneTable()
    {
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        QVERIFY(create("s1"));
        for (const QString &folder : DBA_FileSpaceOps::standardSceneFolders())
            QVERIFY2(QFileInfo(sceneDir("s1") + '/' + folder).isDir(), qPrintable(folder));
        dba_scene_struct scene;
        QCOMPARE(m_db->dba_OpenScene("s1", m_job, scene), 0);
        QVERIFY(m_db->dba_changePriorityScene(m_job, "s1", 7) && m_db->dba_setSceneFrames(scene, 120));
        QVERIFY(run("UPDATE scenes SET checked_out = 1, checkout_user = 'cora', checkout_date = 1234"));
        QVERIFY(m_db->dba_RefreshJob(m_job));

        const DBC_Table &table = m_job.scene();
        QCOMPARE(table.rowCount(), 1);
        const QVariantList expected = {"s1", m_fixture->fileSystem(), m_fixture->fileSystem() + "/J/scene-s1", 7, 120,
                                       "tina", "arno", 1, "cora", 1234};
        const int columns[] = {0, 2, 3, 4, 5, 16, 17, 54, 55, 56};
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(table.data(0, columns[i]).toString(), expected[i].toString());
        QVERIFY(table.data(0, 9).toLongLong() >= before && table.data(0, 9).toLongLong() <= QDateTime::currentSecsSinceEpoch());
    }

    // A given folder inside the file space is stored as a logical path; one
    // that held files is adopted but left in place by the delete.
    void createInAGivenFolder()
    {
        const QString local = m_fixture->root() + "/scenes/custom/here";
        const QString adopted = m_fixture->root() + "/scenes/custom/adopted";
        QVERIFY(writeFile(adopted + "/theirs.txt") && create("s1", 1, -1, local) && create("s2", 1, -1, adopted));
        QCOMPARE(value("SELECT path FROM scenes WHERE name = 's1'").toString(), "/QVX_DB/scenes/custom/here");
        QCOMPARE(value("SELECT owns_folder FROM scenes WHERE name = 's2'").toInt(), 0);
        QVERIFY(QFileInfo(local + "/stage").isDir() && QFileInfo(adopted + "/stage").isDir());
        QCOMPARE(value("SELECT created_by FROM scenes WHERE name = 's1'").toString(), "admin");
        // A second scene of the same name is refused and leaves the first one's folder.
        QVERIFY(writeFile(local + "/stage/v1.pavx") && !create("s1", 1, -1, local));
        QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::AlreadyExists));
        QVERIFY(m_db->dba_deleteScene(m_job, "s2") && QFile::exists(adopted + "/theirs.txt"));
        QVERIFY(m_db->dba_deleteScene(m_job, "s1") && !QFileInfo::exists(local));
        QCOMPARE(count("scenes"), 0);
    }

    // A folder another scene uses (as itself, a parent or a child) is
    // refused; its neighbours in byte order are not.
    void sharedFolderIsTheTreeOnly_data()
    {
        QTest::addColumn<QString>("used");
        QTest::addColumn<QString>("wanted");
        QTest::addColumn<bool>("refused");
        QTest::newRow("itself") << "a" << "a" << true;
        QTest::newRow("inside it") << "a" << "a/stage/sub" << true;
        QTest::newRow("holds it") << "a/x" << "a" << true;
        QTest::newRow("'-' before '/'") << "a-b" << "a" << false;
        QTest::newRow("'0' after '/'") << "a0" << "a" << false;
        QTest::newRow("beside its parent") << "a" << "a-b/x" << false;
        QTest::newRow("a longer name") << "a" << "a0" << false;
    }
    void sharedFolderIsTheTreeOnly()
    {
        QFETCH(QString, used);
        QFETCH(QString, wanted);
        QFETCH(bool, refused);
        const QString custom = m_fixture->root() + "/scenes/custom/";
        QVERIFY2(create("s1", 1, -1, custom + used), qPrintable(m_db->lastErrorText()));
        QCOMPARE(create("s2", 1, -1, custom + wanted), !refused);
        QVERIFY2(!refused || m_db->lastErrorText().contains("used by scene J/s1"), qPrintable(m_db->lastErrorText()));
    }

    // A refused or failed create leaves no record and takes away the folders
    // it made, but nothing that was there before.
    void failedCreateLeavesNothing_data()
    {
        QTest::addColumn<QStringList>("request"); // job, scene, folder ("{root}" is the file space root)
        QTest::addColumn<QString>("blocker"); // a file where a folder must go
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("absent");
        const int badName = DBA_Context::BadName, failed = DBA_Context::Failed, refused = DBA_Context::Refused;
        QTest::newRow("slash in the name") << QStringList{"J", "a/b", ""} << "" << badName << "/scenes/J";
        QTest::newRow("dotdot as the name") << QStringList{"J", "..", ""} << "" << badName << "/scenes/J";
        QTest::newRow("unknown job") << QStringList{"Nope", "s1", ""} << "" << int(DBA_Context::NotFound) << "/scenes/Nope";
        QTest::newRow("a file system") << QStringList{"J", "s1", "/QVX_DB/scenes"} << "" << refused << "/scenes/stage";
        QTest::newRow("above the root") << QStringList{"J", "s1", "/QVX_DB/.."} << "" << refused << "/scenes/stage";
        QTest::newRow("relative") << QStringList{"J", "s1", "scenes/x"} << "" << failed << "/scenes/stage";
        QTest::newRow("job folder is a file") << QStringList{"J", "s1", ""} << "/scenes/J" << failed << "";
        QTest::newRow("leftover file") << QStringList{"J", "s1", ""} << "/scenes/J/scene-s1/stage" << refused << "";
        QTest::newRow("folder name too long") << QStringList{"J", "s1", "{root}/scenes/new/" + QString(300, 'x')} << "" << failed
                                              << "/scenes/new";
    }
    void failedCreateLeavesNothing()
    {
        QFETCH(QStringList, request);
        QFETCH(QString, blocker);
        QFETCH(int, code);
        QFETCH(QString, absent);
        const QString root = m_fixture->root();
        QVERIFY(blocker.isEmpty() || writeFile(root + blocker, "mine"));
        m_job.name = request[0];
        QVERIFY(!create(request[1], 1, -1, request[2].replace("{root}", root)));
        QVERIFY(m_db->lastErrorCode() == code && !m_db->lastErrorText().isEmpty());
        QCOMPARE(count("scenes"), 0);
        QVERIFY(blocker.isEmpty() || QFile(root + blocker).size() == 4);
        QVERIFY(absent.isEmpty() || !QFileInfo::exists(root + absent));
    }

    void openFillsTheRecordAndTheStagesAreTheJobs()
    {
        dba_scene_struct scene;
        QVERIFY(create("s1") && m_db->dba_OpenScene("s1", m_job, scene) == 0);
        const qint64 id = scene.id;
        QVERIFY(!m_db->dba_isStageScene(scene) && m_db->sceneHasXsheet(scene) == 1);
        // Only a version file makes a stage scene, a backup of one does not; so does a version record.
        QVERIFY(writeFile(sceneDir("s1") + "/stage/v3.pavx.bak") && !m_db->dba_isStageScene(scene));
        QVERIFY(writeFile(sceneDir("s1") + "/stage/v3.pavx") && m_db->dba_isStageScene(scene));
        QVERIFY(QFile::remove(sceneDir("s1") + "/stage/v3.pavx"));
        QVERIFY(run("INSERT INTO scene_versions (scene_id, number, name, created) VALUES (?, 1, 'one', 0), (?, 2, 'two', 0)", {id, id}));
        QVERIFY(m_db->dba_isStageScene(scene) && m_db->sceneHasXsheet(scene) == 2);
        QVERIFY(run("UPDATE scenes SET current_version = 2, stage_index = 3"));
        QCOMPARE(m_db->dba_OpenScene("s1", m_job, scene), 0);
        QCOMPARE(QStringList({scene.name, scene.jobName, scene.environment, scene.path}),
                 QStringList({"s1", "J", "E", m_fixture->fileSystem() + "/J/scene-s1"}));
        QVERIFY(scene.id == value("SELECT id FROM scenes WHERE name = 's1'").toLongLong() && scene.currentVersion == 2 && scene.stageIndex == 3);
        QCOMPARE(scene.versionId, value("SELECT id FROM scene_versions WHERE number = 2").toLongLong());
        QVERIFY(m_db->dba_OpenScene("missing", m_job, scene) == -1 && m_db->lastErrorCode() == DBA_Context::NotFound);
        QVERIFY(m_db->isSceneExists(m_job, "s1") && !m_db->isSceneExists(m_job, "missing"));

        // A job without stages of its own has the default ones.
        const QStringList defaults = {"Layout", "Animation", "Clean-up", "Ink & Paint", "Compositing", "Final"};
        QVERIFY(m_db->dba_GetSceneStages(m_job) == defaults && m_db->dba_num_scene_stages() == 6);
        QVERIFY(m_db->dba_get_translated_scene_stage(6).isEmpty());
        QVERIFY(m_db->dba_changeSceneStage(m_job, "s1", "Compositing") && m_job.scene().data(0, DBC_Table::StageIndex).toInt() == 4);
        QVERIFY(!m_db->dba_changeSceneStage(m_job, "s1", "Rough") && m_db->lastErrorCode() == DBA_Context::NotFound);
        QVERIFY(m_db->dba_SetSceneStages(m_job, {"Rough", "Final"}) && !m_db->dba_SetSceneStages(m_job, {"Rough", "Rough"}));
        QVERIFY(m_db->dba_changeSceneStage(m_job, "s1", "Final"));
        QVERIFY(m_db->dba_OpenScene("s1", m_job, scene) == 0 && scene.stageIndex == 1);
        QVERIFY(m_db->dba_num_scene_stages() == 2 && m_db->dba_get_translated_scene_stage(0) == "Rough");
        QVERIFY(m_db->dba_SetSceneStages(m_job, {}) && m_db->dba_GetSceneStages(m_job) == defaults);

        // Priorities run 0..10; a refused one leaves the last.
        for (int priority : {0, 10, -1, 11}) {
            const bool valid = priority >= 0 && priority <= 10;
            QCOMPARE(m_db->dba_changePriorityScene(m_job, "s1", priority), valid);
            QVERIFY(m_db->dba_getPriorityScene("J", "s1") == (valid ? priority : 10)
                    && m_job.scene().data(0, DBC_Table::Priority).toInt() == (valid ? priority : 10));
        }
        QVERIFY(!m_db->dba_changePriorityScene(m_job, "missing", 5) && m_db->lastErrorCode() == DBA_Context::NotFound);
        QCOMPARE(m_db->dba_getPriorityScene("J", "missing"), -1);
        QVERIFY(m_db->dba_deleteScene(m_job, "s1") && m_db->sceneHasXsheet(scene) == 0);
    }

    // The job's listing gives the scene as an open does, in every field its table holds.
    void listedSceneIsTheOpenedOne()
    {
        dba_scene_struct opened;
        const dba_scene_details details{4, 24, 3, "ok", "ann", "tina", "arno", 1, 2, 1.5};
        QVERIFY(openScene("s1", opened) && m_db->dba_setSceneDetails(opened, details) && m_db->dba_CheckoutScene(m_job, "s1", "ann"));
        QVERIFY(m_db->dba_OpenScene("s1", m_job, opened) == 0 && m_db->dba_RefreshJob(m_job) && m_job.scene().first());
        const auto fields = [](const dba_scene_struct &s) {
            return QVariantList{s.id, s.jobId, s.name, s.jobName, s.environment, s.fileSystem, s.path, s.priority, s.frames,
                                s.stageIndex, s.approvalStage, s.assignedTo, s.td, s.atd, s.pencilTest, s.paperSize,
                                s.scanSize, s.currentVersion, s.created, s.checkedOut, s.checkoutUser, s.checkoutDate};
        };
        QCOMPARE(fields(TUDbAccess::sceneAtCurrentRow(m_job)), fields(opened));
        QCOMPARE(opened.td + opened.atd + QString::number(opened.scanSize), "tinaarno1.5");
    }

    void deleteRemovesRecordsAndFolder()
    {
        QVERIFY(create("s1") && create("s2") && writeFile(stageFile()));
        const qint64 id = value("SELECT id FROM scenes WHERE name = 's1'").toLongLong();
        QVERIFY(run("INSERT INTO scene_versions (scene_id, number, created) VALUES (?, 1, 0)", {id}));

        QVERIFY2(m_db->dba_deleteScene(m_job, "s1"), qPrintable(m_db->lastErrorText()));
        QCOMPARE(QDir(m_fixture->root() + "/scenes/J").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{"scene-s2"});
        checkOrder("s2");
        QCOMPARE(count("scene_versions"), 0);
        QVERIFY(!m_db->dba_deleteScene(m_job, "s1") && m_db->lastErrorCode() == DBA_Context::NotFound);

        // A scene whose folder is already gone is deleted all the same.
        QVERIFY(QDir(sceneDir("s2")).removeRecursively());
        QVERIFY2(m_db->dba_deleteScene(m_job, "s2"), qPrintable(m_db->lastErrorText()));
        QVERIFY(m_db->buildScenesList(m_job).isEmpty());
    }

    void deleteAndClearAreRefusedWhileInUse()
    {
        QVERIFY(create("s1"));
        const QString versionLock = "INSERT INTO locks (kind, lock_key, user_name, host, application, pid, taken) "
                                    "SELECT 'version', CAST(id AS TEXT) || ':1', 'x', 'h', 'a', 1, 0 FROM scenes";
        const QString renaming = "INSERT INTO renames (scene_id, old_name, new_name, old_path, new_path, user_name, step, "
                                 "started) SELECT id, 's1', 't1', path, path, 'x', 1, 0 FROM scenes";
        for (const QString &setUp : {lockAll("scene"), lockAll("stage"), versionLock, renaming,
                                     QString("UPDATE scenes SET checked_out = 1, checkout_user = 'o'")}) {
            QVERIFY(run(setUp));
            QVERIFY2(!m_db->dba_deleteScene(m_job, "s1") && m_db->lastErrorCode() == DBA_Context::Locked, qPrintable(setUp));
            QVERIFY(QFileInfo(sceneDir("s1") + "/stage").isDir() && m_db->isSceneExists(m_job, "s1"));
            QVERIFY(m_db->dba_clearScene(m_job, "s1") == 0 && m_db->lastErrorCode() == DBA_Context::Locked);
            QVERIFY(run("DELETE FROM locks") && run("DELETE FROM renames") && run("UPDATE scenes SET checked_out = 0"));
        }
        QVERIFY(m_db->dba_deleteScene(m_job, "s1"));
    }

    void clearKeepsVersionsAndFiles()
    {
        QVERIFY(create("s1") && create("s2"));
        for (const QString sql : {"INSERT INTO scene_versions (scene_id, number, created) SELECT id, 1, 0 FROM scenes",
                                  "INSERT INTO elements (scene_id, name) SELECT id, 'bg' FROM scenes",
                                  "INSERT INTO cels (element_id, name) SELECT id, '1' FROM elements",
                                  "INSERT INTO scene_tables (scene_id, table_name, modified, fields) SELECT id, 'version', 0, '[]' FROM scenes",
                                  "INSERT INTO scene_table_rows (scene_id, table_name, row_index, row_values) "
                                  "SELECT scene_id, table_name, 0, '[]' FROM scene_tables"})
            QVERIFY(run(sql));
        const QString file = sceneDir("s1") + "/elements/bg/1.tvg";
        QVERIFY(writeFile(file));

        QVERIFY(m_db->dba_clearScene(m_job, "s1") != 0);
        const qint64 id = value("SELECT id FROM scenes WHERE name = 's1'").toLongLong();
        for (const QString table : {"elements", "scene_tables", "scene_table_rows"})
            QCOMPARE(value("SELECT COUNT(*) FROM " + table + " WHERE scene_id = ?", {id}).toInt(), 0);
        QCOMPARE(value("SELECT COUNT(*) FROM scene_versions WHERE scene_id = ?", {id}).toInt(), 1);
        QVERIFY(count("cels") == 1 && count("scene_table_rows") == 1 && QFileInfo::exists(file)); // s2's rows
        QVERIFY(m_db->dba_clearScene(m_job, "missing") == 0 && m_db->lastErrorCode() == DBA_Context::NotFound);
    }

    // Into a folder that exists the scene is merged (copied over it), into a
    // new one it is renamed; the record follows.
    void moveMergesThenMovesBack()
    {
        const QString second = m_fixture->scratch() + "/fs2", moved = second + "/J/scene-s1";
        QVERIFY(create("s1") && writeFile(stageFile(), "new"));
        QVERIFY(writeFile(moved + "/stage/v1.pavx", "old") && writeFile(moved + "/keep.txt"));

        QVERIFY2(m_db->dba_moveScene(m_job, "s1", second + '/'), qPrintable(m_db->lastErrorText()));
        QCOMPARE(DbTestFixture::readFile(moved + "/stage/v1.pavx"), QByteArray("new"));
        QVERIFY(QFileInfo::exists(moved + "/keep.txt") && QFileInfo(moved + "/timings").isDir());
        QVERIFY(!QFileInfo::exists(sceneDir("s1")));
        QVERIFY(m_job.scene().data(0, DBC_Table::Path).toString() == moved && m_job.scene().data(0, DBC_Table::FileSystem) == second);

        QVERIFY(m_db->dba_moveScene(m_job, "s1", m_fixture->fileSystem()));
        QVERIFY(QFileInfo(stageFile()).isFile() && QFileInfo(sceneDir("s1") + "/keep.txt").isFile() && !QFileInfo::exists(moved));
        QCOMPARE(m_job.scene().data(0, DBC_Table::Path).toString(), m_fixture->fileSystem() + "/J/scene-s1");
    }

    void moveIsRefused_data()
    {
        QTest::addColumn<QString>("setUp");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<int>("code");
        const int refused = DBA_Context::Refused, locked = DBA_Context::Locked;
        QTest::newRow("same file system") << "" << "/QVX_DB/scenes" << refused;
        QTest::newRow("locked") << lockAll("scene") << "{scratch}/fs2" << locked;
        QTest::newRow("checked out") << "UPDATE scenes SET checked_out = 1" << "{scratch}/fs2" << locked;
        QTest::newRow("target cannot be made") << "" << "{scratch}/blocked" << int(DBA_Context::Failed);
        QTest::newRow("into itself") << "" << "/QVX_DB/scenes/J/scene-s1" << refused;
    }
    void moveIsRefused()
    {
        QFETCH(QString, setUp);
        QFETCH(QString, destination);
        QFETCH(int, code);
        QVERIFY(create("s1") && writeFile(stageFile()) && writeFile(m_fixture->scratch() + "/blocked/J"));
        QVERIFY(setUp.isEmpty() || run(setUp));
        QVERIFY(!m_db->dba_moveScene(m_job, "s1", destination.replace("{scratch}", m_fixture->scratch())));
        QVERIFY(m_db->lastErrorCode() == code && QFileInfo::exists(stageFile()));
        QCOMPARE(value("SELECT path FROM scenes").toString(), m_fixture->fileSystem() + "/J/scene-s1");
        QVERIFY(!QFileInfo::exists(m_fixture->scratch() + "/fs2"));
    }

    void reorderPlacesScenes()
    {
        QVERIFY(create("a") && create("b") && create("c") && create("d"));
        // Down, past the end, then what the reorder dialog sends: every row, top down.
        const std::pair<QStringList, QString> steps[] = {
            {{"a 2"}, "b c a d"}, {{"b 9"}, "c a d b"}, {{"d 0", "b 1", "a 2", "c 3"}, "d b a c"}};
        for (const auto &step : steps) {
            for (const QString &move : step.first) {
                const QStringList parts = move.split(' ');
                QVERIFY2(m_db->dba_reorderScenes(parts[0], parts[1].toInt(), m_job), qPrintable(m_db->lastErrorText()));
            }
            checkOrder(step.second);
        }
        QVERIFY(!m_db->dba_reorderScenes("a", -1, m_job));
        QVERIFY(!m_db->dba_reorderScenes("missing", 0, m_job) && m_db->lastErrorCode() == DBA_Context::NotFound);
        checkOrder("d b a c");
    }

    void versionsAreNumberedAndBecomeCurrent()
    {
        QVERIFY(openScene("s1", m_scene));
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
        QVERIFY(openScene("s1", m_scene));
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
        QVERIFY(openScene("s1", m_scene));
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
        QVERIFY(openScene("s1", m_scene));
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
        QVERIFY(openScene("s1", m_scene));
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
        QVERIFY(openScene("s1", m_scene));
        QVERIFY2(fillSource(m_scene), qPrintable(m_db->lastErrorText()));
        dba_scene_struct target;
        QVERIFY(openScene("s2", target));
        QVERIFY(m_db->sceneHasXsheet(target) == 1 && m_db->dba_addSceneVersion(target, "mine", QString(), 7) == 7);
        QVERIFY(addElement(target, "own") > 0);
        const QString to = sceneDir("s2");
        QVERIFY(writeFile(to + "/stage/v2.pavx", "old"));

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
        QVERIFY(openScene("s1", m_scene) && fillSource(m_scene) && openScene("s2", target));
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
        QVERIFY(openScene("s1", m_scene) && fillSource(m_scene) && openScene("s2", target));
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

QTEST_GUILESS_MAIN(tst_DbScenes)
#include "tst_db_scenes.moc"
