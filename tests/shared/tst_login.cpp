#include "DbTestFixture.h"
#include "PR_Preference.h"
#include "TUDbSelector.h"
#include "TUDbUserDialog.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
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

// The login dialog: what it shows, its modes, what OK does without a database,
// and what it remembers for the next login. (How start-up runs it, refusals,
// cancelling and logging in, is tst_startup_login's.)
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

    void showsTheApplication_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::newRow("picture installed") << true;
        QTest::newRow("picture missing") << false;
    }
    void showsTheApplication()
    {
        QFETCH(bool, installed);
        QTemporaryDir emptyData;
        if (!installed)
            qputenv("TALLYARD_DATA_DIR", emptyData.path().toUtf8());
        // The middle of the screen, wherever the parent is.
        TUDbSelector selector(9, 0, 0, 0);
        QWidget corner;
        corner.setGeometry(0, 0, 120, 90);
        corner.show();
        auto *dialog = new TUDbUserDialog(selector, QString(), false, &corner);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Tallyard"));
        QCOMPARE(!dialog->windowIcon().isNull(), installed);
        const QLabel *image = dialog->findChild<QLabel *>(QStringLiteral("applicationImage"));
        QCOMPARE(image != nullptr, installed);
        QVERIFY(!image || image->pixmap(Qt::ReturnByValue).size() == QSize(64, 64));
        dialog->open();
        const QPoint centre = dialog->frameGeometry().center();
        QVERIFY2((centre - QGuiApplication::primaryScreen()->availableGeometry().center()).manhattanLength() <= 1,
                 qPrintable(QStringLiteral("centre %1,%2").arg(centre.x()).arg(centre.y())));
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
    // Read back from the file, so the value was saved and not only set.
    static QVariant stored(const QString &key)
    {
        const auto saved = PR_Preference::createPreference(PR_Preference::localPrefs().path());
        return key == kLocal ? QVariant(saved->getBoolValue(key, false)) : QVariant(saved->getStringValue(key));
    }

    std::unique_ptr<DbTestFixture> m_fixture;
};

QTEST_MAIN(tst_Login)
#include "tst_login.moc"
