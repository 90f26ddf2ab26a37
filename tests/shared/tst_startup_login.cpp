#include "DbTestFixture.h"
#include "PR_Preference.h"

#include <QProcess>
#include <QtTest>

namespace {
const QString kName = QStringLiteral("LAST_LOGIN_NAME");
const QString kLoginShown = QStringLiteral("login dialog");
const QString kInvalidUser = QStringLiteral("Invalid user name, use the \"-user valid_user_name\" option.");
// How a window run ends once it has a user: the main window, or in a build
// without one, the refusal that says so.
const QString kWindowShown = QStringLiteral("main window");
const QString kNoWindow = QStringLiteral("The main window is not available in this build of Tallyard");
} // namespace

// Who a window run works as: the user remembered on this machine, the
// "-user" option, or whoever logs in; a cancelled login ends the run
// quietly. The program runs with a stand-in hand that answers its dialogs.
class tst_StartupLogin : public QObject
{
    Q_OBJECT

    struct Run {
        int status;
        QString err;
    };

    Run tallyard(const QStringList &arguments, const QString &answers, bool legacyStatus)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TALLYARD_DB"), m_fixture->url().toString());
        env.insert(QStringLiteral("STARTUP_ANSWERS"), answers);
        if (legacyStatus)
            env.insert(QStringLiteral("KS_OLD_RETURN_CODE"), QStringLiteral("1"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(STARTUP_DRIVER), arguments);
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return {-1, QStringLiteral("timed out: ") + QString::fromUtf8(process.readAllStandardError())};
        }
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
                QString::fromUtf8(process.readAllStandardError())};
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<DbTestFixture>();
        QVERIFY2(m_fixture->initialize(), qPrintable(m_fixture->errorString()));
    }
    void cleanup() { m_fixture.reset(); }

    void windowRunUser_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<bool>("legacyStatus");
        QTest::addColumn<int>("logins");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("ending"); // "window", "quiet" (status 0) or "refused" (status 1)
        QTest::addColumn<QString>("rememberedAfter");

        QTest::newRow("remembered user") << QStringList{} << "admin" << "" << false << 0 << QStringList{}
                                         << "window" << "admin";
        QTest::newRow("user option") << QStringList{"-user", "admin"} << "" << "" << false << 0 << QStringList{}
                                     << "window" << "admin";
        QTest::newRow("no user remembered, logs in") << QStringList{} << "" << "name:admin" << false << 1
                                                     << QStringList{} << "window" << "admin";
        QTest::newRow("unknown remembered, logs in") << QStringList{} << "ghost" << "name:admin" << false << 1
                                                     << QStringList{} << "window" << "admin";
        QTest::newRow("cancelled") << QStringList{} << "" << "cancel" << false << 1 << QStringList{} << "quiet" << "";
        QTest::newRow("cancelled, legacy status") << QStringList{} << "" << "cancel" << true << 1 << QStringList{}
                                                  << "quiet" << "";
        QTest::newRow("refused, then cancelled")
            << QStringList{} << "" << "name:ghost,cancel" << false << 2
            << QStringList{"Unknown or Unauthorized Corvane user: ghost."} << "quiet" << "";
        QTest::newRow("offline is no database user") << QStringList{} << "" << "offline:nobody" << false << 1
                                                     << QStringList{kInvalidUser} << "refused" << "nobody";
    }
    void windowRunUser()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, remembered);
        QFETCH(QString, answers);
        QFETCH(bool, legacyStatus);
        QFETCH(int, logins);
        QFETCH(QStringList, boxes);
        QFETCH(QString, ending);
        QFETCH(QString, rememberedAfter);
        PR_Preference &prefs = PR_Preference::localPrefs();
        prefs.setStringValue(kName, remembered);
        QVERIFY(prefs.save());

        const Run run = tallyard(arguments, answers, legacyStatus);
        QVERIFY2(run.status >= 0, qPrintable(run.err));
        QCOMPARE(run.err.count(kLoginShown), logins);
        QCOMPARE(run.err.count(QStringLiteral("box: ")), boxes.size());
        for (const QString &text : boxes)
            QVERIFY2(run.err.contains(text), qPrintable(run.err));
        const bool windowRun = run.err.contains(kWindowShown) || run.err.contains(kNoWindow);
        QVERIFY2(windowRun == (ending == QLatin1String("window")), qPrintable(run.err));
        if (ending == QLatin1String("quiet"))
            QVERIFY2(run.status == 0, qPrintable(run.err));
        if (ending == QLatin1String("refused"))
            QVERIFY2(run.status == 1, qPrintable(run.err));
        const auto saved = PR_Preference::createPreference(prefs.path());
        QCOMPARE(saved->getStringValue(kName), rememberedAfter);
    }

private:
    std::unique_ptr<DbTestFixture> m_fixture;
};

QTEST_GUILESS_MAIN(tst_StartupLogin)
#include "tst_startup_login.moc"
