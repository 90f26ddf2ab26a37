#include "DbTestFixture.h"
#include "TUDbAccess.h"
#include "TUDbClient.h"

#include <QtTest>

// Scene, stage, version and logical locks, check-out and the lock manager's
// client, with two sessions ("admin" and "bob") on one database.
class tst_DbLocks : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void sceneLockIsExclusive();
    void sceneLockRowRecordsTheHolder();
    void lockingAMissingSceneFails();
    void releaseLeavesALockRetakenAfterForce();
    void closingASceneReleasesItsLock();
    void staleLocksAreReportedAndForced_data();
    void staleLocksAreReportedAndForced();
    void forceUnlockSceneTakesVersionsOnRequest_data();
    void forceUnlockSceneTakesVersionsOnRequest();
    void versionLocks();
    void stageLockWithItsInfo();
    void checkoutRoundTrip();
    void checkinByAnotherUserIsRefused();
    void checkoutOfAMissingSceneFails();
    void forceCheckin_data();
    void forceCheckin();
    void logicalLocks();
    void badLogicalLocksAreRefused_data();
    void badLogicalLocksAreRefused();
    void lockManagerKeysAreRecognised_data();
    void lockManagerKeysAreRecognised();
    void locksOfAClosedSessionAreRemoved();
    void clientWalksChecksAndReleases();
    void clientRefusesToForceRegisterLocks();
    void clientNeedsAnOpenConnection();
    void resolutions();

private:
    // Runs one statement on the admin's connection; false with the reason logged.
    bool sql(const QString &statement, const QVariantList &values, QSqlQuery *result = nullptr);
    // A scene of job "J", opened.
    dba_scene_struct makeScene(const QString &name, qint64 id = 0);
    qint64 addVersion(const dba_scene_struct &scene, int number);
    void ageSession(TUDbAccess &access, qint64 seconds);
    QStringList keys(const QVector<dba_lock_struct> &locks);

    dba_job_struct m_job;
    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    std::unique_ptr<TUDbAccess> m_bob;
};

void tst_DbLocks::init()
{
    m_fixture = std::make_unique<DbTestFixture>();
    m_db = m_fixture->open();
    QVERIFY2(m_db, qPrintable(m_fixture->errorString()));
    QCOMPARE(m_db->addUser(QStringLiteral("bob"), QString(), QString(), QString(), DBA_UserOps::ANIMATOR), 0);
    m_bob = m_fixture->open(QStringLiteral("bob"));
    QVERIFY2(m_bob, qPrintable(m_fixture->errorString()));
    // A first pulse, as a running program's keep-alive gives, names the
    // session's user.
    m_db->dba_keepAlive();
    m_bob->dba_keepAlive();
    QVERIFY(m_db->createEnv(QStringLiteral("E"), false));
    m_job = dba_job_struct();
    m_job.name = QStringLiteral("J");
    m_job.environment = QStringLiteral("E");
    QVERIFY(m_db->dba_createJob(m_job) > 0);
}

void tst_DbLocks::cleanup()
{
    qunsetenv("TALLYARD_STALE_SECONDS");
    m_bob.reset();
    m_db.reset();
    m_fixture.reset();
}

bool tst_DbLocks::sql(const QString &statement, const QVariantList &values, QSqlQuery *result)
{
    QSqlQuery query;
    QString error;
    if (!m_db->context().connection.exec(query, statement, values, error)) {
        qWarning("%s: %s", qPrintable(statement), qPrintable(error));
        return false;
    }
    if (result)
        *result = query;
    return true;
}

dba_scene_struct tst_DbLocks::makeScene(const QString &name, qint64 id)
{
    // A chosen id needs a plain insert; otherwise the scene is made as callers make it.
    const bool made = id == 0
        ? m_db->dba_CreateScene(m_job, name, QString(), m_fixture->fileSystem(), QString(), DBA_SceneOps::AddAtBottom, -1, 0)
        : sql(QStringLiteral("INSERT INTO scenes (id, job_id, name, sort_order, path, created) "
                             "SELECT CAST(? AS BIGINT), id, CAST(? AS TEXT), 0, CAST(? AS TEXT), 0 FROM jobs WHERE name = 'J'"),
              {id, name, QStringLiteral("/QVX_DB/scenes/J/scene-") + name});
    dba_scene_struct scene;
    if (!made || m_db->dba_OpenScene(name, m_job, scene) != 0)
        qWarning("cannot make scene %s: %s", qPrintable(name), qPrintable(m_db->lastErrorText()));
    return scene;
}

qint64 tst_DbLocks::addVersion(const dba_scene_struct &scene, int number)
{
    QSqlQuery query;
    if (!sql(QStringLiteral("INSERT INTO scene_versions (scene_id, number, name, created) VALUES (?, ?, ?, 0) RETURNING id"),
             {scene.id, number, QStringLiteral("v%1").arg(number)}, &query)
        || !query.next())
        return 0;
    return query.value(0).toLongLong();
}

void tst_DbLocks::ageSession(TUDbAccess &access, qint64 seconds)
{
    QVERIFY(sql(QStringLiteral("UPDATE sessions SET last_pulse = ? WHERE id = ?"),
                {DBA_Context::now() - seconds, access.context().sessionId}));
}

