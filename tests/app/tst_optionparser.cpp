#include "BAPP_SharedFolders.h"
#include "TYOptionParser.h"

#include <QtTest>

namespace {

// "x*26" stands for 26 x's, so length limits read as numbers in the table.
QString expanded(QString text)
{
    static const QRegularExpression run(QStringLiteral("(\\S)\\*(\\d+)"));
    for (auto m = run.match(text); m.hasMatch(); m = run.match(text))
        text.replace(m.capturedStart(), m.capturedLength(), m.captured(1).repeated(m.captured(2).toInt()));
    return text;
}

// Every field of the record as "key=value", in one fixed order.
QStringList fields(const RunOptions &o)
{
    static const char *const modes[] = {"None", "Create", "Delete", "Rename", "Import", "Export", "RunScript", "RunEditorScript"};
    const auto b = [](bool v) { return QString::number(v); };
    const auto sorted = [](const QSet<QString> &set) { QStringList list = set.values(); list.sort(); return list.join(','); };
    return {QStringLiteral("mode=") + modes[int(o.mode)], "batch=" + b(o.batch), "server=" + b(o.scriptServer),
            "debug=" + b(o.debug), "debugScript=" + b(o.debugScript), "appendLog=" + b(o.appendLog),
            "autoDest=" + b(o.autoDest), "data=" + sorted(o.dataOptions), "links=" + sorted(o.linkOptions),
            "env=" + o.environment, "job=" + o.job, "importJob=" + o.importJob, "scene=" + o.scene,
            "scenes=" + o.sceneList.join(','), "positional=" + o.positionalScene, "emptyScene=" + b(o.emptySceneGiven),
            "importScenes=" + o.importSceneList.join(','),
            "versions=" + o.versionList.join(','), "scenePath=" + o.scenePath, "path=" + o.path,
            "savedPath=" + o.savedPath, "fs=" + o.fileSystem, "name=" + o.newName, "user=" + o.user,
            "TD=" + o.tdUser, "ATD=" + o.atdUser, "approvals=" + o.approvals, "prio=" + QString::number(o.priority),
            "insert=" + QString::number(o.insertPosition), "script=" + o.scriptFile, "port=" + o.tcpPort,
            "lang=" + o.language, "fake=" + b(o.fakeTranslation), "cwd=" + b(o.useCurrentWorkingDir),
            "nameErrors=" + QString::number(o.nameErrors)};
}

} // namespace

