#include "TUTYSceneLockCommands.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUTYConfirm.h"
#include "TUTYRefusal.h"
#include "TUTYUnlockVersionDlg.h"
#include "TUTallyard.h"

namespace {
const char *const kContext = "TUTYSceneLockCommands";
}

TUTYSceneLockCommands::TUTYSceneLockCommands(TUTallyard &window)
    : TUTYCommands(window)
{
}

QStringList TUTYSceneLockCommands::selection(const char *noSelection) const
{
    const QStringList scenes = m_window.selectedScenes();
    if (scenes.isEmpty())
        MSG_Scope(kContext, noSelection);
    return scenes;
}

bool TUTYSceneLockCommands::readCheckout(const QString &name, QString &user)
{
    dba_scene_struct scene;
    if (access().dba_OpenScene(name, access().jobRecord(), scene) != 0) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYSceneLockCommands", "Could not find scene %1\n")).arg(name);
        return false;
    }
    user = access().dba_GetSceneCheckoutLock(scene) ? access().dba_GetSceneCheckoutUser(scene) : QString();
    access().dba_CloseScene(scene);
    return true;
}

void TUTYSceneLockCommands::reportNotOwner(const QString &name) const
{
    MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYSceneLockCommands",
                                          "You are not the owner of the checkout lock for scene %1 - \nyou cannot "
                                          "check the scene in.\n"))
        .arg(name);
}

void TUTYSceneLockCommands::reportCheckinRefusal() const
{
    TUTYRefusal::report(kContext, QT_TRANSLATE_NOOP("TUTYSceneLockCommands",
                                                    "You do not have the permission necessary to checkin scenes -- "));
}

// Check-out

void TUTYSceneLockCommands::checkoutScene()
{
    for (const QString &name :
         selection(QT_TRANSLATE_NOOP("TUTYSceneLockCommands", "Please select a scene to checkout\n")))
        checkoutOne(name);
    m_window.refreshScenes();
}

void TUTYSceneLockCommands::checkoutOne(const QString &name)
{
    dba_job_struct &job = access().jobRecord();
    dba_scene_struct scene;
    if (access().dba_OpenScene(name, job, scene) != 0) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYSceneLockCommands", "Could not find scene %1\n")).arg(name);
        return;
    }
    if (access().dba_GetSceneCheckoutLock(scene)) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYSceneLockCommands", "The scene is already checked out by user %1\n"))
            .arg(access().dba_GetSceneCheckoutUser(scene));
    } else if (!access().hasUserPermissionCheckoutScene()) {
        TUTYRefusal::report(kContext,
                            QT_TRANSLATE_NOOP("TUTYSceneLockCommands",
                                              "You do not have the permission necessary to checkout scene %1 -- "),
                            name);
    } else if (TUTYConfirm::yesNo(tr("Really checkout scene %1?").arg(name), QMessageBox::Yes)
               && !access().dba_CheckoutScene(job, name, userName())) {
        MSG_Scope(kContext, MSG_Text(access().lastErrorText()));
    }
    access().dba_CloseScene(scene);
}

// Check-in

void TUTYSceneLockCommands::checkinScene()
{
    const QStringList scenes =
        selection(QT_TRANSLATE_NOOP("TUTYSceneLockCommands", "Please select a scene to checkin\n"));
    if (scenes.isEmpty())
        return;
    if (!access().hasUserPermissionForceCheckinSceneOwned()) {
        reportCheckinRefusal();
        return;
    }
    for (const QString &name : scenes) {
        QString user;
        if (!readCheckout(name, user) || user.isEmpty())
            continue;
        if (user != userName())
            reportNotOwner(name);
        else if (!access().dba_forceCheckinScene(access().jobRecord(), name, false))
            MSG_Scope(kContext, MSG_Text(access().lastErrorText()));
    }
    m_window.refreshScenes();
}

QString TUTYSceneLockCommands::forceCheckinQuestion(const QString &scene)
{
    return tr("Be aware that checking in a scene that is in use may cause\nloss of data, and even irreversible "
              "corruption of the scene.\n\nBefore checking in a scene, you should be sure that no one is "
              "currently\nworking in it.\n\nReally checkin scene ")
        + scene + QStringLiteral("?\n");
}

