#include "DbTestFixture.h"
#include "TUDbAccess.h"
#include "TUDbClient.h"

#include <QtTest>

#include <functional>

// Scene, stage, version and logical locks, check-out and the lock manager's
// client, with two sessions ("admin" and "bob") on one database.
class tst_DbLocks : public QObject
{
    Q_OBJECT

    dba_job_struct m_job;
    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db, m_bob;

    bool sql(const QString &statement, const QVariantList &values = {}) { return DbTestFixture::exec(*m_db, statement, values); }
    // A scene of job "J", opened; a chosen id needs a plain insert.
    dba_scene_struct makeScene(const QString &name, qint64 id = 0)
    {
        const bool made = id == 0
            ? m_db->dba_CreateScene(m_job, name, QString(), m_fixture->fileSystem(), QString(), DBA_SceneOps::AddAtBottom, -1, 0)
            : sql("INSERT INTO scenes (id, job_id, name, sort_order, path, created) "
                  "SELECT CAST(? AS BIGINT), id, CAST(? AS TEXT), 0, CAST(? AS TEXT), 0 FROM jobs WHERE name = 'J'",
                  {id, name, "/QVX_DB/scenes/J/scene-" + name});
        dba_scene_struct scene;
        if (!made || m_db->dba_OpenScene(name, m_job, scene) != 0)
            qWarning("cannot make scene %s: %s", qPrintable(name), qPrintable(m_db->lastErrorText()));
        return scene;
    }
    qint64 addVersion(const dba_scene_struct &scene, int number)
    {
        return DbTestFixture::value(*m_db, "INSERT INTO scene_versions (scene_id, number, created) VALUES (?, ?, 0) RETURNING id",
                                    {scene.id, number}).toLongLong();
    }
    void ageSession(TUDbAccess &access, qint64 seconds)
    {
        QVERIFY(sql("UPDATE sessions SET last_pulse = ? WHERE id = ?", {DBA_Context::now() - seconds, access.context().sessionId}));
    }
    static QStringList keys(const QVector<dba_lock_struct> &locks)
    {
        QStringList result;
        for (const dba_lock_struct &lock : locks)
            result << lock.kind + ' ' + lock.key;
        return result;
    }
    static int longAgo() { return 10 * DBA_SessionOps::pulseSeconds(); }
    static bool is(TUDbAccess &db, DBA_Context::ErrorCode code) { return db.lastErrorCode() == code; }

private slots:
    void init()
    {
        qunsetenv("TALLYARD_STALE_SECONDS");
        m_bob.reset();
        QVERIFY(DbTestFixture::restartWithJob(m_fixture, m_db, &m_job));
        QCOMPARE(m_db->addUser("bob", QString(), QString(), QString(), DBA_UserOps::ANIMATOR), 0);
        m_bob = m_fixture->open("bob");
        QVERIFY2(m_bob, qPrintable(m_fixture->errorString()));
        // A first pulse, as a running program's keep-alive gives, names the session's user.
        m_db->dba_keepAlive();
        m_bob->dba_keepAlive();
    }

