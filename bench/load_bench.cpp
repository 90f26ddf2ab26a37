// Many processes working one database at once, as a studio's workstations
// and batch runs do: each runs a mixed loop for a fixed time (list a job,
// open + close a scene, take + release a lock, check out + in, create +
// delete a scene) and reports every call's latency. One process alone runs
// first, in the same run, for comparison. Afterwards the database must hold
// exactly the rows it held before: nothing lost, nothing left over.
//
//   load_bench [--pg SERVER-URL] [--seconds N] [--pg-processes N] [--sqlite-processes N]
//
// SERVER-URL names a PostgreSQL server as TALLYARD_TEST_PG_URL does; a
// scratch database is made on it and dropped afterwards. SQLite always runs.

#include "BenchSeed.h"
#include "DBA_Setup.h"
#include "TUDbAccess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

using BenchSeed::out;

const QString kJob = QStringLiteral("J");
const QString kFileSystem = QStringLiteral("/QVX_DB/scenes");

QString baseScene(int worker) { return QStringLiteral("w%1").arg(worker); }

// The loop's calls, in the order each round makes them.
const QStringList kOperations = {QStringLiteral("list a job"), QStringLiteral("open + close a scene"),
                                 QStringLiteral("take + release a lock"), QStringLiteral("check out + in"),
                                 QStringLiteral("create + delete a scene")};

// One worker process: the loop, timed call by call.
class Worker
{
public:
    Worker(int index, qint64 seconds) : m_index(index), m_seconds(seconds) {}

    // Prints "OK <ops> <errors> <first error>" and then the latencies in
    // microseconds on one line.
    int run(const QString &go)
    {
        m_access.dba_Initialize2dSystem(QStringLiteral("load_bench"));
        if (m_access.dba_Open2dDatabaseSession() != 0 || !m_access.setCurrentUser(QStringLiteral("admin"))
            || m_access.dba_OpenJob(kJob, m_job) != 0 || m_access.dba_OpenScene(baseScene(m_index), m_job, m_scene) != 0) {
            std::printf("FAILED %s\n", qPrintable(m_access.lastErrorText().simplified()));
            return 1;
        }
        std::printf("READY\n");
        std::fflush(stdout);
        while (!QFileInfo::exists(go))
            QThread::msleep(2);
        QElapsedTimer clock;
        clock.start();
        for (int round = 0; clock.elapsed() < m_seconds * 1000; ++round)
            loop(round);
        m_access.dba_CloseScene(m_scene);
        m_access.dba_CloseJob(m_job);
        m_access.dba_Close2dDatabaseSession();
        std::printf("OK %d %d %s\n", int(m_latencies.size()), m_errors, qPrintable(m_firstError.simplified()));
        QString line;
        for (size_t i = 0; i < m_latencies.size(); ++i)
            line += QStringLiteral("%1:%2 ").arg(i % kOperations.size()).arg(m_latencies[i]);
        std::printf("%s\n", qPrintable(line));
        return 0;
    }

private:
    void loop(int round)
    {
        const QString name = baseScene(m_index);
        time([&] { return BenchSeed::listJobScenes(m_access, kJob) > 0; });
        time([&] {
            dba_scene_struct scene;
            const bool ok = m_access.dba_OpenScene(name, m_job, scene) == 0;
            m_access.dba_CloseScene(scene);
            return ok;
        });
        time([&] {
            const bool ok = m_access.dba_GetSceneLock(m_scene) == 0;
            m_access.dba_ReleaseSceneLock(m_scene);
            return ok && !m_access.dba_HaveSceneLock(m_scene);
        });
        time([&] { return m_access.dba_CheckoutScene(m_job, name, QString()) && m_access.dba_CheckinScene(m_job, name); });
        const QString scratch = QStringLiteral("t%1x%2").arg(m_index).arg(round);
        time([&] {
            return m_access.dba_CreateScene(m_job, scratch, QString(), kFileSystem, QString(), DBA_SceneOps::AddAtBottom, -1, 1)
                && m_access.dba_deleteScene(m_job, scratch);
        });
    }

    void time(const std::function<bool()> &call)
    {
        QElapsedTimer timer;
        timer.start();
        const bool ok = call();
        m_latencies.push_back(timer.nsecsElapsed() / 1000);
        if (!ok && m_errors++ == 0)
            m_firstError = m_access.lastErrorText();
    }

