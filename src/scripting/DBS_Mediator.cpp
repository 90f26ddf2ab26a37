#include "DBS_Mediator.h"

#include "DBS_EnvironmentFilter.h"
#include "DBS_FileHelper.h"
#include "DBS_RenameSceneBatch.h"
#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDbClient.h"
#include "TUDbSceneData.h"
#include "TUTYQueueWriter.h"
#include "oswRemapPath.h"
#include "oswUtil.h"

#include <QDir>
#include <QFileInfo>

namespace {
// The refusals of the operations, each tied to the right it needs.
enum Refusal {
    CreateEnvs, CreateJobs, CreateScenes, AddUsers, DeleteUsers, ModifyUsers, DeleteEnvs, ModifyEnvs, DeleteJobs,
    ModifyJobs, DeleteScenes, ClearScenes, CopyScenes, MoveScenes, RenameScenes, PriorityScenes, StageScenes,
    UnlockScenes, UnlockVersions, ImportScenes, ExportScenes, ApprovalPolicies
};

struct RefusalText {
    int permission;
    const char *text;
};

#define DBS_REFUSAL(what, again)                                                                                    \
    QT_TRANSLATE_NOOP("DBS_Mediator", "You do not have the permission necessary to " what " --\n"                   \
                                      "please contact your supervisor or TD to change your user type\n"              \
                                      "or to " again "\n")

const RefusalText refusals[] = {
    {DBA_UserOps::CreateEnv, DBS_REFUSAL("create environments", "create the environment")},
    {DBA_UserOps::CreateJob, DBS_REFUSAL("create jobs", "create the job")},
    {DBA_UserOps::CreateScene, DBS_REFUSAL("create scenes", "create the scene")},
    {DBA_UserOps::ModifyUsers, DBS_REFUSAL("add users", "add the user")},
    {DBA_UserOps::ModifyUsers, DBS_REFUSAL("delete users", "delete the user")},
    {DBA_UserOps::ModifyUsers, DBS_REFUSAL("modify users", "modify the user")},
    {DBA_UserOps::ModifyEnv, DBS_REFUSAL("delete environments", "delete the environment")},
    {DBA_UserOps::ModifyEnv, DBS_REFUSAL("modify environments", "modify the environment")},
    {DBA_UserOps::ModifyJob, DBS_REFUSAL("delete jobs", "delete the job")},
    {DBA_UserOps::ModifyJob, DBS_REFUSAL("modify jobs", "modify the job")},
    {DBA_UserOps::ModifyScene, DBS_REFUSAL("delete scenes", "delete the scene")},
    {DBA_UserOps::ModifyScene, DBS_REFUSAL("clear scenes", "clear the scene")},
    {DBA_UserOps::CopyScene, DBS_REFUSAL("copy scenes", "copy the scene")},
    {DBA_UserOps::ModifyScene, DBS_REFUSAL("move scenes", "move the scene")},
    {DBA_UserOps::RenameScene, DBS_REFUSAL("rename scenes", "rename the scene")},
    {DBA_UserOps::ChangeScenePriority, DBS_REFUSAL("change the priority of scenes", "change the priority of the scene")},
    {DBA_UserOps::ModifyScene, DBS_REFUSAL("change the stage of scenes", "change the stage of the scene")},
    {DBA_UserOps::ForceUnlockSceneAny,
     QT_TRANSLATE_NOOP("DBS_Mediator", "You do not own the lock on this scene or have the permission necessary to "
                                       "unlock a scene --\nplease contact your supervisor or TD to change your user "
                                       "type\nor to unlock the scene\n")},
    {DBA_UserOps::ForceUnlockSceneAny,
     QT_TRANSLATE_NOOP("DBS_Mediator", "You do not own the lock on this scene version or have the permission "
                                       "necessary to unlock a scene version --\nplease contact your supervisor or TD "
                                       "to change your user type\nor to unlock the scene version\n")},
    {DBA_UserOps::ImportExport, DBS_REFUSAL("import scenes", "import the scenes")},
    {DBA_UserOps::ImportExport, DBS_REFUSAL("export scenes", "export the scenes")},
    {DBA_UserOps::Admin, DBS_REFUSAL("change approval policies", "change the approval policy")},
};
#undef DBS_REFUSAL

// A job and one of its scenes opened for one operation and closed again
// whatever the way out. Opening failures are reported through the mediator.
class OpenScene
{
public:
    OpenScene(DBS_Mediator &mediator, TUDbAccess &access, dba_job_struct &job)
        : m_mediator(mediator), m_access(access), m_job(job) {}
    OpenScene(DBS_Mediator &mediator, TUDbAccess &access) : OpenScene(mediator, access, m_ownJob) {}
    ~OpenScene()
    {
        if (m_scene.isOpen())
            m_access.dba_CloseScene(m_scene);
        if (m_job.isOpen())
            m_access.dba_CloseJob(m_job);
    }

