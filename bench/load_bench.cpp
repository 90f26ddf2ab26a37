// Many processes working one database at once, as a studio's workstations
// and batch runs do: each runs a mixed loop for a fixed time (list a job,
// open + close a scene, take + release a lock, check out + in, create +
// delete a scene) and reports every call's latency. Afterwards the database
// must hold exactly the rows it held before: nothing lost, nothing left over.
//
// Three runs per backend, in this order:
// - N processes paced like workstations: each starts its calls at random
//   moments (exponential gaps) averaging --rate calls per second, and a
//   call's latency counts from the moment it was due, so a call delayed by
//   the one before it is charged with the delay. This is the latency the
//   target applies to: a workstation's user waits for a call, he does not
//   issue the next one the instant the last returns;
// - one process alone, calls back to back: the service's own latency;
// - N processes back to back: the throughput the machine gives at its
//   limit. There, every process waiting on the others, the mean latency
//   is N / throughput whatever the service does (Little's law), so its
//   tail says how fairly the time is shared, not how fast a call is.
//
// To tell service time from disk and processor time, the back-to-back run
// also prints: where create + delete spend their time, phase by phase (timed at
// the service's fault points, so only in builds with TALLYARD_FAULT_POINTS);
// what making, renaming and removing a scene's folder tree costs on the same
// disk at the same time (one probe process beside the workers); and
// how busy the processors were, with the mean latency the processes' number
// and the throughput imply (N / ops per second).
//
//   load_bench [--pg SERVER-URL] [--seconds N] [--rate CALLS-PER-SECOND]
//              [--pg-processes N] [--sqlite-processes N]
//
// SERVER-URL names a PostgreSQL server as TALLYARD_TEST_PG_URL does; a
// scratch database is made on it and dropped afterwards. SQLite always runs.

#include "BenchSeed.h"
#include "DBA_FileSpaceOps.h"
#include "DBA_Setup.h"
#include "TUDbAccess.h"
#include "UT_FaultPoint.h"
#include "tufile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <random>
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

// The phases of one create + delete, each named by the point that ends it.
const struct
{
    const char *point;
    const char *label;
} kPhases[] = {
    {"create-scene-staged", "create: find job, make folders aside"},
    {"create-scene-checked", "create: checks (SQL + stat)"},
    {"create-scene-job-locked", "create: begin, lock the job row"},
    {"create-scene-placed", "create: place among the scenes"},
    {"create-scene-recorded", "create: insert the record"},
    {"create-scene-folders", "create: rename folder into place"},
    {"create-scene-committed", "create: commit"},
    {"create-returned", "create: re-read the job"},
    {"delete-scene-locked", "delete: begin, lock + check scene"},
    {"delete-scene-checked", "delete: judge the folder (SQL+stat)"},
    {"delete-scene-committed", "delete: delete the record, commit"},
    {"delete-folder-aside", "delete: re-read job, set folder aside"},
    {"delete-returned", "delete: remove the folder"},
};
constexpr size_t kPhaseCount = sizeof(kPhases) / sizeof(kPhases[0]);

// The points one create + delete passed, with their times in microseconds.
std::vector<std::pair<QByteArray, qint64>> g_marks;
QElapsedTimer g_markClock;

void mark(const char *point)
{
    g_marks.emplace_back(point, g_markClock.nsecsElapsed() / 1000);
}

// Each phase's time: from the point before it that was passed to its own
// point; 0 for a point not passed (its time goes to the next phase).
std::vector<qint64> phaseTimes()
{
    std::vector<qint64> times(kPhaseCount, 0);
    qint64 last = g_marks.empty() ? 0 : g_marks.front().second;
    for (const auto &passed : g_marks) {
        for (size_t i = 0; i < kPhaseCount; ++i) {
            if (passed.first == kPhases[i].point) {
                times[i] += passed.second - last;
                last = passed.second;
            }
        }
    }
    return times;
}

