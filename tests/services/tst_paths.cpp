#include "TestFiles.h"
#include "UT_Path.h"
#include "oswRemapPath.h"
#include "oswUtil.h"

#include <QStorageInfo>

class tst_Paths : public QObject
{
    Q_OBJECT

private slots:
    void init() { oswRemapPath::clearPrefixMaps(); }

    // steps: "name/" adds a folder, "name" a file name; "!" before either must be refused and change
    // nothing, so names from data never climb out. parts: folder|file name|path|path with a slash.
    void pathParts_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("isFolder");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("parts");
        QTest::newRow("folder added after the file name") << "/jobs/s1.ma" << false << "j1/" << "/jobs/j1|s1.ma|/jobs/j1/s1.ma|/jobs/j1/s1.ma";
        QTest::newRow("unsafe names") << "/jobs/j1" << true << "! !/ !. !./ !.. !../ !/etc !/etc/ !../x !../x/ !..\\x !..\\x/"
                                      << "/jobs/j1||/jobs/j1|/jobs/j1/";
        QTest::newRow("second file name replaces") << "/jobs/s1.ma" << false << "s2.ma" << "/jobs|s2.ma|/jobs/s2.ma|/jobs/s2.ma";
        QTest::newRow("separators cleaned") << "\\jobs//j1/" << true << "shots/" << "/jobs/j1/shots||/jobs/j1/shots|/jobs/j1/shots/";
        QTest::newRow("root") << "/" << true << "" << "/||/|/";
        QTest::newRow("below root") << "/" << true << "jobs/ a" << "/jobs|a|/jobs/a|/jobs/a";
        QTest::newRow("file at root") << "/s1.ma" << false << "" << "/|s1.ma|/s1.ma|/s1.ma";
        QTest::newRow("relative") << "" << true << "jobs/ a" << "jobs|a|jobs/a|jobs/a";
        // An empty path must not turn into the root with the slash.
        QTest::newRow("empty") << "" << true << "" << "|||";
    }
    void pathParts()
    {
        QFETCH(QString, start);
        QFETCH(bool, isFolder);
        QFETCH(QString, steps);
        UT_Path p(start, isFolder);
        for (QString step : steps.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const bool refused = step.startsWith(QLatin1Char('!'));
            step.remove(0, refused);
            QVERIFY2((step.endsWith(QLatin1Char('/')) ? p.AddFolder(step.chopped(1)) : p.AddName(step)) != refused, qPrintable(step));
        }
        QTEST(QStringList({p.GetFolder(), p.GetFileName(), p.GetPath(), p.GetPath(true)}).join(QLatin1Char('|')), "parts");
    }

    void pathCreatesAndFindsOnDisk()
    {
        QTemporaryDir dir;
        UT_Path file(dir.path());
        QVERIFY(file.AddFolder(QStringLiteral("a")) && file.AddFolder(QStringLiteral("b")) && file.AddName(QStringLiteral("f")));
        QVERIFY(!file.Exists() && file.CreateFolder() && QFileInfo(dir.filePath(QStringLiteral("a/b"))).isDir());
        QVERIFY(!file.Exists()); // only its folder was made
        writeFile(file.GetPath(), "x");
        QVERIFY(file.Exists());
        // A file where a folder is expected does not count as the folder.
        QVERIFY(!UT_Path(file.GetPath(), true).Exists());
        QVERIFY(UT_Path(dir.filePath(QStringLiteral("a"))).Exists());
    }

    // Both ways: the stored path remaps to the local one (cleaned), which unmaps back.
    void remap_data()
    {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("maps");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("local");
        const QString db = QStringLiteral("/srv/db");
        QTest::newRow("logical root itself") << db << "" << "/QVX_DB" << db;
        QTest::newRow("below the logical root") << db << "" << "/QVX_DB/jobs/j1/s1.ma" << db + "/jobs/j1/s1.ma";
        QTest::newRow("untidy local path") << db << "" << "/QVX_DB/jobs/j1" << "/srv//db/jobs/./j1/";
        QTest::newRow("root given with a slash") << db + "/" << "" << "/QVX_DB/jobs" << db + "/jobs";
        QTest::newRow("no database root yet") << "" << "" << "/QVX_DB/jobs" << "/QVX_DB/jobs";
        QTest::newRow("component boundary") << db << "" << "/QVX_DBX/a" << "/QVX_DBX/a";
        QTest::newRow("not at the start") << db << "" << "/x/QVX_DB/a" << "/x//QVX_DB/a/";
        QTest::newRow("map wins over the root") << db << "/QVX_DB/renders=/mnt/renders" << "/QVX_DB/renders/r1.exr" << "/mnt/renders/r1.exr";
        QTest::newRow("longer map wins, added last") << db << "/studio=/mnt/s /studio/share=/net/share" << "/studio/share/a" << "/net/share/a";
        QTest::newRow("longer map wins, added first") << db << "/studio/share=/net/share /studio=/mnt/s" << "/studio/share/a" << "/net/share/a";
        QTest::newRow("shorter map for the rest") << db << "/studio/share=/net/share /studio=/mnt/s" << "/studio/shared/a" << "/mnt/s/shared/a";
        QTest::newRow("map onto the root folder") << db << "/studio=/" << "/studio/a" << "/a";
        QTest::newRow("re-added map replaces") << db << "/studio=/old /studio=/new" << "/studio/a" << "/new/a";
    }
    void remap()
    {
        QFETCH(QString, root);
        QFETCH(QString, maps);
        QFETCH(QString, stored);
        QFETCH(QString, local);
        oswRemapPath::setDatabaseRoot(root);
        for (const QString &map : maps.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            oswRemapPath::addPrefixMap(map.section(QLatin1Char('='), 0, 0), map.section(QLatin1Char('='), 1));
        QCOMPARE(oswRemapPath::RemapPath2(stored), QDir::cleanPath(local));
        QCOMPARE(oswRemapPath::UnmapPath(local), stored);
    }

    // Maps come from [remap], replacing those set before; no file, no maps; a bad file changes nothing.
    void loadPrefixMaps_data()
    {
        QTest::addColumn<QByteArray>("content"); // "folder": a folder in the file's place
        QTest::addColumn<QString>("remapped");   // three stored paths afterwards
        const QString kept = QStringLiteral("/kept/r /studio/share/a /srv/db/ignored/x");
        QTest::newRow("maps") << QByteArray("[general]\nQVX_DB/ignored=/x\n[remap]\nQVX_DB/renders=/mnt/r\nstudio\\share=/net/s\n")
                              << "/mnt/r/r /net/s/a /srv/db/ignored/x";
        QTest::newRow("no file") << QByteArray() << "/srv/db/renders/r /studio/share/a /srv/db/ignored/x";
        QTest::newRow("malformed") << QByteArray("[remap\nQVX_DB/a=/b\n") << kept;
        QTest::newRow("key with a leading slash") << QByteArray("[remap]\n/QVX_DB/a=/b\n") << kept;
        QTest::newRow("no local path") << QByteArray("[remap]\nQVX_DB/a=\n") << kept;
        // A file that cannot be read at all, here because it is a folder.
        QTest::newRow("a folder, not a file") << QByteArray("folder") << kept;
    }
    void loadPrefixMaps()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, remapped);
        const bool ok = !remapped.startsWith(QLatin1String("/kept/"));
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("remap.ini"));
        if (content == "folder")
            QVERIFY(QDir().mkdir(ini));
        else if (!content.isEmpty())
            writeFile(ini, content);
        oswRemapPath::setDatabaseRoot(QStringLiteral("/srv/db"));
        oswRemapPath::addPrefixMap(QStringLiteral("/QVX_DB/renders"), QStringLiteral("/kept"));

        QString error;
        QCOMPARE(oswRemapPath::loadPrefixMaps(ini, error), ok);
        QVERIFY2(ok || error.contains(ini), qPrintable(error));
        QStringList got;
        for (const char *stored : {"/QVX_DB/renders/r", "/studio/share/a", "/QVX_DB/ignored/x"})
            got << oswRemapPath::RemapPath2(QString::fromLatin1(stored));
        QCOMPARE(got.join(QLatin1Char(' ')), remapped);
    }

    // The text holds the free megabytes first, as the callers read them back.
    void diskInformation()
    {
        const QStorageInfo storage(QDir::tempPath());
        QString text;
        QVERIFY(oswUtil::getDiskInfo(QDir::tempPath() + QStringLiteral("/not/yet/made"), text, 0));
        const auto m = QRegularExpression(QStringLiteral("^ \\((\\d+) MByte\\(s\\) free of (\\d+) MByte\\(s\\)\\)$")).match(text);
        QVERIFY2(m.hasMatch(), qPrintable(text));
        QCOMPARE(m.captured(2).toLongLong(), storage.bytesTotal() / (1024 * 1024));
        QCOMPARE(oswUtil::freeMegabytesOf(text), m.captured(1).toInt());
        QVERIFY(!oswUtil::getDiskInfo(QDir::tempPath(), text, float(storage.bytesTotal()) / 1024 / 1024 + 1));
        QVERIFY(oswUtil::freeMegabytesOf(QStringLiteral(" (?)")) == -1 && oswUtil::freeMegabytesOf(QStringLiteral("12 MByte(s)")) == -1);
    }
};

QTEST_GUILESS_MAIN(tst_Paths)
#include "tst_paths.moc"
