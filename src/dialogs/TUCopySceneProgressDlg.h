#pragma once

#include "GUI_DoubleProgressDlg.h"

// The progress window of a scene copy: Cancel asks first, since cancelling
// takes back every scene the run copied.
class TUCopySceneProgressDlg : public GUI_DoubleProgressDlg
{
    Q_OBJECT
public:
    explicit TUCopySceneProgressDlg(QWidget *parent);

signals:
    void copyCancel();

protected:
    void cancelRequested() override;
};