    void sceneLockIsExclusiveRecordsItsHolderAndSurvivesAForce()
    {
        dba_scene_struct mine = makeScene("S");
        const qint64 before = DBA_Context::now();
        QCOMPARE(m_db->dba_GetSceneLock(mine), 0);
        const qint64 after = DBA_Context::now(), lockId = mine.lockId;
        QVERIFY(m_db->dba_GetSceneLock(mine) == 0 && mine.lockId == lockId); // the record holds it already
        const QVector<dba_lock_struct> locks = m_bob->dba_GetLocks("scene");
        QCOMPARE(locks.size(), 1);
        const dba_lock_struct &lock = locks.first();
        QVERIFY(lock.id == lockId && lock.key == QString::number(mine.id));
        QCOMPARE(QStringList({lock.user, lock.application, lock.workstation}), QStringList({"admin", "tests", m_db->context().host}));
        QCOMPARE(lock.pid, qint64(QCoreApplication::applicationPid()));
        QVERIFY(lock.taken >= before && lock.taken <= after);

        // Another record of the same session is refused as another session is.
        dba_scene_struct secondRecord = mine, bobs = mine;
        secondRecord.lockId = bobs.lockId = 0;
        QCOMPARE(m_db->dba_GetSceneLock(secondRecord), 1);
        QVERIFY(m_bob->dba_GetSceneLock(bobs) == 1 && is(*m_bob, DBA_Context::Locked));
        QVERIFY2(m_bob->lastErrorText().contains("Scene S is locked by admin"), qPrintable(m_bob->lastErrorText()));
        QVERIFY(m_bob->isSceneLocked(m_job, "S") && m_bob->dba_GetSceneLockUser(m_job, "S") == "admin");
        QVERIFY(m_db->dba_HaveSceneLock(mine) && !m_bob->dba_HaveSceneLock(bobs));

        m_db->dba_ReleaseSceneLock(mine);
        QCOMPARE(mine.lockId, qint64(0));
        QVERIFY(!m_bob->isSceneLocked(m_job, "S") && m_bob->dba_GetSceneLockUser(m_job, "S").isEmpty());
        QCOMPARE(m_bob->dba_GetSceneLock(bobs), 0);

        // Forced away and retaken: releasing the lock a record no longer has
        // leaves the new holder's, and a record claiming another's lock holds nothing.
        QVERIFY(m_db->dba_forceUnlockScene(m_job, "S"));
        QCOMPARE(m_db->dba_GetSceneLock(mine), 0);
        m_bob->dba_ReleaseSceneLock(bobs);
        QCOMPARE(m_bob->dba_GetSceneLockUser(m_job, "S"), "admin");
        bobs.lockId = mine.lockId;
        QVERIFY(!m_bob->dba_HaveSceneLock(bobs));
        QVERIFY(m_bob->dba_GetSceneLock(bobs) == 1 && bobs.lockId == 0);

        // Closing the access's own scene releases its lock.
        dba_scene_struct &open = m_db->sceneRecord();
        QVERIFY(m_db->dba_OpenJob("J", m_db->jobRecord()) == 0 && m_db->dba_OpenScene("S", m_db->jobRecord(), open) == 0);
        m_db->dba_ReleaseSceneLock(mine);
        QCOMPARE(m_db->dba_GetSceneLock(open), 0);
        m_db->closeScene();
        QVERIFY(m_db->dba_GetLocks().isEmpty());
    }

    // Every call about a scene that is not open, was deleted or never existed fails with NotFound.
    void missingScenesAreNotFound()
    {
        dba_scene_struct closed, gone = makeScene("Gone");
        QVERIFY(sql("DELETE FROM scenes WHERE id = ?", {gone.id}));
        const std::pair<const char *, std::function<bool()>> calls[] = {
            {"lock a closed record", [&] { return m_db->dba_GetSceneLock(closed) == -1; }},
            {"lock a deleted scene", [&] { return m_db->dba_GetSceneLock(gone) == -1; }},
            {"stage lock of a deleted scene", [&] { return m_db->dba_GetStageEditLock(gone) == -1; }},
            {"version lock of a deleted scene", [&] { return m_db->dba_LockSceneVersion(gone, 1) == -1; }},
            {"is an unknown scene locked", [&] { return !m_db->isSceneLocked(m_job, "Nope"); }},
            {"force an unknown scene's locks", [&] { return !m_db->dba_forceUnlockScene(m_job, "Nope"); }},
            {"check out an unknown scene", [&] { return !m_db->dba_CheckoutScene(m_job, "Nope", QString()); }},
            {"check in an unknown scene", [&] { return !m_db->dba_CheckinScene(m_job, "Nope"); }},
            {"is a deleted scene checked out", [&] { return m_db->dba_IsSceneCheckedOut(gone) == -1; }},
        };
        for (const auto &call : calls)
            QVERIFY2(call.second() && is(*m_db, DBA_Context::NotFound), call.first);
        QVERIFY(m_db->dba_GetLocks().isEmpty());
    }