    bool openJob(const QString &name, bool report = true)
    {
        if (m_access.dba_OpenJob(name, m_job) != -1)
            return true;
        if (report)
            m_mediator.fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Error opening job: %1."), {name});
        return false;
    }
    // Opens the job and the scene; without a message of its own when
    // sceneMessage is null.
    bool open(const QString &job, const QString &scene,
              const char *sceneMessage = QT_TRANSLATE_NOOP("DBS_Mediator", "Could not open scene %1."))
    {
        if (!openJob(job))
            return false;
        if (m_access.dba_OpenScene(scene, m_job, m_scene) != -1)
            return true;
        if (sceneMessage)
            m_mediator.fail(sceneMessage, {scene});
        return false;
    }
    dba_job_struct &job() { return m_job; }
    dba_scene_struct &scene() { return m_scene; }
    void closeScene()
    {
        if (m_scene.isOpen())
            m_access.dba_CloseScene(m_scene);
    }

private:
    DBS_Mediator &m_mediator;
    TUDbAccess &m_access;
    dba_job_struct m_ownJob;
    dba_job_struct &m_job;
    dba_scene_struct m_scene;
};

} // namespace

DBS_Mediator::DBS_Mediator(TUDbAccess *access)
    : m_access(access)
{
}

void DBS_Mediator::fail(const char *sourceText, const QStringList &values)
{
    MSG_Text text("DBS_Mediator", sourceText);
    for (const QString &value : values)
        text.arg(value);
    m_lastError = text.translated();
    if (m_lastError.endsWith(QLatin1Char('\n')))
        m_lastError.chop(1);
    MSG_Scope("DBS_Mediator", text, MSG_Scope::Error);
}

bool DBS_Mediator::refused(int refusal)
{
    if (m_access->hasUserPermission(refusals[refusal].permission))
        return false;
    fail(refusals[refusal].text);
    return true;
}

bool DBS_Mediator::mayImport()
{
    return !refused(ImportScenes);
}

bool DBS_Mediator::mayExport()
{
    return !refused(ExportScenes);
}

int DBS_Mediator::creationFailure(const char *sourceText, const QStringList &values)
{
    const bool exists = m_access->lastErrorCode() == 10;
    fail(sourceText, values);
    return exists ? 1 : 2;
}

// ---- users

QVector<dba_user_struct_type> DBS_Mediator::users()
{
    QVector<dba_user_struct_type> list;
    if (m_access->dba_GetAllUsers(list) < 0)
        list.clear();
    return list;
}

bool DBS_Mediator::addUser(const dba_user_struct_type &user)
{
    if (refused(AddUsers))
        return false;
    if (m_access->addUser(user.name, user.firstName, user.lastName, user.email, user.type) == 0)
        return true;
    fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Failed to add user %1"), {user.name});
    return false;
}

bool DBS_Mediator::deleteUser(const QString &name)
{
    if (name == QLatin1String("BATCH")) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "You are not allowed to delete the user BATCH."));
        return false;
    }
    if (name == m_access->userName()) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "You are not allowed to delete the user tallyard is logged in as."));
        return false;
    }
    if (refused(DeleteUsers))
        return false;
    if (m_access->deleteUser(name) == 0)
        return true;
    fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Failed to delete user %1"), {name});
    return false;
}

