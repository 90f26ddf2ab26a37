#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

class DBA_Context;

// What a scene copy appends to a file of the target scene that it
// overwrites: the file waits beside itself until the copy is done.
inline const QString DBA_CopyAsideSuffix = QStringLiteral(".copy-aside~");

// One thing the records and the folders disagree on, and what was done.
struct DBA_Finding
{
    QString problem;  // names the scene, folder or lock
    QString action;   // what the repair did, or why it cannot
    bool repaired = false;
    bool running = false; // work of a live process: said, never repaired, not a problem
};

// What a killed or failed operation can leave behind, found by comparing
// the records with the folders: scenes whose folder is missing, folders
// set aside by a delete (".<name>.deleted-<n>"), staging folders of a
// create or a move that did not finish, scene folders no record
// names (half-made by a create, or left by a delete), folders of
// environments and jobs that are gone, files a scene copy set aside, locks of dead
// sessions or of scenes that are gone, and unfinished renames. The staging
// folder of a create or a move whose process still runs (its session is
// alive and, on this host, the process exists) is named as such and left alone. The repair
// never deletes a file: a folder holding files is moved aside under a
// visible name; only empty folder trees and lock rows are removed.
class DBA_Consistency
{
public:
    explicit DBA_Consistency(DBA_Context &context) : m_ctx(context) {}

    // Fills findings; with repair, repairs what can be repaired. False
    // only when the database cannot be read.
    bool run(bool repair, QVector<DBA_Finding> &findings);

private:
    bool readScenes();
    // The "<host>-<pid>-" of every process that may still be making a scene.
    bool readLiveProcesses();
    // The live process whose tag starts a staging folder's name after its
    // prefix ("<host>-<pid>-..."); empty when none.
    QString liveOwner(const QString &staged) const;
    void checkSceneFolders();
    void checkFolderLeftovers();
    void checkCopyAside();
    QString repairCopyAside(const QString &aside);
    // Names (and with repair resolves) folder, an entry of parent, when it is a leftover.
    void checkLeftover(const QString &parent, const QString &folder);
    bool checkLocks();
    bool checkRenames();
    // Resolves a staging folder of kind "new", "move" or "replaced" whose
    // name ends in rest: removed when it holds no files, else put back or
    // moved aside; the action said.
    QString repairStaged(const QString &folder, const QString &kind, const QString &rest);
    // Whether parent is the root's folder of environments or of jobs.
    bool isRecordParent(const QString &parent) const;
    // Records a folder no record names: removed when it holds no files,
    // else moved aside.
    void foundUnrecorded(const QString &folder, const QString &problem);
    // Moves a folder aside under visible, beside it; the action said.
    QString moveAside(const QString &folder, const QString &visible);
    // Records a finding, repairing it with repairIt when asked.
    template <typename Repair> void found(const QString &problem, Repair repairIt);

    DBA_Context &m_ctx;
    bool m_repair = false;
    QVector<DBA_Finding> m_findings;
    QHash<QString, QString> m_sceneOfFolder; // local folder -> "job/scene"
    QSet<QString> m_recordFolders;           // the root's folders of environments and jobs
    QStringList m_putBack;                   // folders a repair put back where they were
    QStringList m_liveProcesses;             // "<host>-<pid>-"
    QStringList m_scanned;                   // folders whose entries are looked at; first the
                                             // root's environments, then its jobs
};
