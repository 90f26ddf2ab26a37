#pragma once

#include "MSG_Text.h"
#include "SceneCopyEntry.h"

#include <QStringList>
#include <QVector>

#include <functional>

class GUI_DoubleProgressDlg;
class TUDbAccess;
struct dba_job_struct;
struct dba_scene_struct;

// One run of the copy dialog: makes the target scenes, copies each source
// scene's files one by one under the two-level progress window, and only
// once every file of every scene is in place copies the scenes' database
// data. Nothing half-copied stays: a scene whose copy fails is taken back
// on its own, and a cancelled run takes back every scene: the scenes it
// made are deleted, and the files it overwrote in an existing scene are put
// back (they are kept aside, beside themselves, until the run ends).
class TUSceneCopyRun
{
public:
    // Asked before copying onto a scene that already has an xsheet; true
    // to overwrite it.
    using OverwriteQuestion = std::function<bool(const QString &target)>;

    TUSceneCopyRun(TUDbAccess &access, dba_job_struct &sourceJob, dba_job_struct &targetJob,
                   GUI_DoubleProgressDlg &progress);

    void setPosition(int position) { m_position = position; }
    void setCopyAllDataFiles(bool all) { m_copyAll = all; }
    void setOverwriteQuestion(OverwriteQuestion question) { m_overwrite = std::move(question); }

    // false when the run was cancelled (and taken back).
    bool run(const QVector<SceneCopyEntry> &entries);

    // The target scenes copied (after a cancel: none).
    QStringList written() const { return m_written; }
    // One line per scene that could not be copied, each ending in "\n".
    const MSG_Text &failures() const { return m_failures; }

private:
    // What the run did to one target scene, so that it can be taken back.
    struct TargetChanges
    {
        const SceneCopyEntry *entry = nullptr;
        bool created = false;
        QStringList madeFiles;
        QStringList madeFolders; // parents first
        QStringList keptAside; // overwritten files, each kept as itself + kAsideSuffix
        bool filesFailed = false;
    };
    enum class Step { Done, Skipped, Cancelled };

    Step copyEntry(const SceneCopyEntry &entry, TargetChanges &changes);
    bool createTarget(const SceneCopyEntry &entry);
    bool mayOverwrite(const SceneCopyEntry &entry, const dba_scene_struct &target);
    // false when cancelled.
    bool copyFiles(const QStringList &files, TargetChanges &changes);
    void copyOneFile(const QString &source, const QString &target, TargetChanges &changes);
    void takeBack(const TargetChanges &changes);
    static void dropKeptAside(const TargetChanges &changes);
    bool cancelled();
    void fail(const char *text, const QStringList &values);

    TUDbAccess &m_access;
    dba_job_struct &m_sourceJob;
    dba_job_struct &m_targetJob;
    GUI_DoubleProgressDlg &m_progress;
    OverwriteQuestion m_overwrite;
    int m_position = 2;
    bool m_copyAll = true;
    QStringList m_written;
    MSG_Text m_failures;
};