// The standard folder tree of a scene below folder.
bool makeSceneTree(const QString &folder)
{
    QString error;
    for (const QString &sub : DBA_FileSpaceOps::standardSceneFolders()) {
        if (!tufile::checkCreatePath(folder + QLatin1Char('/') + sub, error))
            return false;
    }
    return true;
}

// The disk alone, beside the workers: makes a scene's folder tree, renames
// it into place and removes it as create and delete do, every 20 ms, timing
// each step. Prints "OK" and then "make:us rename:us remove:us" per round.
int diskProbe(const QString &folder, qint64 seconds, const QString &go)
{
    std::printf("READY\n");
    std::fflush(stdout);
    while (!QFileInfo::exists(go))
        QThread::msleep(2);
    QString line;
    QElapsedTimer clock;
    clock.start();
    for (int round = 0; clock.elapsed() < seconds * 1000; ++round) {
        const QString staged = folder + QStringLiteral("/.staged-%1").arg(round);
        const QString placed = folder + QStringLiteral("/scene-%1").arg(round);
        QElapsedTimer step;
        step.start();
        if (!makeSceneTree(staged))
            return 1;
        const qint64 make = step.nsecsElapsed() / 1000;
        step.restart();
        if (!QDir().rename(staged, placed))
            return 1;
        const qint64 rename = step.nsecsElapsed() / 1000;
        step.restart();
        if (!QDir().rename(placed, staged) || !tufile::rmIfExists(staged))
            return 1;
        line += QStringLiteral("%1:%2:%3 ").arg(make).arg(rename).arg(step.nsecsElapsed() / 1000);
        QThread::msleep(20);
    }
    std::printf("OK\n%s\n", qPrintable(line));
    return 0;
}

// One worker process: the loop, timed call by call.
class Worker
{
public:
    // rate: calls per second on average, paced; 0: back to back.
    Worker(int index, qint64 seconds, double rate)
        : m_index(index)
        , m_seconds(seconds)
        , m_rate(rate)
        , m_random(std::mt19937::result_type(index + 1))
    {
    }

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
#ifdef TALLYARD_FAULT_POINTS
        g_markClock.start();
        utObserveFaultPoints(&mark);
#endif
        // One untimed round first: the figures are those of a workstation
        // that has run a while (statements prepared, catalogs read), as
        // one does all day, not of its first minute.
        m_clock.start();
        loop(-1);
        if (m_errors > 0) {
            std::printf("FAILED %s\n", qPrintable(m_firstError.simplified()));
            return 1;
        }
        m_latencies.clear();
        m_phaseTimes.clear();
        m_due = 0;
        std::printf("READY\n");
        std::fflush(stdout);
        while (!QFileInfo::exists(go))
            QThread::msleep(2);
        m_clock.start();
        for (int round = 0; m_clock.elapsed() < m_seconds * 1000; ++round)
            loop(round);
        m_access.dba_CloseScene(m_scene);
        m_access.dba_CloseJob(m_job);
        m_access.dba_Close2dDatabaseSession();
        std::printf("OK %d %d %s\n", int(m_latencies.size()), m_errors, qPrintable(m_firstError.simplified()));
        QString line;
        for (size_t i = 0; i < m_latencies.size(); ++i)
            line += QStringLiteral("%1:%2 ").arg(i % kOperations.size()).arg(m_latencies[i]);
        std::printf("%s\n", qPrintable(line));
        line.clear();
        for (const std::vector<qint64> &times : m_phaseTimes) {
            for (const qint64 time : times)
                line += QString::number(time) + QLatin1Char(',');
            line += QLatin1Char(' ');
        }
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
        const QString scratch = round < 0 ? QStringLiteral("t%1warm").arg(m_index) : QStringLiteral("t%1x%2").arg(m_index).arg(round);
        g_marks.clear();
        const bool ok = time([&] {
            mark("start");
            const bool created =
                m_access.dba_CreateScene(m_job, scratch, QString(), kFileSystem, QString(), DBA_SceneOps::AddAtBottom, -1, 1);
            mark("create-returned");
            const bool deleted = created && m_access.dba_deleteScene(m_job, scratch);
            mark("delete-returned");
            return deleted;
        });
        if (ok && g_marks.size() > 3)
            m_phaseTimes.push_back(phaseTimes());
    }

    // A paced call waits until it is due; its latency counts from then.
    qint64 dueTime()
    {
        const qint64 now = m_clock.nsecsElapsed() / 1000;
        if (m_rate <= 0)
            return now;
        m_due += qint64(std::exponential_distribution<double>(m_rate)(m_random) * 1e6);
        if (m_due > now)
            QThread::usleep(quint64(m_due - now));
        return m_due;
    }

    bool time(const std::function<bool()> &call)
    {
        const qint64 due = dueTime();
        const bool ok = call();
        m_latencies.push_back(m_clock.nsecsElapsed() / 1000 - due);
        if (!ok && m_errors++ == 0)
            m_firstError = m_access.lastErrorText();
        return ok;
    }

    int m_index;
    qint64 m_seconds;
    double m_rate;
    std::mt19937 m_random;
    QElapsedTimer m_clock;
    qint64 m_due = 0; // microseconds on m_clock
    TUDbAccess m_access;
    dba_job_struct m_job;
    dba_scene_struct m_scene;
    std::vector<qint64> m_latencies;
    std::vector<std::vector<qint64>> m_phaseTimes; // per create + delete
    int m_errors = 0;
    QString m_firstError;
};