    void staleLocksAreReportedAndForced_data()
    {
        QTest::addColumn<int>("pulseAge"); // -1: the session row is gone
        QTest::addColumn<QByteArray>("staleSeconds");
        QTest::addColumn<bool>("stale");
        QTest::newRow("silent past the default") << longAgo() << QByteArray() << true;
        QTest::newRow("silent within the default") << DBA_SessionOps::pulseSeconds() << QByteArray() << false;
        QTest::newRow("within a set window") << 5 << QByteArray("10") << false;
        QTest::newRow("past a set window") << 20 << QByteArray("10") << true;
        QTest::newRow("session row gone") << -1 << QByteArray() << true;
    }
    void staleLocksAreReportedAndForced()
    {
        QFETCH(int, pulseAge);
        QFETCH(QByteArray, staleSeconds);
        QFETCH(bool, stale);
        if (!staleSeconds.isEmpty())
            qputenv("TALLYARD_STALE_SECONDS", staleSeconds);
        dba_scene_struct bobs = makeScene("S"), mine = bobs;
        QVERIFY(m_bob->dba_GetSceneLock(bobs) == 0 && m_bob->dba_LockSceneVersion(bobs, 1) == 0);
        QCOMPARE(m_db->dba_GetLogicalLock("V1", "mine", QString()), 0);
        if (pulseAge < 0)
            QVERIFY(sql("DELETE FROM sessions WHERE id = ?", {m_bob->context().sessionId}));
        else
            ageSession(*m_bob, pulseAge);

        const QVector<dba_lock_struct> locks = m_db->dba_GetLocks();
        QCOMPARE(keys(locks), QStringList({QStringLiteral("scene %1").arg(bobs.id), QStringLiteral("version %1:1").arg(bobs.id),
                                           "V1 mine"}));
        QVERIFY(locks[0].stale == stale && !locks[2].stale);
        QCOMPARE(m_db->dba_GetSceneLock(mine), 1);
        QCOMPARE(m_db->lastErrorText().contains("may be forced"), stale);

        QVERIFY(m_db->dba_forceUnlockScene(m_job, "S", true, true));
        QCOMPARE(keys(m_db->dba_GetLocks()), stale ? QStringList({"V1 mine"}) : keys(locks));
        QCOMPARE(m_db->dba_GetSceneLock(mine), stale ? 0 : 1);
    }

    void forceUnlockSceneTakesVersionsOnRequest()
    {
        for (const bool alsoVersions : {true, false}) {
            QVERIFY(sql("DELETE FROM locks") && sql("DELETE FROM scenes"));
            // Ids chosen so one scene's key is a prefix of the other's.
            dba_scene_struct scene = makeScene("S", 1000), neighbour = makeScene("N", 10001);
            for (dba_scene_struct *s : {&scene, &neighbour})
                QVERIFY(m_bob->dba_GetSceneLock(*s) == 0 && m_bob->dba_GetStageEditLock(*s) == 0
                        && m_bob->dba_LockSceneVersion(*s, 1) == 0);
            QCOMPARE(m_bob->dba_LockSceneVersion(scene, 2), 0);

            QVERIFY(m_db->dba_forceUnlockScene(m_job, "S", alsoVersions, false));
            // Key order is code-point order: "10001" sorts before "1000:1".
            QStringList left = {"scene 10001", "stage 10001", "version 10001:1"};
            if (!alsoVersions)
                left << "version 1000:1" << "version 1000:2";
            QCOMPARE(keys(m_db->dba_GetLocks()), left);
            QCOMPARE(m_db->isSceneLocked(m_job, "S"), !alsoVersions);
        }
    }

