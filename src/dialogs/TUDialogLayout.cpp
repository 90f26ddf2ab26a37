#include "TUDialogLayout.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

TUDialogLayout::TUDialogLayout(QDialog *dialog)
    : QVBoxLayout(dialog)
    , m_dialog(dialog)
{
    setContentsMargins(10, 10, 10, 10);
    setSpacing(5);
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
