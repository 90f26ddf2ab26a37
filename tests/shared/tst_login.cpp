#include "../e2e/ProgramRun.h"
#include "DbTestFixture.h"
#include "PR_Preference.h"
#include "TUDbSelector.h"
#include "TUDbUserDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kName = QStringLiteral("LAST_LOGIN_NAME");
const QString kLocal = QStringLiteral("LAST_LOGIN_WAS_LOCAL");

// The widgets a user works with, found as a test would see them.
struct Controls {
    explicit Controls(const TUDbUserDialog &dialog)
        : edit(dialog.findChild<QLineEdit *>("userNameEdit"))
        , connect(dialog.findChild<QRadioButton *>("connectButton"))
        , offline(dialog.findChild<QRadioButton *>("offlineButton"))
        , ok(dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok))
        , cancel(dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel))
    {
    }
    QLineEdit *edit;
    QRadioButton *connect, *offline;
    QPushButton *ok, *cancel;
};
} // namespace

// Who a window run works as: the user remembered on this machine, the
// "-user" option, or whoever logs in; a cancelled login ends the run quietly.
// And the login dialog itself: what it shows, its modes, what OK does
// without a database, and what it remembers for the next login.
class tst_Login : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_fixture = std::make_unique<DbTestFixture>();
        QVERIFY2(m_fixture->initialize(), qPrintable(m_fixture->errorString()));
        remember(QString(), false);
    }
    void cleanup()
    {
        qunsetenv("TALLYARD_DATA_DIR");
        m_fixture.reset();
    }

    void windowRunUser_data()
    {
        QTest::addColumn<QString>("remembered");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<bool>("legacyStatus");
        QTest::addColumn<QStringList>("seen"); // what the hand saw, in order
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("rememberedAfter");
        const QString login = "login dialog:  (no OK) dark", window = "window: env= job= scene= open=/ dark=1";
        const QString error = "box: The following error occurred: ", refused = error + "Unknown or Unauthorized Corvane user: ghost.";
        const QString again = "login dialog: ghost (selected) (no OK) dark";
        const QStringList none;
        QTest::newRow("remembered user") << "admin" << none << "" << false << QStringList{window} << 0 << "admin";
        QTest::newRow("user option") << "" << QStringList{"-user", "admin"} << "" << false << QStringList{window} << 0 << "admin";
        QTest::newRow("no user remembered, logs in") << "" << none << "name:admin" << false << QStringList{login, window} << 0 << "admin";
        QTest::newRow("unknown remembered, logs in") << "ghost" << none << "name:admin" << false
                                                     << QStringList{again, window} << 0 << "admin";
        QTest::newRow("cancelled") << "" << none << "cancel:admin" << false << QStringList{login} << 0 << "";
        QTest::newRow("cancelled, legacy status") << "" << none << "cancel:" << true << QStringList{login} << 0 << "";
        QTest::newRow("refused, then cancelled") << "" << none << "name:ghost,cancel:" << false << QStringList{login, refused, again} << 0 << "";
        QTest::newRow("refused, then another name") << "" << none << "name:ghost,name:admin" << false
                                                    << QStringList{login, refused, again, window} << 0 << "admin";
        QTest::newRow("offline is no database user")
            << "" << none << "offline:nobody" << false
            << QStringList{login, error + "Invalid user name, use the \"-user valid_user_name\" option."} << 1 << "nobody";
    }
    void windowRunUser()
    {
        QFETCH(QString, remembered);
        QFETCH(QStringList, arguments);
        QFETCH(QString, answers);
        QFETCH(bool, legacyStatus);
        QFETCH(QStringList, seen);
        remember(remembered, false);

        QProcessEnvironment env;
        env.insert("TALLYARD_DB", m_fixture->url().toString());
        env.insert("STARTUP_ANSWERS", answers);
        if (legacyStatus)
            env.insert("KS_OLD_RETURN_CODE", "1");
        const ProgramRun run(WINDOW_DRIVER, arguments, env);
        QStringList notes;
        for (const QString &line : run.err.split('\n')) {
            if (line.startsWith("login dialog: ") || line.startsWith("window: ") || line.startsWith("box: "))
                notes << line;
        }
        QVERIFY2(notes == seen, qPrintable(run.err));
        QTEST(run.status, "status");
        QTEST(stored(kName).toString(), "rememberedAfter");
    }
    // The application's picture and title, in the middle of the screen wherever
    // the parent is; without the picture installed, the dialog still shows.
    void showsTheApplication()
    {
        TUDbSelector selector(9, 0, 0, 0);
        QWidget corner;
        corner.setGeometry(0, 0, 120, 90);
        corner.show();
        auto *dialog = new TUDbUserDialog(selector, QString(), false, &corner);
        QCOMPARE(dialog->windowTitle(), "Tallyard");
        QVERIFY(!dialog->windowIcon().isNull());
        QCOMPARE(dialog->findChild<QLabel *>("applicationImage")->pixmap(Qt::ReturnByValue).size(), QSize(64, 64));
        dialog->open();
        QVERIFY((dialog->frameGeometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center()).manhattanLength() <= 1);
        QTemporaryDir emptyData;
        qputenv("TALLYARD_DATA_DIR", emptyData.path().toUtf8());
        const TUDbUserDialog bare(selector, QString(), false, nullptr);
        QVERIFY(bare.windowIcon().isNull() && !bare.findChild<QLabel *>("applicationImage"));
    }

    // The mode last used, when offline is allowed; then each click on a mode
    // switches the other off, and is remembered.
    void modes_data()
    {
        QTest::addColumn<bool>("wasLocal");
        QTest::addColumn<bool>("offlineAllowed");
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<bool>("offline");
        QTest::newRow("connected before") << false << true << "" << false;
        QTest::newRow("connected before, offline not allowed") << false << false << "" << false;
        QTest::newRow("offline before, offline not allowed") << true << false << "" << false;
        QTest::newRow("offline before") << true << true << "" << true;
        QTest::newRow("work offline") << false << false << "offline" << true;
        QTest::newRow("and back") << true << false << "offline connect" << false;
        QTest::newRow("connect clicked off") << false << false << "connect" << true;
        QTest::newRow("offline clicked off") << true << false << "offline offline" << false;
    }
    void modes()
    {
        QFETCH(bool, wasLocal);
        QFETCH(bool, offlineAllowed);
        QFETCH(QString, clicks);
        QFETCH(bool, offline);
        remember(QStringLiteral("ana"), wasLocal);
        TUDbSelector selector(9, 0, 0, 0);
        TUDbUserDialog dialog(selector, QStringLiteral("ana"), offlineAllowed, nullptr);
        const Controls c(dialog);
        dialog.open();
        QCOMPARE(c.edit->text(), QStringLiteral("ana"));
        QVERIFY(!c.ok->isEnabled() && c.cancel->isEnabled());
        QVERIFY((wasLocal && offlineAllowed) || dialog.focusWidget() == c.edit);
        for (const QString &click : clicks.split(' ', Qt::SkipEmptyParts))
            (click == QLatin1String("offline") ? c.offline : c.connect)->click();
        QCOMPARE(dialog.isOffline(), offline);
        QCOMPARE(c.offline->isChecked(), offline);
        QCOMPARE(c.connect->isChecked(), !offline);
        QCOMPARE(c.edit->isEnabled(), !offline);
        // Offline any name does; connected, one has to be typed first.
        QCOMPARE(c.ok->isEnabled(), offline && !clicks.isEmpty());
        QCOMPARE(stored(kLocal).toBool(), clicks.isEmpty() ? wasLocal : offline);
    }

    // With no database to check it against, the name is taken, connected.
    void withoutDatabaseTheNameIsTaken()
    {
        remember(QStringLiteral("earlier"), true);
        qputenv("TALLYARD_DB", ("sqlite://" + m_fixture->scratch() + "/nowhere").toUtf8());
        TUDbSelector selector(9, 0, 0, 0);
        QVERIFY(!selector.dbOpened());
        TUDbUserDialog dialog(selector, QStringLiteral("earlier"), false, nullptr);
        const Controls c(dialog);
        dialog.open();
        c.edit->selectAll();
        QTest::keyClicks(c.edit, QStringLiteral("someone"));
        c.ok->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isOffline() && c.edit->isEnabled());
        QCOMPARE(stored(kName).toString(), QStringLiteral("someone"));
        QCOMPARE(stored(kLocal).toBool(), false);
        QVERIFY(selector.userName().isEmpty());
    }

private:
    static void remember(const QString &name, bool wasLocal)
    {
        PR_Preference &prefs = PR_Preference::localPrefs();
        prefs.setStringValue(kName, name);
        prefs.setBoolValue(kLocal, wasLocal);
        QVERIFY(prefs.save());
    }
    // Read from the file's own text, so the value was saved and not only set:
    // a second settings object in this process would see unsaved values
    // through Qt's shared cache.
    static QVariant stored(const QString &key)
    {
        QFile file(PR_Preference::localPrefs().path());
        QString value;
        if (file.open(QIODevice::ReadOnly)) {
            for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
                if (line.startsWith(key + QLatin1Char('=')))
                    value = line.mid(key.size() + 1);
            }
        }
        return key == kLocal ? QVariant(value == QLatin1String("true")) : QVariant(value);
    }

    std::unique_ptr<DbTestFixture> m_fixture;
};

QTEST_MAIN(tst_Login)

#include "tst_login.moc"
