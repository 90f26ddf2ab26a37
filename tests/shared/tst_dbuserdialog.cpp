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
class RecordingSink : public TUMessage
{
public:
    RecordingSink()
        : TUMessage(QStringLiteral("tst_dbuserdialog"), false)
    {
    }
    QStringList lines;

protected:
    void writeMessage(char type, const QString &text, const QString &, bool) override
    {
        lines << QString(QLatin1Char(type)) + QLatin1Char(' ') + text;
    }
};

// The widgets a user works with, found as a test would see them.
struct Controls {
    explicit Controls(const TUDbUserDialog &dialog)
        : edit(dialog.findChild<QLineEdit *>(QStringLiteral("userNameEdit")))
        , connect(dialog.findChild<QRadioButton *>(QStringLiteral("connectButton")))
        , offline(dialog.findChild<QRadioButton *>(QStringLiteral("offlineButton")))
    {
        if (auto *box = dialog.findChild<QDialogButtonBox *>()) {
            ok = box->button(QDialogButtonBox::Ok);
            cancel = box->button(QDialogButtonBox::Cancel);
        }
    }
    bool complete() const { return edit && connect && offline && ok && cancel; }

    QLineEdit *edit;
    QRadioButton *connect;
    QRadioButton *offline;
    QPushButton *ok = nullptr;
    QPushButton *cancel = nullptr;
};
} // namespace

