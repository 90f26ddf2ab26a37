#include "TYBatchChanges.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUTYRefusal.h"
#include "TYBatchJob.h"
#include "oswRemapPath.h"

#include <QFileInfo>

#include <algorithm>

namespace {
const char *const kScope = "tallyard";

void refuse(const char *text, const QString &value = {})
{
    MSG_Text message(kScope, text);
    if (!value.isNull())
        message.arg(value);
    MSG_Scope(kScope, message, MSG_Scope::Error, 1);
}

MSG_Text textOf(const char *text, const QString &first, const QString &second = {})
{
    MSG_Text message(kScope, text);
    message.arg(first);
    if (!second.isNull())
        message.arg(second);
    return message;
}
} // namespace

TYBatchChanges::TYBatchChanges(const RunOptions &options, TUDbAccess &access)
    : m_options(options)
    , m_access(access)
    , m_scenes(options.sceneList)
{
    m_scenes.removeDuplicates();
}

TYBatchChanges::Level TYBatchChanges::level() const
{
    if (m_options.environment.isEmpty()) {
        refuse(QT_TRANSLATE_NOOP("tallyard", "Error no -env was specified"));
        return Level::Refused;
    }
    if (!m_options.positionalScene.isEmpty()) {
        refuse(QT_TRANSLATE_NOOP("tallyard", "The scene %1 was given without -scene: name scenes with -scene. "
                                             "Nothing was changed."),
               m_options.positionalScene);
        return Level::Refused;
    }
    if (m_options.emptySceneGiven) {
        refuse(QT_TRANSLATE_NOOP("tallyard", "A -scene option was given an empty name. Nothing was changed."));
        return Level::Refused;
    }
    if (m_options.job.isEmpty()) {
        if (!m_scenes.isEmpty()) {
            refuse(QT_TRANSLATE_NOOP("tallyard", "Error no -job was specified"));
            return Level::Refused;
        }
        return Level::Environment;
    }
    return m_scenes.isEmpty() ? Level::Job : Level::Scenes;
}

void TYBatchChanges::reportFailure(MSG_Text text) const
{
    const QString reason = m_access.lastErrorText();
    if (!reason.isEmpty()) {
        if (!text.text().endsWith(QLatin1Char('\n')))
            text += QStringLiteral("\n");
        text += MSG_Text(reason);
    }
    const bool exists = m_access.lastErrorCode() == DBA_Context::AlreadyExists;
    MSG_Scope(kScope, text, MSG_Scope::Error, exists ? DBA_Context::AlreadyExists : 2);
}

bool TYBatchChanges::create()
{
    switch (level()) {
    case Level::Refused: return false;
    case Level::Environment:
        if (!TUTYRefusal::permits(m_access, TUTYRefusal::CreateEnvironments))
            return false;
        if (m_access.createEnv(m_options.environment, true) != 0)
            return true;
        reportFailure(textOf(QT_TRANSLATE_NOOP("tallyard", "Could not create environment %1"), m_options.environment));
        return false;
    case Level::Job: return createJob();
    case Level::Scenes: return createScenes();
    }
    return false;
}

bool TYBatchChanges::createJob()
{
    if (!TUTYRefusal::permits(m_access, TUTYRefusal::CreateJobs))
        return false;
    dba_job_struct job;
    job.name = m_options.job;
    job.environment = m_options.environment;
    job.td = m_options.tdUser;
    job.atd = m_options.atdUser;
    job.priority = m_options.priority;
    job.creationFlag = 1;
    job.manualApproval = m_options.approvals.toUpper() == QLatin1String("MANUAL");
    if (m_access.dba_createJob(job) != -1)
        return true;
    reportFailure(textOf(QT_TRANSLATE_NOOP("tallyard", "Could not create job %1 in environment %2"), m_options.job,
                         m_options.environment));
    return false;
}

bool TYBatchChanges::fileSystemExists() const
{
    if (!m_options.scenePath.isEmpty())
        return true;
    if (!m_options.fileSystem.isEmpty() && QFileInfo(oswRemapPath::RemapPath2(m_options.fileSystem)).isDir())
        return true;
    MSG_Scope(kScope, QT_TRANSLATE_NOOP("tallyard", "File System %1, Not Found."), MSG_Scope::Error, 2)
        .arg(m_options.fileSystem);
    return false;
}

bool TYBatchChanges::createScenes()
{
    if (m_scenes.size() > 1 && !m_options.scenePath.isEmpty()) {
        refuse(QT_TRANSLATE_NOOP("tallyard", "-scene_path is the folder of one scene, but %1 scenes were named. "
                                             "Nothing was changed."),
               QString::number(m_scenes.size()));
        return false;
    }
    if (!TUTYRefusal::permits(m_access, TUTYRefusal::CreateScenes))
        return false;
    TYBatchJob job(m_access, m_options.environment, m_options.job);
    if (!job.isOpen() || !fileSystemExists())
        return false;
    const bool givenPath = !m_options.scenePath.isEmpty();
    const QString fileSystem = givenPath ? QString() : m_options.fileSystem;
    const int position = m_options.insertPosition != 0 ? m_options.insertPosition : TUDbAccess::dba_scene_create_sort_pos();
    // Several scenes put at the top one by one would end up reversed.
    QStringList scenes = m_scenes;
    if (position == 2)
        std::reverse(scenes.begin(), scenes.end());
    bool allCreated = true;
    for (const QString &scene : qAsConst(scenes)) {
        const QString path =
            givenPath ? m_options.scenePath : TUDbAccess::buildStandardScenePath(m_options.fileSystem, m_options.job, scene);
        if (!m_access.dba_CreateScene(m_access.jobRecord(), scene, m_access.userName(), fileSystem, path, position, -1, 1)) {
            reportFailure(textOf(QT_TRANSLATE_NOOP("tallyard", "Could not create scene %1"), scene));
            allCreated = false;
        }
    }
    return allCreated;
}

bool TYBatchChanges::remove()
{
    switch (level()) {
    case Level::Refused: return false;
    case Level::Environment:
        if (!TUTYRefusal::permits(m_access, TUTYRefusal::DeleteEnvironments))
            return false;
        if (m_access.deleteEnv(m_options.environment) != 0)
            return true;
        reportFailure(textOf(QT_TRANSLATE_NOOP("tallyard", "Could not delete environment %1"), m_options.environment));
        return false;
    case Level::Job: return removeJob();
    case Level::Scenes: return removeScenes();
    }
    return false;
}

bool TYBatchChanges::removeJob()
{
    if (!TUTYRefusal::permits(m_access, TUTYRefusal::DeleteJobs)
        || !TYBatchJob::isInEnvironment(m_access, m_options.environment, m_options.job))
        return false;
    if (m_access.dba_deleteJob(m_options.job) != 0)
        return true;
    reportFailure(textOf(QT_TRANSLATE_NOOP("tallyard", "Could not delete job %1"), m_options.job));
    return false;
}

bool TYBatchChanges::removeScenes()
{
    if (!TUTYRefusal::permits(m_access, TUTYRefusal::DeleteScenes))
        return false;
    TYBatchJob job(m_access, m_options.environment, m_options.job);
    if (!job.isOpen())
        return false;
    bool allDeleted = true;
    for (const QString &scene : qAsConst(m_scenes)) {
        if (!m_access.dba_deleteScene(m_access.jobRecord(), scene)) {
            reportFailure(textOf(QT_TRANSLATE_NOOP("tallyard", "Error trying to delete scene %1\n"), scene));
            allDeleted = false;
        }
    }
    return allDeleted;
}
