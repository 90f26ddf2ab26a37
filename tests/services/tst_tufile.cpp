#include "TestFiles.h"
#include "tufile.h"

#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct stat statOf(const QString &path)
{
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

bool present(const QString &path) { return statOf(path).st_mode != 0; }
// What a link holds, as written; empty for anything else.
QString linkText(const QString &path)
{
    char text[4096];
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), text, sizeof text);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(text, int(n)));
}

// Every entry below folder, sorted, a line each: "path mode/" for a folder,
// "path mode=content" for a file, "path->text" for a link.
QString tree(const QString &folder)
{
    QStringList lines;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next(), name = QDir(folder).relativeFilePath(path);
        const mode_t mode = statOf(path).st_mode;
        if (S_ISLNK(mode))
            lines << name + "->" + linkText(path);
        else
            lines << QStringLiteral("%1 %2").arg(name).arg(mode & 07777, 0, 8) + (S_ISDIR(mode) ? "/" : "=" + readFile(path));
    }
    lines.sort();
    return lines.join(QLatin1Char('\n'));
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
    QString at(const QString &name) const { return name.startsWith(QLatin1Char('/')) ? name : m_dir->filePath(name); }
    // Makes entries below the test folder from words: "path=content",
    // "path/" for a folder, "path>text" for a link holding text.
    void make(const QString &words)
    {
        for (const QString &word : words.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const int eq = word.indexOf(QLatin1Char('=')), arrow = word.indexOf(QLatin1Char('>'));
            const QString path = at(word.left(eq >= 0 ? eq : arrow));
            QDir().mkpath(word.endsWith(QLatin1Char('/')) ? path : QFileInfo(path).path());
            if (arrow >= 0)
                QVERIFY(QFile::link(word.mid(arrow + 1), path));
            else if (eq >= 0)
                writeFile(path, word.mid(eq + 1).toUtf8());
        }
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup()
    {
        unlockAll(m_dir->path());
        m_dir.reset();
    }

    // Every refusal names its path and the system's reason, and changes
    // nothing on disk. "locked" is a folder nobody may write to.
    void refusals_data()
    {
        QTest::addColumn<QString>("call"); // operation, then its paths
        QTest::addColumn<int>("reason");  // 0: the library's own words
        QTest::addColumn<QString>("named");
        const auto row = [](const char *call, int reason, const char *named) { QTest::newRow(call) << QString(call) << reason << QString(named); };
        row("mkdir-new dir", EEXIST, "dir");
        row("mkdir file", ENOTDIR, "file");
        row("mkdir file/sub", ENOTDIR, "file/sub");
        row("mkdir locked/new", EACCES, "locked/new");
        row("Copy none out/t", ENOENT, "none");
        row("cp none out/t", ENOENT, "none");
        row("Copy file out/old", EEXIST, "out/old");
        row("cp file out/old", EEXIST, "out/old");
        row("cp file out/missing/t", ENOENT, "out/missing/t");
        row("Copy file locked/t", EACCES, "locked/t");
        row("cp dir out", EEXIST, "out");
        row("cp dir dir/sub/copy", 0, "dir");
        row("Copy dir out/t", EISDIR, "dir");
        row("lns elsewhere out/old", EEXIST, "out/old");
        row("lns x out/missing/link", ENOENT, "out/missing/link");
        row("lnh file out/old", EEXIST, "out/old");
        row("lnh none out/t", ENOENT, "none");
        row("rm locked/f", EACCES, "locked/f");
        // procfs refuses unlink for everyone, root included, with a reason that depends on who asks.
        row("rm /proc/self/status", 0, "/proc/self/status");
    }
    void refusals()
    {
        QFETCH(QString, call);
        QFETCH(int, reason);
        QFETCH(QString, named);
        if (reason == EACCES && ::geteuid() == 0)
            QSKIP("permission bits do not stop root");
        make("file=new out/old=old dir/sub/f=f locked/f=x");
        QVERIFY(::chmod(QFile::encodeName(at("locked")), 0500) == 0);
        const QString before = tree(m_dir->path());
        const QStringList words = call.split(QLatin1Char(' '));
        const QString op = words[0], a = at(words[1]), b = at(words.value(2));
        QString error;
        const bool done = op.startsWith("mkdir") ? tufile::checkCreatePath(a, error, op == "mkdir-new")
            : op == "Copy"                      ? tufile::Copy(a, b, error)
            : op == "cp"                        ? tufile::cp(a, b, error)
            : op == "lns"                       ? tufile::lns(a, b, error)
            : op == "lnh"                       ? tufile::lnh(a, b, error, true)
                                                : tufile::rmIfExists(a, error) || tufile::rmIfExists(a);
        QVERIFY(!done);
        QVERIFY(names(error, at(named), reason));
        QCOMPARE(tree(m_dir->path()), before);
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
        writeFile(source, content);
        QVERIFY(::chmod(QFile::encodeName(source), 0750) == 0);
        const QDateTime old = QDateTime::currentDateTimeUtc().addDays(-30);
        QFile f(source);
        QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(old, QFileDevice::FileModificationTime));
        f.close();
        make(overwrite ? "out/target.ma=old" : "out/");
        make(viaLink ? "link>" + source : "");

        QString error;
        const QString from = viaLink ? at("link") : source;
        QVERIFY2(useCp ? tufile::cp(from, target, error, overwrite) : tufile::Copy(from, target, error), qPrintable(error));
        QCOMPARE(linkText(target), viaLink && useCp ? source : QString());
        QCOMPARE(readFile(target), content);
        QCOMPARE(statOf(target).st_mode & 07777, viaLink && useCp ? 0777u : 0750u);
        QCOMPARE(QFileInfo(target).lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch());
        // The temporary it was built under is gone.
        QCOMPARE(QDir(at("out")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"target.ma"});
    }

    // A copy that fails part-way must leave the old target whole and no
    // temporary behind. A file-size limit makes the write fail even for root.
    void failedCopyLeavesOldTarget()
    {
        writeFile(at("big"), QByteArray(256 * 1024, 'x'));
        make("out/target=old");
        const QString before = tree(at("out"));
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
        QCOMPARE(tree(at("out")), before);
    }

    // A tree comes over whole: hidden files, permission bits, links as links
    // (a linked folder is not copied again), a read-only folder's contents.
    // With overwrite it is merged into an existing folder.
    void cpCopiesAndMergesTrees()
    {
        make("src/a.txt=a src/.hidden=h src/sub/run.sh=#! src/sub/deeper/c=c src/locked/inside=i "
             "src/to-file>a.txt src/to-folder>sub src/dangling>nowhere");
        QVERIFY(::chmod(QFile::encodeName(at("src/sub/run.sh")), 0705) == 0);
        QVERIFY(::chmod(QFile::encodeName(at("src/locked")), 0500) == 0);
        QString error;
        QVERIFY2(tufile::cp(at("src"), at("dst"), error), qPrintable(error));
        QCOMPARE(tree(at("dst")), tree(at("src")));

        make("one/sub/shared=new one/only-in-source=s two/sub/shared=old two/only-in-target=t");
        QVERIFY2(tufile::cp(at("one"), at("two"), error, true), qPrintable(error));
        QCOMPARE(readFile(at("two/sub/shared")) + readFile(at("two/only-in-source")) + readFile(at("two/only-in-target")),
                 QByteArray("newst"));
    }

    // Folders are made with their parents; links are made as asked, a hard
    // link on one file system never falling back to a copy.
    void foldersAndLinks()
    {
        make("source=data dir/");
        QString error;
        QVERIFY(tufile::checkCreatePath(at("a/b/c"), error) && tufile::checkCreatePath(at("dir"), error));
        QVERIFY(tufile::checkCreatePath(at("new"), error, true));
        QVERIFY(QFileInfo(at("a/b/c")).isDir() && QFileInfo(at("new")).isDir());
        QVERIFY2(tufile::lns("../shots/s1", at("sym"), error), qPrintable(error));
        QCOMPARE(linkText(at("sym")), QStringLiteral("../shots/s1"));
        QVERIFY2(tufile::lnh(at("source"), at("hard"), error, true), qPrintable(error));
        QCOMPARE(statOf(at("hard")).st_ino, statOf(at("source")).st_ino);
        QCOMPARE(statOf(at("source")).st_nlink, nlink_t(2));
    }

    // Across file systems lnh refuses, or copies when allowed to.
    void lnhAcrossFileSystems()
    {
        QTemporaryDir shm("/dev/shm/tallyard-test-XXXXXX");
        if (!shm.isValid() || statOf(shm.path()).st_dev == statOf(m_dir->path()).st_dev)
            QSKIP("no second file system at /dev/shm");
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

    // Whatever "v" is goes, and removal never reaches what links point at.
    void rmIfExists_data()
    {
        QTest::addColumn<QString>("victim");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("file") << "v=x" << "";
        QTest::newRow("tree with a link inside") << "v/a/b/f=f v/a/to-keep>../../keep" << "";
        QTest::newRow("link to a folder") << "v>keep" << "";
        QTest::newRow("link to a folder, written with a slash") << "v>keep" << "/";
        QTest::newRow("dangling link") << "v>nowhere" << "";
        QTest::newRow("missing") << "" << "";
    }
    void rmIfExists()
    {
        QFETCH(QString, victim);
        QFETCH(QString, suffix);
        make("keep/precious=p " + victim);
        const QString before = tree(at("keep"));
        QString error;
        QVERIFY2(tufile::rmIfExists(at("v") + suffix, error), qPrintable(error));
        QVERIFY(!present(at("v")));
        QCOMPARE(tree(at("keep")), before);
    }
};

QTEST_GUILESS_MAIN(tst_TuFile)
#include "tst_tufile.moc"
