#include "TUDbAccess.h"

#include "TUDbClient.h"
#include "TUDbSceneData.h"

TUDbAccess::TUDbAccess()
    : DBA_SessionOps(*m_context)
    , DBA_EnvironmentOps(*m_context)
    , DBA_JobOps(*m_context)
    , DBA_SceneOps(*m_context)
    , DBA_VersionOps(*m_context)
    , DBA_LockOps(*m_context)
    , DBA_UserOps(*m_context)
    , DBA_QueueOps(*m_context)
    , DBA_SceneTableOps(*m_context)
    , DBA_FileSpaceOps(*m_context)
    , m_sceneData(std::make_unique<TUDbSceneData>())
    , m_client(std::make_unique<TUDbClient>(*this))
{
}

TUDbAccess::~TUDbAccess()
{
    RenameMgr::releaseInstance(this);
    closeScene();
    dba_Close2dDatabaseSession();
}

void TUDbAccess::closeScene()
{
    if (m_scene.isOpen())
        dba_CloseScene(m_scene);
    if (m_job.isOpen())
        dba_CloseJob(m_job);
}

TUDbAccessCreation *TUDbAccessCreation::getInstance()
{
    static TUDbAccessCreation creation;
    return &creation;
}

TUDbAccess *TUDbAccessCreation::createDbAccessSingleDbClient()
{
    return new TUDbAccess;
}
