#include "TUTYUserParamDlg.h"

#include "TUDbAccess.h"

#include <QPushButton>

TUTYUserParamDlg::TUTYUserParamDlg(QWidget *parent, const QString &userName, const QString &firstName,
                                   const QString &lastName, int userType)
    : QDialog(parent)
{
    m_ui.setupUi(this);
    setWindowTitle(userName.isEmpty() ? tr("Add User") : tr("Modify User"));
    for (int type = TUDbAccess::RD; type <= TUDbAccess::ANIMATOR; ++type)
        m_ui._cbType->addItem(TUDbAccess::userType2QString(type));
    m_ui._cbType->setCurrentIndex(userType);
    m_ui._leUserName->setText(userName);
    m_ui._leFirstName->setText(firstName);
    m_ui._leLastName->setText(lastName);
    for (QLineEdit *field : {m_ui._leUserName, m_ui._leFirstName, m_ui._leLastName})
        connect(field, &QLineEdit::textChanged, this, &TUTYUserParamDlg::enableOK);
    connect(m_ui.m_OKCancelButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_ui.m_OKCancelButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    enableOK();
}

int TUTYUserParamDlg::userType() const
{
    return TUDbAccess::QString2UserType(m_ui._cbType->currentText());
}

void TUTYUserParamDlg::enableOK()
{
    m_ui.m_OKCancelButtons->button(QDialogButtonBox::Ok)
        ->setEnabled(!userName().isEmpty() && !firstName().isEmpty() && !lastName().isEmpty());
}