bool DBS_Mediator::modifyUser(const dba_user_struct_type &user)
{
    if (refused(ModifyUsers))
        return false;
    if (m_access->modifyUser(user.name, user.name, user.lastName, user.firstName, user.type) == 0)
        return true;
    fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Failed to modify user %1"), {user.name});
    return false;
}

bool DBS_Mediator::verifyUser(const QString &name)
{
    for (const dba_user_struct_type &user : users()) {
        if (user.name == name)
            return true;
    }
    fail(QT_TRANSLATE_NOOP("DBS_Mediator", "User %1 does not exist in database."), {name});
    return false;
}

// ---- environments

bool DBS_Mediator::environments(QVector<Environment> &list)
{
    list.clear();
    QStringList names;
    if (m_access->dba_GetEnvironments(names) < 0) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Cannot get environments list"));
        return false;
    }
    const DBS_EnvironmentFilter &filter = DBS_EnvironmentFilter::instance();
    const bool all = !filter.applies() || m_access->hasUserPermissionToListAllEnvironments();
    const QString user = m_access->getDbaUserStruct().name;
    for (const QString &name : names) {
        if (!all && !filter.allows(name, user))
            continue;
        int status = 0;
        const bool lock = m_access->dba_GetEnvironmentSceneLock(name, status);
        list.append({name, status != -1 && lock});
    }
    return true;
}

int DBS_Mediator::createEnvironment(const QString &name, bool assetLock)
{
    if (refused(CreateEnvs))
        return 2;
    if (m_access->createEnv(name, assetLock) != 0)
        return 0;
    return creationFailure(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not create environment %1"), {name});
}

bool DBS_Mediator::deleteEnvironment(const QString &name)
{
    if (refused(DeleteEnvs))
        return false;
    QVector<dba_job_struct> jobs;
    if (m_access->dba_GetAllEnvironmentJobs(name, jobs) > 0) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not delete environment %1 as it still contains jobs."), {name});
        return false;
    }
    if (m_access->deleteEnv(name) != 0)
        return true;
    fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not delete environment %1"), {name});
    return false;
}

bool DBS_Mediator::verifyEnvironment(const QString &name)
{
    QVector<Environment> list;
    environments(list);
    for (const Environment &environment : list) {
        if (environment.name == name)
            return true;
    }
    return false;
}

bool DBS_Mediator::modifyEnvironment(const QString &name, bool assetLock)
{
    if (refused(ModifyEnvs))
        return false;
    if (m_access->dba_SetEnvironmentSceneLock(name, assetLock))
        return true;
    fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not change scene asset lock of the environment %1"), {name});
    return false;
}

// ---- jobs

QVector<dba_job_struct> DBS_Mediator::jobs(const QString &environment)
{
    QVector<dba_job_struct> list;
    if (m_access->dba_GetEnvironmentJobs(environment, list) < 0)
        list.clear();
    return list;
}

int DBS_Mediator::createJob(const dba_job_struct &job)
{
    if (refused(CreateJobs))
        return 2;
    if (!verifyEnvironment(job.environment)) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not create job as environment %1 does not exist."),
             {job.environment});
        return 2;
    }
    for (const QString &user : {job.td, job.atd}) {
        if (!user.isEmpty() && !verifyUser(user))
            return 2;
    }
    if (verifyJob(job.name)) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Job %1 already exists,\npossibly in another environment."), {job.name});
        return 1;
    }
    dba_job_struct record = job;
    record.creationFlag = 1;
    if (m_access->dba_createJob(record) >= 0)
        return 0;
    return creationFailure(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not create job %1 in environment %2."),
                           {job.name, job.environment});
}

