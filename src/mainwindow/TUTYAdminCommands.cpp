#include "TUTYAdminCommands.h"

#include "BUIAPP_Application.h"
#include "DBUI_LockManager.h"
#include "PR_Preference.h"
#include "TUDbAccess.h"
#include "TUDbSelect.h"
#include "TUExportDlg.h"
#include "TUImportDlg.h"
#include "TUSceneNameValidator.h"
#include "TUTYApprovalPolicyDlg.h"
#include "TUTYImportRemap.h"
#include "TUTYLauncher.h"
#include "TUTYRefusal.h"
#include "TUTYScenesTable.h"
#include "TUTYUserListDlg.h"
#include "TUTYVectorizeCommands.h"
#include "TUTallyard.h"
#include "TUVectOptionsDlg.h"
#include "whoami.h"

#include <QActionGroup>
#include <QMenu>

namespace {
const char *const kContext = "TUTYAdminCommands";
const QString kLockStyleKey = QStringLiteral("TALLYARD_OPEN_SCENE_LOCK_PREF");
const QString kUnicodeNameKey = QStringLiteral("ACCEPT_UNICODE_NAME");
} // namespace

TUTYAdminCommands::TUTYAdminCommands(TUTallyard &window, QMenu *menu)
    : TUTYMenuCommands(window, menu)
{
}

void TUTYAdminCommands::buildMenu(QMenu &menu)
{
    const bool admin = access().hasUserPermissionAdmin();
    if (admin) {
        menu.addAction(tr("&Users..."), this, &TUTYAdminCommands::users);
        menu.addAction(tr("&Change Approval Policy..."), this, &TUTYAdminCommands::changeApprovalPolicy);
    }
    menu.addAction(tr("&Vectorize Style..."), this, &TUTYAdminCommands::vectorizeStyle);
    if (access().hasUserPermissionImportExport()) {
        menu.addSeparator();
        menu.addAction(tr("&Export..."), this, QOverload<>::of(&TUTYAdminCommands::exportScene));
        menu.addAction(tr("&Import..."), this, QOverload<>::of(&TUTYAdminCommands::importScene));
        menu.addAction(tr("Import Multiple &Scenes..."), this, QOverload<>::of(&TUTYAdminCommands::importScenes));
    }
    if (admin) {
        menu.addSeparator();
        buildLockStyleMenu(menu);
        menu.addAction(tr("Database Lock Manager..."), this, &TUTYAdminCommands::openLockManager);
    }
    menu.addSeparator();
    m_unicodeNames = menu.addAction(tr("Allow Unicode Names"));
    m_unicodeNames->setCheckable(true);
    m_unicodeNames->setChecked(TUSceneNameValidator::acceptUnicode());
    connect(m_unicodeNames, &QAction::triggered, this, &TUTYAdminCommands::onActionUnicodeName);
    QAction *darkStyle = menu.addAction(tr("Dark Style"));
    darkStyle->setCheckable(true);
    darkStyle->setChecked(true);
    connect(darkStyle, &QAction::triggered, this, &TUTYAdminCommands::onActionDarkStyle);
}

void TUTYAdminCommands::buildLockStyleMenu(QMenu &menu)
{
    QMenu *styles = menu.addMenu(tr("Lock when Opening Scene"));
    auto *group = new QActionGroup(styles);
    m_lockStyles = {styles->addAction(tr("&No Lock"), this, &TUTYAdminCommands::onNoLockStyle),
                    styles->addAction(tr("&Scene Lock"), this, &TUTYAdminCommands::onSceneLockStyle),
                    styles->addAction(tr("&Version Lock"), this, &TUTYAdminCommands::onVersionLockStyle),
                    styles->addAction(tr("&Asset Lock"), this, &TUTYAdminCommands::onAssetLockStyle)};
    for (QAction *style : m_lockStyles) {
        style->setCheckable(true);
        group->addAction(style);
    }
    connect(styles, &QMenu::aboutToShow, this, &TUTYAdminCommands::updateLockStyleMenu);
}

// The lock style

void TUTYAdminCommands::updateLockStyleMenu()
{
    const PR_Preference *preferences = m_window.userPreferences();
    const int style = preferences ? preferences->getIntValue(kLockStyleKey, TUTYLauncher::VersionLock)
                                  : m_window.lockStyle();
    for (int i = 0; i < int(m_lockStyles.size()); ++i) {
        if (m_lockStyles[i])
            m_lockStyles[i]->setChecked(i == style);
    }
}

void TUTYAdminCommands::onNoLockStyle() { setLockStyle(TUTYLauncher::NoLock); }
void TUTYAdminCommands::onSceneLockStyle() { setLockStyle(TUTYLauncher::SceneLock); }
void TUTYAdminCommands::onVersionLockStyle() { setLockStyle(TUTYLauncher::VersionLock); }
void TUTYAdminCommands::onAssetLockStyle() { setLockStyle(TUTYLauncher::AssetLock); }

