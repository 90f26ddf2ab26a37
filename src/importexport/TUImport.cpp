#include "TUImport.h"

#include "EM_DrawingTypes.h"
#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TUDbSelect.h"
#include "TUIEFile.h"
#include "TUIEName.h"
#include "TUIEProgress.h"
#include "TUImportQuestions.h"
#include "TUImportRemap.h"
#include "TUImportScene.h"
#include "TUIEProjectSummary.h"
#include "TUSceneNameValidator.h"
#include "UT_ExportUtil.h"
#include "UT_FaultPoint.h"
#include "oswRemapPath.h"
#include "whoami.h"

#include <QDir>
#include <QRegularExpression>

namespace {

const TUIECopier::Texts kCopyTexts{"TUImport", QT_TRANSLATE_NOOP("TUImport", "Copying file %1 failed: %2"),
                                   QT_TRANSLATE_NOOP("TUImport", "Importing link %1 failed: %2")};

// What a standalone scene brings; the setters of the others are ignored.
const QSet<QString> kStandaloneSet{
    QStringLiteral("audio"),   QStringLiteral("database"),      QStringLiteral("element"),
    QStringLiteral("timing"),  QStringLiteral("final"),         QStringLiteral("stage"),
    QStringLiteral("other"),   QStringLiteral("annotation"),    QStringLiteral("palette"),
    QStringLiteral("scene_palette"), QStringLiteral("backup_palette"), QStringLiteral("scene_library")};
const QStringList kStandaloneFixed{QStringLiteral("audio"), QStringLiteral("database"), QStringLiteral("final"),
                                   QStringLiteral("annotation"), QStringLiteral("env_group"), QStringLiteral("job_group"),
                                   QStringLiteral("scene_group")};

constexpr int kMaxSceneName = 24;

} // namespace

TUImport::TUImport(TUDbAccess *access, TUDbSelect *select, QObject *parent)
    : QObject(parent)
    , m_access(access)
    , m_select(select)
    , m_copier(kCopyTexts)
{
    m_copier.setLinkMode(TUIECopier::CopyFiles);
    m_copier.setKeepValid(false);
    m_copier.setResolveValid(true);
}

bool TUImport::isStandalonePath(const QString &path)
{
    return WHO_Identity::isSceneFilename(path) || path.endsWith(QLatin1String(".velmora"))
        || path.endsWith(QLatin1String(".brix"));
}

void TUImport::setDataOption(const QString &word, bool on)
{
    if (m_standalone && kStandaloneFixed.contains(word))
        return;
    if (on)
        m_data.insert(word);
    else
        m_data.remove(word);
}

void TUImport::setLinkMode(TUIECopier::LinkMode mode)
{
    if (!m_standalone)
        m_copier.setLinkMode(mode);
}

void TUImport::setKeepValidLinks(bool on)
{
    if (!m_standalone)
        m_copier.setKeepValid(on);
}

void TUImport::setResolveValidLinks(bool on)
{
    if (!m_standalone)
        m_copier.setResolveValid(on);
}

void TUImport::setKeepBrokenLinks(bool on)
{
    if (!m_standalone)
        m_copier.setKeepBroken(on);
}

void TUImport::setDestination(const QString &environment, const QString &job, const QString &fileSystem)
{
    m_environment = environment;
    m_job = job;
    m_fileSystem = fileSystem;
}

void TUImport::setScenes(const QString &path, const QString &environment, const QString &importJob,
                         const QStringList &scenes)
{
    m_importJob = importJob;
    for (const QString &scene : scenes)
        m_scenes.append({environment, importJob, scene.normalized(QString::NormalizationForm_C), path, {}, 0, -1});
}

void TUImport::failed(const QString &text)
{
    m_error = true;
    ++m_errors;
    MSG_Scope("TUImport", MSG_Text(text));
}

