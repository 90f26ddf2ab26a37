#pragma once

#include "TUTYCommands.h"

// The Help menu: the online help, the scripting documentation, the usage
// telemetry consent and the About box.
class TUTYHelpCommands : public TUTYMenuCommands
{
    Q_OBJECT
public:
    TUTYHelpCommands(TUTallyard &window, QMenu *menu);

public slots:
    void help();
    void scriptingDoc();
    void onCEIP();
    void about();

protected:
    void buildMenu(QMenu &menu) override;

private:
    // Shows an installed page in the system's web browser.
    void openPage(const QString &file);
};