    void versionLocks()
    {
        dba_scene_struct scene = makeScene("S"), other = makeScene("T");
        const qint64 v1 = addVersion(scene, 1), v2 = addVersion(scene, 2), v3 = addVersion(scene, 3), otherV1 = addVersion(other, 1);
        QVERIFY(v1 && v2 && v3 && otherV1);
        QVERIFY(m_db->dba_LockSceneVersion(scene, 3) == 0 && m_db->dba_LockSceneVersion(scene, 1) == 0);
        QVERIFY(m_bob->dba_LockSceneVersion(scene, 1) == 1 && is(*m_bob, DBA_Context::Locked));
        QVERIFY(m_bob->lastErrorText().startsWith("Version 1 of scene S is locked by admin"));
        QVERIFY(m_bob->dba_LockSceneVersion(scene, 2) == 0 && m_bob->dba_LockSceneVersion(other, 1) == 0);
        QCOMPARE(m_db->dba_LockSceneVersion(scene, 0), -1);

        QVector<qint64> ids;
        QVERIFY(m_db->dba_GetAllLockedVersionIds(scene, ids) && ids == QVector<qint64>({v1, v2, v3}));
        QCOMPARE(m_db->dba_GetSceneVersionLockUser(scene, v1) + m_db->dba_GetSceneVersionLockUser(scene, v2), "adminbob");
        QCOMPARE(m_db->dba_GetSceneVersionLockUser(scene, otherV1), QString()); // not this scene's version

        QVERIFY(m_bob->dba_forceUnlockSceneVersion("bob", scene, v1));
        QVERIFY(!m_bob->dba_forceUnlockSceneVersion("bob", scene, v1) && is(*m_bob, DBA_Context::NotFound));
        QVERIFY(!m_db->dba_forceUnlockSceneVersion("admin", scene, otherV1));
        QVERIFY(m_db->dba_GetAllLockedVersionIds(other, ids) && ids == QVector<qint64>({otherV1}));

        QVERIFY(!m_bob->dba_UnlockSceneVersion(scene, 3) && is(*m_bob, DBA_Context::NotFound)); // admin's
        QVERIFY(m_db->dba_UnlockSceneVersion(scene, 3) && m_db->dba_GetAllLockedVersionIds(scene, ids) && ids == QVector<qint64>({v2}));
        QVERIFY(m_bob->dba_UnlockSceneVersion(scene, 2) && m_db->dba_GetAllLockedVersionIds(scene, ids) && ids.isEmpty());
    }

    void stageLockWithItsInfo()
    {
        dba_scene_struct mine = makeScene("S"), bobs = mine;
        QString user, host;
        qint64 time = 0;
        QVERIFY(!m_db->dba_GetStageInfo(mine, user, host, time) && is(*m_db, DBA_Context::NotFound));

        const qint64 before = DBA_Context::now();
        QVERIFY(m_db->dba_GetStageEditLock(mine) == 0 && m_bob->dba_GetStageInfo(bobs, user, host, time));
        QCOMPARE(QStringList({user, host}), QStringList({"admin", m_db->context().host}));
        QVERIFY(time >= before && time <= DBA_Context::now());
        QVERIFY(m_db->dba_HaveSceneLock(mine) && m_bob->isSceneLocked(m_job, "S"));
        QVERIFY(m_bob->dba_GetStageEditLock(bobs) == -1 && is(*m_bob, DBA_Context::Locked));
        // The stage edit lock and the scene lock are separate locks.
        QCOMPARE(m_bob->dba_GetSceneLock(bobs), 0);
        m_bob->dba_ReleaseSceneLock(bobs);
        m_bob->dba_ReleaseStageEditLock(bobs); // not bob's to release
        QVERIFY(m_bob->dba_GetStageInfo(bobs, user, host, time));
        m_db->dba_ReleaseStageEditLock(mine);
        QVERIFY(!m_db->dba_HaveSceneLock(mine) && !m_bob->dba_GetStageInfo(bobs, user, host, time));
    }

