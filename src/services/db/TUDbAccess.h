#pragma once

#include "DBA_Context.h"
#include "DBA_EnvironmentOps.h"
#include "DBA_FileSpaceOps.h"
#include "DBA_JobOps.h"
#include "DBA_LockOps.h"
#include "DBA_QueueOps.h"
#include "DBA_RenameMgr.h"
#include "DBA_SceneOps.h"
#include "DBA_SceneTableOps.h"
#include "DBA_SessionOps.h"
#include "DBA_UserOps.h"
#include "DBA_VersionOps.h"

#include <memory>

class TUDbSceneData;
class TUDbClient;

// Holds the state every operation set shares; constructed before them.
class DBA_ContextHolder
{
protected:
    std::unique_ptr<DBA_Context> m_context = std::make_unique<DBA_Context>();
};

// The program's access to the database: one object per session. Its
// operations come in sets by area (sessions, environments, jobs, scenes,
// versions and elements, locks, users and rights, queues, scene tables, the
// file space); all share one connection and keep the last failure's text
// and code (10 = already exists). Failures are results: -1, 0 or false as
// each operation says; nothing throws.
//
// Concurrency: one rule for every check-then-act. A write transaction that
// checks something and then acts on it first locks the row it decides on,
// before it reads anything: the scene row for a scene's delete, clear, copy
// onto, move, lock taking, check-out and force unlock; the job
// (DBA_RowLock::lockJob) for a job delete and for creating or reordering
// scenes, whose places depend on the others; the environment row for an
// environment delete and for creating a job in it. Rows are always locked in
// the order environment, job, scene. On PostgreSQL the lock is SELECT ... FOR
// UPDATE (DBA_RowLock), and the checks that follow are separate statements,
// which see what was committed before the lock was granted; a create at the
// bottom of a job only shares the job with other such creates (the job's
// places, an advisory lock taken before the job's row), the unique name
// deciding between two creates of one name. On SQLite every write
// transaction takes the database's write lock at BEGIN, and a lock taking or
// check-out, being one statement, needs no transaction. Write transactions
// hold neither file-system work nor checks that do not depend on the rows
// they lock (a new scene's folders and the checks of its name and folder
// come before). An UPDATE or DELETE that must change a row checks that it
// did, and folders are removed only after the commit
// (DBA_FolderOwnership). What "in use" means is DBA_SceneUse's.
class TUDbAccess : private DBA_ContextHolder,
                   public DBA_SessionOps,
                   public DBA_EnvironmentOps,
                   public DBA_JobOps,
                   public DBA_SceneOps,
                   public DBA_VersionOps,
                   public DBA_LockOps,
                   public DBA_UserOps,
                   public DBA_QueueOps,
                   public DBA_SceneTableOps,
                   public DBA_FileSpaceOps
{
public:
    using RenameMgr = DBA_RenameMgr;
    using RenameProgressFeedback = DBA_RenameProgressFeedback;
    using RenameMgrInitData = DBA_RenameMgrInitData;

    TUDbAccess();
    ~TUDbAccess();
    TUDbAccess(const TUDbAccess &) = delete;
    TUDbAccess &operator=(const TUDbAccess &) = delete;

    int lastErrorCode() const { return m_context->lastErrorCode(); }
    QString lastErrorText() const { return m_context->lastErrorText(); }

    // The access's own job and scene records, for callers that keep one open.
    dba_job_struct &jobRecord() { return m_job; }
    dba_scene_struct &sceneRecord() { return m_scene; }
    TUDbSceneData &sceneData() { return *m_sceneData; }
    TUDbClient &dbClient() { return *m_client; }

    // Closes the access's own scene and job and makes the scene data describe
    // the given scene.
    void closeScene();

    static RenameMgr *RenameMgr_getInstance(TUDbAccess *access) { return RenameMgr::getInstance(access); }
    static void RenameMgr_releaseInstance(TUDbAccess *access) { RenameMgr::releaseInstance(access); }

    DBA_Context &context() { return *m_context; }

private:
    dba_job_struct m_job;
    dba_scene_struct m_scene;
    std::unique_ptr<TUDbSceneData> m_sceneData;
    std::unique_ptr<TUDbClient> m_client;
};

// Makes database access objects; the program asks it for one at start-up.
class TUDbAccessCreation
{
public:
    static TUDbAccessCreation *getInstance();
    TUDbAccess *createDbAccessSingleDbClient();
};
