#include "ScriptFixture.h"

#include <QtTest>

namespace {
QString refusal(const QString &what, const QString &again)
{
    return "You do not have the permission necessary to " + what
        + " --\nplease contact your supervisor or TD to change your user type\nor to " + again;
}

struct Method {
    const char *name;
    int permission;
    const char *script;
    QString message;
};

const QString sceneUnlock = "You do not own the lock on this scene or have the permission necessary to unlock a scene --\n"
                            "please contact your supervisor or TD to change your user type\nor to unlock the scene";

const Method methods[] = {
    {"addUser", DBA_UserOps::ModifyUsers, "var u = new User('newbie'); u.type = User.ANIMATOR; Tallyard.addUser(u)",
     refusal("add users", "add the user")},
    {"deleteUser", DBA_UserOps::ModifyUsers, "Tallyard.deleteUser(new User('victim'))",
     refusal("delete users", "delete the user")},
    {"modifyUser", DBA_UserOps::ModifyUsers, "var u = new User('victim'); u.type = User.TD; Tallyard.modifyUser(u)",
     refusal("modify users", "modify the user")},
    {"modifyEnvironment", DBA_UserOps::ModifyEnv,
     "var e = new Environment('E'); e.assetLock = true; Tallyard.modifyEnvironment(e)",
     refusal("modify environments", "modify the environment")},
    {"modifyJob", DBA_UserOps::ModifyJob, "var j = new Job('E', 'J'); j.priority = 9; Tallyard.modifyJob(j)",
     refusal("modify jobs", "modify the job")},
    {"clearScene", DBA_UserOps::ModifyScene, "Tallyard.clearScene(new Scene('J', 's2'))",
     refusal("clear scenes", "clear the scene")},
    {"copyScene", DBA_UserOps::CopyScene, "Tallyard.copyScene(new Scene('J', 's1'), new Scene('J', 's2'), true)",
     refusal("copy scenes", "copy the scene")},
    {"moveScene", DBA_UserOps::ModifyScene, "Tallyard.moveScene(new Scene('J', 's2'), '/QVX_DB/scenes', true)",
     refusal("move scenes", "move the scene")},
    {"changeScenePriority", DBA_UserOps::ChangeScenePriority, "Tallyard.changeScenePriority(new Scene('J', 's2'), 9)",
     refusal("change the priority of scenes", "change the priority of the scene")},
    {"changeSceneStage", DBA_UserOps::ModifyScene, "Tallyard.changeSceneStage(new Scene('J', 's2'), 'colour')",
     refusal("change the stage of scenes", "change the stage of the scene")},
    {"forceUnlockScene", DBA_UserOps::ForceUnlockSceneAny, "Tallyard.forceUnlockScene(new Scene('J', 's1'), 'admin')",
     sceneUnlock},
    {"forceUnlockAsset", DBA_UserOps::ForceUnlockSceneAny, "Tallyard.forceUnlockAsset('/QVX_DB/jobs/J/asset')",
     sceneUnlock},
};
} // namespace

// The changing methods of the script object that only scripts have (the
// others are in the rights matrix of tests/e2e), run by every user type that
// lacks its right: refused with its exact message, and nothing changed.
class tst_ScriptRights : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScriptFixture> f;
    dba_scene_struct m_locked;
    dba_job_struct m_job;

    // Everything the methods could change, read as admin.
    QString state()
    {
        TUDbAccess &db = f->admin();
        QStringList parts;
        QVector<dba_user_struct_type> users;
        db.dba_GetAllUsers(users);
        for (const auto &u : users)
            parts << u.name + ":" + QString::number(u.type);
        QStringList envs;
        db.dba_GetEnvironments(envs);
        for (const QString &e : envs) {
            int status = 0;
            parts << e + ":" + QString::number(db.dba_GetEnvironmentSceneLock(e, status));
            QVector<dba_job_struct> jobs;
            db.dba_GetEnvironmentJobs(e, jobs);
            for (const auto &j : jobs)
                parts << j.name + ":" + QString::number(j.priority);
        }
        dba_job_struct job;
        if (db.dba_OpenJob("J", job) != -1) {
            for (const QString &name : db.buildScenesList(job)) {
                dba_scene_struct scene;
                if (db.dba_OpenScene(name, job, scene) != -1) {
                    parts << name + ":" + QString::number(scene.priority) + ":" + scene.approvalStage + ":" + scene.path
                            + ":" + QString::number(scene.currentVersion);
                    db.dba_CloseScene(scene);
                }
            }
            parts << "lock:" + db.dba_GetSceneLockUser(job, "s1");
            db.dba_CloseJob(job);
        }
        for (const dba_lock_struct &lock : db.dba_GetLocks("V2"))
            parts << lock.key;
        return parts.join('\n');
    }

private slots:
    void initTestCase()
    {
        f = std::make_unique<ScriptFixture>();
        QVERIFY2(f->isValid(), qPrintable(f->db().errorString()));
        TUDbAccess &db = f->admin();
        for (int type = DBA_UserOps::RD; type <= DBA_UserOps::ANIMATOR; ++type)
            QCOMPARE(db.addUser("u" + QString::number(type), "U", "T", QString(), type), 0);
        QCOMPARE(db.addUser("victim", "V", "T", QString(), DBA_UserOps::ANIMATOR), 0);
        // s1 stays locked by admin, and an asset lock is held, for the unlock methods.
        QVERIFY(db.dba_OpenJob("J", m_job) != -1 && db.dba_OpenScene("s1", m_job, m_locked) != -1);
        QCOMPARE(db.dba_GetSceneLock(m_locked), 0);
        QCOMPARE(db.dba_GetLogicalLock("V2", "/QVX_DB/jobs/J/asset", "w"), 0);
    }
    void cleanupTestCase() { f.reset(); }

    void refused_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("message");
        for (const Method &method : methods) {
            for (int type = DBA_UserOps::RD; type <= DBA_UserOps::ANIMATOR; ++type) {
                if (DBA_UserOps::defaultRight(type, method.permission))
                    continue;
                const QString user = "u" + QString::number(type);
                QTest::addRow("%s as %s", method.name, qPrintable(DBA_UserOps::userType2QString(type)))
                    << user << QString(method.script) << method.message;
            }
        }
    }
    void refused()
    {
        QFETCH(QString, user);
        QFETCH(QString, script);
        QFETCH(QString, message);
        QVERIFY(f->actAs(user));
        const QString before = state();
        QCOMPARE(f->eval(script), QStringList{"false"});
        const QStringList log = f->sink().lines();
        QVERIFY2(log.last().contains(" : " + message + "\n"), qPrintable(log.join('\n')));
        QCOMPARE(state(), before);
    }
};

QTEST_GUILESS_MAIN(tst_ScriptRights)
#include "tst_scriptrights.moc"
