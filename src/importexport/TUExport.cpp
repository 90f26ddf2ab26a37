#include "TUExport.h"

#include "EM_DrawingTypes.h"
#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TUDbSelect.h"
#include "TUExportScene.h"
#include "TUIEName.h"
#include "TUIEPackageFile.h"
#include "TUIEProgress.h"
#include "UT_ExportUtil.h"
#include "oswRemapPath.h"
#include "oswUtil.h"
#include "tufile.h"
#include "whoami.h"

#include <QDateTime>
#include <QDir>

#include <cstdio>

namespace {

const TUIECopier::Texts kCopyTexts{"TUExport", QT_TRANSLATE_NOOP("TUExport", "Exporting file %1 failed: %2"),
                                   QT_TRANSLATE_NOOP("TUExport", "Exporting link %1 failed: %2")};

// The options offline fixes, and the ones it forces on.
const QStringList kOfflineFixed{QStringLiteral("audio"),   QStringLiteral("database"),      QStringLiteral("element"),
                                QStringLiteral("timing"),  QStringLiteral("stage"),         QStringLiteral("other"),
                                QStringLiteral("annotation"), QStringLiteral("scene_palette"), QStringLiteral("env_group"),
                                QStringLiteral("job_group"), QStringLiteral("scene_group")};
const QSet<QString> kOfflineSet{QStringLiteral("audio"),      QStringLiteral("element"),       QStringLiteral("timing"),
                                QStringLiteral("stage"),      QStringLiteral("other"),         QStringLiteral("annotation"),
                                QStringLiteral("palette"),    QStringLiteral("scene_palette"), QStringLiteral("backup_palette")};

const char *const kReadme[] = {
    QT_TRANSLATE_NOOP("TUExport", "README.txt          This file was created by The Quillstream System.\n\n"),
    QT_TRANSLATE_NOOP("TUExport", "This directory is an export/import data directory.\n"),
    QT_TRANSLATE_NOOP("TUExport", "It may contain data exported from an environment, a job, and/or some scenes.\n"),
};

QString canonicalOrClean(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : canonical;
}

bool isBelow(const QString &path, const QString &folder)
{
    return !folder.isEmpty() && (path == folder || path.startsWith(folder + QLatin1Char('/')));
}

} // namespace

TUExport::TUExport(TUDbAccess *access, TUDbSelect *select, WHO_AppInfo *appInfo, QObject *parent)
    : QObject(parent)
    , m_access(access)
    , m_select(select)
    , m_appInfo(appInfo)
    , m_copier(kCopyTexts)
{
    // A package that fails is removed or leaves its scene out of the
    // contents file, so its files need no temporary names.
    m_copier.setInPlace(true);
}

TUExport::~TUExport() = default;

void TUExport::setDataOption(const QString &word, bool on)
{
    if (m_offline && kOfflineFixed.contains(word))
        return;
    if (on)
        m_data.insert(word);
    else
        m_data.remove(word);
}

void TUExport::setOffline(bool on)
{
    m_offline = on;
    if (!on)
        return;
    m_data = kOfflineSet;
    m_copier.setLinkMode(TUIECopier::CopyFiles);
    m_copier.setKeepValid(false);
    m_copier.setResolveValid(false);
    m_copier.setKeepBroken(false);
}

void TUExport::setLinkMode(TUIECopier::LinkMode mode)
{
    if (!m_offline)
        m_copier.setLinkMode(mode);
}

void TUExport::setKeepValidLinks(bool on)
{
    m_copier.setKeepValid(on);
}

void TUExport::setResolveValidLinks(bool on)
{
    if (!m_offline)
        m_copier.setResolveValid(on);
}

void TUExport::setPath(const QString &path)
{
    m_path = path.endsWith(QLatin1Char('/')) && path.size() > 1 ? path.chopped(1) : path;
}

