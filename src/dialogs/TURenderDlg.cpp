#include "TURenderDlg.h"

#include "TUDialogLayout.h"
#include "TUPixmapFormatList.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

TURenderDlg::TURenderDlg(QWidget *parent, const QString &sceneName, int frames)
    : QDialog(parent)
    , m_format(new QComboBox(this))
    , m_first(new QSpinBox(this))
    , m_last(new QSpinBox(this))
    , m_extra(new QLineEdit(this))
{
    m_format->setObjectName(QStringLiteral("format"));
    for (const TUPixmapFormat &format : TUPixmapFormatList::formats()) {
        if (format.selectable())
            m_format->addItem(format.name(), format.extension());
    }
    m_format->setCurrentText(QStringLiteral("PNG"));
    const int last = qMax(1, frames);
    for (QSpinBox *box : {m_first, m_last})
        box->setRange(1, last);
    m_first->setObjectName(QStringLiteral("first"));
    m_last->setObjectName(QStringLiteral("last"));
    m_last->setValue(last);
    // A range the wrong way round cannot be chosen.
    connect(m_first, QOverload<int>::of(&QSpinBox::valueChanged), m_last, &QSpinBox::setMinimum);
    connect(m_last, QOverload<int>::of(&QSpinBox::valueChanged), m_first, &QSpinBox::setMaximum);
    m_extra->setObjectName(QStringLiteral("options"));

    auto *range = new QHBoxLayout;
    range->addWidget(m_first);
    range->addWidget(new QLabel(tr("to"), this));
    range->addWidget(m_last);
    range->addStretch();
    auto *form = new QFormLayout;
    form->addRow(tr("Output format:"), m_format);
    form->addRow(tr("Frames:"), range);
    form->addRow(tr("Options:"), m_extra);

    // Kept by the caller until it has read the settings.
    auto *layout = new TUDialogLayout(this, tr("Render Scene %1").arg(sceneName));
    setAttribute(Qt::WA_DeleteOnClose, false);
    layout->addLayout(form);
    QPushButton *ok = layout->addOkCancelRow(tr("OK"), tr("Cancel"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    setMinimumWidth(360);
}

QString TURenderDlg::suffix() const
{
    return m_format->currentData().toString();
}

QString TURenderDlg::options() const
{
    const QString options =
        QStringLiteral("-frames %1 %2 -outformat %3").arg(m_first->value()).arg(m_last->value()).arg(suffix());
    const QString extra = m_extra->text().trimmed();
    return extra.isEmpty() ? options : options + QLatin1Char(' ') + extra;
}
