#include "TestFiles.h"
#include "tufile.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/resource.h>

namespace {

const time_t MadeAt = 1000000000; // the time make() gives every file

struct stat statOf(const QString &path)
{
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

// What a link holds, as written.
QString linkText(const QString &path)
{
    std::error_code ec;
    return QFile::decodeName(std::filesystem::read_symlink(QFile::encodeName(path).toStdString(), ec).c_str());
}

// Every entry below folder, sorted: "path:mode/", "path->text" or "path:mode=content",
// a file's mode followed by "xN" when it has N names and "*" when its time is not make()'s.
QStringList tree(const QString &folder)
{
    QStringList lines;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next(), name = QDir(folder).relativeFilePath(path) + QLatin1Char(':');
        const struct stat st = statOf(path);
        const QString mode = QString::number(st.st_mode & 07777, 8);
        if (S_ISLNK(st.st_mode))
            lines << name.chopped(1) + "->" + linkText(path);
        else if (S_ISDIR(st.st_mode))
            lines << name + mode + '/';
        else
            lines << name + mode + (st.st_nlink > 1 ? QStringLiteral("x%1").arg(st.st_nlink) : QString())
                    + (st.st_mtime != MadeAt ? "*" : "") + '=' + readFile(path);
    }
    lines.sort();
    return lines;
}

// Runs work with files limited to size bytes, as on a full disk, even for root.
bool withFileLimit(rlim_t size, const std::function<bool()> &work)
{
    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const struct rlimit small = {size, saved.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool ok = work();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    return ok;
}

} // namespace

class tst_TuFile : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScratchDir> m_dir;
    QString at(const QString &name) const { return name.startsWith(QLatin1Char('/')) ? name : m_dir->filePath(name); }
    // Makes entries from words: "path=content", "path/" for a folder, "path>text" for a link.
    void make(const QString &words)
    {
        for (const QString &word : words.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const int eq = word.indexOf(QLatin1Char('=')), arrow = word.indexOf(QLatin1Char('>'));
            const QString path = at(word.left(eq >= 0 ? eq : arrow));
            QDir().mkpath(word.endsWith(QLatin1Char('/')) ? path : QFileInfo(path).path());
            if (arrow >= 0) {
                QVERIFY(QFile::link(word.mid(arrow + 1), path));
            } else if (eq >= 0) {
                writeFile(path, word.mid(eq + 1).toUtf8());
                const struct timespec times[2] = {{MadeAt, 0}, {MadeAt, 0}};
                QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
            }
        }
    }

private slots:
    void initTestCase() { ::umask(022); }
    void init() { QVERIFY((m_dir = std::make_unique<ScratchDir>())->isValid()); }
    void cleanup() { m_dir.reset(); }

    // Each call on the same small tree: the lines of tree() it took away and added, or, refused,
    // that it names its path and the system's reason and changed nothing. "locked" may not be
    // written to, "@shm" is on another file system; "cp+" overwrites, "cp+full" on a full disk,
    // "lnh+" may copy across file systems; "Place" copies in place.
    void operations_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<int>("reason"); // -1 when it succeeds, 0 for a reason of the library's own
        QTest::addColumn<QString>("change"); // what it changed, or the path a refusal names
        const auto done = [](const char *call, const char *change) { QTest::newRow(call) << QString(call) << -1 << QString(change); };
        const auto refused = [](const char *call, int err, const char *path) { QTest::newRow(call) << QString(call) << err << QString(path); };
        done("mkdir a/b", "+a/b:755/ +a:755/");
        done("mkdir dir", "");
        done("mkdir-new new", "+new:755/");
        refused("mkdir-new dir", EEXIST, "dir");
        refused("mkdir file", ENOTDIR, "file");
        refused("mkdir file/sub", ENOTDIR, "file/sub");
        refused("mkdir locked/new", EACCES, "locked/new");

        done("Copy file out/t", "+out/t:750=new");
        done("cp file out/t", "+out/t:750=new");
        done("cp+ file out/old", "-out/old:644=old +out/old:750=new");
        done("cp link out/t", "+out/t->file");
        done("Copy link out/t", "+out/t:750=new");
        done("cp+ one two", "-two/sub/shared:644=old +two/only:644=s +two/sub/shared:644=new");
        refused("Copy none out/t", ENOENT, "none");
        refused("cp none out/t", ENOENT, "none");
        refused("Copy file out/old", EEXIST, "out/old");
        refused("cp file out/old", EEXIST, "out/old");
        refused("cp file out/missing/t", ENOENT, "out/missing/t");
        refused("Copy file locked/t", EACCES, "locked/t");
        refused("cp dir out", EEXIST, "out");
        refused("cp dir dir/sub/copy", 0, "dir");
        refused("Copy dir out/t", EISDIR, "dir");
        // Failing part-way leaves the old target whole and no temporary behind.
        refused("cp+full file out/old", 0, "out/old");

