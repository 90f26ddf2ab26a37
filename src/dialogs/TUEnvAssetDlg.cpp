#include "TUEnvAssetDlg.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDialogLayout.h"

#include <QCheckBox>
#include <QPushButton>

TUEnvAssetDlg::TUEnvAssetDlg(QWidget *parent, TUDbAccess *access, const QString &environment,
                             bool sceneAssetLock)
    : QDialog(parent)
    , m_access(access)
    , m_environment(environment)
    , m_sceneAssetLock(new QCheckBox(tr("&Get rights to modify all scene assets."), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Choose New Asset Lock"));
    m_sceneAssetLock->setObjectName(QStringLiteral("sceneAssetLock"));
    m_sceneAssetLock->setChecked(sceneAssetLock);

    auto *layout = new TUDialogLayout(this);
    layout->addWidget(m_sceneAssetLock);
    QPushButton *ok = layout->addOkCancelRow(tr("OK"), tr("Cancel"));
    connect(ok, &QPushButton::clicked, this, &TUEnvAssetDlg::changeAssetEnv);
}

bool TUEnvAssetDlg::sceneAssetLock() const
{
    return m_sceneAssetLock->isChecked();
}

void TUEnvAssetDlg::changeAssetEnv()
{
    if (m_access->dba_SetEnvironmentSceneLock(m_environment, m_sceneAssetLock->isChecked())) {
        accept();
        return;
    }
    MSG_Scope(staticMetaObject.className(), QT_TR_NOOP("Could not change scene asset lock of the environment %1"),
              MSG_Scope::Error)
        .arg(m_environment);
}