void TUExport::setScenes(const QString &environment, const QString &job, const QStringList &scenes)
{
    if (environment.isEmpty() || job.isEmpty())
        return;
    QStringList names = scenes;
    if (names.isEmpty()) {
        dba_job_struct record;
        if (m_access->dba_OpenJob(job, record) != -1) {
            names = m_access->buildScenesList(record);
            m_access->dba_CloseJob(record);
        }
    }
    for (const QString &scene : names)
        m_scenes.append({environment, job, scene, false});
}

void TUExport::failed(const QString &text)
{
    m_error = true;
    MSG_Scope("TUExport", MSG_Text(text));
}

bool TUExport::checkDestination(const QVector<SceneEntry> *scenes, bool givenList)
{
    if (m_path.isEmpty())
        failed(tr("Destination path is empty."));
    const QFileInfo destination(m_path);
    if (!m_path.isEmpty() && (destination.exists() || destination.isSymLink())
        && (!destination.isDir() || destination.isSymLink()
            || !QDir(m_path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).isEmpty()))
        failed(tr("Cannot use destination directory: %1, it already exists and is not empty.").arg(m_path));
    if (!m_path.isEmpty() && isBelow(canonicalOrClean(m_path), canonicalOrClean(oswRemapPath::databaseRoot())))
        failed(tr("Cannot use destination directory: %1, it lies inside the database.").arg(m_path));
    if (givenList && scenes->isEmpty())
        failed(tr("Please select at least one scene."));
    if (!givenList && m_scenes.isEmpty())
        failed(tr("Export needs at least an Environment and a Job."));
    return !m_error;
}

bool TUExport::run(QVector<SceneEntry> *scenes, TUIEProgress *progress)
{
    m_error = false;
    const bool givenList = scenes != nullptr;
    if (!checkDestination(scenes, givenList))
        return false;
    QVector<SceneEntry> &list = givenList ? *scenes : m_scenes;
    m_environmentsDone.clear();
    m_jobsDone.clear();
    m_copier.resetCancel();
    m_copier.setTargetBoundary(m_path);
    if (progress) {
        m_copier.setCounter(0);
        m_progress = progress;
        m_copier.setProgress(progress);
    }
    if (startPackage()) {
        std::printf("exporting: %d items\n", int(list.size()));
        std::fflush(stdout);
        exportList(list);
        if (m_copier.cancelled()) {
            removePackage();
            failed(tr("Export interrupted by user. All export files were removed."));
        } else {
            finishPackage();
        }
    }
    m_progress = nullptr;
    m_copier.setProgress(nullptr);
    return !m_error;
}

void TUExport::exportList(QVector<SceneEntry> &list)
{
    for (SceneEntry &entry : list) {
        if (m_copier.cancelled())
            break;
        exportScene(entry);
    }
}

qint64 TUExport::measure(QVector<SceneEntry> &scenes)
{
    const bool writing = m_copier.writing();
    const int counter = m_copier.counter();
    m_copier.setWrite(false);
    m_copier.resetBytes();
    m_copier.resetCancel();
    m_environmentsDone.clear();
    m_jobsDone.clear();
    m_error = false;
    exportList(scenes);
    m_copier.setWrite(writing);
    m_copier.setCounter(counter);
    return m_copier.bytes();
}

QString TUExport::dataSection() const
{
    QString text = QStringLiteral("\n*EXPORTED DATA*\n");
    if (!m_offline) {
        for (const QString &word : UT_ExportUtil::DataWords) {
            if (!m_data.contains(word))
                continue;
            text += TUPackageContents::dataLine(word);
            if (word == QLatin1String("element")) {
                for (const QString &folder : m_elementFolders)
                    text += TUPackageContents::elementLine(folder);
            }
        }
    }
    return text + QStringLiteral("\n*SCENES*\n#env / job / name / version\n");
}

