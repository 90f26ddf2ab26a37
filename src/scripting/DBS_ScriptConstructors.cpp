#include "DBS_ScriptConstructors.h"

#include "DBS_AddPosWrapper.h"
#include "DBS_DrawingWrapper.h"
#include "DBS_ElementWrapper.h"
#include "DBS_EnvWrapper.h"
#include "DBS_ExportDataWrapper.h"
#include "DBS_ExportSizeDataWrapper.h"
#include "DBS_ImportDataWrapper.h"
#include "DBS_JobWrapper.h"
#include "DBS_RenderDataWrapper.h"
#include "DBS_SceneVersionWrapper.h"
#include "DBS_SceneWrapper.h"
#include "DBS_UserWrapper.h"
#include "DBS_VectorDataWrapper.h"

#include <QScriptContext>
#include <QScriptEngine>

#include <array>
#include <utility>

namespace {
// Reads a constructor's arguments; the first problem found is kept and
// thrown by result().
class Arguments
{
public:
    explicit Arguments(QScriptContext *context) : m_context(context) {}

    bool count(const QString &type, int expected)
    {
        if (m_context->argumentCount() == expected)
            return true;
        return fail(DBS_ScriptConstructors::tr("%1 object takes %2 argument(s).").arg(type).arg(expected));
    }
    bool countIs(int expected, const QString &message)
    {
        return m_context->argumentCount() == expected || fail(message);
    }
    QString text(int index, const char *label)
    {
        const QScriptValue value = m_context->argument(index);
        if (!value.isString() || value.toString().isEmpty()) {
            fail(DBS_ScriptConstructors::tr("%1 must be a string.").arg(DBS_ScriptConstructors::tr(label)));
            return {};
        }
        return value.toString();
    }
    int integer(int index, const char *label)
    {
        const QScriptValue value = m_context->argument(index);
        if (!value.isNumber() || value.toInteger() != value.toNumber()) {
            fail(DBS_ScriptConstructors::tr("%1 must be an integer.").arg(DBS_ScriptConstructors::tr(label)));
            return 0;
        }
        return value.toInt32();
    }
    QStringList texts(int index, const char *label)
    {
        const QScriptValue value = m_context->argument(index);
        QStringList list;
        const int length = value.isArray() ? value.property(QStringLiteral("length")).toInt32() : 0;
        for (int i = 0; i < length; ++i) {
            const QScriptValue item = value.property(quint32(i));
            if (!item.isString())
                break;
            list << item.toString();
        }
        if (!value.isArray() || list.size() != length)
            fail(DBS_ScriptConstructors::tr("%1 must be an array of strings.").arg(DBS_ScriptConstructors::tr(label)));
        return list;
    }
    bool fail(const QString &message)
    {
        if (m_error.isEmpty())
            m_error = message;
        return false;
    }
    bool ok() const { return m_error.isEmpty(); }

