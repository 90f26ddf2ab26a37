#include "TUVectOptionsDlg.h"

#include "TUDialogLayout.h"

#include <QListWidget>
#include <QPushButton>

TUVectOptionsDlg::TUVectOptionsDlg(QWidget *parent, const QString &stylesFile)
    : QDialog(parent)
    , m_list(new QListWidget(this))
{
    setObjectName(QStringLiteral("vectoptionsdlg"));
    setMinimumSize(175, 200);
    m_styles.readAndReport(stylesFile, "DBS_VectOptionList");
    for (const TUVectOptionList::Style &style : m_styles.styles()) {
        m_list->addItem(style.name);
        if (style.name == TUVectOptionList::defaultStyleName()) {
            m_chosen = m_list->count() - 1;
            m_list->setCurrentRow(m_chosen);
        }
    }
    connect(m_list, &QListWidget::currentItemChanged, this, &TUVectOptionsDlg::selectItem);

    auto *layout = new TUDialogLayout(this, tr("Vectorization Styles"));
    // Kept by the main window, so not deleted when closed.
    setAttribute(Qt::WA_DeleteOnClose, false);
    layout->addWidget(m_list);
    auto *ok = layout->addOkCancelRow(tr("&OK"), tr("&Cancel"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    // Cancel closes, which rejects.
}

void TUVectOptionsDlg::selectItem(QListWidgetItem *current, QListWidgetItem *)
{
    if (current)
        m_chosen = m_list->row(current);
}

QString TUVectOptionsDlg::options() const
{
    return m_chosen < 0 ? QString() : m_styles.styles().at(m_chosen).options;
}

QString TUVectOptionsDlg::chosenStyle() const
{
    return m_chosen < 0 ? QString() : m_styles.styles().at(m_chosen).name;
}
