#include "TULogDlg.h"

#include "TULogView.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

TULogDlg::TULogDlg(QWidget *parent)
    : QDialog(parent)
    , m_view(new TULogView(this))
{
    setWindowTitle(m_view->windowTitle());
    auto *closeButton = new QPushButton(tr("&Close"), this);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(closeButton);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(5);
    layout->addWidget(m_view);
    layout->addLayout(buttons);
    resize(640, 400);
}
