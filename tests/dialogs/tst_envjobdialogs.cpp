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

QPushButton *button(QWidget *dialog, const QString &text)
{
    const QList<QPushButton *> buttons = dialog->findChildren<QPushButton *>();
    for (QPushButton *candidate : buttons) {
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
        QTest::newRow("asset lock") << "asset" << "Choose New Asset Lock"
                                    << "&Get rights to modify all scene assets.";
    }
    void dialogsShareTheirFrame()
    {
        QFETCH(QString, kind);
        QFETCH(QString, title);
        QFETCH(QString, checkBox);
        QDialog *dialog = make(kind);
        dialog->show();
        QCOMPARE(dialog->windowTitle(), title);
        QVERIFY(dialog->testAttribute(Qt::WA_DeleteOnClose));
        QCOMPARE(dialog->layout()->contentsMargins(), QMargins(10, 10, 10, 10));
        QCOMPARE(dialog->layout()->spacing(), 5);
        if (!checkBox.isNull())
            QCOMPARE(dialog->findChild<QCheckBox *>()->text(), checkBox);
        if (kind == QLatin1String("environment"))
            QCOMPARE(dialog->minimumSize(), QSize(250, 75));

        // OK then Cancel at their natural widths, in the bottom right-hand corner.
        QPushButton *okButton = button(dialog, QStringLiteral("OK"));
        QPushButton *cancelButton = button(dialog, QStringLiteral("Cancel"));
        const QRect ok = okButton->geometry();
        const QRect cancel = cancelButton->geometry();
        QCOMPARE(ok.width(), okButton->sizeHint().width());
        QCOMPARE(cancel.width(), cancelButton->sizeHint().width());
        QVERIFY(ok.right() < cancel.left());
        QCOMPARE(cancel.right(), dialog->rect().right() - 10);
        QCOMPARE(cancel.bottom(), dialog->rect().bottom() - 10);
        QCOMPARE(ok.bottom(), cancel.bottom());
    }

    void nameFieldsRefuseWhatTheValidatorRefuses_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        const struct {
            const char *tag;
            QString typed;
            QString shown;
        } cases[] = {
            {"blank and slash", QStringLiteral("ep 1/a"), QStringLiteral("ep1a")},
            {"quotes", QStringLiteral("it's\"x"), QStringLiteral("itsx")},
            {"leading dash", QStringLiteral("-rf"), QStringLiteral("rf")},
            {"leading dot", QStringLiteral(".hidden"), QStringLiteral("hidden")},
            {"too long", QString(30, QLatin1Char('a')), QString(24, QLatin1Char('a'))},
            {"allowed punctuation", QStringLiteral("ep_1-b.2"), QStringLiteral("ep_1-b.2")},
        };
        for (const char *kind : {"environment", "job"}) {
            for (const auto &c : cases)
                QTest::addRow("%s: %s", kind, c.tag) << QString::fromLatin1(kind) << c.typed << c.shown;
        }
    }
    void nameFieldsRefuseWhatTheValidatorRefuses()
    {
        QFETCH(QString, kind);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QDialog *dialog = make(kind);
        dialog->show();
        auto *name = dialog->findChild<QLineEdit *>();
        QTest::keyClicks(name, typed);
        QCOMPARE(name->text(), shown);
    }

    // --- TUCreateEnv

    void createEnvironment_data()
    {
        QTest::addColumn<bool>("toggleLock");
        QTest::addColumn<bool>("lock");
        QTest::newRow("asset rights as offered") << false << true;
        QTest::newRow("asset rights declined") << true << false;
    }
    void createEnvironment()
    {
        QFETCH(bool, toggleLock);
        QFETCH(bool, lock);
        auto *dialog = track(new TUCreateEnv(nullptr, m_db.get()));
        QSignalSpy finished(dialog, &QDialog::finished);
        dialog->open();
        QTest::keyClicks(field<QLineEdit>(dialog, "environmentName"), QStringLiteral("Forest"));
        if (toggleLock)
            QTest::keyClick(field<QCheckBox>(dialog, "sceneAssetLock"), Qt::Key_Space);
        QCOMPARE(dialog->environmentName(), QStringLiteral("Forest"));
        clickOk(dialog);

        QCOMPARE(m_sink.texts, QStringList());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
        QVERIFY(!dialog->isVisible());
        QStringList names;
        QCOMPARE(m_db->dba_GetEnvironments(names), 1);
        QCOMPARE(names, QStringList{QStringLiteral("Forest")});
        int status = -1;
        QCOMPARE(m_db->dba_GetEnvironmentSceneLock(QStringLiteral("Forest"), status), lock);
        QCOMPARE(status, 0);
    }

    void environmentRefusalKeepsInput_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("already exists") << "Forest";
        QTest::newRow("empty name reaches the database") << "";
    }
    void environmentRefusalKeepsInput()
    {
        QFETCH(QString, name);
        QVERIFY(m_db->createEnv(QStringLiteral("Forest"), true));
        auto *dialog = track(new TUCreateEnv(nullptr, m_db.get()));
        QSignalSpy finished(dialog, &QDialog::finished);
        dialog->open();
        auto *nameEdit = field<QLineEdit>(dialog, "environmentName");
        auto *lock = field<QCheckBox>(dialog, "sceneAssetLock");
        QTest::keyClicks(nameEdit, name);
        QTest::keyClick(lock, Qt::Key_Space);
        clickOk(dialog);

        QCOMPARE(m_sink.texts, QStringList{QStringLiteral("Could not create environment ") + name});
        QCOMPARE(m_sink.types, QStringLiteral("E"));
        QVERIFY(dialog->isVisible());
        QCOMPARE(finished.count(), 0);
        QCOMPARE(nameEdit->text(), name);
        QVERIFY(!lock->isChecked());
        int status = -1;
        QVERIFY(m_db->dba_GetEnvironmentSceneLock(QStringLiteral("Forest"), status)); // untouched

        // Corrected, OK again: created with the kept check-box state.
        replaceText(nameEdit, QStringLiteral("Meadow"));
        clickOk(dialog);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(m_sink.texts.size(), 1);
        QVERIFY(!m_db->dba_GetEnvironmentSceneLock(QStringLiteral("Meadow"), status));
        QCOMPARE(status, 0);
    }

    // --- TUCreateJob

    void jobCombosListEveryUserInTheServiceOrder()
    {
        addUsers();
        QVector<dba_user_struct_type> users;
        QCOMPARE(m_db->dba_GetAllUsers(users), 6); // BATCH, admin and ours
        QStringList expected{kNone};
        for (const dba_user_struct_type &user : qAsConst(users))
            expected << user.name;

        TUCreateJob *dialog = makeJobDialog();
        QCOMPARE(comboItems(field<QComboBox>(dialog, "td")), expected);
        QCOMPARE(comboItems(field<QComboBox>(dialog, "atd")), expected);
        QCOMPARE(field<QComboBox>(dialog, "td")->currentIndex(), 0);
        QCOMPARE(field<QComboBox>(dialog, "atd")->currentIndex(), 0);
        auto *approvals = field<QComboBox>(dialog, "approvals");
        QCOMPARE(comboItems(approvals), QStringList({QStringLiteral("automatic"), QStringLiteral("manual")}));
        QCOMPARE(approvals->currentIndex(), TUDbAccess::dba_default_approval_policy());
    }

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
        QTest::newRow("None asked for") << "None" << "carl" << 5 << kNone << "carl";
    }
    void jobDefaultsSelectTheirUsers()
    {
        QFETCH(QString, defaultTd);
        QFETCH(QString, defaultAtd);
        QFETCH(int, defaultPriority);
        QFETCH(QString, td);
        QFETCH(QString, atd);
        addUsers();
        TUCreateJob *dialog = makeJobDialog(QStringLiteral("Env"), defaultTd, defaultAtd, defaultPriority);
        QCOMPARE(field<QComboBox>(dialog, "td")->currentText(), td);
        QCOMPARE(field<QComboBox>(dialog, "atd")->currentText(), atd);
        QCOMPARE(field<QSlider>(dialog, "priority")->value(), defaultPriority);
        QCOMPARE(field<QLabel>(dialog, "priorityValue")->text(), QString::number(defaultPriority));
    }

    void priorityScale_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("presses");
        QTest::addColumn<int>("priority");
        QTest::newRow("one page down") << int(Qt::Key_PageDown) << 1 << 4;
        QTest::newRow("one page up") << int(Qt::Key_PageUp) << 1 << 6;
        QTest::newRow("page up past the end") << int(Qt::Key_PageUp) << 20 << 10;
        QTest::newRow("page down past the start") << int(Qt::Key_PageDown) << 20 << 0;
        QTest::newRow("home") << int(Qt::Key_Home) << 1 << 0;
        QTest::newRow("end") << int(Qt::Key_End) << 1 << 10;
    }
    void priorityScale()
    {
        QFETCH(int, key);
        QFETCH(int, presses);
        QFETCH(int, priority);
        TUCreateJob *dialog = makeJobDialog();
        auto *slider = field<QSlider>(dialog, "priority");
        for (int i = 0; i < presses; ++i)
            QTest::keyClick(slider, Qt::Key(key));
        QCOMPARE(slider->value(), priority);
        QCOMPARE(field<QLabel>(dialog, "priorityValue")->text(), QString::number(priority));

        // 0, the highest priority, at the top beside "High"; 10 at the bottom beside "Low".
        QVERIFY(slider->invertedAppearance());
        QCOMPARE(slider->orientation(), Qt::Vertical);
        const int high = labelNamed(dialog, "High")->geometry().bottom();
        const int low = labelNamed(dialog, "Low")->geometry().top();
        QVERIFY(high <= slider->geometry().top() && slider->geometry().bottom() <= low);
    }

    void createJob_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("td");
        QTest::addColumn<QString>("atd");
        QTest::addColumn<QString>("approvals");
        QTest::addColumn<int>("priorityKey");
        QTest::addColumn<int>("priority");
        QTest::addColumn<bool>("manual");
        QTest::newRow("defaults kept") << "ep101" << "bob" << "Amy" << QString() << 0 << 5
                                       << (TUDbAccess::dba_default_approval_policy() == 1);
        QTest::newRow("manual, top priority") << "ep102" << "Amy" << "bob" << "manual" << int(Qt::Key_Home) << 0
                                              << true;
        QTest::newRow("automatic, lowest priority") << "ep103" << "carl" << "carl" << "automatic"
                                                    << int(Qt::Key_End) << 10 << false;
    }
    void createJob()
    {
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
        connect(dialog, &TUCreateJob::jobCreated, this, [&] { signalsSeen << QStringLiteral("created"); });
        connect(dialog, &TUCreateJob::jobCreateDlgClosing, this, [&] { signalsSeen << QStringLiteral("closing"); });
        QSignalSpy finished(dialog.data(), &QDialog::finished);

        QTest::keyClicks(field<QLineEdit>(dialog, "jobName"), name);
        choose(field<QComboBox>(dialog, "td"), td);
        choose(field<QComboBox>(dialog, "atd"), atd);
        if (!approvals.isNull())
            choose(field<QComboBox>(dialog, "approvals"), approvals);
        if (priorityKey)
            QTest::keyClick(field<QSlider>(dialog, "priority"), Qt::Key(priorityKey));
        QCOMPARE(field<QLabel>(dialog, "priorityValue")->text(), QString::number(priority));
        QCOMPARE(dialog->jobName(), name);
        clickOk(dialog);

        QCOMPARE(m_sink.texts, QStringList());
        QCOMPARE(signalsSeen, QStringList({QStringLiteral("created"), QStringLiteral("closing")}));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(dialog.isNull());

        dba_job_struct job;
        QCOMPARE(m_db->dba_OpenJob(name, job), 0);
        QCOMPARE(job.environment, QStringLiteral("Env"));
        QCOMPARE(job.td, td);
        QCOMPARE(job.atd, atd);
        QCOMPARE(job.priority, priority);
        QCOMPARE(job.manualApproval, manual);
        // Created with its folders, as every job the program creates.
        QVERIFY(QFileInfo(m_fixture->root() + QStringLiteral("/jobs/") + name + QStringLiteral("/library")).isDir());
    }

    void jobRefusalsKeepInput_data()
    {
        QTest::addColumn<bool>("noEnvironment");
        QTest::addColumn<QString>("environment");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("td");
        QTest::addColumn<QString>("atd");
        QTest::addColumn<QString>("message");
        const QString both = QStringLiteral("Please specify both TD and ATD name");
        QTest::newRow("no environment") << true << QString() << "j1" << "bob" << "Amy"
                                        << "Please select an environment";
        QTest::newRow("environment before name") << true << QString() << "" << kNone << kNone
                                                 << "Please select an environment";
        QTest::newRow("name before TD and ATD") << false << "Env" << "" << kNone << kNone
                                                << "Please provide job name";
        QTest::newRow("ATD left at None") << false << "Env" << "j1" << "bob" << kNone << both;
        QTest::newRow("TD left at None") << false << "Env" << "j1" << kNone << "Amy" << both;
        QTest::newRow("empty environment is not a missing one")
            << false << "" << "j1" << "bob" << "Amy" << "Could not create job j1 in environment .";
        QTest::newRow("unknown environment") << false << "Ghost" << "j1" << "bob" << "Amy"
                                             << "Could not create job j1 in environment Ghost.";
    }
    void jobRefusalsKeepInput()
    {
        QFETCH(bool, noEnvironment);
        QFETCH(QString, environment);
        QFETCH(QString, name);
        QFETCH(QString, td);
        QFETCH(QString, atd);
        QFETCH(QString, message);
        addUsers();
        TUCreateJob *dialog = makeJobDialog(noEnvironment ? QString() : environment);
        QSignalSpy created(dialog, &TUCreateJob::jobCreated);
        QSignalSpy closing(dialog, &TUCreateJob::jobCreateDlgClosing);
        QTest::keyClicks(field<QLineEdit>(dialog, "jobName"), name);
        choose(field<QComboBox>(dialog, "td"), td);
        choose(field<QComboBox>(dialog, "atd"), atd);
        choose(field<QComboBox>(dialog, "approvals"), QStringLiteral("manual"));
        QTest::keyClick(field<QSlider>(dialog, "priority"), Qt::Key_End);
        clickOk(dialog);

        QCOMPARE(m_sink.texts, QStringList{message});
        QCOMPARE(m_sink.types, QStringLiteral("E"));
        QVERIFY(dialog->isVisible());
        QCOMPARE(created.count(), 0);
        QCOMPARE(closing.count(), 0);
        QCOMPARE(field<QLineEdit>(dialog, "jobName")->text(), name);
        QCOMPARE(field<QComboBox>(dialog, "td")->currentText(), td);
        QCOMPARE(field<QComboBox>(dialog, "atd")->currentText(), atd);
        QCOMPARE(field<QComboBox>(dialog, "approvals")->currentText(), QStringLiteral("manual"));
        QCOMPARE(field<QSlider>(dialog, "priority")->value(), 10);
        QVector<dba_job_struct> jobs;
        QCOMPARE(m_db->dba_GetEnvironmentJobs(QStringLiteral("Env"), jobs), 0);
    }

    void duplicateJobNameThenCorrected()
    {
        addUsers();
        QVERIFY(m_db->createEnv(QStringLiteral("Other"), false));
        dba_job_struct existing;
        existing.name = QStringLiteral("Dup");
        existing.environment = QStringLiteral("Other");
        QVERIFY(m_db->dba_createJob(existing) != -1);

        TUCreateJob *dialog = makeJobDialog();
        QSignalSpy created(dialog, &TUCreateJob::jobCreated);
        auto *name = field<QLineEdit>(dialog, "jobName");
        QTest::keyClicks(name, QStringLiteral("Dup"));
        choose(field<QComboBox>(dialog, "td"), QStringLiteral("bob"));
        choose(field<QComboBox>(dialog, "atd"), QStringLiteral("Amy"));
        clickOk(dialog);
        QCOMPARE(m_sink.texts, QStringList{QStringLiteral("Job Dup already exists,\npossibly in another environment.")});
        QVERIFY(dialog->isVisible());
        QCOMPARE(created.count(), 0);
        dba_job_struct job;
        QCOMPARE(m_db->dba_OpenJob(QStringLiteral("Dup"), job), 0);
        QCOMPARE(job.environment, QStringLiteral("Other"));

        replaceText(name, QStringLiteral("Dup2"));
        clickOk(dialog);
        QCOMPARE(m_sink.texts.size(), 1);
        QCOMPARE(created.count(), 1);
        QCOMPARE(m_db->dba_OpenJob(QStringLiteral("Dup2"), job), 0);
        QCOMPARE(job.td, QStringLiteral("bob"));
    }

    void returnKey_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("td");
        QTest::addColumn<bool>("onDialog");
        QTest::addColumn<bool>("created");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("in the name field") << "ep1" << "bob" << false << true << QStringList();
        QTest::newRow("in the name field, TD missing")
            << "ep1" << kNone << false << false << QStringList{QStringLiteral("Please specify both TD and ATD name")};
        QTest::newRow("in an empty name field") << "" << "bob" << false << false << QStringList();
        QTest::newRow("on the dialog presses nothing") << "ep1" << "bob" << true << false << QStringList();
    }
    void returnKey()
    {
        QFETCH(QString, name);
        QFETCH(QString, td);
        QFETCH(bool, onDialog);
        QFETCH(bool, created);
        QFETCH(QStringList, messages);
        addUsers();
        TUCreateJob *dialog = makeJobDialog();
        QSignalSpy createdSpy(dialog, &TUCreateJob::jobCreated);
        auto *nameEdit = field<QLineEdit>(dialog, "jobName");
        QTest::keyClicks(nameEdit, name);
        choose(field<QComboBox>(dialog, "td"), td);
        choose(field<QComboBox>(dialog, "atd"), QStringLiteral("Amy"));
        QTest::keyClick(onDialog ? static_cast<QWidget *>(dialog) : nameEdit, Qt::Key_Return);

        // Exactly once: the OK button is not pressed as a default button as well.
        QCOMPARE(m_sink.texts, messages);
        QCOMPARE(createdSpy.count(), created ? 1 : 0);
        QVector<dba_job_struct> jobs;
        QCOMPARE(m_db->dba_GetEnvironmentJobs(QStringLiteral("Env"), jobs), created ? 1 : 0);
        QCOMPARE(dialog->isVisible(), !created);
    }

    void closingJobDialog_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Cancel") << "cancel";
        QTest::newRow("Escape on the dialog") << "escape";
        QTest::newRow("Escape in the name field") << "escape in field";
        QTest::newRow("close box") << "close";
    }
    void closingJobDialog()
    {
        QFETCH(QString, how);
        addUsers();
        QPointer<TUCreateJob> dialog = makeJobDialog();
        QSignalSpy created(dialog.data(), &TUCreateJob::jobCreated);
        QSignalSpy closing(dialog.data(), &TUCreateJob::jobCreateDlgClosing);
        QSignalSpy finished(dialog.data(), &QDialog::finished);
        auto *name = field<QLineEdit>(dialog, "jobName");
        QTest::keyClicks(name, QStringLiteral("ep1"));
        choose(field<QComboBox>(dialog, "td"), QStringLiteral("bob"));
        choose(field<QComboBox>(dialog, "atd"), QStringLiteral("Amy"));
        if (how == QLatin1String("cancel"))
            QTest::mouseClick(button(dialog, QStringLiteral("Cancel")), Qt::LeftButton);
        else if (how == QLatin1String("escape"))
            QTest::keyClick(dialog, Qt::Key_Escape);
        else if (how == QLatin1String("escape in field"))
            QTest::keyClick(name, Qt::Key_Escape);
        else
            dialog->close();

        QCOMPARE(closing.count(), 1);
        QCOMPARE(created.count(), 0);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(dialog.isNull());
        dba_job_struct job;
        QCOMPARE(m_db->dba_OpenJob(QStringLiteral("ep1"), job), -1);
        QCOMPARE(m_sink.texts, QStringList());
    }

    // --- TUEnvAssetDlg

    void assetLock_data()
    {
        QTest::addColumn<bool>("initial");
        QTest::addColumn<bool>("toggle");
        QTest::addColumn<QString>("press");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<int>("result");
        QTest::newRow("cleared") << true << true << "OK" << false << int(QDialog::Accepted);
        QTest::newRow("set") << false << true << "OK" << true << int(QDialog::Accepted);
        QTest::newRow("kept") << true << false << "OK" << true << int(QDialog::Accepted);
        QTest::newRow("cancelled") << false << true << "Cancel" << false << int(QDialog::Rejected);
    }
    void assetLock()
    {
        QFETCH(bool, initial);
        QFETCH(bool, toggle);
        QFETCH(QString, press);
        QFETCH(bool, stored);
        QFETCH(int, result);
        QVERIFY(m_db->createEnv(QStringLiteral("Forest"), initial));
        int status = -1;
        const bool current = m_db->dba_GetEnvironmentSceneLock(QStringLiteral("Forest"), status);
        auto *dialog = track(new TUEnvAssetDlg(nullptr, m_db.get(), QStringLiteral("Forest"), current));
        QSignalSpy finished(dialog, &QDialog::finished);
        dialog->open();
        auto *lock = field<QCheckBox>(dialog, "sceneAssetLock");
        QCOMPARE(lock->isChecked(), initial);
        if (toggle)
            QTest::keyClick(lock, Qt::Key_Space);
        QCOMPARE(dialog->sceneAssetLock(), initial != toggle);
        QTest::mouseClick(button(dialog, press), Qt::LeftButton);

        QCOMPARE(m_sink.texts, QStringList());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), result);
        QCOMPARE(m_db->dba_GetEnvironmentSceneLock(QStringLiteral("Forest"), status), stored);
    }

    void assetLockOfUnknownEnvironmentKeepsInput()
    {
        auto *dialog = track(new TUEnvAssetDlg(nullptr, m_db.get(), QStringLiteral("Ghost"), true));
        QSignalSpy finished(dialog, &QDialog::finished);
        dialog->open();
        QTest::keyClick(field<QCheckBox>(dialog, "sceneAssetLock"), Qt::Key_Space);
        clickOk(dialog);
        QCOMPARE(m_sink.texts, QStringList{QStringLiteral("Could not change scene asset lock of the environment Ghost")});
        QCOMPARE(m_sink.types, QStringLiteral("E"));
        QVERIFY(dialog->isVisible());
        QCOMPARE(finished.count(), 0);
        QVERIFY(!dialog->sceneAssetLock());
    }

