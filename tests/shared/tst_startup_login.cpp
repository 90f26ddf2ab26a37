#include "DbTestFixture.h"
#include "PR_Preference.h"

#include <QProcess>
#include <QtTest>

// Who a window run works as: the user remembered on this machine, the
// "-user" option, or whoever logs in; a cancelled login ends the run
// quietly. The program runs with a stand-in hand that answers its dialogs.
class tst_StartupLogin : public QObject
{
    Q_OBJECT

private slots:
    void windowRunUser_data()
    {
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<bool>("legacyStatus");
        QTest::addColumn<QStringList>("seen"); // what the hand saw, in order
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("rememberedAfter");
        const QString login = "login dialog", window = "main window";
        QTest::newRow("remembered user") << "admin" << QStringList{} << "" << false << QStringList{window} << 0 << "admin";
        QTest::newRow("user option") << "" << QStringList{"-user", "admin"} << "" << false << QStringList{window} << 0
                                     << "admin";
        QTest::newRow("no user remembered, logs in") << "" << QStringList{} << "name:admin" << false
                                                     << QStringList{login, window} << 0 << "admin";
        QTest::newRow("unknown remembered, logs in") << "ghost" << QStringList{} << "name:admin" << false
                                                     << QStringList{login, window} << 0 << "admin";
        QTest::newRow("cancelled") << "" << QStringList{} << "cancel" << false << QStringList{login} << 0 << "";
        QTest::newRow("cancelled, legacy status") << "" << QStringList{} << "cancel" << true << QStringList{login} << 0 << "";
        QTest::newRow("refused, then cancelled")
            << "" << QStringList{} << "name:ghost,cancel" << false
            << QStringList{login, "box: The following error occurred: Unknown or Unauthorized Corvane user: ghost.", login} << 0
            << "";
        QTest::newRow("offline is no database user")
            << "" << QStringList{} << "offline:nobody" << false
            << QStringList{login, "box: The following error occurred: Invalid user name, use the \"-user valid_user_name\" option."}
            << 1 << "nobody";
    }
    void windowRunUser()
    {
        DbTestFixture fixture;
        QVERIFY2(fixture.initialize(), qPrintable(fixture.errorString()));
        QFETCH(QString, remembered);
        QFETCH(bool, legacyStatus);
        PR_Preference &prefs = PR_Preference::localPrefs();
        prefs.setStringValue(QStringLiteral("LAST_LOGIN_NAME"), remembered);
        QVERIFY(prefs.save());

        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TALLYARD_DB"), fixture.url().toString());
        QFETCH(QString, answers);
        env.insert(QStringLiteral("STARTUP_ANSWERS"), answers);
        if (legacyStatus)
            env.insert(QStringLiteral("KS_OLD_RETURN_CODE"), QStringLiteral("1"));
        process.setProcessEnvironment(env);
        QFETCH(QStringList, arguments);
        process.start(QStringLiteral(STARTUP_DRIVER), arguments);
        QVERIFY(process.waitForFinished(60000));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QStringList notes;
        for (const QString &line : err.split('\n')) {
            if (line == "login dialog" || line == "main window" || line.startsWith("box: "))
                notes << line;
        }
        QFETCH(QStringList, seen);
        QVERIFY2(notes == seen, qPrintable(err));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QTEST(process.exitCode(), "status");
        QTEST(PR_Preference::createPreference(prefs.path())->getStringValue(QStringLiteral("LAST_LOGIN_NAME")), "rememberedAfter");
    }
};

QTEST_GUILESS_MAIN(tst_StartupLogin)
#include "tst_startup_login.moc"
