#include "DbTestFixture.h"
#include "PR_Preference.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TUDbSelect.h"
#include "oswUtil.h"

#include <QtTest>

// The user selector's base: who is working, the listings of the scene
// selection, and opening or creating a scene for a caller. How the
// remembered name is kept is tests/shared/tst_dbselector's part.
class tst_DbSelect : public QObject
{
    Q_OBJECT

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;

    static QString storedLoginName()
    {
        // Read back from the file, so the value was saved and not only set.
        return PR_Preference::createPreference(PR_Preference::localPrefs().path())->getStringValue("LAST_LOGIN_NAME");
    }
    // Environment E with job J, and an empty environment Other; J opened.
    dba_job_struct makeJob()
    {
        dba_job_struct job;
        if (!DbTestFixture::makeJob(*m_db) || !m_db->createEnv("Other", false) || m_db->dba_OpenJob("J", job) != 0)
            qWarning("%s", qPrintable(m_db->lastErrorText()));
        return job;
    }

private slots:
    void init()
    {
        QVERIFY(DbTestFixture::restart(m_fixture, m_db));
        PR_Preference::localPrefs().setStringValue("LAST_LOGIN_NAME", QString());
        QVERIFY(PR_Preference::localPrefs().save());
    }

    void userIsTakenOnlyWhenKnown()
    {
        TUDbSelectSingleDbClient selector(9, 0, 0, 0);
        QVERIFY(selector.dbOpened() && selector.setUserName("admin"));
        QVERIFY(!selector.isValidUserName("ghost") && !selector.setUserName("ghost"));
        QCOMPARE(selector.getDBAccess()->sceneData().userName(), "admin");

        // Without a database no user is valid, but the name is still remembered.
        qputenv("TALLYARD_DB", ("sqlite://" + m_fixture->scratch() + "/nowhere").toUtf8());
        TUDbSelect offline;
        QVERIFY(!offline.dbOpened() && !offline.isValidUserName("admin") && !offline.setUserName("admin"));
        QVERIFY(offline.userName().isEmpty() && offline.environmentList().isEmpty());
        QCOMPARE(storedLoginName(), "admin");
    }

    void defaultUserIsTheLoginName()
    {
        const QString login = oswUtil::getUserName();
        QVERIFY(!login.isEmpty());
        TUDbSelect selector;
        if (login != "admin")
            QVERIFY(!selector.setDefaultUserName());
        if (login != "admin" && login != "BATCH")
            QCOMPARE(m_db->addUser(login, QString(), QString(), QString(), DBA_UserOps::TD), 0);
        QVERIFY(selector.setDefaultUserName());
        QCOMPARE(selector.userName(), login);
        QCOMPARE(selector.getDBAccess()->userName(), login);
        // Runs without a login do not change what the login dialog offers next.
        QVERIFY(storedLoginName().isEmpty());
    }

