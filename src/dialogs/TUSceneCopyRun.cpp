#include "TUSceneCopyRun.h"

#include "DBA_Consistency.h"
#include "GUI_DoubleProgressDlg.h"
#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "UT_FaultPoint.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {
const char *const kContext = "TUCopyXsheetScene";
const QString &kAsideSuffix = DBA_CopyAsideSuffix;

QString tr(const char *text)
{
    return QCoreApplication::translate(kContext, text);
}
} // namespace

TUSceneCopyRun::TUSceneCopyRun(TUDbAccess &access, dba_job_struct &sourceJob, dba_job_struct &targetJob,
                               GUI_DoubleProgressDlg &progress)
    : m_access(access)
    , m_sourceJob(sourceJob)
    , m_targetJob(targetJob)
    , m_progress(progress)
{
}

bool TUSceneCopyRun::run(const QVector<SceneCopyEntry> &entries)
{
    m_written.clear();
    m_failures = MSG_Text();
    QVector<TargetChanges> copied;
    for (const SceneCopyEntry &entry : entries) {
        m_progress.setLabelText(GUI_DoubleProgressDlg::Upper, tr("%1 copying...").arg(entry.sourceName));
        m_progress.advance(GUI_DoubleProgressDlg::Upper);
        TargetChanges changes;
        changes.entry = &entry;
        const Step step = cancelled() ? Step::Cancelled : copyEntry(entry, changes);
        if (step == Step::Cancelled) {
            takeBack(changes);
            for (const TargetChanges &done : qAsConst(copied))
                takeBack(done);
            m_written.clear();
            return false;
        }
        if (step == Step::Done)
            copied.append(changes);
    }
    // The database data last, when no file is missing any more: a scene
    // whose data cannot be copied is taken back alone.
    for (const TargetChanges &changes : qAsConst(copied)) {
        const SceneCopyEntry &entry = *changes.entry;
        if (!m_access.dba_copyXsheetData(m_sourceJob, entry.sourceName, m_targetJob, entry.targetName)) {
            fail(QT_TRANSLATE_NOOP("TUCopyXsheetScene", "Copy %1 to %2: %3\n"),
                 {entry.sourceName, entry.targetName, m_access.lastErrorText()});
            takeBack(changes);
            continue;
        }
        dropKeptAside(changes);
        m_written.append(entry.targetName);
    }
    return true;
}

TUSceneCopyRun::Step TUSceneCopyRun::copyEntry(const SceneCopyEntry &entry, TargetChanges &changes)
{
    if (!entry.copyIntoExisting) {
        if (!createTarget(entry))
            return Step::Skipped;
        changes.created = true;
    }
    dba_scene_struct source, target;
    QString failed;
    if (m_access.dba_OpenScene(entry.sourceName, m_sourceJob, source) == -1)
        failed = entry.sourceName;
    else if (m_access.dba_OpenScene(entry.targetName, m_targetJob, target) == -1)
        failed = entry.targetName;
    Step step = Step::Skipped;
    QStringList files;
    if (!failed.isEmpty()) {
        fail(QT_TRANSLATE_NOOP("TUCopyXsheetScene", "Copy %1 to %2: could not open scene %3\n"),
             {entry.sourceName, entry.targetName, failed});
    } else if (mayOverwrite(entry, target)) {
        if (!m_access.dba_collectCopyXsheetInfo(m_targetJob, entry.targetName, m_sourceJob, entry.sourceName, files,
                                                m_copyAll))
            fail(QT_TRANSLATE_NOOP("TUCopyXsheetScene", "Copy %1 to %2: %3\n"),
                 {entry.sourceName, entry.targetName, m_access.lastErrorText()});
        else if (!copyFiles(files, changes))
            step = Step::Cancelled;
        else if (changes.filesFailed)
            fail(QT_TRANSLATE_NOOP("TUCopyXsheetScene", "Copy %1 to %2: some files could not be copied\n"),
                 {entry.sourceName, entry.targetName});
        else
            step = Step::Done;
    }
    m_access.dba_CloseScene(source);
    m_access.dba_CloseScene(target);
    if (step == Step::Skipped)
        takeBack(changes);
    return step;
}

