#include "TUDbUserDialog.h"

#include "MSG_Scope.h"
#include "PR_Preference.h"
#include "TUDbSelector.h"
#include "oswUtil.h"
#include "whoami.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
const QString kLastLoginName = QStringLiteral("LAST_LOGIN_NAME");
const QString kLastLoginWasLocal = QStringLiteral("LAST_LOGIN_WAS_LOCAL");

QString applicationImagePath()
{
    return oswUtil::QVXDir() + QStringLiteral("/icons/tallyard.png");
}

void rememberName(const QString &name)
{
    PR_Preference &prefs = PR_Preference::localPrefs();
    prefs.setStringValue(kLastLoginName, name);
    // A name that cannot be remembered must not stop the login.
    prefs.save();
}
} // namespace

TUDbUserDialog::TUDbUserDialog(TUDbSelector &selector, const QString &lastName, bool offlineAllowed, QWidget *parent)
    : QDialog(parent)
    , m_selector(selector)
    , m_nameEdit(new QLineEdit(lastName, this))
    , m_connectButton(new QRadioButton(tr("Connect to Database"), this))
    , m_offlineButton(new QRadioButton(tr("Work Offline"), this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
    , m_offline(offlineAllowed && PR_Preference::localPrefs().getBoolValue(kLastLoginWasLocal, false))
{
    setWindowTitle(WHO_StringTable::trFullApplicationName());
    m_nameEdit->setObjectName(QStringLiteral("userNameEdit"));
    m_connectButton->setObjectName(QStringLiteral("connectButton"));
    m_offlineButton->setObjectName(QStringLiteral("offlineButton"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(5);
    addApplicationImage(layout);
    layout->addWidget(createModeBox());
    layout->addWidget(m_buttons);

    m_connectButton->setChecked(!m_offline);
    m_offlineButton->setChecked(m_offline);
    m_nameEdit->setEnabled(!m_offline);
    if (!m_offline)
        m_nameEdit->setFocus();
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(false);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &TUDbUserDialog::apply);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_nameEdit, &QLineEdit::textChanged, this, &TUDbUserDialog::enableApply);
    connect(m_connectButton, &QRadioButton::toggled, this, &TUDbUserDialog::connectToggled);
    connect(m_offlineButton, &QRadioButton::toggled, this, &TUDbUserDialog::offlineToggled);
}

QString TUDbUserDialog::typedName() const
{
    return m_nameEdit->text().trimmed();
}

void TUDbUserDialog::addApplicationImage(QVBoxLayout *layout)
{
    const QPixmap image(applicationImagePath());
    // An installation without the picture still logs in.
    if (image.isNull())
        return;
    setWindowIcon(QIcon(image));
    auto *label = new QLabel(this);
    label->setObjectName(QStringLiteral("applicationImage"));
    label->setPixmap(image);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(label);
    row->addStretch();
    layout->addLayout(row);
}

QWidget *TUDbUserDialog::createModeBox()
{
    auto *box = new QGroupBox(this);
    box->setFlat(true);
    box->setStyleSheet(QStringLiteral("QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; "
                                      "padding-left: %1px; padding-right: %2px; left: %3px;}")
                           .arg(3)
                           .arg(3)
                           .arg(7));
    m_nameEdit->setMinimumWidth(200);
    m_nameEdit->setStyleSheet(QStringLiteral("QLineEdit { padding: %1px; }").arg(4));
    // The two modes are switched by hand so that each change is remembered
    // and unchecking one button checks the other.
    m_connectButton->setAutoExclusive(false);
    m_offlineButton->setAutoExclusive(false);

    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(new QLabel(tr("User Name: "), box));
    nameRow->addWidget(m_nameEdit);

    auto *inner = new QVBoxLayout(box);
    inner->setContentsMargins(5, 5, 5, 5);
    inner->setSpacing(10);
    inner->addWidget(m_connectButton);
    inner->addLayout(nameRow);
    inner->addWidget(m_offlineButton);
    return box;
}

void TUDbUserDialog::enableApply()
{
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(true);
}

void TUDbUserDialog::connectToggled(bool on)
{
    setOffline(!on);
    m_offlineButton->setChecked(!on);
    m_nameEdit->setEnabled(on);
}

void TUDbUserDialog::offlineToggled(bool on)
{
    setOffline(on);
    m_connectButton->setChecked(!on);
    m_nameEdit->setEnabled(!on);
    // Offline any name will do; connected, a name has to be typed first.
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(on);
}

void TUDbUserDialog::setOffline(bool offline)
{
    m_offline = offline;
    PR_Preference &prefs = PR_Preference::localPrefs();
    prefs.setBoolValue(kLastLoginWasLocal, offline);
    prefs.save();
}

void TUDbUserDialog::apply()
{
    const QString name = typedName();
    if (m_offline) {
        rememberName(name);
        accept();
        return;
    }
    // Checked first so that a refused name does not replace the remembered one.
    if (m_selector.isValidUserName(name) && m_selector.setUserName(name)) {
        accept();
        return;
    }
    if (!m_selector.dbOpened()) {
        acceptWithoutDatabase(name);
        return;
    }
    MSG_Scope("TUDbUserDialog", QT_TRANSLATE_NOOP("TUDbUserDialog", "Unknown or Unauthorized Corvane user: %1."),
              MSG_Scope::Error)
        .arg(name);
    m_nameEdit->selectAll();
    m_nameEdit->setFocus();
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
}

void TUDbUserDialog::acceptWithoutDatabase(const QString &name)
{
    // Nothing to check the name against: take it and let the caller find
    // out what working without the database allows.
    setOffline(false);
    m_offlineButton->setChecked(false);
    m_nameEdit->setEnabled(true);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(true);
    rememberName(name);
    accept();
}

void TUDbUserDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    centreOnScreen();
    raise();
}

void TUDbUserDialog::centreOnScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}
