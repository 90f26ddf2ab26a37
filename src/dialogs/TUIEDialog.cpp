#include "TUIEDialog.h"

#include "MSG_Scope.h"
#include "TUIEOptionWidgets.h"
#include "TUMessage.h"
#include "TUTYProgressDlg.h"
#include "TUUIMessage.h"

#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

namespace {
TUUIMessage *windowSink()
{
    return dynamic_cast<TUUIMessage *>(&TUMessage::instance());
}
} // namespace

TUIEDialog::TUIEDialog(QWidget *parent, TUDbAccess *access, TUDbSelect *selector, bool useCurrentWorkingDir,
                       const char *context)
    : QDialog(parent)
    , m_access(access)
    , m_selector(selector)
    , m_context(context)
    , m_useCurrentWorkingDir(useCurrentWorkingDir)
{
}

TUIEDialog::~TUIEDialog()
{
    if (TUUIMessage *sink = windowSink(); sink && m_logView)
        sink->detachLogView(m_logView);
}

void TUIEDialog::setUpForm()
{
    m_options = std::make_unique<TUIEOptionWidgets>(this);
    m_tabs = findChild<QTabWidget *>(QStringLiteral("tabs"));
    m_logView = findChild<QPlainTextEdit *>(QStringLiteral("logView"));
    const auto button = [this](const char *name) { return findChild<QPushButton *>(QLatin1String(name)); };
    connect(button("closeButton"), &QPushButton::clicked, this, &QDialog::reject);
    connect(button("defaultButton"), &QPushButton::clicked, this, [this] { dataDefaultValue(); });
    connect(button("selectAllButton"), &QPushButton::clicked, this, &TUIEDialog::set);
    connect(button("clearAllButton"), &QPushButton::clicked, this, &TUIEDialog::clear);
    const auto box = [this](const char *name) { return findChild<QGroupBox *>(QLatin1String(name)); };
    connect(box("libraryBox"), &QGroupBox::toggled, this, &TUIEDialog::libraryCBToggled);
    connect(box("groupBox"), &QGroupBox::toggled, this, &TUIEDialog::groupCBToggled);
    connect(box("paletteBox"), &QGroupBox::toggled, this, &TUIEDialog::paletteCBToggled);
    if (TUUIMessage *sink = windowSink())
        sink->attachLogView(m_logView);
}

void TUIEDialog::libraryCBToggled(bool) { enableApply(); }
void TUIEDialog::groupCBToggled(bool) { enableApply(); }
void TUIEDialog::paletteCBToggled(bool) { enableApply(); }

void TUIEDialog::log(const QString &text, bool error) const
{
    MSG_Scope(m_context, MSG_Text(text), error ? MSG_Scope::Error : MSG_Scope::Inform);
}

QString TUIEDialog::defaultFolder() const
{
    return m_useCurrentWorkingDir ? QDir::currentPath() : QDir::homePath();
}

void TUIEDialog::runDisabled(const std::function<bool()> &work, const std::function<QString(bool)> &summary)
{
    m_tabs->setEnabled(false);
    for (QPushButton *button : findChildren<QPushButton *>(QString(), Qt::FindDirectChildrenOnly))
        button->setEnabled(false);
    // Failures go to the log as they come; the report waits for the end.
    TUMessage::instance().suspendReport(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_succeeded = work();
    QApplication::restoreOverrideCursor();
    MSG_Scope(m_context, MSG_Text(summary(m_succeeded)), m_succeeded ? MSG_Scope::Inform : MSG_Scope::Warn);
    TUMessage::instance().suspendReport(false);
    m_tabs->setEnabled(true);
    // What the run did is in the log.
    m_tabs->setCurrentWidget(m_logView->parentWidget());
    findChild<QPushButton *>(QStringLiteral("closeButton"))->setEnabled(true);
}

std::unique_ptr<TUTYProgressDlg> TUIEDialog::showProgress(const QString &title, int files)
{
    auto progress = std::make_unique<TUTYProgressDlg>(this, title, files);
    connect(progress.get(), &QProgressDialog::canceled, this, &TUIEDialog::progressCancel);
    progress->show();
    return progress;
}
