#pragma once

#include "TUTYCommands.h"

#include <QStringList>

#include <array>

// The Admin menu: users, approval policy, vectorize styles, export and
// import, the lock taken when opening a scene (kept in the user's
// preferences), the lock manager, Unicode names and the dark style.
class TUTYAdminCommands : public TUTYMenuCommands
{
    Q_OBJECT
public:
    // What start-up asks of the export and import commands it runs: the
    // command line's environment, job, scenes, file system and path; with
    // autoDestination the import runs at once and the dialog shows only
    // when it fails.
    struct StartupRequest {
        QString environment;
        QString job;
        QStringList scenes;
        QString fileSystem;
        QString path;
        bool autoDestination = false;
    };

    TUTYAdminCommands(TUTallyard &window, QMenu *menu);

    void setStartupRequest(const StartupRequest &request) { m_request = request; }

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
    void openImport(bool isMainDlg, bool multiple);
    void buildLockStyleMenu(QMenu &menu);
    void setLockStyle(int style);

    std::array<QAction *, 4> m_lockStyles{};
    QAction *m_unicodeNames = nullptr;
    StartupRequest m_request;
};