    // Wraps object as the script's new object, or throws the first problem.
    QScriptValue result(QScriptEngine *engine, QObject *object)
    {
        if (!ok()) {
            delete object;
            return m_context->throwError(m_error);
        }
        if (m_context->isCalledAsConstructor())
            return engine->newQObject(m_context->thisObject(), object, QScriptEngine::AutoOwnership);
        QScriptValue value = engine->newQObject(object, QScriptEngine::AutoOwnership);
        value.setPrototype(m_context->callee().property(QStringLiteral("prototype")));
        return value;
    }
    QScriptValue error() { return m_context->throwError(m_error); }

private:
    QScriptContext *m_context;
    QString m_error;
};

constexpr const char *EnvLabel = QT_TRANSLATE_NOOP("DBS_ScriptConstructors", "Environment name");
constexpr const char *JobLabel = QT_TRANSLATE_NOOP("DBS_ScriptConstructors", "Job name");
constexpr const char *SceneLabel = QT_TRANSLATE_NOOP("DBS_ScriptConstructors", "Scene name");
constexpr const char *ElementLabel = QT_TRANSLATE_NOOP("DBS_ScriptConstructors", "Element name");
constexpr const char *DrawingLabel = QT_TRANSLATE_NOOP("DBS_ScriptConstructors", "Drawing name");
constexpr const char *VersionLabel = QT_TRANSLATE_NOOP("DBS_ScriptConstructors", "Version name");
constexpr const char *PathLabel = QT_TRANSLATE_NOOP("DBS_ScriptConstructors", "Path");
constexpr const char *FileSystemLabel = QT_TRANSLATE_NOOP("DBS_ScriptConstructors", "File System");
constexpr const char *UserLabel = QT_TRANSLATE_NOOP("DBS_ScriptConstructors", "User name");
const char *const SceneNamesLabel = QT_TRANSLATE_NOOP("DBS_ScriptConstructors", "Scene names");
const char *const ElementIdLabel = QT_TRANSLATE_NOOP("DBS_ScriptConstructors", "Element id");
const char *const VersionIdLabel = QT_TRANSLATE_NOOP("DBS_ScriptConstructors", "Version id");

// The constructors whose arguments are a fixed number of names: each spec
// gives the script name, the labels of its arguments and the wrapper made
// from them.
struct EnvironmentSpec {
    using Wrapper = DBS_EnvWrapper;
    static constexpr const char *type = "Environment";
    static constexpr std::array<const char *, 1> labels{{EnvLabel}};
};
struct JobSpec {
    using Wrapper = DBS_JobWrapper;
    static constexpr const char *type = "Job";
    static constexpr std::array<const char *, 2> labels{{EnvLabel, JobLabel}};
};
struct SceneSpec {
    using Wrapper = DBS_SceneWrapper;
    static constexpr const char *type = "Scene";
    static constexpr std::array<const char *, 2> labels{{JobLabel, SceneLabel}};
};
struct DrawingSpec {
    using Wrapper = DBS_DrawingWrapper;
    static constexpr const char *type = "Drawing";
    static constexpr std::array<const char *, 4> labels{{JobLabel, SceneLabel, ElementLabel, DrawingLabel}};
};
struct ImportDataSpec {
    using Wrapper = DBS_ImportDataWrapper;
    static constexpr const char *type = "ImportData";
    static constexpr std::array<const char *, 4> labels{{EnvLabel, JobLabel, PathLabel, FileSystemLabel}};
};
struct RenderDataSpec {
    using Wrapper = DBS_RenderDataWrapper;
    static constexpr const char *type = "RenderData";
    static constexpr std::array<const char *, 2> labels{{JobLabel, SceneLabel}};
};
struct UserSpec {
    using Wrapper = DBS_UserWrapper;
    static constexpr const char *type = "User";
    static constexpr std::array<const char *, 1> labels{{UserLabel}};
};

template <class Spec, std::size_t... I>
QObject *makeWrapper(const QStringList &texts, std::index_sequence<I...>)
{
    return new typename Spec::Wrapper(texts[I]...);
}

// A missing argument is reported by the count and never read.
template <class Spec>
QScriptValue makeFromNames(QScriptContext *context, QScriptEngine *engine)
{
    constexpr std::size_t count = Spec::labels.size();
    Arguments a(context);
    if (!a.count(QLatin1String(Spec::type), int(count)))
        return a.error();
    QStringList texts;
    for (std::size_t i = 0; i < count; ++i)
        texts << a.text(int(i), Spec::labels[i]);
    return a.result(engine, makeWrapper<Spec>(texts, std::make_index_sequence<count>()));
}

QScriptValue makeAddPosition(QScriptContext *context, QScriptEngine *engine)
{
    Arguments a(context);
    const int position = context->argumentCount() > 0 ? context->argument(0).toInt32() : 0;
    return a.result(engine, new DBS_AddPosWrapper(position));
}

QScriptValue makeElement(QScriptContext *context, QScriptEngine *engine)
{
    Arguments a(context);
    if (!a.countIs(4, DBS_ScriptConstructors::tr("Element object takes 4 argument(s).")))
        return a.error();
    const QString job = a.text(0, JobLabel);
    const QString scene = a.text(1, SceneLabel);
    const QString element = a.text(2, ElementLabel);
    const int id = a.integer(3, ElementIdLabel);
    return a.result(engine, new DBS_ElementWrapper(job, scene, element, id));
}

QScriptValue makeSceneVersion(QScriptContext *context, QScriptEngine *engine)
{
    Arguments a(context);
    if (!a.countIs(4, DBS_ScriptConstructors::tr("SceneVersion object takes 4 arguments.")))
        return a.error();
    const QString job = a.text(0, JobLabel);
    const QString scene = a.text(1, SceneLabel);
    const QString version = a.text(2, VersionLabel);
    const int id = a.integer(3, VersionIdLabel);
    return a.result(engine, new DBS_SceneVersionWrapper(job, scene, version, id));
}

QScriptValue makeExportData(QScriptContext *context, QScriptEngine *engine)
{
    Arguments a(context);
    if (!a.countIs(4, DBS_ScriptConstructors::tr("ExportData object takes 4  argument(s).")))
        return a.error();
    const QString env = a.text(0, EnvLabel);
    const QString job = a.text(1, JobLabel);
    const QStringList scenes = a.texts(2, SceneNamesLabel);
    const QString path = a.text(3, PathLabel);
    return a.result(engine, new DBS_ExportDataWrapper(env, job, scenes, path));
}

QScriptValue makeExportSize(QScriptContext *context, QScriptEngine *engine)
{
    Arguments a(context);
    if (!a.countIs(2, DBS_ScriptConstructors::tr("ExportSizeData object takes 2  argument(s).")))
        return a.error();
    const QString job = a.text(0, JobLabel);
    const QStringList scenes = a.texts(1, SceneNamesLabel);
    return a.result(engine, new DBS_ExportSizeDataWrapper(job, scenes));
}

QScriptValue makeVectorData(QScriptContext *context, QScriptEngine *engine)
{
    Arguments a(context);
    const int count = context->argumentCount();
    if (count < 2 || count > 4)
        return context->throwError(DBS_ScriptConstructors::tr("Vector data object takes between 2 and 4 argument(s)."));
    if (count == 3)
        return context->throwError(DBS_ScriptConstructors::tr("Vector data objects must specify elements by name and ID."));
    const QString job = a.text(0, JobLabel);
    const QString scene = a.text(1, SceneLabel);
    QString element, id;
    if (count == 4) {
        element = a.text(2, ElementLabel);
        id = QString::number(a.integer(3, ElementIdLabel));
    }
    return a.result(engine, new DBS_VectorDataWrapper(job, scene, element, id));
}

void installPlain(QScriptEngine &engine, const char *name, QScriptEngine::FunctionSignature function)
{
    engine.globalObject().setProperty(QLatin1String(name),
                                      engine.newQMetaObject(&QObject::staticMetaObject, engine.newFunction(function)));
}
} // namespace