QStringList tst_DbLocks::keys(const QVector<dba_lock_struct> &locks)
{
    QStringList result;
    for (const dba_lock_struct &lock : locks)
        result << lock.kind + QLatin1Char(' ') + lock.key;
    return result;
}

void tst_DbLocks::sceneLockIsExclusive()
{
    dba_scene_struct mine = makeScene(QStringLiteral("S"));
    QVERIFY(mine.isOpen());
    QCOMPARE(m_db->dba_GetSceneLock(mine), 0);
    const qint64 lockId = mine.lockId;
    QVERIFY(lockId != 0);
    QCOMPARE(m_db->dba_GetSceneLock(mine), 0); // the record holds it already
    QCOMPARE(mine.lockId, lockId);

    dba_scene_struct secondRecord = mine;
    secondRecord.lockId = 0;
    QCOMPARE(m_db->dba_GetSceneLock(secondRecord), 1);
    QCOMPARE(secondRecord.lockId, qint64(0));

    dba_scene_struct bobs = mine;
    bobs.lockId = 0;
    QCOMPARE(m_bob->dba_GetSceneLock(bobs), 1);
    QCOMPARE(m_bob->lastErrorCode(), int(DBA_Context::Locked));
    QVERIFY2(m_bob->lastErrorText().contains(QStringLiteral("Scene S is locked by admin")), qPrintable(m_bob->lastErrorText()));
    QVERIFY(!m_bob->lastErrorText().contains(QStringLiteral("forced")));
    QVERIFY(m_bob->isSceneLocked(m_job, QStringLiteral("S")));
    QCOMPARE(m_bob->dba_GetSceneLockUser(m_job, QStringLiteral("S")), QStringLiteral("admin"));
    QVERIFY(m_db->dba_HaveSceneLock(mine));
    QVERIFY(!m_bob->dba_HaveSceneLock(bobs));

    m_db->dba_ReleaseSceneLock(mine);
    QCOMPARE(mine.lockId, qint64(0));
    QVERIFY(!m_db->dba_HaveSceneLock(mine));
    QVERIFY(!m_bob->isSceneLocked(m_job, QStringLiteral("S")));
    QCOMPARE(m_bob->dba_GetSceneLockUser(m_job, QStringLiteral("S")), QString());
    QCOMPARE(m_bob->dba_GetSceneLock(bobs), 0);
    QCOMPARE(m_db->dba_GetSceneLockUser(m_job, QStringLiteral("S")), QStringLiteral("bob"));
}

void tst_DbLocks::sceneLockRowRecordsTheHolder()
{
    dba_scene_struct scene = makeScene(QStringLiteral("S"));
    const qint64 before = DBA_Context::now();
    QCOMPARE(m_db->dba_GetSceneLock(scene), 0);
    const qint64 after = DBA_Context::now();

    const QVector<dba_lock_struct> locks = m_bob->dba_GetLocks(QStringLiteral("scene"));
    QCOMPARE(locks.size(), 1);
    const dba_lock_struct &lock = locks.first();
    QCOMPARE(lock.id, scene.lockId);
    QCOMPARE(lock.key, QString::number(scene.id));
    QCOMPARE(lock.user, QStringLiteral("admin"));
    QCOMPARE(lock.application, QStringLiteral("tests"));
    QCOMPARE(lock.workstation, m_db->context().host);
    QVERIFY(!lock.workstation.isEmpty());
    QCOMPARE(lock.pid, qint64(QCoreApplication::applicationPid()));
    QVERIFY(lock.taken >= before && lock.taken <= after);
    QVERIFY(!lock.stale);

    QSqlQuery query;
    QVERIFY(sql(QStringLiteral("SELECT session_id FROM locks WHERE id = ?"), {scene.lockId}, &query));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toLongLong(), m_db->context().sessionId);
    query.finish();
}

void tst_DbLocks::lockingAMissingSceneFails()
{
    dba_scene_struct closed;
    QCOMPARE(m_db->dba_GetSceneLock(closed), -1);
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));

    dba_scene_struct gone = makeScene(QStringLiteral("Gone"));
    QVERIFY(sql(QStringLiteral("DELETE FROM scenes WHERE id = ?"), {gone.id}));
    QCOMPARE(m_db->dba_GetSceneLock(gone), -1);
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
    QCOMPARE(m_db->dba_GetStageEditLock(gone), -1);
    QCOMPARE(m_db->dba_LockSceneVersion(gone, 1), -1);
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
    QVERIFY(m_db->dba_GetLocks().isEmpty());

    QVERIFY(!m_db->isSceneLocked(m_job, QStringLiteral("Nope")));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
    QVERIFY(!m_db->dba_forceUnlockScene(m_job, QStringLiteral("Nope")));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
}

