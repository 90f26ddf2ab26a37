#include "TUTYProgressDlg.h"

TUTYProgressDlg::TUTYProgressDlg(QWidget *parent, const QString &title, int maximum)
    : QProgressDialog(parent)
{
    setWindowTitle(title);
    setCancelButtonText(tr("Cancel"));
    setWindowModality(Qt::WindowModal);
    // The run ends the dialog, not the bar reaching its end.
    setAutoReset(false);
    setAutoClose(false);
    setMinimumDuration(0);
    setRange(0, qMax(1, maximum));
    setMinimumWidth(420);
}

void TUTYProgressDlg::setLabelText(const QString &text)
{
    QProgressDialog::setLabelText(text);
}

void TUTYProgressDlg::setValue(int files)
{
    // A run may visit more than its counting pass found (files added since).
    QProgressDialog::setValue(qMin(files, maximum()));
}

bool TUTYProgressDlg::wasCanceled() const
{
    return QProgressDialog::wasCanceled();
}
