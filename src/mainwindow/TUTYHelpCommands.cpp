#include "TUTYHelpCommands.h"

#include "BAPP_SharedFolders.h"
#include "MSG_Scope.h"
#include "OSW_Lang.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMenu>
#include <QUrl>

TUTYHelpCommands::TUTYHelpCommands(TUTallyard &window, QMenu *menu)
    : TUTYMenuCommands(window, menu)
{
}

void TUTYHelpCommands::buildMenu(QMenu &menu)
{
    menu.addAction(tr("&Help..."), this, &TUTYHelpCommands::help);
    menu.addAction(tr("Scripting Interface Documentation..."), this, &TUTYHelpCommands::scriptingDoc);
    menu.addAction(tr("&Customer Experience Improvement Program..."), this, &TUTYHelpCommands::onCEIP);
    menu.addAction(tr("About..."), this, &TUTYHelpCommands::about);
}

// The help in the user's language when there is one, else the English.
void TUTYHelpCommands::help()
{
    const QString folder = BAPP_SharedFolders::documentation();
    const QString translated = folder + QStringLiteral("/index_%1.html").arg(OSW_Lang::language());
    openPage(QFileInfo::exists(translated) ? translated : folder + QStringLiteral("/index.html"));
}

void TUTYHelpCommands::scriptingDoc()
{
    openPage(BAPP_SharedFolders::documentation() + QStringLiteral("/dbscript/index.html"));
}

void TUTYHelpCommands::openPage(const QString &file)
{
    if (QFileInfo::exists(file) && QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
        return;
    MSG_Scope("TUTYHelpCommands", QT_TRANSLATE_NOOP("TUTYHelpCommands", "Cannot open the page %1 in the web browser."))
        .arg(file);
}
void TUTYHelpCommands::onCEIP() { reportUnavailable(tr("Customer Experience Improvement Program")); }
void TUTYHelpCommands::about() { reportUnavailable(tr("About")); }