bool TUImport::openPackage(const QString &path, bool scenesGiven)
{
    // What the package reading refuses counts among the run's errors.
    m_error = false;
    m_errors = 0;
    m_standalone = false;
    if (path.isEmpty() || isStandalonePath(path))
        m_scenes.clear();
    if (isStandalonePath(path))
        return readStandalone(path);
    const QString file = QFileInfo(path).isDir() ? path + QLatin1Char('/') + UT_ExportUtil::ContentsFileName : path;
    return readContents(file, scenesGiven);
}

bool TUImport::readContents(const QString &file, bool scenesGiven)
{
    const QString local = oswRemapPath::RemapPath2(file);
    m_path = QFileInfo(local).absolutePath();
    TUPackageContents contents;
    QString error;
    if (!contents.read(local, error)) {
        failed(tr("Cannot open package file: %1").arg(file));
        return false;
    }
    for (const QString &problem : contents.problems())
        failed(problem);
    if (scenesGiven)
        m_data.clear();
    m_data.unite(contents.dataWords());
    for (const char *level : {"palette", "group", "library"}) {
        for (const char *prefix : {"env_", "job_", "scene_"}) {
            if (m_data.contains(QLatin1String(prefix) + QLatin1String(level)))
                m_data.insert(QLatin1String(level));
        }
    }
    if (m_data.contains(QStringLiteral("backup_palette")))
        m_data.insert(QStringLiteral("palette"));
    m_elementFolders = contents.elementFolders();
    if (m_elementFolders.isEmpty())
        m_elementFolders << QStringLiteral("elements");
    for (const TUPackageContents::Scene &scene : contents.scenes()) {
        const QString name = scene.scene.normalized(QString::NormalizationForm_C);
        if (scenesGiven) {
            for (SceneEntry &entry : m_scenes) {
                if (entry.scene == name && (m_importJob.isEmpty() || m_importJob == scene.job)) {
                    entry.environment = scene.environment;
                    entry.job = scene.job;
                    entry.versions = scene.versions;
                    entry.packagePath = m_path;
                }
            }
        } else if (m_importJob.isEmpty() || m_importJob == scene.job) {
            m_scenes.append({scene.environment, scene.job, name, m_path, scene.versions, 0, -1});
        }
    }
    return true;
}

bool TUImport::readStandalone(const QString &file)
{
    const QString local = oswRemapPath::RemapPath2(file);
    if (!QFileInfo(local).isFile()) {
        failed(tr("File not found: %1").arg(file));
        return false;
    }
    m_standalone = true;
    m_data = kStandaloneSet;
    m_data.insert(QStringLiteral("library"));
    m_copier.setLinkMode(TUIECopier::CopyFiles);
    m_path = QFileInfo(local).absolutePath();
    // "<scene>.v<N>.<ext>" as an offline package names them, else "<scene>.<ext>".
    static const QRegularExpression versioned(QStringLiteral("^(.+)\\.v(\\d+)\\.[^.]+$"));
    const QString fileName = QFileInfo(local).fileName();
    const QRegularExpressionMatch match = versioned.match(fileName);
    SceneEntry entry;
    entry.scene = (match.hasMatch() ? match.captured(1) : QFileInfo(local).completeBaseName()).normalized(QString::NormalizationForm_C);
    entry.packagePath = local;
    for (const QString &name : QDir(m_path).entryList({entry.scene + QStringLiteral(".v*")}, QDir::Files, QDir::Name)) {
        const QRegularExpressionMatch version = versioned.match(name);
        if (!version.hasMatch() || !isStandalonePath(name) || version.captured(1) != entry.scene)
            continue;
        MSG_Scope("TUImport", MSG_Text(tr("Stage version: %1 from %2 file: %3").arg(version.captured(2), entry.scene, name)),
                  MSG_Scope::Inform);
        entry.versions << version.captured(2);
    }
    entry.requestedVersion = match.hasMatch() ? match.captured(2).toInt() : 1;
    if (entry.versions.isEmpty())
        entry.versions << QString::number(entry.requestedVersion);
    TUIEProjectSummary summary;
    if (!TUIEFile::isLineFormat(local)) {
        if (!TUIEFile::readProjectSummary(local, summary)) {
            failed(tr("Failed to parse scene file: %1").arg(file));
            return false;
        }
    }
    entry.frames = summary.frames;
    m_elementFolders = summary.rootFolders.isEmpty() ? QStringList{QStringLiteral("elements")} : summary.rootFolders;
    m_scenes.append(entry);
    return true;
}

