#include "DbTestFixture.h"
#include "TUDbAccess.h"
#include "WorkerProcess.h"

#include <QThread>
#include <QtTest>

#include <vector>

namespace {
QString workerName(int index) { return QStringLiteral("w%1").arg(index); }

// One contender, this program started again with "--worker": it opens a
// session as user, says "READY", waits for the go file, makes one attempt
// and says "WON" or "LOST <result> <code> <text>", then keeps what it won
// (its session and locks) until a line arrives on standard input, so later
// contenders cannot win what the winner has already let go.
int contend(const QString &user, const QString &go, const QString &race, const QString &target)
{
    const auto say = &WorkerProcess::say;
    TUDbAccess db;
    db.dba_Initialize2dSystem("race-worker");
    if (db.dba_Open2dDatabaseSession() != 0 || !db.setCurrentUser(user))
        return say("ERROR " + db.lastErrorText().simplified()), 1;
    say("READY");
    // Gives up after about ten minutes so a vanished test leaves no process behind.
    for (int tries = 0; !QFileInfo::exists(go); ++tries) {
        if (tries == 600000)
            return say("ERROR no go"), 1;
        QThread::msleep(1);
    }
    dba_job_struct job;
    job.name = race == "create-job" ? target : "J";
    job.environment = race == "create-job" ? qEnvironmentVariable("RACE_ENV", "E") : "";
    dba_scene_struct scene;
    bool byId = false;
    scene.id = target.toLongLong(&byId);
    scene.name = target;
    if (!byId && race == "scene-lock" && db.dba_OpenScene(target, job, scene) != 0)
        return say("ERROR " + db.lastErrorText().simplified()), 1;
    int result = 0;
    bool won = false;
    if (race == "scene-lock")
        won = (result = db.dba_GetSceneLock(scene)) == 0;
    else if (race == "checkout")
        result = won = db.dba_CheckoutScene(job, target, QString());
    else if (race == "create-env")
        won = (result = db.createEnv(target, false)) != 0;
    else if (race == "create-job")
        won = (result = db.dba_createJob(job)) > 0;
    else if (race == "create-scene")
        result = won = db.dba_CreateScene(job, target, QString(), "/QVX_DB/scenes", QString(), DBA_SceneOps::AddAtBottom, -1, 1);
    else if (race == "create-sorted")
        result = won = db.dba_CreateScene(job, target, QString(), "/QVX_DB/scenes", QString(), DBA_SceneOps::AddSorted, -1, 1);
    else if (race == "delete-scene")
        result = won = db.dba_deleteScene(job, target);
    else if (race == "delete-job")
        won = (result = db.dba_deleteJob(target)) == 1;
    else if (race == "delete-env")
        won = (result = db.deleteEnv(target)) != 0;
    else if (race == "force-unlock-own")
        result = won = db.dba_forceUnlockOwnedScene(job, target, user);
    else
        return say("ERROR unknown race " + race), 2;
    say(won ? "WON" : QStringLiteral("LOST %1 %2 %3").arg(result).arg(db.lastErrorCode()).arg(db.lastErrorText().simplified()));
    WorkerProcess::heard();
    return 0;
}
} // namespace

// Real processes racing for one thing on one database: every round exactly
// one wins and every other gets the clean refusal its call promises.
class tst_DbRace : public QObject
{
    Q_OBJECT

    static constexpr int kWorkers = 8, kRounds = 3;
    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;

    // What the workers race for in this round, made ready in the database.
    QString prepare(const QString &race, int round)
    {
        if (race.startsWith("create-"))
            return race.mid(7) + QString::number(round);
        // The scene races need a scene of job J.
        const QString name = QStringLiteral("S%1").arg(round);
        const qint64 id = DbTestFixture::value(*m_db, "INSERT INTO scenes (job_id, name, sort_order, path, created) "
                                                      "SELECT id, CAST(? AS TEXT), 0, CAST(? AS TEXT), 0 FROM jobs WHERE name = 'J' "
                                                      "RETURNING id", {name, "/QVX_DB/scenes/J/scene-" + name}).toLongLong();
        return id <= 0 ? QString() : race == "scene-lock" ? QString::number(id) : name;
    }
    // Starts the workers, releases them together and returns each one's
    // answer, in worker order; heldMeanwhile is holder() while they still run.
    QStringList runRound(const QString &race, const QString &target, const QString &holderSql, QString &heldMeanwhile)
    {
        const QString go = m_fixture->scratch() + "/go-" + race + target;
        std::vector<std::unique_ptr<WorkerProcess>> workers;
        for (int i = 0; i < kWorkers; ++i)
            workers.push_back(std::make_unique<WorkerProcess>(QStringList{workerName(i), go, race, target}, QProcessEnvironment(), true));
        QStringList answers;
        for (auto &worker : workers) {
            const QString ready = worker->line();
            if (ready != "READY")
                answers << "not ready: " + ready;
        }
        if (answers.isEmpty() && !DbTestFixture::writeFile(go))
            answers << "cannot write " + go;
        if (answers.isEmpty()) {
            for (auto &worker : workers)
                answers << worker->line();
            heldMeanwhile = holder(holderSql, {target});
        }
        for (auto &worker : workers) {
            if (!worker->finish())
                answers << "worker did not end cleanly";
            // Losing is an answer, not a reason for driver noise on standard error.
            const QString noise = worker->noise();
            if (!noise.isEmpty())
                answers << "standard error: " + noise;
        }
        return answers;
    }
    // What the database says, its rows joined: who holds what the race was for.
    QString holder(const QString &sql, const QVariantList &values)
    {
        QSqlQuery query;
        QString error;
        if (!m_db->context().connection.exec(query, sql, values, error))
            return "cannot read: " + error;
        QStringList rows;
        while (query.next())
            rows << query.value(0).toString();
        return rows.join(',');
    }

private slots:
    void init()
    {
        QVERIFY(DbTestFixture::restart(m_fixture, m_db) && DbTestFixture::makeJob(*m_db));
        for (int i = 0; i < kWorkers; ++i)
            QCOMPARE(m_db->addUser(workerName(i), QString(), QString(), QString(), DBA_UserOps::ANIMATOR), 0);
    }

