// tallyard with someone at the keyboard: the real start-up, plus a hand that
// answers each login dialog, closes each message box and ends the run once
// the main window is up. Answers come from STARTUP_ANSWERS, one per login
// dialog, comma-separated: "cancel", "name:<user>" or "offline:<user>" (none
// left: cancel). Each dialog, box and window seen is noted on standard error.
#include "BUIAPP_Application.h"
#include "TUDbUserDialog.h"
#include "TYStartup.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include <cstdio>

namespace {
void note(const QString &line)
{
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    std::fflush(stderr);
}

void answerLogin(TUDbUserDialog &dialog)
{
    note(QStringLiteral("login dialog"));
    static QStringList answers = qEnvironmentVariable("STARTUP_ANSWERS").split(',', Qt::SkipEmptyParts);
    const QString answer = answers.isEmpty() ? QStringLiteral("cancel") : answers.takeFirst();
    auto *buttons = dialog.findChild<QDialogButtonBox *>();
    if (answer == QLatin1String("cancel"))
        return buttons->button(QDialogButtonBox::Cancel)->click();
    dialog.findChild<QLineEdit *>(QStringLiteral("userNameEdit"))->setText(answer.section(':', 1));
    if (answer.startsWith(QLatin1String("offline:")))
        dialog.findChild<QRadioButton *>(QStringLiteral("offlineButton"))->click();
    buttons->button(QDialogButtonBox::Ok)->click();
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
        note(QStringLiteral("box: ") + box->text().replace('\n', ' '));
        box->done(0);
    } else if (!modal && app && app->mainWidget() && app->mainWidget()->isVisible()) {
        note(QStringLiteral("main window"));
        QCoreApplication::exit(0);
    }
}

void startAnswering()
{
    // Batch runs have no widgets to answer.
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        QMetaObject::invokeMethod(qApp, &answerWhatIsShown, Qt::QueuedConnection);
}
Q_COREAPP_STARTUP_FUNCTION(startAnswering)
} // namespace

int main(int argc, char **argv)
{
    return TYStartup().run(argc, argv);
}