void tst_DbLocks::releaseLeavesALockRetakenAfterForce()
{
    dba_scene_struct mine = makeScene(QStringLiteral("S"));
    dba_scene_struct bobs = mine;
    QCOMPARE(m_db->dba_GetSceneLock(mine), 0);
    QVERIFY(m_bob->dba_forceUnlockScene(m_job, QStringLiteral("S")));
    QVERIFY(!m_db->dba_HaveSceneLock(mine));
    QCOMPARE(m_bob->dba_GetSceneLock(bobs), 0);

    m_db->dba_ReleaseSceneLock(mine); // its lock is gone; bob's must stay
    QCOMPARE(m_db->dba_GetSceneLockUser(m_job, QStringLiteral("S")), QStringLiteral("bob"));
    mine.lockId = bobs.lockId; // a record that claims someone else's lock holds nothing
    QVERIFY(!m_db->dba_HaveSceneLock(mine));
    QCOMPARE(m_db->dba_GetSceneLock(mine), 1);
    QCOMPARE(mine.lockId, qint64(0));
}

void tst_DbLocks::closingASceneReleasesItsLock()
{
    dba_scene_struct bobs = makeScene(QStringLiteral("S"));
    dba_scene_struct &mine = m_db->sceneRecord();
    QCOMPARE(m_db->dba_OpenJob(QStringLiteral("J"), m_db->jobRecord()), 0);
    QCOMPARE(m_db->dba_OpenScene(QStringLiteral("S"), m_db->jobRecord(), mine), 0);
    QCOMPARE(m_db->dba_GetSceneLock(mine), 0);
    QCOMPARE(m_bob->dba_GetSceneLock(bobs), 1);

    m_db->closeScene();
    QVERIFY(!mine.isOpen());
    QVERIFY(!m_bob->isSceneLocked(m_job, QStringLiteral("S")));
    QCOMPARE(m_bob->dba_GetSceneLock(bobs), 0);
    m_bob->dba_CloseScene(bobs);
    QVERIFY(m_db->dba_GetLocks().isEmpty());
}

void tst_DbLocks::staleLocksAreReportedAndForced_data()
{
    QTest::addColumn<qint64>("pulseAge");
    QTest::addColumn<QByteArray>("staleSeconds");
    QTest::addColumn<bool>("sessionGone");
    QTest::addColumn<bool>("stale");

    QTest::newRow("pulsing") << qint64(0) << QByteArray() << false << false;
    QTest::newRow("silent past the default") << qint64(10 * DBA_SessionOps::pulseSeconds()) << QByteArray() << false << true;
    QTest::newRow("silent within the default") << qint64(DBA_SessionOps::pulseSeconds()) << QByteArray() << false << false;
    QTest::newRow("within a set window") << qint64(5) << QByteArray("10") << false << false;
    QTest::newRow("past a set window") << qint64(20) << QByteArray("10") << false << true;
    QTest::newRow("session row gone") << qint64(0) << QByteArray() << true << true;
}

void tst_DbLocks::staleLocksAreReportedAndForced()
{
    QFETCH(qint64, pulseAge);
    QFETCH(QByteArray, staleSeconds);
    QFETCH(bool, sessionGone);
    QFETCH(bool, stale);

    if (!staleSeconds.isEmpty())
        qputenv("TALLYARD_STALE_SECONDS", staleSeconds);
    dba_scene_struct bobs = makeScene(QStringLiteral("S"));
    dba_scene_struct mine = bobs;
    QCOMPARE(m_bob->dba_GetSceneLock(bobs), 0);
    QCOMPARE(m_bob->dba_LockSceneVersion(bobs, 1), 0);
    QCOMPARE(m_db->dba_GetLogicalLock(QStringLiteral("V1"), QStringLiteral("mine"), QString()), 0);
    ageSession(*m_bob, pulseAge);
    if (sessionGone)
        QVERIFY(sql(QStringLiteral("DELETE FROM sessions WHERE id = ?"), {m_bob->context().sessionId}));

    const QVector<dba_lock_struct> locks = m_db->dba_GetLocks();
    QCOMPARE(keys(locks), QStringList({QStringLiteral("scene %1").arg(bobs.id), QStringLiteral("version %1:1").arg(bobs.id),
                                       QStringLiteral("V1 mine")}));
    QCOMPARE(locks[0].stale, stale);
    QCOMPARE(locks[1].stale, stale);
    QVERIFY(!locks[2].stale);

    QCOMPARE(m_db->dba_GetSceneLock(mine), 1);
    QCOMPARE(m_db->lastErrorText().contains(QStringLiteral("may be forced")), stale);

    QVERIFY(m_db->dba_forceUnlockScene(m_job, QStringLiteral("S"), true, true));
    const QStringList left = stale ? QStringList({QStringLiteral("V1 mine")}) : keys(locks);
    QCOMPARE(keys(m_db->dba_GetLocks()), left);
    QCOMPARE(m_db->dba_GetSceneLock(mine), stale ? 0 : 1);
}

void tst_DbLocks::forceUnlockSceneTakesVersionsOnRequest_data()
{
    QTest::addColumn<bool>("alsoVersions");
    QTest::newRow("scene and versions") << true;
    QTest::newRow("scene only") << false;
}

