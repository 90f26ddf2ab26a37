// tallyard with someone at the keyboard: the real start-up, plus a hand that
// answers each login dialog, closes each message box and ends the run once
// the main window is up (noted as "main window"). Answers
// come from STARTUP_ANSWERS, one per login dialog, comma-separated:
// "cancel", "name:<user>" or "offline:<user>" (no answer left: cancel).
// Each dialog and box seen is noted on standard error for the test to read.
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
QStringList &answers()
{
    static QStringList list = qEnvironmentVariable("STARTUP_ANSWERS").split(QLatin1Char(','), Qt::SkipEmptyParts);
    return list;
}

void note(const QString &line)
{
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    std::fflush(stderr);
}

void answerLogin(TUDbUserDialog &dialog)
{
    note(QStringLiteral("login dialog"));
    const QString answer = answers().isEmpty() ? QStringLiteral("cancel") : answers().takeFirst();
    auto *buttons = dialog.findChild<QDialogButtonBox *>();
    if (answer == QLatin1String("cancel")) {
        buttons->button(QDialogButtonBox::Cancel)->click();
        return;
    }
    dialog.findChild<QLineEdit *>(QStringLiteral("userNameEdit"))->setText(answer.section(QLatin1Char(':'), 1));
    if (answer.startsWith(QLatin1String("offline:")))
        dialog.findChild<QRadioButton *>(QStringLiteral("offlineButton"))->click();
    buttons->button(QDialogButtonBox::Ok)->click();
}

bool mainWindowShown()
{
    const BUIAPP_Application *app = BUIAPP_Application::instance();
    return app && app->mainWidget() && app->mainWidget()->isVisible();
}

void answerWhatIsShown()
{
    // Looks again once the waiting events ran, for whatever start-up shows
    // next; posted first, as an answer may open a box in a loop of its own.
    QMetaObject::invokeMethod(qApp, &answerWhatIsShown, Qt::QueuedConnection);
    QWidget *modal = QApplication::activeModalWidget();
    if (auto *dialog = qobject_cast<TUDbUserDialog *>(modal)) {
        answerLogin(*dialog);
    } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        note(QStringLiteral("box: ") + box->text());
        box->done(0);
    } else if (!modal && mainWindowShown()) {
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
    TYStartup startup;
    return startup.run(argc, argv);
}
