#include "TUCopySceneProgressDlg.h"

#include "TUDialogLayout.h"

TUCopySceneProgressDlg::TUCopySceneProgressDlg(QWidget *parent)
    : GUI_DoubleProgressDlg(parent, tr("Copy Scene(s)..."))
{
}

void TUCopySceneProgressDlg::cancelRequested()
{
    if (TUDialogLayout::ask(this, tr("Confirmation"),
                            tr("All the copied scenes and files could be deleted,\nAre you sure to cancel?"),
                            {tr("Yes"), tr("No")}, 1)
        != 0)
        return;
    GUI_DoubleProgressDlg::cancelRequested();
    emit copyCancel();
}
