#include "TUIEFile.h"
#include "TUIEScene.h"
#include "TUIEProjectSummary.h"

#include "../services/TestFiles.h"

#include <QtTest>

Q_DECLARE_METATYPE(TUIEReplacements)

// Reading and rewriting scene files and palette lists: the reader's edge
// cases in both syntaxes, module renaming, the ordered replacements, and
// what a failed rewrite leaves behind.
class tst_IEFile : public QObject
{
    Q_OBJECT

    ScratchDir m_dir;

    QString path(const QString &name) const { return m_dir.path() + QLatin1Char('/') + name; }

    // "columns | modules | frames": column(drawing,...) and
    // module(instance,timing,name,extension).
    static QString summary(const TUIEScene &scene)
    {
        QStringList columns, modules;
        for (const TUIESeqTV &column : scene.columns())
            columns << column.name() + "(" + column.drawings().join(',') + ")";
        for (const TUIEModule &m : scene.modules())
            modules << QStringList{m.instanceName, m.timingColumn, m.name, m.extension}.join(',');
        return columns.join(' ') + " | " + modules.join(' ') + " | " + QString::number(scene.frames())
            + (scene.isAnimatedProject() ? " animated" : "");
    }

private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("expected");

        const QByteArray module = "<module nodetype=\"READ\" nodeinstancename=\"r\"><customName>"
                                  "<name val=\"/QVX_DB/x/A\"/><timing col=\"A\"/><extension val=\"PNG\"/></customName></module>";
        QTest::newRow("xml: quotes dropped, repeats listed once")
            << QByteArray("<project><column columntype=\"6\" columnname=\"A\"><stringseq val='\"a-1\"'/>"
                          "<stringseq val=\"a-1\"/><stringseq val=\"a-2\"/></column></project>")
            << true << "A(a-1,a-2) |  | 0";
        QTest::newRow("xml: other column types add nothing")
            << QByteArray("<project><column columntype=\"3\" columnname=\"cam\"><stringseq val=\"x\"/></column></project>")
            << true << " |  | 0";
        QTest::newRow("xml: read module, not others")
            << QByteArray("<project>" + module + "<module nodetype=\"COMPOSITE\" nodeinstancename=\"c\"/></project>")
            << true << " | r,A,/QVX_DB/x/A,png | 0";
        QTest::newRow("xml: name outside customName ignored")
            << QByteArray("<project><module nodetype=\"READ\" nodeinstancename=\"r\"><name val=\"no\"/></module></project>")
            << true << " | r,,, | 0";
        QTest::newRow("xml: animated project stops, read still done")
            << QByteArray("<project><column columntype=\"6\" columnname=\"A\"><stringseq val=\"a\"/></column>"
                          "<animateproject/><column columntype=\"6\" columnname=\"B\"/></project>")
            << true << "A(a) |  | 0 animated";
        QTest::newRow("xml: drawing climbing out refused")
            << QByteArray("<project><column columntype=\"6\" columnname=\"A\"><stringseq val=\"../../etc/x\"/></column></project>")
            << false << QString();
        QTest::newRow("xml: a 10,000-character drawing name refused")
            << QByteArray("<project><column columntype=\"6\" columnname=\"A\"><stringseq val=\"" + QByteArray(10000, 'n')
                          + "\"/></column></project>")
            << false << QString();
        QTest::newRow("xml: entities never read other files")
            << QByteArray("<!DOCTYPE project [<!ENTITY x SYSTEM \"file:///etc/hostname\">]><project>"
                          "<column columntype=\"6\" columnname=\"A\"><stringseq val=\"a\"/></column><s>&x;</s></project>")
            << true << "A(a) |  | 0";
        // The rewriter could not write them back.
        QTest::newRow("xml: a character XML does not allow refused")
            << QByteArray("<project><column columntype=\"6\" columnname=\"A\"><stringseq val=\"a\"/></column>a\0b</project>", 89)
            << false << QString();
        QTest::newRow("xml: broken file refused") << QByteArray("<project><column>") << false << QString();
        QTest::newRow("lines: frames, cells over lines, EMPTY, SET, module pairs")
            << QByteArray("NFRAMES 24\nCOLUMN A TIMING 1:a-1 2:\"a-2\" 3:EMPTY\n  SET 4:a-1 5:a-3 ENDLIST\n"
                          "COLUMN cam CAMERA 1:x ENDLIST\n"
                          "MODULE r #3 READ CUSTOM_NAME NAME \"/QVX_DB/x/A\" COL A\n EXTENSION TGA FIELD_CHART 12\n"
                          "MODULE c COMPOSITE CUSTOM_NAME NAME n\n")
            << true << "A(a-1,a-2,a-3) | r,A,/QVX_DB/x/A,tga | 24";
        QTest::newRow("lines: READ too early is no read module")
            << QByteArray("MODULE READ x CUSTOM_NAME NAME n\n") << true << " |  | 0";
        QTest::newRow("lines: drawing climbing out refused")
            << QByteArray("COLUMN A TIMING 1:../x ENDLIST\n") << false << QString();
    }
    void read()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, ok);
        writeFile(path("read.pavx"), content);
        TUIEScene scene;
        QCOMPARE(TUIEFile::readSceneFile(path("read.pavx"), scene), ok);
        if (ok)
            QTEST(summary(scene), "expected");
    }

    void unreadableFile()
    {
        TUIEScene scene;
        QVERIFY(!TUIEFile::readSceneFile(path("missing.pavx"), scene));
    }

    void replacements_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<TUIEReplacements>("pairs");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first occurrence per pair, in order") << "x A y A z" << TUIEReplacements{{"A", "B"}, {"A", "C"}} << "x B y C z";
        QTest::newRow("a later pair sees the earlier's result") << "A" << TUIEReplacements{{"A", "B"}, {"B", "C"}} << "C";
        QTest::newRow("case-sensitive") << "a" << TUIEReplacements{{"A", "B"}} << "a";
        QTest::newRow("an empty text to find is no match") << "x" << TUIEReplacements{{"", "y"}} << "x";
    }
    void replacements()
    {
        QFETCH(QString, line);
        QFETCH(TUIEReplacements, pairs);
        QTEST(TUIEFile::replaceInLine(line, pairs), "expected");
    }

    void rewriteXml()
    {
        writeFile(path("s.pavx"),
                  "<?xml version=\"1.0\"?>\n<project a=\"1\" b=\"/QVX_DB/scenes/J/scene-s/x\">\n  <note>text &amp; kept</note>\n"
                  "<module nodetype=\"READ\" nodeinstancename=\"r\"><customName><name val=\"old\"/></customName>"
                  "<drawing><name val=\"old\"/></drawing><other><name val=\"old\"/></other></module>"
                  "<module nodetype=\"READ\" nodeinstancename=\"same\"><customName><name val=\"old\"/></customName></module>"
                  "<script><![CDATA[if (a < b) load(\"/QVX_DB/scenes/J/scene-s/lib\");]]></script></project>\n");
        TUIEScene scene;
        QVERIFY(TUIEFile::readSceneFile(path("s.pavx"), scene));
        QVERIFY(scene.setModuleNewName(0, "new"));
        QVERIFY(TUIEFile::rewriteSceneFile(path("s.pavx"), scene, {{"/QVX_DB/scenes/J/scene-s", "__ENV_JOB_SCENE_EXPORT__"}},
                                           path("s.pavx.tmp")));
        const QString out = QString::fromUtf8(readFile(path("s.pavx.tmp")));
        QVERIFY2(out.contains("<project a=\"1\" b=\"__ENV_JOB_SCENE_EXPORT__/x\">"), qPrintable(out));
        QCOMPARE(out.count("<name val=\"new\"/>"), 2);   // customName and drawing of the renamed module
        QCOMPARE(out.count("<name val=\"old\"/>"), 2);   // elsewhere, and in the module without a new name
        QVERIFY2(out.contains("<note>text &amp; kept</note>"), qPrintable(out));
        QVERIFY2(out.contains("<![CDATA[if (a < b) load(\"__ENV_JOB_SCENE_EXPORT__/lib\");]]>"), qPrintable(out));
        // What the rewriter wrote reads back the same.
        TUIEScene again;
        QVERIFY(TUIEFile::readSceneFile(path("s.pavx.tmp"), again));
        QCOMPARE(summary(again), " | r,,new, same,,old, | 0");
    }

    // Paths holding XML's special characters are rewritten in attributes and
    // in CDATA alike, and the result still parses.
    void rewriteXmlSpecialCharacters()
    {
        writeFile(path("amp.pavx"), "<project p=\"/mnt/R&amp;D/s/x\"><module nodetype=\"READ\" nodeinstancename=\"r\">"
                                    "<customName><name val=\"/mnt/R&amp;D/s/A\"/></customName></module>"
                                    "<script><![CDATA[load(\"/mnt/R&D/s/y\")]]></script></project>");
        TUIEScene scene;
        QVERIFY(TUIEFile::readSceneFile(path("amp.pavx"), scene));
        QCOMPARE(scene.modules().value(0).name, QString("/mnt/R&D/s/A"));
        QVERIFY(TUIEFile::rewriteSceneFile(path("amp.pavx"), scene, {{"/mnt/R&D/s", "/new/<T>"}}, path("amp.out.pavx")));
        const QString out = QString::fromUtf8(readFile(path("amp.out.pavx")));
        QVERIFY2(out.contains("p=\"/new/&lt;T&gt;/x\"") && out.contains("load(\"/new/<T>/y\")"), qPrintable(out));
        TUIEScene again;
        QVERIFY(TUIEFile::readSceneFile(path("amp.out.pavx"), again));
        QCOMPARE(again.modules().value(0).name, QString("/new/<T>/A"));
    }

    void rewriteLines()
    {
        writeFile(path("l.velmora"), "COLUMN A TIMING 1:a ENDLIST #7 /old/A\n"
                                     "COLUMN B TIMING 1:b ENDLIST #7 /old/A\n"
                                     "MODULE r #12 READ CUSTOM_NAME NAME /old/A\n COL A #3 FIELD_CHART 12\n"
                                     "PATH /db/scene/x /db/scene/y #9 \r\n");
        TUIEScene scene;
        QVERIFY(TUIEFile::readSceneFile(path("l.velmora"), scene));
        QVERIFY(scene.setModuleNewName(0, "/new/A"));
        QVERIFY(TUIEFile::rewriteSceneFile(path("l.velmora"), scene, {{"/db/scene", "T"}}, path("l.velmora")));
        QCOMPARE(readFile(path("l.velmora")), QByteArray("COLUMN A TIMING 1:a ENDLIST /new/A\n"
                                                          "COLUMN B TIMING 1:b ENDLIST #7 /old/A\n"
                                                          "MODULE r READ CUSTOM_NAME NAME /new/A\n COL A FIELD_CHART 12\n"
                                                          "PATH T/x /db/scene/y #9 \r\n"));
    }

    void rewriteText_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("palette list") << "PALETTE_LIST" << QByteArray("a /S/p.plt\n\n/S/q /S/r")
                                      << QByteArray("a T/p.plt\n\nT/q /S/r\n");
        QTest::newRow("other bytes than UTF-8 pass") << "PALETTES" << QByteArray("\xff/S\xfe\n") << QByteArray("\xffT\xfe\n");
        QTest::newRow(".anim unchanged") << "x.anim" << QByteArray("/S\0\x01/S", 6) << QByteArray("/S\0\x01/S", 6);
    }
    void rewriteText()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        writeFile(path(name), content);
        QDir().mkpath(path("out"));
        QVERIFY(TUIEFile::rewriteTextFile(path(name), path("out/" + name), {{"/S", "T"}}));
        QTEST(readFile(path("out/" + name)), "expected");
    }

    // A failed rewrite leaves the destination as it was; a link at the
    // destination is replaced, never written through.
    void rewriteFailureAndLinks()
    {
        writeFile(path("bad.pavx"), "<project><unclosed></project>");
        writeFile(path("dest.pavx"), "before");
        QVERIFY(!TUIEFile::rewriteSceneFile(path("bad.pavx"), TUIEScene(), {}, path("dest.pavx")));
        QCOMPARE(readFile(path("dest.pavx")), QByteArray("before"));

        writeFile(path("outside/PALETTES"), "/S/p\n");
        QDir().mkpath(path("linked"));
        QVERIFY(QFile::link(path("outside/PALETTES"), path("linked/PALETTES")));
        QVERIFY(TUIEFile::rewriteTextFile(path("linked/PALETTES"), path("linked/PALETTES"), {{"/S", "T"}}));
        QCOMPARE(readFile(path("outside/PALETTES")), QByteArray("/S/p\n"));
        QVERIFY(!QFileInfo(path("linked/PALETTES")).isSymLink());
        QCOMPARE(readFile(path("linked/PALETTES")), QByteArray("T/p\n"));
    }

    void projectSummary_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("expected");
        QTest::newRow("frames of the timeline's scene; root folders once")
            << QByteArray("<project><scene id=\"1\" scenenbframes=\"10\"/><scene id=\"2\" scenenbframes=\"30\"/>"
                          "<timeline><scene id=\"2\"/></timeline><element rootfolder=\"elements\"/>"
                          "<element rootfolder=\"\"/><element rootfolder=\"bg\"/><element rootfolder=\"elements\"/></project>")
            << true << "30 elements,bg";
        QTest::newRow("frames not a number") << QByteArray("<project><scene id=\"1\" scenenbframes=\"x\"/>"
                                                           "<timeline><scene id=\"1\"/></timeline></project>")
                                             << true << "0 ";
        QTest::newRow("root folder climbing out refused")
            << QByteArray("<project><element rootfolder=\"../x\"/></project>") << false << QString();
        QTest::newRow("root folder with a slash refused")
            << QByteArray("<project><element rootfolder=\"a/b\"/></project>") << false << QString();
    }
    void projectSummary()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, ok);
        writeFile(path("p.pavx"), content);
        TUIEProjectSummary summary;
        QCOMPARE(TUIEFile::readProjectSummary(path("p.pavx"), summary), ok);
        if (ok)
            QTEST(QString::number(summary.frames) + " " + summary.rootFolders.join(','), "expected");
    }
};

QTEST_GUILESS_MAIN(tst_IEFile)
#include "tst_iefile.moc"