    int m_index;
    qint64 m_seconds;
    TUDbAccess m_access;
    dba_job_struct m_job;
    dba_scene_struct m_scene;
    std::vector<qint64> m_latencies;
    int m_errors = 0;
    QString m_firstError;
};

struct Phase {
    int processes = 0;
    qint64 ops = 0;
    int errors = 0;
    QString firstError;
    std::vector<qint64> latencies;
    std::vector<std::vector<qint64>> byOperation = std::vector<std::vector<qint64>>(kOperations.size());
};

// Starts processes workers, releases them together and gathers their figures.
bool runPhase(const DBA_Url &url, int processes, int seconds, const QString &scratch, Phase &phase)
{
    phase = Phase();
    phase.processes = processes;
    const QString go = scratch + QStringLiteral("/go-%1").arg(processes);
    std::vector<std::unique_ptr<QProcess>> workers;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TALLYARD_DB"), url.toString());
    for (int i = 0; i < processes; ++i) {
        workers.push_back(std::make_unique<QProcess>());
        workers.back()->setProcessEnvironment(environment);
        workers.back()->start(QCoreApplication::applicationFilePath(),
                              {QStringLiteral("--worker"), QString::number(i), QString::number(seconds), go});
    }
    bool ok = true;
    for (auto &worker : workers) {
        while (ok && !worker->canReadLine())
            ok = worker->waitForReadyRead(120000);
        const QString ready = QString::fromUtf8(worker->readLine()).trimmed();
        if (ready != QLatin1String("READY")) {
            out() << "A worker did not start: " << ready << worker->readAllStandardError() << '\n';
            ok = false;
        }
    }
    QFile(go).open(QIODevice::WriteOnly);
    for (auto &worker : workers) {
        worker->waitForFinished(seconds * 1000 + 300000);
        const QStringList lines = QString::fromUtf8(worker->readAllStandardOutput()).split(QLatin1Char('\n'));
        const QStringList words = lines.value(0).split(QLatin1Char(' '));
        if (words.value(0) != QLatin1String("OK")) {
            out() << "A worker failed: " << lines.value(0) << '\n';
            ok = false;
            continue;
        }
        phase.ops += words.value(1).toLongLong();
        const int errors = words.value(2).toInt();
        if (errors > 0 && phase.errors == 0)
            phase.firstError = words.mid(3).join(QLatin1Char(' '));
        phase.errors += errors;
        for (const QString &value : lines.value(1).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const qint64 latency = value.section(QLatin1Char(':'), 1).toLongLong();
            phase.latencies.push_back(latency);
            phase.byOperation[size_t(value.section(QLatin1Char(':'), 0, 0).toInt()) % kOperations.size()].push_back(latency);
        }
        const QByteArray noise = worker->readAllStandardError().trimmed();
        if (!noise.isEmpty())
            out() << "A worker wrote on standard error: " << noise << '\n';
    }
    return ok;
}

double percentile(std::vector<qint64> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(fraction * double(values.size())))] / 1000.0;
}

void print(const Phase &phase, int seconds)
{
    out() << QStringLiteral("%1 %2 %3 %4 %5\n")
                 .arg(phase.processes, 9)
                 .arg(double(phase.ops) / seconds, 10, 'f', 0)
                 .arg(percentile(phase.latencies, 0.5), 11, 'f', 2)
                 .arg(percentile(phase.latencies, 0.99), 10, 'f', 2)
                 .arg(phase.errors, 7);
    if (phase.errors > 0)
        out() << "  first error: " << phase.firstError << '\n';
    out().flush();
}

// The rows the run must leave as it found them.
QString inventory(TUDbAccess &access)
{
    const char *const counts[] = {
        "SELECT COUNT(*) FROM scenes", "SELECT COUNT(DISTINCT name) FROM scenes", "SELECT COUNT(*) FROM locks",
        "SELECT COUNT(*) FROM scenes WHERE checked_out <> 0", "SELECT COUNT(*) FROM renames"};
    QStringList values;
    for (const char *sql : counts) {
        QString error;
        values << access.context().connection.scalar(QString::fromLatin1(sql), {}, error).toString();
    }
    return values.join(QLatin1Char('/'));
}

