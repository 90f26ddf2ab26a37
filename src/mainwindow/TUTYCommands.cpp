#include "TUTYCommands.h"

#include "TUDbAccess.h"
#include "TUTYRefusal.h"
#include "TUTallyard.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

TUTYCommands::TUTYCommands(TUTallyard &window)
    : QObject(&window)
    , m_window(window)
{
}

TUDbAccess &TUTYCommands::access() const
{
    return m_window.access();
}

QString TUTYCommands::userName() const
{
    return m_window.access().userName();
}

QWidget *TUTYCommands::dialogParent() const
{
    return m_window.dialogParent();
}

bool TUTYCommands::permits(int permission, const char *context, const char *refusal) const
{
    if (access().hasUserPermission(permission))
        return true;
    TUTYRefusal::report(context, refusal);
    return false;
}

void TUTYCommands::enable(QAction *entry, bool enabled)
{
    if (entry)
        entry->setEnabled(enabled);
}

QString TUTYCommands::nameList(const QStringList &names, int max, const QString &indent)
{
    QStringList lines;
    for (const QString &name : names.mid(0, max))
        lines.append(indent + name);
    if (names.size() > max)
        lines.append(indent + QStringLiteral("..."));
    return lines.join(QLatin1Char('\n'));
}

TUTYCommands::WaitCursor::WaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

TUTYCommands::WaitCursor::~WaitCursor()
{
    QApplication::restoreOverrideCursor();
}

TUTYMenuCommands::TUTYMenuCommands(TUTallyard &window, QMenu *menu)
    : TUTYCommands(window)
    , m_menu(menu)
{
    connect(menu, &QMenu::aboutToShow, this, &TUTYMenuCommands::ensureMenu);
}

void TUTYMenuCommands::ensureMenu()
{
    if (m_built)
        return;
    m_built = true;
    buildMenu(*m_menu);
}
