#include "DbTestFixture.h"
#include "RecordingSink.h"
#include "TUCreateEnv.h"
#include "TUCreateJob.h"
#include "TUEnvAssetDlg.h"
#include "TestWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

namespace {
template <typename T>
T *field(QWidget *dialog, const char *name)
{
    return dialog->findChild<T *>(QLatin1String(name));
}

// As a user does with the keyboard: from the top, down until the item shows.
void choose(QWidget *dialog, const char *combo, const QString &text)
{
    auto *box = field<QComboBox>(dialog, combo);
    QTest::keyClick(box, Qt::Key_Home);
    for (int i = 0; i < box->count() && box->currentText() != text; ++i)
        QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(box->currentText(), text);
}

QStringList comboItems(QWidget *dialog, const char *name)
{
    QStringList items;
    for (auto *combo = field<QComboBox>(dialog, name); items.size() < combo->count();)
        items << combo->itemText(items.size());
    return items;
}

// What the dialogs share: their title, closing for good, OK then Cancel in the
// bottom right-hand corner, and a name field that takes only what the name
// rule allows (left empty).
void checkFrame(QDialog *dialog, const QString &title)
{
    QCOMPARE(dialog->windowTitle(), title);
    QVERIFY(dialog->testAttribute(Qt::WA_DeleteOnClose));
    const QRect ok = withText(dialog, "OK")->geometry(), cancel = withText(dialog, "Cancel")->geometry();
    QVERIFY(ok.right() < cancel.left() && ok.bottom() == cancel.bottom());
    QCOMPARE(cancel.bottomRight(), dialog->rect().bottomRight() - QPoint(10, 10));
    if (auto *name = dialog->findChild<QLineEdit *>()) {
        for (const QString &typed : {QStringLiteral("-.ep 1/it's\"x"), QString(30, 'a')}) {
            QTest::keyClicks(name, typed);
            QCOMPARE(name->text(), typed.size() == 30 ? QString(24, 'a') : "ep1itsx");
            name->clear();
        }
    }
}
} // namespace

