#include "DbTestFixture.h"
#include "TUDbSceneData.h"
#include "TUDbSelect.h"
#include "TUExport.h"
#include "TUIEProgress.h"
#include "TUImport.h"
#include "TUSceneNameValidator.h"
#include "TUTYImportRemap.h"
#include "oswRemapPath.h"

#include <QDirIterator>
#include <QtTest>

#include <sys/stat.h>

namespace {
// Cancels once the run has visited a number of files.
class CancelAfter : public TUIEProgress
{
public:
    explicit CancelAfter(int files) : m_limit(files) {}
    void setLabelText(const QString &) override {}
    void setValue(int files) override { m_files = files; }
    bool wasCanceled() const override { return m_files >= m_limit; }

private:
    int m_limit;
    int m_files = 0;
};

QStringList entriesBelow(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        entries << it.next().mid(folder.size() + 1);
    entries.sort();
    return entries;
}
} // namespace

// Packages written and read by the exporter and importer in this process:
// the walk and its counts, link modes and choices, refusals, and packages
// made hostile by hand.
class tst_Packages : public QObject
{
    Q_OBJECT

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    std::unique_ptr<TUDbSelectSingleDbClient> m_select;

    QString scene() const { return m_fixture->sceneDir("s1"); }
    QString package() const { return m_fixture->scratch() + "/P"; }
    QString outside() const { return m_fixture->scratch() + "/outside"; }

    std::unique_ptr<TUExport> exporter(const QStringList &words = {"element", "stage", "timing", "annotation", "other"})
    {
        auto exporter = std::make_unique<TUExport>(m_db.get(), m_select.get(), nullptr);
        for (const QString &word : words)
            exporter->setDataOption(word, true);
        exporter->setPath(package());
        exporter->setScenes("E", "J", {"s1"});
        return exporter;
    }

private slots:
    // Environment E, job J, scene s1 with one version, a drawing, links valid
    // (relative), broken and outward, a "~" file and a note.
    void init()
    {
        dba_job_struct job;
        dba_scene_struct record;
        QVERIFY(DbTestFixture::restartWithJob(m_fixture, m_db, &job) && m_fixture->addScene(*m_db, job, "s1", &record));
        QCOMPARE(m_db->dba_addSceneVersion(record, "first", "d"), 1);
        m_db->dba_CloseScene(record);
        m_db->dba_CloseJob(job);
        const QString bg = scene() + "/elements/bg";
        QVERIFY(DbTestFixture::writeFile(bg + "/bg-1.png", "drawing"));
        QVERIFY(DbTestFixture::writeFile(bg + "/bg-1.png~", "backup"));
        QVERIFY(DbTestFixture::writeFile(scene() + "/annotation/notes.txt", "notes"));
        QVERIFY(DbTestFixture::writeFile(scene() + "/stage/v1.pavx",
                                         "<project><module nodetype=\"READ\" nodeinstancename=\"bg\"><customName>"
                                         "<name val=\"/QVX_DB/scenes/J/scene-s1/elements/bg\"/></customName></module></project>\n"));
        QVERIFY(DbTestFixture::writeFile(outside() + "/secret", "secret"));
        QVERIFY(QFile::link("bg-1.png", bg + "/valid"));
        QVERIFY(QFile::link("missing.png", bg + "/broken"));
        QVERIFY(QFile::link(outside() + "/secret", bg + "/outward"));
        m_select = std::make_unique<TUDbSelectSingleDbClient>(9, 0, 0, 0);
        QVERIFY(m_select->setUserName("admin"));
    }
    void cleanup()
    {
        m_select.reset();
        m_db.reset();
        m_fixture.reset();
    }

