#include "DBS_ScriptManager.h"

#include "DBS_ScriptConstructors.h"
#include "DBS_ScriptFiles.h"
#include "DBS_TallyardWrapper.h"
#include "MSG_Scope.h"
#include "TUMessage.h"

#include <QScriptEngine>
#include <QScriptValueIterator>
#include <QVector>

Q_DECLARE_METATYPE(QVector<QObject *>)

namespace {
DBS_ScriptManager::DebuggerFactory &debuggerFactory()
{
    static DBS_ScriptManager::DebuggerFactory factory;
    return factory;
}

QScriptValue vectorToScript(QScriptEngine *engine, const QVector<QObject *> &objects)
{
    QScriptValue array = engine->newArray(uint(objects.size()));
    for (int i = 0; i < objects.size(); ++i)
        array.setProperty(quint32(i), engine->newQObject(objects[i], QScriptEngine::AutoOwnership));
    return array;
}

void vectorFromScript(const QScriptValue &array, QVector<QObject *> &objects)
{
    objects.clear();
    const quint32 length = array.property(QStringLiteral("length")).toUInt32();
    for (quint32 i = 0; i < length; ++i)
        objects.append(array.property(i).toQObject());
}

// The script's own value, as the rules of the result list want it.
void appendValue(QStringList &result, const QScriptValue &value)
{
    if (value.isString()) {
        result << value.toString();
    } else if (value.isArray()) {
        const quint32 length = value.property(QStringLiteral("length")).toUInt32();
        for (quint32 i = 0; i < length; ++i)
            result << value.property(i).toString();
    } else if (value.isVariant()) {
        const QVariant variant = value.toVariant();
        if (variant.canConvert<QStringList>() && variant.type() != QVariant::String)
            result << variant.toStringList();
        else if (variant.canConvert<QString>())
            result << variant.toString();
    } else if (value.isValid() && !value.isUndefined() && !value.isError()) {
        result << value.toString();
    }
}
} // namespace

DBS_ScriptManager::DBS_ScriptManager(QObject *parent, TUDbSelect *selector, DBS_Mediator *mediator, bool debug)
    : QObject(parent)
    , m_selector(selector)
    , m_mediator(mediator)
    , m_debug(debug)
{
}

void DBS_ScriptManager::setDebuggerFactory(DebuggerFactory factory)
{
    debuggerFactory() = std::move(factory);
}

void DBS_ScriptManager::registerVectorType(QScriptEngine &engine)
{
    static const int type = qRegisterMetaType<QVector<QObject *>>("QVector< QObject *>");
    Q_UNUSED(type)
    qScriptRegisterMetaType<QVector<QObject *>>(&engine, vectorToScript, vectorFromScript, QScriptValue());
}

QVariant DBS_ScriptManager::evaluateScript(const QString &script)
{
    QScriptEngine engine;
    std::unique_ptr<DBS_ScriptDebugger> debugger;
    if (m_debug) {
        QString reason;
        if (debuggerFactory())
            debugger = debuggerFactory()(this, reason);
        if (!debugger) {
            if (reason.isEmpty())
                reason = QCoreApplication::translate("DBS_ScriptManager",
                                                     "The script debugger is not available in this run of Tallyard.");
            MSG_Scope("DBS_ScriptManager", MSG_Text(reason), MSG_Scope::Error, 1);
            return QStringList{reason};
        }
        debugger->attachTo(&engine);
    }
    DBS_TallyardWrapper tallyard(this, m_selector, m_mediator);
    engine.globalObject().setProperty(QStringLiteral("Tallyard"), engine.newQObject(&tallyard));
    DBS_ScriptConstructors::install(engine);
    DBS_ScriptFiles files(m_scriptFolder);
    files.install(engine);
    registerVectorType(engine);

    const QScriptValue value = engine.evaluate(script, QString(), 1);
    QStringList result = tallyard.messagesForConsole();
    if (engine.hasUncaughtException()) {
        TUMessage::instance().catchErrorCode(1);
        result << QCoreApplication::translate("DBS_ScriptManager",
                                              "Script Manager: %1 \nBacktrace ( form is "
                                              "<function-name>()@<file-name>:<line-number> ) :\n\n%2\n\n")
                      .arg(engine.uncaughtException().toString(),
                           engine.uncaughtExceptionBacktrace().join(QLatin1Char('\n')));
    } else {
        appendValue(result, value);
    }
    return result;
}