void tst_DbLocks::forceUnlockSceneTakesVersionsOnRequest()
{
    QFETCH(bool, alsoVersions);
    // Ids chosen so one scene's key is a prefix of the other's.
    dba_scene_struct scene = makeScene(QStringLiteral("S"), 1000);
    dba_scene_struct neighbour = makeScene(QStringLiteral("N"), 10001);
    QVERIFY(scene.isOpen() && neighbour.isOpen());
    for (dba_scene_struct *s : {&scene, &neighbour}) {
        QCOMPARE(m_bob->dba_GetSceneLock(*s), 0);
        QCOMPARE(m_bob->dba_GetStageEditLock(*s), 0);
        QCOMPARE(m_bob->dba_LockSceneVersion(*s, 1), 0);
    }
    QCOMPARE(m_bob->dba_LockSceneVersion(scene, 2), 0);

    QVERIFY(m_db->dba_forceUnlockScene(m_job, QStringLiteral("S"), alsoVersions, false));
    // Key order is code-point order: "10001" sorts before "1000:1".
    QStringList left = {QStringLiteral("scene 10001"), QStringLiteral("stage 10001"), QStringLiteral("version 10001:1")};
    if (!alsoVersions)
        left << QStringLiteral("version 1000:1") << QStringLiteral("version 1000:2");
    QCOMPARE(keys(m_db->dba_GetLocks()), left);
    QCOMPARE(m_db->isSceneLocked(m_job, QStringLiteral("S")), !alsoVersions);
}

void tst_DbLocks::versionLocks()
{
    dba_scene_struct scene = makeScene(QStringLiteral("S"));
    dba_scene_struct other = makeScene(QStringLiteral("T"));
    const qint64 v1 = addVersion(scene, 1), v2 = addVersion(scene, 2), v3 = addVersion(scene, 3);
    const qint64 otherV1 = addVersion(other, 1);
    QVERIFY(v1 && v2 && v3 && otherV1);

    QCOMPARE(m_db->dba_LockSceneVersion(scene, 3), 0);
    QCOMPARE(m_db->dba_LockSceneVersion(scene, 1), 0);
    QCOMPARE(m_bob->dba_LockSceneVersion(scene, 1), 1);
    QCOMPARE(m_bob->lastErrorCode(), int(DBA_Context::Locked));
    QVERIFY(m_bob->lastErrorText().startsWith(QStringLiteral("Version 1 of scene S is locked by admin")));
    QCOMPARE(m_bob->dba_LockSceneVersion(scene, 2), 0);
    QCOMPARE(m_db->dba_LockSceneVersion(scene, 0), -1);
    QCOMPARE(m_bob->dba_LockSceneVersion(other, 1), 0);

    QVector<qint64> ids;
    QVERIFY(m_db->dba_GetAllLockedVersionIds(scene, ids));
    QCOMPARE(ids, QVector<qint64>({v1, v2, v3}));
    QCOMPARE(m_db->dba_GetSceneVersionLockUser(scene, v1), QStringLiteral("admin"));
    QCOMPARE(m_db->dba_GetSceneVersionLockUser(scene, v2), QStringLiteral("bob"));
    QCOMPARE(m_db->dba_GetSceneVersionLockUser(scene, otherV1), QString()); // not this scene's version

    QVERIFY(m_bob->dba_forceUnlockSceneVersion(QStringLiteral("bob"), scene, v1));
    QVERIFY(!m_bob->dba_forceUnlockSceneVersion(QStringLiteral("bob"), scene, v1));
    QCOMPARE(m_bob->lastErrorCode(), int(DBA_Context::NotFound));
    QVERIFY(!m_db->dba_forceUnlockSceneVersion(QStringLiteral("admin"), scene, otherV1));
    QVERIFY(m_db->dba_GetAllLockedVersionIds(other, ids));
    QCOMPARE(ids, QVector<qint64>({otherV1}));

    QVERIFY(!m_bob->dba_UnlockSceneVersion(scene, 3)); // admin's
    QCOMPARE(m_bob->lastErrorCode(), int(DBA_Context::NotFound));
    QVERIFY(m_db->dba_UnlockSceneVersion(scene, 3));
    QVERIFY(m_db->dba_GetAllLockedVersionIds(scene, ids));
    QCOMPARE(ids, QVector<qint64>({v2}));
    QVERIFY(m_bob->dba_UnlockSceneVersion(scene, 2));
    QVERIFY(m_db->dba_GetAllLockedVersionIds(scene, ids));
    QVERIFY(ids.isEmpty());
}

