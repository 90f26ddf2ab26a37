#pragma once

#include "ui_tutyuserlistdlg.h"

#include <QDialog>

class TUDbAccess;
class TUTYUserParamDlg;

// Lists the database's users and adds, deletes and modifies them. Nobody
// deletes themself or the user "BATCH" the batch runs work as. The access
// is not owned. Changes need the right to modify users.
class TUTYUserListDlg : public QDialog
{
    Q_OBJECT
public:
    TUTYUserListDlg(QWidget *parent, TUDbAccess *access);

public slots:
    void clickedBtnAdd();
    void clickedBtnDelete();
    void clickedBtnModify();
    void Accept();

private:
    enum Column { UserName, FirstName, LastName, Type };

    void fill();
    void showCurrentUser();
    // False, after saying so, for a user whose type may not change users.
    bool mayChangeUsers() const;
    // The selected row, or null after saying that one must be selected.
    QTreeWidgetItem *selectedUser() const;
    // Runs the form until the change succeeds or the user gives up.
    template <typename Change>
    void runUntilDone(TUTYUserParamDlg &form, Change change);

    Ui::TUTYUserListDlg m_ui;
    TUDbAccess *m_access;
};