// The machine's processor time so far, from /proc/stat: busy, waiting for
// the disk, and in all (in clock ticks, every core summed).
struct CpuTimes
{
    qint64 busy = 0, ioWait = 0, total = 0;

    static CpuTimes now()
    {
        QFile file(QStringLiteral("/proc/stat"));
        CpuTimes times;
        if (!file.open(QIODevice::ReadOnly))
            return times;
        const QStringList fields = QString::fromLatin1(file.readLine()).simplified().split(QLatin1Char(' '));
        for (int i = 1; i < fields.size() && i <= 8; ++i) {
            const qint64 value = fields[i].toLongLong();
            times.total += value;
            if (i == 5)
                times.ioWait = value;
            else if (i != 4)
                times.busy += value;
        }
        return times;
    }
    CpuTimes operator-(const CpuTimes &other) const
    {
        return {busy - other.busy, ioWait - other.ioWait, total - other.total};
    }
};

struct Phase {
    int processes = 0;
    double rate = 0; // per process, 0: back to back
    qint64 ops = 0;
    int errors = 0;
    QString firstError;
    std::vector<qint64> latencies;
    std::vector<std::vector<qint64>> byOperation = std::vector<std::vector<qint64>>(kOperations.size());
    std::vector<std::vector<qint64>> createDeletePhases; // per create + delete, kPhases' times
    std::vector<std::vector<qint64>> disk = std::vector<std::vector<qint64>>(3); // make, rename, remove
    CpuTimes cpu;
    QString loadAverage; // at the start
};

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readLine()).section(QLatin1Char(' '), 0, 2)
                                          : QStringLiteral("?");
}

// Reads the disk probe's rounds into phase.
bool readProbe(QProcess &probe, Phase &phase)
{
    const QStringList lines = QString::fromUtf8(probe.readAllStandardOutput()).split(QLatin1Char('\n'));
    if (lines.value(0) != QLatin1String("OK")) {
        out() << "The disk probe failed: " << probe.readAllStandardError() << '\n';
        return false;
    }
    for (const QString &round : lines.value(1).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        for (int step = 0; step < 3; ++step)
            phase.disk[size_t(step)].push_back(round.section(QLatin1Char(':'), step, step).toLongLong());
    }
    return true;
}

