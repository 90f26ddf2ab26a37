#include "TDB_CommandLine.h"
#include "oswUtil.h"

#include <QDir>
#include <QtTest>

Q_DECLARE_METATYPE(TDB_Request::Command)

// tallyard-db's command line: what each accepted form asks for, and that
// every refused form is refused with a message saying why.
class tst_TDB_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        qputenv("TALLYARD_DB", "sqlite:///srv/tallyard");
    }
    void cleanup()
    {
        qunsetenv("TALLYARD_DB");
    }

    void accepted_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<TDB_Request::Command>("command");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("admin");
        QTest::addColumn<QString>("fileSystem");
        QTest::addColumn<QString>("userName");
        QTest::addColumn<int>("userType");
        QTest::addColumn<QString>("names"); // "first|last"
        QTest::addColumn<bool>("force");

        const QString env = QStringLiteral("sqlite:///srv/tallyard");
        const QString login = oswUtil::getUserName();
        const QString cwd = QDir::currentPath();
        auto row = [](const char *name) { return &QTest::newRow(name); };
        *row("init defaults") << args("init") << TDB_Request::Init << env << login << QString() << QString() << 9 << "|" << false;
        *row("init named") << args("init --admin boss --filesys /data/scenes/") << TDB_Request::Init << env
                           << "boss" << "/data/scenes" << QString() << 9 << "|" << false;
        *row("init relative file system") << args("init --filesys shots/../scenes") << TDB_Request::Init << env << login
                                          << cwd + "/scenes" << QString() << 9 << "|" << false;
        *row("--db before the command") << args("--db sqlite:///other/root status") << TDB_Request::Status
                                        << "sqlite:///other/root" << QString() << QString() << QString() << 9 << "|" << false;
        *row("--db after, postgresql") << args("status --db postgresql://ann@dbhost:5433/studio?root=/mnt/root")
                                       << TDB_Request::Status << "postgresql://ann@dbhost:5433/studio?root=/mnt/root"
                                       << QString() << QString() << QString() << 9 << "|" << false;
        *row("adduser default type") << args("adduser bob") << TDB_Request::AddUser << env << QString() << QString()
                                     << "bob" << 9 << "|" << false;
        *row("adduser full") << args("adduser bob --type TD --first Bob --last Marley") << TDB_Request::AddUser << env
                             << QString() << QString() << "bob" << 4 << "Bob|Marley" << false;
        *row("type by number") << args("adduser al --type 0") << TDB_Request::AddUser << env << QString() << QString()
                               << "al" << 0 << "|" << false;
        *row("type by display name") << (args("adduser al --type") << "ink & paint") << TDB_Request::AddUser << env
                                     << QString() << QString() << "al" << 8 << "|" << false;
        *row("type by identifier") << args("adduser al --type ink-paint") << TDB_Request::AddUser << env << QString()
                                   << QString() << "al" << 8 << "|" << false;
        *row("addfs") << args("addfs /mnt/scenes2/") << TDB_Request::AddFileSystem << env << QString() << "/mnt/scenes2"
                      << QString() << 9 << "|" << false;
        *row("demo") << args("demo") << TDB_Request::Demo << env << QString() << QString() << QString() << 9 << "|" << false;
        *row("demo forced") << args("demo --force") << TDB_Request::Demo << env << QString() << QString() << QString()
                            << 9 << "|" << true;
    }
    void accepted()
    {
        QFETCH(QStringList, arguments);
        QString error;
        const std::optional<TDB_Request> request = TDB_CommandLine::parse(arguments, error);
        QVERIFY2(request, qPrintable(error));
        QTEST(request->command, "command");
        QTEST(request->url.toString(), "url");
        QTEST(request->admin, "admin");
        QTEST(request->fileSystem, "fileSystem");
        QTEST(request->userName, "userName");
        QTEST(request->userType, "userType");
        QTEST(request->firstName + QLatin1Char('|') + request->lastName, "names");
        QTEST(request->force, "force");
    }

    void help_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("--help") << args("--help");
        QTest::newRow("-h with a command") << args("status -h");
        QTest::newRow("help word") << args("help");
        // Help needs no database, so a broken TALLYARD_DB does not hide it.
        QTest::newRow("help with bad TALLYARD_DB") << args("--help --db nonsense");
    }
    void help()
    {
        QFETCH(QStringList, arguments);
        QString error;
        const std::optional<TDB_Request> request = TDB_CommandLine::parse(arguments, error);
        QVERIFY2(request, qPrintable(error));
        QCOMPARE(request->command, TDB_Request::Help);
    }

    void refused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("environment"); // TALLYARD_DB
        QTest::addColumn<QString>("message");

        const QString env = QStringLiteral("sqlite:///srv/tallyard");
        QTest::newRow("no command") << args("") << env << "No command given";
        QTest::newRow("unknown command") << args("frobnicate") << env << "Unknown command \"frobnicate\"";
        QTest::newRow("unknown option") << args("status --bogus") << env << "Unknown option 'bogus'";
        QTest::newRow("option of another command") << args("status --admin x") << env
                                                   << "--admin does not apply to the command status";
        QTest::newRow("missing operand") << args("adduser") << env << "adduser needs NAME";
        QTest::newRow("empty operand") << (args("addfs") << "") << env << "addfs needs a non-empty PATH";
        QTest::newRow("extra operand") << args("status now") << env << "Unexpected argument \"now\"";
        QTest::newRow("missing value") << args("status --db") << env << "Missing value after '--db'";
        QTest::newRow("empty value") << (args("init --admin") << "") << env << "--admin needs a value";
        QTest::newRow("bad scheme") << args("status --db ftp://host/db") << env << "must begin with sqlite:// or postgresql://";
        QTest::newRow("relative sqlite root") << args("status --db sqlite:relative") << env << "absolute root folder";
        QTest::newRow("postgresql without database") << args("status --db postgresql://ann@host/?root=/r") << env
                                                     << "names no database";
        QTest::newRow("postgresql without root") << args("status --db postgresql://ann@host/studio") << env
                                                 << "absolute root folder";
        QTest::newRow("bad TALLYARD_DB") << args("status") << "mysql://x/y" << "TALLYARD_DB: ";
        QTest::newRow("type number out of range") << args("adduser bob --type 10") << env << "Unknown user type \"10\"";
        QTest::newRow("type name unknown") << args("adduser bob --type wizard") << env << "Unknown user type \"wizard\"";
        QTest::newRow("user name with a blank") << (args("adduser") << "bob smith") << env << "Invalid user name \"bob smith\"";
        QTest::newRow("user name hidden-file like") << args("adduser .bob") << env << "Invalid user name \".bob\"";
        QTest::newRow("user name too long") << args("adduser abcdefghijklmnopqrstuvwxy") << env << "Invalid user name";
        QTest::newRow("admin name refused") << args("init --admin a/b") << env << "Invalid user name \"a/b\"";
    }
    void refused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, environment);
        QFETCH(QString, message);
        qputenv("TALLYARD_DB", environment.toUtf8());
        QString error;
        QVERIFY(!TDB_CommandLine::parse(arguments, error));
        QVERIFY2(error.contains(message), qPrintable(error));
    }

    // Every command the usage text lists is one the parser knows.
    void usageListsKnownCommands()
    {
        const QStringList lines = TDB_CommandLine::usage().split(QLatin1Char('\n'));
        const int start = lines.indexOf(QStringLiteral("Commands:"));
        QVERIFY(start >= 0);
        int listed = 0;
        for (int i = start + 1; i < lines.size() && !lines.at(i).isEmpty(); ++i, ++listed) {
            const QString word = lines.at(i).trimmed().section(QLatin1Char(' '), 0, 0);
            QString error;
            TDB_CommandLine::parse({QStringLiteral("tallyard-db"), word, QStringLiteral("x")}, error);
            QVERIFY2(!error.contains(QLatin1String("Unknown command")), qPrintable(word));
        }
        QCOMPARE(listed, 6);
    }

private:
    static QStringList args(const char *line)
    {
        return QStringList{QStringLiteral("tallyard-db")} + QString::fromUtf8(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }
};

QTEST_GUILESS_MAIN(tst_TDB_CommandLine)
#include "tst_tdb_commandline.moc"