bool TUImport::checkDestination()
{
    if (m_environment.isEmpty() || m_job.isEmpty()) {
        failed(tr("Error in Destination, please specify: ") + (m_environment.isEmpty() ? tr("an environment, ") : QString())
               + (m_job.isEmpty() ? tr("a job, ") : QString()) + tr("before importing"));
        return false;
    }
    bool ok = true;
    const bool ownFolder = m_fileSystem.isEmpty() && !m_scenePath.isEmpty();
    if (!ownFolder && m_fileSystem != QLatin1String("bidon") && !QFileInfo(oswRemapPath::RemapPath2(m_fileSystem)).isDir()) {
        failed(tr("File System %1, Not Found.").arg(m_fileSystem));
        ok = false;
    }
    if (!m_access->dba_ValidateEnvironmentName(m_environment)) {
        failed(tr("Environment %1, Not Found.").arg(m_environment));
        ok = false;
    }
    if (m_access->dba_OpenJob(m_job, m_access->jobRecord()) == -1) {
        failed(tr("Job %1, Not Found.").arg(m_job));
        ok = false;
    } else if (m_access->jobRecord().environment != m_environment) {
        failed(tr("Job %1, Not Found.").arg(m_job));
        ok = false;
    }
    return ok;
}

int TUImport::import(QVector<SceneEntry> *scenes, TUIEProgress *progress)
{
    if (!m_select) {
        failed(tr("Import needs a user to import as."));
        return 0;
    }
    if (!checkDestination()) {
        if (m_access->jobRecord().isOpen())
            m_access->dba_CloseJob(m_access->jobRecord());
        return 0;
    }
    m_environmentsDone.clear();
    m_jobsDone.clear();
    m_copier.resetCancel();
    if (progress) {
        m_copier.setCounter(0);
        m_progress = progress;
        m_copier.setProgress(progress);
    }
    QVector<SceneEntry> &list = scenes ? *scenes : m_scenes;
    m_stopped = false;
    m_skipAllLocked = false;
    m_importAll = false;
    int imported = 0;
    for (SceneEntry &entry : list) {
        if (m_copier.cancelled() || m_stopped)
            break;
        // A scene cut short by Cancel is not counted as imported.
        if (importScene(entry) && !m_copier.cancelled())
            ++imported;
    }
    if (m_access->jobRecord().isOpen())
        m_access->dba_CloseJob(m_access->jobRecord());
    if (m_copier.cancelled())
        failed(tr("Import was interrupted by the user."));
    m_progress = nullptr;
    m_copier.setProgress(nullptr);
    return imported;
}

bool TUImport::batchImport(TUIEProgress *progress)
{
    MSG_Scope("TUImport", MSG_Text(tr("Doing batch import")), MSG_Scope::Inform);
    m_batch = true;
    import(nullptr, progress);
    return !m_error;
}

QStringList TUImport::versionsOf(const SceneEntry &entry) const
{
    if (!m_versions.isEmpty())
        return m_versions;
    QStringList numbers;
    for (const QString &version : entry.versions)
        numbers << version.section(QLatin1Char(' '), 0, 0);
    return numbers;
}