bool TUExport::startPackage()
{
    if (!m_copier.writing())
        return true;
    // The destination is the user's choice; everything below it is checked.
    QString error;
    if (!tufile::checkCreatePath(m_path, error)) {
        failed(error);
        return false;
    }
    if (m_offline)
        return true;
    if (!m_copier.makeFolder(m_path + QStringLiteral("/jobs"), error)
        || !m_copier.makeFolder(m_path + QStringLiteral("/environments"), error)) {
        failed(error);
        return false;
    }
    QString readme;
    for (const char *line : kReadme)
        readme += tr(line);
    readme += tr("The file %1 in this directory summarizes what data was exported.\n\n")
                  .arg(UT_ExportUtil::ContentsFileName)
        + tr("Data is exported and imported using the Manager program.\n")
        + tr("This data can be written to tape using the QVX_backup_export_data command.\n")
        + tr("This data can be removed using the QVX_remove_export_data command.\n");
    if (!TUIEPackageFile::writeNew(m_path + QStringLiteral("/README.txt"), readme.toUtf8(), error)) {
        failed(error);
        return false;
    }
    m_contents = std::make_unique<TUPackageContents>(m_path + QLatin1Char('/') + UT_ExportUtil::ContentsFileName);
    const QString header = QStringLiteral("*HEADER*\nImportExportVersion : %1\nSystemVersion : %2 %3 %4\n"
                                          "ExportStartTime : %5\nExportBy : %6\nExportHost : %7\n")
                               .arg(UT_ExportUtil::ContentsFileVersion, WHO_AppInfo::version(false),
                                    m_appInfo ? m_appInfo->name() : QStringLiteral("tallyard"), QLatin1String(qVersion()),
                                    QDateTime::currentDateTime().toString(), m_select ? m_select->userName() : m_access->userName(),
                                    oswUtil::getShortMachineName());
    return appendContents(header + dataSection());
}

bool TUExport::appendContents(const QString &text)
{
    QString error;
    if (!m_copier.writing() || !m_contents || m_contents->append(text, error))
        return true;
    failed(error);
    return false;
}

// The trailer, then a flush: a run that reports success leaves all of its
// package on disk.
void TUExport::finishPackage()
{
    if (!m_copier.writing())
        return;
    QString error;
    if (!m_offline && !appendContents(QStringLiteral("\n*TRAILER*\nExportEndTime : %1\n")
                                          .arg(QDateTime::currentDateTime().toString())))
        return;
    if (!TUIEPackageFile::syncFileSystem(m_path, error))
        failed(error);
}

void TUExport::exportScene(SceneEntry &entry)
{
    entry.exported = true;
    const QString packageFolder = m_offline ? QStringLiteral("%1/%2/%3").arg(m_path, entry.job, entry.scene) : m_path;
    QString message;
    const QString user = m_select ? m_select->userName() : m_access->userName();
    bool opened = false;
    if (!TUIEName::isPlainName(entry.environment) || !TUIEName::isPlainName(entry.job) || !TUIEName::isPlainName(entry.scene))
        message = tr("Scene %1 of job %2 has a name that cannot be a folder name.").arg(entry.scene, entry.job);
    else if (m_select)
        opened = m_select->openScene(*m_access, message, entry.environment, entry.job, entry.scene, QString(), user);
    if (!opened || !exportOpenScene(entry, packageFolder)) {
        entry.exported = false;
        if (m_copier.cancelled())
            m_error = true;
        else
            failed(message.isEmpty() ? tr("Exporting scene %1 failed.").arg(entry.scene) : message);
    }
    if (opened)
        m_access->closeScene();
}

