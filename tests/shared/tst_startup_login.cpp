#include "BUIAPP_Application.h"
#include "DbTestFixture.h"
#include "../e2e/ProgramRun.h"
#include "PR_Preference.h"
#include "TUDbUserDialog.h"
#include "TYStartup.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <cstdio>

// This program is also tallyard with someone at the keyboard: the real
// start-up, plus a hand that answers each login dialog, closes each message
// box and ends the run once the main window is up, noting on standard error
// each one it saw: a login dialog with the name it offers, whether that is
// selected, and whether OK can be pressed yet. Answers come from
// STARTUP_ANSWERS, one per login dialog: "name:<user>", "offline:<user>" or
// "cancel:<user>", the name typed over the offered one (none left: cancel).
namespace {
void note(const QString &line)
{
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    std::fflush(stderr);
}

void answerLogin(TUDbUserDialog &dialog)
{
    auto *name = dialog.findChild<QLineEdit *>("userNameEdit");
    QPushButton *ok = dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    note("login dialog: " + name->text() + (name->hasSelectedText() ? " (selected)" : "") + (ok->isEnabled() ? "" : " (no OK)"));
    static QStringList answers = qEnvironmentVariable("STARTUP_ANSWERS").split(',', Qt::SkipEmptyParts);
    const QString answer = answers.isEmpty() ? QStringLiteral("cancel:") : answers.takeFirst();
    QTest::keyClicks(name, answer.section(':', 1)); // over what is selected

    if (answer.startsWith("offline:"))
        dialog.findChild<QRadioButton *>("offlineButton")->click();
    (answer.startsWith("cancel:") ? dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel) : ok)->click();
}

void answerWhatIsShown()
{
    // Looks again once the waiting events ran, for whatever start-up shows
    // next; posted first, as an answer may open a box in a loop of its own.
    QMetaObject::invokeMethod(qApp, &answerWhatIsShown, Qt::QueuedConnection);
    QWidget *modal = QApplication::activeModalWidget();
    const BUIAPP_Application *app = BUIAPP_Application::instance();
    if (auto *dialog = qobject_cast<TUDbUserDialog *>(modal)) {
        answerLogin(*dialog);
    } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        note("box: " + box->text().replace('\n', ' '));
        box->done(0);
    } else if (!modal && app && app->mainWidget() && app->mainWidget()->isVisible()) {
        note("main window");
        QCoreApplication::exit(0);
    }
}

void startAnswering()
{
    if (qobject_cast<QApplication *>(QCoreApplication::instance()) && qEnvironmentVariableIsSet("STARTUP_ANSWERS"))
        QMetaObject::invokeMethod(qApp, &answerWhatIsShown, Qt::QueuedConnection);
}
Q_COREAPP_STARTUP_FUNCTION(startAnswering)
} // namespace

// Who a window run works as: the user remembered on this machine, the
// "-user" option, or whoever logs in; a cancelled login ends the run quietly.
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
        const QString login = "login dialog:  (no OK)", window = "main window", error = "box: The following error occurred: ";
        const QString refused = error + "Unknown or Unauthorized Corvane user: ghost.", again = "login dialog: ghost (selected) (no OK)";
        QTest::newRow("remembered user") << "admin" << QStringList{} << "" << false << QStringList{window} << 0 << "admin";
        QTest::newRow("user option") << "" << QStringList{"-user", "admin"} << "" << false << QStringList{window} << 0 << "admin";
        QTest::newRow("no user remembered, logs in") << "" << QStringList{} << "name:admin" << false
                                                     << QStringList{login, window} << 0 << "admin";
        QTest::newRow("unknown remembered, logs in") << "ghost" << QStringList{} << "name:admin" << false
                                                     << QStringList{"login dialog: ghost (selected) (no OK)", window} << 0 << "admin";
        QTest::newRow("cancelled") << "" << QStringList{} << "cancel:admin" << false << QStringList{login} << 0 << "";
        QTest::newRow("cancelled, legacy status") << "" << QStringList{} << "cancel:" << true << QStringList{login} << 0 << "";
        QTest::newRow("refused, then cancelled") << "" << QStringList{} << "name:ghost,cancel:" << false
                                                 << QStringList{login, refused, again} << 0 << "";
        QTest::newRow("refused, then another name") << "" << QStringList{} << "name:ghost,name:admin" << false
                                                    << QStringList{login, refused, again, window} << 0 << "admin";
        QTest::newRow("offline is no database user")
            << "" << QStringList{} << "offline:nobody" << false
            << QStringList{login, error + "Invalid user name, use the \"-user valid_user_name\" option."} << 1 << "nobody";
    }
    void windowRunUser()
    {
        DbTestFixture fixture;
        QVERIFY2(fixture.initialize(), qPrintable(fixture.errorString()));
        QFETCH(QString, remembered);
        QFETCH(QStringList, arguments);
        QFETCH(QString, answers);
        QFETCH(bool, legacyStatus);
        QFETCH(QStringList, seen);
        PR_Preference &prefs = PR_Preference::localPrefs();
        prefs.setStringValue("LAST_LOGIN_NAME", remembered);
        QVERIFY(prefs.save());

        QProcessEnvironment env;
        env.insert("TALLYARD_DB", fixture.url().toString());
        env.insert("STARTUP_ANSWERS", answers);
        if (legacyStatus)
            env.insert("KS_OLD_RETURN_CODE", "1");
        const ProgramRun run(QCoreApplication::applicationFilePath(), arguments, env);
        QStringList notes;
        for (const QString &line : run.err.split('\n')) {
            if (line.startsWith("login dialog: ") || line == "main window" || line.startsWith("box: "))
                notes << line;
        }
        QVERIFY2(notes == seen, qPrintable(run.err));
        QTEST(run.status, "status");
        QTEST(PR_Preference::createPreference(prefs.path())->getStringValue("LAST_LOGIN_NAME"), "rememberedAfter");
    }
};

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet("STARTUP_ANSWERS"))
        return TYStartup().run(argc, argv);
    QCoreApplication app(argc, argv);
    tst_StartupLogin test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_startup_login.moc"
