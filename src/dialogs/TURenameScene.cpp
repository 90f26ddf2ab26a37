#include "TURenameScene.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDialogLayout.h"
#include "TUSceneNameValidator.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>

namespace {
const char *const kContext = "TURenameScene";

// Shows the rename manager's progress in a progress dialog over the window.
class RenameFeedback : public TUDbAccess::RenameProgressFeedback
{
public:
    explicit RenameFeedback(QWidget *parent) : m_dialog(parent) { m_dialog.setCancelButton(nullptr); m_dialog.reset(); }
    void reset() override { m_dialog.reset(); }
    void show() override { m_dialog.show(); }
    void setValue(int value) override { m_dialog.setValue(value); }
    void setLabel(const QString &text) override { m_dialog.setLabelText(text); }

private:
    QProgressDialog m_dialog;
};
} // namespace

TURenameScene::TURenameScene(QWidget *parent, TUDbAccess *access, const QString &sceneName)
    : QDialog(parent)
    , m_access(access)
    , m_sceneName(sceneName)
    , m_name(new QLineEdit(sceneName, this))
{
    m_name->setObjectName(QStringLiteral("name"));
    m_name->setValidator(new TUSceneNameValidator(m_name, 1));
    m_name->selectAll();
    connect(m_name, &QLineEdit::returnPressed, this, &TURenameScene::renameScene);

    auto *layout = new TUDialogLayout(this, tr("Rename Scene %1").arg(sceneName));
    layout->addWidget(new QLabel(tr("Enter the new scene name"), this));
    layout->addWidget(m_name);
    QPushButton *ok = layout->addOkCancelRow(tr("&OK"), tr("&Cancel"));
    ok->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &TURenameScene::renameScene);
}

bool TURenameScene::mayRename()
{
    if (!TUDialogLayout::rootAccessConfirmed(this,
                                             tr("You need root permission to rename scenes --\n")
                                                 + tr("please contact your supervisor or TD.\n")
                                                 + tr("Press \"Rename\" if you are sure it will succeed.\n"),
                                             tr("Rename")))
        return false;
    if (!m_access->hasUserPermissionRenameScene()) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TURenameScene",
                                              "You do not have the permission necessary to rename scenes --\nplease "
                                              "contact your supervisor or TD to change your user type\nor to rename "
                                              "the scenes\n"));
        return false;
    }
    if (m_name->text().isEmpty()) {
        MSG_Scope(kContext, QT_TRANSLATE_NOOP("TURenameScene", "Please enter a scene name."));
        return false;
    }
    return true;
}

void TURenameScene::renameScene()
{
    if (!mayRename())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::processEvents();
    hide();
    performRename(m_name->text());
    QApplication::restoreOverrideCursor();
    show();
    accept();
}

void TURenameScene::performRename(const QString &newName)
{
    using Mgr = TUDbAccess::RenameMgr;
    RenameFeedback feedback(parentWidget());
    Mgr *manager = TUDbAccess::RenameMgr_getInstance(m_access);
    QString detail;
    bool done = manager->init(&feedback, {m_sceneName, m_access->userName()}, m_access, false)
        && manager->performRename(m_access, newName, Mgr::FirstCall, detail);
    if (!done && manager->getErrorCode().get() == Mgr::StatusCode::EarlierRenameUnfinished) {
        QApplication::restoreOverrideCursor();
        const int choice = TUDialogLayout::ask(
            parentWidget(), tr("Confirm"),
            tr("Tallyard has detected that the last rename operation\non this scene by user \"%1\" failed. Choose one "
               "of\nthe following options:")
                .arg(detail),
            {tr("Continue\nprevious rename"), tr("Undo\nprevious rename"), tr("Cancel")}, 2);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        if (choice == 2) {
            TUDbAccess::RenameMgr_releaseInstance(m_access);
            return;
        }
        done = manager->performRename(m_access, newName, choice == 0 ? Mgr::Continue : Mgr::Undo, detail);
    }
    if (!done)
        MSG_Scope(kContext, MSG_Text(manager->getErrorMsg()));
    TUDbAccess::RenameMgr_releaseInstance(m_access);
}