    // A dry run writes nothing and counts what the real run visits; "~"
    // files are neither counted nor written.
    void dryRunCountsTheRealVisits()
    {
        auto dry = exporter();
        dry->setWrite(false);
        QVERIFY(dry->run());
        QVERIFY(!QFileInfo::exists(package()));
        auto real = exporter();
        QVERIFY(real->run());
        QCOMPARE(real->fileCounter(), dry->fileCounter());
        // bg-1.png, valid, broken, outward, notes.txt, v1.pavx
        QCOMPARE(real->fileCounter(), 6);
        QVERIFY(!QFileInfo::exists(package() + "/jobs/J/scene-s1/elements/bg/bg-1.png~"));
    }

    void cancelRemovesThePackage()
    {
        auto run = exporter();
        CancelAfter progress(2);
        QVERIFY(!run->run(nullptr, &progress));
        QVERIFY(QFileInfo(package()).isDir());
        QCOMPARE(entriesBelow(package()), QStringList());
    }

    void refusedDestinations_data()
    {
        QTest::addColumn<QString>("destination");
        QTest::addColumn<QString>("existing"); // a file made there first
        QTest::newRow("holds one file") << "P" << "P/x";
        QTest::newRow("inside the database") << "ROOT/exports" << "";
        QTest::newRow("inside the scene") << "SCENE/export" << "";
    }
    void refusedDestinations()
    {
        QFETCH(QString, destination);
        QFETCH(QString, existing);
        const auto place = [this](QString path) {
            return path.replace("SCENE", scene()).replace("ROOT", m_fixture->root()).prepend(path.startsWith('/') ? "" : m_fixture->scratch() + "/");
        };
        if (!existing.isEmpty())
            QVERIFY(DbTestFixture::writeFile(place(existing)));
        auto run = exporter();
        run->setPath(place(destination));
        QVERIFY(!run->run());
        QCOMPARE(entriesBelow(place(destination)), existing.isEmpty() ? QStringList() : QStringList{"x"});
    }

    // A link in the scene's data named like a file the exporter writes after
    // the copy is replaced in the package, never written through.
    void linkNamedLikeAWrittenFile()
    {
        QVERIFY(QDir().mkpath(scene() + "/database"));
        QVERIFY(QFile::link(outside() + "/secret", scene() + "/database/scene.dbexport"));
        auto run = exporter({"database"});
        QVERIFY(run->run());
        QCOMPARE(DbTestFixture::readFile(outside() + "/secret"), QByteArray("secret"));
        const QFileInfo written(package() + "/jobs/J/scene-s1/database/scene.dbexport");
        QVERIFY(!written.isSymLink());
        QVERIFY(DbTestFixture::readFile(written.filePath()).startsWith("Quillstream Database Interchange"));
    }

