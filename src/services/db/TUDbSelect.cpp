#include "TUDbSelect.h"

#include "PR_Preference.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "oswUtil.h"

namespace {
const QString kLastLoginName = QStringLiteral("LAST_LOGIN_NAME");

// The failure text of access, or fallback when the access left none.
QString reasonOf(const TUDbAccess &access, const QString &fallback)
{
    const QString text = access.lastErrorText();
    return text.isEmpty() ? fallback : text;
}

// The number a version text names ("1" is version number 1); 0 when it names none.
int versionNumberOf(const QString &version)
{
    bool ok = false;
    const int number = version.trimmed().toInt(&ok);
    return ok && number > 0 ? number : 0;
}
} // namespace

// The flags change nothing any more; callers still pass them.
TUDbSelect::TUDbSelect(int, int, int, int)
    : m_access(std::make_unique<TUDbAccess>())
{
    // A selector without a database still works offline; dbOpened() tells.
    m_access->dba_Open2dDatabaseSession();
}

TUDbSelect::~TUDbSelect() = default;

bool TUDbSelect::dbOpened() const
{
    return m_access->isSessionOpen();
}

QString TUDbSelect::databaseFailure() const
{
    const int code = m_access->lastErrorCode();
    if (dbOpened() && (code == DBA_Context::NoError || code == DBA_Context::NotFound))
        return QString();
    return m_access->lastErrorText();
}

bool TUDbSelect::setUserName(const QString &name)
{
    PR_Preference &prefs = PR_Preference::localPrefs();
    prefs.setStringValue(kLastLoginName, name);
    // A name that cannot be remembered must not stop the login; the store
    // keeps its own error for whoever reports preference problems.
    prefs.save();
    return takeUser(name);
}

bool TUDbSelect::setDefaultUserName()
{
    // The login name of the operating system, for runs without a login
    // (batch, scripts); it is not what the login dialog should offer next.
    return takeUser(oswUtil::getUserName());
}

bool TUDbSelect::isValidUserName(const QString &name)
{
    dba_user_struct_type user;
    return dbOpened() && m_access->dba_GetUser(name, user);
}

bool TUDbSelect::takeUser(const QString &name)
{
    dba_user_struct_type user;
    if (!dbOpened() || !m_access->dba_GetUser(name, user))
        return false;
    m_user = user;
    TUDbAccess::copyUserData(user, m_access->getDbaUserStruct());
    m_access->sceneData().setUserName(user.name);
    return true;
}

QStringList TUDbSelect::environmentList()
{
    QStringList names;
    if (m_access->dba_GetEnvironments(names) < 0)
        names.clear();
    return names;
}

QStringList TUDbSelect::createJobsList(const QString &environment)
{
    QVector<dba_job_struct> jobs;
    QStringList names;
    if (m_access->dba_GetEnvironmentJobs(environment, jobs, 0) < 0)
        return names;
    for (const dba_job_struct &job : jobs)
        names << job.name;
    return names;
}

QVector<SceneInfo> TUDbSelect::createScenesList(const QString &job)
{
    QVector<SceneInfo> scenes;
    dba_job_struct opened;
    if (m_access->dba_OpenJob(job, opened) != 0)
        return scenes;
    // The open job's scene table already holds every scene in job order.
    const DBC_Table &table = opened.scene();
    for (int row = 0; row < table.rowCount(); ++row)
        scenes.append({table.data(row, DBC_Table::Name).toString(), table.data(row, DBC_Table::FileSystem).toString()});
    m_access->dba_CloseJob(opened);
    return scenes;
}

bool TUDbSelect::isSceneExists(const dba_job_struct &job, const QString &scene)
{
    return m_access->isSceneExists(job, scene);
}

bool TUDbSelect::openScene(TUDbAccess &access, QString &message, const QString &env, const QString &job,
                           const QString &scene, const QString &version, const QString &user)
{
    message.clear();
    access.closeScene();
    access.sceneData().clear();
    if (!openJobAndScene(access, message, env, job, scene) || !selectVersion(access, message, version)) {
        access.closeScene();
        access.sceneData().clear();
        return false;
    }
    if (!user.isEmpty())
        access.sceneData().setUserName(user);
    return true;
}

bool TUDbSelect::openJobAndScene(TUDbAccess &access, QString &message, const QString &env, const QString &job,
                                 const QString &scene)
{
    if (access.dba_OpenJob(job, access.jobRecord()) != 0) {
        message = reasonOf(access, dbaTr("Job %1 does not exist.").arg(job));
        return false;
    }
    if (!env.isEmpty() && access.jobRecord().environment != env) {
        message = dbaTr("Job %1 is not in environment %2.").arg(job, env);
        return false;
    }
    if (access.dba_OpenScene(scene, access.jobRecord(), access.sceneRecord()) != 0) {
        message = reasonOf(access, dbaTr("Scene %1 does not exist in job %2.").arg(scene, job));
        return false;
    }
    access.sceneData().setScene(access.sceneRecord());
    return true;
}

bool TUDbSelect::selectVersion(TUDbAccess &access, QString &message, const QString &version)
{
    if (version.isEmpty())
        return true;
    const int number = versionNumberOf(version);
    const dba_scene_struct &scene = access.sceneRecord();
    if (number == 0) {
        message = dbaTr("\"%1\" is not a version number.").arg(version);
        return false;
    }
    for (const QVX_scene_version &known : access.QVX_scene_versions_of_DBA_scene(scene)) {
        if (known.number == number) {
            access.sceneData().setVersionId(known.id);
            access.sceneData().setVersionNumber(number);
            return true;
        }
    }
    message = access.lastErrorCode() != 0 ? access.lastErrorText()
                                          : dbaTr("Scene %1 has no version %2.").arg(scene.name).arg(number);
    return false;
}

bool TUDbSelect::createScene(dba_job_struct &job, const QString &name, const QString &user,
                             const QString &fileSystem, const QString &scenePath, int versionNumber)
{
    if (!m_access->dba_CreateScene(job, name, user, fileSystem, scenePath, TUDbAccess::dba_scene_create_sort_pos(), -1, 1))
        return false;
    if (versionNumber <= 0 || recordVersion(job, name, versionNumber))
        return true;
    // A scene without the version its caller is about to fill is of no use:
    // take it away again, keeping the failure that explains why.
    const int code = m_access->lastErrorCode();
    const QString text = m_access->lastErrorText();
    m_access->dba_deleteScene(job, name);
    m_access->context().fail(code, text);
    return false;
}

bool TUDbSelect::recordVersion(const dba_job_struct &job, const QString &name, int versionNumber)
{
    dba_scene_struct scene;
    if (m_access->dba_OpenScene(name, job, scene) != 0)
        return false;
    const bool recorded = m_access->dba_addSceneVersion(scene, QString(), QString(), versionNumber) > 0;
    m_access->dba_CloseScene(scene);
    return recorded;
}
