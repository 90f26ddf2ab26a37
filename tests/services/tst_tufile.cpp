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

bool isRoot()
{
    return ::geteuid() == 0;
}

QString osReason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

void writeFile(const QString &path, const QByteArray &content, QFile::Permissions perms = {})
{
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
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

bool isLink(const QString &path)
{
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(QFile::encodeName(path).toStdString(), ec));
}

bool present(const QString &path)
{
    std::error_code ec;
    return fs::symlink_status(QFile::encodeName(path).toStdString(), ec).type() != fs::file_type::not_found;
}

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

// Failure kinds for a copy, set up in a fresh folder by setUpFailure().
enum class Failure { MissingSource, ExistingTarget, MissingTargetFolder, TargetFolderIsFile, ReadOnlyTargetFolder, SourceIsFolder };

} // namespace
Q_DECLARE_METATYPE(Failure)

class tst_TuFile : public QObject
{
    Q_OBJECT

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
            QFile::setPermissions(it.next(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_dir.reset();
    }

    void checkCreatePath_data()
    {
        QTest::addColumn<QString>("existing"); // "", "folder" or "file" at the path
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("mustBeNew");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("reason");
        QTest::newRow("new nested folders") << "" << "a/b/c" << false << true << 0;
        QTest::newRow("new with mustBeNew") << "" << "a" << true << true << 0;
        QTest::newRow("existing folder") << "folder" << "f" << false << true << 0;
        QTest::newRow("existing folder, mustBeNew") << "folder" << "f" << true << false << EEXIST;
        QTest::newRow("file in the way") << "file" << "f" << false << false << ENOTDIR;
        QTest::newRow("file as a parent") << "file" << "f/sub" << false << false << ENOTDIR;
    }
    void checkCreatePath()
    {
        QFETCH(QString, existing);
        QFETCH(QString, path);
        QFETCH(bool, mustBeNew);
        QFETCH(bool, ok);
        QFETCH(int, reason);
        const QString f = m_dir->filePath(QStringLiteral("f"));
        if (existing == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(f));
        else if (existing == QLatin1String("file"))
            writeFile(f, "x");
        const QString full = m_dir->filePath(path);

        QString error;
        QCOMPARE(tufile::checkCreatePath(full, error, mustBeNew), ok);
        if (ok) {
            QVERIFY(QFileInfo(full).isDir());
        } else {
            QVERIFY2(error.contains(full), qPrintable(error));
            QVERIFY2(error.contains(osReason(reason)), qPrintable(error));
        }
        if (existing == QLatin1String("file"))
            QCOMPARE(readFile(f), QByteArray("x"));
    }

    void copiesKeepContentPermissionsAndTime_data()
    {
        QTest::addColumn<bool>("useCp");
        QTest::newRow("Copy") << false;
        QTest::newRow("cp") << true;
    }
    void copiesKeepContentPermissionsAndTime()
    {
        QFETCH(bool, useCp);
        const QString source = m_dir->filePath(QStringLiteral("source.ma"));
        const QByteArray content = QByteArray("scene data\n").repeated(5000);
        const QFile::Permissions perms = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup;
        writeFile(source, content, perms);
        const QDateTime old = QDateTime::currentDateTimeUtc().addDays(-30);
        {
            QFile f(source);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
        }
        QVERIFY(QDir().mkdir(m_dir->filePath(QStringLiteral("out"))));
        const QString target = m_dir->filePath(QStringLiteral("out/target.ma"));

        QString error;
        const bool ok = useCp ? tufile::cp(source, target, error) : tufile::Copy(source, target, error);
        QVERIFY2(ok, qPrintable(error));
        QCOMPARE(readFile(target), content);
        QCOMPARE(QFileInfo(target).permissions(), QFileInfo(source).permissions());
        QCOMPARE(QFileInfo(target).lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch());
        // The temporary it was built under is gone.
        QCOMPARE(entries(m_dir->filePath(QStringLiteral("out"))), QStringList{QStringLiteral("target.ma")});
    }

    void copyFailures_data()
    {
        QTest::addColumn<Failure>("failure");
        QTest::addColumn<bool>("useCp");
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("reasonNamesTarget");
        for (bool useCp : {false, true}) {
            const char *fn = useCp ? "cp: " : "Copy: ";
            auto row = [&](const char *name) -> QTestData & {
                return QTest::newRow(qPrintable(QLatin1String(fn) + QLatin1String(name)));
            };
            row("missing source") << Failure::MissingSource << useCp << ENOENT << false;
            row("existing target") << Failure::ExistingTarget << useCp << EEXIST << true;
            row("missing target folder") << Failure::MissingTargetFolder << useCp << ENOENT << true;
            row("target folder is a file") << Failure::TargetFolderIsFile << useCp << ENOTDIR << true;
            row("read-only target folder") << Failure::ReadOnlyTargetFolder << useCp << EACCES << true;
        }
        QTest::newRow("Copy: source is a folder") << Failure::SourceIsFolder << false << EISDIR << false;
    }
    void copyFailures()
    {
        QFETCH(Failure, failure);
        QFETCH(bool, useCp);
        QFETCH(int, reason);
        QFETCH(bool, reasonNamesTarget);
        if (failure == Failure::ReadOnlyTargetFolder && isRoot())
            QSKIP("permission bits do not stop root from writing");

        QString source = m_dir->filePath(QStringLiteral("source"));
        const QString out = m_dir->filePath(QStringLiteral("out"));
        QString target = out + QStringLiteral("/target");
        QVERIFY(QDir().mkdir(out));
        writeFile(source, "new");
        switch (failure) {
        case Failure::MissingSource:
            source = m_dir->filePath(QStringLiteral("no-such-file"));
            break;
        case Failure::ExistingTarget:
            writeFile(target, "old");
            break;
        case Failure::MissingTargetFolder:
            target = out + QStringLiteral("/missing/target");
            break;
        case Failure::TargetFolderIsFile:
            writeFile(out + QStringLiteral("/plain"), "old");
            target = out + QStringLiteral("/plain/target");
            break;
        case Failure::ReadOnlyTargetFolder:
            QVERIFY(QFile::setPermissions(out, QFile::ReadOwner | QFile::ExeOwner));
            break;
        case Failure::SourceIsFolder:
            source = m_dir->filePath(QStringLiteral("folder"));
            QVERIFY(QDir().mkdir(source));
            break;
        }
        const QStringList before = entries(out);

        QString error;
        const bool ok = useCp ? tufile::cp(source, target, error) : tufile::Copy(source, target, error);
        QVERIFY(!ok);
        QVERIFY2(error.contains(reasonNamesTarget ? target : source), qPrintable(error));
        QVERIFY2(error.contains(osReason(reason)), qPrintable(error));
        // Nothing new in the target folder, an existing target untouched.
        QCOMPARE(entries(out), before);
        if (failure == Failure::ExistingTarget)
            QCOMPARE(readFile(target), QByteArray("old"));
    }

    // A copy that fails part-way must leave the old target whole and no
    // temporary behind. A file-size limit makes the write fail even for root.
    void failedCopyLeavesOldTarget()
    {
        const QString source = m_dir->filePath(QStringLiteral("big"));
        const QString target = m_dir->filePath(QStringLiteral("out/target"));
        QVERIFY(QDir().mkdir(m_dir->filePath(QStringLiteral("out"))));
        writeFile(source, QByteArray(256 * 1024, 'x'));
        writeFile(target, "old");

        struct rlimit saved {};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
        struct rlimit small = saved;
        small.rlim_cur = 16 * 1024;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        QString error;
        const bool ok = tufile::cp(source, target, error, true);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QVERIFY(!ok);
        // The library may report EFBIG or a plain I/O error; either way it names the target.
        QVERIFY2(error.contains(target), qPrintable(error));
        QCOMPARE(readFile(target), QByteArray("old"));
        QCOMPARE(entries(m_dir->filePath(QStringLiteral("out"))), QStringList{QStringLiteral("target")});
    }

    void cpReplacesAFileOnlyWhenAsked_data()
    {
        QTest::addColumn<bool>("overwrite");
        QTest::newRow("keep") << false;
        QTest::newRow("overwrite") << true;
    }
    void cpReplacesAFileOnlyWhenAsked()
    {
        QFETCH(bool, overwrite);
        const QString source = m_dir->filePath(QStringLiteral("source"));
        const QString target = m_dir->filePath(QStringLiteral("target"));
        writeFile(source, "new", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        writeFile(target, "old", QFile::ReadOwner | QFile::WriteOwner);

        QString error;
        QCOMPARE(tufile::cp(source, target, error, overwrite), overwrite);
        QCOMPARE(readFile(target), overwrite ? QByteArray("new") : QByteArray("old"));
        QCOMPARE(QFileInfo(target).isExecutable(), overwrite);
        QCOMPARE(entries(m_dir->path()), (QStringList{QStringLiteral("source"), QStringLiteral("target")}));
    }

    void linkSources_data()
    {
        QTest::addColumn<bool>("useCp");
        QTest::addColumn<bool>("staysLink");
        QTest::newRow("cp keeps the link") << true << true;
        QTest::newRow("Copy copies what it points at") << false << false;
    }
    void linkSources()
    {
        QFETCH(bool, useCp);
        QFETCH(bool, staysLink);
        writeFile(m_dir->filePath(QStringLiteral("real")), "content");
        const QString link = m_dir->filePath(QStringLiteral("link"));
        QVERIFY(QFile::link(QStringLiteral("real"), link));
        const QString target = m_dir->filePath(QStringLiteral("copy"));

        QString error;
        QVERIFY2(useCp ? tufile::cp(link, target, error) : tufile::Copy(link, target, error), qPrintable(error));
        QCOMPARE(isLink(target), staysLink);
        if (staysLink)
            QCOMPARE(linkText(target), QStringLiteral("real"));
        QCOMPARE(readFile(target), QByteArray("content"));
    }

    void cpCopiesATree()
    {
        const QString src = m_dir->filePath(QStringLiteral("src"));
        QVERIFY(QDir().mkpath(src + QStringLiteral("/sub/deeper")));
        QVERIFY(QDir().mkpath(src + QStringLiteral("/locked")));
        writeFile(src + QStringLiteral("/a.txt"), "a", QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        writeFile(src + QStringLiteral("/.hidden"), "h");
        writeFile(src + QStringLiteral("/sub/run.sh"), "#!/bin/sh\n",
                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
        writeFile(src + QStringLiteral("/sub/deeper/c"), "c");
        writeFile(src + QStringLiteral("/locked/inside"), "i");
        QVERIFY(QFile::link(QStringLiteral("a.txt"), src + QStringLiteral("/to-file")));
        QVERIFY(QFile::link(QStringLiteral("sub"), src + QStringLiteral("/to-folder")));
        QVERIFY(QFile::link(QStringLiteral("nowhere"), src + QStringLiteral("/dangling")));
        // A folder nobody may write to still gets its contents copied.
        QVERIFY(QFile::setPermissions(src + QStringLiteral("/locked"), QFile::ReadOwner | QFile::ExeOwner));

        const QString dst = m_dir->filePath(QStringLiteral("dst"));
        QString error;
        QVERIFY2(tufile::cp(src, dst, error), qPrintable(error));

        QCOMPARE(entries(dst), entries(src));
        for (const char *file : {"a.txt", ".hidden", "sub/run.sh", "sub/deeper/c", "locked/inside"}) {
            const QString name = QLatin1String(file);
            QCOMPARE(readFile(dst + QLatin1Char('/') + name), readFile(src + QLatin1Char('/') + name));
            QCOMPARE(QFileInfo(dst + QLatin1Char('/') + name).permissions(),
                     QFileInfo(src + QLatin1Char('/') + name).permissions());
        }
        QCOMPARE(QFileInfo(dst + QStringLiteral("/locked")).permissions(),
                 QFileInfo(src + QStringLiteral("/locked")).permissions());
        for (const char *link : {"to-file", "to-folder", "dangling"}) {
            const QString name = QLatin1String(link);
            QVERIFY2(isLink(dst + QLatin1Char('/') + name), link);
            QCOMPARE(linkText(dst + QLatin1Char('/') + name), linkText(src + QLatin1Char('/') + name));
        }
        // The linked folder was not copied as a second real folder.
        QCOMPARE(entries(dst + QStringLiteral("/sub")), (QStringList{QStringLiteral("deeper"), QStringLiteral("run.sh")}));
    }

    void cpIntoAnExistingFolder_data()
    {
        QTest::addColumn<bool>("overwrite");
        QTest::newRow("refused") << false;
        QTest::newRow("merged") << true;
    }
    void cpIntoAnExistingFolder()
    {
        QFETCH(bool, overwrite);
        const QString src = m_dir->filePath(QStringLiteral("src"));
        const QString dst = m_dir->filePath(QStringLiteral("dst"));
        QVERIFY(QDir().mkpath(src + QStringLiteral("/sub")));
        QVERIFY(QDir().mkpath(dst + QStringLiteral("/sub")));
        writeFile(src + QStringLiteral("/sub/shared"), "new");
        writeFile(src + QStringLiteral("/only-in-source"), "s");
        writeFile(dst + QStringLiteral("/sub/shared"), "old");
        writeFile(dst + QStringLiteral("/only-in-target"), "t");

        QString error;
        QCOMPARE(tufile::cp(src, dst, error, overwrite), overwrite);
        QCOMPARE(readFile(dst + QStringLiteral("/sub/shared")), overwrite ? QByteArray("new") : QByteArray("old"));
        QCOMPARE(present(dst + QStringLiteral("/only-in-source")), overwrite);
        QCOMPARE(readFile(dst + QStringLiteral("/only-in-target")), QByteArray("t"));
        if (!overwrite)
            QVERIFY2(error.contains(dst) && error.contains(osReason(EEXIST)), qPrintable(error));
    }

    void cpRefusesAFolderIntoItself()
    {
        const QString src = m_dir->filePath(QStringLiteral("src"));
        QVERIFY(QDir().mkpath(src + QStringLiteral("/sub")));
        writeFile(src + QStringLiteral("/sub/f"), "f");

        QString error;
        QVERIFY(!tufile::cp(src, src + QStringLiteral("/sub/copy"), error));
        QVERIFY2(error.contains(src), qPrintable(error));
        QCOMPARE(entries(src + QStringLiteral("/sub")), QStringList{QStringLiteral("f")});
    }

    void lns()
    {
        const QString target = m_dir->filePath(QStringLiteral("link"));
        QString error;
        QVERIFY2(tufile::lns(QStringLiteral("../shots/s1"), target, error), qPrintable(error));
        QVERIFY(isLink(target));
        QCOMPARE(linkText(target), QStringLiteral("../shots/s1"));

        // A second link of the same name is refused and the first kept.
        QVERIFY(!tufile::lns(QStringLiteral("elsewhere"), target, error));
        QVERIFY2(error.contains(target) && error.contains(osReason(EEXIST)), qPrintable(error));
        QCOMPARE(linkText(target), QStringLiteral("../shots/s1"));

        const QString inMissing = m_dir->filePath(QStringLiteral("missing/link"));
        QVERIFY(!tufile::lns(QStringLiteral("x"), inMissing, error));
        QVERIFY2(error.contains(inMissing) && error.contains(osReason(ENOENT)), qPrintable(error));
    }

    void lnhOnOneFileSystem()
    {
        const QString source = m_dir->filePath(QStringLiteral("source"));
        const QString target = m_dir->filePath(QStringLiteral("target"));
        writeFile(source, "data");
        QString error;
        QVERIFY2(tufile::lnh(source, target, error), qPrintable(error));
        QCOMPARE(statOf(target).st_ino, statOf(source).st_ino);
        QCOMPARE(statOf(source).st_nlink, nlink_t(2));

        QVERIFY(!tufile::lnh(source, target, error));
        QVERIFY2(error.contains(target) && error.contains(osReason(EEXIST)), qPrintable(error));
        const QString missing = m_dir->filePath(QStringLiteral("missing"));
        QVERIFY(!tufile::lnh(missing, m_dir->filePath(QStringLiteral("other")), error, true));
        QVERIFY2(error.contains(missing) && error.contains(osReason(ENOENT)), qPrintable(error));
        QVERIFY(!present(m_dir->filePath(QStringLiteral("other"))));
    }

    void lnhAcrossFileSystems_data()
    {
        QTest::addColumn<bool>("copyAcrossDevices");
        QTest::newRow("copy allowed") << true;
        QTest::newRow("copy not allowed") << false;
    }
    void lnhAcrossFileSystems()
    {
        QFETCH(bool, copyAcrossDevices);
        QTemporaryDir shm(QStringLiteral("/dev/shm/tallyard-test-XXXXXX"));
        if (!shm.isValid())
            QSKIP("/dev/shm is not usable here");
        if (statOf(shm.path()).st_dev == statOf(m_dir->path()).st_dev)
            QSKIP("/dev/shm and the temporary folder are on the same file system");
        const QString source = shm.filePath(QStringLiteral("source"));
        const QString target = m_dir->filePath(QStringLiteral("target"));
        writeFile(source, "across");

        QString error;
        QCOMPARE(tufile::lnh(source, target, error, copyAcrossDevices), copyAcrossDevices);
        if (copyAcrossDevices) {
            QCOMPARE(readFile(target), QByteArray("across"));
            QCOMPARE(statOf(source).st_nlink, nlink_t(1));
        } else {
            QVERIFY(!present(target));
            QVERIFY2(error.contains(target) && error.contains(osReason(EXDEV)), qPrintable(error));
        }
    }

    void rmIfExists_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("file") << "file" << "";
        QTest::newRow("tree") << "tree" << "";
        QTest::newRow("link to a folder") << "folder link" << "";
        QTest::newRow("link to a folder, written with a slash") << "folder link" << "/";
        QTest::newRow("dangling link") << "dangling" << "";
        QTest::newRow("missing") << "missing" << "";
    }
    void rmIfExists()
    {
        QFETCH(QString, kind);
        QFETCH(QString, suffix);
        const QString path = m_dir->filePath(QStringLiteral("victim"));
        // Something the removal must not reach: the target of links.
        const QString keep = m_dir->filePath(QStringLiteral("keep"));
        QVERIFY(QDir().mkdir(keep));
        writeFile(keep + QStringLiteral("/precious"), "p");

        if (kind == QLatin1String("file")) {
            writeFile(path, "x");
        } else if (kind == QLatin1String("tree")) {
            QVERIFY(QDir().mkpath(path + QStringLiteral("/a/b")));
            writeFile(path + QStringLiteral("/a/b/f"), "f");
            // A link inside the tree is removed, not followed.
            QVERIFY(QFile::link(keep, path + QStringLiteral("/a/to-keep")));
        } else if (kind == QLatin1String("folder link")) {
            QVERIFY(QFile::link(keep, path));
        } else if (kind == QLatin1String("dangling")) {
            QVERIFY(QFile::link(QStringLiteral("nowhere"), path));
        }

        QString error;
        QVERIFY2(tufile::rmIfExists(path + suffix, error), qPrintable(error));
        QVERIFY(!present(path));
        QCOMPARE(readFile(keep + QStringLiteral("/precious")), QByteArray("p"));
    }

    void rmIfExistsFailure_data()
    {
        QTest::addColumn<bool>("byPermission");
        QTest::newRow("file in a read-only folder") << true;
        QTest::newRow("file the kernel will not remove") << false;
    }
    void rmIfExistsFailure()
    {
        QFETCH(bool, byPermission);
        QString path;
        int reason = EACCES;
        if (byPermission) {
            if (isRoot())
                QSKIP("permission bits do not stop root from removing");
            const QString folder = m_dir->filePath(QStringLiteral("locked"));
            QVERIFY(QDir().mkdir(folder));
            path = folder + QStringLiteral("/f");
            writeFile(path, "x");
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        } else {
            // procfs refuses unlink for everyone, root included.
            path = QStringLiteral("/proc/self/status");
            if (!QFileInfo::exists(path))
                QSKIP("no /proc here");
            reason = -1;
        }
        QString error;
        QVERIFY(!tufile::rmIfExists(path, error));
        QVERIFY2(error.contains(path), qPrintable(error));
        if (reason > 0)
            QVERIFY2(error.contains(osReason(reason)), qPrintable(error));
        QVERIFY(present(path));
        QVERIFY(!tufile::rmIfExists(path));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(tst_TuFile)
#include "tst_tufile.moc"