// The login dialog: what it shows, what OK does connected, offline and
// without a database, and what it remembers for the next login.
class tst_DbUserDialog : public QObject
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
        // A dialog would centre itself over its parent; this one goes to the
        // middle of the screen wherever the parent is.
        TUDbSelector selector(9, 0, 0, 0);
        QWidget corner;
        corner.setGeometry(0, 0, 120, 90);
        corner.show();
        auto *dialog = new TUDbUserDialog(selector, QString(), false, &corner);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Tallyard"));
        QCOMPARE(!dialog->windowIcon().isNull(), installed);
        const QLabel *image = dialog->findChild<QLabel *>(QStringLiteral("applicationImage"));
        QCOMPARE(image != nullptr, installed);
        if (image)
            QCOMPARE(image->pixmap(Qt::ReturnByValue).size(), QSize(64, 64));

        dialog->open();
        QVERIFY(dialog->isVisible());
        const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
        const QPoint centre = dialog->frameGeometry().center();
        QVERIFY2((centre - screenCentre).manhattanLength() <= 1,
                 qPrintable(QStringLiteral("centre %1,%2").arg(centre.x()).arg(centre.y())));
    }

    void startsInTheModeLastUsed_data()
    {
        QTest::addColumn<bool>("wasLocal");
        QTest::addColumn<bool>("offlineAllowed");
        QTest::addColumn<bool>("offline");
        QTest::newRow("connected before") << false << true << false;
        QTest::newRow("connected before, offline not allowed") << false << false << false;
        QTest::newRow("offline before, offline not allowed") << true << false << false;
        QTest::newRow("offline before") << true << true << true;
    }
    void startsInTheModeLastUsed()
    {
        QFETCH(bool, wasLocal);
        QFETCH(bool, offlineAllowed);
        QFETCH(bool, offline);
        remember(QStringLiteral("ana"), wasLocal);
        TUDbSelector selector(9, 0, 0, 0);
        TUDbUserDialog dialog(selector, QStringLiteral("ana"), offlineAllowed, nullptr);
        const Controls c(dialog);
        QVERIFY(c.complete());
        dialog.open();
        QCOMPARE(dialog.isOffline(), offline);
        QCOMPARE(c.edit->text(), QStringLiteral("ana"));
        QCOMPARE(c.connect->isChecked(), !offline);
        QCOMPARE(c.offline->isChecked(), offline);
        QCOMPARE(c.edit->isEnabled(), !offline);
        QVERIFY(!c.ok->isEnabled());
        QVERIFY(c.cancel->isEnabled());
        if (!offline)
            QCOMPARE(dialog.focusWidget(), c.edit);
    }

    void okWaitsForTyping()
    {
        TUDbSelector selector(9, 0, 0, 0);
        TUDbUserDialog dialog(selector, QString(), false, nullptr);
        const Controls c(dialog);
        QVERIFY(c.complete());
        dialog.open();
        QVERIFY(!c.ok->isEnabled());
        QTest::keyClicks(c.edit, QStringLiteral("a"));
        QVERIFY(c.ok->isEnabled());
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void refusedNameKeepsTheDialogOpen()
    {
        remember(QStringLiteral("earlier"), false);
        TUDbSelector selector(9, 0, 0, 0);
        TUDbUserDialog dialog(selector, QStringLiteral("earlier"), false, nullptr);
        const Controls c(dialog);
        QVERIFY(c.complete());
        dialog.open();
        c.edit->selectAll();
        QTest::keyClicks(c.edit, QStringLiteral("ghost"));
        c.ok->click();

        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(m_sink.lines, QStringList{QStringLiteral("E Unknown or Unauthorized Corvane user: ghost.")});
        QCOMPARE(c.edit->selectedText(), QStringLiteral("ghost"));
        QVERIFY(!c.ok->isEnabled());
        QVERIFY(selector.userName().isEmpty());
        QCOMPARE(stored(kName).toString(), QStringLiteral("earlier"));

        // Typing over the selection is the change that allows another try.
        QTest::keyClicks(c.edit, QStringLiteral("admin"));
        QCOMPARE(c.edit->text(), QStringLiteral("admin"));
        QVERIFY(c.ok->isEnabled());
        c.ok->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(selector.userName(), QStringLiteral("admin"));
        QCOMPARE(stored(kName).toString(), QStringLiteral("admin"));
        QCOMPARE(m_sink.lines.size(), 1);
    }

    void modeTogglesAreRemembered_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<bool>("offline");
        QTest::newRow("work offline") << QStringList{"offline"} << true;
        QTest::newRow("and back") << QStringList{"offline", "connect"} << false;
        QTest::newRow("connect clicked off") << QStringList{"connect"} << true;
        QTest::newRow("offline clicked off") << QStringList{"offline", "offline"} << false;
    }
    void modeTogglesAreRemembered()
    {
        QFETCH(QStringList, clicks);
        QFETCH(bool, offline);
        remember(QString(), !offline);
        TUDbSelector selector(9, 0, 0, 0);
        TUDbUserDialog dialog(selector, QString(), false, nullptr);
        const Controls c(dialog);
        QVERIFY(c.complete());
        dialog.open();
        for (const QString &click : clicks)
            (click == QLatin1String("offline") ? c.offline : c.connect)->click();
        QCOMPARE(dialog.isOffline(), offline);
        QCOMPARE(c.offline->isChecked(), offline);
        QCOMPARE(c.connect->isChecked(), !offline);
        QCOMPARE(c.edit->isEnabled(), !offline);
        // Offline any name does; connected, one has to be typed first.
        QCOMPARE(c.ok->isEnabled(), offline);
        QCOMPARE(stored(kLocal).toBool(), offline);
        QVERIFY(dialog.isVisible());
    }

    void offlineLoginIsRememberedForTheNextOne()
    {
        TUDbSelector selector(9, 0, 0, 0);
        {
            TUDbUserDialog dialog(selector, QString(), true, nullptr);
            const Controls c(dialog);
            QVERIFY(c.complete());
            dialog.open();
            QTest::keyClicks(c.edit, QStringLiteral("nobody"));
            c.offline->click();
            c.ok->click();
            QVERIFY(!dialog.isVisible());
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QCOMPARE(stored(kName).toString(), QStringLiteral("nobody"));
        QCOMPARE(stored(kLocal).toBool(), true);
        QVERIFY(selector.userName().isEmpty());
        QVERIFY(m_sink.lines.isEmpty());

        TUDbSelector next(9, 0, 0, 0);
        TUDbUserDialog dialog(next, stored(kName).toString(), true, nullptr);
        const Controls c(dialog);
        dialog.open();
        QCOMPARE(c.edit->text(), QStringLiteral("nobody"));
        QVERIFY(c.offline->isChecked());
        QVERIFY(!c.connect->isChecked());
        QVERIFY(!c.edit->isEnabled());
    }

    void withoutDatabaseTheNameIsTaken()
    {
        remember(QString(), true);
        qputenv("TALLYARD_DB", ("sqlite://" + m_fixture->scratch() + "/nowhere").toUtf8());
        TUDbSelector selector(9, 0, 0, 0);
        QVERIFY(!selector.dbOpened());
        TUDbUserDialog dialog(selector, QString(), false, nullptr);
        const Controls c(dialog);
        QVERIFY(c.complete());
        dialog.open();
        QTest::keyClicks(c.edit, QStringLiteral("someone"));
        c.ok->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(!dialog.isOffline());
        QVERIFY(c.edit->isEnabled());
        QVERIFY(c.ok->isEnabled());
        QCOMPARE(stored(kName).toString(), QStringLiteral("someone"));
        QCOMPARE(stored(kLocal).toBool(), false);
        QVERIFY(selector.userName().isEmpty());
        QVERIFY(m_sink.lines.isEmpty());
    }

    void cancelChangesNothing()
    {
        remember(QStringLiteral("earlier"), false);
        TUDbSelector selector(9, 0, 0, 0);
        TUDbUserDialog dialog(selector, QStringLiteral("earlier"), false, nullptr);
        const Controls c(dialog);
        QVERIFY(c.complete());
        dialog.open();
        c.edit->selectAll();
        QTest::keyClicks(c.edit, QStringLiteral("admin"));
        c.cancel->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(selector.userName().isEmpty());
        QCOMPARE(stored(kName).toString(), QStringLiteral("earlier"));
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
        const std::unique_ptr<PR_Preference> saved = PR_Preference::createPreference(PR_Preference::localPrefs().path());
        if (key == kLocal)
            return saved->getBoolValue(key, false);
        return saved->getStringValue(key);
    }

    RecordingSink m_sink;
    std::unique_ptr<DbTestFixture> m_fixture;
};

QTEST_MAIN(tst_DbUserDialog)
#include "tst_dbuserdialog.moc"
