#include "DBS_EnvironmentFilter.h"
#include "TUVectOptionList.h"
#include "ScriptFixture.h"
#include "oswRemapPath.h"

#include <QtTest>

// The script engine as scripts meet it: the result list, errors, the value
// classes, refusals as values, the filter and styles files, and the file
// utilities' confinement.
class tst_ScriptManager : public QObject
{
    Q_OBJECT

    // Tests that leave the database as they found it share one fixture
    // (a database is slow to make on PostgreSQL); the others get their own.
    std::unique_ptr<ScriptFixture> m_shared, m_own;
    ScriptFixture *f = nullptr;

    static bool writeFile(const QString &path, const QByteArray &data)
    {
        return DbTestFixture::writeFile(path, data);
    }
    QString lastLogLine() { return f->sink().lines().value(f->sink().lines().size() - 1); }

private slots:
    void init()
    {
        static const QSet<QByteArray> changing = {"changesThroughScripts", "sceneSize", "moveWithoutOverrideKeepsScene",
                                                  "environmentFilter", "stylesFile", "filesConfinement"};
        m_own.reset();
        if (changing.contains(QTest::currentTestFunction())) {
            m_own = std::make_unique<ScriptFixture>();
            f = m_own.get();
        } else {
            if (!m_shared)
                m_shared = std::make_unique<ScriptFixture>();
            f = m_shared.get();
            f->resetSink();
            QVERIFY(f->actAs("admin"));
        }
        QVERIFY2(f->isValid(), qPrintable(f->db().errorString()));
    }
    void cleanup() { m_own.reset(); }
    void cleanupTestCase() { m_shared.reset(); }