void DBS_ScriptConstructors::install(QScriptEngine &engine)
{
    QScriptValue global = engine.globalObject();
    global.setProperty(QStringLiteral("User"), engine.newQMetaObject(&DBS_UserWrapper::staticMetaObject,
                                                                     engine.newFunction(makeFromNames<UserSpec>)));
    global.setProperty(QStringLiteral("AddPositionType"), engine.newQMetaObject(&DBS_AddPosWrapper::staticMetaObject,
                                                                                engine.newFunction(makeAddPosition)));
    installPlain(engine, "Environment", makeFromNames<EnvironmentSpec>);
    installPlain(engine, "Job", makeFromNames<JobSpec>);
    installPlain(engine, "Scene", makeFromNames<SceneSpec>);
    installPlain(engine, "ImportData", makeFromNames<ImportDataSpec>);
    installPlain(engine, "ExportData", makeExportData);
    installPlain(engine, "ExportSize", makeExportSize);
    installPlain(engine, "RenderData", makeFromNames<RenderDataSpec>);
    installPlain(engine, "VectorData", makeVectorData);
    installPlain(engine, "Element", makeElement);
    installPlain(engine, "Drawing", makeFromNames<DrawingSpec>);
    installPlain(engine, "SceneVersion", makeSceneVersion);
}
