#include "DbTestFixture.h"
#include "ProgramRun.h"
#include "TUDbAccess.h"
#include "oswRemapPath.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QtTest>

#include <unistd.h>

// Batch deletes and creates never lose a file that was there before: only
// Tallyard's own folders go, a folder that cannot go is an error naming it,
// and a create never takes over files left behind.
class tst_FolderSafety : public QObject
{
    Q_OBJECT

    using Run = ProgramRun;

    // Runs tallyard as admin on the fixture's database; "FS" stands for the
    // file system. With diesAt, the run kills itself at that step.
    Run tallyard(const QString &command, const QString &diesAt = {})
    {
        QStringList arguments = command.split(' ', Qt::SkipEmptyParts);
        arguments.replaceInStrings("FS", fileSystem());
        QProcessEnvironment env;
        env.insert("TALLYARD_DB", m_fixture->url().toString());
        if (!diesAt.isEmpty())
            env.insert("TALLYARD_FAULT_POINT", diesAt + ":die");
        return Run(TALLYARD_BIN, arguments << "-user" << "admin", env);
    }
    Run check(const QString &option = {})
    {
        QStringList arguments = {"check", "--db", m_fixture->url().toString()};
        return Run(TALLYARD_DB_BIN, option.isEmpty() ? arguments : arguments << option);
    }
    // Where the files named name lie below folder (the file system unless given).
    QStringList filesNamed(const QString &name, QString folder = {})
    {
        folder = folder.isEmpty() ? fileSystem() : folder;
        QStringList found;
        QDirIterator it(folder, {name}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next().mid(folder.size());
        found.sort();
        return found;
    }
    QString fileSystem() const { return m_fixture->root() + "/scenes"; }
    // A script moving s1, overwriting, to a second file system "fs2" in the scratch folder.
    QString moveScript()
    {
        const QString second = m_fixture->scratch() + "/fs2", script = m_fixture->scratch() + "/move.js";
        const QByteArray text = QString("Tallyard.moveScene(new Scene('J', 's1'), '%1', true)").arg(oswRemapPath::UnmapPath(second)).toUtf8();
        return QDir().mkpath(second) && m_db->dba_AddFileSystem(second) && DbTestFixture::writeFile(script, text) ? script : QString();
    }
    QString sceneFolder(const QString &scene) const { return fileSystem() + "/J/scene-" + scene; }
    bool sceneExists(const QString &scene)
    {
        dba_job_struct job;
        job.name = "J";
        return m_db->isSceneExists(job, scene);
    }
    // Makes removing the file fail, for root as for anyone else; false when this system cannot.
    bool makeUndeletable(const QString &file)
    {
        m_pinned = file;
        if (::geteuid() == 0)
            return QProcess::execute("chattr", {"+i", file}) == 0;
        return QFile::setPermissions(QFileInfo(file).path(), QFile::ReadOwner | QFile::ExeOwner);
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<DbTestFixture>();
        QVERIFY2(m_fixture->initialize(), qPrintable(m_fixture->errorString()));
        m_db = m_fixture->open();
        dba_job_struct k = DbTestFixture::newJob("K", "E");
        QVERIFY(m_db && DbTestFixture::makeJob(*m_db) && m_db->dba_createJob(k) > 0 && m_db->createEnv("F", true) != 0);
        QCOMPARE(tallyard("-create -env E -job J -scene s1 -filesys FS").status, 0);
        QVERIFY(DbTestFixture::writeFile(sceneFolder("s1") + "/stage/v1.pavx"));
    }
    void cleanup()
    {
        // The pinned file has been moved aside by then: free the whole tree.
        if (!m_pinned.isEmpty() && ::geteuid() == 0)
            QProcess::execute("chattr", {"-R", "-f", "-i", m_fixture->scratch()});
        else if (!m_pinned.isEmpty())
            QProcess::execute("chmod", {"-R", "u+rwx", m_fixture->scratch()});
        m_pinned.clear();
        m_db.reset();
        m_fixture.reset();
    }

    // Folders that are not Tallyard's stay, with a warning naming them.
    void othersFoldersSurvive_data()
    {
        QTest::addColumn<QString>("folder"); // "{scratch}", "{root}" and "{s1}" are replaced
        QTest::addColumn<QString>("sharing"); // how a second record comes to use the folder
        QTest::addColumn<QString>("command");
        QTest::newRow("outside the root, scene") << "{scratch}/outside" << "create" << "-delete -env E -job J -scene s2";
        QTest::newRow("outside the root, job") << "{scratch}/outside" << "create" << "-delete -env E -job J";
        QTest::newRow("held files when adopted") << "{root}/scenes/mine" << "create" << "-delete -env E -job J -scene s2";
        // A database from before the rule: another job's scene names the same folder.
        QTest::newRow("another scene's, job") << "{s1}" << "record" << "-delete -env E -job J";
        QTest::newRow("another scene's, scene") << "{s1}" << "record" << "-delete -env E -job J -scene s1";
    }
    void othersFoldersSurvive()
    {
        QFETCH(QString, folder);
        QFETCH(QString, sharing);
        QFETCH(QString, command);
        folder.replace("{scratch}", m_fixture->scratch()).replace("{root}", m_fixture->root()).replace("{s1}", sceneFolder("s1"));
        QVERIFY(DbTestFixture::writeFile(folder + "/theirs.txt"));
        if (sharing == "create") {
            const Run create = tallyard("-create -env E -job J -scene s2 -scene_path " + folder);
            QVERIFY2(create.status == 0 && create.err.contains(folder), qPrintable(create.err));
        } else {
            QVERIFY(DbTestFixture::exec(*m_db, "INSERT INTO scenes (job_id, name, sort_order, path, created, owns_folder) "
                                               "SELECT j.id, 'k1', 0, s.path, 0, 1 FROM scenes s, jobs j WHERE j.name = 'K' AND s.name = 's1'"));
        }
        const Run run = tallyard(command);
        QVERIFY2(run.status == 0 && run.err.contains("The folder " + folder + " was left in place"), qPrintable(run.err));
        QVERIFY(QFile::exists(folder + "/theirs.txt") && !sceneExists("s2"));
    }

    // A folder that should go and cannot is an error naming it; the scene
    // made again afterwards starts empty.
    void failedRemovalIsAnError()
    {
        if (!makeUndeletable(sceneFolder("s1") + "/stage/v1.pavx"))
            QSKIP("this file system cannot keep a file from being removed");
        const Run run = tallyard("-delete -env E -job J -scene s1");
        QVERIFY2(run.status == 2 && run.err.contains("The folder " + sceneFolder("s1") + " could not be removed"),
                 qPrintable(run.err));
        QVERIFY(!sceneExists("s1"));
        QCOMPARE(tallyard("-create -env E -job J -scene s1 -filesys FS").status, 0);
        QVERIFY(QFileInfo(sceneFolder("s1") + "/stage").isDir() && !QFile::exists(sceneFolder("s1") + "/stage/v1.pavx"));
    }

    // Files left where a new scene's folder goes, or a folder another scene
    // uses, are refused: nothing is adopted and nothing recorded.
    void createRefusesLeftoversAndSharedFolders_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("kept");
        QTest::newRow("leftover") << "-create -env E -job J -scene s9 -filesys FS" << "/J/scene-s9/stage/v1.pavx";
        QTest::newRow("another scene's") << "-create -env E -job K -scene s9 -scene_path FS/J/scene-s1" << "/J/scene-s1/stage/v1.pavx";
        QTest::newRow("inside another scene's") << "-create -env E -job J -scene s9 -scene_path FS/J/scene-s1/stage" << "/J/scene-s1/stage/v1.pavx";
    }
    void createRefusesLeftoversAndSharedFolders()
    {
        QFETCH(QString, command);
        QFETCH(QString, kept);
        QVERIFY(DbTestFixture::writeFile(sceneFolder("s9") + "/stage/v1.pavx"));
        QCOMPARE(tallyard(command).status, 2);
        QVERIFY(!sceneExists("s9") && QFile::exists(fileSystem() + kept));
        QCOMPARE(DbTestFixture::value(*m_db, "SELECT COUNT(*) FROM scenes").toInt(), 1);
    }

