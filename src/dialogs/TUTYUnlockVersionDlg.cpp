#include "TUTYUnlockVersionDlg.h"

#include "TUDbAccess.h"
#include "TUDialogLayout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTextEdit>

TUTYUnlockVersionDlg::TUTYUnlockVersionDlg(QWidget *parent, TUDbAccess *access, const dba_scene_struct &scene)
    : QDialog(parent)
    , m_access(access)
    , m_scene(scene)
    , m_versions(new QListWidget(this))
    , m_description(new QTextEdit(this))
    , m_unlock(new QPushButton(tr("&UnLock"), this))
{
    setMinimumSize(250, 500);
    m_versions->setObjectName(QStringLiteral("versions"));
    m_description->setObjectName(QStringLiteral("description"));
    m_description->setReadOnly(true);
    m_unlock->setDefault(true);
    auto *cancel = new QPushButton(tr("&Cancel"), this);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    connect(m_unlock, &QPushButton::clicked, this, &TUTYUnlockVersionDlg::apply);
    connect(m_versions, &QListWidget::currentRowChanged, this, &TUTYUnlockVersionDlg::switchVersion);

    auto *layout = new TUDialogLayout(this, tr("Unlock Version"));
    layout->addWidget(new QLabel(tr("Locked Versions"), this));
    layout->addWidget(m_versions, 2);
    layout->addWidget(new QLabel(tr("Description"), this));
    layout->addWidget(m_description, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_unlock);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    fill();
}

void TUTYUnlockVersionDlg::fill()
{
    m_versions->blockSignals(true);
    m_versions->clear();
    m_rowIds.clear();
    m_table = m_access->QVX_scene_versions_of_DBA_scene(m_scene);
    QVector<qint64> locked;
    if (m_access->dba_GetAllLockedVersionIds(m_scene, locked)) {
        for (const QVX_scene_version &version : qAsConst(m_table)) {
            if (!locked.contains(version.id))
                continue;
            QString text = QStringLiteral("%1: %2").arg(version.id).arg(version.name);
            if (version.id == m_scene.versionId)
                text += tr(" (current)");
            m_versions->addItem(text);
            m_rowIds << version.id;
        }
    }
    m_versions->setCurrentRow(-1);
    m_versions->blockSignals(false);
    switchVersion();
}

void TUTYUnlockVersionDlg::switchVersion()
{
    const int row = m_versions->currentRow();
    m_unlock->setEnabled(row >= 0);
    m_description->clear();
    for (const QVX_scene_version &version : qAsConst(m_table)) {
        if (row >= 0 && version.id == m_rowIds.value(row))
            m_description->setPlainText(version.description);
    }
}

bool TUTYUnlockVersionDlg::mayUnlock(qint64 versionId)
{
    if (m_access->hasUserPermissionForceUnlockSceneAny())
        return true;
    return m_access->hasUserPermissionForceUnlockSceneOwned()
        && m_access->dba_GetSceneVersionLockUser(m_scene, versionId) == m_access->userName();
}

void TUTYUnlockVersionDlg::apply()
{
    const int row = m_versions->currentRow();
    if (row < 0)
        return;
    const qint64 versionId = m_rowIds.at(row);
    const QString question = tr("Really unlock version %1 of this scene?").arg(versionId) + tr("\n(CANNOT be undone)");
    if (TUDialogLayout::ask(this, tr("Confirm Unlock Versions"), question, {tr("&Yes"), tr("&No")}, 1) != 0)
        return;
    if (mayUnlock(versionId)) {
        m_access->dba_forceUnlockSceneVersion(m_access->userName(), m_scene, versionId);
    } else {
        QMessageBox::critical(this, tr("Error"),
                              tr("You do not own this scene version lock or have the permission necessary to unlock "
                                 "a scene version --\nplease contact your supervisor or TD to change your user "
                                 "type\nor to delete the scenes\n"));
    }
    fill();
}
