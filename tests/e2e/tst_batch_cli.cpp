#include "DbTestFixture.h"
#include "TUDbAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

// The built tallyard run as a studio's pipeline runs it: command line in,
// exit status, standard error and the database out.
class tst_BatchCli : public QObject
{
    Q_OBJECT

    struct Run {
        int status;
        QString out;
        QString err;
    };

    Run tallyard(const QStringList &arguments, const QProcessEnvironment &extra = {})
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TALLYARD_DB"), m_fixture->url().toString());
        env.insert(QStringLiteral("TALLYARD_EDITOR"), QStringLiteral(FAKE_EDITOR));
        env.insert(QStringLiteral("FAKE_EDITOR_LOG"), editorLog());
        for (const QString &key : extra.keys())
            env.insert(key, extra.value(key));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(TALLYARD_BIN), arguments);
        if (!process.waitForFinished(60000))
            return {-1, {}, QStringLiteral("timed out")};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
                QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
    }

    QString editorLog() const { return m_fixture->scratch() + QStringLiteral("/editor.log"); }
    QString fileSystem() const { return m_fixture->root() + QStringLiteral("/scenes"); }
    QString sceneFolder(const QString &job, const QString &scene) const
    {
        return fileSystem() + QLatin1Char('/') + job + QStringLiteral("/scene-") + scene;
    }

    static QStringList asUser(const QString &user, QStringList arguments)
    {
        return arguments << QStringLiteral("-user") << user;
    }

    void seed()
    {
        QCOMPARE(tallyard(asUser("admin", {"-create", "-env", "E"})).status, 0);
        QCOMPARE(tallyard(asUser("admin", {"-create", "-env", "E", "-job", "J", "-TD", "admin", "-ATD", "admin"})).status, 0);
        for (const char *scene : {"s1", "s2"}) {
            const Run run = tallyard(asUser("admin", {"-create", "-env", "E", "-job", "J", "-scene", scene, "-filesys", fileSystem()}));
            QVERIFY2(run.status == 0, qPrintable(run.err));
        }
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<DbTestFixture>();
        QVERIFY2(m_fixture->initialize(), qPrintable(m_fixture->errorString()));
        m_db = m_fixture->open();
        QVERIFY(m_db);
        QCOMPARE(m_db->addUser(QStringLiteral("animator"), QStringLiteral("A"), QStringLiteral("N"), QString(),
                               DBA_UserOps::ANIMATOR), 0);
    }
    void cleanup()
    {
        m_db.reset();
        m_fixture.reset();
    }

    void usageAndEndings_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("firstLine");
        QTest::addColumn<bool>("banner");
        QTest::newRow("lone batch") << QStringList{"-batch"} << 0 << QString() << false;
        QTest::newRow("help") << QStringList{"-help"} << 0 << QString() << true;
        QTest::newRow("unknown") << QStringList{"-nonsense"} << 1 << QStringLiteral("Unknown parameter: -nonsense.") << false;
        QTest::newRow("missing value") << QStringList{"-runScript"} << 1 << QStringLiteral("Unknown parameter: -runScript.") << false;
    }
    void usageAndEndings()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, firstLine);
        QFETCH(bool, banner);
        QFile golden(QStringLiteral(GOLDEN_DIR "/usage.txt"));
        QVERIFY(golden.open(QIODevice::ReadOnly));
        const QString usage = QString::fromUtf8(golden.readAll());
        const Run run = tallyard(arguments);
        QCOMPARE(run.status, status);
        const QString expected = firstLine.isEmpty() ? usage : firstLine + QLatin1Char('\n') + usage;
        QCOMPARE(run.err, expected);
        QCOMPARE(run.out.startsWith(QStringLiteral("Tallyard ")), banner);
    }

    void versionPrintsTheBanner()
    {
        const Run run = tallyard({"-v"});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.startsWith(QStringLiteral("Tallyard ")));
        QVERIFY(run.err.isEmpty());
    }

    void nameErrorsStopTheRun()
    {
        const Run run = tallyard(asUser("admin", {"-create", "-env", QString(30, 'e'), "-scene", QString(30, 's')}));
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("Environment name is too long (> 25 char).")), qPrintable(run.err));
        QVERIFY(run.err.contains(QStringLiteral("Scene name not valid.")));
        QVERIFY(!run.err.contains(QStringLiteral("Job name")));
        QStringList environments;
        QCOMPARE(m_db->dba_GetEnvironments(environments), 0);
    }

    void unknownUserIsRefused()
    {
        const Run run = tallyard({"-create", "-env", "E", "-user", "ghost"});
        QCOMPARE(run.status, 1);
        QVERIFY(run.err.contains(QStringLiteral("Invalid user name, use the \"-user valid_user_name\" option.")));
        QStringList environments;
        QCOMPARE(m_db->dba_GetEnvironments(environments), 0);
    }

    void unreachableDatabaseIsReported()
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("TALLYARD_DB"), QStringLiteral("sqlite://") + m_fixture->scratch() + QStringLiteral("/none"));
        const Run run = tallyard(asUser("admin", {"-create", "-env", "E"}), env);
        QCOMPARE(run.status, 1);
        QVERIFY(run.err.contains(QStringLiteral("Could not connect to the database, exiting application.")));
    }

    void createThenDelete()
    {
        seed();
        QVERIFY(QFileInfo(sceneFolder("J", "s1") + QStringLiteral("/stage")).isDir());
        dba_job_struct job;
        QCOMPARE(m_db->dba_OpenJob(QStringLiteral("J"), job), 0);
        QCOMPARE(m_db->buildScenesList(job), QStringList({"s1", "s2"}));
        QCOMPARE(job.td, QStringLiteral("admin"));
        QCOMPARE(job.priority, 5);
        m_db->dba_CloseJob(job);

        const Run top = tallyard(asUser("admin", {"-create", "-env", "E", "-job", "J", "-scene", "s0", "-filesys",
                                                  QStringLiteral("host:") + fileSystem(), "-top"}));
        QCOMPARE(top.status, 0);
        QCOMPARE(m_db->dba_OpenJob(QStringLiteral("J"), job), 0);
        QCOMPARE(m_db->buildScenesList(job), QStringList({"s0", "s1", "s2"}));
        m_db->dba_CloseJob(job);

        QCOMPARE(tallyard(asUser("admin", {"-delete", "-env", "E", "-job", "J", "-scene", "s1"})).status, 0);
        QVERIFY(!QFileInfo::exists(sceneFolder("J", "s1")));
        QCOMPARE(tallyard(asUser("admin", {"-delete", "-env", "E", "-job", "J"})).status, 0);
        QVERIFY(!QFileInfo::exists(sceneFolder("J", "s2")));
        QCOMPARE(tallyard(asUser("admin", {"-delete", "-env", "E"})).status, 0);
        QStringList environments;
        QCOMPARE(m_db->dba_GetEnvironments(environments), 0);
    }

    void createRefusals_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("existing environment") << QStringList{"-create", "-env", "E"} << 2 << QStringLiteral("Could not create environment E");
        QTest::newRow("job in unknown environment") << QStringList{"-create", "-env", "X", "-job", "K"} << 2
                                                    << QStringLiteral("Could not create job K in environment X");
        QTest::newRow("unknown job") << QStringList{"-create", "-env", "E", "-job", "K", "-scene", "s", "-filesys", "/tmp"}
                                     << 2 << QStringLiteral("Error opening job: K.");
        QTest::newRow("missing file system") << QStringList{"-create", "-env", "E", "-job", "J", "-scene", "s", "-filesys", "/no/such/fs"}
                                             << 2 << QStringLiteral("File System /no/such/fs, Not Found.");
        QTest::newRow("no file system") << QStringList{"-create", "-env", "E", "-job", "J", "-scene", "s"} << 2
                                        << QStringLiteral("File System , Not Found.");
        QTest::newRow("existing scene") << QStringList{"-create", "-env", "E", "-job", "J", "-scene", "s1", "-filesys", "FS"}
                                        << 2 << QStringLiteral("Could not create scene s1");
        QTest::newRow("bad scene name") << QStringList{"-create", "-env", "E", "-job", "J", "-scene", "a'b", "-filesys", "FS"}
                                        << 2 << QStringLiteral("Could not create scene a'b");
        QTest::newRow("delete unknown scene") << QStringList{"-delete", "-env", "E", "-job", "J", "-scene", "nope"} << 2
                                              << QStringLiteral("Error trying to delete scene nope\n");
        QTest::newRow("delete unknown job") << QStringList{"-delete", "-env", "E", "-job", "nope"} << 1
                                            << QStringLiteral("Could not delete job nope");
        QTest::newRow("delete busy environment") << QStringList{"-delete", "-env", "E"} << 1
                                                 << QStringLiteral("Could not delete environment E");
    }
    void createRefusals()
    {
        seed();
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        arguments.replaceInStrings(QRegularExpression(QStringLiteral("^FS$")), fileSystem());
        const Run run = tallyard(asUser("admin", arguments));
        QCOMPARE(run.status, status);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
    }

    void deleteNeedsTheRight()
    {
        seed();
        const Run run = tallyard(asUser("animator", {"-delete", "-env", "E", "-job", "J", "-scene", "s1"}));
        QCOMPARE(run.status, 2);
        QVERIFY(run.err.contains(QStringLiteral("You do not have the permission necessary to delete scenes --\n"
                                                "please contact your supervisor or TD to change your user type\n"
                                                "or to delete the scenes\n")));
        QVERIFY(QFileInfo::exists(sceneFolder("J", "s1")));
    }

    void lockedOrCheckedOutScenesStay()
    {
        seed();
        dba_job_struct job;
        QCOMPARE(m_db->dba_OpenJob(QStringLiteral("J"), job), 0);
        dba_scene_struct scene;
        QCOMPARE(m_db->dba_OpenScene(QStringLiteral("s1"), job, scene), 0);
        QCOMPARE(m_db->dba_GetSceneLock(scene), 0);
        QVERIFY(m_db->dba_CheckoutScene(job, QStringLiteral("s2"), QStringLiteral("admin")));

        const Run locked = tallyard(asUser("admin", {"-delete", "-env", "E", "-job", "J", "-scene", "s1"}));
        QCOMPARE(locked.status, 2);
        QVERIFY(QFileInfo::exists(sceneFolder("J", "s1")));
        const Run renameLocked = tallyard(asUser("admin", {"-rename", "-env", "E", "-job", "J", "-scene", "s1", "-name", "t1"}));
        QCOMPARE(renameLocked.status, 2);
        QVERIFY(renameLocked.err.contains(QStringLiteral("Scene s1 is currently locked, can't rename\n")));
        const Run checkedOut = tallyard(asUser("admin", {"-delete", "-env", "E", "-job", "J", "-scene", "s2"}));
        QCOMPARE(checkedOut.status, 2);
        QVERIFY(QFileInfo::exists(sceneFolder("J", "s2")));

        m_db->dba_ReleaseSceneLock(scene);
        m_db->dba_CloseScene(scene);
        QCOMPARE(tallyard(asUser("admin", {"-delete", "-env", "E", "-job", "J", "-scene", "s1"})).status, 0);
    }

    void renameChecksInOrder_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("env") << QStringList{"-rename", "-job", "J"} << QStringLiteral("Error no -env was specified");
        QTest::newRow("job") << QStringList{"-rename", "-env", "E"} << QStringLiteral("Error no -job was specified");
        QTest::newRow("scene") << QStringList{"-rename", "-env", "E", "-job", "J"} << QStringLiteral("Error no -scene was specified");
        QTest::newRow("name") << QStringList{"-rename", "-env", "E", "-job", "J", "-scene", "s1"} << QStringLiteral("Error no -name was specified");
    }
    void renameChecksInOrder()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const Run run = tallyard(asUser("admin", arguments));
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
    }

    void renameMovesRecordAndFolder()
    {
        seed();
        const Run run = tallyard(asUser("admin", {"-rename", "-env", "E", "-job", "J", "-scene", "s1", "-name", "t1"}));
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY(QFileInfo(sceneFolder("J", "t1")).isDir());
        QVERIFY(!QFileInfo::exists(sceneFolder("J", "s1")));
        dba_job_struct job;
        QCOMPARE(m_db->dba_OpenJob(QStringLiteral("J"), job), 0);
        QCOMPARE(m_db->buildScenesList(job), QStringList({"t1", "s2"}));

        const Run refused = tallyard(asUser("animator", {"-rename", "-env", "E", "-job", "J", "-scene", "t1", "-name", "u1"}));
        QCOMPARE(refused.status, 1);
        QVERIFY(refused.err.contains(QStringLiteral("You do not have the permission necessary to rename scenes")));
    }

    void editorRunsOverScenes()
    {
        seed();
        const QString script = m_fixture->scratch() + QStringLiteral("/relink.js");
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("print('hi');\n");
        file.close();

        Run run = tallyard(asUser("admin", {"-runPavaneScript", script, "-env", "E", "-job", "J"}));
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QFile log(editorLog());
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines, QStringList({"E\tJ\ts1\t-compile\t" + script + "\t-user\tadmin\t-lockScene",
                                     "E\tJ\ts2\t-compile\t" + script + "\t-user\tadmin\t-lockScene"}));
        log.close();
        QFile::remove(editorLog());

        run = tallyard(asUser("admin", {"-runPavaneScript", script, "-env", "E", "-job", "J", "-scene", "s2",
                                        "-scene_version", "3"}));
        QCOMPARE(run.status, 0);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(log.readAll()), "E\tJ\ts2\t3\t-compile\t" + script + "\t-user\tadmin\t-lockScene\n");
    }

    void editorScriptRefusals()
    {
        seed();
        Run run = tallyard(asUser("admin", {"-runPavaneScript", "/no/such.js", "-env", "E", "-job", "J"}));
        QVERIFY(run.err.contains(QStringLiteral("Script /no/such.js doesn't exist.")));
        QVERIFY(!QFileInfo::exists(editorLog()));

        QProcessEnvironment env;
        env.insert(QStringLiteral("TALLYARD_EDITOR"), QStringLiteral("/no/such/editor"));
        run = tallyard(asUser("admin", {"-runPavaneScript", QStringLiteral(TALLYARD_BIN), "-env", "E", "-job", "J",
                                        "-scene", "s1"}), env);
        QVERIFY2(run.err.contains(QStringLiteral(" Cannot load scene s1.")), qPrintable(run.err));
    }

    void legacyReturnCodeIsZeroOrOne()
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("KS_OLD_RETURN_CODE"), QStringLiteral("1"));
        QCOMPARE(tallyard(asUser("admin", {"-create", "-env", "E"}), env).status, 0);
        QCOMPARE(tallyard(asUser("admin", {"-create", "-env", "E"}), env).status, 1);
        QCOMPARE(tallyard({"-create", "-env", "F", "-user", "ghost"}, env).status, 1);
    }

private:
    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
};

QTEST_GUILESS_MAIN(tst_BatchCli)
#include "tst_batch_cli.moc"
