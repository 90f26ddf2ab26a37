#pragma once

#include <QVBoxLayout>

class QDialog;
class QPushButton;

// The frame the administration dialogs share: a vertical box with margin 10
// and spacing 5 that ends in a right-aligned OK/Cancel row, Cancel closing
// the dialog. The dialog passes the button texts so that they are translated
// in its own context.
class TUDialogLayout : public QVBoxLayout
{
public:
    explicit TUDialogLayout(QDialog *dialog);

    // Adds the button row; returns the OK button for the dialog to connect.
    QPushButton *addOkCancelRow(const QString &okText, const QString &cancelText);

private:
    QDialog *m_dialog;
};
