#pragma once

#include "TUDbSelect.h"

#include <QObject>
#include <QPointer>

class TUDbUserDialog;

// The user selector of this program: who works with the database. It starts
// with the user last logged in on this machine when the database still knows
// that name, and asks through the login dialog otherwise. The inherited
// setUserName() keeps the name under "LAST_LOGIN_NAME" whether or not the
// database accepts it, so the next login dialog offers it again.
//
// The login dialog is created on first need and kept. Its parent is the
// application's modal floater, which then owns it; without a floater the
// selector deletes it.
class TUDbSelector : public QObject, public TUDbSelectSingleDbClient
{
    Q_OBJECT
public:
    TUDbSelector(int flags, int selection1, int selection2, int selection3, QObject *parent = nullptr);
    ~TUDbSelector() override;

    // True at once when a user is known and forceDialog is false; otherwise
    // runs the login dialog modally and answers whether it was accepted.
    // offlineAllowed lets the dialog start in the offline mode last used; it
    // counts only for the call that creates the dialog.
    bool login(bool forceDialog, bool offlineAllowed);

    // The login dialog once a login has needed it, else null.
    TUDbUserDialog *loginDialog() const;

private:
    TUDbUserDialog *ensureDialog(bool offlineAllowed);

    QPointer<TUDbUserDialog> m_dialog;
};
