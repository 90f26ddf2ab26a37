#include "BenchSeed.h"

#include "DBA_Setup.h"
#include "TUDbAccess.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

namespace BenchSeed {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

bool exec(QSqlDatabase db, const QString &sql, const QVariantList &values)
{
    QSqlQuery query(db);
    // PostgreSQL prepares no utility statements (ANALYZE, DROP DATABASE).
    bool ok = values.isEmpty() ? query.exec(sql) : query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (ok && (values.isEmpty() || query.exec()))
        return true;
    out() << "SQL failed: " << query.lastError().text() << "\n  " << sql << '\n';
    return false;
}

namespace {

// scenes in jobs of 10 environments; job1 holds bigJob and the others share
// the rest evenly (by default 100,000 scenes in 1,000 jobs, job1 holding
// 5,000 and the others 95 or 96). Written straight in SQL, a few statements
// in three transactions: this is test data, not something the program would do.
class BenchSeeder
{
public:
    BenchSeeder(QSqlDatabase db, int jobs, int scenes, int bigJob) : m_db(db), m_jobs(jobs), m_scenes(scenes), m_bigJob(bigJob) {}

    bool seed()
    {
        const qint64 now = QDateTime::currentSecsSinceEpoch();
        const int small = (m_scenes - m_bigJob) / (m_jobs - 1);
        const int extra = (m_scenes - m_bigJob) % (m_jobs - 1); // jobs that get one more
        return m_db.transaction()
            && exec(m_db, numbers(10) + QStringLiteral("INSERT INTO environments (name, scene_asset_lock, created) "
                                                       "SELECT 'env' || i, 0, CAST(? AS BIGINT) FROM n"), {now})
            && exec(m_db, numbers(m_jobs) + QStringLiteral(
                   "INSERT INTO jobs (environment_id, name, td, atd, priority, manual_approval, created) "
                   "SELECT (SELECT id FROM environments WHERE name = 'env' || ((i - 1) % 10 + 1)), "
                   "'job' || i, 'td', 'atd', i % 11, 0, CAST(? AS BIGINT) FROM n"), {now})
            && m_db.commit() && m_db.transaction()
            && exec(m_db, numbers(m_bigJob) + sceneInsert() + QStringLiteral("WHERE j.name = 'job1'"), {now})
            && m_db.commit() && m_db.transaction()
            && exec(m_db, numbers(small + 1) + sceneInsert() + QStringLiteral(
                   "WHERE j.name <> 'job1' AND n.i <= CASE WHEN CAST(SUBSTR(j.name, 4) AS INTEGER) <= CAST(? AS INTEGER) "
                   "THEN CAST(? AS INTEGER) ELSE CAST(? AS INTEGER) END"), {now, extra + 1, small + 1, small})
            && m_db.commit()
            && exec(m_db, QStringLiteral("ANALYZE"));
    }

    bool check()
    {
        QSqlQuery query(m_db);
        if (!query.exec(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT job_id) FROM scenes")) || !query.next())
            return false;
        if (query.value(0).toInt() == m_scenes && query.value(1).toInt() == m_jobs)
            return true;
        out() << "Seeding made " << query.value(0).toInt() << " scenes in " << query.value(1).toInt() << " jobs\n";
        return false;
    }

private:
    // The numbers 1..count as the table n(i).
    static QString numbers(int count)
    {
        return QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) ").arg(count);
    }
    // Scenes i of n for the jobs j that the WHERE clause picks; takes the creation time.
    static QString sceneInsert()
    {
        return QStringLiteral("INSERT INTO scenes (job_id, name, sort_order, file_system, path, priority, frames, created, td, atd) "
                              "SELECT j.id, 'sc' || n.i, n.i, '/QVX_DB/scenes', '/QVX_DB/scenes/' || j.name || '/scene-sc' || n.i, "
                              "n.i % 11, 24 + n.i % 100, CAST(? AS BIGINT), 'td', 'atd' FROM jobs j, n ");
    }

    QSqlDatabase m_db;
    int m_jobs, m_scenes, m_bigJob;
};

} // namespace

bool createSeeded(const DBA_Url &url, TUDbAccess &access, const QString &program)
{
    return createSeeded(url, access, program, kJobs, kScenes, kBigJobScenes);
}

bool createSeeded(const DBA_Url &url, TUDbAccess &access, const QString &program, int jobs, int scenes, int bigJob)
{
    QString error;
    if (!DBA_Setup::initialize(url, QStringLiteral("admin"), QString(), error)) {
        out() << "Cannot make the database: " << error << '\n';
        return false;
    }
    access.dba_Initialize2dSystem(program);
    if (access.dba_Open2dDatabaseSession(url) != 0 || !access.setCurrentUser(QStringLiteral("admin"))) {
        out() << "Cannot open a session: " << access.lastErrorText() << '\n';
        return false;
    }
    QElapsedTimer seeding;
    seeding.start();
    BenchSeeder seeder(access.context().connection.database(), jobs, scenes, bigJob);
    if (!seeder.seed() || !seeder.check())
        return false;
    out() << "Seeded in " << seeding.elapsed() << " ms\n";
    return true;
}

int listJobScenes(TUDbAccess &access, const QString &name)
{
    dba_job_struct job;
    if (access.dba_OpenJob(name, job) != 0)
        return -1;
    int rows = 0;
    for (bool row = job.scene().first(); row; row = job.scene().next()) {
        for (int column : {DBC_Table::Name, DBC_Table::FileSystem, DBC_Table::Path, DBC_Table::Priority,
                           DBC_Table::Frames, DBC_Table::Created, DBC_Table::Td, DBC_Table::Atd,
                           DBC_Table::CheckedOut, DBC_Table::CheckoutUser, DBC_Table::CheckoutDate})
            job.scene().data(column);
        ++rows;
    }
    access.dba_CloseJob(job);
    return rows;
}

} // namespace BenchSeed
