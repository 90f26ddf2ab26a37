#include "TYStartup.h"

#include "BAPP_Application.h"
#include "DBS_Mediator.h"
#include "DBS_ScriptDebuggerWindow.h"
#include "MSG_Scope.h"
#include "OSW_Lang.h"
#include "PR_Preference.h"
#include "TUBatchMessage.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TUDbSelector.h"
#include "TUSceneNameValidator.h"
#include "TUTYAdminCommands.h"
#include "TUTallyard.h"
#include "TUTY_RemoteScript.h"
#include "TUUIMessage.h"
#include "TYBatchOperations.h"
#include "TYOptionParser.h"
#include "TY_Application.h"
#include "whoami.h"

#include <QFileInfo>

#include <cstdio>

namespace {
PR_Preference *s_userPreferences = nullptr;

void toStandardError(const QString &text)
{
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

bool legacyStatus()
{
    return qEnvironmentVariableIsSet("KS_OLD_RETURN_CODE");
}
} // namespace

TYStartup::TYStartup()
    : m_options(RunOptions::instance())
{
}

TYStartup::~TYStartup()
{
    tearDown();
}

PR_Preference *TYStartup::userPreferences()
{
    return s_userPreferences;
}

int TYStartup::run(int argc, char **argv)
{
    whoami::setBinName(QString::fromLocal8Bit(argv[0]));
    TYOptionParser::Parse(argc, argv);
    whoami::printVersionInfo();
    if (needsDebugger() && !hasDisplay()) {
        toStandardError(QCoreApplication::translate("tallyard", "No display is available: the script debugger needs one."));
        return 1;
    }
    if (!m_options.batch && !hasDisplay()) {
        toStandardError(QCoreApplication::translate(
            "tallyard", "No display is available: the Tallyard window needs one. Use -help for the batch operations."));
        return 1;
    }
    createApplication(argc, argv);
    setUpLanguage();
    if (!setUpDatabase())
        return startupFailure();
    if (m_options.nameErrors != 0)
        return reportNameErrors();
    return dispatch();
}

void TYStartup::createApplication(int &argc, char **argv)
{
    // -debug_script asks for a window-capable application; without a display
    // only a run that really starts the debugger must fail (see run()).
    if (!m_options.batch || (m_options.debugScript && hasDisplay())) {
        auto app = std::make_unique<TY_Application>(argc, argv);
        // Dark before the first dialog (the login) shows, not after it.
        app->setDarkStyle(true);
        m_app = std::move(app);
    }
    else
        m_app = std::make_unique<BAPP_CoreApplication>(argc, argv);
    DBS_ScriptDebuggerWindow::registerWithScriptManager();
}

void TYStartup::setUpLanguage()
{
    QString language = m_options.language;
    if (language.isEmpty())
        language = PR_Preference::localPrefs().getStringValue(OSW_Lang::preferenceKey());
    OSW_Lang::setDefaultLanguage(language);
    OSW_Lang::loadTranslator(QStringLiteral("qt"), QString(), false);
    OSW_Lang::loadTranslator(QStringLiteral("tallyard"), QString(), m_options.fakeTranslation);
}

bool TYStartup::setUpDatabase()
{
    BAPP_Application::isMainThread(); // records the main thread before any other starts
    TUUIMessage::Options sinkOptions;
    sinkOptions.appendLog = m_options.appendLog;
    m_windowSink = std::make_unique<TUUIMessage>(whoami::progName(), m_options.debug, m_options.batch, false, sinkOptions);
    if (m_options.scriptServer || m_options.mode == RunMode::RunScript) {
        m_batchSink = std::make_unique<TUBatchMessage>(whoami::progName(), m_options.debug);
        TUMessage::setInstance(m_batchSink.get());
        if (m_options.mode != RunMode::RunScript)
            m_options.mode = RunMode::None;
    } else {
        TUMessage::setInstance(m_windowSink.get());
    }
    TY_Application::setBatchRendering(true);
    WHO_Features::setHasDatabase(true);

    m_access.reset(TUDbAccessCreation::getInstance()->createDbAccessSingleDbClient());
    m_access->dba_Initialize2dSystem(QStringLiteral("Tallyard"));
    if (m_access->dba_Open2dDatabaseSession() == -1) {
        if (m_options.debug)
            MSG_Scope("tallyard", MSG_Text(m_access->lastErrorText()), MSG_Scope::Trace);
        MSG_Scope("tallyard", QT_TRANSLATE_NOOP("tallyard", "Could not connect to the database, exiting application."),
                  MSG_Scope::Error, 1);
        toStandardError(m_access->lastErrorText());
        return false;
    }
    int count = 0;
    if (!m_access->getNumberOfImplementedMessages(&count))
        MSG_Scope("tallyard",
                  QT_TRANSLATE_NOOP("tallyard", "The database server is out of date. This application will not function correctly."),
                  MSG_Scope::Warn);
    m_access->dba_startKeepAlivePulse();
    m_access->dba_read_config_file();
    m_selector = std::make_unique<TUDbSelector>(9, 0, 0, 0);
    if (!identifyUser())
        return false;
    return openPreferences();
}

void TYStartup::reportStartupProblem(const MSG_Text &text) const
{
    // A batch run's caller reads standard error; a window run shows the error.
    if (m_options.batch)
        toStandardError(text.translated());
    else
        MSG_Scope("tallyard", text, MSG_Scope::Error);
}

bool TYStartup::identifyUser()
{
    bool valid;
    if (!m_options.user.isEmpty()) {
        valid = m_selector->setUserName(m_options.user);
    } else if (m_options.batch) {
        valid = m_selector->setDefaultUserName();
    } else {
        if (!loginWindowUser()) {
            m_loginCancelled = true;
            return false;
        }
        // Working offline leaves the selector without a database user.
        valid = !m_selector->userName().isEmpty();
    }
    if (valid && m_access->setCurrentUser(m_selector->userName())) {
        m_access->dba_keepAlive();
        m_access->sceneData().setUserName(m_selector->userName());
        return true;
    }
    // A lost or refused connection is not a wrong name.
    const QString failure = m_selector->databaseFailure();
    if (!failure.isEmpty()) {
        reportStartupProblem(MSG_Text(failure));
        TUMessage::instance().catchErrorCode(1);
        return false;
    }
    reportStartupProblem(MSG_Text("tallyard", "Invalid user name, use the \"-user valid_user_name\" option."));
    TUMessage::instance().catchErrorCode(1);
    return false;
}

bool TYStartup::loginWindowUser()
{
    // This program has nothing to offer without the database, so the login
    // never starts in the offline mode.
    return m_selector->login(false, false);
}

bool TYStartup::openPreferences()
{
    TUMessage &sink = TUMessage::instance();
    const bool silence = m_options.batch;
    if (silence)
        sink.setSilent(true);
    m_preferences = PR_Preference::createPreference(TUDbUserData::userPrefPath(m_selector->userName()));
    if (silence)
        sink.setSilent(false);
    if (!m_preferences || m_preferences->getErrorCode() != 0) {
        const QString reason = m_preferences ? m_preferences->getPrefErrorMessage() : QString();
        reportStartupProblem(MSG_Text(reason));
        TUMessage::instance().catchErrorCode(1);
        m_preferences.reset();
        return false;
    }
    s_userPreferences = m_preferences.get();
    TUSceneNameValidator::setAcceptUnicode(m_preferences->getBoolValue(QStringLiteral("ACCEPT_UNICODE_NAME"), false));
    if (!m_options.savedPath.isEmpty() && QFileInfo(m_options.savedPath).isDir()) {
        m_preferences->setStringValue(QStringLiteral("SCENE_LEVEL_SAVED_PATH"), m_options.savedPath);
        m_preferences->save();
    }
    return true;
}

int TYStartup::reportNameErrors()
{
    m_windowSink->setBatch(true);
    if (m_options.nameErrors & RunOptions::EnvironmentTooLong)
        MSG_Scope("tallyard", QT_TRANSLATE_NOOP("tallyard", "Environment name is too long (> %1 char)."), MSG_Scope::Error, 1)
            .arg(TUSceneNameValidator::maxNameLength());
    if (m_options.nameErrors & RunOptions::JobTooLong)
        MSG_Scope("tallyard", QT_TRANSLATE_NOOP("tallyard", "Job name is too long (> %1 char)."), MSG_Scope::Error, 1)
            .arg(TUSceneNameValidator::maxNameLength());
    if (m_options.nameErrors & RunOptions::SceneInvalid)
        MSG_Scope("tallyard", QT_TRANSLATE_NOOP("tallyard", "Scene name not valid."), MSG_Scope::Error, 1);
    m_windowSink->setBatch(m_options.batch);
    // The run stops here; its status says the command line was refused.
    return batchStatus(false);
}

int TYStartup::dispatch()
{
    switch (m_options.mode) {
    case RunMode::Create:
    case RunMode::Delete:
    case RunMode::Rename:
    case RunMode::RunScript:
        m_windowSink->setBatch(true);
        [[fallthrough]];
    case RunMode::Import:
    case RunMode::Export:
        if (!m_options.batch)
            return runTransferDialog();
        [[fallthrough]];
    case RunMode::RunEditorScript: {
        TYBatchOperations operations(m_options, *m_access, m_selector.get());
        return batchStatus(operations.run());
    }
    case RunMode::None:
        if (!m_options.batch)
            return runMainWindow();
        if (m_options.scriptServer)
            return runScriptServer();
        break;
    }
    m_windowSink->setBatch(true);
    MSG_Scope("tallyard",
              QT_TRANSLATE_NOOP("tallyard", "Nothing to do: -batch was given without an operation, and a batch "
                                            "run opens no window. See -help for the batch operations."),
              MSG_Scope::Error, 1);
    return batchStatus(false);
}

void TYStartup::startRemoteScript(QObject *parent)
{
    m_remoteMediator = std::make_unique<DBS_Mediator>(m_window ? &m_window->access() : m_access.get());
    m_remoteScript = std::make_unique<TUTY_RemoteScript>(parent, m_selector.get(), m_remoteMediator.get(),
                                                         m_options.tcpPort);
}

int TYStartup::runScriptServer()
{
    startRemoteScript(nullptr);
    QCoreApplication::exec();
    return 0;
}

void TYStartup::createMainWindow()
{
    BUIAPP_Application *app = BUIAPP_Application::instance();
    m_window = std::make_unique<TUTallyard>(std::move(m_access), std::move(m_selector), m_options.useCurrentWorkingDir);
    m_window->setUserPreferences(m_preferences.get());
    app->setMainWidget(m_window.get());
    m_windowSink->setRegisteredWidget(m_window.get());
    // The scene from "-scene", else the third positional argument.
    const QString scene = m_options.scene.isEmpty() ? m_options.sceneList.value(0) : m_options.scene;
    if (!m_options.environment.isEmpty() && !m_options.job.isEmpty())
        m_window->selectEnvJobScene(m_options.environment, m_options.job, scene);
}

int TYStartup::runTransferDialog()
{
    createMainWindow();
    m_window->show();
    TUTYAdminCommands &commands = m_window->adminCommands();
    commands.setStartupRequest({m_options.environment, m_options.job, m_options.sceneList, m_options.fileSystem,
                                m_options.path, m_options.autoDest});
    if (m_options.mode == RunMode::Import)
        commands.importScene(true);
    else
        commands.exportScene(true);
    return 0;
}

int TYStartup::runMainWindow()
{
    createMainWindow();
    startRemoteScript(m_window.get());
    m_window->show();
    QApplication::exec();
    return 0;
}

bool TYStartup::needsDebugger() const
{
    return m_options.debugScript && (m_options.mode == RunMode::RunScript || m_options.scriptServer);
}

bool TYStartup::hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

int TYStartup::batchStatus(bool succeeded) const
{
    if (legacyStatus())
        return succeeded ? 0 : 1;
    // A refusal reported without a code of its own still fails the run.
    if (!succeeded)
        TUMessage::instance().catchErrorCode(1);
    return TUMessage::instance().getErrorCode();
}

int TYStartup::startupFailure() const
{
    if (m_loginCancelled)
        return 0;
    if (legacyStatus())
        return 1;
    return TUMessage::instance().getErrorCode();
}

void TYStartup::tearDown()
{
    m_remoteScript.reset();
    m_remoteMediator.reset();
    // The window closes the database session it took over.
    m_window.reset();
    s_userPreferences = nullptr;
    m_preferences.reset();
    m_selector.reset();
    m_access.reset();
    TUMessage::releaseInstance();
    m_batchSink.reset();
    m_windowSink.reset();
    m_app.reset();
}
