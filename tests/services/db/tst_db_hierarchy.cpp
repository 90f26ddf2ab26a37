#include "DbTestFixture.h"
#include "DBA_Schema.h"
#include "TUDbAccess.h"
#include "oswRemapPath.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

// Sessions, environments and jobs, on the backend the program was started for.
class tst_DbHierarchy : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_fixture = std::make_unique<DbTestFixture>();
        m_db = m_fixture->open();
        QVERIFY2(m_db, qPrintable(m_fixture->errorString()));
    }
    void cleanup()
    {
        m_db.reset();
        m_fixture.reset();
    }

    void sessionReportsSchemaAndUser()
    {
        int count = 0;
        QVERIFY(m_db->getNumberOfImplementedMessages(&count));
        QCOMPARE(count, DBA_Schema::latestVersion());
        QCOMPARE(m_db->userName(), QStringLiteral("admin"));
        QVERIFY(m_db->isSessionOpen());
        QCOMPARE(m_db->dba_GetSessions().size(), 1);
    }

    void openingAMissingDatabaseFails()
    {
        DBA_Url url;
        url.root = m_fixture->scratch() + QStringLiteral("/nowhere");
        TUDbAccess other;
        QCOMPARE(other.dba_Open2dDatabaseSession(url), -1);
        QVERIFY(other.lastErrorText().contains(QStringLiteral("tallyard-db init")));
        QVERIFY(!QFileInfo::exists(url.root));
    }

    void unreachablePostgresFails()
    {
        DBA_Url url;
        url.backend = DBA_Url::Postgres;
        url.host = m_fixture->scratch(); // a folder with no server socket in it
        url.user = QStringLiteral("nobody");
        url.database = QStringLiteral("missing");
        url.root = m_fixture->scratch();
        TUDbAccess other;
        QCOMPARE(other.dba_Open2dDatabaseSession(url), -1);
        QVERIFY2(other.lastErrorText().contains(QStringLiteral("PostgreSQL")), qPrintable(other.lastErrorText()));
    }

    void environmentsAreCreatedWithTheirFolders()
    {
        QVERIFY(m_db->createEnv(QStringLiteral("Zeta"), true) != 0);
        QVERIFY(m_db->createEnv(QStringLiteral("Alpha"), false) != 0);
        QStringList names;
        QCOMPARE(m_db->dba_GetEnvironments(names), 2);
        QCOMPARE(names, QStringList({QStringLiteral("Alpha"), QStringLiteral("Zeta")}));
        for (const char *folder : {"palette-library", "groups", "library"})
            QVERIFY(QFileInfo(m_fixture->root() + QStringLiteral("/environments/Zeta/") + QLatin1String(folder)).isDir());
        int status = 0;
        QVERIFY(m_db->dba_GetEnvironmentSceneLock(QStringLiteral("Zeta"), status));
        QCOMPARE(status, 0);
        QVERIFY(m_db->dba_SetEnvironmentSceneLock(QStringLiteral("Zeta"), false));
        QVERIFY(!m_db->dba_GetEnvironmentSceneLock(QStringLiteral("Zeta"), status));
        QCOMPARE(status, 0);
        m_db->dba_GetEnvironmentSceneLock(QStringLiteral("Nope"), status);
        QCOMPARE(status, -1);
    }

    void duplicateEnvironmentIsAlreadyExists()
    {
        QVERIFY(m_db->createEnv(QStringLiteral("E"), true) != 0);
        QCOMPARE(m_db->createEnv(QStringLiteral("E"), true), 0);
        QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::AlreadyExists));
    }

    void badNamesAreRefusedAndLeaveNothing_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("slash") << QStringLiteral("a/b");
        QTest::newRow("dotdot") << QStringLiteral("..");
        QTest::newRow("leading dot") << QStringLiteral(".hidden");
        QTest::newRow("quote") << QStringLiteral("it's");
        QTest::newRow("double quote") << QStringLiteral("say\"x");
        QTest::newRow("control") << QStringLiteral("tab\there");
        QTest::newRow("blank") << QStringLiteral("two words");
        QTest::newRow("too long") << QString(25, QLatin1Char('x'));
        QTest::newRow("unicode by default") << QStringLiteral("caf\u00e9");
    }
    void badNamesAreRefusedAndLeaveNothing()
    {
        QFETCH(QString, name);
        QCOMPARE(m_db->createEnv(name, true), 0);
        QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::BadName));
        QVERIFY(!m_db->lastErrorText().isEmpty());
        QStringList names;
        QCOMPARE(m_db->dba_GetEnvironments(names), 0);
        QCOMPARE(QDir(m_fixture->root() + QStringLiteral("/environments")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);

        QVERIFY(m_db->createEnv(QStringLiteral("E"), true) != 0);
        dba_job_struct job;
        job.name = name;
        job.environment = QStringLiteral("E");
        QCOMPARE(m_db->dba_createJob(job), -1);
        QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::BadName));
    }

    void jobNamesAreUniqueAcrossEnvironments()
    {
        QVERIFY(m_db->createEnv(QStringLiteral("E1"), true));
        QVERIFY(m_db->createEnv(QStringLiteral("E2"), true));
        dba_job_struct job;
        job.name = QStringLiteral("J");
        job.environment = QStringLiteral("E1");
        job.td = QStringLiteral("admin");
        job.priority = 3;
        job.manualApproval = true;
        job.creationFlag = 1;
        QVERIFY(m_db->dba_createJob(job) > 0);
        QVERIFY(QFileInfo(m_fixture->root() + QStringLiteral("/jobs/J/library")).isDir());

        job.environment = QStringLiteral("E2");
        QCOMPARE(m_db->dba_createJob(job), -1);
        QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::AlreadyExists));
        QCOMPARE(m_db->lastErrorText(), QStringLiteral("Job J already exists,\npossibly in another environment."));

        QVector<dba_job_struct> jobs;
        QCOMPARE(m_db->dba_GetEnvironmentJobs(QStringLiteral("E1"), jobs, 0), 1);
        QCOMPARE(jobs[0].td, QStringLiteral("admin"));
        QCOMPARE(jobs[0].priority, 3);
        QVERIFY(jobs[0].manualApproval);
        QCOMPARE(m_db->dba_GetEnvironmentJobs(QStringLiteral("E2"), jobs, 0), 0);
        QCOMPARE(m_db->dba_GetEnvironmentJobs(QStringLiteral("Nope"), jobs, 0), -1);
    }

    void jobIsOpenedAndChanged()
    {
        QVERIFY(m_db->createEnv(QStringLiteral("E"), true));
        dba_job_struct created;
        created.name = QStringLiteral("J");
        created.environment = QStringLiteral("E");
        QVERIFY(m_db->dba_createJob(created) > 0);

        dba_job_struct job;
        QCOMPARE(m_db->dba_OpenJob(QStringLiteral("Missing"), job), -1);
        QVERIFY(!job.isOpen());
        QCOMPARE(m_db->dba_OpenJob(QStringLiteral("J"), job), 0);
        QCOMPARE(job.environment, QStringLiteral("E"));
        QCOMPARE(job.scene().rowCount(), 0);
        QVERIFY(m_db->dba_changePriorityJob(job, 10));
        QVERIFY(!m_db->dba_changePriorityJob(job, 11));
        QVERIFY(m_db->dba_changeStageJob(job, 1));
        QVERIFY(m_db->dba_changeApprovalPolicy(job, 1));
        QVERIFY(m_db->dba_changeTdAtdJob(job, QStringLiteral("t"), QStringLiteral("a")));
        m_db->dba_CloseJob(job);

        QCOMPARE(m_db->dba_OpenJob(QStringLiteral("J"), job), 0);
        QCOMPARE(job.priority, 10);
        QCOMPARE(job.stage, 1);
        QVERIFY(job.manualApproval);
        QCOMPARE(m_db->dba_getTdJob(job), QStringLiteral("t"));
        QCOMPARE(m_db->dba_getAtdJob(job), QStringLiteral("a"));
    }

    void environmentWithJobsIsNotDeleted()
    {
        QVERIFY(m_db->createEnv(QStringLiteral("E"), true));
        dba_job_struct job;
        job.name = QStringLiteral("J");
        job.environment = QStringLiteral("E");
        job.creationFlag = 1;
        QVERIFY(m_db->dba_createJob(job) > 0);
        QCOMPARE(m_db->deleteEnv(QStringLiteral("E")), 0);
        QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::Refused));

        QCOMPARE(m_db->dba_deleteJob(QStringLiteral("J")), 1);
        QVERIFY(!QFileInfo::exists(m_fixture->root() + QStringLiteral("/jobs/J")));
        QCOMPARE(m_db->dba_deleteJob(QStringLiteral("J")), 0);
        QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));

        QCOMPARE(m_db->deleteEnv(QStringLiteral("E")), 1);
        QVERIFY(!QFileInfo::exists(m_fixture->root() + QStringLiteral("/environments/E")));
        QCOMPARE(m_db->deleteEnv(QStringLiteral("E")), 0);
    }

private:
    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
};

QTEST_GUILESS_MAIN(tst_DbHierarchy)
#include "tst_db_hierarchy.moc"
