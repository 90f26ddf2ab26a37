#pragma once

#include <QString>

// What the exporter and importer tell whoever watches a long run: the step
// being done, the file count so far, and whether the watcher asked to stop.
// The dialogs wrap a progress dialog; batch runs print on a terminal.
class TUIEProgress
{
public:
    virtual ~TUIEProgress() = default;
    virtual void setLabelText(const QString &text) = 0;
    virtual void setValue(int files) = 0;
    virtual bool wasCanceled() const = 0;
};
