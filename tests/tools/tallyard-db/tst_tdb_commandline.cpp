#include "TDB_CommandLine.h"
#include "oswUtil.h"

#include <QDir>
#include <QtTest>

namespace {

const QString DefaultDb = QStringLiteral("sqlite:///srv/tallyard");

// The command, then every field that is set, the address when it is not TALLYARD_DB's.
QString describe(const TDB_Request &r)
{
    static const char *const commands[] = {"Help", "Init", "AddUser", "AddFileSystem", "Status", "Demo"};
    const QString url = r.url.toString() == DefaultDb ? QString() : r.url.toString();
    const QString type = r.command == TDB_Request::AddUser ? QString::number(r.userType) : QString();
    const QStringList fields{"url=" + url, "admin=" + r.admin, "fs=" + r.fileSystem, "user=" + r.userName, "type=" + type,
                             "first=" + r.firstName, "last=" + r.lastName, QStringLiteral("force=") + (r.force ? "1" : "")};
    return (QStringList{commands[r.command]} + fields.filter(QRegularExpression(QStringLiteral("[^=]$")))).join(QLatin1Char(' '));
}

} // namespace

class tst_TDB_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    // What each form asks for, or after "!" part of the message refusing it. Words split at blanks
    // outside double quotes; a "TALLYARD_DB=..." word sets that variable instead.
    void parse_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("result");
        const auto row = [](const char *arguments, const char *result) { QTest::newRow(arguments) << QString(arguments) << QString(result); };
        row("init", "Init admin=<login>");
        row("init --admin boss --filesys /data/scenes/", "Init admin=boss fs=/data/scenes");
        row("init --filesys shots/../scenes", "Init admin=<login> fs=<cwd>/scenes");
        row("status --db postgresql://ann@dbhost:5433/studio?root=/mnt/root", "Status url=postgresql://ann@dbhost:5433/studio?root=/mnt/root");
        row("adduser bob", "AddUser user=bob type=9");
        row("adduser bob --type TD --first Bob --last Marley", "AddUser user=bob type=4 first=Bob last=Marley");
        row("adduser al --type 0", "AddUser user=al type=0");
        row("adduser al --type \"ink & paint\"", "AddUser user=al type=8");
        row("adduser al --type ink-paint", "AddUser user=al type=8");
        row("adduser abcdefghijklmnopqrstuvwx", "AddUser user=abcdefghijklmnopqrstuvwx type=9");
        row("addfs /mnt/scenes2/", "AddFileSystem fs=/mnt/scenes2");
        row("demo", "Demo");
        row("demo --force", "Demo force=1");
        // Help resolves no address ("sqlite://" is an unset one), so a broken one does not hide it.
        row("--help", "Help url=sqlite://");
        row("help", "Help url=sqlite://");
        row("TALLYARD_DB=mysql://x/y status -h", "Help url=sqlite://");

        row("", "!No command given");
        row("frobnicate", "!Unknown command \"frobnicate\"");
        row("status --bogus", "!Unknown option 'bogus'");
        row("status --admin x", "!--admin does not apply to the command status");
        row("adduser", "!adduser needs NAME");
        row("addfs \"\"", "!addfs needs a non-empty PATH");
        row("status now", "!Unexpected argument \"now\"");
        row("status --db", "!Missing value after '--db'");
        row("init --admin \"\"", "!--admin needs a value");
        row("status --db ftp://host/db", "!must begin with sqlite:// or postgresql://");
        row("status --db sqlite:relative", "!absolute root folder");
        row("status --db postgresql://ann@host/?root=/r", "!names no database");
        row("TALLYARD_DB=mysql://x/y status", "!TALLYARD_DB: ");
        row("adduser bob --type 10", "!Unknown user type \"10\"");
        row("adduser bob --type wizard", "!Unknown user type \"wizard\"");
        row("adduser abcdefghijklmnopqrstuvwxy", "!Invalid user name \"abcdefghijklmnopqrstuvwxy\": use 1 to 24 letters, digits, "
                                                 "\"_\", \"-\" or \".\", not beginning with \"-\" or \".\".");
        row("adduser .bob", "!Invalid user name \".bob\"");
        row("init --admin a/b", "!Invalid user name \"a/b\"");
    }
    void parse()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, result);
        qputenv("TALLYARD_DB", DefaultDb.toUtf8());
        QStringList words{QStringLiteral("tallyard-db")};
        static const QRegularExpression word(QStringLiteral("\"([^\"]*)\"|(\\S+)"));
        for (auto it = word.globalMatch(arguments); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            if (m.captured(2).startsWith(QLatin1String("TALLYARD_DB=")))
                qputenv("TALLYARD_DB", m.captured(2).mid(12).toUtf8());
            else
                words << (m.capturedStart(1) >= 0 ? m.captured(1) : m.captured(2));
        }
        QString error;
        const std::optional<TDB_Request> request = TDB_CommandLine::parse(words, error);
        if (result.startsWith(QLatin1Char('!'))) {
            QVERIFY(!request);
            QVERIFY2(error.contains(result.mid(1)), qPrintable(error));
            return;
        }
        QVERIFY2(request, qPrintable(error));
        QCOMPARE(describe(*request), result.replace("<login>", oswUtil::getUserName()).replace("<cwd>", QDir::currentPath()));
    }

    // The usage text lists every command by the word the parser knows.
    void usageListsEveryCommand()
    {
        for (const char *command : {"init", "adduser NAME", "addfs PATH", "status", "demo", "help"})
            QVERIFY2(TDB_CommandLine::usage().contains(QStringLiteral("\n  %1 ").arg(QLatin1String(command))), command);
    }
};

QTEST_GUILESS_MAIN(tst_TDB_CommandLine)
#include "tst_tdb_commandline.moc"
