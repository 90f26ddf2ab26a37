// tallyard's real start-up with a hand that, once the main window shows,
// notes on standard error what is selected and opened in it and whether the
// dark style is on, then closes it as a user would. Each login dialog is
// noted with the name it offers, whether that is selected, whether OK can be
// pressed yet and the style it opened in, then answered from
// STARTUP_ANSWERS, one per dialog: "name:<user>", "offline:<user>" or
// "cancel:<user>", the name typed over the offered one (none left: cancel).
// Each message box is noted and closed; so is the export or import dialog of
// "-export" or "-import" (with the scenes it lists).
#include "BUIAPP_Application.h"
#include "TUDbAccess.h"
#include "TUDbUserDialog.h"
#include "TUTallyard.h"
#include "TYStartup.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <cstdio>

namespace {
void note(const QString &line)
{
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    std::fflush(stderr);
}

void answerLogin(TUDbUserDialog &dialog, bool dark)
{
    auto *edit = dialog.findChild<QLineEdit *>("userNameEdit");
    QPushButton *ok = dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
    note("login dialog: " + edit->text() + (edit->hasSelectedText() ? " (selected)" : "") + (ok->isEnabled() ? "" : " (no OK)")
         + (dark ? " dark" : ""));
    static QStringList answers = qEnvironmentVariable("STARTUP_ANSWERS").split(',', Qt::SkipEmptyParts);
    const QString answer = answers.isEmpty() ? QStringLiteral("cancel:") : answers.takeFirst();
    QTest::keyClicks(edit, answer.section(':', 1)); // over what is selected
    if (answer.startsWith("offline:"))
        dialog.findChild<QRadioButton *>("offlineButton")->click();
    (answer.startsWith("cancel:") ? dialog.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel) : ok)->click();
}

void noteAndClose()
{
    // Armed again first: an answer may open a box in an event loop of its own.
    QTimer::singleShot(20, &noteAndClose);
    BUIAPP_Application *app = BUIAPP_Application::instance();
    QWidget *modal = QApplication::activeModalWidget();
    const QStringList arguments = QCoreApplication::arguments();
    const bool transfer = arguments.contains(QStringLiteral("-export")) || arguments.contains(QStringLiteral("-import"));
    auto *window = app ? qobject_cast<TUTallyard *>(app->mainWidget()) : nullptr;
    if (auto *login = qobject_cast<TUDbUserDialog *>(modal)) {
        answerLogin(*login, app->isDarkStyle());
    } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        note("box: " + box->text().replace('\n', ' '));
        box->done(0);
    } else if (auto *dialog = qobject_cast<QDialog *>(modal); dialog && dialog->windowTitle().endsWith("Scene(s)")) {
        const auto *scenes = dialog->findChild<QTreeWidget *>(QStringLiteral("sceneList"));
        note(QStringLiteral("dialog: %1 scenes=%2").arg(dialog->windowTitle()).arg(scenes->topLevelItemCount()));
        dialog->reject();
    } else if (!modal && window && window->isVisible() && !transfer) {
        note(QStringLiteral("window: env=%1 job=%2 scene=%3 open=%4/%5 dark=%6")
                 .arg(window->currentEnvironment(), window->selectedJobs().join(QLatin1Char(',')),
                      window->selectedScenes().join(QLatin1Char(',')), window->access().jobRecord().name,
                      window->access().sceneRecord().name)
                 .arg(app->isDarkStyle() ? 1 : 0));
        window->close();
    }
}

void startWatching()
{
    // Batch runs have no window to watch. This runs while the application
    // object is still being built, so only its QApplication part is there.
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        QTimer::singleShot(0, &noteAndClose);
}
Q_COREAPP_STARTUP_FUNCTION(startWatching)
} // namespace

int main(int argc, char **argv)
{
    TYStartup startup;
    return startup.run(argc, argv);
}