void tst_DbLocks::stageLockWithItsInfo()
{
    dba_scene_struct mine = makeScene(QStringLiteral("S"));
    dba_scene_struct bobs = mine;
    QString user, host;
    qint64 time = 0;
    QVERIFY(!m_db->dba_GetStageInfo(mine, user, host, time));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));

    const qint64 before = DBA_Context::now();
    QCOMPARE(m_db->dba_GetStageEditLock(mine), 0);
    QVERIFY(m_bob->dba_GetStageInfo(bobs, user, host, time));
    QCOMPARE(user, QStringLiteral("admin"));
    QCOMPARE(host, m_db->context().host);
    QVERIFY(time >= before && time <= DBA_Context::now());
    QVERIFY(m_db->dba_HaveSceneLock(mine));
    QVERIFY(!m_bob->dba_HaveSceneLock(bobs));
    QVERIFY(m_bob->isSceneLocked(m_job, QStringLiteral("S")));

    QCOMPARE(m_bob->dba_GetStageEditLock(bobs), -1);
    QCOMPARE(m_bob->lastErrorCode(), int(DBA_Context::Locked));
    QVERIFY(m_bob->lastErrorText().contains(QStringLiteral("admin")));
    // The stage edit lock and the scene lock are separate locks.
    QCOMPARE(m_bob->dba_GetSceneLock(bobs), 0);
    m_bob->dba_ReleaseSceneLock(bobs);

    m_bob->dba_ReleaseStageEditLock(bobs); // not bob's to release
    QVERIFY(m_bob->dba_GetStageInfo(bobs, user, host, time));
    m_db->dba_ReleaseStageEditLock(mine);
    QVERIFY(!m_db->dba_HaveSceneLock(mine));
    QVERIFY(!m_bob->dba_GetStageInfo(bobs, user, host, time));
    QCOMPARE(m_bob->dba_GetStageEditLock(bobs), 0);
    QVERIFY(m_db->dba_GetStageInfo(mine, user, host, time));
    QCOMPARE(user, QStringLiteral("bob"));
}

void tst_DbLocks::checkoutRoundTrip()
{
    dba_scene_struct scene = makeScene(QStringLiteral("S"));
    QCOMPARE(m_db->dba_IsSceneCheckedOut(scene), 0);
    const qint64 before = DBA_Context::now();
    QVERIFY(m_db->dba_CheckoutScene(m_job, QStringLiteral("S"), QString()));
    const qint64 after = DBA_Context::now();

    QVERIFY(m_bob->dba_GetSceneCheckoutLock(scene));
    QCOMPARE(m_bob->dba_IsSceneCheckedOut(scene), 1);
    QCOMPARE(m_bob->dba_GetSceneCheckoutUser(scene), QStringLiteral("admin"));
    const qint64 date = m_bob->dba_GetSceneCheckoutDate(scene);
    QVERIFY(date >= before && date <= after);
    QVERIFY(m_db->dba_IsCheckedOutToCurrentUser(scene));
    QVERIFY(!m_bob->dba_IsCheckedOutToCurrentUser(scene));
    {
        QSqlQuery query; // scoped: an unfinished read would pin the connection's snapshot
        QVERIFY(sql(QStringLiteral("SELECT checkout_host FROM scenes WHERE id = ?"), {scene.id}, &query) && query.next());
        QCOMPARE(query.value(0).toString(), m_db->context().host);
    }

    // The job's scene table shows it in the numbered check-out columns.
    dba_job_struct job;
    QCOMPARE(m_bob->dba_OpenJob(QStringLiteral("J"), job), 0);
    QVERIFY(job.scene().first());
    QCOMPARE(job.scene().data(DBC_Table::CheckedOut).toInt(), 1);
    QCOMPARE(job.scene().data(DBC_Table::CheckoutUser).toString(), QStringLiteral("admin"));
    QCOMPARE(job.scene().data(DBC_Table::CheckoutDate).toLongLong(), date);

    QVERIFY(!m_bob->dba_CheckoutScene(m_job, QStringLiteral("S"), QString()));
    QCOMPARE(m_bob->lastErrorCode(), int(DBA_Context::Locked));
    QVERIFY(m_bob->lastErrorText().contains(QStringLiteral("already checked out by user admin")));
    QCOMPARE(m_bob->dba_GetSceneCheckoutUser(scene), QStringLiteral("admin"));

    QVERIFY(m_db->dba_CheckinScene(m_job, QStringLiteral("S")));
    QCOMPARE(m_bob->dba_IsSceneCheckedOut(scene), 0);
    QCOMPARE(m_bob->dba_GetSceneCheckoutUser(scene), QString());
    QCOMPARE(m_bob->dba_GetSceneCheckoutDate(scene), qint64(0));
    QVERIFY(m_db->dba_CheckinScene(m_job, QStringLiteral("S"))); // nothing to check in
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NoError));

    // Checked out on someone's behalf: it is theirs, not the caller's.
    QVERIFY(m_db->dba_CheckoutScene(m_job, QStringLiteral("S"), QStringLiteral("bob")));
    QVERIFY(!m_db->dba_IsCheckedOutToCurrentUser(scene));
    QVERIFY(m_bob->dba_IsCheckedOutToCurrentUser(scene));
    QVERIFY(m_bob->dba_CheckinScene(m_job, QStringLiteral("S")));
    QCOMPARE(m_db->dba_IsSceneCheckedOut(scene), 0);
}

void tst_DbLocks::checkinByAnotherUserIsRefused()
{
    dba_scene_struct scene = makeScene(QStringLiteral("S"));
    QVERIFY(m_bob->dba_CheckoutScene(m_job, QStringLiteral("S"), QString()));
    QVERIFY(!m_db->dba_CheckinScene(m_job, QStringLiteral("S")));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::Refused));
    QCOMPARE(m_db->lastErrorText(),
             QStringLiteral("You are not the owner of the checkout lock for scene S - \nyou cannot check the scene in."));
    QCOMPARE(m_db->dba_GetSceneCheckoutUser(scene), QStringLiteral("bob"));
    QVERIFY(m_db->dba_GetSceneCheckoutLock(scene));
}