void TUTYAdminCommands::setLockStyle(int style)
{
    m_window.setLockStyle(style);
    if (PR_Preference *preferences = m_window.userPreferences()) {
        preferences->setIntValue(kLockStyleKey, style);
        preferences->save();
    }
}

// Names and style

void TUTYAdminCommands::onActionUnicodeName()
{
    // The name validator holds the value every name check of the process uses.
    const bool accept = !TUSceneNameValidator::acceptUnicode();
    TUSceneNameValidator::setAcceptUnicode(accept);
    if (PR_Preference *preferences = m_window.userPreferences()) {
        preferences->setBoolValue(kUnicodeNameKey, accept);
        preferences->save();
    }
    if (m_unicodeNames)
        m_unicodeNames->setChecked(accept);
}

void TUTYAdminCommands::onActionDarkStyle(bool checked)
{
    if (BUIAPP_Application *app = BUIAPP_Application::instance())
        app->setDarkStyle(checked);
}

// Commands that open a dialog

void TUTYAdminCommands::users()
{
    if (permits(DBA_UserOps::Admin, kContext,
                QT_TRANSLATE_NOOP("TUTYAdminCommands", "You do not have the permission necessary to manage users --")))
        (new TUTYUserListDlg(dialogParent(), &access()))->exec();
}

void TUTYAdminCommands::changeApprovalPolicy()
{
    const QString environment = m_window.currentEnvironment();
    if (!environment.isEmpty()
        && permits(DBA_UserOps::Admin, kContext,
                   QT_TRANSLATE_NOOP("TUTYAdminCommands",
                                     "You do not have the permission necessary to change approval policies --")))
        (new TUTYApprovalPolicyDlg(dialogParent(), &access(), environment))->exec();
}

void TUTYAdminCommands::vectorizeStyle()
{
    m_window.vectorizeCommands().styles().exec();
}

void TUTYAdminCommands::openLockManager()
{
    if (!permits(DBA_UserOps::Admin, kContext,
                 QT_TRANSLATE_NOOP("TUTYAdminCommands", "You do not have the permission necessary to manage locks --")))
        return;
    (new DBUI_LockManager(dialogParent(), &access()))->exec();
    // Released locks may free the scenes shown.
    m_window.refreshScenes();
}

// Export and import

void TUTYAdminCommands::exportScene(bool isMainDlg)
{
    if (!TUTYRefusal::permits(access(), TUTYRefusal::ImportExportScenes))
        return;
    const QString environment = isMainDlg ? m_request.environment : m_window.currentEnvironment();
    const QStringList jobs = m_window.selectedJobs();
    const QString job = isMainDlg ? m_request.job : (jobs.size() == 1 ? jobs.first() : QString());
    const QStringList scenes = isMainDlg ? m_request.scenes : m_window.selectedScenes();
    // The exporter opens scenes in the window's access: nothing stays open under it.
    m_window.clearScenes();
    WHO_AppInfo appInfo(QStringLiteral("Tallyard"));
    TUExportDlg dialog(dialogParent(), &access(), &m_window.selector(), &appInfo, environment, job, scenes,
                       m_window.useCurrentWorkingDir());
    if (isMainDlg)
        dialog.setPath(m_request.path);
    dialog.exec();
    m_window.selectEnvJobScene(environment, job, scenes.value(0));
}
void TUTYAdminCommands::exportScene() { exportScene(false); }

void TUTYAdminCommands::openImport(bool isMainDlg, bool multiple)
{
    if (!TUTYRefusal::permits(access(), TUTYRefusal::ImportExportScenes))
        return;
    const QString environment = m_window.currentEnvironment();
    const QStringList jobs = m_window.selectedJobs();
    const QStringList scenes = m_window.selectedScenes();
    if (jobs.size() == 1)
        m_window.clearScenes();
    TUTYImportRemap remap(&access());
    TUImportDlg dialog(dialogParent(), &access(), &m_window.selector(), m_window.useCurrentWorkingDir(), multiple);
    dialog.setRemap(&remap);
    bool show = true;
    if (isMainDlg) {
        if (!m_request.path.isEmpty())
            dialog.setPackagePath(m_request.path);
        dialog.setDestination(m_request.environment, m_request.job, m_request.fileSystem);
        if (m_request.autoDestination) {
            dialog.interactiveImport();
            show = !dialog.lastRunSucceeded();
        }
    } else if (jobs.size() == 1) {
        dialog.setDestination(environment, jobs.first(), access().sceneDirPatternList().value(0));
    }
    if (show)
        dialog.exec();
    if (jobs.size() == 1)
        m_window.selectEnvJobScene(environment, jobs.first(), scenes.value(0));
}

void TUTYAdminCommands::importScene(bool isMainDlg) { openImport(isMainDlg, false); }
void TUTYAdminCommands::importScene() { importScene(false); }
void TUTYAdminCommands::importScenes(bool isMainDlg) { openImport(isMainDlg, true); }
void TUTYAdminCommands::importScenes() { importScenes(false); }
