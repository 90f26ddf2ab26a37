// Times the database service's hot operations against the bare SQL that
// does the same work on the same connection, and prints service / bare.
// Bare SQL is prepared on every run, as a plain caller writes it; a second
// column shows the same statements prepared once, what a statement cache
// would reach.
//
//   db_bench [--pg SERVER-URL] [--runs N]
//
// SERVER-URL names a PostgreSQL server as TALLYARD_TEST_PG_URL does
// (postgresql://postgres@localhost/postgres?host=/socket/dir); a scratch
// database is made on it and dropped afterwards. SQLite always runs.
//
// Then, as the database grows: create + delete of one scene and the
// shared-path check alone, with 200 and with 20,000 scenes in 200 jobs.

#include "BenchSeed.h"
#include "BenchTimer.h"
#include "DBA_FolderOwnership.h"
#include "TUDbAccess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

using BenchSeed::exec;
using BenchSeed::kBigJob;
using BenchSeed::kBigJobScenes;
using BenchSeed::kJobs;
using BenchSeed::kScenes;
using BenchSeed::out;

const QString kScene = QStringLiteral("sc2500"); // a scene of the big job

// One bare statement: prepared on every run, as a plain caller (and the
// service) does, or prepared once and run again and again.
class BareStatement
{
public:
    BareStatement(QSqlDatabase db, const QString &sql, bool prepareOnce) : m_db(db), m_sql(sql), m_prepareOnce(prepareOnce) {}

    QSqlQuery &run(const QVariantList &values)
    {
        if (!m_prepareOnce || !m_prepared) {
            m_query = QSqlQuery(m_db);
            m_query.setForwardOnly(true);
            m_prepared = m_query.prepare(m_sql);
        }
        for (int i = 0; i < values.size(); ++i)
            m_query.bindValue(i, values[i]);
        m_query.exec();
        return m_query;
    }
    // Ends the statement, so it holds no snapshot or lock between runs.
    void done()
    {
        if (m_prepareOnce)
            m_query.finish();
        else
            m_query = QSqlQuery();
    }

private:
    QSqlDatabase m_db;
    QString m_sql;
    bool m_prepareOnce;
    bool m_prepared = false;
    QSqlQuery m_query;
};

// The statements that do, bare, what the measured service calls do.
struct BareStatements
{
    BareStatements(QSqlDatabase db, bool prepareOnce)
        : environments(db, QStringLiteral("SELECT name FROM environments ORDER BY name"), prepareOnce)
        , job(db, QStringLiteral("SELECT j.id, j.name, e.name, j.td, j.atd, j.priority, j.manual_approval, j.stage, "
                                 "j.created FROM jobs j JOIN environments e ON e.id = j.environment_id WHERE j.name = ?"),
              prepareOnce)
        , scenes(db, QStringLiteral("SELECT name, sort_order, file_system, path, priority, frames, stage_index, "
                                    "approval_stage, assigned_to, created, created_by, current_version, pencil_test, "
                                    "paper_size, scan_size, id, td, atd, checked_out, checkout_user, checkout_date "
                                    "FROM scenes WHERE job_id = ? ORDER BY sort_order, name"),
                 prepareOnce)
        , scene(db, QStringLiteral(
                    "SELECT s.id, s.job_id, s.name, j.name, e.name, s.file_system, s.path, s.priority, s.frames, "
                    "s.stage_index, s.approval_stage, s.assigned_to, s.td, s.atd, s.pencil_test, s.paper_size, "
                    "s.scan_size, s.current_version, COALESCE(v.id, 0), s.created, s.checked_out, s.checkout_user, "
                    "s.checkout_date FROM scenes s JOIN jobs j ON j.id = s.job_id "
                    "JOIN environments e ON e.id = j.environment_id "
                    "LEFT JOIN scene_versions v ON v.scene_id = s.id AND v.number = s.current_version "
                    "WHERE j.name = ? AND s.name = ?"),
                prepareOnce)
        , stages(db, QStringLiteral("SELECT name FROM scene_stages WHERE job_id = ? ORDER BY stage_index"), prepareOnce)
        , takeLock(db, QStringLiteral(
                       "INSERT INTO locks (kind, lock_key, mode, user_name, host, application, pid, session_id, taken) "
                       "VALUES ('scene', ?, '', ?, ?, ?, ?, ?, ?) ON CONFLICT (kind, lock_key) DO NOTHING RETURNING id"),
                   prepareOnce)
        , releaseLock(db, QStringLiteral("DELETE FROM locks WHERE id = ?"), prepareOnce)
    {
    }

