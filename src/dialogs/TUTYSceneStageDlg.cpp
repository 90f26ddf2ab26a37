#include "TUTYSceneStageDlg.h"

#include "TUDbAccess.h"

TUTYSceneStageDlg::TUTYSceneStageDlg(QWidget *parent, TUDbAccess *access, const QString &currentStage, int currentIndex)
    : QDialog(parent)
{
    m_ui.setupUi(this);
    for (int index = 0; index < access->dba_num_scene_stages(); ++index)
        m_ui._cbToStage->addItem(access->dba_get_translated_scene_stage(index));
    m_ui._cbToStage->setCurrentIndex(currentIndex);
    m_ui._leFromStage->setText(currentStage);
    connect(m_ui.m_OKCancelButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_ui.m_OKCancelButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}
