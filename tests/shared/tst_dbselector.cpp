#include "DbTestFixture.h"
#include "PR_Preference.h"
#include "TUDbAccess.h"
#include "TUDbSelector.h"
#include "TUDbUserDialog.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
const QString kName = QStringLiteral("LAST_LOGIN_NAME");
}

// The user selector: the user remembered on this machine, the name kept for
// the next login, and when the login dialog has to ask.
class tst_DbSelector : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_fixture = std::make_unique<DbTestFixture>();
        QVERIFY2(m_fixture->initialize(), qPrintable(m_fixture->errorString()));
        m_db = m_fixture->open();
        QVERIFY(m_db);
        QCOMPARE(m_db->addUser(QStringLiteral("ana"), QString(), QString(), QString(), DBA_UserOps::ANIMATOR), 0);
        remember(QString());
        m_dialogSeen = false;
        m_prefilled.clear();
    }
    void cleanup()
    {
        m_db.reset();
        m_fixture.reset();
    }

    void startsWithTheRememberedUser_data()
    {
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QString>("user");
        QTest::newRow("known") << "ana" << "ana";
        QTest::newRow("unknown") << "ghost" << "";
        QTest::newRow("none") << "" << "";
    }
    void startsWithTheRememberedUser()
    {
        QFETCH(QString, remembered);
        QFETCH(QString, user);
        remember(remembered);
        TUDbSelector selector(9, 0, 0, 0);
        QCOMPARE(selector.userName(), user);
        QCOMPARE(selector.getDBAccess()->userName(), user);
        if (!user.isEmpty())
            QCOMPARE(selector.userType(), int(DBA_UserOps::ANIMATOR));
        // An unknown name is still what the next login offers.
        QCOMPARE(stored(), remembered);
    }

    void setUserNameAlwaysReplacesTheRememberedName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("taken");
        QTest::newRow("known") << "admin" << true;
        QTest::newRow("unknown") << "ghost" << false;
    }
    void setUserNameAlwaysReplacesTheRememberedName()
    {
        QFETCH(QString, name);
        QFETCH(bool, taken);
        remember(QStringLiteral("ana"));
        TUDbSelector selector(9, 0, 0, 0);
        QCOMPARE(selector.setUserName(name), taken);
        QCOMPARE(stored(), name);
        // A refused name leaves the user working before in place.
        QCOMPARE(selector.userName(), taken ? name : QStringLiteral("ana"));
    }

    void knownUserNeedsNoLogin()
    {
        remember(QStringLiteral("ana"));
        TUDbSelector selector(9, 0, 0, 0);
        QVERIFY(selector.login(false, false));
        QVERIFY(selector.login(false, true));
        QVERIFY(!selector.loginDialog());
    }

    void loginAsksUntilTheDialogCloses_data()
    {
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<bool>("force");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("pressOk");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("user");
        QTest::newRow("no user, cancelled") << "" << false << "" << false << false << "";
        QTest::newRow("no user, logs in") << "" << false << "admin" << true << true << "admin";
        QTest::newRow("unknown remembered, logs in") << "ghost" << false << "ana" << true << true << "ana";
        QTest::newRow("forced, cancelled") << "ana" << true << "" << false << false << "ana";
        QTest::newRow("forced, another user") << "ana" << true << "admin" << true << true << "admin";
    }
    void loginAsksUntilTheDialogCloses()
    {
        QFETCH(QString, remembered);
        QFETCH(bool, force);
        QFETCH(QString, typed);
        QFETCH(bool, pressOk);
        QFETCH(bool, accepted);
        QFETCH(QString, user);
        remember(remembered);
        TUDbSelector selector(9, 0, 0, 0);
        answerNextDialog(selector, typed, pressOk);
        QCOMPARE(selector.login(force, false), accepted);
        QVERIFY(m_dialogSeen);
        // The dialog offers the name last used, known or not.
        QCOMPARE(m_prefilled, remembered);
        QCOMPARE(selector.userName(), user);
        QVERIFY(selector.loginDialog());
        QVERIFY(!selector.loginDialog()->isVisible());
    }

    void loginDialogIsMadeOnceAndKept()
    {
        TUDbSelector selector(9, 0, 0, 0);
        answerNextDialog(selector, QString(), false);
        QVERIFY(!selector.login(false, false));
        TUDbUserDialog *first = selector.loginDialog();
        QVERIFY(first);
        m_dialogSeen = false;
        answerNextDialog(selector, QStringLiteral("ana"), true);
        QVERIFY(selector.login(true, true));
        QVERIFY(m_dialogSeen);
        QCOMPARE(selector.loginDialog(), first);
    }

private:
    // Answers the login dialog once the modal loop that shows it runs.
    void answerNextDialog(TUDbSelector &selector, const QString &typed, bool pressOk)
    {
        QMetaObject::invokeMethod(
            this,
            [this, &selector, typed, pressOk] {
                TUDbUserDialog *dialog = selector.loginDialog();
                if (!dialog || !dialog->isVisible())
                    return;
                m_dialogSeen = true;
                auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("userNameEdit"));
                auto *buttons = dialog->findChild<QDialogButtonBox *>();
                m_prefilled = edit ? edit->text() : QString();
                if (edit && !typed.isEmpty()) {
                    edit->selectAll();
                    QTest::keyClicks(edit, typed);
                }
                if (buttons)
                    buttons->button(pressOk ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
                // Never leave the login waiting, whatever went wrong above.
                if (dialog->isVisible())
                    dialog->reject();
            },
            Qt::QueuedConnection);
    }

    static void remember(const QString &name)
    {
        PR_Preference &prefs = PR_Preference::localPrefs();
        prefs.setStringValue(kName, name);
        QVERIFY(prefs.save());
    }
    // Read back from the file, so the value was saved and not only set.
    static QString stored()
    {
        return PR_Preference::createPreference(PR_Preference::localPrefs().path())->getStringValue(kName);
    }

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    bool m_dialogSeen = false;
    QString m_prefilled;
};

QTEST_MAIN(tst_DbSelector)
#include "tst_dbselector.moc"
