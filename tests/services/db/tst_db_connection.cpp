#include "DBA_Schema.h"
#include "DBA_Setup.h"
#include "DbTestFixture.h"
#include "TUDbAccess.h"

#include <QSqlDatabase>
#include <QThread>
#include <QtTest>

// The process's one link to the database, the sessions its accesses open
// on it, and the schema's upgrade from an older database.
class tst_DbConnection : public QObject
{
    Q_OBJECT

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;

    qint64 addSession(qint64 lastPulse)
    {
        return DbTestFixture::value(*m_db, "INSERT INTO sessions (user_name, host, application, pid, started, last_pulse) "
                                           "VALUES ('ghost', 'farm7', 'tallyard', 4242, ?, ?) RETURNING id",
                                    {lastPulse, lastPulse}).toLongLong();
    }
    bool sessionExists(qint64 id) { return DbTestFixture::value(*m_db, "SELECT COUNT(*) FROM sessions WHERE id = ?", {id}).toInt() == 1; }

private slots:
    void init()
    {
        QVERIFY(DbTestFixture::restart(m_fixture, m_db));
    }

    // A window holds its shared access, the selector's and a second one.
    void accessesShareOneConnection()
    {
        std::unique_ptr<TUDbAccess> selector = m_fixture->open(), second = m_fixture->open();
        QVERIFY(selector && second);
        QCOMPARE(QSqlDatabase::connectionNames().size(), 1);
        QVERIFY(second->context().sessionId != m_db->context().sessionId);
        // One access closing leaves the link to the others.
        second->dba_Close2dDatabaseSession();
        QStringList names;
        QVERIFY(DbTestFixture::makeJob(*m_db));
        QVERIFY(selector->dba_GetEnvironments(names) >= 0 && names == QStringList{"E"});
    }

    // A batch run or a script waiting on something does not spin an event loop.
    void sessionsStayAliveWithoutEventLoop()
    {
        qputenv("TALLYARD_PULSE_SECONDS", "1");
        qputenv("TALLYARD_STALE_SECONDS", "3");
        m_db->dba_Close2dDatabaseSession(); // reopened at the quicker pulse
        m_db = m_fixture->open();
        std::unique_ptr<TUDbAccess> selector = m_fixture->open();
        QVERIFY(m_db && selector);
        QThread::sleep(6);
        const QVector<DBA_SessionOps::Session> sessions = m_db->dba_GetSessions();
        qunsetenv("TALLYARD_PULSE_SECONDS");
        qunsetenv("TALLYARD_STALE_SECONDS");
        QCOMPARE(sessions.size(), 2);
        for (const DBA_SessionOps::Session &session : sessions)
            QVERIFY2(!session.stale, qPrintable(QStringLiteral("session %1 looks dead").arg(session.id)));
    }

    void deadSessionsArePurged()
    {
        const qint64 now = DBA_Context::now();
        const qint64 longDead = addSession(now - 7200), recentlyDead = addSession(now - 600), deadWithLock = addSession(now - 7200);
        QVERIFY(DbTestFixture::exec(*m_db, "INSERT INTO locks (kind, lock_key, user_name, host, application, pid, session_id, taken) "
                                           "VALUES ('scene', '1', 'ghost', 'farm7', 'tallyard', 4242, ?, ?)", {deadWithLock, now - 7200}));
        QVERIFY(m_fixture->open());
        QVERIFY(!sessionExists(longDead));
        QVERIFY(sessionExists(recentlyDead)); // still shown as stale for a while
        QVERIFY(sessionExists(deadWithLock)); // its lock shows as stale and can be forced
    }

    // A database made before the indexes were added.
    void upgradesFromPreviousVersion()
    {
        DbTestFixture old;
        {
            DBA_Connection connection;
            QString error;
            QVERIFY2(connection.open(old.url(), error, true) && DBA_Schema::migrate(connection, error, 1), qPrintable(error));
            QVERIFY2(connection.execScript("INSERT INTO environments (name, created) VALUES ('E', 0)", error),
                     qPrintable(error));
        }
        QVERIFY2(old.initialize(), qPrintable(old.errorString()));
        std::unique_ptr<TUDbAccess> db = old.open();
        QVERIFY2(db, qPrintable(old.errorString()));
        int version = 0;
        QVERIFY(db->getNumberOfImplementedMessages(&version));
        QCOMPARE(version, DBA_Schema::latestVersion());
        QStringList environments;
        db->dba_GetEnvironments(environments);
        QCOMPARE(environments, QStringList{"E"});
        const QString indexes = DbTestFixture::isPostgres() ? "SELECT COUNT(*) FROM pg_indexes WHERE indexname IN (?, ?, ?, ?, ?)"
                                                            : "SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name IN (?, ?, ?, ?, ?)";
        const QVariantList names = {"scenes_path", "queue_entries_queue", "locks_session", "scenes_path_bytes", "locks_key_bytes"};
        QCOMPARE(DbTestFixture::value(*db, indexes, names).toInt(), DbTestFixture::isPostgres() ? 5 : 3);
    }
};

QTEST_GUILESS_MAIN(tst_DbConnection)
#include "tst_db_connection.moc"