// The command-line parser, without the executable.
class tst_OptionParser : public QObject
{
    Q_OBJECT

private slots:
    // Each row: the arguments ("|" parses again with the same parser and record),
    // then the ending, what the caller is to print and every field that differs from a fresh record.
    void parse_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("result");
        const auto row = [](const char *arguments, const char *result) { QTest::newRow(arguments) << QString(arguments) << QString(result); };
        row("", "Continue");
        row("-create -prio abc", "Continue mode=Create batch=1 prio=0");
        row("-delete -prio 3x", "Continue mode=Delete batch=1 prio=3");
        row("-rename -prio -2", "Continue mode=Rename batch=1 prio=-2");
        row("-psn_0_1234 -import -bottom", "Continue mode=Import insert=1");
        row("-batch -export -top", "Continue mode=Export batch=1 insert=2");
        row("-runScript a.js -sorted", "Continue mode=RunScript batch=1 insert=5 script=a.js");
        row("-runPavaneScript a.js -fakeTranslation de --version", "ExitSuccess version mode=RunEditorScript batch=1 script=a.js lang=de fake=1");
        row("-script -tcpPort 9000 -from /f -version", "ExitSuccess version batch=1 server=1 path=/f port=9000");
        row("-batch -debug -debug_script -append_log -auto_dest -useCurrentWorkingDir",
            "Continue batch=1 debug=1 debugScript=1 appendLog=1 autoDest=1 cwd=1");
        row("-export_default -sym -keep_broken_sym", "Continue mode=Export data=database,element,stage,timing links=keep_broken_sym,sym");
        // Help stops at once: nothing after it is read.
        row("-help -create", "ExitSuccess version usage");
        row("-user u -?", "ExitSuccess version usage user=u");
        row("-v", "ExitSuccess version");
        row("-batch", "ExitSuccess usage batch=1");
        row("-frobnicate", "ExitFailure usage Unknown parameter: -frobnicate.");
        row("-runScript", "ExitFailure usage Unknown parameter: -runScript.");
        row("-Create", "ExitFailure usage Unknown parameter: -Create.");
        // Positionals: environment, job, one scene (listed, not set), the rest ignored.
        row("E J S1 ignored -filesys host:/mnt/a:b", "Continue env=E job=J scenes=S1 positional=S1 fs=/mnt/a:b");
        row("-file_system /mnt/scenes -prio 12", "Continue fs=/mnt/scenes prio=12");
        row("-TD t -ATD a -approvals manual -name N -user u -lang fr", "Continue name=N user=u TD=t ATD=a approvals=manual lang=fr");
        row("-path /p -to /q -import_version 2 -scene_version 3 -h", "ExitSuccess version usage versions=2,3 path=/q savedPath=/p");
        row("-export_env E -export_job J -export_scene S --help", "ExitSuccess version usage env=E job=J scene=S scenes=S");
        row("-target_env E -target_job J -import_job I -scene_path /s", "Continue env=E job=J importJob=I scenePath=/s");
        // Names up to 24 characters (the database's limit) and scene paths up to 1024 pass;
        // longer ones are cleared and flagged.
        row("-env e*24 -job j*24 -import_job i*24 -scene s*24 -import_scene m*24 -scene_path p*1024",
            "Continue env=e*24 job=j*24 importJob=i*24 scene=s*24 scenes=s*24 importScenes=m*24 scenePath=p*1024");
        row("-env e*25 -import_scene m*25", "Continue nameErrors=5");
        row("-import_job i*25 -target_env e*26", "Continue nameErrors=3");
        // A refused -scene clears the one before it but keeps it listed.
        row("-scene ok -export_scene s*25 -job j*26", "Continue scenes=ok nameErrors=6");
        row("-scene s -scene '' -scene t", "Continue scene=t scenes=s,t emptyScene=1");
        row("-import_scene a -import_scene b -import_scene a", "Continue importScenes=a,b nameErrors=4");
        row("-scene_path /s -scene_path p*1025", "Continue nameErrors=4");
        // Every parse starts its per-run fields afresh; batch, lists and user stay.
        row("-runScript s -TD t -ATD a -approvals p -prio 9 -top -scene s -scene_path /s -name n -user u -env e*26 | -debug",
            "Continue batch=1 debug=1 scenes=s user=u nameErrors=1");
        row("-frobnicate | -help | -import", "Continue mode=Import");
    }
    void parse()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, result);
        RunOptions options;
        TYOptionParser parser(options);
        QStringList outcome;
        for (const QString &run : expanded(arguments).split(QLatin1Char('|'))) {
            QStringList words = run.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            words.replaceInStrings(QStringLiteral("''"), QString()); // '' is an empty argument
            const int ending = parser.parse(words);
            outcome = QStringList{QStringList{"Continue", "ExitSuccess", "ExitFailure"}.at(ending),
                                  parser.wantsVersion() ? "version" : "", parser.wantsUsage() ? "usage" : "", parser.warning()};
        }
        const QStringList now = fields(options), fresh = fields(RunOptions());
        for (int i = 0; i < now.size(); ++i)
            outcome << (now[i] == fresh[i] ? QString() : now[i]);
        outcome.removeAll(QString());
        QCOMPARE(outcome.join(QLatin1Char(' ')), expanded(result));
    }

    // The data and link options come from their name lists, one option each.
    void namedOptions()
    {
        for (const QString &name : RunOptions::dataOptionNames() + RunOptions::linkOptionNames()) {
            RunOptions options;
            QCOMPARE(TYOptionParser(options).parse({QLatin1Char('-') + name}), TYOptionParser::Continue);
            QVERIFY2(options.hasData(name) != options.hasLink(name), qPrintable(name));
        }
        RunOptions all;
        TYOptionParser(all).parse({"-export_all", "-langdir", "/opt/tr"});
        QCOMPARE(all.dataOptions.size(), RunOptions::dataOptionNames().size() - 1);
        QVERIFY(!all.hasData("offline"));
        QCOMPARE(BAPP_SharedFolders::translations(), QStringLiteral("/opt/tr"));
    }
};

QTEST_GUILESS_MAIN(tst_OptionParser)
#include "tst_optionparser.moc"
