#pragma once

#include "RunOptions.h"

#include <QString>

#include <memory>

class DBS_Mediator;
class QCoreApplication;
class QObject;
class MSG_Text;
class PR_Preference;
class TUBatchMessage;
class TUDbAccess;
class TUDbSelector;
class TUTallyard;
class TUTY_RemoteScript;
class TUUIMessage;

// Everything from process start to the end of the run: the command line,
// the application object, language, the database session, the user, the
// preference store, then one batch operation (or the window, or the script
// server), and the tear-down. Owns every process-wide object it creates.
class TYStartup
{
public:
    TYStartup();
    ~TYStartup();

    // Returns the process exit status.
    int run(int argc, char **argv);

    // The user's preference store, once start-up has opened it.
    static PR_Preference *userPreferences();

private:
    void createApplication(int &argc, char **argv);
    void setUpLanguage();
    bool setUpDatabase();
    void reportStartupProblem(const MSG_Text &text) const;
    bool identifyUser();
    // The user of a window run without "-user": the one the selector
    // remembers, else whoever logs in. False when the login is cancelled.
    bool loginWindowUser();
    bool openPreferences();
    int reportNameErrors();
    int dispatch();
    void createMainWindow();
    // The window run: the main window until it closes; status 0.
    int runMainWindow();
    // "-import" or "-export" without "-batch": the dialog, modal over the
    // window, and the run ends when it closes; status 0.
    int runTransferDialog();
    // The "-script" run: the remote script server until the process ends.
    int runScriptServer();
    // The remote script server beside the window or alone; it listens only
    // when "-tcpPort" or KESTRUNE_REMOTE_SCRIPT names a port.
    void startRemoteScript(QObject *parent);
    // Whether a window can be shown: a display, or a platform named for Qt.
    static bool hasDisplay();
    // -debug_script matters only where a script runs: -runScript and -script.
    bool needsDebugger() const;
    // The exit status after a batch operation: the sink's error code, or with
    // KS_OLD_RETURN_CODE set, 0 for success and 1 for failure.
    int batchStatus(bool succeeded) const;
    int startupFailure() const;
    void tearDown();

    RunOptions &m_options;
    std::unique_ptr<QCoreApplication> m_app;
    std::unique_ptr<TUUIMessage> m_windowSink;
    std::unique_ptr<TUBatchMessage> m_batchSink;
    std::unique_ptr<TUDbAccess> m_access;
    std::unique_ptr<TUDbSelector> m_selector;
    // Set when the user cancelled the login: the run ends quietly with status 0.
    bool m_loginCancelled = false;
    std::unique_ptr<PR_Preference> m_preferences;
    // Takes over the access and the selector when it is created.
    std::unique_ptr<TUTallyard> m_window;
    std::unique_ptr<DBS_Mediator> m_remoteMediator;
    std::unique_ptr<TUTY_RemoteScript> m_remoteScript;
};