bool TUSceneCopyRun::createTarget(const SceneCopyEntry &entry)
{
    QString path;
    DBA_FileSpaceOps::buildStandardScenePath(path, entry.sourceFileSystem, m_targetJob.name, entry.targetName);
    if (m_access.dba_CreateScene(m_targetJob, entry.targetName, QString(), entry.sourceFileSystem, path, m_position,
                                 entry.sourceRow, 1))
        return true;
    fail(QT_TRANSLATE_NOOP("TUCopyXsheetScene", "Copy %1 to %2: Can't create one scene in the file system %3\n"),
         {entry.sourceName, entry.targetName, entry.sourceFileSystem});
    // And why, in the database's words: a name no scene may have, a folder in use.
    m_failures += MSG_Text(m_access.lastErrorText() + QLatin1Char('\n'));
    return false;
}

bool TUSceneCopyRun::mayOverwrite(const SceneCopyEntry &entry, const dba_scene_struct &target)
{
    if (!entry.copyIntoExisting)
        return true;
    switch (m_access.sceneHasXsheet(target)) {
    case 0: return false;
    case 2: return !m_overwrite || m_overwrite(entry.targetName);
    default: return true;
    }
}

bool TUSceneCopyRun::copyFiles(const QStringList &files, TargetChanges &changes)
{
    m_progress.setRange(GUI_DoubleProgressDlg::Lower, 0, files.size());
    for (int i = 0; i + 1 < files.size(); i += 2) {
        m_progress.setValue(GUI_DoubleProgressDlg::Lower, i);
        if (cancelled())
            return false;
        m_progress.setLabelText(GUI_DoubleProgressDlg::Lower, tr("%1 copying...").arg(files[i]));
        copyOneFile(files[i], files[i + 1], changes);
        UT_FAULT_POINT("scene-copy-file");
    }
    m_progress.setValue(GUI_DoubleProgressDlg::Lower, files.size());
    return true;
}

void TUSceneCopyRun::copyOneFile(const QString &source, const QString &target, TargetChanges &changes)
{
    const SceneCopyEntry &entry = *changes.entry;
    const QFileInfo existing(target);
    // A folder in the file's place is not moved: the copy fails on it.
    const bool overwrites = existing.isSymLink() || existing.isFile();
    const QString aside = target + kAsideSuffix;
    if (overwrites) {
        QFile::remove(aside);
        if (!QFile::rename(target, aside)) {
            changes.filesFailed = true;
            std::printf("%s failed to copy to %s\n", source.toLocal8Bit().constData(), target.toLocal8Bit().constData());
            return;
        }
    }
    QStringList missing;
    for (QString folder = existing.path(); !QFileInfo::exists(folder); folder = QFileInfo(folder).path())
        missing.prepend(folder);
    if (m_access.dba_copyFile(source, target, m_targetJob, entry.targetName, m_sourceJob, entry.sourceName)) {
        changes.madeFolders << missing;
        (overwrites ? changes.keptAside : changes.madeFiles).append(target);
        return;
    }
    changes.filesFailed = true;
    std::printf("%s failed to copy to %s\n", source.toLocal8Bit().constData(), target.toLocal8Bit().constData());
    std::fflush(stdout);
    if (overwrites) {
        QFile::remove(target);
        QFile::rename(aside, target);
    }
}

void TUSceneCopyRun::takeBack(const TargetChanges &changes)
{
    if (changes.created) {
        // Its folder goes with it: no file needs taking back one by one.
        if (!m_access.dba_deleteScene(m_targetJob, changes.entry->targetName))
            MSG_Scope(kContext, QT_TRANSLATE_NOOP("TUCopyXsheetScene",
                                                  "Encounter some error during the cancel, please delete them later."));
        return;
    }
    for (const QString &made : changes.madeFiles)
        QFile::remove(made);
    for (auto folder = changes.madeFolders.crbegin(); folder != changes.madeFolders.crend(); ++folder)
        QDir().rmdir(*folder);
    for (const QString &file : changes.keptAside) {
        QFile::remove(file);
        QFile::rename(file + kAsideSuffix, file);
    }
}

void TUSceneCopyRun::dropKeptAside(const TargetChanges &changes)
{
    for (const QString &file : changes.keptAside)
        QFile::remove(file + kAsideSuffix);
}

bool TUSceneCopyRun::cancelled()
{
    // Cancel can only be pressed while events are delivered.
    QCoreApplication::processEvents();
    return m_progress.wasCanceled();
}

void TUSceneCopyRun::fail(const char *text, const QStringList &values)
{
    // Filled as every message is: a typed target name shows readable and cut
    // when long, and is never read for placeholders.
    MSG_Text failure("TUCopyXsheetScene", text);
    for (const QString &value : values)
        failure.arg(value);
    m_failures += failure;
}