    BareStatement environments, job, scenes, scene, stages, takeLock, releaseLock;
};

// The four operations, each through the service and as bare SQL.
class BenchCases
{
public:
    BenchCases(TUDbAccess &access, int runs)
        : m_access(access)
        , m_perRun(access.context().connection.database(), false)
        , m_once(access.context().connection.database(), true)
        , m_runs(runs)
    {
    }

    bool run()
    {
        if (m_access.dba_OpenJob(kBigJob, m_job) != 0 || m_access.dba_OpenScene(kScene, m_job, m_scene) != 0) {
            out() << "Cannot open " << kBigJob << '/' << kScene << ": " << m_access.lastErrorText() << '\n';
            return false;
        }
        out() << QStringLiteral("%1 %2 %3 %4   %5 %6\n")
                     .arg(QStringLiteral("operation"), -42)
                     .arg(QStringLiteral("service"), 12)
                     .arg(QStringLiteral("bare SQL"), 12)
                     .arg(QStringLiteral("ratio"), 6)
                     .arg(QStringLiteral("prepared once"), 13)
                     .arg(QStringLiteral("ratio"), 6);
        report(QStringLiteral("list environments"), m_runs, [this] { listEnvironments(); },
               [this](BareStatements &bare) { bareEnvironments(bare); });
        report(QStringLiteral("list the %1 scenes of a job (DBC_Table)").arg(kBigJobScenes), std::max(11, m_runs / 20),
               [this] { listScenes(); }, [this](BareStatements &bare) { bareScenes(bare); });
        report(QStringLiteral("open + close a scene"), m_runs, [this] { openScene(); },
               [this](BareStatements &bare) { bareOpenScene(bare); });
        report(QStringLiteral("take + release a scene lock"), m_runs, [this] { lockScene(); },
               [this](BareStatements &bare) { bareLockScene(bare); });
        m_access.dba_CloseScene(m_scene);
        m_access.dba_CloseJob(m_job);
        out() << (m_worst <= 2.0 ? "Service / bare SQL: all within the target of 2.\n"
                                 : "Service / bare SQL: some ratio is over the target of 2.\n");
        return m_failures == 0;
    }

private:
    void report(const QString &name, int runs, const std::function<void()> &service,
                const std::function<void(BareStatements &)> &bare)
    {
        const QVector<double> times =
            BenchTimer::medians(runs, {service, [&] { bare(m_perRun); }, [&] { bare(m_once); }});
        const double ratio = times[0] / times[1];
        m_worst = std::max(m_worst, ratio);
        const auto micro = [](double value) { return QStringLiteral("%1 us").arg(value, 0, 'f', 1); };
        out() << QStringLiteral("%1 %2 %3 %4   %5 %6%7\n")
                     .arg(name, -42)
                     .arg(micro(times[0]), 12)
                     .arg(micro(times[1]), 12)
                     .arg(ratio, 6, 'f', 2)
                     .arg(micro(times[2]), 13)
                     .arg(times[0] / times[2], 6, 'f', 2)
                     .arg(ratio > 2.0 ? QStringLiteral("  over target") : QString());
        out().flush();
    }

    // A wrong answer is counted and the first one shown.
    void expect(bool ok, const char *what)
    {
        if (!ok && m_failures++ == 0)
            out() << "Wrong result: " << what << '\n';
    }

    void listEnvironments()
    {
        QStringList names;
        expect(m_access.dba_GetEnvironments(names) == 10, "dba_GetEnvironments");
    }
    void bareEnvironments(BareStatements &bare)
    {
        QSqlQuery &query = bare.environments.run({});
        QStringList names;
        while (query.next())
            names << query.value(0).toString();
        bare.environments.done();
        expect(names.size() == 10, "environments");
    }

