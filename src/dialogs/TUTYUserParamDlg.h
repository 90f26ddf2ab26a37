#pragma once

#include "ui_tutyuserparamdlg.h"

#include <QDialog>

// The form of one user: name, first name, last name and user type. OK is
// enabled only while the three names are filled. Not deleted on close:
// the user list runs it again with the input kept when the database refuses.
class TUTYUserParamDlg : public QDialog
{
    Q_OBJECT
public:
    TUTYUserParamDlg(QWidget *parent, const QString &userName, const QString &firstName, const QString &lastName,
                     int userType);

    // Runs the form; 1 when OK was pressed.
    int Exec() { return exec(); }

    QString userName() const { return m_ui._leUserName->text(); }
    QString firstName() const { return m_ui._leFirstName->text(); }
    QString lastName() const { return m_ui._leLastName->text(); }
    int userType() const;

public slots:
    void enableOK();

private:
    Ui::TUTYUserParamDlg m_ui;
};