    // A create or delete killed at each of its steps leaves the old state or
    // the new one, plus leftovers that check names and --repair resolves
    // without losing a file; the scene can be made again afterwards.
    void killedAtEachStep_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("leftover"); // what check names; empty: nothing
        QTest::addColumn<QString>("stageFile"); // where s1's version file is after the repair
        const QString create = "-create -env E -job J -scene s2 -filesys FS", remove = "-delete -env E -job J -scene s1";
        QTest::newRow("create, placed") << create << "create-scene-placed" << "/J/.tallyard-new-" << "/J/scene-s1/stage/v1.pavx";
        QTest::newRow("create, folders made") << create << "create-scene-folders" << "/J/scene-s2 holds no files"
                                              << "/J/scene-s1/stage/v1.pavx";
        QTest::newRow("delete, checked") << remove << "delete-scene-checked" << "" << "/J/scene-s1/stage/v1.pavx";
        QTest::newRow("delete, committed") << remove << "delete-scene-committed" << "/J/scene-s1 holds files"
                                           << "/J/scene-s1.unrecorded-*/stage/v1.pavx";
        QTest::newRow("job delete, committed") << "-delete -env E -job J" << "delete-job-committed"
                                               << "jobs/J belongs to no environment or job"
                                               << "/J/scene-s1.unrecorded-*/stage/v1.pavx";
        QTest::newRow("environment delete, committed") << "-delete -env F" << "delete-env-committed"
                                                       << "environments/F belongs to no environment or job"
                                                       << "/J/scene-s1/stage/v1.pavx";
        QTest::newRow("delete, set aside") << remove << "delete-folder-aside" << "/J/.scene-s1.deleted-"
                                           << "/J/scene-s1.deleted-*/stage/v1.pavx";
        // Older versions set the folder aside before their commit.
        QTest::newRow("older delete, before its commit") << "" << "" << "Scene J/s1: its folder" << "/J/scene-s1/stage/v1.pavx";
    }
    void killedAtEachStep()
    {
        QFETCH(QString, command);
        QFETCH(QString, step);
        QFETCH(QString, leftover);
        QFETCH(QString, stageFile);
        if (command.isEmpty())
            QVERIFY(QDir().rename(sceneFolder("s1"), fileSystem() + "/J/.scene-s1.deleted-7"));
        else
            QCOMPARE(tallyard(command, step).status, -1);
        const Run found = check();
        QVERIFY2(found.status == (leftover.isEmpty() ? 0 : 1) && found.out.contains(leftover), qPrintable(found.out + found.err));
        const Run repaired = check("--repair");
        QVERIFY2(repaired.status == 0, qPrintable(repaired.out + repaired.err));
        QVERIFY2(check().status == 0, qPrintable(check().out));
        const QStringList stage = filesNamed("v1.pavx");
        QVERIFY2(stage.size() == 1 && QRegExp(stageFile, Qt::CaseSensitive, QRegExp::Wildcard).exactMatch(stage.first()),
                 qPrintable(stage.join(' ')));
        tallyard("-create -env E -job J"); // back after a job delete; "already exists" otherwise
        for (const char *scene : {"s1", "s2"}) {
            if (!sceneExists(scene))
                QCOMPARE(tallyard("-create -env E -job J -scene " + QString(scene) + " -filesys FS").status, 0);
        }
    }

    // A check run while a create or a move is staging a scene's folder
    // leaves that folder alone, and the operation goes on to the end.
    void checkLeavesRunningWorkAlone_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("point");
        QTest::addColumn<QString>("made"); // below the scratch folder once the operation ended
        QTest::newRow("create") << "-create -env E -job J -scene s2 -filesys FS" << "create-scene-staged"
                                << "/root/scenes/J/scene-s2/stage";
        QTest::newRow("move") << "-runScript MOVE" << "moveScene.copied" << "/fs2/J/scene-s1/stage/v1.pavx";
    }
    void checkLeavesRunningWorkAlone()
    {
        QFETCH(QString, command);
        QFETCH(QString, point);
        const QString hold = m_fixture->scratch() + "/hold";
        QProcess work;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TALLYARD_DB", m_fixture->url().toString());
        env.insert("TALLYARD_FAULT_POINT", point + ":pause=" + hold);
        work.setProcessEnvironment(env);
        const QString arguments = command.replace("FS", fileSystem()).replace("MOVE", moveScript()) + " -user admin";
        work.start(TALLYARD_BIN, arguments.split(' '));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(hold + ".reached"), 60000);
        const Run repaired = check("--repair");
        QVERIFY(DbTestFixture::writeFile(hold));
        QVERIFY(work.waitForFinished(60000));
        QVERIFY2(repaired.status == 0 && repaired.out.contains("belongs to a create or move still running"), qPrintable(repaired.out));
        QVERIFY2(work.exitCode() == 0, work.readAllStandardError().constData());
        QFETCH(QString, made);
        QVERIFY(QFileInfo::exists(m_fixture->scratch() + made));
    }

    // A move killed at each of its steps: the scene stays whole where its
    // record says, and --repair resolves what the move staged without
    // losing the files the target folder held before.
    void moveKilledAtEachStep_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("leftover");
        QTest::addColumn<QString>("sceneFiles"); // where s1's version file is after the repair, below FS and fs2
        QTest::addColumn<QString>("theirFiles"); // where the target's own file is, below fs2
        // The target folder no scene names is set aside, as check does with any such folder.
        const QString unfinished = "fs2/J/scene-s1.unfinished-*/stage/v1.pavx";
        const QString setAside = "/J/scene-s1.unfinished-*/theirs.txt /J/scene-s1.unrecorded-*/theirs.txt";
        QTest::newRow("copied") << "moveScene.copied" << "/J/.tallyard-move-"
                                << "FS/J/scene-s1/stage/v1.pavx " + unfinished << setAside;
        QTest::newRow("target set aside") << "moveScene.replaced" << "/J/.tallyard-replaced-"
                                          << "FS/J/scene-s1/stage/v1.pavx " + unfinished << setAside;
        QTest::newRow("recorded") << "moveScene.recorded" << "/J/scene-s1 holds files"
                                  << "FS/J/scene-s1.unrecorded-*/stage/v1.pavx fs2/J/scene-s1/stage/v1.pavx"
                                  << "/J/scene-s1.unfinished-*/theirs.txt /J/scene-s1/theirs.txt";
    }
    void moveKilledAtEachStep()
    {
        QFETCH(QString, step);
        QFETCH(QString, leftover);
        const QString second = m_fixture->scratch() + "/fs2";
        QVERIFY(DbTestFixture::writeFile(second + "/J/scene-s1/theirs.txt"));
        QProcessEnvironment env;
        env.insert("TALLYARD_DB", m_fixture->url().toString());
        env.insert("TALLYARD_FAULT_POINT", step + ":die");
        QCOMPARE(Run(TALLYARD_BIN, {"-runScript", moveScript(), "-user", "admin"}, env).status, -1);
        const Run named = check();
        QVERIFY2(named.status == 1 && named.out.contains(leftover), qPrintable(named.out + named.err));
        const Run repaired = check("--repair");
        QVERIFY2(repaired.status == 0 && check().status == 0, qPrintable(repaired.out + check().out));
        QStringList found = filesNamed("v1.pavx").replaceInStrings(QRegExp("^"), "FS");
        found += filesNamed("v1.pavx", second).replaceInStrings(QRegExp("^"), "fs2");
        QFETCH(QString, sceneFiles);
        QFETCH(QString, theirFiles);
        const QString theirs = filesNamed("theirs.txt", second).join(' ');
        QVERIFY2(QRegExp(sceneFiles, Qt::CaseSensitive, QRegExp::Wildcard).exactMatch(found.join(' ')), qPrintable(found.join(' ')));
        QVERIFY2(QRegExp(theirFiles, Qt::CaseSensitive, QRegExp::Wildcard).exactMatch(theirs), qPrintable(theirs));
    }

private:
    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    QString m_pinned;
};

QTEST_GUILESS_MAIN(tst_FolderSafety)
#include "tst_folder_safety.moc"