private:
    template <typename Dialog>
    Dialog *track(Dialog *dialog)
    {
        m_dialogs << dialog;
        return dialog;
    }

    QDialog *make(const QString &kind)
    {
        if (kind == QLatin1String("environment"))
            return track(new TUCreateEnv(nullptr, m_db.get()));
        if (kind == QLatin1String("asset"))
            return track(new TUEnvAssetDlg(nullptr, m_db.get(), QStringLiteral("Forest"), true));
        return makeJobDialog();
    }

    // Shown as the main window shows it: modal, but not blocking in exec().
    TUCreateJob *makeJobDialog(const QString &environment = QStringLiteral("Env"), const QString &td = QString(),
                               const QString &atd = QString(), int priority = 5)
    {
        auto *dialog = track(new TUCreateJob(nullptr, m_db.get(), environment, td, atd, priority));
        dialog->setModal(true);
        dialog->show();
        return dialog;
    }

    // Users of several types, added out of name order, and the environment "Env".
    void addUsers()
    {
        const struct {
            const char *name;
            int type;
        } users[] = {{"zed", TUDbAccess::ANIMATOR}, {"bob", TUDbAccess::TD}, {"Amy", TUDbAccess::SCAN},
                     {"carl", TUDbAccess::COORDINATOR}};
        for (const auto &user : users)
            QCOMPARE(m_db->addUser(QLatin1String(user.name), QString(), QString(), QString(), user.type), 0);
        QVERIFY(m_db->createEnv(QStringLiteral("Env"), false));
    }

    static void clickOk(QDialog *dialog) { QTest::mouseClick(button(dialog, QStringLiteral("OK")), Qt::LeftButton); }

    static QLabel *labelNamed(QWidget *dialog, const char *text)
    {
        const QList<QLabel *> labels = dialog->findChildren<QLabel *>();
        for (QLabel *label : labels) {
            if (label->text() == QLatin1String(text))
                return label;
        }
        return nullptr;
    }

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    RecordingSink m_sink;
    QList<QPointer<QDialog>> m_dialogs;
};

QTEST_MAIN(tst_EnvJobDialogs)
#include "tst_envjobdialogs.moc"