void TUTYSceneLockCommands::forceCheckinScene()
{
    const QStringList scenes =
        selection(QT_TRANSLATE_NOOP("TUTYSceneLockCommands", "Please select a scene to force checkin\n"));
    if (scenes.isEmpty())
        return;
    const bool anyUser = access().hasUserPermissionForceCheckinSceneAny();
    if (!anyUser && !access().hasUserPermissionForceCheckinSceneOwned()) {
        reportCheckinRefusal();
        return;
    }
    for (const QString &name : scenes)
        forceCheckinOne(name, anyUser);
    m_window.refreshScenes();
}

void TUTYSceneLockCommands::forceCheckinOne(const QString &name, bool anyUser)
{
    QString user;
    if (!readCheckout(name, user) || user.isEmpty())
        return;
    if (!anyUser && user != userName()) {
        reportNotOwner(name);
        return;
    }
    if (TUTYConfirm::yesNo(forceCheckinQuestion(name))
        && !access().dba_forceCheckinScene(access().jobRecord(), name, false))
        MSG_Scope(kContext, MSG_Text(access().lastErrorText()));
}

// Forced unlocking


QString TUTYSceneLockCommands::forceUnlockQuestion(const QString &scene)
{
    return tr("Be aware that unlocking a scene that is in use may cause\nloss of data, and even irreversible "
              "corruption of the scene.\n\nBefore unlocking a scene, you should be sure that no one is "
              "currently\nworking in it.\n\nReally unlock scene ")
        + scene + QStringLiteral("?\n");
}

void TUTYSceneLockCommands::unlockScene()
{
    if (!permits(DBA_UserOps::ForceUnlockSceneOwned, kContext, QT_TRANSLATE_NOOP("TUTYSceneLockCommands",
                                          "You do not have the permission necessary to unlock a scene --")))
        return;
    const bool anyUser = access().hasUserPermissionForceUnlockSceneAny();
    for (const QString &name :
         selection(QT_TRANSLATE_NOOP("TUTYSceneLockCommands", "Please select a scene to force unlock\n")))
        unlockOne(name, anyUser);
    m_window.refreshScenes();
}

void TUTYSceneLockCommands::unlockOne(const QString &name, bool anyUser)
{
    if (!TUTYConfirm::yesNo(forceUnlockQuestion(name)))
        return;
    dba_job_struct &job = access().jobRecord();
    if (!anyUser && access().dba_GetSceneLockUser(job, name) != userName()) {
        TUTYRefusal::report(kContext, QT_TRANSLATE_NOOP("TUTYSceneLockCommands",
                                                        "You do not own this lock or have the permission necessary "
                                                        "to unlock a scene --"));
        return;
    }
    // Without the right for any lock, only what was checked to be the user's goes.
    const bool unlocked = anyUser ? access().dba_forceUnlockScene(job, name, true, false)
            && access().dba_forceCheckinScene(job, name, false)
                                  : access().dba_forceUnlockOwnedScene(job, name, userName());
    if (!unlocked)
        MSG_Scope(kContext, MSG_Text(access().lastErrorText()));
}

void TUTYSceneLockCommands::unlockSceneVersion()
{
    if (!permits(DBA_UserOps::ForceUnlockSceneOwned, kContext, QT_TRANSLATE_NOOP("TUTYSceneLockCommands",
                                          "You do not have the permission necessary to unlock a scene version --")))
        return;
    if (selection(QT_TRANSLATE_NOOP("TUTYSceneLockCommands", "Please select a scene to force unlock a version\n"))
            .isEmpty())
        return;
    QVector<qint64> versionIds;
    if (!access().dba_GetAllLockedVersionIds(access().sceneRecord(), versionIds) || versionIds.isEmpty()) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUTYSceneLockCommands", "No version locks dectected.\n"));
        return;
    }
    (new TUTYUnlockVersionDlg(dialogParent(), &access(), access().sceneRecord()))->exec();
}