bool TUExport::exportOpenScene(SceneEntry &entry, const QString &packageFolder)
{
    TUDbSceneData &data = m_access->sceneData();
    const QString sceneFolder = oswRemapPath::RemapPath2(data.sceneDir());
    if (!m_path.isEmpty() && isBelow(canonicalOrClean(m_path), canonicalOrClean(sceneFolder))) {
        failed(tr("Cannot use destination directory: %1, it lies inside scene %2.").arg(m_path, entry.scene));
        return false;
    }
    m_elementFolders = m_access->getElementsRootFoldersList(m_access->sceneRecord());
    if (m_elementFolders.isEmpty())
        m_elementFolders << QStringLiteral("elements");
    if (m_offline && m_copier.writing()) {
        m_contents = std::make_unique<TUPackageContents>(packageFolder + QLatin1Char('/')
                                                         + UT_ExportUtil::ContentsBrixFileName);
        QString error;
        if (!m_copier.makeFolder(packageFolder + QStringLiteral("/jobs"), error)
            || !m_copier.makeFolder(packageFolder + QStringLiteral("/environments"), error)
            || !appendContents(dataSection())) {
            failed(error);
            return false;
        }
    }
    const QString envName = m_offline ? UT_ExportUtil::OfflineName : entry.environment;
    const QString jobName = m_offline ? UT_ExportUtil::OfflineName : entry.job;
    if (m_offline) {
        m_environmentsDone.clear();
        m_jobsDone.clear();
    }
    bool ok = exportLevel(QStringLiteral("environment"), envName, packageFolder + QStringLiteral("/environments/") + envName,
                          m_environmentsDone, {data.envPaletteDir(), data.envGroupDir(), data.envLibraryDir()});
    ok = exportLevel(QStringLiteral("job"), jobName, packageFolder + QStringLiteral("/jobs/") + jobName, m_jobsDone,
                     {data.jobPaletteDir(), data.jobGroupDir(), data.jobLibraryDir()})
        && ok;
    if (m_copier.writing() && !EM_DrawingTypes::exportDrawingTypesTo(packageFolder, envName, jobName, *m_access))
        ok = false;
    const QString exportFolder = m_offline ? packageFolder
                                           : QStringLiteral("%1/jobs/%2/scene-%3").arg(m_path, entry.job, entry.scene);
    TUExportScene scene(*m_access, m_copier, m_data, m_offline, m_elementFolders);
    if (m_progress)
        m_progress->setLabelText(tr("Exporting: %1 %2").arg(QStringLiteral("scene"), entry.scene));
    if (m_copier.writing())
        MSG_Scope("TUExport", MSG_Text(tr("Export: doing %1: %2").arg(QStringLiteral("scene"), entry.scene)), MSG_Scope::Inform);
    ok = scene.exportTo(packageFolder, exportFolder) && ok;
    if (!ok || m_copier.cancelled())
        return false;
    TUPackageContents::Scene line{entry.environment, entry.job, entry.scene,
                                  m_access->createVersionsListStringList(m_access->sceneRecord())};
    return appendContents(TUPackageContents::sceneLine(line));
}

bool TUExport::exportLevel(const QString &kind, const QString &name, const QString &folder, QStringList &done,
                           const QStringList &sources)
{
    if (done.contains(name))
        return true;
    done << name;
    if (m_copier.writing())
        MSG_Scope("TUExport", MSG_Text(tr("Export: doing %1: %2").arg(kind, name)), MSG_Scope::Inform);
    if (m_progress)
        m_progress->setLabelText(tr("Exporting: %1 %2").arg(kind, name));
    QString error;
    if (!m_copier.makeFolder(folder, error)) {
        failed(error);
        return false;
    }
    const QString prefix = kind == QLatin1String("environment") ? QStringLiteral("env_") : QStringLiteral("job_");
    const QStringList words{prefix + QStringLiteral("palette"), prefix + QStringLiteral("group"), prefix + QStringLiteral("library")};
    const QStringList targets{QStringLiteral("palette-library"), QStringLiteral("groups"), QStringLiteral("library")};
    bool ok = true;
    for (int i = 0; i < words.size(); ++i) {
        if (m_data.contains(words.at(i)))
            ok = m_copier.copyFolder(oswRemapPath::RemapPath2(sources.at(i)), folder + QLatin1Char('/') + targets.at(i)) && ok;
    }
    if (!ok)
        m_error = true;
    return ok;
}

void TUExport::removePackage()
{
    const QStringList entries = QDir(m_path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &entry : entries)
        tufile::rmIfExists(m_path + QLatin1Char('/') + entry);
}
