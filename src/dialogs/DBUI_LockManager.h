#pragma once

#include "DBA_Records.h"

#include <QButtonGroup>
#include <QDialog>

class QListWidget;
class QListWidgetItem;
class QTreeWidget;
class QTreeWidgetItem;
class TUDbAccess;

// Lists every lock of the database with who holds it, from where, for how
// long, and whether the holder's session is still alive; releases the
// chosen locks. Locks of dead sessions are shown apart and can be selected
// together. A lock is released only as the row listed: one released and
// taken again since the list was read stays. The "Database Selector" tab
// narrows the list to chosen jobs and scenes and to one kind of lock. The
// access is not owned.
class DBUI_LockManager : public QDialog
{
    Q_OBJECT
public:
    enum Column { Version, Key, Mode, User, Application, Workstation, Age, Session };
    enum Filter { AllLocks, Library, Scenes, Assets, Drawings, Palette };

    DBUI_LockManager(QWidget *parent, TUDbAccess *access);

    QTreeWidget *lockList() const { return m_locks; }
    QTreeWidget *filteredLockList() const { return m_filtered; }

public slots:
    void refresh();
    void unlockSelectedLocks();
    void unlockFilteredLocks();
    void selectDeadSessionLocks();
    void environmentSelected(QListWidgetItem *item);
    void jobSelected(QListWidgetItem *item);
    void addToList();
    void deleteFromList();
    void setFilterAllLocks();
    void setFilterAssetLocks();
    void resetFilterLockList();

private:
    struct Row {
        dba_lock_struct lock;
        QString subject; // "job/scene" for the locks of a scene, else the key
    };

    QWidget *createLockListPage();
    QWidget *createSelectorPage();
    QListWidget *createList(const char *name);
    void fill(QTreeWidget *tree, bool filtered) const;
    bool passesFilter(const Row &row) const;
    // The rows to release, after the questions; empty when the user declined.
    QList<QTreeWidgetItem *> locksToRelease(QTreeWidget *tree);
    void unlock(QTreeWidget *tree);
    void release(const QList<QTreeWidgetItem *> &rows);

    TUDbAccess *m_access;
    QTreeWidget *m_locks;
    QTreeWidget *m_filtered;
    QListWidget *m_environments;
    QListWidget *m_jobs;
    QListWidget *m_scenes;
    QListWidget *m_scope; // "job" or "job/scene" entries the filtered list keeps
    QButtonGroup m_filter;
    QVector<Row> m_rows;
};
