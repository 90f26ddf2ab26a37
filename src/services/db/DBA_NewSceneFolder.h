#pragma once

#include <QString>
#include <QStringList>

// The folder tree of a scene being created. Making a dozen folders is slow
// on a busy file system, so the tree is made before the create's
// transaction, in a staging folder beside its place
// (".tallyard-new-<host>-<pid>-<folder>"), and put in place inside the transaction by one rename: the
// database's write lock (SQLite) or the job's row (PostgreSQL) is never held
// while folders are made. A folder that already exists is completed in
// place instead. Whatever was made and not committed goes when this object
// does. A kill leaves at most the staging folder or a tree without a record;
// "tallyard-db check" finds both.
class DBA_NewSceneFolder
{
public:
    static const QString kStagingPrefix;
    // "<host>-<pid>-", as the session row names host and process: put after
    // a staging prefix, it makes a staging folder this process's own, which
    // "tallyard-db check" leaves alone while the process lives.
    static QString processTag();

    // local: the scene's folder; make: whether the create makes its tree.
    DBA_NewSceneFolder(const QString &local, bool make);
    ~DBA_NewSceneFolder();
    DBA_NewSceneFolder(const DBA_NewSceneFolder &) = delete;
    DBA_NewSceneFolder &operator=(const DBA_NewSceneFolder &) = delete;

    // Before the transaction: makes the tree in the staging folder.
    bool prepare(QString &error);
    // Inside the transaction, once the scene is recorded: puts the tree in place.
    bool place(QString &error);
    // After the commit: the folder stays.
    void commit() { m_committed = true; }

private:
    // Makes the standard scene folders below folder.
    static bool makeTree(const QString &folder, QString &error);

    QString m_local;
    QString m_staging;
    bool m_make = false;
    bool m_inPlace = false; // the folder existed: it is completed, never removed
    bool m_placed = false;
    bool m_committed = false;
    QStringList m_missingParents; // made for this scene, nearest first
};
