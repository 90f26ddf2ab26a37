#pragma once

#include <QDialog>

class TUDbAccess;
class TUReorderListView;
struct dba_job_struct;

// Shows the scenes of a job for the user to put in order, by dragging rows
// or sorting on a column; OK writes the whole order at once, so another
// user's reader never sees half of it. The access and job are not owned.
class TUReorderScene : public QDialog
{
    Q_OBJECT
public:
    enum Column { Name, FileSystem, Frames, Priority, Td, Atd, CreateDate };

    TUReorderScene(QWidget *parent, TUDbAccess *access, dba_job_struct *job);

    TUReorderListView *list() const { return m_list; }

public slots:
    void ok();
    void cancel();
    void clickHeader(int column);

private:
    void fill();

    TUDbAccess *m_access;
    dba_job_struct *m_job;
    TUReorderListView *m_list;
    int m_sortColumn = -1;
    bool m_ascending = false;
};