bool TUImport::importScene(SceneEntry &entry)
{
    QString sceneFolder;
    if (m_standalone) {
        sceneFolder = QFileInfo(entry.packagePath).absolutePath();
    } else {
        sceneFolder = QStringLiteral("%1/jobs/%2/scene-%3").arg(entry.packagePath, entry.job, entry.scene);
        if (!TUIEName::isPlainName(entry.job) || !QFileInfo(sceneFolder).isDir()
            || !TUIEName::isInside(entry.packagePath, sceneFolder)) {
            failed(tr("The package holds no folder for scene %1 of job %2, or it leads outside the package.")
                       .arg(entry.scene, entry.job));
            return false;
        }
    }
    m_copier.setSourceBoundary(m_standalone ? sceneFolder : entry.packagePath);
    const QStringList versions = versionsOf(entry);
    QString name = entry.scene;
    if (!openTargetScene(entry, name))
        return false;
    const int failuresBefore = m_copier.failures();
    if (!m_standalone) {
        importLevel(QStringLiteral("environment"), entry.environment, entry.packagePath, m_environmentsDone);
        importLevel(QStringLiteral("job"), entry.job, entry.packagePath, m_jobsDone);
    }
    if (m_progress)
        m_progress->setLabelText(tr("Importing: %1 %2").arg(QStringLiteral("scene"), name));
    if (m_copier.writing())
        MSG_Scope("TUImport", MSG_Text(tr("Import: doing %1: %2").arg(QStringLiteral("scene"), name)), MSG_Scope::Inform);
    TUImportScene scene(*m_access, m_copier, m_data, m_standalone, m_elementFolders);
    if (!scene.importFrom(sceneFolder, versions)) {
        m_error = true;
        m_errors += qMax(1, m_copier.failures() - failuresBefore);
    }
    const QString offline = UT_ExportUtil::OfflineName;
    if (m_copier.writing()
        && !EM_DrawingTypes::importDrawingTypesFrom(*m_access, m_standalone ? sceneFolder : entry.packagePath,
                                                    m_standalone ? offline : entry.environment,
                                                    m_standalone ? offline : entry.job)) {
        failed(tr("The drawing types of scene %1 could not be imported.").arg(name));
    }
    if (m_copier.writing()) {
        // After the database tables, which bring the versions' full records.
        recordVersions(entry, versions);
        if (m_access->dba_HaveSceneLock(m_access->sceneRecord()))
            m_access->dba_ReleaseStageEditLock(m_access->sceneRecord());
        m_access->closeScene();
    }
    // The counting run only counts the remaps: the scene is not written yet.
    if (m_remapper && !m_copier.cancelled()) {
        if (m_copier.writing())
            MSG_Scope("TUImport", MSG_Text(tr("remapping")), MSG_Scope::Inform);
        for (const QString &version : versions) {
            if (m_copier.writing())
                m_remapper->remap(m_environment, m_job, name, version);
            m_copier.setCounter(m_copier.counter() + 1);
        }
    }
    return true;
}

