#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class DBA_Context;

// Which folders are Tallyard's to remove. A delete takes a scene's folder
// with it only when the folder lies inside the database root or a file
// system, no other scene record names it (as itself, a parent or a child),
// and the scene owns it (Tallyard made it, or it held no files when the
// scene adopted it); every other folder stays, with a warning naming it.
// The folders are judged inside the delete's transaction and removed only
// after the commit, so a failed delete never loses a file; a folder that
// should go and cannot is an error naming it.
class DBA_FolderOwnership
{
public:
    explicit DBA_FolderOwnership(DBA_Context &context) : m_ctx(context) {}

    // For a create, inside its transaction: refuses a folder that holds the
    // file space, that another scene uses, or (at the standard path, where
    // an earlier scene of the name left it) that holds files. owned tells
    // whether the new scene owns the folder; adopting one that holds files
    // is said in a warning.
    bool checkNewSceneFolder(const QString &stored, bool standardPath, bool &owned, const QString &what);

    // For a delete, inside its transaction: whether the folder of the scene
    // goes with it. The scenes deleted together (sceneId, or every scene of
    // jobId) do not count as other users of the folder.
    bool judgeSceneFolder(const QString &stored, bool owned, qint64 sceneId, qint64 jobId, const QString &what);
    // A folder Tallyard made for an environment or a job.
    void addOwnFolder(const QString &stored);

    // After the commit: warns for each folder kept, sets each folder to go
    // aside (".<name>.deleted-<n>") and removes it. False, naming every
    // folder that could not be removed, when any could not.
    bool removeFolders(const QString &what);

    // The file space root or a file system (roots: fileSpaceRoots()), or a folder holding one.
    static bool isProtected(const QStringList &roots, const QString &local);
    // Whether a folder holds nothing but (empty) folders.
    static bool holdsNoFiles(const QString &local);
    // Local folders of the root and the file systems.
    static bool fileSpaceRoots(DBA_Context &ctx, QStringList &roots, const QString &what);

private:
    // The "job/scene" of another scene whose folder is stored, or holds or
    // lies in it; empty when none. "/J/a/x" lies in "/J/a"; "/J/a-b" and
    // "/J/a0" do not.
    bool otherUser(const QString &stored, qint64 sceneId, qint64 jobId, QString &user, const QString &what);
    void keep(const QString &local, const QString &why);

    DBA_Context &m_ctx;
    QStringList m_remove;
    QStringList m_kept;
};
