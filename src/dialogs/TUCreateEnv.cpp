#include "TUCreateEnv.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDialogLayout.h"
#include "TUSceneNameValidator.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TUCreateEnv::TUCreateEnv(QWidget *parent, TUDbAccess *access)
    : QDialog(parent)
    , m_access(access)
    , m_name(new QLineEdit(this))
    , m_sceneAssetLock(new QCheckBox(tr("&Get rights to modify all scene assets"), this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Create Environment"));
    setMinimumSize(250, 75);
    m_name->setObjectName(QStringLiteral("environmentName"));
    m_name->setValidator(new TUSceneNameValidator(m_name, 1));
    m_sceneAssetLock->setObjectName(QStringLiteral("sceneAssetLock"));
    m_sceneAssetLock->setChecked(true);

    auto *layout = new TUDialogLayout(this);
    layout->addStretch();
    layout->addWidget(new QLabel(tr("Environment Name"), this));
    layout->addWidget(m_name);
    layout->addWidget(m_sceneAssetLock);
    QPushButton *ok = layout->addOkCancelRow(tr("OK"), tr("Cancel"));
    connect(ok, &QPushButton::clicked, this, &TUCreateEnv::createEnv);
}

QString TUCreateEnv::environmentName() const
{
    return m_name->text();
}

void TUCreateEnv::createEnv()
{
    // The validator is the only constraint on the name; the database judges the rest.
    const QString name = m_name->text();
    if (m_access->createEnv(name, m_sceneAssetLock->isChecked()) != 0) {
        accept();
        return;
    }
    MSG_Scope(staticMetaObject.className(), QT_TR_NOOP("Could not create environment %1"), MSG_Scope::Error)
        .arg(name);
}