bool TUImport::openTargetScene(SceneEntry &entry, QString &name)
{
    if (!m_copier.writing())
        return true;
    dba_job_struct &job = m_access->jobRecord();
    if (!job.isOpen() && m_access->dba_OpenJob(m_job, job) == -1) {
        failed(tr("Job %1, Not Found.").arg(m_job));
        return false;
    }
    const QString user = m_select->userName();
    QString message;
    const bool exists = m_select->isSceneExists(job, name);
    if (!exists) {
        if (m_standalone && name.size() > kMaxSceneName) {
            MSG_Scope("TUImport",
                      MSG_Text(tr("Scene name ( %1 ) exceeds the 24 character maximum. It has been truncated.").arg(name)),
                      MSG_Scope::Warn);
            name = name.left(kMaxSceneName);
        }
        if (!TUSceneNameValidator::isValidName(name) || !m_access->dba_ValidFilename(name)) {
            failed(tr("Scene name %1 ").arg(name.left(64)) + m_access->lastErrorText() + tr(". Scene cannot be imported."));
            return false;
        }
        int version = 0;
        if (m_standalone)
            version = entry.versions.contains(QString::number(entry.requestedVersion)) ? entry.requestedVersion
                                                                                        : entry.versions.last().toInt();
        QString path = m_scenePath;
        path.replace(QLatin1String("{sceneName}"), name);
        if (!m_select->createScene(job, name, user, m_fileSystem, path, version)) {
            failed(tr("Could not create scene %1").arg(name) + QLatin1Char('\n') + m_select->getDBAccess()->lastErrorText());
            return false;
        }
    }
    if (!m_select->openScene(*m_access, message, m_environment, m_job, name, QString(), user)) {
        failed(tr("Error opening scene: %1").arg(message));
        return false;
    }
    if (exists && !sceneIsFree(name))
        return false;
    if (!exists && m_standalone && entry.frames >= 1)
        m_access->dba_setSceneFrames(m_access->sceneRecord(), entry.frames);
    if (!exists) {
        m_access->dba_GetStageEditLock(m_access->sceneRecord());
    } else if (!acceptExisting(name, entry.versions)) {
        m_access->dba_ReleaseStageEditLock(m_access->sceneRecord());
        m_access->closeScene();
        return false;
    }
    return true;
}

// A scene checked out to someone else, or whose stage edit lock another
// holds, is not written; a batch import stops there.
bool TUImport::sceneIsFree(const QString &name)
{
    dba_scene_struct &scene = m_access->sceneRecord();
    QString text;
    const bool checkedOut = m_access->dba_IsSceneCheckedOut(scene) == 1 && !m_access->dba_IsCheckedOutToCurrentUser(scene);
    if (checkedOut) {
        text = tr("Scene %1 is checked out\n by: %2\n at: %3.\n")
                   .arg(name, m_access->dba_GetSceneCheckoutUser(scene),
                        TUDbAccess::dba_TimeStamp(m_access->dba_GetSceneCheckoutDate(scene), "%x %X"));
    } else if (m_access->dba_GetStageEditLock(scene) == -1) {
        QString user, host;
        qint64 time = 0;
        m_access->dba_GetStageInfo(scene, user, host, time);
        text = tr("Scene %1 is locked\n by: %2\n on: %3\n at: %4.\n")
                   .arg(name, user, host, TUDbAccess::dba_TimeStamp(time, "%x %X"));
    } else {
        return true;
    }
    if (m_batch) {
        failed(text + tr("Import aborted."));
        m_stopped = true;
    } else {
        skipLocked(checkedOut, text);
    }
    m_access->closeScene();
    return false;
}

// Outside batch runs a locked scene is skipped, or the import stopped, as
// the person watching answers; the answer "all" is not asked again.
void TUImport::skipLocked(bool checkedOut, const QString &text)
{
    if (!m_questions) {
        failed(text);
        return;
    }
    if (!m_skipAllLocked) {
        switch (m_questions->sceneLocked(checkedOut, text)) {
        case TUImportQuestions::StopImport:
            MSG_Scope("TUImport", MSG_Text(text + tr("Import aborted.")), MSG_Scope::Warn);
            m_copier.cancel();
            return;
        case TUImportQuestions::SkipAllLocked:
            m_skipAllLocked = true;
            break;
        case TUImportQuestions::SkipScene:
            break;
        }
    }
    MSG_Scope("TUImport", MSG_Text(text + tr("The scene was skipped.")), MSG_Scope::Warn);
}

