#pragma once

#include "TUIEProgress.h"

#include <QProgressDialog>

// The progress of an export or import run over the dialog that started it:
// a bar sized by the run's counting pass, the step being done, and a Cancel
// button that the run reads between two files.
class TUTYProgressDlg : public QProgressDialog, public TUIEProgress
{
    Q_OBJECT
public:
    TUTYProgressDlg(QWidget *parent, const QString &title, int maximum);

    void setLabelText(const QString &text) override;
    void setValue(int files) override;
    bool wasCanceled() const override;
};
