#include "DbTestFixture.h"
#include "DBA_Schema.h"
#include "TUDbAccess.h"
#include "oswUtil.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

// Sessions, users and their rights, environments, jobs and queues, on the
// backend the program was started for.
class tst_DbHierarchy : public QObject
{
    Q_OBJECT

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;

    bool exists(const QString &folder) const { return QFileInfo::exists(m_fixture->root() + folder); }
    int userCount()
    {
        QVector<dba_user_struct_type> users;
        return m_db->dba_GetAllUsers(users);
    }
    static dba_queueEntry_struct entry(int kind, const QString &drawing, const QString &options = {})
    {
        return {0, kind, "J", "S", "BG", "7", drawing, {}, {}, options, 0, 0, {}, {}, 0};
    }
    dba_queue_struct open(int kind, const QString &environment, TUDbAccess *db = nullptr)
    {
        dba_queue_struct queue;
        if ((db ? db : m_db.get())->dba_OpenQueue(kind, environment, queue) != 0)
            qWarning("%s", qPrintable(m_db->lastErrorText()));
        return queue;
    }
    int rowCount(const QString &table) { return DbTestFixture::value(*m_db, "SELECT COUNT(*) FROM " + table).toInt(); }

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
        // No folder is made for it; a server that cannot be reached is tst_tallyard_db's and tst_batch_cli's.
        QVERIFY(!QFileInfo::exists(url.root));
    }

    // Environments are listed by name and made with their folders; a bad
    // name (the rule is tst_db_names') is refused for both kinds and leaves nothing.
    void environmentsAreCreatedWithTheirFolders()
    {
        QVERIFY(m_db->createEnv("Zeta", true) != 0 && m_db->createEnv("Alpha", false) != 0);
        for (const char *folder : {"palette-library", "groups", "library"})
            QVERIFY2(exists(QStringLiteral("/environments/Zeta/") + folder), folder);
        for (const QString &name : {QString(".."), QString("caf\u00e9")}) {
            QCOMPARE(m_db->createEnv(name, true), 0);
            QVERIFY2(m_db->lastErrorCode() == DBA_Context::BadName && !m_db->lastErrorText().isEmpty(), qPrintable(name));
            dba_job_struct bad = DbTestFixture::newJob(name, "Zeta");
            QVERIFY(m_db->dba_createJob(bad) == -1 && m_db->lastErrorCode() == DBA_Context::BadName);
        }
        QStringList names;
        QVERIFY(m_db->dba_GetEnvironments(names) == 2 && names == QStringList({"Alpha", "Zeta"}));
        QCOMPARE(QDir(m_fixture->root() + "/environments").entryList(QDir::NoDotAndDotDot | QDir::AllEntries), names);
        QVERIFY(QDir(m_fixture->root() + "/jobs").isEmpty());

        int status = 0;
        QVERIFY(m_db->dba_GetEnvironmentSceneLock("Zeta", status) && status == 0);
        QVERIFY(m_db->dba_SetEnvironmentSceneLock("Zeta", false));
        QVERIFY(!m_db->dba_GetEnvironmentSceneLock("Zeta", status) && status == 0);
        m_db->dba_GetEnvironmentSceneLock("Nope", status);
        QCOMPARE(status, -1);
    }

    // Job names are unique across environments; a job is opened, changed and deleted.
    void jobRoundTrip()
    {
        QVERIFY(m_db->createEnv("E", true) && m_db->createEnv("E2", true));
        dba_job_struct made = DbTestFixture::newJob("J", "E");
        made.td = "admin";
        made.priority = 3;
        made.manualApproval = true;
        QVERIFY(m_db->dba_createJob(made) > 0 && exists("/jobs/J/library"));
        made.environment = "E2";
        QVERIFY(m_db->dba_createJob(made) == -1 && m_db->lastErrorCode() == DBA_Context::AlreadyExists);
        QCOMPARE(m_db->lastErrorText(), "Job J already exists,\npossibly in another environment.");
        QVector<dba_job_struct> jobs;
        QCOMPARE(m_db->dba_GetEnvironmentJobs("E", jobs, 0), 1);
        QVERIFY(jobs[0].td == "admin" && jobs[0].priority == 3 && jobs[0].manualApproval);
        QCOMPARE(m_db->dba_GetEnvironmentJobs("E2", jobs, 0), 0);
        QCOMPARE(m_db->dba_GetEnvironmentJobs("Nope", jobs, 0), -1);

        dba_job_struct opened;
        QVERIFY(m_db->dba_OpenJob("Missing", opened) == -1 && !opened.isOpen());
        QCOMPARE(m_db->dba_OpenJob("J", opened), 0);
        QVERIFY(opened.environment == "E" && opened.scene().rowCount() == 0);
        QVERIFY(m_db->dba_changePriorityJob(opened, 10) && !m_db->dba_changePriorityJob(opened, 11));
        QVERIFY(m_db->dba_changeStageJob(opened, 1) && m_db->dba_changeApprovalPolicy(opened, 0));
        QVERIFY(m_db->dba_changeTdAtdJob(opened, "t", "a"));
        m_db->dba_CloseJob(opened);
        QCOMPARE(m_db->dba_OpenJob("J", opened), 0);
        QVERIFY(opened.priority == 10 && opened.stage == 1 && !opened.manualApproval);
        QCOMPARE(m_db->dba_getTdJob(opened) + m_db->dba_getAtdJob(opened), "ta");

        // An environment goes only once its jobs have.
        QVERIFY(m_db->deleteEnv("E") == 0 && m_db->lastErrorCode() == DBA_Context::Refused);
        QVERIFY(m_db->dba_deleteJob("J") == 1 && !exists("/jobs/J"));
        QVERIFY(m_db->dba_deleteJob("J") == 0 && m_db->lastErrorCode() == DBA_Context::NotFound);
        QVERIFY(m_db->deleteEnv("E") == 1 && !exists("/environments/E"));
        QCOMPARE(m_db->deleteEnv("E"), 0);
    }

    void addModifyDeleteRoundTrip()
    {
        QVector<dba_user_struct_type> users;
        QCOMPARE(m_db->dba_GetAllUsers(users), 2);
        QVERIFY(users[0].name == "BATCH" && users[1].name == "admin" && users[1].type == DBA_UserOps::RD);

        QCOMPARE(m_db->addUser("ana", "Ana", "Lima", QString(), DBA_UserOps::INK_PAINT), 0);
        dba_user_struct_type user;
        QVERIFY(m_db->dba_GetUser("ana", user));
        QVERIFY(user.firstName == "Ana" && user.lastName == "Lima" && user.type == DBA_UserOps::INK_PAINT);
        // The modify call takes the last name before the first name.
        QCOMPARE(m_db->modifyUser("ana", "anal", "Lima-Reis", "Ana Maria", DBA_UserOps::SCAN), 0);
        QVERIFY(!m_db->dba_GetUser("ana", user) && m_db->dba_GetUser("anal", user));
        QVERIFY(user.firstName == "Ana Maria" && user.lastName == "Lima-Reis" && user.type == DBA_UserOps::SCAN);
        QCOMPARE(m_db->deleteUser("anal"), 0);
        QVERIFY(m_db->deleteUser("anal") != 0 && m_db->lastErrorCode() == DBA_Context::NotFound);

        // Refused: a taken name, a type past either end of the list, a bad name.
        const struct { const char *name; int type, code; } refusals[] = {
            {"admin", 0, DBA_Context::AlreadyExists}, {"x", 10, DBA_Context::Failed}, {"x", -1, DBA_Context::Failed},
            {"a b", 0, DBA_Context::BadName}};
        for (const auto &refused : refusals)
            QVERIFY2(m_db->addUser(refused.name, "F", "L", QString(), refused.type) != 0 && m_db->lastErrorCode() == refused.code, refused.name);
        // The batch user stays.
        QVERIFY(m_db->deleteUser("BATCH") != 0 && m_db->modifyUser("BATCH", "B2", QString(), QString(), 0) != 0);
        QCOMPARE(userCount(), 2);
        QVERIFY(m_db->dba_GetUser("BATCH", user));
    }

    void changedRightIsSeenByOtherSessions()
    {
        QCOMPARE(m_db->addUser("coord", "C", "D", QString(), DBA_UserOps::COORDINATOR), 0);
        std::unique_ptr<TUDbAccess> other = m_fixture->open("coord");
        QVERIFY(other && !other->hasUserPermissionCreateEnv());
        QVERIFY(m_db->setRight(DBA_UserOps::COORDINATOR, DBA_UserOps::CreateEnv, true));
        QVERIFY(other->hasUserPermissionCreateEnv());

        // An unknown user is refused and has no rights at all.
        QVERIFY(!m_db->setCurrentUser("ghost") && m_db->lastErrorCode() == DBA_Context::NotFound);
        m_db->getDbaUserStruct() = dba_user_struct_type();
        QVERIFY(!m_db->hasUserPermissionOpenInPavane());
    }

    // A queue is made on its first open and shared after; each lists its own
    // entries, from every session, in the order they came.
    void queuesListTheirOwnEntriesInInsertionOrder()
    {
        std::unique_ptr<TUDbAccess> other = m_fixture->open("BATCH");
        QVERIFY(other && m_db->createEnv("E1", false) != 0 && m_db->createEnv("E2", false) != 0);
        dba_queue_struct mine = open(DBA_QueueOps::VectorizeQueue, "E1"), theirs = open(DBA_QueueOps::VectorizeQueue, "E1", other.get());
        QVERIFY(mine.isOpen() && mine.kind == DBA_QueueOps::VectorizeQueue && mine.environment == "E1" && theirs.id == mine.id);
        dba_queue_struct render = open(DBA_QueueOps::RenderQueue, "E1"), vectorizeE2 = open(DBA_QueueOps::VectorizeQueue, "E2");
        QVERIFY(render.id != mine.id && vectorizeE2.id != mine.id && vectorizeE2.id != render.id);
        dba_queueEntry_struct frames = entry(1, QString(), "-frames 1-10");
        for (int i = 0; i < 4; ++i) {
            dba_queueEntry_struct added = entry(i % 2 ? 3 : 4, QStringLiteral("d%1").arg(i));
            QCOMPARE(i % 2 ? other->dba_AddQueueEntry(theirs, added) : m_db->dba_AddQueueEntry(mine, added), 0);
            if (i == 1)
                QCOMPARE(m_db->dba_AddQueueEntry(render, frames), 0);
        }
        QVector<dba_queueEntry_struct> entries;
        QCOMPARE(m_db->dba_GetQueueEntries(mine, entries), 4);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(entries[i].drawingName, QStringLiteral("d%1").arg(i));
            QVERIFY(entries[i].kind == (i % 2 ? 3 : 4) && entries[i].user == (i % 2 ? "BATCH" : "admin"));
        }
        QCOMPARE(m_db->dba_GetQueueEntries(render, entries), 1);
        QVERIFY(entries[0].kind == 1 && entries[0].options == "-frames 1-10");
        QCOMPARE(m_db->dba_GetQueueEntries(vectorizeE2, entries), 0);
        m_db->dba_CloseQueue(mine);
        QVERIFY(!mine.isOpen());
    }

    void entryKeepsItsFieldsAndStartsPending()
    {
        QVERIFY(m_db->createEnv("E1", false) != 0);
        dba_queue_struct queue = open(DBA_QueueOps::VectorizeQueue, "E1");
        dba_queueEntry_struct added{0, 3, "J", "S", "BG", "7", "c2", "tga", "Vectorize", "-outfile x", 5, 3, {}, {}, 0};
        const qint64 before = DBA_Context::now();
        QVERIFY(m_db->dba_AddQueueEntry(queue, added) == 0 && m_db->lastErrorCode() == 0);
        // Written as pending whatever state the caller left in it.
        QVERIFY(added.id > 0 && added.state == 0);
        QVector<dba_queueEntry_struct> entries;
        QCOMPARE(m_db->dba_GetQueueEntries(queue, entries), 1);
        const dba_queueEntry_struct &e = entries[0];
        QCOMPARE(QStringList({QString::number(e.id), QString::number(e.kind), e.jobName, e.sceneName, e.elementName, e.elementId,
                              e.drawingName, e.suffix, e.processStage, e.options, QString::number(e.priority),
                              QString::number(e.state), e.user, e.machine}),
                 QStringList({QString::number(added.id), "3", "J", "S", "BG", "7", "c2", "tga", "Vectorize", "-outfile x", "3", "0",
                              "admin", oswUtil::getShortMachineName()}));
        QVERIFY(e.date >= before && e.date <= DBA_Context::now());
    }

    void badQueuesAndEntriesAreRefused()
    {
        QVERIFY(m_db->createEnv("E1", false) != 0);
        // A missing environment, or a kind past either end of the list.
        const struct { int kind; const char *environment; int code; } badQueues[] = {
            {DBA_QueueOps::VectorizeQueue, "Nope", DBA_Context::NotFound}, {2, "E1", DBA_Context::Failed}, {-1, "E1", DBA_Context::Failed}};
        for (const auto &bad : badQueues) {
            dba_queue_struct queue;
            QCOMPARE(m_db->dba_OpenQueue(bad.kind, bad.environment, queue), -1);
            QVERIFY(m_db->lastErrorCode() == bad.code && !m_db->lastErrorText().isEmpty() && !queue.isOpen());
        }
        QCOMPARE(rowCount("queues"), 0);

        // Render entries go only to a render queue, (un)vectorize ones only to a vectorize queue.
        const QPoint wrongKinds[] = {{DBA_QueueOps::VectorizeQueue, 1}, {DBA_QueueOps::RenderQueue, 4}, {DBA_QueueOps::RenderQueue, 3},
                                     {DBA_QueueOps::VectorizeQueue, 2}};
        for (const QPoint &wrong : wrongKinds) {
            dba_queue_struct queue = open(wrong.x(), "E1");
            dba_queueEntry_struct refused = entry(wrong.y(), "d");
            QVERIFY(m_db->dba_AddQueueEntry(queue, refused) != 0 && m_db->lastErrorCode() == DBA_Context::Refused && refused.id == 0);
        }
        // A closed queue takes and lists nothing.
        dba_queue_struct closed;
        dba_queueEntry_struct added = entry(4, "d");
        QVERIFY(m_db->dba_AddQueueEntry(closed, added) != 0 && m_db->lastErrorCode() == DBA_Context::Failed);
        QVector<dba_queueEntry_struct> entries;
        QCOMPARE(m_db->dba_GetQueueEntries(closed, entries), -1);
        QCOMPARE(rowCount("queue_entries"), 0);
    }
};

QTEST_GUILESS_MAIN(tst_DbHierarchy)
#include "tst_db_hierarchy.moc"