    void listScenes()
    {
        expect(BenchSeed::listJobScenes(m_access, kBigJob) == kBigJobScenes, "job scenes");
    }
    void bareScenes(BareStatements &bare)
    {
        QSqlQuery &job = bare.job.run({kBigJob});
        expect(job.next(), "job");
        for (int column = 0; column < 9; ++column)
            job.value(column);
        QSqlQuery &scenes = bare.scenes.run({job.value(0)});
        int rows = 0;
        while (scenes.next()) {
            for (int column = 0; column < 21; ++column)
                scenes.value(column);
            ++rows;
        }
        bare.scenes.done();
        bare.job.done();
        expect(rows == kBigJobScenes, "scenes");
    }

    void openScene()
    {
        dba_scene_struct scene;
        expect(m_access.dba_OpenScene(kScene, m_job, scene) == 0, "dba_OpenScene");
        m_access.dba_CloseScene(scene);
    }
    void bareOpenScene(BareStatements &bare)
    {
        QSqlQuery &scene = bare.scene.run({kBigJob, kScene});
        expect(scene.next(), "scene");
        for (int column = 0; column < 23; ++column)
            scene.value(column);
        // The job's own stage names, which the open scene's stage list shows.
        QSqlQuery &stages = bare.stages.run({scene.value(1)});
        while (stages.next())
            stages.value(0);
        bare.stages.done();
        bare.scene.done();
    }

    void lockScene()
    {
        expect(m_access.dba_GetSceneLock(m_scene) == 0, "dba_GetSceneLock");
        m_access.dba_ReleaseSceneLock(m_scene);
    }
    void bareLockScene(BareStatements &bare)
    {
        QSqlQuery &take = bare.takeLock.run({QString::number(m_scene.id), QStringLiteral("admin"), QStringLiteral("host"),
                                             QStringLiteral("db_bench"), QCoreApplication::applicationPid(),
                                             m_access.context().sessionId, QDateTime::currentSecsSinceEpoch()});
        expect(take.next(), "lock taken");
        const QVariant id = take.value(0);
        bare.takeLock.done();
        bare.releaseLock.run({id});
        bare.releaseLock.done();
    }

    TUDbAccess &m_access;
    BareStatements m_perRun;
    BareStatements m_once;
    int m_runs;
    dba_job_struct m_job;
    dba_scene_struct m_scene;
    double m_worst = 0;
    int m_failures = 0;
};

void dropDatabase(const DBA_Url &url);

// What grows with the database: the median times of create + delete of one
// scene and of the shared-path check alone, on a fresh database of scenes in
// kGrowthJobs jobs; empty on failure.
constexpr int kGrowthJobs = 200;

QVector<double> growthTimes(DBA_Url url, int scenes, int runs)
{
    QTemporaryDir dir;
    url.root = dir.path() + QStringLiteral("/root");
    if (url.backend == DBA_Url::Postgres)
        url.database += QStringLiteral("_%1").arg(scenes);
    QVector<double> times;
    {
        TUDbAccess access;
        dba_job_struct job;
        if (!BenchSeed::createSeeded(url, access, QStringLiteral("db_bench"), kGrowthJobs, scenes, scenes / kGrowthJobs)
            || access.dba_OpenJob(kBigJob, job) != 0) {
            out() << "Cannot seed " << scenes << " scenes: " << access.lastErrorText() << '\n';
        } else {
            DBA_FolderOwnership ownership(access.context());
            const QString free = TUDbAccess::buildStandardScenePath(QStringLiteral("/QVX_DB/scenes"), kBigJob, QStringLiteral("free"));
            int failures = 0;
            times = BenchTimer::medians(runs, {[&] {
                                                   const bool ok = access.dba_CreateScene(job, QStringLiteral("new"), QString(),
                                                                                          QStringLiteral("/QVX_DB/scenes"), QString(),
                                                                                          DBA_SceneOps::AddAtBottom, -1, 1)
                                                       && access.dba_deleteScene(job, QStringLiteral("new"));
                                                   failures += !ok;
                                               },
                                               [&] {
                                                   bool owned = false;
                                                   failures += !ownership.checkNewSceneFolder(free, true, owned, QString());
                                               }});
            if (failures > 0) {
                out() << failures << " runs failed: " << access.lastErrorText() << '\n';
                times.clear();
            }
            access.dba_CloseJob(job);
        }
    }
    if (url.backend == DBA_Url::Postgres)
        dropDatabase(url);
    return times;
}

