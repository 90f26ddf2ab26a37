#include "TDB_DemoCommand.h"

#include "TDB_DemoAssets.h"
#include "TDB_DemoScene.h"
#include "TDB_Session.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "oswRemapPath.h"

#include <QTextStream>

namespace {
const QVector<TDB_DemoAssets::PaletteColour> kLevelColours = {
    {"Ink", QColor(0, 0, 0)}, {"Paper", QColor(255, 255, 255)}, {"Shadow", QColor(0, 0, 0, 90)},
};

bool writeLevelPalette(const QString &storedDir, const QString &name, QString &error)
{
    return TDB_DemoAssets::writePalette(oswRemapPath::RemapPath2(storedDir) + QStringLiteral("/%1.plt").arg(name), name,
                                        kLevelColours, error);
}

// The remap presets an import into the environment offers: each names the
// path rewrites the scene editor's relink script applies.
bool writeRelinkPresets(const QString &environment, QString &error)
{
    const QString own = TUDbSceneData::environmentDir(environment);
    const QString presets =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<presets>\n"
                       "  <relink name=\"Vendor palettes\">\n"
                       "    <description value=\"/vendor/palettes -> %1/palette-library\"/>\n"
                       "  </relink>\n"
                       "  <relink name=\"Studio move\">\n"
                       "    <description value=\"/old-studio/environments/%2 -> %1\"/>\n"
                       "    <description value=\"/old-studio/jobs -> /QVX_DB/jobs\"/>\n"
                       "  </relink>\n"
                       "</presets>\n")
            .arg(own, environment);
    return TDB_DemoAssets::writeText(oswRemapPath::RemapPath2(own) + QStringLiteral("/relink.xml"), presets, error);
}
} // namespace

TDB_DemoCommand::TDB_DemoCommand(const DBA_Url &url, bool force)
    : m_url(url)
    , m_force(force)
{
}

TDB_DemoCommand::~TDB_DemoCommand() = default;

bool TDB_DemoCommand::run(QTextStream &out, QString &error)
{
    m_access = TDB_Session::open(m_url, error);
    if (!m_access || !checkEmpty(error) || !addUsers(error))
        return false;
    const QStringList fileSystems = m_access->sceneDirPatternList();
    if (fileSystems.isEmpty()) {
        error = tr("The database has no file system; add one with \"tallyard-db addfs PATH\".");
        return false;
    }
    m_fileSystem = fileSystems.first();
    for (const QString &environment : TDB_DemoStudio::environments()) {
        if (!addEnvironment(environment, error))
            return false;
    }
    int sceneIndex = 0;
    for (const TDB_DemoStudio::Job &job : TDB_DemoStudio::jobs()) {
        if (!addJob(job, sceneIndex, error))
            return false;
    }
    out << tr("Demo studio added to %1: %2 environments, %3 jobs, %4 scenes with %5 versions, "
              "%6 elements with %7 drawings, %8 users.")
               .arg(m_url.toString())
               .arg(m_added.environments)
               .arg(m_added.jobs)
               .arg(m_added.scenes)
               .arg(m_added.versions)
               .arg(m_added.elements)
               .arg(m_added.drawings)
               .arg(m_added.users)
        << '\n';
    return true;
}

bool TDB_DemoCommand::checkEmpty(QString &error)
{
    QStringList environments;
    if (m_access->dba_GetEnvironments(environments) < 0)
        return failed(error);
    if (environments.isEmpty() || m_force)
        return true;
    error = tr("The database %1 is not empty (environments: %2); the demo fills only an empty database. "
               "Use \"tallyard-db demo --force\" to add the demo studio anyway.")
                .arg(m_url.toString(), environments.join(QStringLiteral(", ")));
    return false;
}

bool TDB_DemoCommand::addUsers(QString &error)
{
    for (const TDB_DemoStudio::User &user : TDB_DemoStudio::users()) {
        const QString name = QLatin1String(user.name);
        if (m_access->addUser(name, QLatin1String(user.firstName), QLatin1String(user.lastName), QString(), user.type) == 0)
            ++m_added.users;
        else if (m_access->lastErrorCode() != DBA_Context::AlreadyExists)
            return failed(error);
    }
    return true;
}

bool TDB_DemoCommand::addEnvironment(const QString &name, QString &error)
{
    if (m_access->createEnv(name, false) != 0)
        ++m_added.environments;
    else if (m_access->lastErrorCode() != DBA_Context::AlreadyExists)
        return failed(error);
    return writeLevelPalette(TUDbSceneData::environmentDir(name) + QStringLiteral("/palette-library"), name, error)
        && writeRelinkPresets(name, error);
}

bool TDB_DemoCommand::addJob(const TDB_DemoStudio::Job &plan, int &sceneIndex, QString &error)
{
    dba_job_struct job;
    job.name = QLatin1String(plan.name);
    job.environment = QLatin1String(plan.environment);
    job.td = QLatin1String(plan.td);
    job.atd = QLatin1String(plan.atd);
    job.priority = plan.priority;
    job.manualApproval = plan.manualApproval;
    job.stage = plan.stage;
    job.creationFlag = 1;
    if (m_access->dba_createJob(job) >= 0)
        ++m_added.jobs;
    else if (m_access->lastErrorCode() != DBA_Context::AlreadyExists)
        return failed(error);
    if (!writeLevelPalette(TUDbSceneData::jobDirOf(job.name) + QStringLiteral("/palette-library"), job.name, error))
        return false;
    if (m_access->dba_OpenJob(job.name, job) != 0)
        return failed(error);
    const QStringList existing = m_access->buildScenesList(job);
    bool added = true;
    for (const QString &name : TDB_DemoStudio::sceneNames(plan)) {
        const int index = sceneIndex++;
        if (added && !existing.contains(name))
            added = addScene(job, name, index, error);
    }
    m_access->dba_CloseJob(job);
    return added;
}

bool TDB_DemoCommand::addScene(dba_job_struct &job, const QString &name, int index, QString &error)
{
    const QString path = TUDbAccess::buildStandardScenePath(m_fileSystem, job.name, name);
    if (!m_access->dba_CreateScene(job, name, m_access->userName(), m_fileSystem, path, TUDbAccess::AddAtBottom, -1, 1))
        return failed(error);
    ++m_added.scenes;
    TDB_DemoScene scene(*m_access, job, name, index);
    if (!scene.fill(error))
        return false;
    m_added.versions += scene.versionCount();
    m_added.elements += scene.elementCount();
    m_added.drawings += scene.drawingCount();
    return true;
}

bool TDB_DemoCommand::failed(QString &error) const
{
    error = m_access->lastErrorText();
    return false;
}