// Starts processes workers, releases them together and gathers their figures.
bool runPhase(const DBA_Url &url, int processes, double rate, int seconds, const QString &scratch, Phase &phase)
{
    static int runs = 0;
    ++runs;
    phase = Phase();
    phase.processes = processes;
    phase.rate = rate;
    const QString go = scratch + QStringLiteral("/go-%1").arg(runs);
    std::vector<std::unique_ptr<QProcess>> workers;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TALLYARD_DB"), url.toString());
    for (int i = 0; i < processes; ++i) {
        workers.push_back(std::make_unique<QProcess>());
        workers.back()->setProcessEnvironment(environment);
        workers.back()->start(QCoreApplication::applicationFilePath(),
                              {QStringLiteral("--worker"), QString::number(i), QString::number(seconds),
                               QString::number(rate), go});
    }
    // The probe makes folders as busily as the workers' creates: only the
    // run at the machine's limit has it, to tell disk from service there.
    const bool probing = rate <= 0 && processes > 1;
    const QString probeFolder = scratch + QStringLiteral("/disk-probe-%1").arg(runs);
    QProcess probe;
    if (probing) {
        QDir().mkpath(probeFolder);
        probe.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--disk-probe"), probeFolder, QString::number(seconds), go});
    }
    bool ok = !probing || (probe.waitForReadyRead(120000) && probe.readLine().trimmed() == "READY");
    for (auto &worker : workers) {
        while (ok && !worker->canReadLine())
            ok = worker->waitForReadyRead(120000);
        const QString ready = QString::fromUtf8(worker->readLine()).trimmed();
        if (ready != QLatin1String("READY")) {
            out() << "A worker did not start: " << ready << worker->readAllStandardError() << '\n';
            ok = false;
        }
    }
    phase.loadAverage = loadAverage();
    const CpuTimes start = CpuTimes::now();
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
        for (const QString &op : lines.value(2).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            std::vector<qint64> times;
            for (const QString &time : op.split(QLatin1Char(','), Qt::SkipEmptyParts))
                times.push_back(time.toLongLong());
            if (times.size() == kPhaseCount)
                phase.createDeletePhases.push_back(times);
        }
        const QByteArray noise = worker->readAllStandardError().trimmed();
        if (!noise.isEmpty())
            out() << "A worker wrote on standard error: " << noise << '\n';
    }
    phase.cpu = CpuTimes::now() - start;
    if (!probing)
        return ok;
    probe.waitForFinished(seconds * 1000 + 60000);
    return readProbe(probe, phase) && ok;
}

double percentile(std::vector<qint64> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(fraction * double(values.size())))] / 1000.0;
}

double mean(const std::vector<qint64> &values)
{
    double sum = 0;
    for (const qint64 value : values)
        sum += double(value);
    return values.empty() ? 0 : sum / double(values.size()) / 1000.0;
}

void print(const Phase &phase, int seconds)
{
    const double cpuShare = phase.cpu.total > 0 ? 100.0 * double(phase.cpu.busy) / double(phase.cpu.total) : 0;
    const QString calls = phase.rate > 0 ? QStringLiteral("paced %1/s each").arg(phase.rate) : QStringLiteral("back to back");
    out() << QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8  %9\n")
                 .arg(phase.processes, 9)
                 .arg(calls, -17)
                 .arg(double(phase.ops) / seconds, 10, 'f', 0)
                 .arg(percentile(phase.latencies, 0.5), 10, 'f', 2)
                 .arg(mean(phase.latencies), 8, 'f', 2)
                 .arg(percentile(phase.latencies, 0.99), 8, 'f', 2)
                 .arg(phase.errors, 6)
                 .arg(cpuShare, 5, 'f', 0)
                 .arg(phase.loadAverage);
    if (phase.errors > 0)
        out() << "  first error: " << phase.firstError << '\n';
    out().flush();
}

