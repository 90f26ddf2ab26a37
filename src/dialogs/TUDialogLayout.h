#pragma once

#include <QMessageBox>
#include <QStringList>
#include <QVBoxLayout>

class QDialog;
class QPushButton;
class TUDbAccess;

// The frame the administration dialogs share: a vertical box with margin 10
// and spacing 5 that ends in a right-aligned OK/Cancel row, Cancel closing
// the dialog. The dialog passes the button texts so that they are translated
// in its own context.
class TUDialogLayout : public QVBoxLayout
{
public:
    // Titles the dialog and has it deleted when it closes.
    explicit TUDialogLayout(QDialog *dialog, const QString &title = QString());

    // Adds the button row; returns the OK button for the dialog to connect.
    QPushButton *addOkCancelRow(const QString &okText, const QString &cancelText);

    // A modal question with the given buttons, left to right; the button at
    // safeIndex (the one that changes nothing) is the default and the escape
    // button. Returns the index of the button pressed.
    static int ask(QWidget *parent, const QString &title, const QString &text, const QStringList &buttons,
                   int safeIndex, QMessageBox::Icon icon = QMessageBox::Question);

    // Where the studio needs root access for changes to scene folders
    // (QVX_NEED_ROOT_ACCESS) and the user is not root: asks the question,
    // with the buttons proceed and Cancel; true to go on.
    static bool rootAccessConfirmed(QWidget *parent, const QString &question, const QString &proceed);

    // none, then every user's name in the database's order: the choices of
    // a TD or ATD combo.
    static QStringList userChoices(TUDbAccess &access, const QString &none);

private:
    QDialog *m_dialog;
};
