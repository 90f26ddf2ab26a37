#include "TUTYUnvectorizeDlg.h"

#include "TUPixmapFormatList.h"

#include <QIntValidator>
#include <QPushButton>

namespace {
enum { AsScanned = 0, Custom = 1 };
// The vectorizer's words for the anti-aliasing qualities 1 to 4.
const char *const kQualityKeywords[] = {"low", "medium-low", "medium", "high"};
} // namespace

TUTYUnvectorizeDlg::TUTYUnvectorizeDlg(QWidget *parent, TUDbAccess *)
    : QDialog(parent)
{
    m_ui.setupUi(this);
    const char *const qualities[] = {QT_TR_NOOP("Low"), QT_TR_NOOP("Medium Low"), QT_TR_NOOP("Medium"),
                                     QT_TR_NOOP("High")};
    for (int quality = 1; quality <= 4; ++quality)
        m_ui._cbAliasQuality->addItem(tr(qualities[quality - 1]), quality);
    m_ui._cbAliasQuality->setCurrentIndex(3);
    for (const TUPixmapFormat &format : TUPixmapFormatList::formats()) {
        if (!format.selectable())
            continue;
        m_ui._cbOutputFormat->addItem(format.name(), format.format());
        if (format.format() == TUPixmapFormatList::PNG)
            m_ui._cbOutputFormat->setCurrentIndex(m_ui._cbOutputFormat->count() - 1);
    }
    m_resolution.addButton(m_ui._rbResAsScanned, AsScanned);
    m_resolution.addButton(m_ui._rbResCustom, Custom);
    for (QLineEdit *field : {m_ui._editResX, m_ui._editResY}) {
        field->setValidator(new QIntValidator(1, 100000, field));
        connect(field, &QLineEdit::textChanged, this, &TUTYUnvectorizeDlg::enableOK);
    }
    m_ui._editCommandOptions->setText(QStringLiteral("-bgcolor 1.0 1.0 1.0"));
    connect(&m_resolution, &QButtonGroup::idClicked, this, &TUTYUnvectorizeDlg::onGbResolutionClicked);
    connect(m_ui._listbSelection, &QListWidget::itemSelectionChanged, this, &TUTYUnvectorizeDlg::enableOK);
    connect(m_ui.m_OKCancelButtons, &QDialogButtonBox::accepted, this, &TUTYUnvectorizeDlg::Accept);
    connect(m_ui.m_OKCancelButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    onGbResolutionClicked(AsScanned);
}

int TUTYUnvectorizeDlg::run(const QString &kind, const QStringList &names, const QStringList &selected)
{
    setWindowTitle(tr("Send %1 to Unvectorize").arg(kind));
    m_ui._labelSelection->setText(kind);
    m_ui._listbSelection->clear();
    m_ui._listbSelection->addItems(names);
    for (int row = 0; row < m_ui._listbSelection->count(); ++row) {
        QListWidgetItem *item = m_ui._listbSelection->item(row);
        item->setSelected(selected.contains(item->text()));
    }
    enableOK();
    return exec();
}

QStringList TUTYUnvectorizeDlg::selectedNames() const
{
    QStringList names;
    for (int row = 0; row < m_ui._listbSelection->count(); ++row) {
        if (m_ui._listbSelection->item(row)->isSelected())
            names << m_ui._listbSelection->item(row)->text();
    }
    return names;
}

void TUTYUnvectorizeDlg::enableOK()
{
    const bool custom = m_ui._rbResCustom->isChecked();
    const bool ok = !m_ui._listbSelection->selectedItems().isEmpty()
        && (!custom || (!m_ui._editResX->text().isEmpty() && !m_ui._editResY->text().isEmpty()));
    m_ui.m_OKCancelButtons->button(QDialogButtonBox::Ok)->setEnabled(ok);
}

void TUTYUnvectorizeDlg::onGbResolutionClicked(int id)
{
    m_ui._editResX->setEnabled(id == Custom);
    m_ui._editResY->setEnabled(id == Custom);
    enableOK();
}

void TUTYUnvectorizeDlg::Accept()
{
    const int quality = m_ui._cbAliasQuality->currentData().toInt();
    QString options = QStringLiteral("-antialiasing ") + QLatin1String(kQualityKeywords[qBound(1, quality, 4) - 1])
        + QLatin1Char(' ') + QString::number(m_ui._sbAliasExponent->value());
    if (m_ui._rbResCustom->isChecked())
        options += QStringLiteral(" -resolution ") + m_ui._editResX->text() + QLatin1Char(' ') + m_ui._editResY->text();
    else
        options += QStringLiteral(" -resolution scan");
    m_options = options + QLatin1Char(' ') + m_ui._editCommandOptions->text();
    m_suffix = TUPixmapFormatList::fileExtentionFromFormat(m_ui._cbOutputFormat->currentData().toInt());
    accept();
}