    // What each link mode and choice makes of a drawing and of links in the
    // data: "file", "hardlink", "link", "copy" (of the target) or "-" (absent).
    void linkModes_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QStringList>("expected"); // bg-1.png, valid, broken, outward
        QTest::newRow("copy, keep") << QStringList{"copy", "keep_valid", "keep_broken"} << QStringList{"file", "link", "link", "link"};
        QTest::newRow("hard") << QStringList{"hard", "keep_valid", "keep_broken"} << QStringList{"hardlink", "link", "link", "link"};
        QTest::newRow("symbolic") << QStringList{"sym", "keep_valid", "keep_broken"} << QStringList{"link", "link", "link", "link"};
        QTest::newRow("resolve") << QStringList{"copy", "resolve"} << QStringList{"file", "file", "-", "file"};
        QTest::newRow("ignore") << QStringList{"copy"} << QStringList{"file", "-", "-", "-"};
    }
    void linkModes()
    {
        QFETCH(QStringList, options);
        QFETCH(QStringList, expected);
        auto run = exporter({"element"});
        run->setLinkMode(options.contains("hard") ? TUIECopier::HardOrCopy
                         : options.contains("sym") ? TUIECopier::Symbolic : TUIECopier::CopyFiles);
        run->setKeepValidLinks(options.contains("keep_valid"));
        run->setResolveValidLinks(options.contains("resolve"));
        run->setKeepBrokenLinks(options.contains("keep_broken"));
        QVERIFY(run->run());
        QStringList made;
        for (const char *name : {"bg-1.png", "valid", "broken", "outward"}) {
            const QFileInfo info(package() + "/jobs/J/scene-s1/elements/bg/" + name);
            struct stat st;
            const bool hard = ::lstat(QFile::encodeName(info.filePath()).constData(), &st) == 0 && st.st_nlink > 1;
            made << (info.isSymLink() ? "link" : !info.exists() ? "-" : hard ? "hardlink" : "file");
        }
        QCOMPARE(made, expected);
    }

    // Packages made hostile by hand: each bad scene is refused with a
    // message, the rest of the run goes on, and nothing is written outside
    // the target's folders.
    void hostilePackages_data()
    {
        QTest::addColumn<QString>("line");   // the scene line's job and scene
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("imported");
        QTest::addColumn<bool>("errors");
        QTest::newRow("dot-dot job") << "J .." << "" << 0 << true;
        QTest::newRow("slash") << "J a/b" << "" << 0 << true;
        QTest::newRow("quote") << "J s\"9" << "" << 0 << true;
        QTest::newRow("10,000 characters") << "J " + QString(10000, 'x') << "" << 0 << true;
        QTest::newRow("another job") << "K s9" << "" << 0 << false;
        QTest::newRow("scene folder links outside") << "J s9" << "sceneLink" << 0 << true;
        QTest::newRow("drawing links outside") << "J s9" << "fileLink" << 1 << true;
        QTest::newRow("target folder links outside") << "J s1" << "targetLink" << 1 << true;
    }
    void hostilePackages()
    {
        QFETCH(QString, line);
        QFETCH(QString, setup);
        QVERIFY(DbTestFixture::writeFile(package() + "/contents.ksup", "Data : element\nScene : E " + line.toUtf8() + " 1 first\n"));
        const QString bg = (setup == "sceneLink" ? outside() : package() + "/jobs/J/scene-s9") + "/elements/bg";
        QVERIFY(DbTestFixture::writeFile(bg + "/new.png", "new"));
        if (setup == "sceneLink")
            QVERIFY(QDir().mkpath(package() + "/jobs/J") && QFile::link(outside(), package() + "/jobs/J/scene-s9"));
        if (setup == "fileLink")
            QVERIFY(QFile::link(outside() + "/secret", bg + "/stolen.png"));
        if (setup == "targetLink") {
            QVERIFY(DbTestFixture::writeFile(package() + "/jobs/J/scene-s1/elements/bg/new.png", "new"));
            QVERIFY(QDir(scene()).removeRecursively() && QDir().mkpath(scene()));
            QVERIFY(QFile::link(outside(), scene() + "/elements"));
        }
        const QStringList outsideBefore = entriesBelow(outside());
        TUImport importer(m_db.get(), m_select.get());
        importer.setScenes(package(), "E", setup.isEmpty() ? "J" : QString(), {});
        QVERIFY(importer.openPackage(package(), false) || setup.isEmpty());
        importer.setKeepValidLinks(false);
        importer.setResolveValidLinks(true);
        importer.setDestination("E", "J", m_fixture->fileSystem());
        QTEST(importer.import(), "imported");
        QTEST(importer.errorCount() > 0, "errors");
        QCOMPARE(entriesBelow(outside()), outsideBefore);
        QVERIFY(!QFileInfo::exists(m_fixture->sceneDir("s9") + "/elements/bg/stolen.png"));
    }

    // A batch import stops at a scene checked out to someone else, and
    // writes nothing into it.
    void batchImportStopsAtACheckedOutScene()
    {
        QVERIFY(exporter({"element", "stage"})->run());
        QCOMPARE(m_db->addUser("ines", "I", "N", QString(), DBA_UserOps::ANIMATOR), 0);
        dba_job_struct job;
        QCOMPARE(m_db->dba_OpenJob("J", job), 0);
        QVERIFY(m_db->dba_CheckoutScene(job, "s1", "ines"));
        m_db->dba_CloseJob(job);
        QVERIFY(QFile::remove(scene() + "/elements/bg/bg-1.png"));
        TUImport importer(m_db.get(), m_select.get());
        QVERIFY(importer.openPackage(package(), false));
        importer.setDestination("E", "J", m_fixture->fileSystem());
        QVERIFY(!importer.batchImport());
        QVERIFY(!QFileInfo::exists(scene() + "/elements/bg/bg-1.png"));
    }

    // A standalone scene file brings a new scene; a name longer than 24
    // characters is cut (and said so), a decomposed one stored composed.
    void standaloneSceneNames_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("scene");
        QTest::newRow("25 characters") << QString(25, 'a') << QString(24, 'a');
        QTest::newRow("decomposed") << QString("cafe\u0301") << QString("caf\u00e9");
    }
    void standaloneSceneNames()
    {
        QFETCH(QString, file);
        QFETCH(QString, scene);
        TUSceneNameValidator::setAcceptUnicode(true);
        const QString folder = m_fixture->scratch() + "/standalone";
        QVERIFY(DbTestFixture::writeFile(folder + "/" + file + ".v2.pavx", "<project><scene id=\"1\" scenenbframes=\"12\"/></project>\n"));
        QVERIFY(DbTestFixture::writeFile(folder + "/elements/bg/bg-1.png", "drawing"));
        TUImport importer(m_db.get(), m_select.get());
        QVERIFY(importer.openPackage(folder + "/" + file + ".v2.pavx", false));
        importer.setDestination("E", "J", m_fixture->fileSystem());
        QCOMPARE(importer.import(), 1);
        TUSceneNameValidator::setAcceptUnicode(false);
        const QString imported = m_fixture->sceneDir(scene);
        QVERIFY(QFileInfo::exists(imported + "/stage/v2.pavx"));
        QCOMPARE(DbTestFixture::readFile(imported + "/elements/bg/bg-1.png"), QByteArray("drawing"));
    }

    // Presets from a relink file; a file that is not XML gives none.
    void remapPresets()
    {
        const QString file = m_fixture->scratch() + "/relink.xml";
        QVERIFY(DbTestFixture::writeFile(file, "<presets><relink name=\"site\"><description value=\"a\"/><description value=\"\"/>"
                                               "<description value=\"b\"/></relink><relink name=\"bare\"/></presets>"));
        const TUTYImportRemap::Presets presets = TUTYImportRemap::readPresets(file);
        QCOMPARE(presets.keys(), (QStringList{"bare", "site"}));
        QCOMPARE(presets.value("site"), (QStringList{"a", "b"}));
        QVERIFY(DbTestFixture::writeFile(file, "<presets><relink"));
        QVERIFY(TUTYImportRemap::readPresets(file).isEmpty());
    }

    // The editor runs the relink script on each version; an empty version
    // is left out of its arguments, and a missing editor is a failure.
    void remapRunsTheEditor()
    {
        const QString log = m_fixture->scratch() + "/editor.log";
        qputenv("TALLYARD_EDITOR", FAKE_EDITOR);
        qputenv("FAKE_EDITOR_LOG", log.toUtf8());
        TUTYImportRemap remap(m_db.get());
        remap.set(TUTYImportRemap::sharedPresetFile(), "site");
        QVERIFY(remap.remap("E", "J", "s1", "2") && remap.remap("E", "J", "s1", ""));
        QCOMPARE(QString(DbTestFixture::readFile(log)),
                 "E\tJ\ts1\t2\t-batch\t-compile\tKS_RelinkPaths.js\t-script\tKS_RelinkPaths(\"site\")\t-lockScene\n"
                 "E\tJ\ts1\t-batch\t-compile\tKS_RelinkPaths.js\t-script\tKS_RelinkPaths(\"site\")\t-lockScene\n");
        qputenv("TALLYARD_EDITOR", "/nonexistent/Pavane");
        QVERIFY(!remap.remap("E", "J", "s1", "2"));
        qunsetenv("TALLYARD_EDITOR");
    }
};

QTEST_GUILESS_MAIN(tst_Packages)
#include "tst_packages.moc"