void tst_DbLocks::checkoutOfAMissingSceneFails()
{
    QVERIFY(!m_db->dba_CheckoutScene(m_job, QStringLiteral("Nope"), QString()));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
    QVERIFY(!m_db->dba_CheckinScene(m_job, QStringLiteral("Nope")));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
    QVERIFY(!m_db->dba_forceCheckinScene(m_job, QStringLiteral("Nope")));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
    dba_scene_struct gone;
    gone.id = 424242;
    gone.name = QStringLiteral("Nope");
    QCOMPARE(m_db->dba_IsSceneCheckedOut(gone), -1);
    QVERIFY(!m_db->dba_GetSceneCheckoutLock(gone));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
}

void tst_DbLocks::forceCheckin_data()
{
    QTest::addColumn<bool>("onlyStale");
    QTest::addColumn<bool>("ownerAlive");
    QTest::addColumn<bool>("checkedIn");
    QTest::newRow("forced, owner alive") << false << true << true;
    QTest::newRow("forced, owner gone") << false << false << true;
    QTest::newRow("only stale, owner alive") << true << true << false;
    QTest::newRow("only stale, owner gone") << true << false << true;
}

void tst_DbLocks::forceCheckin()
{
    QFETCH(bool, onlyStale);
    QFETCH(bool, ownerAlive);
    QFETCH(bool, checkedIn);
    dba_scene_struct scene = makeScene(QStringLiteral("S"));
    QVERIFY(m_bob->dba_CheckoutScene(m_job, QStringLiteral("S"), QString()));
    if (!ownerAlive)
        ageSession(*m_bob, 10 * DBA_SessionOps::pulseSeconds());

    QCOMPARE(m_db->dba_forceCheckinScene(m_job, QStringLiteral("S"), onlyStale), checkedIn);
    QCOMPARE(m_db->lastErrorCode(), int(checkedIn ? DBA_Context::NoError : DBA_Context::Locked));
    QCOMPARE(m_db->dba_IsSceneCheckedOut(scene), checkedIn ? 0 : 1);
    QVERIFY(m_db->dba_forceCheckinScene(m_job, QStringLiteral("S"), false));
    QCOMPARE(m_db->dba_IsSceneCheckedOut(scene), 0);
    QVERIFY(m_db->dba_forceCheckinScene(m_job, QStringLiteral("S"), onlyStale)); // nothing left to do
}

void tst_DbLocks::logicalLocks()
{
    const QString key = QStringLiteral("scene/J/S/asset-a");
    QCOMPARE(m_db->dba_GetLogicalLock(QStringLiteral("V1"), key, QStringLiteral("w")), 0);
    QCOMPARE(m_db->dba_GetLogicalLock(QStringLiteral("V2"), key, QStringLiteral("r")), 0); // kinds are separate
    QCOMPARE(m_bob->dba_GetLogicalLock(QStringLiteral("V1"), key, QStringLiteral("w")), 1);
    QCOMPARE(m_bob->lastErrorCode(), int(DBA_Context::Locked));
    QCOMPARE(m_bob->dba_GetLogicalLock(QStringLiteral("V1"), QStringLiteral("a-first"), QString()), 0);

    const QVector<dba_lock_struct> v1 = m_db->dba_GetLocks(QStringLiteral("V1"));
    QCOMPARE(keys(v1), QStringList({QStringLiteral("V1 a-first"), QStringLiteral("V1 ") + key}));
    QCOMPARE(v1[0].user, QStringLiteral("bob"));
    QCOMPARE(v1[1].user, QStringLiteral("admin"));
    QCOMPARE(v1[1].mode, QStringLiteral("w"));
    QCOMPARE(v1[1].application, QStringLiteral("tests"));
    QCOMPARE(v1[1].workstation, m_db->context().host);
    QCOMPARE(m_db->dba_GetLocks(QStringLiteral("V2")).first().mode, QStringLiteral("r"));

    QVERIFY(m_bob->dba_CheckLogicalLock(QStringLiteral("V1"), key));
    QVERIFY(!m_bob->dba_ReleaseLogicalLock(QStringLiteral("V1"), key)); // admin's
    QCOMPARE(m_bob->lastErrorCode(), int(DBA_Context::NotFound));
    QVERIFY(m_bob->dba_CheckLogicalLock(QStringLiteral("V1"), key));
    QVERIFY(m_db->dba_ReleaseLogicalLock(QStringLiteral("V1"), key));
    QVERIFY(!m_bob->dba_CheckLogicalLock(QStringLiteral("V1"), key));
    QCOMPARE(m_bob->lastErrorCode(), int(DBA_Context::NoError));
    QVERIFY(m_bob->dba_CheckLogicalLock(QStringLiteral("V2"), key));

    QVERIFY(m_db->dba_ForceReleaseLock(QStringLiteral("V1"), QStringLiteral("a-first")));
    QVERIFY(!m_db->dba_ForceReleaseLock(QStringLiteral("V1"), QStringLiteral("a-first")));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
    QCOMPARE(keys(m_db->dba_GetLocks()), QStringList({QStringLiteral("V2 ") + key}));
}