bool DBS_Mediator::deleteJob(const QString &name)
{
    if (refused(DeleteJobs))
        return false;
    {
        OpenScene open(*this, *m_access);
        if (open.openJob(name, false) && !m_access->buildScenesList(open.job()).isEmpty()) {
            fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not delete job %1 as it still contains scenes."), {name});
            return false;
        }
    }
    if (m_access->dba_deleteJob(name) != 0)
        return true;
    fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not delete job %1"), {name});
    return false;
}

bool DBS_Mediator::modifyJob(const dba_job_struct &job)
{
    if (refused(ModifyJobs))
        return false;
    for (const QString &user : {job.td, job.atd}) {
        if (!user.isEmpty() && !verifyUser(user))
            return false;
    }
    OpenScene open(*this, *m_access);
    if (!open.openJob(job.name))
        return false;
    dba_job_struct &record = open.job();
    // The window leaves approval policies to administrators: so does a
    // script, and a refused change changes nothing of the job.
    if (job.manualApproval != record.manualApproval && refused(ApprovalPolicies))
        return false;
    bool ok = true;
    if (!m_access->dba_changePriorityJob(record, job.priority)) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not change priority of the job %1"), {job.name});
        ok = false;
    }
    if (!m_access->dba_changeApprovalPolicy(record, job.manualApproval ? 1 : 0)) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not change approval policy of the job %1"), {job.name});
        ok = false;
    }
    if (!m_access->dba_changeStageJob(record, job.stage)) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not change stage of the job %1"), {job.name});
        ok = false;
    }
    if (!job.td.isEmpty() && job.td != record.td) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "change of TD not yet implemented\n"));
        ok = false;
    }
    if (!job.atd.isEmpty() && job.atd != record.atd) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "change of ATD not yet implemented\n"));
        ok = false;
    }
    return ok;
}

bool DBS_Mediator::verifyJob(const QString &name)
{
    OpenScene open(*this, *m_access);
    return open.openJob(name, false);
}

// ---- scenes

QVector<dba_scene_struct> DBS_Mediator::scenes(const QString &job, bool lockedOnly)
{
    // The open job's scene table already holds every field a listing shows,
    // so a job of thousands of scenes is listed with one query.
    QVector<dba_scene_struct> list;
    OpenScene open(*this, *m_access);
    if (!open.openJob(job))
        return list;
    DBC_Table &table = open.job().scene();
    for (bool row = table.first(); row; row = table.next()) {
        const dba_scene_struct scene = TUDbAccess::sceneAtCurrentRow(open.job());
        if (lockedOnly && !m_access->isSceneLocked(open.job(), scene.name))
            continue;
        list.append(scene);
    }
    return list;
}

int DBS_Mediator::createScene(const QString &job, const QString &scene, const QString &fileSystem,
                              const QString &path, int position)
{
    if (refused(CreateScenes))
        return 2;
    OpenScene open(*this, *m_access);
    if (!open.openJob(job))
        return 2;
    if (!availableFileSystems().contains(fileSystem)) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "File System %1, Not Found."), {fileSystem});
        return 2;
    }
    if (m_access->isSceneExists(open.job(), scene)) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Scene %1 already exists"), {scene});
        return 1;
    }
    const QString scenePath = path.isEmpty() ? m_access->buildStandardScenePath(fileSystem, job, scene) : path;
    if (position == 0)
        position = m_access->dba_scene_create_sort_pos();
    if (m_access->dba_CreateScene(open.job(), scene, m_access->userName(), fileSystem, scenePath, position, -1, 1))
        return 0;
    return creationFailure(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not create scene %1"), {scene});
}

bool DBS_Mediator::deleteScene(const QString &job, const QString &scene)
{
    if (refused(DeleteScenes))
        return false;
    OpenScene open(*this, *m_access);
    if (!open.open(job, scene))
        return false;
    if (m_access->dba_IsSceneCheckedOut(open.scene()) == 1) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Scene %1 is currently checked out, can't delete"), {scene});
        return false;
    }
    if (m_access->dba_GetSceneLock(open.scene()) != 0) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Scene %1 is currently locked, can't delete"), {scene});
        return false;
    }
    m_access->dba_ReleaseSceneLock(open.scene());
    open.closeScene();
    if (m_access->dba_deleteScene(open.job(), scene))
        return true;
    fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Error trying to delete scene %1"), {scene});
    return false;
}

