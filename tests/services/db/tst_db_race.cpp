#include "DbTestFixture.h"
#include "TUDbAccess.h"

#include <QFile>
#include <QProcess>
#include <QtTest>

#include <memory>
#include <vector>

// Real processes racing for one thing on one database: every round exactly
// one wins and every other gets the clean refusal its call promises.
class tst_DbRace : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void exactlyOneWinner_data();
    void exactlyOneWinner();

private:
    static constexpr int kWorkers = 8;
    static constexpr int kRounds = 3;

    // What the workers race for in this round, made ready in the database.
    QString prepare(const QString &race, int round);
    // Starts the workers, releases them together and returns each one's
    // answer ("WON" or "LOST <result> <code> <text>"), in worker order;
    // heldMeanwhile is holder() while the workers still run.
    QStringList runRound(const QString &race, const QString &target, int round, QString &heldMeanwhile);
    // Who holds what the race was for, as the database says.
    QString holder(const QString &race, const QString &target);
    qint64 scalar(const QString &sql, const QVariantList &values);

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
};

namespace {
QString workerName(int index)
{
    return QStringLiteral("w%1").arg(index);
}

// The next full line the process writes, without its end; empty when it
// stops writing.
QString readLine(QProcess &process)
{
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(120000))
            return QString();
    }
    return QString::fromUtf8(process.readLine()).trimmed();
}
} // namespace

void tst_DbRace::initTestCase()
{
    QVERIFY2(QFileInfo(QStringLiteral(TST_DB_RACE_WORKER)).isExecutable(), TST_DB_RACE_WORKER);
}

void tst_DbRace::init()
{
    m_fixture = std::make_unique<DbTestFixture>();
    m_db = m_fixture->open();
    QVERIFY2(m_db, qPrintable(m_fixture->errorString()));
    for (int i = 0; i < kWorkers; ++i)
        QCOMPARE(m_db->addUser(workerName(i), QString(), QString(), QString(), DBA_UserOps::ANIMATOR), 0);
    QVERIFY(m_db->createEnv(QStringLiteral("E"), false));
    dba_job_struct job;
    job.name = QStringLiteral("J");
    job.environment = QStringLiteral("E");
    QVERIFY(m_db->dba_createJob(job) > 0);
}

void tst_DbRace::cleanup()
{
    m_db.reset();
    m_fixture.reset();
}

qint64 tst_DbRace::scalar(const QString &sql, const QVariantList &values)
{
    QString error;
    const QVariant value = m_db->context().connection.scalar(sql, values, error);
    if (!value.isValid())
        qWarning("%s: %s", qPrintable(sql), qPrintable(error));
    return value.isValid() ? value.toLongLong() : -1;
}

QString tst_DbRace::prepare(const QString &race, int round)
{
    if (race == QLatin1String("create-env"))
        return QStringLiteral("Env%1").arg(round);
    if (race == QLatin1String("create-job"))
        return QStringLiteral("Job%1").arg(round);
    if (race == QLatin1String("create-scene"))
        return QStringLiteral("New%1").arg(round);
    // The scene races need a scene of job J.
    const QString name = QStringLiteral("S%1").arg(round);
    const qint64 id = scalar(QStringLiteral("INSERT INTO scenes (job_id, name, sort_order, path, created) "
                                            "SELECT id, CAST(? AS TEXT), 0, CAST(? AS TEXT), 0 FROM jobs WHERE name = 'J' "
                                            "RETURNING id"),
                             {name, QStringLiteral("/QVX_DB/scenes/J/scene-") + name});
    if (id <= 0)
        return QString();
    return race == QLatin1String("scene-lock") ? QString::number(id) : name;
}

QStringList tst_DbRace::runRound(const QString &race, const QString &target, int round, QString &heldMeanwhile)
{
    const QString go = m_fixture->scratch() + QStringLiteral("/go-%1-%2").arg(race).arg(round);
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int i = 0; i < kWorkers; ++i) {
        workers.push_back(std::make_unique<QProcess>());
        workers.back()->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        workers.back()->start(QStringLiteral(TST_DB_RACE_WORKER), {workerName(i), go, race, target});
    }
    QStringList answers;
    for (auto &worker : workers) {
        const QString ready = readLine(*worker);
        if (ready != QLatin1String("READY"))
            answers << QStringLiteral("not ready: ") + ready;
    }
    if (answers.isEmpty()) {
        QFile file(go);
        if (!file.open(QIODevice::WriteOnly))
            answers << QStringLiteral("cannot write ") + go;
    }
    if (answers.isEmpty()) {
        for (auto &worker : workers)
            answers << readLine(*worker);
        heldMeanwhile = holder(race, target);
    }
    for (auto &worker : workers) {
        worker->write("done\n");
        worker->closeWriteChannel();
        if (!worker->waitForFinished(120000) || worker->exitStatus() != QProcess::NormalExit || worker->exitCode() != 0)
            answers << QStringLiteral("worker did not end cleanly");
    }
    return answers;
}

