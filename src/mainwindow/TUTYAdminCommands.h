#pragma once

#include "TUTYCommands.h"

#include <array>

// The Admin menu: users, approval policy, vectorize styles, export and
// import, the lock taken when opening a scene (kept in the user's
// preferences), the lock manager, Unicode names and the dark style.
class TUTYAdminCommands : public TUTYMenuCommands
{
    Q_OBJECT
public:
    TUTYAdminCommands(TUTallyard &window, QMenu *menu);

public slots:
    void users();
    void changeApprovalPolicy();
    void vectorizeStyle();
    // isMainDlg: opened by start-up rather than from the menu.
    void exportScene(bool isMainDlg);
    void exportScene();
    void importScene(bool isMainDlg);
    void importScene();
    void importScenes(bool isMainDlg);
    void importScenes();
    void openLockManager();
    void updateLockStyleMenu();
    void onNoLockStyle();
    void onSceneLockStyle();
    void onVersionLockStyle();
    void onAssetLockStyle();
    void onActionUnicodeName();
    void onActionDarkStyle(bool checked);

protected:
    void buildMenu(QMenu &menu) override;

private:
    void buildLockStyleMenu(QMenu &menu);
    void setLockStyle(int style);

    std::array<QAction *, 4> m_lockStyles{};
    QAction *m_unicodeNames = nullptr;
};
