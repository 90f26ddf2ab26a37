#pragma once

#include "BUIAPP_Application.h"

// The application object of every run that may show a window (and of the
// script debugger). Delivers each top-level event on the main thread under
// the process-wide application lock, so the remote-script thread never
// works on the database in the middle of an event.
class TY_Application : public BUIAPP_Application
{
    Q_OBJECT
public:
    TY_Application(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
    void aboutToBlock() override;

    // Switched on by start-up once the database is set up.
    static void setBatchRendering(bool on);
    static bool isBatchRendering();

private:
    int m_nesting = 0;
};
