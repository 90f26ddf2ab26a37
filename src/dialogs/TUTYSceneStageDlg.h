#pragma once

#include "ui_tutyscenestagedlg.h"

#include <QDialog>

class TUDbAccess;

// Lets the user choose a workflow stage for the selected scenes; changes
// nothing itself: the caller applies stage() after the dialog is accepted.
// Not deleted on close, so the caller can read the choice.
class TUTYSceneStageDlg : public QDialog
{
    Q_OBJECT
public:
    TUTYSceneStageDlg(QWidget *parent, TUDbAccess *access, const QString &currentStage, int currentIndex);

    int stage() const { return m_ui._cbToStage->currentIndex(); }

private:
    Ui::TUTYSceneStageDlg m_ui;
};
