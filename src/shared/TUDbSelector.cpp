#include "TUDbSelector.h"

#include "BUIAPP_Application.h"
#include "PR_Preference.h"
#include "TUDbUserDialog.h"

namespace {
const QString kLastLoginName = QStringLiteral("LAST_LOGIN_NAME");

QWidget *modalFloater()
{
    const BUIAPP_Application *app = BUIAPP_Application::instance();
    return app ? app->floaterModal() : nullptr;
}
} // namespace

TUDbSelector::TUDbSelector(int flags, int selection1, int selection2, int selection3, QObject *parent)
    : QObject(parent)
    , TUDbSelectSingleDbClient(flags, selection1, selection2, selection3)
{
    const QString lastName = PR_Preference::localPrefs().getStringValue(kLastLoginName);
    // Qualified: the base does the checking, whatever a subclass makes of it.
    if (!lastName.isEmpty())
        TUDbSelectSingleDbClient::setUserName(lastName);
}

TUDbSelector::~TUDbSelector()
{
    if (m_dialog && !m_dialog->parent())
        delete m_dialog;
}

bool TUDbSelector::login(bool forceDialog, bool offlineAllowed)
{
    if (!userName().isEmpty() && !forceDialog)
        return true;
    return ensureDialog(offlineAllowed)->exec() == QDialog::Accepted;
}

TUDbUserDialog *TUDbSelector::loginDialog() const
{
    return m_dialog;
}

TUDbUserDialog *TUDbSelector::ensureDialog(bool offlineAllowed)
{
    if (!m_dialog) {
        const QString lastName = PR_Preference::localPrefs().getStringValue(kLastLoginName);
        m_dialog = new TUDbUserDialog(*this, lastName, offlineAllowed, modalFloater());
    }
    return m_dialog;
}