bool DBS_Mediator::clearScene(const QString &job, const QString &scene)
{
    if (refused(ClearScenes))
        return false;
    OpenScene open(*this, *m_access);
    if (!open.openJob(job))
        return false;
    if (m_access->dba_clearScene(open.job(), scene) != 0)
        return true;
    fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Error trying to clear scene %1"), {scene});
    return false;
}

bool DBS_Mediator::renameScene(const QString &job, const QString &scene, const QString &newName)
{
    if (refused(RenameScenes))
        return false;
    // The rename manager works on the access's own open job.
    OpenScene open(*this, *m_access, m_access->jobRecord());
    if (!open.open(job, scene))
        return false;
    if (m_access->dba_IsSceneCheckedOut(open.scene()) == 1) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Scene %1 is currently checked out, can't rename"), {scene});
        return false;
    }
    if (m_access->dba_GetSceneLock(open.scene()) != 0) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Scene %1 is currently locked, can't rename"), {scene});
        return false;
    }
    m_access->dba_ReleaseSceneLock(open.scene());
    open.closeScene();
    DBS_RenameSceneBatch batch(m_access, scene, newName);
    QString errorText, detail;
    TUDbAccess::RenameMgr::StatusCode status;
    if (batch.rename(errorText, TUDbAccess::RenameMgr::Undo, status, detail) == 0)
        return true;
    m_lastError = errorText.trimmed();
    return false;
}

bool DBS_Mediator::copyScene(const QString &fromJob, const QString &fromScene, const QString &toJob,
                             const QString &toScene, bool allData)
{
    if (refused(CopyScenes))
        return false;
    OpenScene from(*this, *m_access);
    OpenScene to(*this, *m_access);
    if (!from.openJob(fromJob) || !to.openJob(toJob))
        return false;
    if (m_access->dba_copyXsheet(from.job(), fromScene, to.job(), toScene, allData))
        return true;
    fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not copy scene %1 to scene %2"), {fromScene, toScene});
    return false;
}

bool DBS_Mediator::preMoveSceneValidate(const QString &job, const QString &scene, const QString &fileSystem)
{
    if (!oswUtil::AdminOrRoot()) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "This service does not have permission to move scenes --\n"
                                               "please contact your supervisor or TD.\n"));
        return false;
    }
    if (refused(MoveScenes))
        return false;
    if (fileSystem.isEmpty()) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Please select a file system."));
        return false;
    }
    if (!availableFileSystems().contains(fileSystem)) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "File System %1, Not Found."), {fileSystem});
        return false;
    }
    OpenScene open(*this, *m_access);
    if (!open.open(job, scene))
        return false;
    DBS_FileHelper files;
    const int free = files.getFreeSpace(oswRemapPath::RemapPath2(fileSystem));
    if (free < 0 || double(free) < double(files.getSizeInMegabytes(open.scene().path))) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Not enough space available in %1."), {fileSystem});
        return false;
    }
    return true;
}

bool DBS_Mediator::moveScene(const QString &job, const QString &scene, const QString &fileSystem, bool override)
{
    if (!preMoveSceneValidate(job, scene, fileSystem))
        return false;
    if (!override && fileSystemHasDirectory(job, scene, fileSystem)) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "The folder of scene %1 already exists in %2."), {scene, fileSystem});
        return false;
    }
    OpenScene open(*this, *m_access);
    if (!open.openJob(job))
        return false;
    if (m_access->dba_moveScene(open.job(), scene, fileSystem))
        return true;
    fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not move scene %1 to %2"), {scene, fileSystem});
    return false;
}

bool DBS_Mediator::fileSystemHasDirectory(const QString &job, const QString &scene, const QString &fileSystem)
{
    return QFileInfo(oswRemapPath::RemapPath2(m_access->buildStandardScenePath(fileSystem, job, scene))).isDir();
}