    void resultList_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty") << "" << QStringList();
        QTest::newRow("number") << "1 + 1" << QStringList{"2"};
        QTest::newRow("string array") << "['a', 'b']" << QStringList{"a", "b"};
        QTest::newRow("object") << "({a: 1})" << QStringList{"[object Object]"};
        QTest::newRow("no value") << "var x = 1;" << QStringList();
        QTest::newRow("printed, then undefined")
            << "Tallyard.printToConsole('one'); Tallyard.printToConsole('two'); undefined" << QStringList{"one", "two"};
        QTest::newRow("printed, then value") << "Tallyard.printToConsole('one'); 7" << QStringList{"one", "7"};
        QTest::newRow("list method") << "Tallyard.availableFileSystems()" << QStringList{"/QVX_DB/scenes"};
    }
    void resultList()
    {
        QFETCH(QString, script);
        QFETCH(QStringList, expected);
        QCOMPARE(f->eval(script), expected);
        QCOMPARE(f->sink().getErrorCode(), 0);
    }

    // A throw ends the script: printed lines, then the error with its
    // backtrace; the thrown value itself is not listed again; code 1.
    void uncaughtException()
    {
        const QStringList result = f->eval("Tallyard.printToConsole('before');\nfunction g() { throw 'boom'; }\ng();");
        QCOMPARE(result.size(), 2);
        QCOMPARE(result[0], QString("before"));
        QVERIFY2(result[1].startsWith("Script Manager: boom \nBacktrace ( form is <function-name>()@<file-name>:"
                                      "<line-number> ) :\n\ng() at 2\n<global>() at 3\n\n"),
                 qPrintable(result[1]));
        QCOMPARE(f->sink().getErrorCode(), 1);
        const QStringList syntax = f->eval("var = ;");
        QCOMPARE(syntax.size(), 1);
        QVERIFY(syntax[0].startsWith("Script Manager: SyntaxError"));
    }

    void evaluationsShareNothing()
    {
        f->eval("var leak = 5; function helper() {} Tallyard.extra = 3; Environment.prototype.x = 1;");
        QCOMPARE(f->value("typeof leak + ' ' + typeof helper + ' ' + typeof Tallyard.extra + ' ' + "
                          "typeof new Environment('E').x"),
                 QString("undefined undefined undefined undefined"));
    }

    void constructorErrors_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("message");
        QTest::newRow("no environment name") << "new Environment()" << "Environment object takes 1 argument(s).";
        QTest::newRow("job with one") << "new Job('E')" << "Job object takes 2 argument(s).";
        QTest::newRow("scene name number") << "new Scene('J', 3)" << "Scene name must be a string.";
        QTest::newRow("scene name empty") << "new Scene('J', '')" << "Scene name must be a string.";
        QTest::newRow("user as function") << "User()" << "User object takes 1 argument(s).";
        QTest::newRow("drawing") << "new Drawing('J', 's', 'e')" << "Drawing object takes 4 argument(s).";
        QTest::newRow("import path") << "new ImportData('E', 'J', 5, 'fs')" << "Path must be a string.";
        QTest::newRow("element") << "new Element('J', 's', 'e')" << "Element object takes 4 argument(s).";
        QTest::newRow("element id") << "new Element('J', 's', 'e', 'x')" << "Element id must be an integer.";
        QTest::newRow("version") << "new SceneVersion('J', 's', 'v')" << "SceneVersion object takes 4 arguments.";
        QTest::newRow("export") << "new ExportData('E', 'J', [])" << "ExportData object takes 4  argument(s).";
        QTest::newRow("export scenes") << "new ExportData('E', 'J', [1], '/p')" << "Scene names must be an array of strings.";
        QTest::newRow("export size") << "new ExportSize('J')" << "ExportSizeData object takes 2  argument(s).";
        QTest::newRow("vector 1") << "new VectorData('J')" << "Vector data object takes between 2 and 4 argument(s).";
        QTest::newRow("vector 3") << "new VectorData('J', 's', 'e')" << "Vector data objects must specify elements by name and ID.";
    }
    void constructorErrors()
    {
        QFETCH(QString, script);
        QFETCH(QString, message);
        const QStringList result = f->eval(script + "; Tallyard.printToConsole('not reached')");
        QCOMPARE(result.size(), 1);
        QVERIFY2(result[0].startsWith("Script Manager: Error: " + message + " \n"), qPrintable(result[0]));
    }

    void valueClasses_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");
        QTest::newRow("vector 2") << "new VectorData('J', 's1').sceneName" << "s1";
        QTest::newRow("vector 4") << "new VectorData('J', 's1', 'e', 3).elementId" << "3";
        QTest::newRow("plain call") << "var e = Environment('E'); e.name + (e instanceof Environment)" << "Etrue";
        QTest::newRow("read-only") << "var s = new Scene('J', 's1'); s.name = 'x'; s.name" << "s1";
        QTest::newRow("defaults") << "var s = new Scene('J', 's1'); s.priority + '/' + s.path + '/' + s.checkoutLock"
                                  << "0//false";
        QTest::newRow("ADD_SORTED") << "AddPositionType.ADD_SORTED" << "5";
        QTest::newRow("user type") << "var u = new User('u'); u.type = User.TD; u.type" << "4";
        QTest::newRow("animator name") << "new User('u').typeToString(User.ANIMATOR)" << "UNKNOWN TYPE";
        QTest::newRow("ink name") << "new User('u').typeToString(8)" << "Ink & Paint";
        QTest::newRow("export defaults")
            << "var e = new ExportData('E', 'J', ['s1'], '/p'); e.audio = e.copy = e.brix = true; e.setExportDefaults();"
               "[e.annotation, e.audio, e.database, e.stage, e.copy, e.brix, e.sceneNames.length, e.path].join()"
            << "false,false,true,true,false,false,1,/p";
        QTest::newRow("export all")
            << "var e = new ExportData('E', 'J', ['s1'], '/p'); e.sym = true; e.setExportAll();"
               "[e.audio, e.outsideDrawings, e.sym].join()"
            << "true,true,false";
        QTest::newRow("export link defaults")
            << "var e = new ExportData('E', 'J', ['s1'], Tallyard.realDbPath('/QVX_DB') + '/inside'); e.hard = e.ignoreValidSym = true;"
               "var r = Tallyard.exportScene(e); [r, e.copy, e.hard, e.keepValidSym, e.keepBrokenSym].join()"
            << "false,false,true,false,true";
        QTest::newRow("export none chosen")
            << "var e = new ExportData('E', 'J', ['s1'], Tallyard.realDbPath('/QVX_DB') + '/inside'); Tallyard.exportScene(e);"
               "[e.copy, e.keepValidSym, e.keepBrokenSym, e.sym].join()"
            << "true,true,true,false";
        QTest::newRow("long form") << "new Scene('J', 's1').toString(true).indexOf(' scene name: s1') > 0" << "true";
    }
    void valueClasses()
    {
        QFETCH(QString, script);
        QFETCH(QString, expected);
        QCOMPARE(f->eval(script), QStringList{expected});
    }

    // Refusals are results, never exceptions: the script goes on, the reason
    // is in the message log with the script's backtrace, nothing changed.
    void refusalsAreValues_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("message");
        QTest::newRow("delete BATCH") << "Tallyard.deleteUser(new User('BATCH'))" << "You are not allowed to delete the user BATCH.";
        QTest::newRow("delete self") << "Tallyard.deleteUser(new User('admin'))"
                                     << "You are not allowed to delete the user tallyard is logged in as.";
        QTest::newRow("priority 11") << "Tallyard.changeScenePriority(new Scene('J', 's1'), 11)"
                                     << "priority of the scene s1 must be between 0 and 10";
        QTest::newRow("priority missing scene") << "Tallyard.changeScenePriority(new Scene('J', 'nope'), 3)"
                                                << "priority of the scene nope can't be changed because the scene does not exist";
        QTest::newRow("scene exists") << "var s = new Scene('J', 's1'); s.fileSystem = '/QVX_DB/scenes'; Tallyard.addScene(s)"
                                      << "Scene s1 already exists";
        QTest::newRow("unknown file system") << "var s = new Scene('J', 's9'); s.fileSystem = '/elsewhere'; Tallyard.addScene(s)"
                                             << "File System /elsewhere, Not Found.";
        QTest::newRow("job without environment") << "Tallyard.addJob(new Job('Nope', 'K'))"
                                                 << "Could not create job as environment Nope does not exist.";
        QTest::newRow("job exists") << "Tallyard.addJob(new Job('E', 'J'))" << "Job J already exists,\npossibly in another environment.";
        QTest::newRow("job unknown TD") << "var j = new Job('E', 'K'); j.tdName = 'ghost'; Tallyard.addJob(j)"
                                        << "User ghost does not exist in database.";
        QTest::newRow("job with scenes") << "Tallyard.deleteJob(new Job('E', 'J'))" << "Could not delete job J as it still contains scenes.";
        QTest::newRow("environment with jobs") << "Tallyard.deleteEnvironment(new Environment('E'))"
                                               << "Could not delete environment E as it still contains jobs.";
        QTest::newRow("no user") << "Tallyard.verifyUser(new User('ghost'))" << "User ghost does not exist in database.";
        QTest::newRow("no file system named") << "Tallyard.preMoveSceneValidate(new Scene('J', 's1'), '')" << "Please select a file system.";
        QTest::newRow("TD change") << "var j = new Job('E', 'J'); j.tdName = 'BATCH'; j.inProduction = true; Tallyard.modifyJob(j)"
                                   << "change of TD not yet implemented\n";
        // Names no script should pass are refused and shown as they are.
        QTest::newRow("job named with placeholders") << "Tallyard.addJob(new Job('E', 'a%1b'))"
                                                     << "Could not create job a%1b in environment E.";
        QTest::newRow("scene named with an escape sequence")
            << "var s = new Scene('J', 'a\\x1b[2Jb'); s.fileSystem = '/QVX_DB/scenes'; Tallyard.addScene(s)"
            << "Could not create scene a<U+001B>[2Jb";
        QTest::newRow("environment named right to left") << "Tallyard.addEnvironment(new Environment('a\\u202Eb'))"
                                                         << "Could not create environment a<U+202E>b";
        QTest::newRow("user named with SQL") << "Tallyard.addUser(new User(\"x'; DROP TABLE users; --\"))"
                                             << "Failed to add user x'; DROP TABLE users; --";
        QTest::newRow("import of nothing") << "Tallyard.importScene(new ImportData('E', 'J', '/nonexistent/package', 'fs'))"
                                           << "Import Scene Failed.";
        QTest::newRow("export into the database") << "Tallyard.exportScene(new ExportData('E', 'J', ['s1'], Tallyard.realDbPath('/QVX_DB') + '/p'))"
                                                  << "Export Scene Failed.";
    }
    void refusalsAreValues()
    {
        QFETCH(QString, script);
        QFETCH(QString, message);
        const QStringList before = f->scenesOfJ();
        QCOMPARE(f->eval(script + "; Tallyard.printToConsole('after')"), QStringList{"after"});
        QCOMPARE(f->eval(script), QStringList{"false"});
        const QString log = f->sink().messageLog();
        QVERIFY2(log.contains(" exception from the function  ") && log.contains(" : " + message) && log.contains("BACKTRACE : "),
                 qPrintable(log));
        QCOMPARE(f->scenesOfJ(), before);
        QCOMPARE(f->sink().getErrorCode(), 0);
    }

    void changesThroughScripts()
    {
        QCOMPARE(f->value("var s = new Scene('J', 's3'); s.fileSystem = '/QVX_DB/scenes';"
                          "Tallyard.addScene(s, AddPositionType.ADD_AT_TOP)"),
                 QString("true"));
        QCOMPARE(f->scenesOfJ(), (QStringList{"s3", "s1", "s2"}));
        QCOMPARE(f->value("Tallyard.changeScenePriority(new Scene('J', 's1'), 7)"), QString("true"));
        QCOMPARE(f->admin().dba_getPriorityScene("J", "s1"), 7);
        QCOMPARE(f->eval("var out = []; var l = Tallyard.scenes(new Job('E', 'J'));"
                         "for (var i = 0; i < l.length; ++i) out.push(l[i].name + ':' + l[i].priority); out"),
                 (QStringList{"s3:0", "s1:7", "s2:0"}));
        QCOMPARE(f->value("Tallyard.deleteScene(new Scene('J', 's3'))"), QString("true"));
        QCOMPARE(f->scenesOfJ(), (QStringList{"s1", "s2"}));
    }

    // Sizes are counted in 64 bits and truncated only at the end.
    void sceneSize()
    {
        const QString folder = oswRemapPath::RemapPath2(f->db().fileSystem()) + "/J/scene-s1";
        QVERIFY(writeFile(folder + "/stage/big.bin", QByteArray(int(1.9 * 1048576), 'x')));
        QCOMPARE(f->value("Tallyard.sceneSize(new Scene('J', 's1'))"), QString("1"));
        QCOMPARE(f->value("Tallyard.sceneSize(new Scene('J', 'nope'))"), QString("0"));
    }

    void moveWithoutOverrideKeepsScene()
    {
        const QString second = f->db().scratch() + "/fs2";
        QVERIFY(f->admin().dba_AddFileSystem(second));
        const QString stored = oswRemapPath::UnmapPath(second);
        QVERIFY(QDir().mkpath(second + "/J/scene-s1"));
        const QString script = QString("Tallyard.moveScene(new Scene('J', 's1'), '%1', false)").arg(stored);
        QCOMPARE(f->value(script), QString("false"));
        QVERIFY2(lastLogLine().contains("The folder of scene s1 already exists"), qPrintable(lastLogLine()));
        dba_job_struct job;
        dba_scene_struct scene;
        QVERIFY(f->admin().dba_OpenJob("J", job) != -1 && f->admin().dba_OpenScene("s1", job, scene) != -1);
        QCOMPARE(scene.fileSystem, f->db().fileSystem());
        f->admin().dba_CloseScene(scene);
        f->admin().dba_CloseJob(job);
    }

    void environmentFilter_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QStringList>("visible");
        QTest::newRow("no file") << QByteArray() << "animator" << QStringList{"E", "F"};
        QTest::newRow("other user only") << QByteArray(R"({"E": ["someone"]})") << "animator" << QStringList();
        QTest::newRow("_all_") << QByteArray(R"({"E": ["_all_"], "F": []})") << "animator" << QStringList{"E"};
        QTest::newRow("named") << QByteArray(R"({"E": ["x"], "F": ["animator"]})") << "animator" << QStringList{"F"};
        QTest::newRow("list-all right") << QByteArray(R"({"E": ["someone"]})") << "admin" << QStringList{"E", "F"};
        QTest::newRow("not an object") << QByteArray("[1, 2]") << "animator" << QStringList{"E", "F"};
    }
    void environmentFilter()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, user);
        QFETCH(QStringList, visible);
        QVERIFY(f->admin().createEnv("F", false) != 0);
        QCOMPARE(f->admin().addUser("animator", "A", "N", QString(), DBA_UserOps::ANIMATOR), 0);
        if (!file.isEmpty())
            QVERIFY(writeFile(f->db().root() + "/environments/environment-filter.json", file));
        DBS_EnvironmentFilter::forget();
        QVERIFY(f->actAs(user));
        const QString listed = "var out = []; var l = Tallyard.environments(); for (var i = 0; i < l.length; ++i) out.push(l[i].name); out";
        QCOMPARE(f->eval(listed), visible);
        QCOMPARE(f->value("Tallyard.verifyEnvironment(new Environment('E'))"), QString(visible.contains("E") ? "true" : "false"));
        DBS_EnvironmentFilter::forget();
    }

    // The styles file as scripts read it, bad lines reported in the script's log.
    void stylesFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("styles"); // name=options
        QTest::addColumn<QString>("errors");
        QTest::newRow("two styles") << QByteArray("# comment\nstyle_name: A\noptions: -a\nstyle_name:  B \n")
                                    << QStringList{"Default Style= ", "A=-a", "B="} << QString();
        QTest::newRow("own default") << QByteArray("style_name: A\noptions: -a\nstyle_name: Default Style\noptions: -d\n")
                                     << QStringList{"A=-a", "Default Style=-d"} << QString();
        QTest::newRow("bad lines") << QByteArray("options: -x\nstyle_name: \noptions: -y\nstyle_name: A\noptions:   \n")
                                   << QStringList{"Default Style= ", "A="}
                                   << "\nOptions without style name at line 1.\nInvalid Style name at line 2.\n"
                                      "Options without style name at line 3.\nInvalid Option at line 5.";
        QTest::newRow("second options") << QByteArray("style_name: A\noptions: -a\noptions: -b\n")
                                        << QStringList{"Default Style= ", "A=-a"} << "\nOptions without style name at line 3.";
    }
    void stylesFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, styles);
        QFETCH(QString, errors);
        const QString path = f->db().scratch() + "/etc/VectOptions.conf";
        QVERIFY(writeFile(path, file));
        TUVectOptionList list;
        QVERIFY(list.readAndReport(path, "DBS_VectOptionList"));
        QStringList read;
        for (const TUVectOptionList::Style &style : list.styles())
            read << style.name + '=' + style.options;
        QCOMPARE(read, styles);
        const QString log = f->sink().messageLog();
        QCOMPARE(log.contains("Error(s) detected while reading " + path + ":" + errors), !errors.isEmpty());

        qputenv("TALLYARD_ETC_DIR", QFile::encodeName(f->db().scratch() + "/etc"));
        QCOMPARE(f->eval("Tallyard.reReadVectFile(); Tallyard.vectorizationStyles()"), list.names());
        qunsetenv("TALLYARD_ETC_DIR");
    }
    void stylesFileMissing()
    {
        TUVectOptionList list;
        QVERIFY(!list.read(f->db().scratch() + "/none.conf"));
        QVERIFY(list.names().isEmpty());
        QVERIFY(f->sink().getErrorCode() == 0);
    }

    // The file utilities stay inside the database root and the script's folder.
    void filesConfinement_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("in the root") << "ROOT/notes/a.txt" << true;
        QTest::newRow("stored path") << "/QVX_DB/notes/b.txt" << true;
        QTest::newRow("script folder, relative") << "c.txt" << true;
        QTest::newRow("outside") << "SCRATCH/outside.txt" << false;
        QTest::newRow("dot-dot out of the root") << "ROOT/../outside.txt" << false;
        QTest::newRow("through a link") << "ROOT/link/escaped.txt" << false;
        QTest::newRow("prefix lookalike") << "ROOT-other/x.txt" << false;
    }
    void filesConfinement()
    {
        QFETCH(QString, path);
        QFETCH(bool, allowed);
        const QString root = f->db().root();
        const QString scripts = f->db().scratch() + "/scripts";
        QVERIFY(QDir().mkpath(scripts) && QDir().mkpath(f->db().scratch() + "/elsewhere"));
        QVERIFY(QFile::link(f->db().scratch() + "/elsewhere", root + "/link"));
        path.replace("ROOT", root).replace("SCRATCH", f->db().scratch());
        f->manager().setScriptFolder(scripts);
        const QString script = QString("[Files.write('%1', 'hello'), Files.read('%1')].join()").arg(path);
        QCOMPARE(f->value(script), QString(allowed ? "true,hello" : "false,"));
        const QString local = QDir::isRelativePath(path) ? scripts + "/" + path : oswRemapPath::RemapPath2(path);
        QCOMPARE(QFileInfo::exists(local), allowed);
        QVERIFY(!QFileInfo::exists(f->db().scratch() + "/elsewhere/escaped.txt"));
    }
};

QTEST_GUILESS_MAIN(tst_ScriptManager)
#include "tst_scriptmanager.moc"