    void checkoutRoundTrip()
    {
        dba_scene_struct scene = makeScene("S");
        const qint64 before = DBA_Context::now();
        QVERIFY(m_db->dba_CheckoutScene(m_job, "S", QString()));
        const qint64 after = DBA_Context::now(), date = m_bob->dba_GetSceneCheckoutDate(scene);
        QVERIFY(m_bob->dba_IsSceneCheckedOut(scene) == 1 && m_bob->dba_GetSceneCheckoutUser(scene) == "admin");
        QVERIFY(date >= before && date <= after);
        QVERIFY(m_db->dba_IsCheckedOutToCurrentUser(scene) && !m_bob->dba_IsCheckedOutToCurrentUser(scene));

        // The job's scene table shows it in the numbered check-out columns.
        dba_job_struct job;
        QVERIFY(m_bob->dba_OpenJob("J", job) == 0 && job.scene().first());
        QCOMPARE(QVariantList({job.scene().data(DBC_Table::CheckedOut), job.scene().data(DBC_Table::CheckoutUser),
                               job.scene().data(DBC_Table::CheckoutDate)}), QVariantList({1, "admin", date}));

        QVERIFY(!m_bob->dba_CheckoutScene(m_job, "S", QString()) && is(*m_bob, DBA_Context::Locked));
        QVERIFY(m_bob->lastErrorText().contains("already checked out by user admin"));

        QVERIFY(m_db->dba_CheckinScene(m_job, "S") && m_bob->dba_IsSceneCheckedOut(scene) == 0);
        QVERIFY(m_bob->dba_GetSceneCheckoutUser(scene).isEmpty() && m_bob->dba_GetSceneCheckoutDate(scene) == 0);
        QVERIFY(m_db->dba_CheckinScene(m_job, "S") && is(*m_db, DBA_Context::NoError)); // nothing to check in

        // Checked out on someone's behalf: it is theirs, and only they may check it in.
        QVERIFY(m_db->dba_CheckoutScene(m_job, "S", "bob"));
        QVERIFY(!m_db->dba_IsCheckedOutToCurrentUser(scene) && m_bob->dba_IsCheckedOutToCurrentUser(scene));
        QVERIFY(!m_db->dba_CheckinScene(m_job, "S") && is(*m_db, DBA_Context::Refused));
        QCOMPARE(m_db->lastErrorText(), "You are not the owner of the checkout lock for scene S - \nyou cannot check the scene in.");
        QVERIFY(m_db->dba_GetSceneCheckoutLock(scene));
        QVERIFY(m_bob->dba_CheckinScene(m_job, "S") && m_db->dba_IsSceneCheckedOut(scene) == 0);

        // Forcing it in: always, or only once its owner has gone quiet.
        QVERIFY(m_bob->dba_CheckoutScene(m_job, "S", QString()));
        QVERIFY(m_db->dba_forceCheckinScene(m_job, "S", false) && is(*m_db, DBA_Context::NoError));
        QVERIFY(m_db->dba_IsSceneCheckedOut(scene) == 0 && m_bob->dba_CheckoutScene(m_job, "S", QString()));
        QVERIFY(!m_db->dba_forceCheckinScene(m_job, "S", true) && is(*m_db, DBA_Context::Locked));
        QCOMPARE(m_db->dba_IsSceneCheckedOut(scene), 1);
        ageSession(*m_bob, longAgo());
        QVERIFY(m_db->dba_forceCheckinScene(m_job, "S", true) && is(*m_db, DBA_Context::NoError));
        QCOMPARE(m_db->dba_IsSceneCheckedOut(scene), 0);
    }