    // Listings follow the database: environments and jobs by name, scenes in
    // the job's order; a created scene opens at its version.
    void createdScenesAreListedAndOpenAtTheirVersion()
    {
        dba_job_struct job = makeJob();
        dba_job_struct other = DbTestFixture::newJob("A0", "E"); // made last, listed first
        QVERIFY(m_db->createEnv("Alpha", false) && m_db->dba_createJob(other) > 0);
        TUDbSelect selector;
        QVERIFY(selector.setUserName("admin"));
        const QString path = TUDbAccess::buildStandardScenePath(m_fixture->fileSystem(), "J", "S");
        QVERIFY2(selector.createScene(job, "S", "admin", m_fixture->fileSystem(), path, 1),
                 qPrintable(selector.getDBAccess()->lastErrorText()));
        QVERIFY(selector.createScene(job, "Plain", "admin", m_fixture->fileSystem(), QString(), 0));
        QVERIFY(!selector.createScene(job, "S", "admin", m_fixture->fileSystem(), path, 1)
                && selector.getDBAccess()->lastErrorCode() == DBA_Context::AlreadyExists);
        QCOMPARE(selector.environmentList(), QStringList({"Alpha", "E", "Other"}));
        QCOMPARE(selector.createJobsList("E"), QStringList({"A0", "J"}));
        QVERIFY(selector.createJobsList("Other").isEmpty() && selector.createJobsList("Nope").isEmpty());
        const QVector<SceneInfo> scenes = selector.createScenesList("J");
        QCOMPARE(scenes, QVector<SceneInfo>({{"S", m_fixture->fileSystem()}, {"Plain", m_fixture->fileSystem()}}));
        QVERIFY(selector.createScenesList("A0").isEmpty() && selector.createScenesList("Nope").isEmpty());
        QVERIFY(selector.isSceneExists(job, "Plain") && !selector.isSceneExists(job, "S4"));

        TUDbAccess &access = *m_db;
        QString message;
        QVERIFY2(selector.openScene(access, message, "E", "J", "S", "1", "ana"), qPrintable(message));
        QVERIFY(message.isEmpty());
        QVERIFY(access.jobRecord().name == "J" && access.sceneRecord().name == "S");
        const TUDbSceneData &data = access.sceneData();
        QCOMPARE(QStringList({data.envName(), data.jobName(), data.sceneName(), data.sceneDir(), data.userName()}),
                 QStringList({"E", "J", "S", path, "ana"}));
        QCOMPARE(data.versionNumber(), 1);
        const QVX_scene_version_table versions = access.QVX_scene_versions_of_DBA_scene(access.sceneRecord());
        QVERIFY(versions.size() == 1 && versions[0].number == 1);
        QCOMPARE(data.versionId(), versions[0].id);
        QCOMPARE(data.stageFileName(), path + "/stage/v1.pavx");

        // Without a version: the scene as it stands; a plain scene has none.
        QVERIFY2(selector.openScene(access, message, "E", "J", "Plain", QString(), QString()), qPrintable(message));
        QVERIFY(data.sceneName() == "Plain" && data.versionNumber() == 0 && data.userName() == "ana");
        QVERIFY(access.QVX_scene_versions_of_DBA_scene(access.sceneRecord()).isEmpty());
    }

    void failedOpenSaysWhyAndLeavesNothingOpen_data()
    {
        QTest::addColumn<QStringList>("request"); // environment, job, scene, version
        QTest::addColumn<QString>("named");
        QTest::newRow("missing job") << QStringList{"E", "Nope", "S", ""} << "Nope";
        QTest::newRow("job of another environment") << QStringList{"Other", "J", "S", ""} << "Other";
        QTest::newRow("missing scene") << QStringList{"E", "J", "Ghost", ""} << "Ghost";
        QTest::newRow("missing version") << QStringList{"E", "J", "S", "7"} << "7";
        QTest::newRow("not a version number") << QStringList{"E", "J", "S", "v1"} << "v1";
        QTest::newRow("version zero") << QStringList{"E", "J", "S", "0"} << "0";
    }
    void failedOpenSaysWhyAndLeavesNothingOpen()
    {
        QFETCH(QStringList, request);
        QFETCH(QString, named);
        dba_job_struct opened = makeJob();
        TUDbSelect selector;
        QVERIFY(selector.createScene(opened, "S", "admin", m_fixture->fileSystem(), QString(), 1));
        QString message;
        QVERIFY(selector.openScene(*m_db, message, "E", "J", "S", QString(), QString()));

        QVERIFY(!selector.openScene(*m_db, message, request[0], request[1], request[2], request[3], "admin"));
        QVERIFY2(message.contains(named), qPrintable(message));
        QVERIFY(!m_db->jobRecord().isOpen() && !m_db->sceneRecord().isOpen());
        QVERIFY(m_db->sceneData().sceneName().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_DbSelect)
#include "tst_db_select.moc"
