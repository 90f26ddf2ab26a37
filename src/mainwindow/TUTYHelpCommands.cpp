#include "TUTYHelpCommands.h"

#include <QMenu>

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

void TUTYHelpCommands::help() { reportUnavailable(tr("Help")); }
void TUTYHelpCommands::scriptingDoc() { reportUnavailable(tr("Scripting Interface Documentation")); }
void TUTYHelpCommands::onCEIP() { reportUnavailable(tr("Customer Experience Improvement Program")); }
void TUTYHelpCommands::about() { reportUnavailable(tr("About")); }