bool runBackend(const QString &title, DBA_Url url, int processes, int seconds)
{
    QTemporaryDir dir;
    url.root = dir.path() + QStringLiteral("/root");
    out() << "\n== " << title << ": " << processes << " processes for " << seconds << " s, beside one alone\n";
    QString error;
    TUDbAccess access;
    if (!DBA_Setup::initialize(url, QStringLiteral("admin"), QString(), error) || access.dba_Open2dDatabaseSession(url) != 0
        || !access.setCurrentUser(QStringLiteral("admin")) || access.createEnv(QStringLiteral("E"), false) == 0) {
        out() << "Cannot set up: " << error << access.lastErrorText() << '\n';
        return false;
    }
    dba_job_struct job;
    job.name = kJob;
    job.environment = QStringLiteral("E");
    job.creationFlag = 1;
    bool ok = access.dba_createJob(job) > 0 && access.dba_OpenJob(kJob, job) == 0;
    for (int i = 0; ok && i < processes; ++i)
        ok = access.dba_CreateScene(job, baseScene(i), QString(), kFileSystem, QString(), DBA_SceneOps::AddAtBottom, -1, 1);
    if (!ok) {
        out() << "Cannot seed: " << access.lastErrorText() << '\n';
        return false;
    }
    const QString before = inventory(access);
    out() << "processes      ops/s  median ms     p99 ms  errors\n";
    Phase alone, loaded;
    ok = runPhase(url, 1, seconds, dir.path(), alone);
    print(alone, seconds);
    ok = runPhase(url, processes, seconds, dir.path(), loaded) && ok;
    print(loaded, seconds);
    out() << "by operation, " << processes << " processes:  median ms     p99 ms\n";
    for (int i = 0; i < kOperations.size(); ++i)
        out() << QStringLiteral("  %1 %2 %3\n").arg(kOperations[i], -28)
                     .arg(percentile(loaded.byOperation[size_t(i)], 0.5), 10, 'f', 2)
                     .arg(percentile(loaded.byOperation[size_t(i)], 0.99), 10, 'f', 2);
    const QString after = inventory(access);
    out() << "Rows (scenes/distinct names/locks/checked out/renames) before " << before << ", after " << after
          << (before == after ? " : none lost or left over\n" : " : CHANGED\n");
    const bool met = ok && alone.errors == 0 && loaded.errors == 0 && before == after
        && percentile(loaded.latencies, 0.99) < 50.0;
    out() << (met ? "Targets met: 0 errors, rows intact, p99 under 50 ms.\n" : "Targets NOT met.\n");
    access.dba_CloseJob(job);
    access.dba_Close2dDatabaseSession();
    return met;
}

void dropDatabase(const DBA_Url &url)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("bench-admin"));
        db.setHostName(url.host);
        db.setPort(url.port);
        db.setUserName(url.user);
        db.setDatabaseName(QStringLiteral("postgres"));
        if (db.open())
            BenchSeed::exec(db, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(url.database));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-admin"));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--worker"))
        return Worker(args[2].toInt(), args[3].toInt()).run(args[4]);

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("pg"), QStringLiteral("Also run on this PostgreSQL server."), QStringLiteral("URL")});
    parser.addOption({QStringLiteral("seconds"), QStringLiteral("Length of each run (default 20)."), QStringLiteral("N"),
                      QStringLiteral("20")});
    parser.addOption({QStringLiteral("pg-processes"), QStringLiteral("Processes on PostgreSQL (default 50)."),
                      QStringLiteral("N"), QStringLiteral("50")});
    parser.addOption({QStringLiteral("sqlite-processes"), QStringLiteral("Processes on SQLite (default 16)."),
                      QStringLiteral("N"), QStringLiteral("16")});
    parser.process(app);
    const int seconds = std::max(1, parser.value(QStringLiteral("seconds")).toInt());

    bool ok = runBackend(QStringLiteral("SQLite"), DBA_Url(), parser.value(QStringLiteral("sqlite-processes")).toInt(), seconds);
    if (parser.isSet(QStringLiteral("pg"))) {
        const QString server = parser.value(QStringLiteral("pg"));
        QString error;
        std::optional<DBA_Url> url = DBA_Url::parse(
            server + (server.contains(QLatin1Char('?')) ? QStringLiteral("&") : QStringLiteral("?")) + QStringLiteral("root=/unused"),
            error);
        if (!url) {
            out() << error << '\n';
            return 1;
        }
        url->database = QStringLiteral("tallyard_load_%1").arg(QCoreApplication::applicationPid());
        ok = runBackend(QStringLiteral("PostgreSQL"), *url, parser.value(QStringLiteral("pg-processes")).toInt(), seconds) && ok;
        dropDatabase(*url);
    }
    return ok ? 0 : 1;
}