    void logicalLocks()
    {
        const QString key = "scene/J/S/asset-a";
        QVERIFY(m_db->dba_GetLogicalLock("V1", key, "w") == 0 && m_db->dba_GetLogicalLock("V2", key, "r") == 0); // kinds are separate
        QVERIFY(m_bob->dba_GetLogicalLock("V1", key, "w") == 1 && is(*m_bob, DBA_Context::Locked));
        QCOMPARE(m_bob->dba_GetLogicalLock("V1", "a-first", QString()), 0);
        const QVector<dba_lock_struct> v1 = m_db->dba_GetLocks("V1");
        QVERIFY(keys(v1) == QStringList({"V1 a-first", "V1 " + key}) && v1[1].mode == "w");
        QVERIFY(!m_bob->dba_ReleaseLogicalLock("V1", key) && m_bob->dba_CheckLogicalLock("V1", key)); // admin's
        QVERIFY(m_db->dba_ReleaseLogicalLock("V1", key));
        QVERIFY(!m_bob->dba_CheckLogicalLock("V1", key) && is(*m_bob, DBA_Context::NoError));
        QVERIFY(m_bob->dba_CheckLogicalLock("V2", key) && m_db->dba_ForceReleaseLock("V1", "a-first"));
        QVERIFY(!m_db->dba_ForceReleaseLock("V1", "a-first") && is(*m_db, DBA_Context::NotFound));
        QCOMPARE(keys(m_db->dba_GetLocks()), QStringList({"V2 " + key}));

        // An unknown kind, the scene kind or an empty key is a bad name.
        for (const auto &bad : {std::make_pair("V3", "k"), std::make_pair("scene", "1"), std::make_pair("V1", "")}) {
            QVERIFY2(m_db->dba_GetLogicalLock(bad.first, bad.second, QString()) == -1 && is(*m_db, DBA_Context::BadName), bad.first);
            QVERIFY2(!m_db->dba_CheckLogicalLock(bad.first, bad.second) && is(*m_db, DBA_Context::BadName), bad.first);
        }
        QCOMPARE(m_db->dba_GetLocks().size(), 1);
    }

    void locksOfAClosedSessionAreRemoved()
    {
        dba_scene_struct scene = makeScene("S"), mine = scene;
        QVERIFY(m_bob->dba_GetSceneLock(scene) == 0 && m_bob->dba_GetStageEditLock(scene) == 0
                && m_bob->dba_LockSceneVersion(scene, 4) == 0 && m_bob->dba_GetLogicalLock("V1", "k1", QString()) == 0
                && m_bob->dba_GetLogicalLock("V2", "k2", QString()) == 0);
        QVERIFY(m_db->dba_GetLogicalLock("V1", "admins", QString()) == 0 && m_db->dba_GetLocks().size() == 6);
        m_bob->dba_Close2dDatabaseSession();
        QVERIFY(keys(m_db->dba_GetLocks()) == QStringList({"V1 admins"}) && m_db->dba_GetSceneLock(mine) == 0);
    }

    void clientConnectsWalksChecksAndReleases()
    {
        TUDbClient &client = m_db->dbClient();
        for (const char *key : {"b", "a", "c"})
            QCOMPARE(m_bob->dba_GetLogicalLock("V1", key, "w"), 0);
        QVERIFY(m_bob->dba_GetLogicalLock("V2", "z", "r") == 0 && m_db->dba_GetLogicalLock("V2", "y", QString()) == 0);
        dba_scene_struct scene = makeScene("S");
        QCOMPARE(m_db->dba_GetSceneLock(scene), 0); // not a logical lock: never walked
        ageSession(*m_bob, longAgo());

        const auto walk = [&client](bool v2) {
            QStringList seen;
            dba_lock_struct lock;
            int index = 0;
            while (v2 ? client.dbc_get_next_logical_lock_v2(index, lock) : client.dbc_get_next_logical_lock(index, lock))
                seen << QStringLiteral("%1 %2 %3%4").arg(lock.key, lock.mode, lock.user, lock.stale ? " stale" : "");
            return seen;
        };
        // Not yet connected, the client finds and releases nothing.
        QVERIFY(walk(false).isEmpty() && is(*m_db, DBA_Context::Unavailable));
        QVERIFY(!client.dbc_check_logical_lock("b") && !client.dbc_force_release_logical_lock("b", 1));

        QVERIFY(client.dbc_OpenDatabaseServer());
        QCOMPARE(walk(false), QStringList({"a w bob stale", "b w bob stale", "c w bob stale"}));
        QVERIFY(walk(true) == QStringList({"y  admin", "z r bob stale"}) && is(*m_db, DBA_Context::NoError));

        QVERIFY(client.dbc_check_logical_lock("b") && !client.dbc_check_logical_lock_v2("b"));
        QVERIFY(client.dbc_force_release_logical_lock("b", 1) && !client.dbc_check_logical_lock("b"));
        QVERIFY(!client.dbc_force_release_logical_lock("a", 3) && is(*m_db, DBA_Context::BadName));
        QVERIFY(client.dbc_force_release_logical_lock("z", 2));
        QVERIFY(client.dbc_release_logical_lock_v2("y", false) && !client.dbc_check_logical_lock_v2("y")); // admin's own
        // A walk started again reads the locks afresh.
        QVERIFY(walk(false) == QStringList({"a w bob stale", "c w bob stale"}) && walk(true).isEmpty());
        // Closing ends a walk under way; without a session the client cannot connect.
        dba_lock_struct lock;
        int index = 0;
        QVERIFY(client.dbc_get_next_logical_lock(index, lock));
        client.dbc_CloseDatabaseServer();
        QVERIFY(!client.dbc_get_next_logical_lock(index, lock));
        m_db->dba_Close2dDatabaseSession();
        QVERIFY(!client.dbc_OpenDatabaseServer() && is(*m_db, DBA_Context::Unavailable));
    }

