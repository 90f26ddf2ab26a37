#pragma once

#include "RunOptions.h"

class TUDbAccess;
class TUDbSelect;

// The batch export and import: hand the command line's data and link
// options to the exporter or importer, run it, and turn its outcome into
// the messages and error codes of a batch run.
class TYBatchTransfer
{
public:
    TYBatchTransfer(const RunOptions &options, TUDbAccess &access, TUDbSelect *select);

    bool exportScenes();
    bool importScenes();

private:
    // The link options with their defaults: copy, keep valid links, keep
    // broken links when none of their group was given.
    QSet<QString> linkOptions() const;

    const RunOptions &m_options;
    TUDbAccess &m_access;
    TUDbSelect *m_select;
};
