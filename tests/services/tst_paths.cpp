#include "UT_Path.h"
#include "oswRemapPath.h"

#include <QtTest>

#include <unistd.h>

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(f.errorString()));
    f.write(content);
}

// Maps given as "from=to" so tables stay one line a row.
void addMaps(const QStringList &maps)
{
    for (const QString &map : maps) {
        const int eq = map.indexOf(QLatin1Char('='));
        oswRemapPath::addPrefixMap(map.left(eq), map.mid(eq + 1));
    }
}

} // namespace

class tst_Paths : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        oswRemapPath::setDatabaseRoot(QString());
        oswRemapPath::clearPrefixMaps();
    }

    // --- UT_Path ---

    void pathRefusesUnsafeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("asFileName");
        for (bool asFileName : {false, true}) {
            const QString fn = asFileName ? QStringLiteral("AddName: ") : QStringLiteral("AddFolder: ");
            QTest::newRow(qPrintable(fn + QStringLiteral("empty"))) << QString() << asFileName;
            QTest::newRow(qPrintable(fn + QStringLiteral("."))) << QStringLiteral(".") << asFileName;
            QTest::newRow(qPrintable(fn + QStringLiteral(".."))) << QStringLiteral("..") << asFileName;
            QTest::newRow(qPrintable(fn + QStringLiteral("/"))) << QStringLiteral("/") << asFileName;
            QTest::newRow(qPrintable(fn + QStringLiteral("absolute"))) << QStringLiteral("/etc") << asFileName;
            QTest::newRow(qPrintable(fn + QStringLiteral("climbing"))) << QStringLiteral("../x") << asFileName;
            QTest::newRow(qPrintable(fn + QStringLiteral("backslash"))) << QStringLiteral("..\\x") << asFileName;
        }
    }
    void pathRefusesUnsafeNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, asFileName);
        UT_Path path(QStringLiteral("/jobs/j1"));
        QVERIFY(!(asFileName ? path.AddName(name) : path.AddFolder(name)));
        QCOMPARE(path.GetPath(), QStringLiteral("/jobs/j1"));
        QCOMPARE(path.GetFileName(), QString());
    }

    void pathParts_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("isFolder");
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("pathWithSlash");
        QTest::newRow("folder") << "/jobs" << true << QStringList{"j1", "shots"} << ""
                                << "/jobs/j1/shots" << "" << "/jobs/j1/shots" << "/jobs/j1/shots/";
        QTest::newRow("folder and file") << "/jobs" << true << QStringList{"j1"} << "s1.ma"
                                         << "/jobs/j1" << "s1.ma" << "/jobs/j1/s1.ma" << "/jobs/j1/s1.ma";
        QTest::newRow("starting from a file") << "/jobs/j1/s1.ma" << false << QStringList() << ""
                                              << "/jobs/j1" << "s1.ma" << "/jobs/j1/s1.ma" << "/jobs/j1/s1.ma";
        QTest::newRow("folder added after the file name") << "/jobs/s1.ma" << false << QStringList{"j1"} << ""
                                                          << "/jobs/j1" << "s1.ma" << "/jobs/j1/s1.ma" << "/jobs/j1/s1.ma";
        QTest::newRow("second file name replaces") << "/jobs/s1.ma" << false << QStringList() << "s2.ma"
                                                   << "/jobs" << "s2.ma" << "/jobs/s2.ma" << "/jobs/s2.ma";
        QTest::newRow("separators cleaned") << "\\jobs//j1/" << true << QStringList{"shots"} << ""
                                            << "/jobs/j1/shots" << "" << "/jobs/j1/shots" << "/jobs/j1/shots/";
        QTest::newRow("root") << "/" << true << QStringList() << "" << "/" << "" << "/" << "/";
        QTest::newRow("below root") << "/" << true << QStringList{"jobs"} << "a" << "/jobs" << "a" << "/jobs/a" << "/jobs/a";
        QTest::newRow("file at root") << "/s1.ma" << false << QStringList() << "" << "/" << "s1.ma" << "/s1.ma" << "/s1.ma";
        QTest::newRow("relative") << "" << true << QStringList{"jobs"} << "a" << "jobs" << "a" << "jobs/a" << "jobs/a";
        // An empty path must not turn into the root with the slash.
        QTest::newRow("empty") << "" << true << QStringList() << "" << "" << "" << "" << "";
    }
    void pathParts()
    {
        QFETCH(QString, start);
        QFETCH(bool, isFolder);
        QFETCH(QStringList, folders);
        QFETCH(QString, name);
        QFETCH(QString, folder);
        QFETCH(QString, fileName);
        QFETCH(QString, path);
        QFETCH(QString, pathWithSlash);
        UT_Path p(start, isFolder);
        for (const QString &f : folders)
            QVERIFY(p.AddFolder(f));
        if (!name.isEmpty())
            QVERIFY(p.AddName(name));
        QCOMPARE(p.GetFolder(), folder);
        QCOMPARE(p.GetFileName(), fileName);
        QCOMPARE(p.GetPath(), path);
        QCOMPARE(p.GetPath(true), pathWithSlash);
    }

    void pathCreatesAndFindsOnDisk()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        UT_Path file(dir.path());
        QVERIFY(file.AddFolder(QStringLiteral("a")) && file.AddFolder(QStringLiteral("b")));
        QVERIFY(file.AddName(QStringLiteral("f.txt")));
        QVERIFY(!file.Exists());
        QVERIFY(file.CreateFolder());
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("a/b"))).isDir());
        QVERIFY(!file.Exists()); // only its folder was made
        writeFile(file.GetPath(), "x");
        QVERIFY(file.Exists());

        // A file where a folder is expected does not count as the folder.
        UT_Path folder(file.GetPath(), true);
        QVERIFY(!folder.Exists());
        QVERIFY(UT_Path(dir.filePath(QStringLiteral("a"))).Exists());
    }

    // --- oswRemapPath ---

    void remap_data()
    {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QStringList>("maps");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("local");
        const QString db = QStringLiteral("/srv/tallyard/db");
        QTest::newRow("logical root itself") << db << QStringList() << "/QVX_DB" << db;
        QTest::newRow("below the logical root") << db << QStringList() << "/QVX_DB/jobs/j1/s1.ma" << db + "/jobs/j1/s1.ma";
        QTest::newRow("root given with a slash") << db + "/" << QStringList() << "/QVX_DB/jobs" << db + "/jobs";
        QTest::newRow("no database root yet") << QString() << QStringList() << "/QVX_DB/jobs" << "/QVX_DB/jobs";
        QTest::newRow("component boundary") << db << QStringList() << "/QVX_DBX/a" << "/QVX_DBX/a";
        QTest::newRow("not at the start") << db << QStringList() << "/x/QVX_DB/a" << "/x/QVX_DB/a";
        QTest::newRow("unrelated path") << db << QStringList{"/studio=/mnt/studio"} << "/other/x" << "/other/x";
        QTest::newRow("relative path") << db << QStringList() << "QVX_DB/a" << "QVX_DB/a";
        QTest::newRow("map longer than the root wins") << db << QStringList{"/QVX_DB/renders=/mnt/renders"}
                                                       << "/QVX_DB/renders/r1.exr" << "/mnt/renders/r1.exr";
        QTest::newRow("map boundary falls back to the root") << db << QStringList{"/QVX_DB/renders=/mnt/renders"}
                                                             << "/QVX_DB/renders2/r1.exr" << db + "/renders2/r1.exr";
        QTest::newRow("longer map wins, added last") << db << QStringList{"/studio=/mnt/s", "/studio/share=/net/share"}
                                                     << "/studio/share/a" << "/net/share/a";
        QTest::newRow("longer map wins, added first") << db << QStringList{"/studio/share=/net/share", "/studio=/mnt/s"}
                                                      << "/studio/share/a" << "/net/share/a";
        QTest::newRow("shorter map for the rest") << db << QStringList{"/studio/share=/net/share", "/studio=/mnt/s"}
                                                  << "/studio/shared/a" << "/mnt/s/shared/a";
        QTest::newRow("map onto the root folder") << db << QStringList{"/studio=/"} << "/studio/a" << "/a";
        QTest::newRow("re-added map replaces") << db << QStringList{"/studio=/old", "/studio=/new"} << "/studio/a"
                                               << "/new/a";
    }
    void remap()
    {
        QFETCH(QString, root);
        QFETCH(QStringList, maps);
        QFETCH(QString, stored);
        QFETCH(QString, local);
        oswRemapPath::setDatabaseRoot(root);
        addMaps(maps);
        QCOMPARE(oswRemapPath::RemapPath2(stored), local);
    }

    void unmap_data()
    {
        QTest::addColumn<QString>("local");
        QTest::addColumn<QString>("stored");
        QTest::newRow("database root") << "/srv/db" << "/QVX_DB";
        QTest::newRow("below the root") << "/srv/db/jobs/j1" << "/QVX_DB/jobs/j1";
        QTest::newRow("untidy below the root") << "/srv//db/jobs/./j1/" << "/QVX_DB/jobs/j1";
        QTest::newRow("beside the root") << "/srv/dbx/jobs" << "/srv/dbx/jobs";
        QTest::newRow("outside, cleaned") << "/tmp//x/" << "/tmp/x";
        QTest::newRow("below a map") << "/mnt/renders/r1.exr" << "/QVX_DB/renders/r1.exr";
        QTest::newRow("below the other map") << "/net/share/a" << "/studio/share/a";
    }
    void unmap()
    {
        QFETCH(QString, local);
        QFETCH(QString, stored);
        oswRemapPath::setDatabaseRoot(QStringLiteral("/srv/db"));
        addMaps({QStringLiteral("/QVX_DB/renders=/mnt/renders"), QStringLiteral("/studio/share=/net/share")});
        QCOMPARE(oswRemapPath::UnmapPath(local), stored);
    }

    void unmapReversesRemap_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::newRow("root") << "/QVX_DB";
        QTest::newRow("below the root") << "/QVX_DB/jobs/j1/s1.ma";
        QTest::newRow("below a map") << "/QVX_DB/renders/r1.exr";
        QTest::newRow("beside a map") << "/QVX_DB/renders2/r1.exr";
        QTest::newRow("map outside the root") << "/studio/share/a";
    }
    void unmapReversesRemap()
    {
        QFETCH(QString, stored);
        oswRemapPath::setDatabaseRoot(QStringLiteral("/srv/db"));
        addMaps({QStringLiteral("/QVX_DB/renders=/mnt/renders"), QStringLiteral("/studio/share=/net/share")});
        const QString local = oswRemapPath::RemapPath2(stored);
        QVERIFY(local != stored);
        QCOMPARE(oswRemapPath::UnmapPath(local), stored);
    }

    void loadPrefixMaps()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString ini = dir.filePath(QStringLiteral("remap.ini"));
        writeFile(ini, "[general]\nQVX_DB/ignored=/nowhere\n"
                       "[remap]\nQVX_DB/renders=/mnt/renders\nstudio\\share=/net/share\n");
        oswRemapPath::setDatabaseRoot(QStringLiteral("/srv/db"));
        oswRemapPath::addPrefixMap(QStringLiteral("/old"), QStringLiteral("/replaced"));

        QString error;
        QVERIFY2(oswRemapPath::loadPrefixMaps(ini, error), qPrintable(error));
        QCOMPARE(oswRemapPath::RemapPath2(QStringLiteral("/QVX_DB/renders/r")), QStringLiteral("/mnt/renders/r"));
        QCOMPARE(oswRemapPath::RemapPath2(QStringLiteral("/studio/share/a")), QStringLiteral("/net/share/a"));
        QCOMPARE(oswRemapPath::RemapPath2(QStringLiteral("/QVX_DB/ignored/x")), QStringLiteral("/srv/db/ignored/x"));
        QCOMPARE(oswRemapPath::RemapPath2(QStringLiteral("/old/x")), QStringLiteral("/old/x"));

        // No file: no maps, and not an error.
        QVERIFY2(oswRemapPath::loadPrefixMaps(dir.filePath(QStringLiteral("none.ini")), error), qPrintable(error));
        QCOMPARE(oswRemapPath::RemapPath2(QStringLiteral("/QVX_DB/renders/r")), QStringLiteral("/srv/db/renders/r"));
    }

    void loadPrefixMapsFailures_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("kind");
        QTest::newRow("malformed") << QByteArray("[remap\nQVX_DB/a=/b\n") << "file";
        QTest::newRow("key with a leading slash") << QByteArray("[remap]\n/QVX_DB/a=/b\n") << "file";
        QTest::newRow("no local path") << QByteArray("[remap]\nQVX_DB/a=\n") << "file";
        QTest::newRow("a folder, not a file") << QByteArray() << "folder";
        QTest::newRow("unreadable") << QByteArray("[remap]\nQVX_DB/a=/b\n") << "unreadable";
    }
    void loadPrefixMapsFailures()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, kind);
        if (kind == QLatin1String("unreadable") && ::geteuid() == 0)
            QSKIP("permission bits do not stop root from reading");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString ini = dir.filePath(QStringLiteral("remap.ini"));
        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkdir(ini));
        } else {
            writeFile(ini, content);
            if (kind == QLatin1String("unreadable"))
                QVERIFY(QFile::setPermissions(ini, QFile::WriteOwner));
        }
        oswRemapPath::addPrefixMap(QStringLiteral("/QVX_DB/a"), QStringLiteral("/kept"));

        QString error;
        QVERIFY(!oswRemapPath::loadPrefixMaps(ini, error));
        QVERIFY2(error.contains(ini), qPrintable(error));
        // A bad file leaves the maps in force as they were.
        QCOMPARE(oswRemapPath::RemapPath2(QStringLiteral("/QVX_DB/a/x")), QStringLiteral("/kept/x"));
    }
};

QTEST_GUILESS_MAIN(tst_Paths)
#include "tst_paths.moc"
