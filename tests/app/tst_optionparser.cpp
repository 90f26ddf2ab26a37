#include "TYOptionParser.h"

#include <QtTest>

Q_DECLARE_METATYPE(RunMode)

// The command-line parser, without the executable.
class tst_OptionParser : public QObject
{
    Q_OBJECT

    static TYOptionParser::Outcome parse(RunOptions &options, const QStringList &arguments)
    {
        TYOptionParser parser(options);
        return parser.parse(arguments);
    }

private slots:
    void modes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<RunMode>("mode");
        QTest::addColumn<bool>("batch");
        QTest::newRow("none") << QStringList() << RunMode::None << false;
        QTest::newRow("create") << QStringList{"-create"} << RunMode::Create << true;
        QTest::newRow("delete") << QStringList{"-delete"} << RunMode::Delete << true;
        QTest::newRow("rename") << QStringList{"-rename"} << RunMode::Rename << true;
        QTest::newRow("import") << QStringList{"-import"} << RunMode::Import << false;
        QTest::newRow("batch export") << QStringList{"-batch", "-export"} << RunMode::Export << true;
        QTest::newRow("run script") << QStringList{"-runScript", "a.js"} << RunMode::RunScript << true;
        QTest::newRow("editor script") << QStringList{"-runPavaneScript", "a.js"} << RunMode::RunEditorScript << true;
        QTest::newRow("script server") << QStringList{"-script"} << RunMode::None << true;
        QTest::newRow("last mode wins") << QStringList{"-create", "-delete"} << RunMode::Delete << true;
    }
    void modes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(RunMode, mode);
        QFETCH(bool, batch);
        RunOptions options;
        QCOMPARE(parse(options, arguments), TYOptionParser::Continue);
        QCOMPARE(options.mode, mode);
        QCOMPARE(options.batch, batch);
    }

    void endings_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<bool>("version");
        QTest::addColumn<bool>("usage");
        QTest::addColumn<QString>("warning");
        QTest::newRow("help") << QStringList{"-help"} << int(TYOptionParser::ExitSuccess) << true << true << QString();
        QTest::newRow("-?") << QStringList{"-user", "u", "-?"} << int(TYOptionParser::ExitSuccess) << true << true << QString();
        QTest::newRow("version") << QStringList{"--version"} << int(TYOptionParser::ExitSuccess) << true << false << QString();
        QTest::newRow("lone batch") << QStringList{"-batch"} << int(TYOptionParser::ExitSuccess) << false << true << QString();
        QTest::newRow("batch with more") << QStringList{"-batch", "-debug"} << int(TYOptionParser::Continue) << false << false << QString();
        QTest::newRow("unknown") << QStringList{"-frobnicate"} << int(TYOptionParser::ExitFailure) << false << true
                                 << QStringLiteral("Unknown parameter: -frobnicate.");
        QTest::newRow("missing value") << QStringList{"-runScript"} << int(TYOptionParser::ExitFailure) << false << true
                                       << QStringLiteral("Unknown parameter: -runScript.");
        QTest::newRow("case matters") << QStringList{"-Create"} << int(TYOptionParser::ExitFailure) << false << true
                                      << QStringLiteral("Unknown parameter: -Create.");
        QTest::newRow("psn ignored") << QStringList{"-psn_0_1234"} << int(TYOptionParser::Continue) << false << false << QString();
    }
    void endings()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, outcome);
        QFETCH(bool, version);
        QFETCH(bool, usage);
        QFETCH(QString, warning);
        RunOptions options;
        TYOptionParser parser(options);
        QCOMPARE(int(parser.parse(arguments)), outcome);
        QCOMPARE(parser.wantsVersion(), version);
        QCOMPARE(parser.wantsUsage(), usage);
        QCOMPARE(parser.warning(), warning);
    }

    void valuesAndPositionals()
    {
        RunOptions options;
        QCOMPARE(parse(options, {"E", "J", "S1", "ignored", "-filesys", "host:/mnt/a:b", "-prio", "abc", "-TD", "t",
                                 "-ATD", "a", "-approvals", "manual", "-sorted", "-path", "/p", "-to", "/q",
                                 "-scene_version", "2", "-import_version", "3", "-lang", "fr", "-name", "N"}),
                 TYOptionParser::Continue);
        QCOMPARE(options.environment, QStringLiteral("E"));
        QCOMPARE(options.job, QStringLiteral("J"));
        QCOMPARE(options.sceneList, QStringList{"S1"});
        QVERIFY(options.scene.isEmpty()); // a positional scene is listed, not set
        QCOMPARE(options.fileSystem, QStringLiteral("/mnt/a:b"));
        QCOMPARE(options.priority, 0);
        QCOMPARE(options.tdUser, QStringLiteral("t"));
        QCOMPARE(options.atdUser, QStringLiteral("a"));
        QCOMPARE(options.approvals, QStringLiteral("manual"));
        QCOMPARE(options.insertPosition, 5);
        QCOMPARE(options.path, QStringLiteral("/q"));
        QCOMPARE(options.savedPath, QStringLiteral("/p"));
        QCOMPARE(options.versionList, QStringList({"2", "3"}));
        QCOMPARE(options.language, QStringLiteral("fr"));
        QCOMPARE(options.newName, QStringLiteral("N"));
        QCOMPARE(options.nameErrors, 0);
    }

    void priorityIsReadLikeAtoi_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("priority");
        QTest::newRow("plain") << "7" << 7;
        QTest::newRow("no range check") << "12" << 12;
        QTest::newRow("letters") << "abc" << 0;
        QTest::newRow("leading digits") << "3x" << 3;
        QTest::newRow("negative") << "-2" << -2;
    }
    void priorityIsReadLikeAtoi()
    {
        QFETCH(QString, value);
        QFETCH(int, priority);
        RunOptions options;
        parse(options, {"-prio", value});
        QCOMPARE(options.priority, priority);
    }

    void fileSystemWithoutColonIsWhole()
    {
        RunOptions options;
        parse(options, {"-file_system", "/mnt/scenes"});
        QCOMPARE(options.fileSystem, QStringLiteral("/mnt/scenes"));
    }

    void nameErrors()
    {
        const QString tooLong(26, QLatin1Char('x'));
        RunOptions options;
        parse(options, {"-env", tooLong, "-target_env", tooLong, "-scene", "ok", "-export_scene", tooLong});
        QCOMPARE(options.nameErrors, int(RunOptions::EnvironmentTooLong | RunOptions::SceneInvalid));
        QVERIFY(options.environment.isEmpty());
        QCOMPARE(options.sceneList, QStringList{"ok"});
        QVERIFY(options.scene.isEmpty()); // the last -scene was refused and cleared

        RunOptions jobs;
        parse(jobs, {"-import_job", tooLong});
        QCOMPARE(jobs.nameErrors, int(RunOptions::JobTooLong));

        RunOptions paths;
        parse(paths, {"-scene_path", QString(1025, QLatin1Char('p'))});
        QCOMPARE(paths.nameErrors, int(RunOptions::SceneInvalid));
        QVERIFY(paths.scenePath.isEmpty());
        RunOptions fine;
        parse(fine, {"-scene_path", QString(1024, QLatin1Char('p')), "-env", QString(25, QLatin1Char('e'))});
        QCOMPARE(fine.nameErrors, 0);
    }

    void importScenesKeepNoDuplicates()
    {
        RunOptions options;
        parse(options, {"-import_scene", "a", "-import_scene", "b", "-import_scene", "a"});
        QCOMPARE(options.importSceneList, QStringList({"a", "b"}));
        QCOMPARE(options.nameErrors, int(RunOptions::SceneInvalid));
    }

    void dataOptionShortcuts()
    {
        RunOptions all;
        parse(all, {"-export_all"});
        QCOMPARE(all.dataOptions.size(), RunOptions::dataOptionNames().size() - 1);
        QVERIFY(!all.hasData("offline"));

        RunOptions defaults;
        parse(defaults, {"-export_default", "-sym", "-keep_broken_sym"});
        QCOMPARE(defaults.dataOptions, QSet<QString>({"database", "element", "timing", "stage"}));
        QVERIFY(!defaults.hasData("annotation"));
        QCOMPARE(defaults.linkOptions, QSet<QString>({"sym", "keep_broken_sym"}));
    }

    void everyParseResetsItsFields()
    {
        RunOptions options;
        parse(options, {"-create", "-TD", "t", "-prio", "9", "-top", "-scene", "s", "-name", "n", "-user", "u"});
        parse(options, {"-debug"});
        QCOMPARE(options.mode, RunMode::None);
        QVERIFY(options.tdUser.isEmpty());
        QCOMPARE(options.priority, 5);
        QCOMPARE(options.insertPosition, 0);
        QVERIFY(options.scene.isEmpty());
        QVERIFY(options.newName.isEmpty());
        QCOMPARE(options.user, QStringLiteral("u")); // not among the reset fields
        QVERIFY(options.batch);
    }

    void usageTextShape()
    {
        const QStringList &lines = TYOptionParser::usageLines();
        QCOMPARE(lines.first(), QStringLiteral("TALLYARD"));
        QCOMPARE(lines.at(3), QStringLiteral("*** Import\\Export Usage ***"));
        QVERIFY(lines.contains(QStringLiteral("  -v|-version|--version\tShow version info and exit")));
        QCOMPARE(lines.last(), QStringLiteral("\nRefer to the documentation for more details.\n"));
    }
};

QTEST_GUILESS_MAIN(tst_OptionParser)
#include "tst_optionparser.moc"
