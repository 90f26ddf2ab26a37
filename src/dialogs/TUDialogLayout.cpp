#include "TUDialogLayout.h"

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
