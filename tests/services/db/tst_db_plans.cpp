#include "DBA_Consistency.h"
#include "DBA_RenameMgr.h"
#include "DbTestFixture.h"
#include "TUDbAccess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlField>
#include <QtTest>

#include <functional>

// Known to the meta-type system before the class whose inline slots fetch it (clang insists).
using Operation = std::function<bool(TUDbAccess &, dba_job_struct &, DbTestFixture &)>;
Q_DECLARE_METATYPE(Operation)

// The statements of the hot operations, recorded as they run and then
// explained on a studio-sized database: each look-up in a table that grows
// with the studio must be served by an index. PostgreSQL plans with
// sequential scans off, so its plan shows what an index can serve where
// reading a small table whole would be as cheap.
class tst_DbPlans : public QObject
{
    Q_OBJECT

    struct Statement
    {
        QString sql;
        QVariantList values;
    };

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;

    static bool grows(const QString &table)
    {
        static const QStringList small = {"environments", "file_systems", "rights", "queues", "renames",
                                          "resolutions", "settings", "schema_version"};
        return !small.contains(table.toLower());
    }

    // sql with values written in as literals: PostgreSQL explains no
    // prepared statement.
    QString literal(const Statement &statement) const
    {
        QSqlDriver *driver = m_db->context().connection.database().driver();
        QString text;
        int next = 0;
        bool quoted = false;
        for (const QChar c : statement.sql) {
            quoted = quoted != (c == '\'');
            if (c != '?' || quoted) {
                text += c;
                continue;
            }
            const QVariant value = statement.values.value(next++);
            QSqlField field(QString(), value.type());
            field.setValue(value.userType() == QMetaType::QString && value.toString().isNull() ? QString("") : value);
            text += driver->formatValue(field);
        }
        return text;
    }

    // "<table> in <statement>" for each scan of a growing table that the
    // operation does not read whole.
    QStringList scansIn(const Statement &statement, const QStringList &whole)
    {
        QSqlQuery query(m_db->context().connection.database());
        const bool pg = DbTestFixture::isPostgres();
        if (!query.exec((pg ? "EXPLAIN (FORMAT JSON) " : "EXPLAIN QUERY PLAN ") + literal(statement)))
            return {"cannot explain " + statement.sql + ": " + query.lastError().text()};
        QStringList tables;
        if (pg && query.next())
            pgScans(QJsonDocument::fromJson(query.value(0).toByteArray()).array().at(0)["Plan"].toObject(), tables);
        while (!pg && query.next()) {
            const QStringList words = query.value(3).toString().split(' ');
            if (words.value(0) == "SCAN" && words.value(1) != "CONSTANT")
                tables << tableOf(words.value(1), statement.sql);
        }
        QStringList scans;
        for (const QString &table : tables) {
            if (grows(table) && !whole.contains(table))
                scans << table + " in " + statement.sql;
        }
        return scans;
    }
    // A scan with no index condition: a sequential one, or a walk of a whole index.
    static void pgScans(const QJsonObject &node, QStringList &tables)
    {
        const QString type = node["Node Type"].toString();
        if (node.contains("Relation Name") && type.endsWith("Scan") && type != "Bitmap Heap Scan" && !node.contains("Index Cond"))
            tables << node["Relation Name"].toString();
        for (const QJsonValue child : node["Plans"].toArray())
            pgScans(child.toObject(), tables);
    }
    // SQLite's plan names a table by its alias.
    static QString tableOf(const QString &name, const QString &sql)
    {
        const QRegularExpression aliased("\\b(?:FROM|JOIN)\\s+(\\w+)\\s+(?:AS\\s+)?" + QRegularExpression::escape(name) + "\\b",
                                         QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch match = aliased.match(sql);
        return match.hasMatch() ? match.captured(1) : name;
    }

    static bool renameScene(TUDbAccess &db, const QString &from, const QString &to)
    {
        DBA_RenameMgr *manager = TUDbAccess::RenameMgr_getInstance(&db);
        QString detail;
        const bool ok = manager->init(nullptr, {from, db.userName()}, &db, true)
            && manager->performRename(&db, to, DBA_RenameMgr::FirstCall, detail);
        TUDbAccess::RenameMgr_releaseInstance(&db);
        return ok;
    }

private slots:
    // A studio's database: 20,000 scenes in 200 jobs, with versions, locks,
    // sessions and queue entries; job "J" holds "a" to "d", with "b" locked.
    void initTestCase()
    {
        QVERIFY(DbTestFixture::restartWithJob(m_fixture, m_db));
        dba_job_struct &job = m_db->jobRecord();
        for (const char *name : {"a", "b", "c", "d"})
            QVERIFY(m_fixture->addScene(*m_db, job, name));
        dba_scene_struct scene;
        QVERIFY(m_db->dba_OpenScene("b", job, scene) == 0 && m_db->dba_GetSceneLock(scene) == 0);
        QVERIFY(DbTestFixture::exec(*m_db, "INSERT INTO scene_versions (scene_id, number, created) VALUES (?, 1, 0)", {scene.id}));
        QVERIFY(m_db->dba_LockSceneVersion(scene, 1) == 0);
        const QString numbers = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) ";
        const QString lock = "INSERT INTO locks (kind, lock_key, user_name, host, application, pid, session_id, taken) "
                             "SELECT '%1', CAST(id AS TEXT)%2, 'u', 'h', 'a', 1, 1, 0 FROM scenes WHERE id % %3 = 0";
        QSqlQuery query(m_db->context().connection.database());
        for (const QString &sql :
             {numbers.arg(200) + "INSERT INTO jobs (environment_id, name, created) SELECT (SELECT MIN(id) FROM environments), 'g' || i, 0 FROM n",
              numbers.arg(100) + "INSERT INTO scenes (job_id, name, sort_order, path, created) SELECT j.id, 's' || n.i, n.i, "
                                 "'/QVX_DB/scenes/' || j.name || '/scene-s' || n.i, 0 FROM jobs j, n WHERE j.name <> 'J'",
              QString("INSERT INTO scene_versions (scene_id, number, created) SELECT id, 1, 0 FROM scenes WHERE id % 5 = 0"),
              QString("INSERT INTO sessions (user_name, host, application, pid, started, last_pulse) "
                      "SELECT 'u', 'h', 'a', id, 0, 0 FROM scenes WHERE id % 100 = 0"),
              lock.arg("version", " || ':1'", "20"), lock.arg("scene", "", "30"),
              QString("INSERT INTO queues (kind, environment_id) SELECT 1, MIN(id) FROM environments"),
              QString("INSERT INTO queue_entries (queue_id, kind, created) SELECT (SELECT MIN(id) FROM queues), 1, 0 "
                      "FROM scenes WHERE id % 10 = 0"),
              QString("ANALYZE")})
            QVERIFY2(query.exec(sql), qPrintable(query.lastError().text()));
        // On PostgreSQL nested loops only, so that a join shows whether an
        // index serves its inner side.
        for (const char *off : {"SET enable_seqscan = off", "SET enable_hashjoin = off", "SET enable_mergejoin = off"})
            QVERIFY(!DbTestFixture::isPostgres() || query.exec(off));
    }
    void cleanup()
    {
        DBA_Connection::observeStatements({});
    }

