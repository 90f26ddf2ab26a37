#include "TUDbSceneData.h"

#include "oswRemapPath.h"

namespace {
QString below(const QString &dir, const char *name)
{
    return dir.isEmpty() ? QString() : dir + QLatin1Char('/') + QLatin1String(name);
}
} // namespace

void TUDbSceneData::setScene(const dba_scene_struct &scene)
{
    m_env = scene.environment;
    m_job = scene.jobName;
    m_scene = scene.name;
    m_sceneDir = scene.path;
    m_versionId = scene.versionId;
    m_versionNumber = scene.currentVersion;
}

void TUDbSceneData::clear()
{
    const QString user = m_user;
    *this = TUDbSceneData();
    m_user = user;
}

QString TUDbSceneData::stageDir() const { return below(m_sceneDir, "stage"); }
QString TUDbSceneData::audioDir() const { return below(m_sceneDir, "audio"); }
QString TUDbSceneData::framesDir() const { return below(m_sceneDir, "frames"); }
QString TUDbSceneData::annotationDir() const { return below(m_sceneDir, "annotation"); }
QString TUDbSceneData::timingDir() const { return below(m_sceneDir, "timings"); }
QString TUDbSceneData::databaseDir() const { return below(m_sceneDir, "database"); }
QString TUDbSceneData::elementsDir() const { return below(m_sceneDir, "elements"); }
QString TUDbSceneData::paletteDir() const { return below(m_sceneDir, "palette-library"); }
QString TUDbSceneData::groupsDir() const { return below(m_sceneDir, "groups"); }
QString TUDbSceneData::libraryDir() const { return below(m_sceneDir, "library"); }
QString TUDbSceneData::envDir() const { return m_env.isEmpty() ? QString() : environmentDir(m_env); }
QString TUDbSceneData::envPaletteDir() const { return below(envDir(), "palette-library"); }
QString TUDbSceneData::envGroupDir() const { return below(envDir(), "groups"); }
QString TUDbSceneData::envLibraryDir() const { return below(envDir(), "library"); }
QString TUDbSceneData::jobDir() const { return m_job.isEmpty() ? QString() : jobDirOf(m_job); }
QString TUDbSceneData::jobPaletteDir() const { return below(jobDir(), "palette-library"); }
QString TUDbSceneData::jobGroupDir() const { return below(jobDir(), "groups"); }
QString TUDbSceneData::jobLibraryDir() const { return below(jobDir(), "library"); }

QString TUDbSceneData::stageFileName() const
{
    if (m_sceneDir.isEmpty() || m_versionNumber <= 0)
        return {};
    return stageDir() + QStringLiteral("/v%1.pavx").arg(m_versionNumber);
}

QString TUDbSceneData::environmentDir(const QString &env)
{
    return oswRemapPath::logicalRoot() + QStringLiteral("/environments/") + env;
}

QString TUDbSceneData::jobDirOf(const QString &job)
{
    return oswRemapPath::logicalRoot() + QStringLiteral("/jobs/") + job;
}

QString TUDbUserData::userPrefPath(const QString &userName)
{
    return oswRemapPath::RemapPath2(oswRemapPath::logicalRoot() + QStringLiteral("/users/") + userName
                                    + QStringLiteral("/tallyard.ini"));
}
