#include "DbTestFixture.h"
#include "PR_Preference.h"
#include "TUDbSelector.h"
#include "TUDbUserDialog.h"
#include "TUMessage.h"

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

// Keeps what reaches the process-wide sink instead of showing it.
struct RecordingSink : TUMessage {
    RecordingSink() : TUMessage(QStringLiteral("tst_login"), false) {}
    QStringList lines;
    void writeMessage(char type, const QString &text, const QString &, bool) override
    {
        lines << QString(QLatin1Char(type)) + ' ' + text;
    }
};

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

// The login dialog: what it shows, what OK does connected, offline and
// without a database, and what it remembers for the next login. (How start-up
// runs it is tst_startup_login's.)
class tst_Login : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TUMessage::setInstance(&m_sink); }
    void cleanupTestCase() { TUMessage::releaseInstance(); }
    void init()
    {
        m_fixture = std::make_unique<DbTestFixture>();
        QVERIFY2(m_fixture->initialize(), qPrintable(m_fixture->errorString()));
        remember(QString(), false);
        m_sink.lines.clear();
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

    void refusedNameKeepsTheDialogOpen()
    {
        remember(QStringLiteral("earlier"), false);
        TUDbSelector selector(9, 0, 0, 0);
        TUDbUserDialog dialog(selector, QStringLiteral("earlier"), false, nullptr);
        const Controls c(dialog);
        dialog.open();
        c.edit->selectAll();
        QTest::keyClicks(c.edit, QStringLiteral("ghost"));
        QVERIFY(c.ok->isEnabled()); // typing is what enables it
        c.ok->click();
        QVERIFY(dialog.isVisible());
        QCOMPARE(m_sink.lines, QStringList{QStringLiteral("E Unknown or Unauthorized Corvane user: ghost.")});
        QCOMPARE(c.edit->selectedText(), QStringLiteral("ghost"));
        QVERIFY(!c.ok->isEnabled());
        QCOMPARE(stored(kName).toString(), QStringLiteral("earlier"));

        // Typing over the selection is the change that allows another try.
        QTest::keyClicks(c.edit, QStringLiteral("admin"));
        c.ok->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(selector.userName(), QStringLiteral("admin"));
        QCOMPARE(stored(kName).toString(), QStringLiteral("admin"));
    }

    // The other ways a login ends: offline (any name), without a database (the
    // name is taken unchecked, connected), and cancelled (nothing changes).
    void otherEndings_data()
    {
        QTest::addColumn<bool>("wasLocal");
        QTest::addColumn<bool>("database");
        QTest::addColumn<QString>("clicks");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("storedName");
        QTest::addColumn<bool>("storedLocal");
        QTest::newRow("offline") << false << true << "offline ok" << true << "typed" << true;
        QTest::newRow("no database") << true << false << "ok" << true << "typed" << false;
        QTest::newRow("cancelled") << false << true << "cancel" << false << "earlier" << false;
    }
    void otherEndings()
    {
        QFETCH(bool, wasLocal);
        QFETCH(QString, clicks);
        QFETCH(bool, accepted);
        remember(QStringLiteral("earlier"), wasLocal);
        QFETCH(bool, database);
        if (!database)
            qputenv("TALLYARD_DB", ("sqlite://" + m_fixture->scratch() + "/nowhere").toUtf8());
        TUDbSelector selector(9, 0, 0, 0);
        QCOMPARE(selector.dbOpened(), database);
        TUDbUserDialog dialog(selector, QStringLiteral("earlier"), false, nullptr);
        const Controls c(dialog);
        dialog.open();
        c.edit->selectAll();
        QTest::keyClicks(c.edit, QStringLiteral("typed"));
        for (const QString &click : clicks.split(' '))
            (click == "offline" ? static_cast<QAbstractButton *>(c.offline) : click == "ok" ? c.ok : c.cancel)->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(accepted ? QDialog::Accepted : QDialog::Rejected));
        QTEST(stored(kName).toString(), "storedName");
        QTEST(stored(kLocal).toBool(), "storedLocal");
        QCOMPARE(dialog.isOffline(), clicks.startsWith("offline"));
        QCOMPARE(c.edit->isEnabled(), !dialog.isOffline());
        QVERIFY(selector.userName().isEmpty());
        QVERIFY(m_sink.lines.isEmpty());
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

    RecordingSink m_sink;
    std::unique_ptr<DbTestFixture> m_fixture;
};

QTEST_MAIN(tst_Login)
#include "tst_login.moc"