    void clientRefusesToForceRegisterLocks()
    {
        // Only a key that starts so is the lock manager's own.
        QVERIFY(DBA_LockOps::isSerialNumberLock("serial-number") && DBA_LockOps::isSerialNumberLock("serial-number/J/S/drawings"));
        QVERIFY(DBA_LockOps::isRegisterLock("register/J") && !DBA_LockOps::isRegisterLock("serial-number"));
        for (const char *key : {"scene/serial-number", "asset/register", "Register/J"})
            QVERIFY2(!DBA_LockOps::isSerialNumberLock(key) && !DBA_LockOps::isRegisterLock(key), key);

        TUDbClient &admins = m_db->dbClient(), &bobs = m_bob->dbClient();
        QVERIFY(m_bob->dba_GetLogicalLock("V1", "register/J", QString()) == 0
                && m_bob->dba_GetLogicalLock("V2", "register/K", QString()) == 0
                && m_bob->dba_GetLogicalLock("V2", "serial-number/K", QString()) == 0);
        QVERIFY(admins.dbc_OpenDatabaseServer() && bobs.dbc_OpenDatabaseServer());

        QVERIFY(!admins.dbc_force_release_logical_lock("register/J", 1) && is(*m_db, DBA_Context::Refused));
        QVERIFY(!admins.dbc_release_logical_lock_v2("register/K", true) && is(*m_db, DBA_Context::Refused));
        QVERIFY(!admins.dbc_release_logical_lock_v2("serial-number/K", false)); // not admin's own
        QVERIFY(admins.dbc_check_logical_lock("register/J") && admins.dbc_check_logical_lock_v2("register/K")
                && admins.dbc_check_logical_lock_v2("serial-number/K"));
        // Serial-number file locks may be forced; a holder releases its own register lock.
        QVERIFY(admins.dbc_release_logical_lock_v2("serial-number/K", true) && bobs.dbc_release_logical_lock_v2("register/K", false));
        QVERIFY(!admins.dbc_check_logical_lock_v2("register/K") && !admins.dbc_check_logical_lock_v2("serial-number/K"));
    }

    void resolutions()
    {
        TUDbResolution resolutions(*m_db);
        QVERIFY(sql("INSERT INTO resolutions (name, width, height) VALUES ('Film_2K', 2048, 1556)"));
        QCOMPARE(resolutions.names(), QStringList({"Film_2K", "HDTV_1080p", "HDTV_720p"}));
        int width = 0, height = 0;
        QVERIFY(resolutions.size("Film_2K", width, height) && width == 2048 && height == 1556);
        QVERIFY(!resolutions.size("VGA", width, height) && is(*m_db, DBA_Context::NotFound));
    }
};

QTEST_GUILESS_MAIN(tst_DbLocks)
#include "tst_db_locks.moc"
