// One contender of tst_db_race. It opens a session on the database named by
// TALLYARD_DB as the given user, says "READY", waits for the go file, makes
// one attempt and says "WON" or "LOST <result> <code>", then keeps what it
// won (its session and locks) until a line arrives on standard input, so
// later contenders cannot win a lock the winner has already let go.
//
//   tst_db_race_worker <user> <go-file> <race> <target>
//
// Races: scene-lock <scene id>, checkout <scene name in job J>,
// create-env <name>, create-job <name in environment E>,
// create-scene <name in job J>.
#include "TUDbAccess.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cstdio>
#include <functional>
#include <map>

namespace {
void say(const QString &line)
{
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

// Whether the go file appeared; gives up after about ten minutes so a
// vanished test leaves no process behind.
bool waitForGo(const QString &file)
{
    for (int tries = 0; tries < 600000; ++tries) {
        if (QFileInfo::exists(file))
            return true;
        QThread::msleep(1);
    }
    return false;
}

dba_job_struct jobNamed(const QString &name, const QString &environment = QString())
{
    dba_job_struct job;
    job.name = name;
    job.environment = environment;
    return job;
}

struct Attempt
{
    bool won;
    int result;
};

using Race = std::function<Attempt(TUDbAccess &, const QString &)>;

const std::map<QString, Race> &races()
{
    static const std::map<QString, Race> table = {
        {QStringLiteral("scene-lock"),
         [](TUDbAccess &db, const QString &target) {
             dba_scene_struct scene;
             scene.id = target.toLongLong();
             scene.name = target;
             const int result = db.dba_GetSceneLock(scene);
             return Attempt{result == 0, result};
         }},
        {QStringLiteral("checkout"),
         [](TUDbAccess &db, const QString &target) {
             const bool won = db.dba_CheckoutScene(jobNamed(QStringLiteral("J")), target, QString());
             return Attempt{won, int(won)};
         }},
        {QStringLiteral("create-env"),
         [](TUDbAccess &db, const QString &target) {
             const int result = db.createEnv(target, false);
             return Attempt{result != 0, result};
         }},
        {QStringLiteral("create-job"),
         [](TUDbAccess &db, const QString &target) {
             dba_job_struct job = jobNamed(target, QStringLiteral("E"));
             const int result = db.dba_createJob(job);
             return Attempt{result > 0, result};
         }},
        {QStringLiteral("create-scene"),
         [](TUDbAccess &db, const QString &target) {
             dba_job_struct job = jobNamed(QStringLiteral("J"));
             const bool won = db.dba_CreateScene(job, target, QString(), QStringLiteral("/QVX_DB/scenes"), QString(),
                                                 DBA_SceneOps::AddAtBottom, -1, 1);
             return Attempt{won, int(won)};
         }},
    };
    return table;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5 || races().count(args[3]) == 0) {
        say(QStringLiteral("ERROR usage: tst_db_race_worker <user> <go-file> <race> <target>"));
        return 2;
    }
    TUDbAccess db;
    db.dba_Initialize2dSystem(QStringLiteral("race-worker"));
    if (db.dba_Open2dDatabaseSession() != 0 || !db.setCurrentUser(args[1])) {
        say(QStringLiteral("ERROR ") + db.lastErrorText().simplified());
        return 1;
    }
    say(QStringLiteral("READY"));
    if (!waitForGo(args[2])) {
        say(QStringLiteral("ERROR no go"));
        return 1;
    }
    const Attempt attempt = races().at(args[3])(db, args[4]);
    say(attempt.won ? QStringLiteral("WON")
                    : QStringLiteral("LOST %1 %2 %3").arg(attempt.result).arg(db.lastErrorCode()).arg(db.lastErrorText().simplified()));
    QFile input;
    if (input.open(stdin, QIODevice::ReadOnly))
        input.readLine();
    return 0;
}
