#include "DbTestFixture.h"
#include "PR_Preference.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TUDbSelect.h"
#include "oswUtil.h"

#include <QtTest>

// The user selector's base: who is working, the listings of the scene
// selection, and opening or creating a scene for a caller.
class tst_DbSelect : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_fixture = std::make_unique<DbTestFixture>();
        QVERIFY2(m_fixture->initialize(), qPrintable(m_fixture->errorString()));
        m_db = m_fixture->open();
        QVERIFY2(m_db, qPrintable(m_fixture->errorString()));
        PR_Preference::localPrefs().setStringValue(QStringLiteral("LAST_LOGIN_NAME"), QString());
        QVERIFY(PR_Preference::localPrefs().save());
    }
    void cleanup()
    {
        m_db.reset();
        m_fixture.reset();
    }

    void knownUserIsTakenAndRemembered()
    {
        TUDbSelectSingleDbClient selector(9, 0, 0, 0);
        QVERIFY(selector.dbOpened());
        QVERIFY(selector.getDBAccess());
        QVERIFY(selector.setUserName(QStringLiteral("admin")));
        QCOMPARE(selector.userName(), QStringLiteral("admin"));
        QCOMPARE(selector.userType(), int(DBA_UserOps::RD));
        QCOMPARE(selector.getDBAccess()->userName(), QStringLiteral("admin"));
        QCOMPARE(selector.getDBAccess()->sceneData().userName(), QStringLiteral("admin"));
        QCOMPARE(storedLoginName(), QStringLiteral("admin"));
    }

    void unknownUserIsRefusedButRemembered()
    {
        TUDbSelect selector;
        QVERIFY(selector.setUserName(QStringLiteral("admin")));
        QVERIFY(!selector.isValidUserName(QStringLiteral("ghost")));
        QVERIFY(!selector.setUserName(QStringLiteral("ghost")));
        QCOMPARE(storedLoginName(), QStringLiteral("ghost"));
        // The user working before stays.
        QCOMPARE(selector.userName(), QStringLiteral("admin"));
        QCOMPARE(selector.getDBAccess()->userName(), QStringLiteral("admin"));
    }

    void withoutDatabaseNoUserIsValidButTheNameIsRemembered()
    {
        qputenv("TALLYARD_DB", ("sqlite://" + m_fixture->scratch() + "/nowhere").toUtf8());
        TUDbSelect selector;
        QVERIFY(!selector.dbOpened());
        QVERIFY(!selector.isValidUserName(QStringLiteral("admin")));
        QVERIFY(!selector.setUserName(QStringLiteral("admin")));
        QVERIFY(selector.userName().isEmpty());
        QCOMPARE(storedLoginName(), QStringLiteral("admin"));
        QVERIFY(selector.environmentList().isEmpty());
    }

    void defaultUserIsTheLoginName()
    {
        const QString login = oswUtil::getUserName();
        QVERIFY(!login.isEmpty());
        TUDbSelect selector;
        if (login != QLatin1String("admin"))
            QVERIFY(!selector.setDefaultUserName());
        if (login != QLatin1String("admin") && login != QLatin1String("BATCH"))
            QCOMPARE(m_db->addUser(login, QString(), QString(), QString(), DBA_UserOps::TD), 0);
        QVERIFY(selector.setDefaultUserName());
        QCOMPARE(selector.userName(), login);
        QCOMPARE(selector.getDBAccess()->userName(), login);
        // Runs without a login do not change what the login dialog offers next.
        QVERIFY(storedLoginName().isEmpty());
    }

    void listingsFollowTheDatabase()
    {
        makeEnvironment(QStringLiteral("Zeta"), {});
        makeEnvironment(QStringLiteral("Alpha"), {QStringLiteral("J2"), QStringLiteral("J1")});
        dba_job_struct job = openJob(QStringLiteral("J1"));
        QVERIFY(job.isOpen());
        for (const char *name : {"S2", "S1", "S3"})
            QVERIFY(m_db->dba_CreateScene(job, QLatin1String(name), QStringLiteral("admin"), m_fixture->fileSystem(),
                                          QString(), DBA_SceneOps::AddAtBottom, -1, 1));

        TUDbSelect selector;
        QCOMPARE(selector.environmentList(), QStringList({QStringLiteral("Alpha"), QStringLiteral("Zeta")}));
        QCOMPARE(selector.createJobsList(QStringLiteral("Alpha")), QStringList({QStringLiteral("J1"), QStringLiteral("J2")}));
        QVERIFY(selector.createJobsList(QStringLiteral("Zeta")).isEmpty());
        QVERIFY(selector.createJobsList(QStringLiteral("Nope")).isEmpty());

        const QVector<SceneInfo> scenes = selector.createScenesList(QStringLiteral("J1"));
        QCOMPARE(scenes.size(), 3);
        const QStringList order{QStringLiteral("S2"), QStringLiteral("S1"), QStringLiteral("S3")};
        for (int i = 0; i < scenes.size(); ++i) {
            QCOMPARE(scenes[i].first, order[i]);
            QCOMPARE(scenes[i].second, m_fixture->fileSystem());
        }
        QVERIFY(selector.createScenesList(QStringLiteral("J2")).isEmpty());
        QVERIFY(selector.createScenesList(QStringLiteral("Nope")).isEmpty());
        QVERIFY(selector.isSceneExists(job, QStringLiteral("S1")));
        QVERIFY(!selector.isSceneExists(job, QStringLiteral("S4")));
    }

    void createdSceneOpensAtItsVersion()
    {
        makeEnvironment(QStringLiteral("E"), {QStringLiteral("J")});
        dba_job_struct job = openJob(QStringLiteral("J"));
        TUDbSelect selector;
        QVERIFY(selector.setUserName(QStringLiteral("admin")));
        const QString path = TUDbAccess::buildStandardScenePath(m_fixture->fileSystem(), QStringLiteral("J"), QStringLiteral("S"));
        QVERIFY2(selector.createScene(job, QStringLiteral("S"), QStringLiteral("admin"), m_fixture->fileSystem(), path, 1),
                 qPrintable(selector.getDBAccess()->lastErrorText()));
        QVERIFY(selector.createScene(job, QStringLiteral("Plain"), QStringLiteral("admin"), m_fixture->fileSystem(),
                                     QString(), 0));

        // A scene that exists already is refused as such.
        QVERIFY(!selector.createScene(job, QStringLiteral("S"), QStringLiteral("admin"), m_fixture->fileSystem(), path, 1));
        QCOMPARE(selector.getDBAccess()->lastErrorCode(), int(DBA_Context::AlreadyExists));

        TUDbAccess &access = *m_db;
        QString message;
        QVERIFY2(selector.openScene(access, message, QStringLiteral("E"), QStringLiteral("J"), QStringLiteral("S"),
                                    QStringLiteral("1"), QStringLiteral("ana")),
                 qPrintable(message));
        QVERIFY(message.isEmpty());
        QCOMPARE(access.jobRecord().name, QStringLiteral("J"));
        QCOMPARE(access.sceneRecord().name, QStringLiteral("S"));
        const TUDbSceneData &data = access.sceneData();
        QCOMPARE(data.envName(), QStringLiteral("E"));
        QCOMPARE(data.jobName(), QStringLiteral("J"));
        QCOMPARE(data.sceneName(), QStringLiteral("S"));
        QCOMPARE(data.sceneDir(), path);
        QCOMPARE(data.userName(), QStringLiteral("ana"));
        QCOMPARE(data.versionNumber(), 1);
        const QVX_scene_version_table versions = access.QVX_scene_versions_of_DBA_scene(access.sceneRecord());
        QCOMPARE(versions.size(), 1);
        QCOMPARE(versions[0].number, 1);
        QCOMPARE(data.versionId(), versions[0].id);
        QCOMPARE(data.stageFileName(), path + QStringLiteral("/stage/v1.pavx"));

        // Without a version: the scene as it stands; a plain scene has none.
        QVERIFY2(selector.openScene(access, message, QStringLiteral("E"), QStringLiteral("J"), QStringLiteral("Plain"),
                                    QString(), QString()),
                 qPrintable(message));
        QCOMPARE(access.sceneData().sceneName(), QStringLiteral("Plain"));
        QCOMPARE(access.sceneData().versionNumber(), 0);
        QCOMPARE(access.sceneData().userName(), QStringLiteral("ana"));
        QVERIFY(access.QVX_scene_versions_of_DBA_scene(access.sceneRecord()).isEmpty());
    }

    void failedOpenSaysWhyAndLeavesNothingOpen_data()
    {
        QTest::addColumn<QString>("env");
        QTest::addColumn<QString>("job");
        QTest::addColumn<QString>("scene");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("named");
        QTest::newRow("missing job") << "E" << "Nope" << "S" << "" << "Nope";
        QTest::newRow("job of another environment") << "Other" << "J" << "S" << "" << "Other";
        QTest::newRow("missing scene") << "E" << "J" << "Ghost" << "" << "Ghost";
        QTest::newRow("missing version") << "E" << "J" << "S" << "7" << "7";
        QTest::newRow("not a version number") << "E" << "J" << "S" << "v1" << "v1";
        QTest::newRow("version zero") << "E" << "J" << "S" << "0" << "0";
    }
    void failedOpenSaysWhyAndLeavesNothingOpen()
    {
        QFETCH(QString, env);
        QFETCH(QString, job);
        QFETCH(QString, scene);
        QFETCH(QString, version);
        QFETCH(QString, named);
        makeEnvironment(QStringLiteral("E"), {QStringLiteral("J")});
        makeEnvironment(QStringLiteral("Other"), {});
        dba_job_struct opened = openJob(QStringLiteral("J"));
        TUDbSelect selector;
        QVERIFY(selector.createScene(opened, QStringLiteral("S"), QStringLiteral("admin"), m_fixture->fileSystem(),
                                     QString(), 1));
        QString message;
        QVERIFY(selector.openScene(*m_db, message, QStringLiteral("E"), QStringLiteral("J"), QStringLiteral("S"),
                                   QString(), QString()));

        QVERIFY(!selector.openScene(*m_db, message, env, job, scene, version, QStringLiteral("admin")));
        QVERIFY2(message.contains(named), qPrintable(message));
        QVERIFY(!m_db->jobRecord().isOpen());
        QVERIFY(!m_db->sceneRecord().isOpen());
        QVERIFY(m_db->sceneData().sceneName().isEmpty());
    }

private:
    static QString storedLoginName()
    {
        // Read back from the file, so the value was saved and not only set.
        const std::unique_ptr<PR_Preference> saved = PR_Preference::createPreference(PR_Preference::localPrefs().path());
        return saved->getStringValue(QStringLiteral("LAST_LOGIN_NAME"));
    }

    void makeEnvironment(const QString &env, const QStringList &jobs)
    {
        QVERIFY(m_db->createEnv(env, false) != 0);
        for (const QString &name : jobs) {
            dba_job_struct job;
            job.name = name;
            job.environment = env;
            QVERIFY(m_db->dba_createJob(job) > 0);
        }
    }

    dba_job_struct openJob(const QString &name)
    {
        dba_job_struct job;
        m_db->dba_OpenJob(name, job);
        return job;
    }

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
};

QTEST_GUILESS_MAIN(tst_DbSelect)
#include "tst_db_select.moc"
