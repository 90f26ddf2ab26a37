#include "TUTYUserListDlg.h"

#include "BUIAPP_Application.h"
#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDialogLayout.h"
#include "TUTYUserParamDlg.h"

TUTYUserListDlg::TUTYUserListDlg(QWidget *parent, TUDbAccess *access)
    : QDialog(parent)
    , m_access(access)
{
    m_ui.setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    m_ui._lvUsers->setAllColumnsShowFocus(true);
    m_ui._lvUsers->setIndentation(0);
    m_ui._lvUsers->setColumnWidth(UserName, 110);
    m_ui._lvUsers->setColumnWidth(FirstName, 100);
    m_ui._lvUsers->setColumnWidth(LastName, 100);
    connect(m_ui._btnAdd, &QPushButton::clicked, this, &TUTYUserListDlg::clickedBtnAdd);
    connect(m_ui._btnDelete, &QPushButton::clicked, this, &TUTYUserListDlg::clickedBtnDelete);
    connect(m_ui._btnModify, &QPushButton::clicked, this, &TUTYUserListDlg::clickedBtnModify);
    connect(m_ui._btnOK, &QPushButton::clicked, this, &TUTYUserListDlg::Accept);
    showCurrentUser();
    fill();
}

void TUTYUserListDlg::fill()
{
    m_ui._lvUsers->clear();
    QVector<dba_user_struct_type> users;
    m_access->dba_GetAllUsers(users);
    QList<QTreeWidgetItem *> rows;
    for (const dba_user_struct_type &user : qAsConst(users))
        rows << new QTreeWidgetItem({user.name, user.firstName, user.lastName, TUDbAccess::userType2QString(user.type)});
    m_ui._lvUsers->addTopLevelItems(rows);
}

void TUTYUserListDlg::showCurrentUser()
{
    m_ui._lblUser->setText(tr("You are: %1").arg(m_access->userName()));
}

bool TUTYUserListDlg::mayChangeUsers() const
{
    if (m_access->hasUserPermissionModifyUsers())
        return true;
    MSG_Scope(staticMetaObject.className(),
              QT_TR_NOOP("You do not have the permission necessary to modify users --\nplease contact your supervisor "
                         "or TD to change your user type\nor to change the users\n"));
    return false;
}

QTreeWidgetItem *TUTYUserListDlg::selectedUser() const
{
    const QList<QTreeWidgetItem *> selected = m_ui._lvUsers->selectedItems();
    if (selected.isEmpty()) {
        MSG_Scope(staticMetaObject.className(), QT_TR_NOOP("Please select a user"));
        return nullptr;
    }
    return selected.first();
}

template <typename Change>
void TUTYUserListDlg::runUntilDone(TUTYUserParamDlg &form, Change change)
{
    while (form.Exec() == QDialog::Accepted) {
        if (change() == 0) {
            fill();
            return;
        }
        // The form comes back with what was typed; the reason is the database's.
        MSG_Scope(staticMetaObject.className(), MSG_Text(m_access->lastErrorText()));
    }
}

namespace {
QWidget *formParent(QWidget *fallback)
{
    BUIAPP_Application *app = BUIAPP_Application::instance();
    return app && app->floaterModal() ? app->floaterModal() : fallback;
}
} // namespace

void TUTYUserListDlg::clickedBtnAdd()
{
    if (!mayChangeUsers())
        return;
    TUTYUserParamDlg form(formParent(this), QString(), QString(), QString(), TUDbAccess::INK_PAINT);
    runUntilDone(form, [&] {
        return m_access->addUser(form.userName(), form.firstName(), form.lastName(), QString(), form.userType());
    });
}

void TUTYUserListDlg::clickedBtnDelete()
{
    const QTreeWidgetItem *row = mayChangeUsers() ? selectedUser() : nullptr;
    if (!row)
        return;
    const QString name = row->text(UserName);
    if (name == m_access->userName()) {
        MSG_Scope(staticMetaObject.className(), QT_TR_NOOP("You are not allowed to delete yourself"));
        return;
    }
    if (name == QLatin1String("BATCH")) {
        MSG_Scope(staticMetaObject.className(), QT_TR_NOOP("You are not allowed to delete user BATCH"));
        return;
    }
    if (TUDialogLayout::ask(this, tr("Confirm"), tr("Really delete user %1?").arg(name), {tr("OK"), tr("Cancel")}, 1)
        != 0)
        return;
    m_access->deleteUser(name);
    fill();
}

void TUTYUserListDlg::clickedBtnModify()
{
    const QTreeWidgetItem *row = mayChangeUsers() ? selectedUser() : nullptr;
    if (!row)
        return;
    const QString oldName = row->text(UserName);
    TUTYUserParamDlg form(formParent(this), oldName, row->text(FirstName), row->text(LastName),
                          TUDbAccess::QString2UserType(row->text(Type)));
    runUntilDone(form, [&] {
        const int result =
            m_access->modifyUser(oldName, form.userName(), form.lastName(), form.firstName(), form.userType());
        if (result == 0)
            showCurrentUser();
        return result;
    });
}

void TUTYUserListDlg::Accept()
{
    accept();
}
