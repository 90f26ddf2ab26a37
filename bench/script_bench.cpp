// The cost of scripting: one-line scripts sent to "tallyard -script" over one
// connection (median round trip, scripts per second) beside a raw loopback
// echo server in this process; and "tallyard -runScript" of a one-line
// script beside "tallyard -v" (what the engine adds to a run).
//     build/bench/script_bench [--scripts N] [--runs N]
#include "BenchTimer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QSemaphore>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {
// Echoes every byte back, on its own thread.
class EchoServer : public QThread
{
public:
    quint16 port = 0;

protected:
    void run() override
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        port = server.serverPort();
        connect(&server, &QTcpServer::newConnection, &server, [&server] {
            QTcpSocket *socket = server.nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->write(socket->readAll()); });
        });
        m_ready.release();
        exec();
    }

public:
    void startAndWait()
    {
        start();
        m_ready.acquire();
    }

private:
    QSemaphore m_ready;
};

// Median round trip in microseconds of count one-line requests, each
// awaited before the next; total is the whole series' time in ms.
double roundTrips(quint16 port, int count, double &totalMs)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return -1;
    QVector<qint64> times;
    QElapsedTimer all;
    all.start();
    for (int i = 0; i < count + 20; ++i) {
        QElapsedTimer one;
        one.start();
        socket.write("1+1\n");
        QByteArray answer;
        while (!answer.endsWith('\n') && socket.waitForReadyRead(10000))
            answer += socket.readAll();
        if (i == 19)
            all.restart(); // the first twenty warm up
        if (i >= 20)
            times << one.nsecsElapsed() / 1000;
    }
    totalMs = all.nsecsElapsed() / 1e6;
    std::sort(times.begin(), times.end());
    return double(times[times.size() / 2]);
}

double processMedianMs(const QStringList &arguments, const QProcessEnvironment &env, int runs)
{
    QVector<double> times;
    for (int i = 0; i < runs; ++i) {
        QProcess process;
        process.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral(TALLYARD_BIN), arguments);
        process.waitForFinished(60000);
        times << timer.nsecsElapsed() / 1e6;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

int option(const QStringList &arguments, const QString &name, int fallback)
{
    const int at = arguments.indexOf(name);
    return at >= 0 ? arguments.value(at + 1).toInt() : fallback;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int scripts = option(app.arguments(), QStringLiteral("--scripts"), 500);
    const int runs = option(app.arguments(), QStringLiteral("--runs"), 20);

    QTemporaryDir scratch;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), scratch.path());
    env.insert(QStringLiteral("TALLYARD_LOG_DIR"), scratch.path() + QStringLiteral("/logs"));
    env.insert(QStringLiteral("TALLYARD_DB"), QStringLiteral("sqlite://") + scratch.path() + QStringLiteral("/db"));
    env.remove(QStringLiteral("KESTRUNE_REMOTE_SCRIPT"));
    QProcess init;
    init.setProcessEnvironment(env);
    init.start(QStringLiteral(TALLYARD_DB_BIN), {QStringLiteral("init"), QStringLiteral("--admin"), QStringLiteral("bench")});
    init.waitForFinished();

    EchoServer echo;
    echo.startAndWait();
    double echoTotal = 0;
    const double echoMedian = roundTrips(echo.port, scripts, echoTotal);

    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    QProcess server;
    server.setProcessEnvironment(env);
    server.start(QStringLiteral(TALLYARD_BIN), {QStringLiteral("-script"), QStringLiteral("-user"), QStringLiteral("bench"),
                                               QStringLiteral("-tcpPort"), QString::number(port)});
    double scriptTotal = 0, scriptMedian = -1;
    for (int attempt = 0; attempt < 100 && scriptMedian < 0; ++attempt) {
        QThread::msleep(100);
        scriptMedian = roundTrips(port, scripts, scriptTotal);
    }
    server.kill();
    server.waitForFinished();
    echo.quit();
    echo.wait();

    const QString script = scratch.path() + QStringLiteral("/one.js");
    QFile file(script);
    file.open(QIODevice::WriteOnly);
    file.write("1\n");
    file.close();
    const double runScript = processMedianMs({QStringLiteral("-runScript"), script, QStringLiteral("-user"), QStringLiteral("bench")}, env, runs);
    const double version = processMedianMs({QStringLiteral("-v")}, env, runs);

    std::printf("one-line scripts over one connection, %d requests\n", scripts);
    std::printf("  tallyard -script round trip   %8.3f ms median   %8.0f scripts/s\n", scriptMedian / 1000,
                scripts / (scriptTotal / 1000));
    std::printf("  loopback echo round trip      %8.3f ms median   %8.0f requests/s\n", echoMedian / 1000,
                scripts / (echoTotal / 1000));
    std::printf("  ratio                         %8.2f\n", scriptMedian / echoMedian);
    std::printf("process runs, median of %d\n", runs);
    std::printf("  tallyard -runScript one line  %8.1f ms\n", runScript);
    std::printf("  tallyard -v                   %8.1f ms\n", version);
    std::printf("  difference                    %8.1f ms\n", runScript - version);
    return scriptMedian < 0 ? 1 : 0;
}
