#pragma once

#include "TUTYCommands.h"

// The Environment menu (also the environment list's context menu) and its
// commands: create, delete, change the scene-asset lock, and the queue
// programs of the environment.
class TUTYEnvironmentCommands : public TUTYMenuCommands
{
    Q_OBJECT
public:
    TUTYEnvironmentCommands(TUTallyard &window, QMenu *menu);

public slots:
    void rebuildEnvMenu();
    void createEnvironment();
    void deleteEnvironment();
    void changeAssetLock();

protected:
    void buildMenu(QMenu &menu) override;

private:
    QAction *m_create = nullptr;
    QAction *m_delete = nullptr;
    QAction *m_assetLock = nullptr;
    QAction *m_vectorizeQueue = nullptr;
    QAction *m_renderQueue = nullptr;
};
