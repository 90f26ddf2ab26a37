#include "tufile.h"

#include <QtTest>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const QFile::Permissions RwOwner = QFile::ReadOwner | QFile::WriteOwner;

// Writes a file, making its folder first.
void writeFile(const QString &path, const QByteArray &content, QFile::Permissions perms = {})
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(f.errorString()));
    QCOMPARE(f.write(content), qint64(content.size()));
    f.close();
    if (perms)
        QVERIFY(f.setPermissions(perms));
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

fs::file_status linkStatus(const QString &path)
{
    std::error_code ec;
    return fs::symlink_status(QFile::encodeName(path).toStdString(), ec);
}

bool isLink(const QString &path) { return fs::is_symlink(linkStatus(path)); }
bool present(const QString &path) { return linkStatus(path).type() != fs::file_type::not_found; }

QString linkText(const QString &path)
{
    std::error_code ec;
    return QString::fromStdString(fs::read_symlink(QFile::encodeName(path).toStdString(), ec).string());
}

QStringList entries(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

struct stat statOf(const QString &path)
{
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

// The error names the path and, when one is given, the system's reason.
bool names(const QString &error, const QString &path, int reason = 0)
{
    const bool ok = error.contains(path) && (reason == 0 || error.contains(QString::fromLocal8Bit(std::strerror(reason))));
    return ok || (qWarning("error text \"%s\" lacks %s", qPrintable(error), qPrintable(path)), false);
}

} // namespace

class tst_TuFile : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString at(const QString &name) const { return m_dir->filePath(name); }
    static bool copy(bool useCp, const QString &source, const QString &target, QString &error, bool overwrite = false)
    {
        return useCp ? tufile::cp(source, target, error, overwrite) : tufile::Copy(source, target, error);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup()
    {
        // Read-only folders left by a test would stop QTemporaryDir's cleanup.
        QDirIterator it(m_dir->path(), QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            QFile::setPermissions(it.next(), RwOwner | QFile::ExeOwner);
        m_dir.reset();
    }

    void checkCreatePath_data()
    {
        QTest::addColumn<QString>("existing"); // "", "folder" or "file" at "f"
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("mustBeNew");
        QTest::addColumn<int>("reason"); // 0 when it succeeds
        QTest::newRow("new nested folders") << "" << "a/b/c" << false << 0;
        QTest::newRow("new with mustBeNew") << "" << "a" << true << 0;
        QTest::newRow("existing folder") << "folder" << "f" << false << 0;
        QTest::newRow("existing folder, mustBeNew") << "folder" << "f" << true << EEXIST;
        QTest::newRow("file in the way") << "file" << "f" << false << ENOTDIR;
        QTest::newRow("file as a parent") << "file" << "f/sub" << false << ENOTDIR;
    }
    void checkCreatePath()
    {
        QFETCH(QString, existing);
        QFETCH(QString, path);
        QFETCH(bool, mustBeNew);
        QFETCH(int, reason);
        if (existing == "folder")
            QVERIFY(QDir().mkdir(at("f")));
        else if (existing == "file")
            writeFile(at("f"), "x");
        QString error;
        QCOMPARE(tufile::checkCreatePath(at(path), error, mustBeNew), reason == 0);
        if (reason == 0)
            QVERIFY(QFileInfo(at(path)).isDir());
        else
            QVERIFY(names(error, at(path), reason));
        if (existing == "file")
            QCOMPARE(readFile(at("f")), QByteArray("x"));
    }

    // Content, permission bits and time come over; an existing file is
    // replaced only with overwrite; cp copies a link as a link.
    void copiesKeepContentPermissionsAndTime_data()
    {
        QTest::addColumn<bool>("useCp");
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<bool>("viaLink");
        QTest::newRow("Copy") << false << false << false;
        QTest::newRow("cp") << true << false << false;
        QTest::newRow("cp over an existing file") << true << true << false;
        QTest::newRow("cp keeps a link") << true << false << true;
        QTest::newRow("Copy copies what a link points at") << false << false << true;
    }
    void copiesKeepContentPermissionsAndTime()
    {
        QFETCH(bool, useCp);
        QFETCH(bool, overwrite);
        QFETCH(bool, viaLink);
        const QString source = at("source.ma"), target = at("out/target.ma");
        const QByteArray content = QByteArray("scene data\n").repeated(5000);
        writeFile(source, content, RwOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
        const QDateTime old = QDateTime::currentDateTimeUtc().addDays(-30);
        {
            QFile f(source);
            QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(old, QFileDevice::FileModificationTime));
        }
        QVERIFY(QDir().mkdir(at("out")));
        if (overwrite)
            writeFile(target, "old", RwOwner);
        QVERIFY(!viaLink || QFile::link(source, at("link")));

        QString error;
        QVERIFY2(copy(useCp, viaLink ? at("link") : source, target, error, overwrite), qPrintable(error));
        QCOMPARE(isLink(target), viaLink && useCp);
        QCOMPARE(linkText(target), viaLink && useCp ? source : QString());
        QCOMPARE(readFile(target), content);
        QCOMPARE(QFileInfo(target).permissions(), QFileInfo(source).permissions());
        QCOMPARE(QFileInfo(target).lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch());
        // The temporary it was built under is gone.
        QCOMPARE(entries(at("out")), QStringList{"target.ma"});
    }

    void copyFailures_data()
    {
        QTest::addColumn<bool>("useCp");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("reasonNamesTarget");
        for (bool useCp : {false, true}) {
            const QString fn = useCp ? "cp: " : "Copy: ";
            QTest::addRow("%smissing source", qPrintable(fn)) << useCp << "no-such-file" << "out/target" << ENOENT << false;
            QTest::addRow("%sexisting target", qPrintable(fn)) << useCp << "source" << "out/old" << EEXIST << true;
        }
        QTest::newRow("cp: missing target folder") << true << "source" << "out/missing/target" << ENOENT << true;
        QTest::newRow("cp: folder onto a folder") << true << "tree" << "out" << EEXIST << true;
        QTest::newRow("cp: folder into itself") << true << "tree" << "tree/sub/copy" << 0 << false;
        QTest::newRow("Copy: source is a folder") << false << "tree" << "out/target" << EISDIR << false;
    }
    void copyFailures()
    {
        QFETCH(bool, useCp);
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(int, reason);
        QFETCH(bool, reasonNamesTarget);
        writeFile(at("source"), "new");
        writeFile(at("out/old"), "old");
        writeFile(at("tree/sub/f"), "f");
        const QString folder = QFileInfo(at(target)).path();
        const QStringList before = entries(folder);

        QString error;
        QVERIFY(!copy(useCp, at(source), at(target), error));
        QVERIFY(names(error, at(reasonNamesTarget ? target : source), reason));
        // Nothing new in the target folder, an existing target untouched.
        QCOMPARE(entries(folder), before);
        QCOMPARE(entries(at("out")), QStringList{"old"});
        QCOMPARE(readFile(at("out/old")), QByteArray("old"));
    }

    // A copy that fails part-way must leave the old target whole and no
    // temporary behind. A file-size limit makes the write fail even for root.
    void failedCopyLeavesOldTarget()
    {
        writeFile(at("big"), QByteArray(256 * 1024, 'x'));
        writeFile(at("out/target"), "old");
        struct rlimit saved {};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        const struct rlimit small = {16 * 1024, saved.rlim_max};
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        const bool ok = tufile::cp(at("big"), at("out/target"), error, true);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!ok);
        // The library may report EFBIG or a plain I/O error; either way it names the target.
        QVERIFY(names(error, at("out/target")));
        QCOMPARE(readFile(at("out/target")), QByteArray("old"));
        QCOMPARE(entries(at("out")), QStringList{"target"});
    }

    void cpCopiesATree()
    {
        const QString src = at("src"), dst = at("dst");
        writeFile(src + "/a.txt", "a", RwOwner | QFile::ReadGroup);
        writeFile(src + "/.hidden", "h");
        writeFile(src + "/sub/run.sh", "#!/bin/sh\n", RwOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
        writeFile(src + "/sub/deeper/c", "c");
        writeFile(src + "/locked/inside", "i");
        QVERIFY(QFile::link("a.txt", src + "/to-file") && QFile::link("sub", src + "/to-folder"));
        QVERIFY(QFile::link("nowhere", src + "/dangling"));
        // A folder nobody may write to still gets its contents copied.
        QVERIFY(QFile::setPermissions(src + "/locked", QFile::ReadOwner | QFile::ExeOwner));

        QString error;
        QVERIFY2(tufile::cp(src, dst, error), qPrintable(error));
        QCOMPARE(entries(dst), entries(src));
        for (const QString name : {"a.txt", ".hidden", "sub/run.sh", "sub/deeper/c", "locked/inside", "locked"}) {
            QCOMPARE(readFile(dst + '/' + name), readFile(src + '/' + name));
            QCOMPARE(QFileInfo(dst + '/' + name).permissions(), QFileInfo(src + '/' + name).permissions());
        }
        for (const QString name : {"to-file", "to-folder", "dangling"}) {
            QVERIFY2(isLink(dst + '/' + name), qPrintable(name));
            QCOMPARE(linkText(dst + '/' + name), linkText(src + '/' + name));
        }
        // The linked folder was not copied as a second real folder.
        QCOMPARE(entries(dst + "/sub"), (QStringList{"deeper", "run.sh"}));
    }

    // With overwrite a folder is merged into an existing one.
    void cpMergesIntoAnExistingFolder()
    {
        const QString src = at("src"), dst = at("dst");
        writeFile(src + "/sub/shared", "new");
        writeFile(src + "/only-in-source", "s");
        writeFile(dst + "/sub/shared", "old");
        writeFile(dst + "/only-in-target", "t");
        QString error;
        QVERIFY2(tufile::cp(src, dst, error, true), qPrintable(error));
        QCOMPARE(readFile(dst + "/sub/shared"), QByteArray("new"));
        QCOMPARE(readFile(dst + "/only-in-source"), QByteArray("s"));
        QCOMPARE(readFile(dst + "/only-in-target"), QByteArray("t"));
    }

    // A link is made once; a second of the same name is refused and the first
    // kept; a missing part of the path is reported.
    void links_data()
    {
        QTest::addColumn<bool>("hard");
        QTest::newRow("lns") << false;
        QTest::newRow("lnh on one file system") << true;
    }
    void links()
    {
        QFETCH(bool, hard);
        const QString source = hard ? at("source") : "../shots/s1", target = at("link");
        writeFile(at("source"), "data");
        const auto link = [hard](const QString &from, const QString &to, QString &error) {
            return hard ? tufile::lnh(from, to, error, true) : tufile::lns(from, to, error);
        };
        // The same file for a hard link, the same text for a symbolic one.
        const auto identity = [&](const QString &path) { return hard ? QString::number(statOf(path).st_ino) : linkText(path); };
        QString error;
        QVERIFY2(link(source, target, error), qPrintable(error));
        QCOMPARE(identity(target), hard ? identity(source) : source);
        if (hard)
            QCOMPARE(statOf(source).st_nlink, nlink_t(2));
        QVERIFY(!link(hard ? at("source") : "elsewhere", target, error));
        QVERIFY(names(error, target, EEXIST));
        QCOMPARE(identity(target), hard ? identity(source) : source);
        // lnh from a missing source, lns into a missing folder.
        const QString missing = at("missing"), other = hard ? at("other") : at("missing/link");
        QVERIFY(!link(hard ? missing : "x", other, error));
        QVERIFY(names(error, hard ? missing : other, ENOENT));
        QVERIFY(!present(other));
    }

    // Across file systems lnh refuses, or copies when allowed to.
    void lnhAcrossFileSystems()
    {
        QTemporaryDir shm("/dev/shm/tallyard-test-XXXXXX");
        if (!shm.isValid())
            QSKIP("/dev/shm is not usable here");
        if (statOf(shm.path()).st_dev == statOf(m_dir->path()).st_dev)
            QSKIP("/dev/shm and the temporary folder are on the same file system");
        const QString source = shm.filePath("source"), target = at("target");
        writeFile(source, "across");
        QString error;
        QVERIFY(!tufile::lnh(source, target, error));
        QVERIFY(names(error, target, EXDEV));
        QVERIFY(!present(target));
        QVERIFY2(tufile::lnh(source, target, error, true), qPrintable(error));
        QCOMPARE(readFile(target), QByteArray("across"));
        QCOMPARE(statOf(source).st_nlink, nlink_t(1));
    }

    void rmIfExists_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<int>("reason"); // -1 when it is removed
        QTest::newRow("file") << "file" << "" << -1;
        QTest::newRow("tree") << "tree" << "" << -1;
        QTest::newRow("link to a folder") << "folder link" << "" << -1;
        QTest::newRow("link to a folder, written with a slash") << "folder link" << "/" << -1;
        QTest::newRow("dangling link") << "dangling" << "" << -1;
        QTest::newRow("missing") << "missing" << "" << -1;
        QTest::newRow("file in a read-only folder") << "read-only" << "" << EACCES;
        // procfs refuses unlink for everyone, root included, with a reason that depends on who asks.
        QTest::newRow("file the kernel will not remove") << "procfs" << "" << 0;
    }
    void rmIfExists()
    {
        QFETCH(QString, kind);
        QFETCH(QString, suffix);
        QFETCH(int, reason);
        QString path = at("victim");
        const QString keep = at("keep");
        // Something the removal must not reach: the target of links.
        writeFile(keep + "/precious", "p");
        if (kind == "file") {
            writeFile(path, "x");
        } else if (kind == "tree") {
            writeFile(path + "/a/b/f", "f");
            // A link inside the tree is removed, not followed.
            QVERIFY(QFile::link(keep, path + "/a/to-keep"));
        } else if (kind == "read-only") {
            if (::geteuid() == 0)
                QSKIP("permission bits do not stop root from removing");
            writeFile(path = keep + "/f", "x");
            QVERIFY(QFile::setPermissions(keep, QFile::ReadOwner | QFile::ExeOwner));
        } else if (kind == "procfs") {
            if (!QFileInfo::exists(path = "/proc/self/status"))
                QSKIP("no /proc here");
        } else if (kind != "missing") {
            QVERIFY(QFile::link(kind == "dangling" ? "nowhere" : keep, path));
        }
        QString error;
        QCOMPARE(tufile::rmIfExists(path + suffix, error), reason < 0);
        QCOMPARE(present(path), reason >= 0);
        QCOMPARE(readFile(keep + "/precious"), QByteArray("p"));
        if (reason >= 0) {
            QVERIFY(names(error, path, reason));
            QVERIFY(!tufile::rmIfExists(path));
        }
    }
};

QTEST_GUILESS_MAIN(tst_TuFile)
#include "tst_tufile.moc"