        // In place: no temporary, yet nothing taken over and no partial file left.
        done("Place file out/t", "+out/t:750=new");
        refused("Place file out/old", EEXIST, "out/old");
        refused("Place file dangling", EEXIST, "dangling");
        refused("Place dir out/t", EISDIR, "dir");
        refused("Place+full file out/t", 0, "out/t");

        done("lns ../shots/s1 out/l", "+out/l->../shots/s1");
        done("lnh+ file out/h", "-file:750=new +file:750x2=new +out/h:750x2=new");
        refused("lns elsewhere out/old", EEXIST, "out/old");
        refused("lns x out/missing/l", ENOENT, "out/missing/l");
        refused("lnh+ file out/old", EEXIST, "out/old");
        refused("lnh+ none out/t", ENOENT, "none");
        refused("lnh @shm/far out/t", EXDEV, "out/t");
        done("lnh+ @shm/far out/t", "+out/t:644=far");

        // Removal never reaches what links point at.
        done("rm file", "-file:750=new");
        done("rm dir", "-dir/sub/f:644=f -dir/sub/up->../../one -dir/sub:755/ -dir:755/");
        done("rm dirlink", "-dirlink->dir");
        done("rm dirlink/", "-dirlink->dir");
        done("rm dangling", "-dangling->nowhere");
        done("rm none", "");
        refused("rm locked/f", EACCES, "locked/f");
        // procfs refuses unlink for everyone, root included, with a reason that depends on who asks.
        refused("rm /proc/self/status", 0, "/proc/self/status");
    }
    void operations()
    {
        QFETCH(QString, call);
        QFETCH(int, reason);
        QFETCH(QString, change);
        if (reason == EACCES && ::geteuid() == 0)
            QSKIP("permission bits do not stop root");
        make("file=new out/old=old dir/sub/f=f dir/sub/up>../../one one/sub/shared=new one/only=s two/sub/shared=old "
             "link>file dirlink>dir dangling>nowhere locked/f=x");
        setMode(at("file"), 0750);
        setMode(at("locked"), 0500);
        QTemporaryDir shm(QStringLiteral("/dev/shm/tallyard-test-XXXXXX"));
        if (call.contains("@shm") && (!shm.isValid() || statOf(shm.path()).st_dev == statOf(m_dir->path()).st_dev))
            QSKIP("no second file system at /dev/shm");
        make(shm.filePath(QStringLiteral("far=far")));
        const QStringList before = tree(m_dir->path());
        const QStringList words = QString(call).replace(QLatin1String("@shm"), shm.path()).split(QLatin1Char(' '));
        const QString op = words[0], a = at(words[1]), b = at(words.value(2));
        QString error;
        const bool ok = op.startsWith("mkdir") ? tufile::checkCreatePath(a, error, op == "mkdir-new")
            : op == "Copy"                    ? tufile::Copy(a, b, error)
            : op == "Place"                   ? tufile::copyInPlace(a, b, error)
            : op == "Place+full"              ? withFileLimit(2, [&] { return tufile::copyInPlace(a, b, error); })
            : op == "cp+full"                 ? withFileLimit(2, [&] { return tufile::cp(a, b, error, true); })
            : op.startsWith("cp")             ? tufile::cp(a, b, error, op == "cp+")
            : op == "lns"                     ? tufile::lns(words[1], b, error)
            : op.startsWith("lnh")            ? tufile::lnh(a, b, error, op == "lnh+")
                                              : tufile::rmIfExists(a, error) || tufile::rmIfExists(a);
        const QStringList after = tree(m_dir->path());
        QStringList changed;
        for (const QString &line : before)
            changed << (after.contains(line) ? QString() : '-' + line);
        for (const QString &line : after)
            changed << (before.contains(line) ? QString() : '+' + line);
        changed.removeAll(QString());
        QCOMPARE(ok, reason < 0);
        QVERIFY2(ok || (error.contains(at(change)) && (!reason || error.contains(QString::fromLocal8Bit(std::strerror(reason))))),
                 qPrintable(error));
        QCOMPARE(changed.join(QLatin1Char(' ')), ok ? change : QString());
    }

    // A tree comes over whole: hidden and large files, modes and times, links as links (a linked
    // folder is not copied again), the contents of a folder nobody may write to.
    void cpCopiesATree()
    {
        make("src/a.txt=a src/.hidden=h src/sub/run.sh=#! src/sub/deeper/c=c src/locked/inside=i "
             "src/to-file>a.txt src/to-folder>sub src/dangling>nowhere");
        writeFile(at("src/big"), QByteArray("scene data\n").repeated(5000));
        setMode(at("src/sub/run.sh"), 0705);
        setMode(at("src/locked"), 0500);
        QString error;
        QVERIFY2(tufile::cp(at("src"), at("dst"), error), qPrintable(error));
        QCOMPARE(tree(at("dst")), tree(at("src")));
    }
};

QTEST_GUILESS_MAIN(tst_TuFile)
#include "tst_tufile.moc"
