#include "DbTestFixture.h"
#include "ProgramRun.h"

#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// A client on a plain socket that reads only when asked to, and gives up
// on a blocked send or receive after 20 s.
class RawClient
{
public:
    explicit RawClient(quint16 port, bool wait = true)
        : m_fd(::socket(AF_INET, SOCK_STREAM | (wait ? 0 : SOCK_NONBLOCK), 0))
    {
        const timeval limit{20, 0};
        setsockopt(m_fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    }
    ~RawClient() { ::close(m_fd); }
    // False when the server closed the connection before taking it all.
    bool send(const QByteArray &bytes)
    {
        for (qint64 done = 0; done < bytes.size();) {
            const ssize_t n = ::send(m_fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            done += n;
        }
        return true;
    }
    // What has arrived so far, without waiting for more.
    QByteArray received()
    {
        QByteArray data;
        char buffer[4096];
        for (ssize_t n; (n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;)
            data.append(buffer, int(n));
        return data;
    }
    QByteArray receivedUntilClosed()
    {
        QByteArray data;
        char buffer[4096];
        for (ssize_t n; (n = ::recv(m_fd, buffer, sizeof buffer, 0)) > 0;)
            data.append(buffer, int(n));
        return data;
    }

private:
    int m_fd;
};

qint64 residentKb(qint64 pid)
{
    QFile status(QString("/proc/%1/status").arg(pid));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}
} // namespace

// Scripts as pipelines run them: "-runScript" files, and the remote script
// server of "-script" talked to by a real TCP client, on the demo studio.
class tst_ScriptCli : public QObject
{
    Q_OBJECT

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<QProcess> m_server;
    quint16 m_port = 0;
    enum HostileClient { Flood, Storm, NeverReads, Crowd };

    QProcessEnvironment environment(const QProcessEnvironment &extra = {}) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TALLYARD_DB", m_fixture->url().toString());
        env.remove("KESTRUNE_REMOTE_SCRIPT");
        env.insert(extra);
        return env;
    }
    ProgramRun tallyardDb(const QStringList &arguments) { return ProgramRun(TALLYARD_DB_BIN, arguments); }
    ProgramRun runScript(const QString &file, const QString &user = "admin")
    {
        QProcessEnvironment extra;
        extra.insert("TALLYARD_DB", m_fixture->url().toString());
        return ProgramRun(TALLYARD_BIN, {"-runScript", file, "-user", user}, extra);
    }
    QString scriptFile(const QString &name, const QByteArray &text)
    {
        const QString path = m_fixture->scratch() + "/" + name;
        DbTestFixture::writeFile(path, text);
        return path;
    }
    static quint16 freePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }
    // Starts "tallyard -script" with arguments and environment; true once
    // port accepts connections.
    bool startServer(const QStringList &arguments, const QProcessEnvironment &extra, quint16 port)
    {
        m_server = startTallyard(QStringList{"-c", "ulimit -n 64 && exec \"$0\" \"$@\"", TALLYARD_BIN, "-script", "-user", "admin"} + arguments,
                                 extra, "/bin/sh");
        return m_server && accepts(*m_server, port);
    }
    std::unique_ptr<QProcess> startTallyard(const QStringList &arguments, const QProcessEnvironment &extra,
                                            const QString &program = TALLYARD_BIN)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment(extra));
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(program, arguments);
        return process->waitForStarted() ? std::move(process) : nullptr;
    }
    static bool accepts(QProcess &process, quint16 port)
    {
        for (int attempt = 0; attempt < 200 && process.state() == QProcess::Running; ++attempt) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            if (probe.waitForConnected(100))
                return true;
            QTest::qWait(50);
        }
        return false;
    }
    void stopServer()
    {
        if (m_server) {
            m_server->kill();
            m_server->waitForFinished();
            m_server.reset();
        }
    }
    // Whether the process has a listening TCP socket of its own.
    static bool listens(qint64 pid)
    {
        QSet<QString> inodes;
        const QDir fds(QString("/proc/%1/fd").arg(pid));
        for (const QFileInfo &fd : fds.entryInfoList(QDir::System | QDir::NoDotAndDotDot)) {
            const QString target = fd.symLinkTarget().section('/', -1);
            if (target.startsWith("socket:["))
                inodes << target.mid(8).chopped(1);
        }
        for (const char *table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
            QFile file(table);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray &line : file.readAll().split('\n')) {
                const QList<QByteArray> fields = line.simplified().split(' ');
                if (fields.size() > 9 && fields[3] == "0A" && inodes.contains(QString::fromLatin1(fields[9])))
                    return true;
            }
        }
        return false;
    }

    std::unique_ptr<QTcpSocket> connectClient()
    {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, m_port);
        [&] { QVERIFY(socket->waitForConnected(5000)); }();
        return socket;
    }
    // Reads until lines line breaks have arrived (or 20 s pass).
    static QByteArray answer(QTcpSocket &socket, int lines = 1)
    {
        QByteArray data;
        while (data.count('\n') < lines && socket.waitForReadyRead(20000))
            data += socket.readAll();
        return data;
    }
    // Nothing arrives within a short while.
    static bool silent(QTcpSocket &socket)
    {
        return !socket.waitForReadyRead(300) && socket.bytesAvailable() == 0;
    }
    static void send(QTcpSocket &socket, const QByteArray &bytes)
    {
        socket.write(bytes);
        socket.waitForBytesWritten(5000);
    }