bool TUImport::acceptExisting(const QString &name, const QStringList &versions)
{
    QString report;
    const QVX_scene_version_table existing = m_access->QVX_scene_versions_of_DBA_scene(m_access->sceneRecord());
    for (const QString &version : versions) {
        const int number = version.section(QLatin1Char(' '), 0, 0).toInt();
        const bool has = std::any_of(existing.begin(), existing.end(),
                                     [number](const QVX_scene_version &v) { return v.number == number; });
        report += tr("\nversion: %1, named %2, will be ").arg(number).arg(version.section(QLatin1Char(' '), 1))
            + (has ? tr("OVERWRITTEN") : tr("ADDED"));
    }
    if (versions.isEmpty())
        report = tr("\nno version info, all existing versions will be OVERWRITTEN.");
    const QString text = tr("Scene %1 already exists and:%2\n").arg(name, report);
    MSG_Scope("TUImport", MSG_Text(text), MSG_Scope::Inform);
    if (m_batch || !m_questions || m_importAll)
        return true;
    switch (m_questions->sceneExists(text)) {
    case TUImportQuestions::ImportAllScenes:
        m_importAll = true;
        return true;
    case TUImportQuestions::ImportScene:
        return true;
    case TUImportQuestions::SkipExisting:
        break;
    }
    MSG_Scope("TUImport", MSG_Text(tr("Scene %1 was skipped.").arg(name)), MSG_Scope::Inform);
    return false;
}

// The version records the package names, for the versions imported, when
// the scene lacks them.
void TUImport::recordVersions(const SceneEntry &entry, const QStringList &versions)
{
    dba_scene_struct &scene = m_access->sceneRecord();
    QVX_scene_version_table existing = m_access->QVX_scene_versions_of_DBA_scene(scene);
    for (const QString &version : entry.versions) {
        const QString number = version.section(QLatin1Char(' '), 0, 0);
        if (!versions.contains(number))
            continue;
        const bool has = std::any_of(existing.begin(), existing.end(),
                                     [&number](const QVX_scene_version &v) { return v.number == number.toInt(); });
        if (!has && m_access->dba_addSceneVersion(scene, version.section(QLatin1Char(' '), 1), QString(), number.toInt()) < 0)
            failed(m_access->lastErrorText());
    }
    if (m_standalone && entry.requestedVersion > 0)
        m_access->dba_updateSceneCurrentVersion(scene, entry.requestedVersion);
}

bool TUImport::importLevel(const QString &kind, const QString &name, const QString &packageFolder, QStringList &done)
{
    if (done.contains(name))
        return true;
    done << name;
    const bool environment = kind == QLatin1String("environment");
    const QString prefix = environment ? QStringLiteral("env_") : QStringLiteral("job_");
    if (!m_data.contains(prefix + QStringLiteral("palette")) && !m_data.contains(prefix + QStringLiteral("group"))
        && !m_data.contains(prefix + QStringLiteral("library")))
        return true;
    if (m_copier.writing())
        MSG_Scope("TUImport", MSG_Text(tr("Import: doing %1: %2").arg(kind, name)), MSG_Scope::Inform);
    if (m_progress)
        m_progress->setLabelText(tr("Importing: %1 %2").arg(kind, name));
    const QString source = packageFolder + (environment ? QStringLiteral("/environments/") : QStringLiteral("/jobs/")) + name;
    TUDbSceneData &data = m_access->sceneData();
    const QString targetRoot = oswRemapPath::RemapPath2(environment ? data.envDir() : data.jobDir());
    const QStringList targets = environment ? QStringList{data.envPaletteDir(), data.envGroupDir(), data.envLibraryDir()}
                                            : QStringList{data.jobPaletteDir(), data.jobGroupDir(), data.jobLibraryDir()};
    const QStringList words{prefix + QStringLiteral("palette"), prefix + QStringLiteral("group"), prefix + QStringLiteral("library")};
    const QStringList folders{QStringLiteral("palette-library"), QStringLiteral("groups"), QStringLiteral("library")};
    m_copier.setTargetBoundary(targetRoot);
    bool ok = true;
    for (int i = 0; i < words.size(); ++i) {
        if (m_data.contains(words.at(i)))
            ok = m_copier.copyFolder(source + QLatin1Char('/') + folders.at(i), oswRemapPath::RemapPath2(targets.at(i))) && ok;
    }
    if (!ok) {
        m_error = true;
        ++m_errors;
    }
    return ok;
}