QString tst_DbRace::holder(const QString &race, const QString &target)
{
    QSqlQuery query;
    QString error;
    QString sql;
    if (race == QLatin1String("scene-lock"))
        sql = QStringLiteral("SELECT user_name FROM locks WHERE kind = 'scene' AND lock_key = ?");
    else if (race == QLatin1String("checkout"))
        sql = QStringLiteral("SELECT checkout_user FROM scenes WHERE name = ? AND checked_out = 1");
    else if (race == QLatin1String("create-scene"))
        sql = QStringLiteral("SELECT created_by FROM scenes WHERE name = ?");
    else if (race == QLatin1String("create-env"))
        sql = QStringLiteral("SELECT name FROM environments WHERE name = ?");
    else
        sql = QStringLiteral("SELECT name FROM jobs WHERE name = ?");
    if (!m_db->context().connection.exec(query, sql, {target}, error)) {
        qWarning("%s", qPrintable(error));
        return QString();
    }
    QStringList rows;
    while (query.next())
        rows << query.value(0).toString();
    return rows.join(QLatin1Char(','));
}

void tst_DbRace::exactlyOneWinner_data()
{
    QTest::addColumn<QString>("race");
    QTest::addColumn<int>("loserResult");
    QTest::addColumn<int>("loserCode");
    QTest::addColumn<bool>("ownerRecorded"); // the winner's user is on record, else just the name
    QTest::addColumn<bool>("outlivesWinner"); // kept after the winner's session closes

    QTest::newRow("scene lock") << QStringLiteral("scene-lock") << 1 << int(DBA_Context::Locked) << true << false;
    QTest::newRow("check-out") << QStringLiteral("checkout") << 0 << int(DBA_Context::Locked) << true << true;
    QTest::newRow("scene name") << QStringLiteral("create-scene") << 0 << int(DBA_Context::AlreadyExists) << true << true;
    QTest::newRow("environment name") << QStringLiteral("create-env") << 0 << int(DBA_Context::AlreadyExists) << false << true;
    QTest::newRow("job name") << QStringLiteral("create-job") << -1 << int(DBA_Context::AlreadyExists) << false << true;
}

void tst_DbRace::exactlyOneWinner()
{
    QFETCH(QString, race);
    QFETCH(int, loserResult);
    QFETCH(int, loserCode);
    QFETCH(bool, ownerRecorded);
    QFETCH(bool, outlivesWinner);

    for (int round = 0; round < kRounds; ++round) {
        const QString target = prepare(race, round);
        QVERIFY(!target.isEmpty());
        QString heldMeanwhile;
        const QStringList answers = runRound(race, target, round, heldMeanwhile);
        const QString why = answers.join(QStringLiteral(" | "));
        QVERIFY2(answers.size() == kWorkers, qPrintable(why));

        int winner = -1;
        for (int i = 0; i < kWorkers; ++i) {
            if (answers[i] == QLatin1String("WON")) {
                QVERIFY2(winner < 0, qPrintable(QStringLiteral("two winners: ") + why));
                winner = i;
                continue;
            }
            const QStringList words = answers[i].split(QLatin1Char(' '));
            QVERIFY2(words.size() >= 3 && words[0] == QLatin1String("LOST"), qPrintable(why));
            QCOMPARE(words[1].toInt(), loserResult);
            QCOMPARE(words[2].toInt(), loserCode);
        }
        QVERIFY2(winner >= 0, qPrintable(QStringLiteral("no winner: ") + why));
        const QString owner = ownerRecorded ? workerName(winner) : target;
        QCOMPARE(heldMeanwhile, owner);
        QCOMPARE(holder(race, target), outlivesWinner ? owner : QString());
        if (race == QLatin1String("create-scene")) // only the winner made the folder, and kept it
            QVERIFY(QFileInfo(m_fixture->root() + QStringLiteral("/scenes/J/scene-") + target).isDir());
    }
}

QTEST_GUILESS_MAIN(tst_DbRace)
#include "tst_db_race.moc"
