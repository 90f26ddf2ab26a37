#include "TUPriorityDlg.h"

#include "MSG_Scope.h"
#include "TUDialogLayout.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>

TUPriorityDlg::TUPriorityDlg(QWidget *parent, TUDbAccess *access, const QString &title)
    : QDialog(parent)
    , m_access(access)
    , m_slider(new QSlider(Qt::Vertical, this))
    , m_value(new QLabel(this))
{
    // Inverted, so that 0, the highest priority, stands at the top next to "High".
    m_slider->setObjectName(QStringLiteral("priority"));
    m_slider->setRange(0, 10);
    m_slider->setPageStep(1);
    m_slider->setTickPosition(QSlider::TicksRight);
    m_slider->setInvertedAppearance(true);
    m_value->setObjectName(QStringLiteral("priorityValue"));
    m_value->setMinimumWidth(m_value->fontMetrics().horizontalAdvance(QStringLiteral("-10")));
    connect(m_slider, &QSlider::valueChanged, this, &TUPriorityDlg::priorityChange);

    auto *valueColumn = new QVBoxLayout;
    valueColumn->addWidget(new QLabel(tr("Priority"), this));
    valueColumn->addWidget(m_value);
    valueColumn->addStretch();
    auto *scale = new QVBoxLayout;
    scale->addWidget(new QLabel(tr("High"), this), 0, Qt::AlignHCenter);
    scale->addWidget(m_slider, 0, Qt::AlignHCenter);
    scale->addWidget(new QLabel(tr("Low"), this), 0, Qt::AlignHCenter);
    auto *columns = new QHBoxLayout;
    columns->addLayout(valueColumn);
    columns->addSpacing(20);
    columns->addLayout(scale);
    columns->addStretch();

    auto *layout = new TUDialogLayout(this, title);
    layout->addWidget(new QLabel(tr("Choose New Priority :"), this));
    layout->addLayout(columns);
    // The subclass connects OK to its own change slot.
    layout->addOkCancelRow(tr("OK"), tr("Cancel"))->setObjectName(QStringLiteral("ok"));
}

int TUPriorityDlg::priority() const
{
    return m_slider->value();
}

void TUPriorityDlg::priorityChange(int priority)
{
    m_value->setText(QString::number(priority));
}

void TUPriorityDlg::preset(const QVector<int> &priorities)
{
    if (priorities.isEmpty()) {
        m_slider->setValue(0);
        m_value->setText(QStringLiteral("-1"));
        return;
    }
    const bool same = std::all_of(priorities.begin(), priorities.end(), [&](int p) { return p == priorities.first(); });
    m_slider->setValue(same ? priorities.first() : 5);
    priorityChange(m_slider->value());
}

void TUPriorityDlg::reportFailure(const char *failure, const QString &name) const
{
    MSG_Scope(metaObject()->className(), failure).arg(name);
}
