#pragma once

#include <QDialog>

class QTreeWidget;
class QTreeWidgetItem;
class TUDbAccess;

// Lists every lock of the database with who holds it, from where, for how
// long, and whether the holder's session is still alive; releases the
// chosen locks. Locks of dead sessions are shown apart and can be selected
// together. A lock is released only as the row listed: one released and
// taken again since the list was read stays. The access is not owned.
class DBUI_LockManager : public QDialog
{
    Q_OBJECT
public:
    enum Column { Version, Key, Mode, User, Application, Workstation, Age, Session };

    DBUI_LockManager(QWidget *parent, TUDbAccess *access);

    QTreeWidget *lockList() const { return m_locks; }

public slots:
    void refresh();
    void unlockSelectedLocks();
    void selectDeadSessionLocks();

private:
    // The rows to release, after the questions; empty when the user declined.
    QList<QTreeWidgetItem *> locksToRelease();
    void release(const QList<QTreeWidgetItem *> &rows);

    TUDbAccess *m_access;
    QTreeWidget *m_locks;
};