void tst_DbLocks::badLogicalLocksAreRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("key");
    QTest::newRow("unknown kind") << QStringLiteral("V3") << QStringLiteral("k");
    QTest::newRow("scene kind") << QStringLiteral("scene") << QStringLiteral("1");
    QTest::newRow("empty key") << QStringLiteral("V1") << QString();
}

void tst_DbLocks::badLogicalLocksAreRefused()
{
    QFETCH(QString, kind);
    QFETCH(QString, key);
    QCOMPARE(m_db->dba_GetLogicalLock(kind, key, QString()), -1);
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::BadName));
    QVERIFY(!m_db->dba_CheckLogicalLock(kind, key));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::BadName));
    QVERIFY(m_db->dba_GetLocks().isEmpty());
}

void tst_DbLocks::lockManagerKeysAreRecognised_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("serialNumber");
    QTest::addColumn<bool>("registerLock");
    QTest::newRow("serial number file") << QStringLiteral("serial-number/J/S/drawings") << true << false;
    QTest::newRow("bare serial number") << QStringLiteral("serial-number") << true << false;
    QTest::newRow("register") << QStringLiteral("register/J") << false << true;
    QTest::newRow("serial inside") << QStringLiteral("scene/serial-number") << false << false;
    QTest::newRow("register inside") << QStringLiteral("asset/register") << false << false;
    QTest::newRow("other case") << QStringLiteral("Register/J") << false << false;
    QTest::newRow("plain asset") << QStringLiteral("asset/J/S/a") << false << false;
}

void tst_DbLocks::lockManagerKeysAreRecognised()
{
    QFETCH(QString, key);
    QFETCH(bool, serialNumber);
    QFETCH(bool, registerLock);
    QCOMPARE(DBA_LockOps::isSerialNumberLock(key), serialNumber);
    QCOMPARE(DBA_LockOps::isRegisterLock(key), registerLock);
}

void tst_DbLocks::locksOfAClosedSessionAreRemoved()
{
    dba_scene_struct scene = makeScene(QStringLiteral("S"));
    dba_scene_struct mine = scene;
    QCOMPARE(m_bob->dba_GetSceneLock(scene), 0);
    QCOMPARE(m_bob->dba_GetStageEditLock(scene), 0);
    QCOMPARE(m_bob->dba_LockSceneVersion(scene, 4), 0);
    QCOMPARE(m_bob->dba_GetLogicalLock(QStringLiteral("V1"), QStringLiteral("k1"), QString()), 0);
    QCOMPARE(m_bob->dba_GetLogicalLock(QStringLiteral("V2"), QStringLiteral("k2"), QString()), 0);
    QCOMPARE(m_db->dba_GetLogicalLock(QStringLiteral("V1"), QStringLiteral("admins"), QString()), 0);
    QCOMPARE(m_db->dba_GetLocks().size(), 6);

    m_bob->dba_Close2dDatabaseSession();
    QCOMPARE(keys(m_db->dba_GetLocks()), QStringList({QStringLiteral("V1 admins")}));
    QCOMPARE(m_db->dba_GetSceneLock(mine), 0);
}

void tst_DbLocks::clientWalksChecksAndReleases()
{
    TUDbClient &client = m_db->dbClient();
    for (const char *key : {"b", "a", "c"})
        QCOMPARE(m_bob->dba_GetLogicalLock(QStringLiteral("V1"), QLatin1String(key), QStringLiteral("w")), 0);
    QCOMPARE(m_bob->dba_GetLogicalLock(QStringLiteral("V2"), QStringLiteral("z"), QStringLiteral("r")), 0);
    QCOMPARE(m_db->dba_GetLogicalLock(QStringLiteral("V2"), QStringLiteral("y"), QString()), 0);
    dba_scene_struct scene = makeScene(QStringLiteral("S"));
    QCOMPARE(m_db->dba_GetSceneLock(scene), 0); // not a logical lock: never walked
    ageSession(*m_bob, 10 * DBA_SessionOps::pulseSeconds());

    QVERIFY(client.dbc_OpenDatabaseServer());
    const auto walk = [&client](bool v2) {
        QStringList seen;
        dba_lock_struct lock;
        int index = 0;
        while (v2 ? client.dbc_get_next_logical_lock_v2(index, lock) : client.dbc_get_next_logical_lock(index, lock))
            seen << QStringLiteral("%1 %2 %3%4").arg(lock.key, lock.mode, lock.user, lock.stale ? QStringLiteral(" stale") : QString());
        return seen;
    };
    QCOMPARE(walk(false), QStringList({QStringLiteral("a w bob stale"), QStringLiteral("b w bob stale"),
                                       QStringLiteral("c w bob stale")}));
    QCOMPARE(walk(true), QStringList({QStringLiteral("y  admin"), QStringLiteral("z r bob stale")}));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NoError));

    QVERIFY(client.dbc_check_logical_lock(QStringLiteral("b")));
    QVERIFY(!client.dbc_check_logical_lock_v2(QStringLiteral("b")));
    QVERIFY(client.dbc_force_release_logical_lock(QStringLiteral("b"), 1));
    QVERIFY(!client.dbc_check_logical_lock(QStringLiteral("b")));
    QVERIFY(!client.dbc_force_release_logical_lock(QStringLiteral("b"), 1));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
    QVERIFY(!client.dbc_force_release_logical_lock(QStringLiteral("a"), 3));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::BadName));
    QVERIFY(client.dbc_force_release_logical_lock(QStringLiteral("z"), 2));
    QVERIFY(client.dbc_release_logical_lock_v2(QStringLiteral("y"), false)); // admin's own
    QVERIFY(!client.dbc_check_logical_lock_v2(QStringLiteral("y")));

    // A walk started again reads the locks afresh.
    QCOMPARE(walk(false), QStringList({QStringLiteral("a w bob stale"), QStringLiteral("c w bob stale")}));
    QVERIFY(walk(true).isEmpty());
    client.dbc_CloseDatabaseServer();
}

