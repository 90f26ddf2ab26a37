#include "DbTestFixture.h"
#include "DBA_Schema.h"
#include "TUDbAccess.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

// Sessions, environments and jobs, on the backend the program was started for.
class tst_DbHierarchy : public QObject
{
    Q_OBJECT

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;

    static dba_job_struct job(const QString &name, const QString &environment)
    {
        dba_job_struct job;
        job.name = name;
        job.environment = environment;
        job.creationFlag = 1;
        return job;
    }
    bool exists(const QString &folder) const { return QFileInfo::exists(m_fixture->root() + folder); }

private slots:
    void init() { QVERIFY(DbTestFixture::restart(m_fixture, m_db)); }

    void sessionOpensOnlyAnExistingDatabase()
    {
        int count = 0;
        QVERIFY(m_db->getNumberOfImplementedMessages(&count));
        QCOMPARE(count, DBA_Schema::latestVersion());
        QVERIFY(m_db->userName() == "admin" && m_db->isSessionOpen());
        QCOMPARE(m_db->dba_GetSessions().size(), 1);

        DBA_Url url;
        url.root = m_fixture->scratch() + "/nowhere";
        TUDbAccess other;
        QCOMPARE(other.dba_Open2dDatabaseSession(url), -1);
        QVERIFY(other.lastErrorText().contains("tallyard-db init"));
        QVERIFY(!QFileInfo::exists(url.root));
    }

    void environmentsAreCreatedWithTheirFolders()
    {
        QVERIFY(m_db->createEnv("Zeta", true) != 0 && m_db->createEnv("Alpha", false) != 0);
        QStringList names;
        QCOMPARE(m_db->dba_GetEnvironments(names), 2);
        QCOMPARE(names, QStringList({"Alpha", "Zeta"}));
        for (const char *folder : {"palette-library", "groups", "library"})
            QVERIFY2(exists(QStringLiteral("/environments/Zeta/") + folder), folder);
        QCOMPARE(m_db->createEnv("Zeta", true), 0);
        QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::AlreadyExists));

        int status = 0;
        QVERIFY(m_db->dba_GetEnvironmentSceneLock("Zeta", status) && status == 0);
        QVERIFY(m_db->dba_SetEnvironmentSceneLock("Zeta", false));
        QVERIFY(!m_db->dba_GetEnvironmentSceneLock("Zeta", status) && status == 0);
        m_db->dba_GetEnvironmentSceneLock("Nope", status);
        QCOMPARE(status, -1);
    }

    // Names go through one rule (see tst_db_names); both kinds refuse a bad
    // one and leave nothing behind.
    void badNamesAreRefusedAndLeaveNothing()
    {
        QVERIFY(m_db->createEnv("E", true) != 0);
        for (const QString &name : {QString(".."), QString(25, 'x'), QString("caf\u00e9")}) {
            QCOMPARE(m_db->createEnv(name, true), 0);
            QVERIFY2(m_db->lastErrorCode() == DBA_Context::BadName && !m_db->lastErrorText().isEmpty(), qPrintable(name));
            dba_job_struct bad = job(name, "E");
            QCOMPARE(m_db->dba_createJob(bad), -1);
            QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::BadName));
        }
        QStringList names;
        QCOMPARE(m_db->dba_GetEnvironments(names), 1);
        QCOMPARE(QDir(m_fixture->root() + "/environments").entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"E"});
        QVERIFY(QDir(m_fixture->root() + "/jobs").isEmpty());
    }

    void jobNamesAreUniqueAcrossEnvironments()
    {
        QVERIFY(m_db->createEnv("E1", true) && m_db->createEnv("E2", true));
        dba_job_struct made = job("J", "E1");
        made.td = "admin";
        made.priority = 3;
        made.manualApproval = true;
        QVERIFY(m_db->dba_createJob(made) > 0);
        QVERIFY(exists("/jobs/J/library"));

        made.environment = "E2";
        QCOMPARE(m_db->dba_createJob(made), -1);
        QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::AlreadyExists));
        QCOMPARE(m_db->lastErrorText(), "Job J already exists,\npossibly in another environment.");

        QVector<dba_job_struct> jobs;
        QCOMPARE(m_db->dba_GetEnvironmentJobs("E1", jobs, 0), 1);
        QVERIFY(jobs[0].td == "admin" && jobs[0].priority == 3 && jobs[0].manualApproval);
        QCOMPARE(m_db->dba_GetEnvironmentJobs("E2", jobs, 0), 0);
        QCOMPARE(m_db->dba_GetEnvironmentJobs("Nope", jobs, 0), -1);
    }

    void jobIsOpenedChangedAndDeleted()
    {
        QVERIFY(DbTestFixture::makeJob(*m_db));
        dba_job_struct opened;
        QVERIFY(m_db->dba_OpenJob("Missing", opened) == -1 && !opened.isOpen());
        QCOMPARE(m_db->dba_OpenJob("J", opened), 0);
        QVERIFY(opened.environment == "E" && opened.scene().rowCount() == 0);
        QVERIFY(m_db->dba_changePriorityJob(opened, 10) && !m_db->dba_changePriorityJob(opened, 11));
        QVERIFY(m_db->dba_changeStageJob(opened, 1) && m_db->dba_changeApprovalPolicy(opened, 1));
        QVERIFY(m_db->dba_changeTdAtdJob(opened, "t", "a"));
        m_db->dba_CloseJob(opened);
        QCOMPARE(m_db->dba_OpenJob("J", opened), 0);
        QVERIFY(opened.priority == 10 && opened.stage == 1 && opened.manualApproval);
        QCOMPARE(m_db->dba_getTdJob(opened) + m_db->dba_getAtdJob(opened), "ta");

        // An environment goes only once its jobs have.
        QCOMPARE(m_db->deleteEnv("E"), 0);
        QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::Refused));
        QVERIFY(m_db->dba_deleteJob("J") == 1 && !exists("/jobs/J"));
        QCOMPARE(m_db->dba_deleteJob("J"), 0);
        QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
        QVERIFY(m_db->deleteEnv("E") == 1 && !exists("/environments/E"));
        QCOMPARE(m_db->deleteEnv("E"), 0);
    }
};

QTEST_GUILESS_MAIN(tst_DbHierarchy)
#include "tst_db_hierarchy.moc"