// The environment and job dialogs driven as a user would, against a fresh
// database each time, with the messages caught by a recording sink.
class tst_EnvJobDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_window = std::make_unique<QWidget>();
        m_fixture = std::make_unique<DbTestFixture>();
        m_db = m_fixture->open();
        QVERIFY2(m_db, qPrintable(m_fixture->errorString()));
        // Users of several types, added out of name order, and the environments.
        const std::pair<const char *, int> users[] = {
            {"zed", TUDbAccess::ANIMATOR}, {"bob", TUDbAccess::TD}, {"Amy", TUDbAccess::SCAN}, {"carl", TUDbAccess::COORDINATOR}};
        for (const auto &user : users)
            QCOMPARE(m_db->addUser(user.first, QString(), QString(), QString(), user.second), 0);
        QVERIFY(m_db->createEnv("Env", false) && m_db->createEnv("Forest", true));
    }
    void cleanup()
    {
        m_window.reset(); // and the dialogs it owns
        m_sink.clear();
        m_db.reset();
        m_fixture.reset();
    }

    // Creating an environment, and changing its asset lock: OK applies what the
    // box says and closes; a refusal leaves the dialog open as it was.
    void environmentDialogs_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<bool>("toggle"); // the asset rights box, from ticked
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<bool>("lock"); // the environment's lock after, for Forest when the lock dialog
        QTest::newRow("create, rights as offered") << "create" << "Meadow" << false << "OK" << "" << true;
        QTest::newRow("create, rights declined") << "create" << "Meadow" << true << "OK" << "" << false;
        QTest::newRow("create, already exists") << "create" << "Forest" << true << "OK" << "Could not create environment Forest" << true;
        QTest::newRow("lock cleared") << "lock" << "Forest" << true << "OK" << "" << false;
        QTest::newRow("lock kept") << "lock" << "Forest" << false << "OK" << "" << true;
        QTest::newRow("lock, cancelled") << "lock" << "Forest" << true << "Cancel" << "" << true;
        QTest::newRow("lock, unknown environment") << "lock" << "Ghost" << true << "OK"
                                                   << "Could not change scene asset lock of the environment Ghost" << true;
    }
    void environmentDialogs()
    {
        QFETCH(QString, dialog);
        QFETCH(QString, environment);
        QFETCH(bool, toggle);
        QFETCH(QString, button);
        QFETCH(QString, refusal);
        QDialog *shown = dialog == "lock" ? static_cast<QDialog *>(new TUEnvAssetDlg(m_window.get(), m_db.get(), environment, true))
                                          : new TUCreateEnv(m_window.get(), m_db.get());
        QSignalSpy finished(shown, &QDialog::finished);
        shown->open();
        checkFrame(shown, dialog == "lock" ? "Choose New Asset Lock" : "Create Environment");
        auto *lock = field<QCheckBox>(shown, "sceneAssetLock");
        QCOMPARE(lock->text(), dialog == "lock" ? "&Get rights to modify all scene assets." : "&Get rights to modify all scene assets");
        QVERIFY(lock->isChecked());
        if (dialog == "create")
            QTest::keyClicks(field<QLineEdit>(shown, "environmentName"), environment);
        if (toggle)
            QTest::keyClick(lock, Qt::Key_Space);
        press(shown, button);
        QCOMPARE(m_sink.lines(), refusal.isEmpty() ? QStringList() : QStringList{"E " + refusal});
        QCOMPARE(shown->isVisible(), !refusal.isEmpty());
        QCOMPARE(lock->isChecked(), !toggle);
        QCOMPARE(finished.size(), refusal.isEmpty() ? 1 : 0);
        QVERIFY(!refusal.isEmpty() || finished.at(0).at(0).toInt() == (button == "OK" ? QDialog::Accepted : QDialog::Rejected));
        QVERIFY(dialog == "lock" || field<QLineEdit>(shown, "environmentName")->text() == environment);
        int status = -1;
        QTEST(m_db->dba_GetEnvironmentSceneLock(dialog == "lock" ? "Forest" : environment, status), "lock");
        QCOMPARE(status, 0);
    }

    void jobDefaultsSelectTheirUsers_data()
    {
        QTest::addColumn<QString>("defaults"); // TD and ATD
        QTest::addColumn<int>("defaultPriority");
        QTest::addColumn<QString>("selected");
        QTest::newRow("both known") << "bob Amy" << 3 << "bob Amy";
        QTest::newRow("case differs") << "BOB amy" << 0 << "None None";
        QTest::newRow("unknown and empty") << "ghost " << 10 << "None None";
    }
    void jobDefaultsSelectTheirUsers()
    {
        QFETCH(QString, defaults);
        QFETCH(int, defaultPriority);
        // Every user may be TD or ATD: all are offered, in the service's order, after "None".
        QVector<dba_user_struct_type> users;
        QCOMPARE(m_db->dba_GetAllUsers(users), 6); // BATCH, admin and ours
        QStringList everyone{"None"};
        for (const dba_user_struct_type &user : qAsConst(users))
            everyone << user.name;
        TUCreateJob *dialog = makeJobDialog("Env", defaults.section(' ', 0, 0), defaults.section(' ', 1), defaultPriority);
        checkFrame(dialog, "Create Job");
        QCOMPARE(comboItems(dialog, "td"), everyone);
        QCOMPARE(comboItems(dialog, "atd"), everyone);
        QCOMPARE(comboItems(dialog, "approvals"), QStringList({"automatic", "manual"}));
        QCOMPARE(field<QComboBox>(dialog, "approvals")->currentIndex(), TUDbAccess::dba_default_approval_policy());
        QTEST(field<QComboBox>(dialog, "td")->currentText() + ' ' + field<QComboBox>(dialog, "atd")->currentText(), "selected");
        auto *slider = field<QSlider>(dialog, "priority");
        QCOMPARE(slider->value(), defaultPriority);
        QCOMPARE(field<QLabel>(dialog, "priorityValue")->text(), QString::number(defaultPriority));
        // 0, the highest priority, at the top beside "High"; 10 at the bottom beside "Low".
        QVERIFY(slider->invertedAppearance() && slider->orientation() == Qt::Vertical);
        QVERIFY(withText<QLabel>(dialog, "High")->geometry().bottom() <= slider->geometry().top());
    }

    // OK (or Return in the name field) creates the job and closes; Cancel,
    // Escape and the close box close without one; a refusal, or a key that
    // presses nothing, leaves the dialog open with the input as it was.
    void jobDialog_data()
    {
        QTest::addColumn<QString>("environment"); // null: none was selected
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("td");
        QTest::addColumn<QString>("atd");
        QTest::addColumn<QString>("settings"); // approvals and priority, chosen before the dialog ends
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("outcome"); // "created", "closed", or the refusal ("" for none) with the dialog open
        const QString both = "Please specify both TD and ATD name", noEnvironment = "Please select an environment";
        const QString m = "manual 10", created = "created", closed = "closed";
        QTest::newRow("OK") << "Env" << "ep102" << "Amy" << "bob" << m << "OK" << created;
        QTest::newRow("Return in the name field") << "Env" << "ep1" << "carl" << "carl" << "automatic 0" << "Return in name" << created;
        QTest::newRow("Cancel") << "Env" << "ep1" << "bob" << "Amy" << m << "Cancel" << closed;
        QTest::newRow("Escape") << "Env" << "ep1" << "bob" << "Amy" << m << "Escape" << closed;
        QTest::newRow("close box") << "Env" << "ep1" << "bob" << "Amy" << m << "close" << closed;
        QTest::newRow("no environment") << QString() << "j1" << "bob" << "Amy" << m << "OK" << noEnvironment;
        QTest::newRow("name before TD and ATD") << "Env" << "" << "None" << "None" << m << "OK" << "Please provide job name";
        QTest::newRow("ATD left at None") << "Env" << "j1" << "bob" << "None" << m << "OK" << both;
        QTest::newRow("TD left at None") << "Env" << "j1" << "None" << "Amy" << m << "OK" << both;
        QTest::newRow("empty environment is not a missing one")
            << "" << "j1" << "bob" << "Amy" << m << "OK" << "Could not create job j1 in environment .";
        QTest::newRow("unknown environment") << "Ghost" << "j1" << "bob" << "Amy" << m << "OK" << "Could not create job j1 in environment Ghost.";
        QTest::newRow("name taken in another environment")
            << "Env" << "Dup" << "bob" << "Amy" << m << "OK" << "Job Dup already exists,\npossibly in another environment.";
        QTest::newRow("Return in an empty name field") << "Env" << "" << "bob" << "Amy" << m << "Return in name" << "";
        QTest::newRow("Return on the dialog presses nothing") << "Env" << "ep1" << "bob" << "Amy" << m << "Return" << "";
    }
    void jobDialog()
    {
        QFETCH(QString, environment);
        QFETCH(QString, name);
        QFETCH(QString, td);
        QFETCH(QString, atd);
        QFETCH(QString, settings);
        QFETCH(QString, how);
        QFETCH(QString, outcome);
        dba_job_struct existing;
        existing.name = "Dup";
        existing.environment = "Forest";
        QVERIFY(m_db->dba_createJob(existing) != -1);
        QPointer<TUCreateJob> dialog = makeJobDialog(environment);
        QStringList signalsSeen;
        connect(dialog, &TUCreateJob::jobCreated, this, [&] { signalsSeen << "created"; });
        connect(dialog, &TUCreateJob::jobCreateDlgClosing, this, [&] { signalsSeen << "closing"; });
        QSignalSpy finished(dialog.data(), &QDialog::finished);
        QTest::keyClicks(field<QLineEdit>(dialog, "jobName"), name);
        choose(dialog, "td", td);
        choose(dialog, "atd", atd);
        const QString approvals = settings.section(' ', 0, 0);
        const int priority = settings.section(' ', 1).toInt();
        choose(dialog, "approvals", approvals);
        QTest::keyClick(field<QSlider>(dialog, "priority"), priority ? Qt::Key_End : Qt::Key_Home);
        QCOMPARE(field<QLabel>(dialog, "priorityValue")->text(), QString::number(priority));
        if (how == "OK" || how == "Cancel")
            press(dialog, how);
        else if (how == "Escape")
            QTest::keyClick(dialog, Qt::Key_Escape);
        else if (how == "close")
            dialog->close();
        else
            QTest::keyClick(how == "Return" ? static_cast<QWidget *>(dialog) : field<QLineEdit>(dialog, "jobName"), Qt::Key_Return);

        const bool wasCreated = outcome == "created", open = !wasCreated && outcome != "closed";
        QCOMPARE(m_sink.lines(), open && !outcome.isEmpty() ? QStringList{"E " + outcome} : QStringList());
        dba_job_struct job;
        QCOMPARE(m_db->dba_OpenJob(name, job), wasCreated || name == "Dup" ? 0 : -1);
        if (open) {
            QVERIFY(dialog->isVisible());
            QCOMPARE(signalsSeen, QStringList());
            QCOMPARE(field<QLineEdit>(dialog, "jobName")->text(), name);
            QCOMPARE(field<QComboBox>(dialog, "td")->currentText() + ' ' + field<QComboBox>(dialog, "atd")->currentText(), td + ' ' + atd);
            const QString priorityText = QString::number(field<QSlider>(dialog, "priority")->value());
            QCOMPARE(field<QComboBox>(dialog, "approvals")->currentText() + ' ' + priorityText, settings);
            return;
        }
        // Exactly once: Return does not press OK as a default button as well.
        QCOMPARE(signalsSeen, wasCreated ? QStringList({"created", "closing"}) : QStringList{"closing"});
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(wasCreated ? QDialog::Accepted : QDialog::Rejected));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(dialog.isNull());
        if (!wasCreated)
            return;
        QCOMPARE(QStringList({job.environment, job.td, job.atd}), QStringList({"Env", td, atd}));
        QCOMPARE(job.priority, priority);
        QCOMPARE(job.manualApproval, approvals == "manual");
        // Created with its folders, as every job the program creates.
        QVERIFY(QFileInfo(m_fixture->root() + "/jobs/" + name + "/library").isDir());
    }

private:
    // Shown as the main window shows it: modal, but not blocking in exec().
    TUCreateJob *makeJobDialog(const QString &environment = "Env", const QString &td = {}, const QString &atd = {}, int priority = 5)
    {
        auto *dialog = new TUCreateJob(m_window.get(), m_db.get(), environment, td, atd, priority);
        dialog->setModal(true);
        dialog->show();
        return dialog;
    }

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    RecordingSink m_sink;
    std::unique_ptr<QWidget> m_window; // the dialogs' parent, as the main window is
};

QTEST_MAIN(tst_EnvJobDialogs)
#include "tst_envjobdialogs.moc"