int DBS_Mediator::sceneSize(const QString &job, const QString &scene)
{
    OpenScene open(*this, *m_access);
    if (!open.open(job, scene))
        return 0;
    return int(DBS_FileHelper().getSizeInMegabytes(open.scene().path));
}

bool DBS_Mediator::sceneHasXsheet(const QString &job, const QString &scene)
{
    OpenScene open(*this, *m_access);
    return open.open(job, scene) && m_access->sceneHasXsheet(open.scene()) == 2;
}

bool DBS_Mediator::changeSceneStage(const QString &job, const QString &scene, const QString &stage)
{
    if (refused(StageScenes))
        return false;
    OpenScene open(*this, *m_access);
    if (!open.open(job, scene, QT_TRANSLATE_NOOP("DBS_Mediator", "Scene %1 file has errors or is missing.")))
        return false;
    open.closeScene();
    if (m_access->dba_changeSceneStage(open.job(), scene, stage))
        return true;
    fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not change stage of the scene %1"), {scene});
    return false;
}

bool DBS_Mediator::changeScenePriority(const QString &job, const QString &scene, int priority)
{
    if (refused(PriorityScenes))
        return false;
    if (priority < 0 || priority > 10) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "priority of the scene %1 must be between 0 and 10"), {scene});
        return false;
    }
    OpenScene open(*this, *m_access);
    if (!open.openJob(job) || !m_access->isSceneExists(open.job(), scene)) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator",
                               "priority of the scene %1 can't be changed because the scene does not exist"),
             {scene});
        return false;
    }
    if (!QFileInfo(oswRemapPath::RemapPath2(TUDbSceneData::jobDirOf(job))).isDir()) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator",
                               "priority of the scene %1 can't be changed because the job directory does not exist"),
             {scene});
        return false;
    }
    if (m_access->dba_changePriorityScene(open.job(), scene, priority))
        return true;
    fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not change priority of the scene %1"), {scene});
    return false;
}

QStringList DBS_Mediator::availableFileSystems()
{
    return m_access->sceneDirPatternList();
}

// ---- locks

bool DBS_Mediator::canUnlock(const QString &lockUser, const QString &user)
{
    // Owning the lock counts only for the user this session works as: a
    // script cannot borrow another user's name to free that user's lock.
    if (m_access->hasUserPermissionForceUnlockSceneAny())
        return true;
    return !lockUser.isEmpty() && lockUser == user && user == m_access->userName()
        && m_access->hasUserPermissionForceUnlockSceneOwned();
}

bool DBS_Mediator::isLockOwner(const QString &job, const QString &scene, const QString &user)
{
    OpenScene open(*this, *m_access);
    return open.openJob(job, false) && m_access->dba_GetSceneLockUser(open.job(), scene) == user;
}

bool DBS_Mediator::forceUnlockScene(const QString &job, const QString &scene, const QString &user)
{
    OpenScene open(*this, *m_access);
    if (!open.openJob(job))
        return false;
    if (!canUnlock(m_access->dba_GetSceneLockUser(open.job(), scene), user)) {
        fail(refusals[UnlockScenes].text);
        return false;
    }
    // Without the right to unlock any scene, only what the owner still holds
    // is released, checked and removed in one step.
    const bool unlocked = m_access->hasUserPermissionForceUnlockSceneAny()
        ? m_access->dba_forceUnlockScene(open.job(), scene)
        : m_access->dba_forceUnlockOwnedScene(open.job(), scene, user);
    if (unlocked)
        return true;
    fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not unlock scene %1"), {scene});
    return false;
}

bool DBS_Mediator::forceUnlockSceneVersion(const QString &job, const QString &scene, qint64 versionId,
                                           const QString &user)
{
    OpenScene open(*this, *m_access);
    if (!open.open(job, scene))
        return false;
    if (!canUnlock(m_access->dba_GetSceneVersionLockUser(open.scene(), versionId), user)) {
        fail(refusals[UnlockVersions].text);
        return false;
    }
    if (m_access->dba_forceUnlockSceneVersion(m_access->userName(), open.scene(), versionId))
        return true;
    fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not unlock version %1 of scene %2"),
         {QString::number(versionId), scene});
    return false;
}

