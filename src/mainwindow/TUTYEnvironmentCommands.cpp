#include "TUTYEnvironmentCommands.h"

#include "MSG_Scope.h"
#include "TUCreateEnv.h"
#include "TUDbAccess.h"
#include "TUEnvAssetDlg.h"
#include "TUTYConfirm.h"
#include "TUTYRefusal.h"
#include "TUTallyard.h"

#include <QMenu>

namespace {
const char *const kContext = "TUTYEnvironmentCommands";
}

TUTYEnvironmentCommands::TUTYEnvironmentCommands(TUTallyard &window, QMenu *menu)
    : TUTYMenuCommands(window, menu)
{
    connect(menu, &QMenu::aboutToShow, this, &TUTYEnvironmentCommands::rebuildEnvMenu);
}

void TUTYEnvironmentCommands::buildMenu(QMenu &menu)
{
    if (access().hasUserPermissionCreateEnv())
        m_create = menu.addAction(tr("&Create..."), this, &TUTYEnvironmentCommands::createEnvironment);
    if (access().hasUserPermissionModifyEnv()) {
        m_delete = menu.addAction(tr("&Delete"), this, &TUTYEnvironmentCommands::deleteEnvironment);
        m_assetLock = menu.addAction(tr("&Change Asset Lock ..."), this, &TUTYEnvironmentCommands::changeAssetLock);
    }
    // A user who may neither create nor delete gets no leading separator.
    if (!menu.isEmpty())
        menu.addSeparator();
    m_vectorizeQueue = menu.addAction(tr("&Vectorize Queue..."), &m_window, &TUTallyard::vectorizeQueueEnvironment);
    m_renderQueue = menu.addAction(tr("&Render Queue..."), &m_window, &TUTallyard::cameraQueueEnvironment);
}

void TUTYEnvironmentCommands::rebuildEnvMenu()
{
    ensureMenu();
    const bool selected = !m_window.currentEnvironment().isEmpty();
    enable(m_vectorizeQueue, selected);
    enable(m_renderQueue, selected);
    // Only an environment without jobs can go.
    enable(m_delete, selected && m_window.jobNames().isEmpty());
    enable(m_assetLock, selected);
}

void TUTYEnvironmentCommands::createEnvironment()
{
    if (!TUTYRefusal::permits(access(), TUTYRefusal::CreateEnvironments))
        return;
    auto *dialog = new TUCreateEnv(dialogParent(), &access());
    if (dialog->exec() == QDialog::Accepted)
        m_window.fillEnvironmentList();
}

void TUTYEnvironmentCommands::deleteEnvironment()
{
    if (!TUTYRefusal::permits(access(), TUTYRefusal::DeleteEnvironments))
        return;
    const QString environment = m_window.currentEnvironment();
    if (environment.isEmpty()) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYEnvironmentCommands", "You must select the environment to delete"));
        return;
    }
    if (!TUTYConfirm::yesNo(tr("Really delete environment %1?").arg(environment)))
        return;
    if (access().deleteEnv(environment) == 0)
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYEnvironmentCommands", "Could not delete environment %1"))
            .arg(environment);
    m_window.fillEnvironmentList();
}

void TUTYEnvironmentCommands::changeAssetLock()
{
    const QString environment = m_window.currentEnvironment();
    if (environment.isEmpty()
        || !permits(DBA_UserOps::ModifyEnv, kContext,
                    QT_TRANSLATE_NOOP("TUTYEnvironmentCommands",
                                      "You do not have the permission necessary to modify environments --")))
        return;
    int status = 0;
    const bool locked = access().dba_GetEnvironmentSceneLock(environment, status);
    if (status == -1)
        return;
    auto *dialog = new TUEnvAssetDlg(dialogParent(), &access(), environment, locked);
    dialog->exec();
}