// Where create + delete spend their time, phase by phase.
void printCreateDeletePhases(const Phase &phase)
{
    const auto &ops = phase.createDeletePhases;
    if (ops.empty()) {
        out() << "create + delete by phase: needs a build with TALLYARD_FAULT_POINTS\n";
    } else {
        // The slowest 1% of the calls, to see which phases make the tail.
        std::vector<size_t> order(ops.size());
        for (size_t i = 0; i < ops.size(); ++i)
            order[i] = i;
        const auto total = [&](size_t i) {
            qint64 sum = 0;
            for (const qint64 time : ops[i])
                sum += time;
            return sum;
        };
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return total(a) > total(b); });
        const size_t tail = std::max<size_t>(1, ops.size() / 100);
        out() << "create + delete by phase (" << ops.size() << " calls):   median ms   p99 ms   mean of slowest 1% ms\n";
        for (size_t p = 0; p < kPhaseCount; ++p) {
            std::vector<qint64> times, slowest;
            for (size_t i = 0; i < ops.size(); ++i)
                times.push_back(ops[i][p]);
            for (size_t i = 0; i < tail; ++i)
                slowest.push_back(ops[order[i]][p]);
            out() << QStringLiteral("  %1 %2 %3 %4\n").arg(QLatin1String(kPhases[p].label), -38)
                         .arg(percentile(times, 0.5), 8, 'f', 2)
                         .arg(percentile(times, 0.99), 8, 'f', 2)
                         .arg(mean(slowest), 10, 'f', 2);
        }
    }
}

