#pragma once

#include "TUTYTable.h"

struct dba_job_struct;

// The scenes of the open job, one row per scene in the job's order, with
// who checked a scene out and when.
class TUTYScenesTable : public TUTYTable
{
    Q_OBJECT
public:
    enum Column { Name, Path, FileSystem, Frames, Priority, Td, Atd, User, Date, ColumnCount };

    explicit TUTYScenesTable(QWidget *parent);

    // Refills the table from the job's scene table; the check-out columns
    // stay empty unless the job has check-out fields. Leaves no selection.
    void fillFromJob(const dba_job_struct &job, bool hasCheckoutFields);
};