    void lookUpsUseIndexes_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QStringList>("whole"); // tables it reads whole
        // Each operation on its own scene of job "J", or a new one.
        QTest::newRow("list a job") << Operation([](TUDbAccess &db, dba_job_struct &, DbTestFixture &) {
            dba_job_struct job;
            return db.dba_OpenJob("J", job) == 0 && job.scene().first();
        }) << QStringList();
        QTest::newRow("open and close") << Operation([](TUDbAccess &db, dba_job_struct &job, DbTestFixture &) {
            dba_scene_struct scene;
            const bool ok = db.dba_OpenScene("a", job, scene) == 0;
            db.dba_CloseScene(scene);
            return ok;
        }) << QStringList();
        QTest::newRow("lock and release") << Operation([](TUDbAccess &db, dba_job_struct &job, DbTestFixture &) {
            dba_scene_struct scene;
            const bool locked = db.dba_OpenScene("a", job, scene) == 0 && db.dba_GetSceneLock(scene) == 0;
            db.dba_ReleaseSceneLock(scene);
            return locked && !db.isSceneLocked(job, "a");
        }) << QStringList();
        QTest::newRow("check out and in") << Operation([](TUDbAccess &db, dba_job_struct &job, DbTestFixture &) {
            return db.dba_CheckoutScene(job, "a", QString()) && db.dba_CheckinScene(job, "a");
        }) << QStringList();
        QTest::newRow("create at the bottom") << Operation([](TUDbAccess &db, dba_job_struct &job, DbTestFixture &fixture) {
            return db.dba_CreateScene(job, "n", QString(), fixture.fileSystem(), QString(), DBA_SceneOps::AddAtBottom, -1, 1);
        }) << QStringList();
        QTest::newRow("create sorted") << Operation([](TUDbAccess &db, dba_job_struct &job, DbTestFixture &fixture) {
            return db.dba_CreateScene(job, "bb", QString(), fixture.fileSystem(), QString(), DBA_SceneOps::AddSorted, -1, 1);
        }) << QStringList();
        QTest::newRow("delete") << Operation([](TUDbAccess &db, dba_job_struct &job, DbTestFixture &) {
            return db.dba_deleteScene(job, "a");
        }) << QStringList();
        QTest::newRow("rename") << Operation([](TUDbAccess &db, dba_job_struct &, DbTestFixture &) {
            return renameScene(db, "c", "z");
        }) << QStringList();
        QTest::newRow("move") << Operation([](TUDbAccess &db, dba_job_struct &job, DbTestFixture &fixture) {
            return db.dba_moveScene(job, "d", fixture.scratch() + "/fs2");
        }) << QStringList();
        QTest::newRow("check") << Operation([](TUDbAccess &db, dba_job_struct &, DbTestFixture &) {
            QVector<DBA_Finding> findings;
            return DBA_Consistency(db.context()).run(false, findings);
        }) << QStringList{"scenes", "jobs", "locks", "sessions"};
    }
    void lookUpsUseIndexes()
    {
        QFETCH(Operation, operation);
        QFETCH(QStringList, whole);
        QVector<Statement> ran;
        DBA_Connection::observeStatements([&ran](const QString &sql, const QVariantList &values) { ran.push_back({sql, values}); });
        const bool ok = operation(*m_db, m_db->jobRecord(), *m_fixture);
        DBA_Connection::observeStatements({});
        QVERIFY2(ok && !ran.isEmpty(), qPrintable(m_db->lastErrorText()));
        QStringList scans;
        for (const Statement &statement : ran)
            scans += scansIn(statement, whole);
        scans.removeDuplicates();
        QVERIFY2(scans.isEmpty(), qPrintable("scans:\n" + scans.join('\n')));
    }
};

QTEST_GUILESS_MAIN(tst_DbPlans)
#include "tst_db_plans.moc"