// The disk's own cost beside the workers, and what the processors allow.
void printDiskAndProcessors(const Phase &phase, int seconds)
{
    const char *const steps[] = {"make a scene's folder tree", "rename it", "set it aside + remove it"};
    out() << "disk alone, same time (" << phase.disk[0].size() << " rounds):  median ms   p99 ms     max ms\n";
    for (size_t step = 0; step < 3; ++step)
        out() << QStringLiteral("  %1 %2 %3 %4\n").arg(QLatin1String(steps[step]), -36)
                     .arg(percentile(phase.disk[step], 0.5), 8, 'f', 2)
                     .arg(percentile(phase.disk[step], 0.99), 8, 'f', 2)
                     .arg(percentile(phase.disk[step], 1.0), 10, 'f', 2);
    const double cores = double(QThread::idealThreadCount());
    const double busy = phase.cpu.total > 0 ? double(phase.cpu.busy) / double(phase.cpu.total) : 0;
    const double cpuPerOp = phase.ops > 0 ? busy * cores * seconds * 1000.0 / double(phase.ops) : 0;
    out() << QStringLiteral("processors: %1% busy of %2 cores, %3% waiting for the disk; %4 ms of processor per "
                            "operation (workers, server and everything else); %5 processes / %6 ops/s = %7 ms "
                            "mean latency\n")
                 .arg(busy * 100, 0, 'f', 0)
                 .arg(cores)
                 .arg(phase.cpu.total > 0 ? 100.0 * double(phase.cpu.ioWait) / double(phase.cpu.total) : 0, 0, 'f', 1)
                 .arg(cpuPerOp, 0, 'f', 2)
                 .arg(phase.processes)
                 .arg(double(phase.ops) / seconds, 0, 'f', 0)
                 .arg(double(phase.processes) * seconds * 1000.0 / std::max<double>(1, double(phase.ops)), 0, 'f', 1);
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

bool runBackend(const QString &title, DBA_Url url, int processes, double rate, int seconds)
{
    QTemporaryDir dir;
    url.root = dir.path() + QStringLiteral("/root");
    out() << "\n== " << title << ": " << processes << " processes for " << seconds << " s, paced at " << rate
          << " calls/s each and back to back, beside one alone\n";
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
    out() << "processes calls                  ops/s  median ms  mean ms  p99 ms errors  cpu%  load average at start\n";
    // Paced first: the other runs make and remove as many folders, which
    // leaves the file system slower for a while (see main()).
    Phase alone, paced, loaded;
    ok = runPhase(url, processes, rate, seconds, dir.path(), paced);
    print(paced, seconds);
    ok = runPhase(url, 1, 0, seconds, dir.path(), alone) && ok;
    print(alone, seconds);
    ok = runPhase(url, processes, 0, seconds, dir.path(), loaded) && ok;
    print(loaded, seconds);
    out() << "by operation, " << processes << " processes:     paced median ms   p99 ms   back to back median ms   p99 ms\n";
    for (int i = 0; i < kOperations.size(); ++i)
        out() << QStringLiteral("  %1 %2 %3 %4 %5\n").arg(kOperations[i], -28)
                     .arg(percentile(paced.byOperation[size_t(i)], 0.5), 10, 'f', 2)
                     .arg(percentile(paced.byOperation[size_t(i)], 0.99), 8, 'f', 2)
                     .arg(percentile(loaded.byOperation[size_t(i)], 0.5), 18, 'f', 2)
                     .arg(percentile(loaded.byOperation[size_t(i)], 0.99), 8, 'f', 2);
    out() << "Paced:\n";
    printCreateDeletePhases(paced);
    out() << "Back to back:\n";
    printCreateDeletePhases(loaded);
    printDiskAndProcessors(loaded, seconds);
    const QString after = inventory(access);
    out() << "Rows (scenes/distinct names/locks/checked out/renames) before " << before << ", after " << after
          << (before == after ? " : none lost or left over\n" : " : CHANGED\n");
    const bool met = ok && alone.errors == 0 && paced.errors == 0 && loaded.errors == 0 && before == after
        && percentile(paced.latencies, 0.99) < 50.0;
    out() << (met ? "Targets met: 0 errors, rows intact, p99 of the paced run under 50 ms.\n" : "Targets NOT met.\n");
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
    if (args.size() == 6 && args[1] == QLatin1String("--worker"))
        return Worker(args[2].toInt(), args[3].toInt(), args[4].toDouble()).run(args[5]);
    if (args.size() == 5 && args[1] == QLatin1String("--disk-probe"))
        return diskProbe(args[2], args[3].toInt(), args[4]);

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("pg"), QStringLiteral("Also run on this PostgreSQL server."), QStringLiteral("URL")});
    parser.addOption({QStringLiteral("seconds"), QStringLiteral("Length of each run (default 20)."), QStringLiteral("N"),
                      QStringLiteral("20")});
    parser.addOption({QStringLiteral("rate"),
                      QStringLiteral("Calls per second of each paced process, on average (default 10)."),
                      QStringLiteral("N"), QStringLiteral("10")});
    parser.addOption({QStringLiteral("pg-processes"), QStringLiteral("Processes on PostgreSQL (default 50)."),
                      QStringLiteral("N"), QStringLiteral("50")});
    parser.addOption({QStringLiteral("sqlite-processes"), QStringLiteral("Processes on SQLite (default 16)."),
                      QStringLiteral("N"), QStringLiteral("16")});
    parser.process(app);
    const int seconds = std::max(1, parser.value(QStringLiteral("seconds")).toInt());
    const double rate = std::max(0.1, parser.value(QStringLiteral("rate")).toDouble());

    // PostgreSQL, the studios' backend, runs first: a back-to-back run
    // leaves the file system slower for a minute or more (ext4 without a
    // journal checks every recently deleted inode when it makes a folder),
    // which the next backend's runs would otherwise pay for.
    bool ok = true;
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
        ok = runBackend(QStringLiteral("PostgreSQL"), *url, parser.value(QStringLiteral("pg-processes")).toInt(), rate, seconds);
        dropDatabase(*url);
    }
    ok = runBackend(QStringLiteral("SQLite"), DBA_Url(), parser.value(QStringLiteral("sqlite-processes")).toInt(), rate,
                    seconds)
        && ok;
    return ok ? 0 : 1;
}
