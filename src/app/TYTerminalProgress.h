#pragma once

#include "TUIEProgress.h"

// Progress of a batch export or import on standard error, one line
// rewritten in place, only when standard error is a terminal: a redirected
// run's output stays what it was.
class TYTerminalProgress : public TUIEProgress
{
public:
    TYTerminalProgress();
    ~TYTerminalProgress() override;

    bool active() const { return m_active; }
    void setLabelText(const QString &text) override;
    void setValue(int files) override;
    bool wasCanceled() const override { return false; }

private:
    void show();

    bool m_active;
    QString m_label;
    int m_files = 0;
    qint64 m_shownAt = 0;
};
