#include "TUTYHelpCommands.h"

#include "BAPP_SharedFolders.h"
#include "MSG_Scope.h"
#include "OSW_Lang.h"
#include "TUDbAccess.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
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
// Nothing to consent to: the program has no usage reporting at all.
void TUTYHelpCommands::onCEIP()
{
    QMessageBox::information(dialogParent(), tr("Customer Experience Improvement Program"),
                             tr("Tallyard reports no usage data. Nothing about how you use it is collected or "
                                "sent anywhere, so there is nothing to turn on or off."));
}

void TUTYHelpCommands::about()
{
    const DBA_Url &database = access().context().connection.url();
    QMessageBox::about(dialogParent(), tr("About Tallyard"),
                       tr("<h3>Tallyard %1</h3>"
                          "<p>The administration program of the studio's scene database.</p>"
                          "<p>Built with Qt %2, running on Qt %3.</p>"
                          "<p>Database: %4<br>User: %5</p>")
                           .arg(QStringLiteral(TALLYARD_VERSION), QStringLiteral(QT_VERSION_STR),
                                QString::fromLatin1(qVersion()), database.toString().toHtmlEscaped(),
                                userName().toHtmlEscaped()));
}