    void exactlyOneWinner_data()
    {
        QTest::addColumn<QString>("race");
        QTest::addColumn<int>("loserResult");
        QTest::addColumn<int>("loserCode");
        QTest::addColumn<QString>("holderSql");
        QTest::addColumn<bool>("ownerRecorded"); // the winner's user is on record, else just the name
        QTest::addColumn<bool>("outlivesWinner"); // kept after the winner's session closes
        const int locked = DBA_Context::Locked, exists = DBA_Context::AlreadyExists;
        QTest::newRow("scene lock") << "scene-lock" << 1 << locked
                                    << "SELECT user_name FROM locks WHERE kind = 'scene' AND lock_key = ?" << true << false;
        QTest::newRow("check-out") << "checkout" << 0 << locked
                                   << "SELECT checkout_user FROM scenes WHERE name = ? AND checked_out = 1" << true << true;
        QTest::newRow("scene name") << "create-scene" << 0 << exists << "SELECT created_by FROM scenes WHERE name = ?" << true << true;
        QTest::newRow("environment name") << "create-env" << 0 << exists << "SELECT name FROM environments WHERE name = ?" << false << true;
        QTest::newRow("job name") << "create-job" << -1 << exists << "SELECT name FROM jobs WHERE name = ?" << false << true;
    }
    void exactlyOneWinner()
    {
        QFETCH(QString, race);
        QFETCH(int, loserResult);
        QFETCH(int, loserCode);
        QFETCH(QString, holderSql);
        QFETCH(bool, ownerRecorded);
        QFETCH(bool, outlivesWinner);
        for (int round = 0; round < kRounds; ++round) {
            const QString target = prepare(race, round);
            QVERIFY(!target.isEmpty());
            QString heldMeanwhile;
            const QStringList answers = runRound(race, target, holderSql, heldMeanwhile);
            const QString why = answers.join(" | ");
            QVERIFY2(answers.size() == kWorkers, qPrintable(why));

            int winner = -1;
            for (int i = 0; i < kWorkers; ++i) {
                if (answers[i] == "WON") {
                    QVERIFY2(winner < 0, qPrintable("two winners: " + why));
                    winner = i;
                    continue;
                }
                const QStringList words = answers[i].split(' ');
                QVERIFY2(words.size() >= 3 && words[0] == "LOST", qPrintable(why));
                QCOMPARE(words[1].toInt(), loserResult);
                QCOMPARE(words[2].toInt(), loserCode);
            }
            QVERIFY2(winner >= 0, qPrintable("no winner: " + why));
            const QString owner = ownerRecorded ? workerName(winner) : target;
            QCOMPARE(heldMeanwhile, owner);
            QCOMPARE(holder(holderSql, {target}), outlivesWinner ? owner : QString());
            if (race == "create-scene") // only the winner made the folder, and kept it
                QVERIFY(QFileInfo(m_fixture->sceneDir(target)).isDir());
        }
    }