QVector<QVX_scene_version> DBS_Mediator::lockedSceneVersions(const QString &job, const QString &scene)
{
    QVector<QVX_scene_version> locked;
    OpenScene open(*this, *m_access);
    QVector<qint64> ids;
    if (!open.open(job, scene) || !m_access->dba_GetAllLockedVersionIds(open.scene(), ids))
        return locked;
    for (const QVX_scene_version &version : m_access->QVX_scene_versions_of_DBA_scene(open.scene())) {
        if (ids.contains(version.id))
            locked.append(version);
    }
    return locked;
}

QStringList DBS_Mediator::lockedAssets(const QString &job)
{
    // Asset locks are keyed by the asset's stored path, which holds the
    // job's name as one of its folders.
    QStringList keys;
    for (const QString &kind : {QStringLiteral("V1"), QStringLiteral("V2")}) {
        for (const dba_lock_struct &lock : m_access->dba_GetLocks(kind)) {
            if (lock.key.split(QLatin1Char('/')).contains(job))
                keys << lock.key;
        }
    }
    return keys;
}

bool DBS_Mediator::forceUnlockAsset(const QString &asset)
{
    if (!m_access->hasUserPermissionForceUnlockSceneAny()) {
        fail(refusals[UnlockScenes].text);
        return false;
    }
    if (m_access->dba_ForceReleaseLock(QStringLiteral("V2"), asset)
        || m_access->dba_ForceReleaseLock(QStringLiteral("V1"), asset))
        return true;
    fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not unlock asset %1"), {asset});
    return false;
}

// ---- contents

QVector<QVX_scene_version> DBS_Mediator::versions(const QString &job, const QString &scene)
{
    OpenScene open(*this, *m_access);
    if (!open.open(job, scene))
        return {};
    return m_access->QVX_scene_versions_of_DBA_scene(open.scene());
}

QVector<QVX_element_data> DBS_Mediator::elements(const QString &job, const QString &scene)
{
    OpenScene open(*this, *m_access);
    if (!open.open(job, scene))
        return {};
    return m_access->read_DBA_elements(open.scene());
}

QVector<dba_cel_struct> DBS_Mediator::drawings(const QString &job, const QString &scene, const QString &element,
                                              qint64 elementId)
{
    QVector<dba_cel_struct> cels;
    OpenScene open(*this, *m_access);
    if (!open.open(job, scene))
        return cels;
    for (const QVX_element_data &data : m_access->read_DBA_elements(open.scene())) {
        if (data.name == element && (elementId == 0 || data.id == elementId)) {
            if (m_access->dba_GetCels(open.scene(), data.id, cels) < 0)
                cels.clear();
            return cels;
        }
    }
    fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Element %1 not found"), {element});
    return cels;
}

