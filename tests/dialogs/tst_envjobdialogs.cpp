#include "DbTestFixture.h"
#include "TUCreateEnv.h"
#include "TUCreateJob.h"
#include "TUEnvAssetDlg.h"
#include "TUMessage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

namespace {
// Keeps what the dialogs report instead of showing it.
class RecordingSink : public TUMessage
{
public:
    RecordingSink() : TUMessage(QStringLiteral("tallyard"), false) {}
    QStringList texts;
    QString types;

protected:
    void writeMessage(char type, const QString &text, const QString &, bool) override
    {
        texts << text;
        types += QLatin1Char(type);
    }
};

const QString kNone = QStringLiteral("None");

template <typename T>
T *field(QWidget *dialog, const char *name)
{
    return dialog->findChild<T *>(QLatin1String(name));
}

// The button or label showing text.
template <typename T = QPushButton>
T *withText(QWidget *dialog, const QString &text)
{
    const QList<T *> widgets = dialog->findChildren<T *>();
    for (T *candidate : widgets) {
        if (candidate->text() == text)
            return candidate;
    }
    return nullptr;
}

// As a user does with the keyboard: from the top, down until the item shows.
void choose(QComboBox *combo, const QString &text)
{
    QTest::keyClick(combo, Qt::Key_Home);
    for (int i = 0; i < combo->count() && combo->currentText() != text; ++i)
        QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->currentText(), text);
}