private slots:
    void initTestCase()
    {
        m_fixture = std::make_unique<DbTestFixture>();
        QVERIFY2(m_fixture->isValid(), qPrintable(m_fixture->errorString()));
        const ProgramRun init = tallyardDb({"init", "--admin", "admin"});
        QVERIFY2(init.status == 0, qPrintable(init.err));
        const ProgramRun demo = tallyardDb({"demo"});
        QVERIFY2(demo.status == 0, qPrintable(demo.err));
        m_port = freePort();
        QVERIFY(startServer({"-tcpPort", QString::number(m_port)}, {}, m_port));
    }
    void cleanupTestCase()
    {
        stopServer();
        m_fixture.reset();
    }

    void runScriptFiles_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("errLines");
        QTest::newRow("printing") << QByteArray("Tallyard.printToConsole('hello');\nTallyard.environments().length")
                                  << 0 << QStringList{"hello", "3", "Done"};
        QTest::newRow("throwing") << QByteArray("Tallyard.printToConsole('first');\nthrow new Error('oops');")
                                  << 1 << QStringList{"first", "Script Manager: Error: oops ", "Done"};
        QTest::newRow("empty") << QByteArray() << 0 << QStringList{"Done"};
    }
    void runScriptFiles()
    {
        QFETCH(QByteArray, script);
        QFETCH(int, status);
        QFETCH(QStringList, errLines);
        const QString file = scriptFile("run.js", script);
        const ProgramRun run = runScript(file);
        QCOMPARE(run.status, status);
        QStringList lines = run.err.split('\n');
        for (const QString &expected : errLines) {
            QVERIFY2(lines.contains(expected), qPrintable(run.err));
            lines = lines.mid(lines.indexOf(expected) + 1); // in this order
        }
        QCOMPARE(run.err.contains("Compiling file: " + file), !script.isEmpty());
    }
    void runScriptMissingFile()
    {
        const ProgramRun run = runScript(m_fixture->scratch() + "/none.js");
        QCOMPARE(run.status, 1);
        QCOMPARE(run.err, "Script " + m_fixture->scratch() + "/none.js doesn't exist.\n");
    }

    // The example scripts, in an order that lets each find what the one
    // before left behind.
    void examples_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("list") << "list_hierarchy.js"
                              << QStringList{"Feature", "  lighthouse (TD mara, priority 1)", "Series", "  ep101 (TD jonas, priority 2)"};
        QTest::newRow("create") << "create_job.js" << QStringList{"created sc010", "created sc030", "3"};
        QTest::newRow("priority") << "bulk_priority.js" << QStringList{"3 of 3 scene(s) changed"};
        QTest::newRow("export") << "export_job.js" << QStringList{"2 scene(s); database ", "exported to "};
        QTest::newRow("users") << "provision_users.js" << QStringList{"added ana (type 9)", "added cy (type 2)", "10 user(s) in the database"};
    }
    void examples()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, expected);
        const ProgramRun run = runScript(QStringLiteral(EXAMPLES_DIR "/") + name);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        for (const QString &line : expected)
            QVERIFY2(run.err.contains(line), qPrintable(run.err));
    }

    void remoteScripts_data()
    {
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("single line") << QByteArrayList{"3 + 4\n"} << QByteArray("7\n");
        QTest::newRow("demo environments") << QByteArrayList{"Tallyard.environments().length\n"} << QByteArray("3\n");
        QTest::newRow("carriage return") << QByteArrayList{"2 * 2\r\n"} << QByteArray("4\n");
        QTest::newRow("two in one chunk") << QByteArrayList{"1\n'two'\n"} << QByteArray("1\ntwo\n");
        QTest::newRow("block in one chunk") << QByteArrayList{"KS_BeginScript\nvar a = 2;\na * 5\nKS_EndScript\n"}
                                            << QByteArray("10\n");
        QTest::newRow("block in three chunks") << QByteArrayList{"KS_BeginScript\nvar a = 2;\n", "var b = 3;\n", "a * b\nKS_EndScript\n"}
                                               << QByteArray("6\n");
        // Neither holds back the scripts after it in the same chunk.
        QTest::newRow("blank line") << QByteArrayList{"\n3 + 3\n"} << QByteArray("6\n");
        QTest::newRow("empty block") << QByteArrayList{"KS_BeginScript\nKS_EndScript\n7\n"} << QByteArray("7\n");
        QTest::newRow("no final newline") << QByteArrayList{"5", "\n"} << QByteArray("5\n");
        QTest::newRow("split character") << QByteArrayList{"'gr\xc3", "\xbc\xc3\x9f'\n"} << QByteArray("gr\xc3\xbc\xc3\x9f\n");
        QTest::newRow("printToConsole") << QByteArrayList{"Tallyard.printToConsole('a'); Tallyard.printToConsole('b'); undefined\n"}
                                        << QByteArray("a\nb\n");
    }
    // Only the chunk that completes a script is answered.
    void remoteScripts()
    {
        QFETCH(QByteArrayList, chunks);
        QFETCH(QByteArray, answer);
        const auto client = connectClient();
        for (int i = 0; i < chunks.size() - 1; ++i) {
            send(*client, chunks[i]);
            QVERIFY(silent(*client));
        }
        send(*client, chunks.last());
        QCOMPARE(tst_ScriptCli::answer(*client, answer.count('\n')), answer);
        QVERIFY(silent(*client));
    }

    void throwingScriptKeepsServing()
    {
        const auto client = connectClient();
        send(*client, "throw 'bad'\n");
        const QByteArray error = answer(*client, 4);
        QVERIFY2(error.startsWith("Script Manager: bad \nBacktrace ( form is"), error.constData());
        send(*client, "1\n");
        QVERIFY(answer(*client).endsWith("1\n"));
    }

    // A second client is served after the first; the first one's unfinished
    // block, cut off by its disconnection, is not joined to the second's text.
    void clientsInTurn()
    {
        {
            const auto first = connectClient();
            send(*first, "1\n");
            QCOMPARE(answer(*first), QByteArray("1\n"));
            send(*first, "KS_BeginScript\nvar z = 1;\n");
            QVERIFY(silent(*first));
        }
        const auto second = connectClient();
        send(*second, "typeof z\n");
        QCOMPARE(answer(*second), QByteArray("undefined\n"));
    }

    // Misbehaving clients never stop the server from answering a client that
    // behaves, nor make it hold their data without bound: text without a
    // line break is refused once and its connection closed, answers nobody
    // reads stop the reading of their requests, connections beyond the
    // server's 32 are told so and closed, and connections beyond the
    // server's descriptors wait until it has some again. The server runs with
    // 64 descriptors.
    void hostileClients_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("100 MB without a line break") << int(Flood);
        QTest::newRow("1,000 connections opened and dropped") << int(Storm);
        QTest::newRow("answers never read") << int(NeverReads);
        QTest::newRow("40 connections held open") << int(Crowd);
    }
    void hostileClients()
    {
        QFETCH(int, kind);
        const auto polite = connectClient();
        const qint64 before = residentKb(m_server->processId());
        const auto served = [&polite] {
            send(*polite, "6 * 7\n");
            return answer(*polite) == "42\n";
        };
        if (kind == Flood) {
            RawClient flooder(m_port);
            const QByteArray piece(1024 * 1024, 'x');
            int sent = 0;
            while (sent < 100 && flooder.send(piece)) {
                if (++sent % 10 == 0)
                    QVERIFY(served());
            }
            QVERIFY2(sent < 100, "the flood was read to its end");
            QVERIFY(flooder.receivedUntilClosed().startsWith("Remote script: more than 4194304 bytes arrived"));
        } else if (kind == Storm) {
            std::vector<std::unique_ptr<RawClient>> storm;
            for (int i = 0; i < 1000; ++i)
                storm.push_back(std::make_unique<RawClient>(m_port, false));
            QTest::qWait(1500); // the connections the listen queue held back come in
            QVERIFY(served());
            storm.clear();
        } else if (kind == Crowd) {
            std::vector<std::unique_ptr<RawClient>> crowd;
            for (int i = 0; i < 40; ++i)
                crowd.push_back(std::make_unique<RawClient>(m_port));
            QTest::qWait(1000);
            QVERIFY(served());
            QStringList said;
            for (const auto &client : crowd)
                said << client->received();
            const QString refusal = "Remote script: the server serves at most 32 connections at once; this one is closed.\n";
            // The polite client holds one of the 32; clients of the rows before
            // that the server has not let go of yet may hold a few more.
            const int refused = said.count(refusal);
            QVERIFY2(refused >= 9 && refused <= 16 && said.count("") == 40 - refused, qPrintable(said.join('|')));
        } else {
            RawClient deaf(m_port);
            QByteArray requests;
            for (int i = 0; i < 150; ++i)
                requests += "new Array(1 << 20).join('x')\n";
            QVERIFY(deaf.send(requests));
            QTest::qWait(2000);
            QVERIFY(served());
        }
        QVERIFY(served());
        const auto newcomer = connectClient();
        send(*newcomer, "1 + 1\n");
        QCOMPARE(answer(*newcomer), QByteArray("2\n"));
        const qint64 grown = residentKb(m_server->processId()) - before;
        QVERIFY2(grown < 64 * 1024, qPrintable(QString("the server grew by %1 kB").arg(grown)));
    }

    // The window serves remote scripts too when it is given a port.
    void windowServesScripts()
    {
        const quint16 port = freePort();
        const auto window = startTallyard({"-user", "admin", "-tcpPort", QString::number(port)}, {});
        QVERIFY(window && accepts(*window, port));
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(client.waitForConnected(5000));
        send(client, "Tallyard.environments().length + 1\n");
        QCOMPARE(answer(client), QByteArray("4\n"));
        window->kill();
        window->waitForFinished();
    }

    void listensOnlyWhenAPortIsKnown_data()
    {
        QTest::addColumn<QString>("variable");
        QTest::addColumn<bool>("listening");
        QTest::newRow("variable") << QString::number(freePort()) << true;
        QTest::newRow("neither") << QString() << false;
        QTest::newRow("not a number") << "http" << false;
    }
    void listensOnlyWhenAPortIsKnown()
    {
        QFETCH(QString, variable);
        QFETCH(bool, listening);
        QProcessEnvironment extra;
        if (!variable.isEmpty())
            extra.insert("KESTRUNE_REMOTE_SCRIPT", variable);
        QProcess server;
        server.setProcessEnvironment(environment(extra));
        server.start(TALLYARD_BIN, {"-script", "-user", "admin"});
        QVERIFY(server.waitForStarted());
        // The server thread starts at once; give it time to have opened its socket.
        bool seen = false;
        for (int attempt = 0; attempt < 40 && !seen; ++attempt) {
            QTest::qWait(50);
            seen = listens(server.processId());
        }
        QCOMPARE(seen, listening);
        QVERIFY(server.state() == QProcess::Running);
        server.kill();
        server.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(tst_ScriptCli)
#include "tst_script_cli.moc"