    // Two different operations on one thing, the first held at a chosen
    // point between its check and its act while the second runs: the second
    // waits for the first, then sees what the first did.
    void differentOperations_data()
    {
        QTest::addColumn<QString>("setUp");  // SQL run first; {J} is job J's id
        QTest::addColumn<QStringList>("first"); // race, target, the point where it holds
        QTest::addColumn<QStringList>("second"); // race, target
        QTest::addColumn<QString>("outcome"); // "WON"/"LOST" of each
        QTest::addColumn<QString>("refusal"); // the second's, when it loses: the service's words, no driver's
        QTest::addColumn<QString>("stateSql"); // what the database holds afterwards
        QTest::addColumn<QString>("state");
        const QString scene = "INSERT INTO scenes (job_id, name, sort_order, path, created) VALUES ({J}, 'S', 0, '/QVX_DB/scenes/J/scene-S', 0)";
        QTest::newRow("delete vs check-out") << scene << QStringList{"delete-scene", "S", "delete-scene-checked"}
                                             << QStringList{"checkout", "S"} << "WON LOST"
                                             << "Could not find scene S"
                                             << "SELECT COUNT(*) FROM scenes" << "0";
        QTest::newRow("delete vs lock") << scene << QStringList{"delete-scene", "S", "delete-scene-checked"}
                                        << QStringList{"scene-lock", "S"} << "WON LOST" << "Scene S does not exist." << "SELECT COUNT(*) FROM locks" << "0";
        QTest::newRow("delete environment vs create job")
            << "INSERT INTO environments (name, created) VALUES ('F', 0)" << QStringList{"delete-env", "F", "delete-env-checked"}
            << QStringList{"create-job", "F1"} << "WON LOST" << "Environment F does not exist."
            << "SELECT (SELECT COUNT(*) FROM environments WHERE name = 'F') + (SELECT COUNT(*) FROM jobs WHERE name = 'F1')"
            << "0";
        QTest::newRow("delete job vs create at the bottom")
            << "" << QStringList{"delete-job", "J", "delete-job-checked"} << QStringList{"create-scene", "S"}
            << "WON LOST" << "Job J does not exist." << "SELECT COUNT(*) FROM jobs" << "0";
        const QString orderOf = "SELECT name FROM scenes ORDER BY sort_order, name";
        QTest::newRow("sorted creates") << "INSERT INTO scenes (job_id, name, sort_order, path, created) VALUES "
                                           "({J}, 'a', 0, '/QVX_DB/scenes/J/scene-a', 0), ({J}, 'c', 1, '/QVX_DB/scenes/J/scene-c', 0)"
                                        << QStringList{"create-sorted", "b", "create-scene-placed"}
                                        << QStringList{"create-sorted", "d"} << "WON WON" << "" << orderOf << "a,b,c,d";
        // A create at the bottom reads the bottom only once the sorted create's moves are in.
        QTest::newRow("sorted create vs create at the bottom")
            << "INSERT INTO scenes (job_id, name, sort_order, path, created) VALUES "
               "({J}, 'a', 0, '/QVX_DB/scenes/J/scene-a', 0), ({J}, 'c', 1, '/QVX_DB/scenes/J/scene-c', 0)"
            << QStringList{"create-sorted", "b", "create-scene-placed"} << QStringList{"create-scene", "aa"} << "WON WON" << ""
            << orderOf << "a,b,c,aa";
        QTest::newRow("owner's force unlock vs check-out")
            << scene + "; INSERT INTO locks (kind, lock_key, user_name, host, application, pid, taken) "
                       "SELECT 'scene', CAST(id AS TEXT), 'w0', 'h', 'a', 1, 0 FROM scenes"
            << QStringList{"force-unlock-own", "S", "force-unlock-checked"} << QStringList{"checkout", "S"} << "WON WON" << ""
            << "SELECT checkout_user || '/' || CAST((SELECT COUNT(*) FROM locks) AS TEXT) FROM scenes" << "w1/0";
    }
    void differentOperations()
    {
        QFETCH(QString, setUp);
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        const QString jobId = DbTestFixture::value(*m_db, "SELECT id FROM jobs WHERE name = 'J'").toString();
        for (const QString &sql : setUp.split("; ", Qt::SkipEmptyParts))
            QVERIFY(DbTestFixture::exec(*m_db, QString(sql).replace("{J}", jobId)));
        const QString goFirst = m_fixture->scratch() + "/go1", goSecond = m_fixture->scratch() + "/go2";
        const QString hold = m_fixture->scratch() + "/hold";
        QProcessEnvironment env;
        env.insert("RACE_ENV", "F");
        // Both open their sessions before the first holds the database.
        WorkerProcess secondWorker({workerName(1), goSecond, second[0], second[1]}, env);
        env.insert("TALLYARD_FAULT_POINT", first[2] + ":pause=" + hold);
        WorkerProcess firstWorker({workerName(0), goFirst, first[0], first[1]}, env);
        QCOMPARE(secondWorker.line(), QString("READY"));
        QCOMPARE(firstWorker.line(), QString("READY"));
        QVERIFY(DbTestFixture::writeFile(goFirst));
        QVERIFY(WorkerProcess::reached(hold));
        QVERIFY(DbTestFixture::writeFile(goSecond));
        // The second must wait for the first; an answer now means it did not.
        const bool answeredEarly = secondWorker.answeredWithin(1500);
        QVERIFY(DbTestFixture::writeFile(hold));
        const QStringList answers = {firstWorker.line(), secondWorker.line()};
        QVERIFY(firstWorker.finish() && secondWorker.finish());
        QFETCH(QString, outcome);
        QVERIFY2(answers[0].section(' ', 0, 0) + ' ' + answers[1].section(' ', 0, 0) == outcome, qPrintable(answers.join(" | ")));
        QTEST(answers[1].startsWith("LOST ") ? answers[1].section(' ', 3) : QString(), "refusal");
        QFETCH(QString, stateSql);
        QTEST(holder(stateSql, {}), "state");
        QVERIFY2(!answeredEarly, qPrintable("not held back: " + answers.join(" | ")));
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 6 && args[1] == "--worker")
        return contend(args[2], args[3], args[4], args[5]);
    tst_DbRace test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_db_race.moc"