void replaceText(QLineEdit *edit, const QString &text)
{
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

QStringList comboItems(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

void clickOk(QDialog *dialog)
{
    QTest::mouseClick(withText(dialog, "OK"), Qt::LeftButton);
}

// Types the name and picks the TD and ATD of a job dialog.
void fillJob(QDialog *dialog, const QString &name, const QString &td, const QString &atd)
{
    QTest::keyClicks(field<QLineEdit>(dialog, "jobName"), name);
    choose(field<QComboBox>(dialog, "td"), td);
    choose(field<QComboBox>(dialog, "atd"), atd);
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
        m_fixture = std::make_unique<DbTestFixture>();
        m_db = m_fixture->open();
        QVERIFY2(m_db, qPrintable(m_fixture->errorString()));
        TUMessage::setInstance(&m_sink);
    }
    void cleanup()
    {
        for (const QPointer<QDialog> &dialog : qAsConst(m_dialogs))
            delete dialog.data();
        m_dialogs.clear();
        TUMessage::releaseInstance();
        m_sink.texts.clear();
        m_sink.types.clear();
        m_db.reset();
        m_fixture.reset();
    }

    void dialogsShareTheirFrame_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("checkBox");
        QTest::newRow("create environment") << "environment" << "Create Environment"
                                            << "&Get rights to modify all scene assets";
        QTest::newRow("create job") << "job" << "Create Job" << QString();
        QTest::newRow("asset lock") << "asset" << "Choose New Asset Lock" << "&Get rights to modify all scene assets.";
    }
    void dialogsShareTheirFrame()
    {
        QFETCH(QString, kind);
        QFETCH(QString, title);
        QFETCH(QString, checkBox);
        QDialog *dialog = kind == "job" ? makeJobDialog()
            : kind == "asset"           ? static_cast<QDialog *>(track(new TUEnvAssetDlg(nullptr, m_db.get(), "Forest", true)))
                                        : track(new TUCreateEnv(nullptr, m_db.get()));
        dialog->show();
        QCOMPARE(dialog->windowTitle(), title);
        QVERIFY(dialog->testAttribute(Qt::WA_DeleteOnClose));
        if (!checkBox.isNull())
            QCOMPARE(dialog->findChild<QCheckBox *>()->text(), checkBox);

        // OK then Cancel at their natural widths, in the bottom right-hand corner.
        QPushButton *okButton = withText(dialog, "OK"), *cancelButton = withText(dialog, "Cancel");
        const QRect ok = okButton->geometry(), cancel = cancelButton->geometry();
        QCOMPARE(ok.width(), okButton->sizeHint().width());
        QCOMPARE(cancel.width(), cancelButton->sizeHint().width());
        QVERIFY(ok.right() < cancel.left());
        QCOMPARE(cancel.right(), dialog->rect().right() - 10);
        QCOMPARE(cancel.bottom(), dialog->rect().bottom() - 10);
        QCOMPARE(ok.bottom(), cancel.bottom());

        // A name field takes only what the name rule allows.
        const std::pair<QString, QString> typedAndShown[] = {
            {"-.ep 1/it's\"x", "ep1itsx"}, {QString(30, 'a'), QString(24, 'a')}, {"ep_1-b.2", "ep_1-b.2"}};
        if (auto *name = dialog->findChild<QLineEdit *>()) {
            for (const auto &c : typedAndShown) {
                name->clear();
                QTest::keyClicks(name, c.first);
                QCOMPARE(name->text(), c.second);
            }
        }
    }

    // --- TUCreateEnv

    void createEnvironment_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("refused");
        QTest::newRow("new name, asset rights as offered") << "Meadow" << false;
        QTest::newRow("already exists") << "Forest" << true;
        QTest::newRow("empty name reaches the database") << "" << true;
    }
    void createEnvironment()
    {
        QFETCH(QString, name);
        QFETCH(bool, refused);
        QVERIFY(m_db->createEnv("Forest", true));
        auto *dialog = track(new TUCreateEnv(nullptr, m_db.get()));
        QSignalSpy finished(dialog, &QDialog::finished);
        dialog->open();
        auto *nameEdit = field<QLineEdit>(dialog, "environmentName");
        auto *lock = field<QCheckBox>(dialog, "sceneAssetLock");
        QTest::keyClicks(nameEdit, name);
        int status = -1;
        if (refused) {
            // The rights declined, refused: the input stays for a corrected try.
            QTest::keyClick(lock, Qt::Key_Space);
            clickOk(dialog);
            QCOMPARE(m_sink.texts, QStringList{"Could not create environment " + name});
            QCOMPARE(m_sink.types, "E");
            QVERIFY(dialog->isVisible());
            QCOMPARE(finished.count(), 0);
            QCOMPARE(nameEdit->text(), name);
            QVERIFY(!lock->isChecked());
            QVERIFY(m_db->dba_GetEnvironmentSceneLock("Forest", status)); // untouched
            m_sink.texts.clear();
            replaceText(nameEdit, "Meadow");
        }
        clickOk(dialog);
        QCOMPARE(m_sink.texts, QStringList());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
        QVERIFY(!dialog->isVisible());
        QStringList names;
        QCOMPARE(m_db->dba_GetEnvironments(names), 2);
        QVERIFY(names.contains("Meadow"));
        QCOMPARE(m_db->dba_GetEnvironmentSceneLock("Meadow", status), !refused);
        QCOMPARE(status, 0);
    }

    // --- TUCreateJob

    void jobDefaultsSelectTheirUsers_data()
    {
        QTest::addColumn<QString>("defaultTd");
        QTest::addColumn<QString>("defaultAtd");
        QTest::addColumn<int>("defaultPriority");
        QTest::addColumn<QString>("td");
        QTest::addColumn<QString>("atd");
        QTest::newRow("both known") << "bob" << "Amy" << 3 << "bob" << "Amy";
        QTest::newRow("case differs") << "BOB" << "amy" << 0 << kNone << kNone;
        QTest::newRow("unknown and empty") << "ghost" << "" << 10 << kNone << kNone;
    }
    void jobDefaultsSelectTheirUsers()
    {
        QFETCH(QString, defaultTd);
        QFETCH(QString, defaultAtd);
        QFETCH(int, defaultPriority);
        QFETCH(QString, td);
        QFETCH(QString, atd);
        addUsers();
        // Every user may be TD or ATD: all are offered, in the service's order, after "None".
        QVector<dba_user_struct_type> users;
        QCOMPARE(m_db->dba_GetAllUsers(users), 6); // BATCH, admin and ours
        QStringList everyone{kNone};
        for (const dba_user_struct_type &user : qAsConst(users))
            everyone << user.name;
        TUCreateJob *dialog = makeJobDialog("Env", defaultTd, defaultAtd, defaultPriority);
        QCOMPARE(comboItems(field<QComboBox>(dialog, "td")), everyone);
        QCOMPARE(comboItems(field<QComboBox>(dialog, "atd")), everyone);
        auto *approvals = field<QComboBox>(dialog, "approvals");
        QCOMPARE(comboItems(approvals), QStringList({"automatic", "manual"}));
        QCOMPARE(approvals->currentIndex(), TUDbAccess::dba_default_approval_policy());
        QCOMPARE(field<QComboBox>(dialog, "td")->currentText(), td);
        QCOMPARE(field<QComboBox>(dialog, "atd")->currentText(), atd);
        auto *slider = field<QSlider>(dialog, "priority");
        QCOMPARE(slider->value(), defaultPriority);
        QCOMPARE(field<QLabel>(dialog, "priorityValue")->text(), QString::number(defaultPriority));
        // 0, the highest priority, at the top beside "High"; 10 at the bottom beside "Low".
        QVERIFY(slider->invertedAppearance());
        QCOMPARE(slider->orientation(), Qt::Vertical);
        const int high = withText<QLabel>(dialog, "High")->geometry().bottom();
        const int low = withText<QLabel>(dialog, "Low")->geometry().top();
        QVERIFY(high <= slider->geometry().top() && slider->geometry().bottom() <= low);
    }

    // OK (or Return in the name field) creates the job and closes; the other ways close without one.
    void jobDialogEnds_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("td");
        QTest::addColumn<QString>("atd");
        QTest::addColumn<QString>("approvals");
        QTest::addColumn<int>("priorityKey");
        QTest::addColumn<int>("priority");
        QTest::addColumn<bool>("manual");
        const bool byDefault = TUDbAccess::dba_default_approval_policy() == 1;
        const int home = Qt::Key_Home, end = Qt::Key_End, pageDown = Qt::Key_PageDown;
        QTest::newRow("OK, defaults kept") << "ok" << "ep101" << "bob" << "Amy" << QString() << 0 << 5 << byDefault;
        QTest::newRow("OK, one step up the scale") << "ok" << "ep104" << "bob" << "Amy" << QString() << pageDown << 4
                                                   << byDefault;
        QTest::newRow("OK, manual, top priority") << "ok" << "ep102" << "Amy" << "bob" << "manual" << home << 0 << true;
        QTest::newRow("OK, automatic, lowest priority") << "ok" << "ep103" << "carl" << "carl" << "automatic" << end << 10
                                                        << false;
        QTest::newRow("Return in the name field") << "return" << "ep1" << "bob" << "Amy" << QString() << 0 << 5 << byDefault;
        QTest::newRow("Cancel") << "cancel" << "ep1" << "bob" << "Amy" << QString() << 0 << 5 << byDefault;
        QTest::newRow("Escape") << "escape" << "ep1" << "bob" << "Amy" << QString() << 0 << 5 << byDefault;
        QTest::newRow("close box") << "close" << "ep1" << "bob" << "Amy" << QString() << 0 << 5 << byDefault;
    }
    void jobDialogEnds()
    {
        QFETCH(QString, how);
        QFETCH(QString, name);
        QFETCH(QString, td);
        QFETCH(QString, atd);
        QFETCH(QString, approvals);
        QFETCH(int, priorityKey);
        QFETCH(int, priority);
        QFETCH(bool, manual);
        addUsers();
        QPointer<TUCreateJob> dialog = makeJobDialog();
        QStringList signalsSeen;
        connect(dialog, &TUCreateJob::jobCreated, this, [&] { signalsSeen << "created"; });
        connect(dialog, &TUCreateJob::jobCreateDlgClosing, this, [&] { signalsSeen << "closing"; });
        QSignalSpy finished(dialog.data(), &QDialog::finished);
        fillJob(dialog, name, td, atd);
        if (!approvals.isNull())
            choose(field<QComboBox>(dialog, "approvals"), approvals);
        if (priorityKey)
            QTest::keyClick(field<QSlider>(dialog, "priority"), Qt::Key(priorityKey));
        QCOMPARE(field<QLabel>(dialog, "priorityValue")->text(), QString::number(priority));
        if (how == "ok")
            clickOk(dialog);
        else if (how == "return")
            QTest::keyClick(field<QLineEdit>(dialog, "jobName"), Qt::Key_Return);
        else if (how == "cancel")
            QTest::mouseClick(withText(dialog, "Cancel"), Qt::LeftButton);
        else if (how == "escape")
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            dialog->close();

        // Exactly once: Return does not press OK as a default button as well.
        const bool created = how == "ok" || how == "return";
        QCOMPARE(m_sink.texts, QStringList());
        QCOMPARE(signalsSeen, created ? QStringList({"created", "closing"}) : QStringList{"closing"});
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(created ? QDialog::Accepted : QDialog::Rejected));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(dialog.isNull());
        dba_job_struct job;
        QCOMPARE(m_db->dba_OpenJob(name, job), created ? 0 : -1);
        if (!created)
            return;
        QCOMPARE(job.environment, "Env");
        QCOMPARE(job.td, td);
        QCOMPARE(job.atd, atd);
        QCOMPARE(job.priority, priority);
        QCOMPARE(job.manualApproval, manual);
        // Created with its folders, as every job the program creates.
        QVERIFY(QFileInfo(m_fixture->root() + "/jobs/" + name + "/library").isDir());
    }

    // A refusal, or a key that presses nothing, leaves the dialog open with the input as it was.
    void jobRefusalsKeepInput_data()
    {
        QTest::addColumn<QString>("environment"); // null: none was selected
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("td");
        QTest::addColumn<QString>("atd");
        QTest::addColumn<QString>("press");
        QTest::addColumn<QString>("message");
        const QString both = "Please specify both TD and ATD name", noEnvironment = "Please select an environment";
        QTest::newRow("no environment") << QString() << "j1" << "bob" << "Amy" << "OK" << noEnvironment;
        QTest::newRow("environment before name") << QString() << "" << kNone << kNone << "OK" << noEnvironment;
        QTest::newRow("name before TD and ATD") << "Env" << "" << kNone << kNone << "OK" << "Please provide job name";
        QTest::newRow("ATD left at None") << "Env" << "j1" << "bob" << kNone << "OK" << both;
        QTest::newRow("TD left at None") << "Env" << "j1" << kNone << "Amy" << "OK" << both;
        QTest::newRow("empty environment is not a missing one")
            << "" << "j1" << "bob" << "Amy" << "OK" << "Could not create job j1 in environment .";
        QTest::newRow("unknown environment") << "Ghost" << "j1" << "bob" << "Amy" << "OK"
                                             << "Could not create job j1 in environment Ghost.";
        // Set up below: a job "Dup" in the environment "Other".
        QTest::newRow("name taken in another environment")
            << "Env" << "Dup" << "bob" << "Amy" << "OK" << "Job Dup already exists,\npossibly in another environment.";
        QTest::newRow("Return in an empty name field") << "Env" << "" << "bob" << "Amy" << "Return in name" << "";
        QTest::newRow("Return on the dialog presses nothing") << "Env" << "ep1" << "bob" << "Amy" << "Return" << "";
    }
    void jobRefusalsKeepInput()
    {
        QFETCH(QString, environment);
        QFETCH(QString, name);
        QFETCH(QString, td);
        QFETCH(QString, atd);
        QFETCH(QString, press);
        QFETCH(QString, message);
        addUsers();
        if (name == "Dup") {
            QVERIFY(m_db->createEnv("Other", false));
            dba_job_struct existing;
            existing.name = name;
            existing.environment = "Other";
            QVERIFY(m_db->dba_createJob(existing) != -1);
        }
        TUCreateJob *dialog = makeJobDialog(environment);
        QSignalSpy created(dialog, &TUCreateJob::jobCreated);
        QSignalSpy closing(dialog, &TUCreateJob::jobCreateDlgClosing);
        fillJob(dialog, name, td, atd);
        choose(field<QComboBox>(dialog, "approvals"), "manual");
        QTest::keyClick(field<QSlider>(dialog, "priority"), Qt::Key_End);
        if (press == "OK")
            clickOk(dialog);
        else
            QTest::keyClick(press == "Return" ? static_cast<QWidget *>(dialog) : field<QLineEdit>(dialog, "jobName"),
                            Qt::Key_Return);

        QCOMPARE(m_sink.texts, message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(m_sink.types, message.isEmpty() ? "" : "E");
        QVERIFY(dialog->isVisible());
        QCOMPARE(created.count(), 0);
        QCOMPARE(closing.count(), 0);
        QCOMPARE(field<QLineEdit>(dialog, "jobName")->text(), name);
        QCOMPARE(field<QComboBox>(dialog, "td")->currentText(), td);
        QCOMPARE(field<QComboBox>(dialog, "atd")->currentText(), atd);
        QCOMPARE(field<QComboBox>(dialog, "approvals")->currentText(), "manual");
        QCOMPARE(field<QSlider>(dialog, "priority")->value(), 10);
        QVector<dba_job_struct> jobs;
        QCOMPARE(m_db->dba_GetEnvironmentJobs("Env", jobs), 0);
    }

    // --- TUEnvAssetDlg

    void assetLock_data()
    {
        QTest::addColumn<QString>("environment");
        QTest::addColumn<bool>("initial");
        QTest::addColumn<bool>("toggle");
        QTest::addColumn<QString>("press");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<int>("result"); // -1: refused, the dialog stays open
        QTest::newRow("cleared") << "Forest" << true << true << "OK" << false << int(QDialog::Accepted);
        QTest::newRow("kept") << "Forest" << true << false << "OK" << true << int(QDialog::Accepted);
        QTest::newRow("cancelled") << "Forest" << false << true << "Cancel" << false << int(QDialog::Rejected);
        QTest::newRow("unknown environment") << "Ghost" << true << true << "OK" << true << -1;
    }
    void assetLock()
    {
        QFETCH(QString, environment);
        QFETCH(bool, initial);
        QFETCH(bool, toggle);
        QFETCH(QString, press);
        QFETCH(bool, stored);
        QFETCH(int, result);
        QVERIFY(m_db->createEnv("Forest", initial));
        int status = -1;
        auto *dialog = track(new TUEnvAssetDlg(nullptr, m_db.get(), environment, initial));
        QSignalSpy finished(dialog, &QDialog::finished);
        dialog->open();
        auto *lock = field<QCheckBox>(dialog, "sceneAssetLock");
        QCOMPARE(lock->isChecked(), initial);
        if (toggle)
            QTest::keyClick(lock, Qt::Key_Space);
        QCOMPARE(dialog->sceneAssetLock(), initial != toggle);
        QTest::mouseClick(withText(dialog, press), Qt::LeftButton);

        if (result < 0) {
            QCOMPARE(m_sink.texts, QStringList{"Could not change scene asset lock of the environment " + environment});
            QCOMPARE(m_sink.types, "E");
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->sceneAssetLock(), initial != toggle);
        } else {
            QCOMPARE(m_sink.texts, QStringList());
        }
        QCOMPARE(finished.count(), result < 0 ? 0 : 1);
        QVERIFY(result < 0 || finished.at(0).at(0).toInt() == result);
        QCOMPARE(m_db->dba_GetEnvironmentSceneLock("Forest", status), stored);
    }

