#include "TUDialogLayout.h"

#include "TUDbAccess.h"
#include "oswUtil.h"

#include <QCoreApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

TUDialogLayout::TUDialogLayout(QDialog *dialog, const QString &title)
    : QVBoxLayout(dialog)
    , m_dialog(dialog)
{
    setContentsMargins(10, 10, 10, 10);
    setSpacing(5);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (!title.isNull())
        dialog->setWindowTitle(title);
}

QPushButton *TUDialogLayout::addOkCancelRow(const QString &okText, const QString &cancelText)
{
    auto *ok = new QPushButton(okText, m_dialog);
    auto *cancel = new QPushButton(cancelText, m_dialog);
    QObject::connect(cancel, &QPushButton::clicked, m_dialog, &QWidget::close);

    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    addLayout(row);
    return ok;
}

int TUDialogLayout::ask(QWidget *parent, const QString &title, const QString &text, const QStringList &buttons,
                        int safeIndex, QMessageBox::Icon icon)
{
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    QVector<QAbstractButton *> added;
    for (const QString &label : buttons)
        added << box.addButton(label, QMessageBox::ActionRole);
    box.setDefaultButton(qobject_cast<QPushButton *>(added.value(safeIndex)));
    box.setEscapeButton(added.value(safeIndex));
    box.exec();
    const int pressed = added.indexOf(box.clickedButton());
    return pressed < 0 ? safeIndex : pressed;
}

bool TUDialogLayout::rootAccessConfirmed(QWidget *parent, const QString &question, const QString &proceed)
{
    if (qEnvironmentVariableIsEmpty("QVX_NEED_ROOT_ACCESS") || oswUtil::AdminOrRoot())
        return true;
    return ask(parent, QCoreApplication::translate("TUDialogLayout", "Confirm"), question,
               {proceed, QCoreApplication::translate("TUDialogLayout", "Cancel")}, 1)
        == 0;
}

QStringList TUDialogLayout::userChoices(TUDbAccess &access, const QString &none)
{
    QVector<dba_user_struct_type> users;
    access.dba_GetAllUsers(users);
    QStringList names{none};
    for (const dba_user_struct_type &user : qAsConst(users))
        names << user.name;
    return names;
}
