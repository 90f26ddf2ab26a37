#include "DbTestFixture.h"
#include "TUDbAccess.h"

#include <QtTest>

// Users, user types and the rights behind every permission query.
class tst_DbUsers : public QObject
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

    void seededUsersExist()
    {
        QVector<dba_user_struct_type> users;
        QCOMPARE(m_db->dba_GetAllUsers(users), 2);
        QCOMPARE(users[0].name, QStringLiteral("BATCH"));
        QCOMPARE(users[1].name, QStringLiteral("admin"));
        QCOMPARE(users[1].type, int(DBA_UserOps::RD));
    }

    void addModifyDeleteRoundTrip()
    {
        QCOMPARE(m_db->addUser(QStringLiteral("ana"), QStringLiteral("Ana"), QStringLiteral("Lima"), QString(), DBA_UserOps::INK_PAINT), 0);
        dba_user_struct_type user;
        QVERIFY(m_db->dba_GetUser(QStringLiteral("ana"), user));
        QCOMPARE(user.firstName, QStringLiteral("Ana"));
        QCOMPARE(user.lastName, QStringLiteral("Lima"));
        QCOMPARE(user.type, int(DBA_UserOps::INK_PAINT));

        // The modify call takes the last name before the first name.
        QCOMPARE(m_db->modifyUser(QStringLiteral("ana"), QStringLiteral("anal"), QStringLiteral("Lima-Reis"),
                                  QStringLiteral("Ana Maria"), DBA_UserOps::SCAN), 0);
        QVERIFY(!m_db->dba_GetUser(QStringLiteral("ana"), user));
        QVERIFY(m_db->dba_GetUser(QStringLiteral("anal"), user));
        QCOMPARE(user.firstName, QStringLiteral("Ana Maria"));
        QCOMPARE(user.lastName, QStringLiteral("Lima-Reis"));
        QCOMPARE(user.type, int(DBA_UserOps::SCAN));

        QCOMPARE(m_db->deleteUser(QStringLiteral("anal")), 0);
        QVERIFY(m_db->deleteUser(QStringLiteral("anal")) != 0);
        QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("code");
        QTest::newRow("duplicate") << QStringLiteral("admin") << 0 << int(DBA_Context::AlreadyExists);
        QTest::newRow("type too high") << QStringLiteral("x") << 10 << int(DBA_Context::Failed);
        QTest::newRow("negative type") << QStringLiteral("x") << -1 << int(DBA_Context::Failed);
        QTest::newRow("bad name") << QStringLiteral("a b") << 0 << int(DBA_Context::BadName);
    }
    void refusals()
    {
        QFETCH(QString, name);
        QFETCH(int, type);
        QFETCH(int, code);
        QVERIFY(m_db->addUser(name, QStringLiteral("F"), QStringLiteral("L"), QString(), type) != 0);
        QCOMPARE(m_db->lastErrorCode(), code);
        QVector<dba_user_struct_type> users;
        QCOMPARE(m_db->dba_GetAllUsers(users), 2);
    }

    void batchUserStays()
    {
        QVERIFY(m_db->deleteUser(QStringLiteral("BATCH")) != 0);
        QVERIFY(m_db->modifyUser(QStringLiteral("BATCH"), QStringLiteral("B2"), QString(), QString(), 0) != 0);
        dba_user_struct_type user;
        QVERIFY(m_db->dba_GetUser(QStringLiteral("BATCH"), user));
    }

    void typeNamesRoundTrip()
    {
        QCOMPARE(DBA_UserOps::userType2QString(8), QStringLiteral("Ink & Paint"));
        QCOMPARE(DBA_UserOps::userType2QString(12), QStringLiteral("UNKNOWN TYPE"));
        for (int type = 0; type < 10; ++type)
            QCOMPARE(DBA_UserOps::QString2UserType(DBA_UserOps::userType2QString(type)), type);
        QCOMPARE(DBA_UserOps::QString2UserType(QStringLiteral("Nobody")), -1);
    }

    // Every query answers from the seeded table for the current user's type.
    void rightsFollowTheUserType_data()
    {
        QTest::addColumn<int>("type");
        for (int type = 0; type < 10; ++type)
            QTest::newRow(qPrintable(DBA_UserOps::userType2QString(type))) << type;
    }
    void rightsFollowTheUserType()
    {
        QFETCH(int, type);
        QCOMPARE(m_db->addUser(QStringLiteral("u"), QStringLiteral("F"), QStringLiteral("L"), QString(), type), 0);
        QVERIFY(m_db->setCurrentUser(QStringLiteral("u")));
        for (int permission = 0; permission < DBA_UserOps::PermissionCount; ++permission)
            QCOMPARE(m_db->hasUserPermission(permission), DBA_UserOps::defaultRight(type, permission));
        QCOMPARE(m_db->hasUserPermissionAdmin(), DBA_UserOps::defaultRight(type, DBA_UserOps::Admin));
    }

    void restrictedTypesCannotAdminister()
    {
        for (int type : {DBA_UserOps::XSHEET, DBA_UserOps::SCAN, DBA_UserOps::INK_PAINT, DBA_UserOps::ANIMATOR}) {
            QVERIFY(!DBA_UserOps::defaultRight(type, DBA_UserOps::Admin));
            QVERIFY(!DBA_UserOps::defaultRight(type, DBA_UserOps::ModifyScene));
            QVERIFY(!DBA_UserOps::defaultRight(type, DBA_UserOps::CreateEnv));
            QVERIFY(DBA_UserOps::defaultRight(type, DBA_UserOps::OpenInPavane));
        }
    }

    void changedRightIsSeenByOtherSessions()
    {
        QCOMPARE(m_db->addUser(QStringLiteral("coord"), QStringLiteral("C"), QStringLiteral("D"), QString(), DBA_UserOps::COORDINATOR), 0);
        std::unique_ptr<TUDbAccess> other = m_fixture->open(QStringLiteral("coord"));
        QVERIFY(other);
        QVERIFY(!other->hasUserPermissionCreateEnv());
        QVERIFY(m_db->setRight(DBA_UserOps::COORDINATOR, DBA_UserOps::CreateEnv, true));
        QVERIFY(other->hasUserPermissionCreateEnv());
    }

    void unknownUserHasNoRights()
    {
        QVERIFY(!m_db->setCurrentUser(QStringLiteral("ghost")));
        QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));
        m_db->getDbaUserStruct() = dba_user_struct_type();
        QVERIFY(!m_db->hasUserPermissionOpenInPavane());
    }

private:
    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
};

QTEST_GUILESS_MAIN(tst_DbUsers)
#include "tst_db_users.moc"