private:
    template <typename Dialog>
    Dialog *track(Dialog *dialog)
    {
        m_dialogs << dialog;
        return dialog;
    }

    // Shown as the main window shows it: modal, but not blocking in exec().
    TUCreateJob *makeJobDialog(const QString &environment = "Env", const QString &td = {}, const QString &atd = {},
                               int priority = 5)
    {
        auto *dialog = track(new TUCreateJob(nullptr, m_db.get(), environment, td, atd, priority));
        dialog->setModal(true);
        dialog->show();
        return dialog;
    }

    // Users of several types, added out of name order, and the environment "Env".
    void addUsers()
    {
        const std::pair<const char *, int> users[] = {
            {"zed", TUDbAccess::ANIMATOR}, {"bob", TUDbAccess::TD}, {"Amy", TUDbAccess::SCAN}, {"carl", TUDbAccess::COORDINATOR}};
        for (const auto &user : users)
            QCOMPARE(m_db->addUser(user.first, QString(), QString(), QString(), user.second), 0);
        QVERIFY(m_db->createEnv("Env", false));
    }

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    RecordingSink m_sink;
    QList<QPointer<QDialog>> m_dialogs;
};

QTEST_MAIN(tst_EnvJobDialogs)
#include "tst_envjobdialogs.moc"
