#include "GUI_DoubleProgressDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

GUI_DoubleProgressDlg::GUI_DoubleProgressDlg(QWidget *parent, const QString &title)
    : QDialog(parent)
{
    setWindowTitle(title);
    setModal(true);
    setMinimumWidth(420);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(5);
    for (int bar : {Upper, Lower}) {
        m_labels[bar] = new QLabel(this);
        m_bars[bar] = new QProgressBar(this);
        m_labels[bar]->setObjectName(bar == Upper ? QStringLiteral("upperLabel") : QStringLiteral("lowerLabel"));
        m_bars[bar]->setObjectName(bar == Upper ? QStringLiteral("upperBar") : QStringLiteral("lowerBar"));
        // Long paths must not widen the window past the screen.
        m_labels[bar]->setMinimumWidth(1);
        m_labels[bar]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        layout->addWidget(m_labels[bar]);
        layout->addWidget(m_bars[bar]);
    }
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(cancel, &QPushButton::clicked, this, &GUI_DoubleProgressDlg::cancelRequested);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
}

void GUI_DoubleProgressDlg::setRange(Bar bar, int minimum, int maximum)
{
    m_bars[bar]->setRange(minimum, maximum);
}

void GUI_DoubleProgressDlg::setValue(Bar bar, int value)
{
    m_bars[bar]->setValue(value);
}

void GUI_DoubleProgressDlg::advance(Bar bar)
{
    m_bars[bar]->setValue(m_bars[bar]->value() + 1);
}

void GUI_DoubleProgressDlg::setLabelText(Bar bar, const QString &text)
{
    m_labels[bar]->setText(text);
}

void GUI_DoubleProgressDlg::setBarVisible(Bar bar, bool visible)
{
    m_labels[bar]->setVisible(visible);
    m_bars[bar]->setVisible(visible);
}

void GUI_DoubleProgressDlg::cancelRequested()
{
    m_canceled = true;
    for (QProgressBar *bar : m_bars)
        bar->setValue(bar->minimum());
}
