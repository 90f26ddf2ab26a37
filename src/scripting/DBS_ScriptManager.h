#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QVariant>

#include <functional>
#include <memory>

class DBS_Mediator;
class QScriptEngine;
class TUDbSelect;

// The script debugger as the script manager needs it. The window-side
// implementation registers a factory; headless builds have none.
class DBS_ScriptDebugger
{
public:
    virtual ~DBS_ScriptDebugger() = default;
    virtual void attachTo(QScriptEngine *engine) = 0;
};

// Runs one script text in a fresh engine (nothing survives between two
// evaluations) with the Tallyard object, the value-class constructors and
// the confined file utilities installed, and hands back as a list of
// strings what the script printed, any uncaught error with its backtrace,
// and the script's own value. Main thread only.
class DBS_ScriptManager : public QObject
{
public:
    // Makes a debugger, or returns null with a reason when none can be shown.
    using DebuggerFactory = std::function<std::unique_ptr<DBS_ScriptDebugger>(QObject *parent, QString &reason)>;

    DBS_ScriptManager(QObject *parent, TUDbSelect *selector, DBS_Mediator *mediator, bool debug);

    static void setDebuggerFactory(DebuggerFactory factory);

    // The folder the file utilities may use besides the database root
    // (the running script file's folder); none by default.
    void setScriptFolder(const QString &folder) { m_scriptFolder = folder; }

    // Always a QStringList, possibly empty.
    QVariant evaluateScript(const QString &script);

private:
    static void registerVectorType(QScriptEngine &engine);

    TUDbSelect *m_selector;
    DBS_Mediator *m_mediator;
    bool m_debug;
    QString m_scriptFolder;
};
