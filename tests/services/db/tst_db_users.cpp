#include "DbTestFixture.h"
#include "TUDbAccess.h"

#include <QtTest>

// Users, user types and the rights behind every permission query.
class tst_DbUsers : public QObject
{
    Q_OBJECT

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;

    int userCount()
    {
        QVector<dba_user_struct_type> users;
        return m_db->dba_GetAllUsers(users);
    }

private slots:
    void init() { QVERIFY(DbTestFixture::restart(m_fixture, m_db)); }

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
        for (const auto &refused : refusals) {
            QVERIFY(m_db->addUser(refused.name, "F", "L", QString(), refused.type) != 0);
            QCOMPARE(m_db->lastErrorCode(), refused.code);
        }
        // The batch user stays.
        QVERIFY(m_db->deleteUser("BATCH") != 0 && m_db->modifyUser("BATCH", "B2", QString(), QString(), 0) != 0);
        QCOMPARE(userCount(), 2);
        QVERIFY(m_db->dba_GetUser("BATCH", user));
    }

    void typeNamesRoundTrip()
    {
        QCOMPARE(DBA_UserOps::userType2QString(8), "Ink & Paint");
        QCOMPARE(DBA_UserOps::userType2QString(12), "UNKNOWN TYPE");
        for (int type = 0; type < 10; ++type)
            QCOMPARE(DBA_UserOps::QString2UserType(DBA_UserOps::userType2QString(type)), type);
        QCOMPARE(DBA_UserOps::QString2UserType("Nobody"), -1);
    }

    // Every query answers from the seeded table for the current user's type,
    // and the restricted types cannot administer or change scenes.
    void rightsFollowTheUserType()
    {
        for (int type = 0; type < 10; ++type) {
            const QString name = QStringLiteral("u%1").arg(type);
            QVERIFY(m_db->addUser(name, "F", "L", QString(), type) == 0 && m_db->setCurrentUser(name));
            for (int permission = 0; permission < DBA_UserOps::PermissionCount; ++permission)
                QVERIFY2(m_db->hasUserPermission(permission) == DBA_UserOps::defaultRight(type, permission),
                         qPrintable(QStringLiteral("type %1, permission %2").arg(type).arg(permission)));
            QCOMPARE(m_db->hasUserPermissionAdmin(), DBA_UserOps::defaultRight(type, DBA_UserOps::Admin));
        }
        for (int type : {DBA_UserOps::XSHEET, DBA_UserOps::SCAN, DBA_UserOps::INK_PAINT, DBA_UserOps::ANIMATOR}) {
            for (int permission : {DBA_UserOps::Admin, DBA_UserOps::ModifyScene, DBA_UserOps::CreateEnv})
                QVERIFY(!DBA_UserOps::defaultRight(type, permission));
            QVERIFY(DBA_UserOps::defaultRight(type, DBA_UserOps::OpenInPavane));
        }
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
};

QTEST_GUILESS_MAIN(tst_DbUsers)
#include "tst_db_users.moc"