void tst_DbLocks::clientRefusesToForceRegisterLocks()
{
    TUDbClient &admins = m_db->dbClient();
    TUDbClient &bobs = m_bob->dbClient();
    QCOMPARE(m_bob->dba_GetLogicalLock(QStringLiteral("V1"), QStringLiteral("register/J"), QString()), 0);
    QCOMPARE(m_bob->dba_GetLogicalLock(QStringLiteral("V2"), QStringLiteral("register/K"), QString()), 0);
    QCOMPARE(m_bob->dba_GetLogicalLock(QStringLiteral("V2"), QStringLiteral("serial-number/K"), QString()), 0);
    QVERIFY(admins.dbc_OpenDatabaseServer());
    QVERIFY(bobs.dbc_OpenDatabaseServer());

    QVERIFY(!admins.dbc_force_release_logical_lock(QStringLiteral("register/J"), 1));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::Refused));
    QVERIFY(!admins.dbc_release_logical_lock_v2(QStringLiteral("register/K"), true));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::Refused));
    QVERIFY(!admins.dbc_release_logical_lock_v2(QStringLiteral("serial-number/K"), false)); // not admin's own
    QVERIFY(admins.dbc_check_logical_lock(QStringLiteral("register/J")));
    QVERIFY(admins.dbc_check_logical_lock_v2(QStringLiteral("register/K")));
    QVERIFY(admins.dbc_check_logical_lock_v2(QStringLiteral("serial-number/K")));

    // Serial-number file locks may be forced; a holder releases its own register lock.
    QVERIFY(admins.dbc_release_logical_lock_v2(QStringLiteral("serial-number/K"), true));
    QVERIFY(bobs.dbc_release_logical_lock_v2(QStringLiteral("register/K"), false));
    QVERIFY(!admins.dbc_check_logical_lock_v2(QStringLiteral("register/K")));
    QVERIFY(!admins.dbc_check_logical_lock_v2(QStringLiteral("serial-number/K")));
}

void tst_DbLocks::clientNeedsAnOpenConnection()
{
    TUDbClient &client = m_db->dbClient();
    QCOMPARE(m_db->dba_GetLogicalLock(QStringLiteral("V1"), QStringLiteral("k"), QString()), 0);
    dba_lock_struct lock;
    int index = 0;
    QVERIFY(!client.dbc_get_next_logical_lock(index, lock));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::Unavailable));
    QVERIFY(!client.dbc_check_logical_lock(QStringLiteral("k")));
    QVERIFY(!client.dbc_force_release_logical_lock(QStringLiteral("k"), 1));
    QVERIFY(m_db->dba_CheckLogicalLock(QStringLiteral("V1"), QStringLiteral("k")));

    QVERIFY(client.dbc_OpenDatabaseServer());
    QVERIFY(client.dbc_get_next_logical_lock(index, lock));
    client.dbc_CloseDatabaseServer();
    QVERIFY(!client.dbc_get_next_logical_lock(index, lock));

    m_db->dba_Close2dDatabaseSession();
    QVERIFY(!client.dbc_OpenDatabaseServer());
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::Unavailable));
}

void tst_DbLocks::resolutions()
{
    TUDbResolution resolutions(*m_db);
    QVERIFY(sql(QStringLiteral("INSERT INTO resolutions (name, width, height) VALUES ('Film_2K', 2048, 1556)"), {}));
    QCOMPARE(resolutions.names(),
             QStringList({QStringLiteral("Film_2K"), QStringLiteral("HDTV_1080p"), QStringLiteral("HDTV_720p")}));
    int width = 0, height = 0;
    QVERIFY(resolutions.size(QStringLiteral("HDTV_720p"), width, height));
    QCOMPARE(width, 1280);
    QCOMPARE(height, 720);
    QVERIFY(resolutions.size(QStringLiteral("Film_2K"), width, height));
    QCOMPARE(width, 2048);
    QCOMPARE(height, 1556);
    QVERIFY(!resolutions.size(QStringLiteral("VGA"), width, height));
    QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
}

QTEST_GUILESS_MAIN(tst_DbLocks)
#include "tst_db_locks.moc"