bool DBS_Mediator::exportSizes(const QString &job, const QStringList &scenes, ExportSizes &sizes)
{
    OpenScene open(*this, *m_access);
    if (!open.openJob(job))
        return false;
    DBS_FileHelper files;
    const auto measure = [&files](const QString &storedPath) { return files.getSizeInMegabytes(storedPath); };
    for (const QString &name : scenes) {
        dba_scene_struct scene;
        if (m_access->dba_OpenScene(name, open.job(), scene) == -1) {
            fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not open scene %1."), {name});
            return false;
        }
        const QString folder = scene.path;
        sizes.audio += measure(folder + QStringLiteral("/audio"));
        sizes.database += measure(folder + QStringLiteral("/database"));
        sizes.final += measure(folder + QStringLiteral("/frames"));
        sizes.timing += measure(folder + QStringLiteral("/timings"));
        sizes.stage += measure(folder + QStringLiteral("/stage"));
        sizes.annotation += measure(folder + QStringLiteral("/annotation"));
        sizes.scenePalette += measure(folder + QStringLiteral("/palette-library"));
        sizes.sceneGroup += measure(folder + QStringLiteral("/group"));
        sizes.sceneLibrary += measure(folder + QStringLiteral("/library"));
        for (const QString &root : m_access->getElementsRootFoldersList(scene))
            sizes.element += measure(folder + QLatin1Char('/') + root + QStringLiteral("/elements"));
        m_access->dba_CloseScene(scene);
    }
    // The job's and environment's folders go into a package once, however
    // many of its scenes are exported.
    const QString jobDir = TUDbSceneData::jobDirOf(job);
    const QString envDir = TUDbSceneData::environmentDir(open.job().environment);
    sizes.jobGroup = measure(jobDir + QStringLiteral("/groups"));
    sizes.jobLibrary = measure(jobDir + QStringLiteral("/library"));
    sizes.jobPalette = measure(jobDir + QStringLiteral("/palette-library"));
    sizes.envGroup = measure(envDir + QStringLiteral("/groups"));
    sizes.envLibrary = measure(envDir + QStringLiteral("/library"));
    sizes.envPalette = measure(envDir + QStringLiteral("/palette-library"));
    return true;
}

// ---- queues

QVector<dba_queueEntry_struct> DBS_Mediator::queueEntries(const QString &environment, int kind)
{
    QVector<dba_queueEntry_struct> entries;
    dba_queue_struct queue;
    if (m_access->dba_OpenQueue(kind, environment, queue) != 0) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Error trying to open environment queue %1"), {environment});
        return entries;
    }
    if (m_access->dba_GetQueueEntries(queue, entries) < 0)
        entries.clear();
    m_access->dba_CloseQueue(queue);
    return entries;
}

bool DBS_Mediator::renderScene(const QString &environment, const QString &job, const QString &scene,
                               const QString &version, const QString &options)
{
    OpenScene open(*this, *m_access);
    if (!open.open(job, scene))
        return false;
    if (!version.isEmpty()) {
        bool found = false;
        for (const QVX_scene_version &v : m_access->QVX_scene_versions_of_DBA_scene(open.scene()))
            found = found || v.name == version || QString::number(v.number) == version;
        if (!found) {
            fail(QT_TRANSLATE_NOOP("DBS_Mediator", "the version  %1  does not exist"), {version});
            return false;
        }
    }
    dba_queue_struct queue;
    if (m_access->dba_OpenQueue(DBA_QueueOps::RenderQueue, environment, queue) != 0) {
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Error trying to open environment queue %1"), {environment});
        return false;
    }
    dba_queueEntry_struct entry;
    entry.kind = 1;
    entry.jobName = job;
    entry.sceneName = scene;
    entry.options = version.isEmpty() ? options : options + QStringLiteral(" -version ") + version;
    const bool added = m_access->dba_AddQueueEntry(queue, entry) == 0;
    m_access->dba_CloseQueue(queue);
    if (!added)
        fail(QT_TRANSLATE_NOOP("DBS_Mediator", "Could not queue scene %1 for rendering"), {scene});
    return added;
}

bool DBS_Mediator::vectorizeElement(const QString &environment, const QString &job, const QString &scene,
                                    const QString &element, int queueKind, const QString &options,
                                    const QString &format)
{
    OpenScene open(*this, *m_access);
    if (!open.open(job, scene))
        return false;
    QString folder;
    for (const QVX_element_data &data : m_access->read_DBA_elements(open.scene())) {
        if (data.name == element)
            folder = data.folder;
    }
    const bool queued = TUTYQueueWriter::addToVectorizeQueue(*m_access, open.scene(), environment, element, folder,
                                                             QString(), queueKind, options, format);
    if (!queued)
        m_lastError = QCoreApplication::translate("DBS_Mediator", "Could not queue element %1").arg(element);
    return queued;
}

QStringList DBS_Mediator::namedResolutions()
{
    return TUDbResolution(*m_access).names();
}
