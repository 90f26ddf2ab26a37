#pragma once

#include "RunOptions.h"

class TUDbAccess;
class TUDbSelect;

// The operations of a batch run, one per run mode. Each reads RunOptions,
// reports through the message sink (scope "tallyard") and returns whether it
// succeeded; the exit status is the sink's error code.
class TYBatchOperations
{
public:
    TYBatchOperations(const RunOptions &options, TUDbAccess &access, TUDbSelect *select = nullptr);

    bool run();

    bool create();
    bool remove();
    bool rename();
    bool runEditorScript();

private:
    // Whether the editor started and ran the script to a clean end.
    bool runEditorOnScene(const QString &scene, const QString &version);

    const RunOptions &m_options;
    TUDbAccess &m_access;
    TUDbSelect *m_select;
};
