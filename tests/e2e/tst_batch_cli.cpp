#include "DbTestFixture.h"
#include "ProgramRun.h"
#include "TUDbAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

// The built tallyard run as a studio's pipeline runs it: command line in,
// exit status, standard error, the database and the scene folders out.
class tst_BatchCli : public QObject
{
    Q_OBJECT

    using Run = ProgramRun;

    Run tallyard(const QStringList &arguments, const QProcessEnvironment &extra = {})
    {
        QProcessEnvironment env;
        env.insert("TALLYARD_DB", m_fixture->url().toString());
        env.insert("TALLYARD_EDITOR", FAKE_EDITOR);
        env.insert("FAKE_EDITOR_LOG", editorLog());
        env.insert(extra);
        return Run(TALLYARD_BIN, arguments, env);
    }

    // Runs tallyard on a command line written as a shell takes it: leading
    // NAME=value words go to the environment, FS stands for the file system,
    // and without -user the user is admin. A test fails unless the run ends
    // with status and says message on standard error.
    Run run(const QString &command, int status = 0, const QString &message = {})
    {
        QStringList arguments = command.split(' ', Qt::SkipEmptyParts);
        QProcessEnvironment extra;
        while (!arguments.isEmpty() && arguments.first().contains('=')) {
            const QString setting = arguments.takeFirst();
            extra.insert(setting.section('=', 0, 0), setting.section('=', 1));
        }
        arguments.replaceInStrings("FS", fileSystem());
        if (!arguments.contains("-user"))
            arguments << "-user" << "admin";
        const Run result = tallyard(arguments, extra);
        [&] { QVERIFY2(result.status == status && result.err.contains(message), qPrintable(result.err)); }();
        return result;
    }

    QString editorLog() const { return m_fixture->scratch() + "/editor.log"; }
    QString fileSystem() const { return m_fixture->root() + "/scenes"; }
    QString sceneFolder(const QString &scene) const { return fileSystem() + "/J/scene-" + scene; }
    QStringList scenesOfJ()
    {
        dba_job_struct job;
        if (m_db->dba_OpenJob("J", job) != 0)
            return {};
        const QStringList scenes = m_db->buildScenesList(job);
        m_db->dba_CloseJob(job);
        return scenes;
    }
    QStringList environments()
    {
        QStringList names;
        m_db->dba_GetEnvironments(names);
        return names;
    }

private slots:
    // Each test starts with the environment E, its job J and the scenes s1 and s2.
    void init()
    {
        m_fixture = std::make_unique<DbTestFixture>();
        QVERIFY2(m_fixture->initialize(), qPrintable(m_fixture->errorString()));
        m_db = m_fixture->open();
        QVERIFY(m_db);
        QCOMPARE(m_db->addUser("animator", "A", "N", QString(), DBA_UserOps::ANIMATOR), 0);
        run("-create -env E");
        run("-create -env E -job J -TD admin -ATD admin");
        run("-create -env E -job J -scene s1 -filesys FS");
        run("-create -env E -job J -scene s2 -filesys FS");
    }
    void cleanup()
    {
        m_db.reset();
        m_fixture.reset();
    }