bool runGrowth(const DBA_Url &url, int runs)
{
    const int small = kGrowthJobs, large = 100 * kGrowthJobs;
    out() << "\n-- growth: " << small << " vs " << large << " scenes in " << kGrowthJobs << " jobs; median of " << runs << " runs\n";
    const QVector<double> few = growthTimes(url, small, runs), many = growthTimes(url, large, runs);
    if (few.isEmpty() || many.isEmpty())
        return false;
    out() << QStringLiteral("%1 %2 %3 %4\n")
                 .arg(QStringLiteral("operation"), -42)
                 .arg(QStringLiteral("%1 scenes").arg(small), 14)
                 .arg(QStringLiteral("%1 scenes").arg(large), 14)
                 .arg(QStringLiteral("ratio"), 6);
    const QStringList names = {QStringLiteral("create + delete a scene"), QStringLiteral("shared-path check")};
    for (int i = 0; i < names.size(); ++i)
        out() << QStringLiteral("%1 %2 %3 %4\n")
                     .arg(names[i], -42)
                     .arg(QStringLiteral("%1 us").arg(few[i], 0, 'f', 1), 14)
                     .arg(QStringLiteral("%1 us").arg(many[i], 0, 'f', 1), 14)
                     .arg(many[i] / few[i], 6, 'f', 2);
    return true;
}

// One backend: a fresh database, seeded, measured, and removed; then the growth runs.
bool runBackend(const QString &title, DBA_Url url, int runs)
{
    bool ok = false;
    {
        QTemporaryDir dir;
        url.root = dir.path() + QStringLiteral("/root");
        out() << "\n== " << title << ": " << kScenes << " scenes in " << kJobs << " jobs, the largest holding "
              << kBigJobScenes << "; median of " << runs << " runs\n";
        TUDbAccess access;
        ok = BenchSeed::createSeeded(url, access, QStringLiteral("db_bench")) && BenchCases(access, runs).run();
    }
    return runGrowth(url, runs) && ok;
}

QSqlDatabase serverConnection(const DBA_Url &server, const QString &name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(server.host);
    db.setPort(server.port);
    db.setUserName(server.user);
    db.setPassword(server.password);
    db.setDatabaseName(QStringLiteral("postgres"));
    return db;
}

void dropDatabase(const DBA_Url &url)
{
    {
        QSqlDatabase db = serverConnection(url, QStringLiteral("bench-admin"));
        if (db.open())
            exec(db, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(url.database));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-admin"));
}

bool runPostgres(const QString &serverText, int runs)
{
    QString error;
    const QString withRoot = serverText + (serverText.contains(QLatin1Char('?')) ? QStringLiteral("&") : QStringLiteral("?"))
        + QStringLiteral("root=/unused");
    std::optional<DBA_Url> url = DBA_Url::parse(withRoot, error);
    if (!url) {
        out() << error << '\n';
        return false;
    }
    url->database = QStringLiteral("tallyard_bench_%1").arg(QCoreApplication::applicationPid());
    const bool ok = runBackend(QStringLiteral("PostgreSQL"), *url, runs);
    dropDatabase(*url);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("pg"), QStringLiteral("Also run on this PostgreSQL server."), QStringLiteral("URL")});
    parser.addOption({QStringLiteral("runs"), QStringLiteral("Runs per operation (default 201)."), QStringLiteral("N"),
                      QStringLiteral("201")});
    parser.process(app);
    const int runs = std::max(5, parser.value(QStringLiteral("runs")).toInt());

    bool ok = runBackend(QStringLiteral("SQLite"), DBA_Url(), runs);
    if (parser.isSet(QStringLiteral("pg")))
        ok = runPostgres(parser.value(QStringLiteral("pg")), runs) && ok;
    return ok ? 0 : 1;
}
