#include "DbTestFixture.h"
#include "ProgramRun.h"
#include "TUDbAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

// The built tallyard run as a studio's pipeline runs it: command line in,
// exit status, standard error, the database and the scene folders out.
// The tests share one database: the environments E (job J with the scenes
// s1 and s2) and F (empty), the user admin and one user per type, u0 to u9.
// A test that changes it puts it back, else init() makes it afresh.
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
    // '' for an empty argument, and without -user the user is admin. A test
    // fails unless the run ends with status and says message on standard error.
    Run run(const QString &command, int status = 0, const QString &message = {})
    {
        QStringList arguments = command.split(' ', Qt::SkipEmptyParts);
        QProcessEnvironment extra;
        while (!arguments.isEmpty() && arguments.first().contains('=')) {
            const QString setting = arguments.takeFirst();
            extra.insert(setting.section('=', 0, 0), setting.section('=', 1));
        }
        arguments.replaceInStrings("FS", fileSystem());
        arguments.replaceInStrings("''", QString());
        if (!arguments.contains("-user"))
            arguments << "-user" << "admin";
        const Run result = tallyard(arguments, extra);
        [&] { QVERIFY2(result.status == status && result.err.contains(message), qPrintable(command + ":\n" + result.err)); }();
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
    QStringList jobsOf(const QString &environment)
    {
        QVector<dba_job_struct> jobs;
        m_db->dba_GetEnvironmentJobs(environment, jobs);
        QStringList names;
        for (const dba_job_struct &job : jobs)
            names << job.name;
        return names;
    }
    QStringList environments()
    {
        QStringList names;
        m_db->dba_GetEnvironments(names);
        return names;
    }
    bool makeScene(const QString &scene)
    {
        dba_job_struct job;
        const bool made = m_db->dba_OpenJob("J", job) == 0
            && m_db->dba_CreateScene(job, scene, "admin", fileSystem(), QString(), 1, -1, 1);
        m_db->dba_CloseJob(job);
        return made;
    }
    bool isShared()
    {
        return m_fixture && environments() == QStringList({"E", "F"}) && jobsOf("E") == QStringList{"J"}
            && jobsOf("F").isEmpty() && scenesOfJ() == QStringList({"s1", "s2"}) && QFileInfo(sceneFolder("s1")).isDir()
            && QFileInfo(sceneFolder("s2")).isDir();
    }

private slots:
    void init()
    {
        if (m_fixture)
            QFile::remove(editorLog());
        if (isShared())
            return;
        m_db.reset();
        m_fixture = std::make_unique<DbTestFixture>();
        QVERIFY2(m_fixture->initialize(), qPrintable(m_fixture->errorString()));
        m_db = m_fixture->open();
        QVERIFY(m_db && DbTestFixture::makeJob(*m_db, "J", "E") && m_db->createEnv("F", true) != 0);
        QVERIFY(makeScene("s1") && makeScene("s2"));
        for (int type = 0; type < 10; ++type)
            QCOMPARE(m_db->addUser(QStringLiteral("u%1").arg(type), "U", "T", QString(), type), 0);
    }
    void cleanupTestCase()
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

    // Each refusal or failure says why, ends the run with its status and
    // changes nothing: no job goes because a scene was named the wrong way.
    void refusals_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QString legacy = "KS_OLD_RETURN_CODE=1 ", noDisplay = "DISPLAY= WAYLAND_DISPLAY= QT_QPA_PLATFORM= ";
        const QString tooLong = "Environment name is too long (> 24 char).\nScene name not valid.";
        const auto row = [](const char *name, const QString &command, int status, const QString &message) {
            QTest::newRow(name) << command << status << message;
        };
        row("unknown user", "-create -env G -user ghost", 1, "Invalid user name, use the \"-user valid_user_name\" option.");
        row("names of 25", "-create -env " + QString(25, 'e') + " -scene " + QString(25, 's'), 1, tooLong);
        row("unreachable database", "TALLYARD_DB=sqlite://" + QDir::tempPath() + "/no-db -create -env G", 1,
            "Could not connect to the database, exiting application.");
        row("refused server connection", "TALLYARD_DB=postgresql://postgres@localhost/none?host=" + QDir::tempPath()
                + "/no-server&root=" + QDir::tempPath() + "/no-db -batch -create -env G", 1,
            "Could not connect to the database, exiting application.\nCannot connect to the PostgreSQL database none on");
        row("no operation", "-batch", 1, "Nothing to do: -batch was given without an operation, and a batch run opens no window.");
        row("no environment", "-delete -job J", 1, "Error no -env was specified");
        row("debugger without display", noDisplay + "-runScript FS -debug_script", 1,
            "No display is available: the script debugger needs one.");
        // Status 10 is the database's "already exists"; the reason follows the first line.
        row("existing environment", "-create -env E", 10, "Could not create environment E\nCannot create environment E:");
        row("existing environment, debug flag, no display", noDisplay + "-create -env E -debug_script", 10,
            "Could not create environment E\n");
        row("existing environment, legacy status", legacy + "-create -env E", 1, "Could not create environment E\n");
        row("existing scene", "-create -env E -job J -scene s1 -filesys FS", 10, "Could not create scene s1\n");
        row("job in unknown environment", "-create -env X -job K", 2, "Could not create job K in environment X\n");
        row("unknown job", "-create -env E -job K -scene s -filesys FS", 1, "Job K is not in environment E.");
        row("missing file system", "-create -env E -job J -scene s -filesys /no/fs", 2, "File System /no/fs, Not Found.");
        row("no file system", "-create -env E -job J -scene s", 2, "File System , Not Found.");
        row("one path, two scenes", "-create -env E -job J -scene s3 -scene s4 -scene_path FS/x", 1,
            "-scene_path is the folder of one scene, but 2 scenes were named. Nothing was changed.");
        row("delete unknown scene", "-delete -env E -job J -scene nope", 2, "Error trying to delete scene nope\n");
        row("delete unknown job", "-delete -env E -job nope", 1, "Job nope is not in environment E.");
        row("delete busy environment", "-delete -env E", 2, "Could not delete environment E\n");
        // A job-level delete reached by accident.
        row("positional scene", "-delete E J s1", 1, "The scene s1 was given without -scene: name scenes with -scene.");
        row("positional scene, create", "-create E J2 s1 -filesys FS", 1, "The scene s1 was given without -scene");
        row("empty scene", "-delete -env E -job J -scene ''", 1, "A -scene option was given an empty name. Nothing was changed.");
        row("job of another environment", "-delete -env F -job J", 1, "Job J is not in environment F.");
        row("job of no environment", "-delete -env NoEnv -job J", 1, "Job J is not in environment NoEnv.");
        row("scene in a job of another environment", "-delete -env F -job J -scene s1", 1, "Job J is not in environment F.");
        row("rename unknown scene", "-rename -env E -job J -scene nope -name x", 2, "Could not open scene nope.");
        // The rename manager's refusals say why.
        row("rename to its own name", "-rename -env E -job J -scene s1 -name s1", 2, "Scene s1 already has that name.");
        row("rename to an existing name", "-rename -env E -job J -scene s1 -name s2", 2, "Scene s2 already exists in job J.");
        row("rename to a/b", "-rename -env E -job J -scene s1 -name a/b", 2, "Invalid scene name (a/b).");
        row("rename to 10,000 characters", "-rename -env E -job J -scene s1 -name " + QString(10000, 'n'), 2,
            "Invalid scene name (" + QString(64, 'n') + "... (10000 characters)).");
        row("rename to 30 characters", "-rename -env E -job J -scene s1 -name " + QString(30, 'n'), 2,
            "Invalid scene name (" + QString(30, 'n') + ").");
        // Rename names what is missing first: environment, job, scene, new name.
        row("rename, no env", "-rename -job J", 1, "Error no -env was specified");
        row("rename, no job", "-rename -env E", 1, "Error no -job was specified");
        row("rename, no scene", "-rename -env E -job J", 1, "Error no -scene was specified");
        row("rename, no name", "-rename -env E -job J -scene s1", 1, "Error no -name was specified");
        row("editor script missing", "-runPavaneScript /no/such.js -env E -job J", 1, "Script /no/such.js doesn't exist.");
        row("editor missing", "TALLYARD_EDITOR=/no/editor -runPavaneScript FS -env E -job J -scene s1", 2, " Cannot load scene s1.");
    }
    void refusals()
    {
        QFETCH(QString, command);
        QFETCH(int, status);
        QFETCH(QString, message);
        run(command, status, message);
        QVERIFY(isShared());
        QVERIFY(!QFileInfo::exists(editorLog()));
    }

    // Names no pipeline should send: every option that takes a name refuses
    // them with a message that shows them as they are (what a terminal would
    // act on made visible), and nothing changes.
    void hostileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("why");
        const auto character = [](const QString &c) { return "the character \"" + c + "\" is not allowed"; };
        QTest::newRow("quote") << "a'b" << "a'b" << character("'");
        QTest::newRow("SQL") << "x\"; DROP TABLE users; --" << "x\"; DROP TABLE users; --" << character("\"");
        QTest::newRow("placeholders") << "a%1b%2" << "a%1b%2" << character("%");
        QTest::newRow("escape sequence") << "a\x1b[2Jb" << "a<U+001B>[2Jb" << character("<U+001B>");
        QTest::newRow("right-to-left override") << "a\u202Eb" << "a<U+202E>b" << character("<U+202E>");
        QTest::newRow("path") << "../../etc" << "../../etc" << "it begins with \".\"";
    }
    void hostileNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        QFETCH(QString, why);
        const struct { const char *command, *message; } commands[] = {
            {"-create -env N", "Could not create environment %1\nInvalid environment name \"%1\": %2"},
            {"-create -env E -job N", "Could not create job %1 in environment E\nInvalid job name \"%1\": %2"},
            {"-create -env E -job J -scene N -filesys FS", "Could not create scene %1\nInvalid scene name \"%1\": %2"},
            {"-rename -env E -job J -scene s1 -name N", "Invalid scene name (%1)."},
            {"-delete -env E -job J -scene N", "Error trying to delete scene %1\nCannot delete scene %1: "},
        };
        for (const auto &command : commands) {
            QStringList arguments = QString(command.command).split(' ');
            arguments.replaceInStrings("FS", fileSystem());
            arguments.replace(arguments.indexOf("N"), name);
            const Run result = tallyard(arguments + QStringList{"-user", "admin"});
            const QString message = QString(command.message).replace("%2", why).replace("%1", shown);
            QVERIFY2(result.status == 2 && result.err.contains(message), qPrintable(command.command + ("\n" + result.err)));
            QVERIFY(isShared());
        }
    }

    // Every field a batch create sets is read back from the database.
    void createdJobsKeepTheirFields_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("fields"); // TD ATD priority approvals
        QTest::newRow("defaults") << "" << "  5 auto";
        QTest::newRow("all given") << "-TD u4 -ATD u9 -prio 2 -approvals manual" << "u4 u9 2 manual";
        QTest::newRow("policy in any case") << "-approvals Manual -prio 0" << "  0 manual";
        QTest::newRow("other policy") << "-approvals sometimes -prio 10" << "  10 auto";
    }
    void createdJobsKeepTheirFields()
    {
        QFETCH(QString, options);
        run("-create -env F -job K " + options);
        dba_job_struct job;
        QCOMPARE(m_db->dba_OpenJob("K", job), 0);
        m_db->dba_CloseJob(job);
        QCOMPARE(QStringList({job.name, job.environment}), QStringList({"K", "F"}));
        QTEST(QStringList({job.td, job.atd, QString::number(job.priority), job.manualApproval ? "manual" : "auto"}).join(' '),
              "fields");
        QVERIFY(QFileInfo(m_fixture->root() + "/jobs/K").isDir());
        QVERIFY(m_db->dba_deleteJob("K"));
    }

    // Created where asked, several at once (in the order named, -top: first),
    // with file system and folder; renamed, record and folder; deleted
    // several at once, then job and environment, folders and all.
    void createRenameDelete()
    {
        run("-create -env E -job J -scene s0 -scene s00 -scene s0 -filesys host:FS -top");
        QCOMPARE(scenesOfJ(), QStringList({"s0", "s00", "s1", "s2"}));
        run("-create -env E -job J -scene p0 -scene_path FS/elsewhere");
        dba_job_struct job;
        QCOMPARE(m_db->dba_OpenJob("J", job), 0);
        const DBC_Table &table = job.scene();
        QCOMPARE(table.rowCount(), 5);
        QCOMPARE(QStringList({table.data(0, 0).toString(), table.data(0, 2).toString()}), QStringList({"s0", m_fixture->fileSystem()}));
        QCOMPARE(QStringList({table.data(4, 0).toString(), table.data(4, 2).toString()}), QStringList({"p0", ""}));
        m_db->dba_CloseJob(job);
        QVERIFY(QFileInfo(sceneFolder("s00") + "/stage").isDir() && QFileInfo(fileSystem() + "/elsewhere/stage").isDir());

        run("-rename -env E -job J -scene s1 -name t1");
        QVERIFY(QFileInfo(sceneFolder("t1")).isDir() && !QFileInfo::exists(sceneFolder("s1")));
        QCOMPARE(scenesOfJ(), QStringList({"s0", "s00", "t1", "s2", "p0"}));

        run("-delete -env E -job J -scene t1 -scene s0 -scene p0");
        QVERIFY(!QFileInfo::exists(sceneFolder("t1")) && !QFileInfo::exists(sceneFolder("s0")));
        QCOMPARE(scenesOfJ(), QStringList({"s00", "s2"}));
        run("-delete -env E -job J");
        QVERIFY(!QFileInfo::exists(sceneFolder("s2")));
        run("-delete -env E");
        QCOMPARE(environments(), QStringList{"F"});
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
        run("-rename -env E -job J -scene s2 -name t2", 2, "Scene s2 is checked out; it cannot be renamed.");
        run("-delete -env E -job J -scene s2", 2);
        QVERIFY(isShared());

        m_db->dba_ReleaseSceneLock(scene);
        m_db->dba_CloseScene(scene);
        m_db->dba_forceCheckinScene(job, "s2", false);
        m_db->dba_CloseJob(job);
        run("-delete -env E -job J -scene s1");
    }

    // The editor runs once per named scene (every scene of the job when none
    // is named), the version after the scene, as the user, locking the scene;
    // an editor that fails shows in the status.
    void editorRunsOverScenes_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("runs");
        QTest::newRow("whole job") << "-env E -job J" << 0 << "E J s1|E J s2";
        QTest::newRow("one scene, one version") << "-env E -job J -scene s2 -scene_version 3" << 0 << "E J s2 3";
        QTest::newRow("positional scene") << "E J s2" << 0 << "E J s2";
        QTest::newRow("scenes named twice") << "-env E -job J -scene s2 -scene s1 -scene s2" << 0 << "E J s2|E J s1";
        QTest::newRow("editor fails") << "FAKE_EDITOR_EXIT=3 -env E -job J" << 2 << "E J s1|E J s2";
    }
    void editorRunsOverScenes()
    {
        QFETCH(QString, options);
        QFETCH(QString, runs);
        QFETCH(int, status);
        const QString script = fileSystem(); // any existing path does for the stand-in
        QStringList command = options.split(' ');
        const QString setting = command.first().contains('=') ? command.takeFirst() + ' ' : QString();
        run(setting + "-runPavaneScript " + script + ' ' + command.join(' '), status,
            status ? "Script " + script + " did not execute correctly against scene s2." : QString());
        QFile log(editorLog());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QStringList expected = runs.split('|');
        for (QString &line : expected)
            line = line.replace(' ', '\t') + "\t-compile\t" + script + "\t-user\tadmin\t-lockScene\n";
        QCOMPARE(QString::fromUtf8(log.readAll()), expected.join(QString()));
    }

    // The longest name is 24 characters, on the command line as in the database.
    void longestName()
    {
        const QString name(24, 'n');
        run("-create -env " + name);
        QVERIFY(environments().contains(name));
        QVERIFY(m_db->deleteEnv(name));
    }

private:
    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
};

QTEST_GUILESS_MAIN(tst_BatchCli)
#include "tst_batch_cli.moc"