    // The usage text goes to standard error, exactly as the golden copy has it.
    void usageAndEndings_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("firstLine"); // before the usage; null: no usage at all
        QTest::addColumn<bool>("banner");
        QTest::newRow("lone batch") << QStringList{"-batch"} << 0 << "" << false;
        QTest::newRow("help") << QStringList{"-help"} << 0 << "" << true;
        QTest::newRow("version") << QStringList{"-v"} << 0 << QString() << true;
        QTest::newRow("unknown") << QStringList{"-nonsense"} << 1 << "Unknown parameter: -nonsense.\n" << false;
        QTest::newRow("missing value") << QStringList{"-runScript"} << 1 << "Unknown parameter: -runScript.\n" << false;
    }
    void usageAndEndings()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, firstLine);
        QFile golden(GOLDEN_DIR "/usage.txt");
        QVERIFY(golden.open(QIODevice::ReadOnly));
        const Run run = tallyard(arguments);
        QTEST(run.status, "status");
        QCOMPARE(run.err, firstLine.isNull() ? QString() : firstLine + QString::fromUtf8(golden.readAll()));
        QTEST(run.out.startsWith("Tallyard "), "banner");
    }

    // Each refusal says why, ends the run with its status and changes nothing.
    void refusals_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QString legacy = "KS_OLD_RETURN_CODE=1 ", tooLong = QString(30, 'e') + " -scene " + QString(30, 's');
        QTest::newRow("unknown user") << "-create -env F -user ghost" << 1
                                      << "Invalid user name, use the \"-user valid_user_name\" option.";
        QTest::newRow("names too long or not valid") << "-create -env " + tooLong << 1
                                                     << "Environment name is too long (> 25 char).\nScene name not valid.";
        QTest::newRow("unreachable database") << "TALLYARD_DB=sqlite://" + QDir::tempPath() + "/no-db -create -env F" << 1
                                              << "Could not connect to the database, exiting application.";
        QTest::newRow("existing environment") << "-create -env E" << 2 << "Could not create environment E";
        QTest::newRow("existing environment, legacy status") << legacy + "-create -env E" << 1 << "";
        QTest::newRow("job in unknown environment") << "-create -env X -job K" << 2 << "Could not create job K in environment X";
        QTest::newRow("unknown job") << "-create -env E -job K -scene s -filesys FS" << 2 << "Error opening job: K.";
        QTest::newRow("missing file system") << "-create -env E -job J -scene s -filesys /no/fs" << 2 << "File System /no/fs, Not Found.";
        QTest::newRow("no file system") << "-create -env E -job J -scene s" << 2 << "File System , Not Found.";
        QTest::newRow("existing scene") << "-create -env E -job J -scene s1 -filesys FS" << 2 << "Could not create scene s1";
        QTest::newRow("bad scene name") << "-create -env E -job J -scene a'b -filesys FS" << 2 << "Could not create scene a'b";
        QTest::newRow("delete unknown scene") << "-delete -env E -job J -scene nope" << 2 << "Error trying to delete scene nope\n";
        QTest::newRow("delete unknown job") << "-delete -env E -job nope" << 1 << "Could not delete job nope";
        QTest::newRow("delete busy environment") << "-delete -env E" << 1 << "Could not delete environment E";
        QTest::newRow("delete without the right")
            << "-delete -env E -job J -scene s1 -user animator" << 2
            << "You do not have the permission necessary to delete scenes --\n"
               "please contact your supervisor or TD to change your user type\nor to delete the scenes\n";
        QTest::newRow("rename without the right") << "-rename -env E -job J -scene s1 -name u1 -user animator" << 1
                                                  << "You do not have the permission necessary to rename scenes";
        // Rename names what is missing first: environment, job, scene, new name.
        QTest::newRow("rename, no env") << "-rename -job J" << 1 << "Error no -env was specified";
        QTest::newRow("rename, no job") << "-rename -env E" << 1 << "Error no -job was specified";
        QTest::newRow("rename, no scene") << "-rename -env E -job J" << 1 << "Error no -scene was specified";
        QTest::newRow("rename, no name") << "-rename -env E -job J -scene s1" << 1 << "Error no -name was specified";
        QTest::newRow("editor script missing") << "-runPavaneScript /no/such.js -env E -job J" << 1 << "Script /no/such.js doesn't exist.";
        QTest::newRow("editor missing") << "TALLYARD_EDITOR=/no/editor -runPavaneScript FS -env E -job J -scene s1"
                                        << 0 << " Cannot load scene s1.";
    }
    void refusals()
    {
        QFETCH(QString, command);
        QFETCH(int, status);
        QFETCH(QString, message);
        run(command, status, message);
        QCOMPARE(environments(), QStringList{"E"});
        QCOMPARE(scenesOfJ(), QStringList({"s1", "s2"}));
        QVERIFY(QFileInfo(sceneFolder("s1")).isDir() && QFileInfo(sceneFolder("s2")).isDir());
        QVERIFY(!QFileInfo::exists(editorLog()));
    }

    // Created where asked (-top: first), with its folders; renamed, record and
    // folder; deleted scene by scene, then job and environment, folders and all.
    void createRenameDelete()
    {
        QVERIFY(QFileInfo(sceneFolder("s1") + "/stage").isDir());
        dba_job_struct job;
        QCOMPARE(m_db->dba_OpenJob("J", job), 0);
        QCOMPARE(job.td, QStringLiteral("admin"));
        QCOMPARE(job.priority, 5);
        m_db->dba_CloseJob(job);
        run("-create -env E -job J -scene s0 -filesys host:FS -top");
        QCOMPARE(scenesOfJ(), QStringList({"s0", "s1", "s2"}));
        run("-rename -env E -job J -scene s1 -name t1");
        QVERIFY(QFileInfo(sceneFolder("t1")).isDir() && !QFileInfo::exists(sceneFolder("s1")));
        QCOMPARE(scenesOfJ(), QStringList({"s0", "t1", "s2"}));

        run("-delete -env E -job J -scene t1");
        QVERIFY(!QFileInfo::exists(sceneFolder("t1")));
        QCOMPARE(scenesOfJ(), QStringList({"s0", "s2"}));
        run("-delete -env E -job J");
        QVERIFY(!QFileInfo::exists(sceneFolder("s2")));
        run("-delete -env E");
        QCOMPARE(environments(), QStringList());
    }

    // A scene locked or checked out by someone stays, until released.
    void lockedOrCheckedOutScenesStay()
    {
        dba_job_struct job;
        QCOMPARE(m_db->dba_OpenJob("J", job), 0);
        dba_scene_struct scene;
        QCOMPARE(m_db->dba_OpenScene("s1", job, scene), 0);
        QCOMPARE(m_db->dba_GetSceneLock(scene), 0);
        QVERIFY(m_db->dba_CheckoutScene(job, "s2", "admin"));

        run("-delete -env E -job J -scene s1", 2);
        run("-rename -env E -job J -scene s1 -name t1", 2, "Scene s1 is currently locked, can't rename\n");
        run("-delete -env E -job J -scene s2", 2);
        QVERIFY(QFileInfo::exists(sceneFolder("s1")) && QFileInfo::exists(sceneFolder("s2")));
        QCOMPARE(scenesOfJ(), QStringList({"s1", "s2"}));

        m_db->dba_ReleaseSceneLock(scene);
        m_db->dba_CloseScene(scene);
        run("-delete -env E -job J -scene s1");
    }

    // The editor runs once per scene (every scene of the job when none is
    // named), the version after the scene, as the user, locking the scene.
    void editorRunsOverScenes()
    {
        const QString script = fileSystem(); // any existing path does for the stand-in
        QFile log(editorLog());
        const QString tail = "\t-compile\t" + script + "\t-user\tadmin\t-lockScene\n";
        run("-runPavaneScript " + script + " -env E -job J");
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(log.readAll()), "E\tJ\ts1" + tail + "E\tJ\ts2" + tail);
        log.remove();
        run("-runPavaneScript " + script + " -env E -job J -scene s2 -scene_version 3");
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(log.readAll()), "E\tJ\ts2\t3" + tail);
    }

private:
    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
};

QTEST_GUILESS_MAIN(tst_BatchCli)
#include "tst_batch_cli.moc"
