// tallyard's real start-up with a hand that, once the main window shows,
// notes on standard error what is selected and opened in it and whether the
// dark style is on, then closes it as a user would. A login dialog is noted
// (with the style it opened in) and cancelled; so is the export or import
// dialog of "-export" or "-import" (with the scenes it lists).
#include "BUIAPP_Application.h"
#include "TUDbAccess.h"
#include "TUDbUserDialog.h"
#include "TUTallyard.h"
#include "TYStartup.h"

#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

namespace {
void noteAndClose()
{
    BUIAPP_Application *app = BUIAPP_Application::instance();
    if (auto *login = qobject_cast<TUDbUserDialog *>(QApplication::activeModalWidget())) {
        std::fprintf(stderr, "login: dark=%d\n", app->isDarkStyle() ? 1 : 0);
        login->reject();
    }
    auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (dialog && dialog->windowTitle().endsWith(QLatin1String("Scene(s)"))) {
        const auto *scenes = dialog->findChild<QTreeWidget *>(QStringLiteral("sceneList"));
        std::fprintf(stderr, "dialog: %s scenes=%d\n", qPrintable(dialog->windowTitle()), scenes->topLevelItemCount());
        dialog->reject();
        return;
    }
    const QStringList arguments = QCoreApplication::arguments();
    const bool transfer = arguments.contains(QStringLiteral("-export")) || arguments.contains(QStringLiteral("-import"));
    auto *window = app ? qobject_cast<TUTallyard *>(app->mainWidget()) : nullptr;
    if (!window || !window->isVisible() || transfer) {
        QTimer::singleShot(20, &noteAndClose);
        return;
    }
    const QString line = QStringLiteral("window: env=%1 job=%2 scene=%3 open=%4/%5 dark=%6")
                             .arg(window->currentEnvironment(), window->selectedJobs().join(QLatin1Char(',')),
                                  window->selectedScenes().join(QLatin1Char(',')),
                                  window->access().jobRecord().name, window->access().sceneRecord().name)
                             .arg(app->isDarkStyle() ? 1 : 0);
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    std::fflush(stderr);
    window->close();
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
