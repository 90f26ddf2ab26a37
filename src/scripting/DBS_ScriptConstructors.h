#pragma once

#include <QCoreApplication>

class QScriptEngine;

// Installs the constructors of the value classes into an engine's global
// object, in this order: User, AddPositionType, Environment, Job, Scene,
// ImportData, ExportData, ExportSize, RenderData, VectorData, Element,
// Drawing, SceneVersion. Each constructor checks its arguments before it
// builds anything and throws a script error naming what is wrong.
class DBS_ScriptConstructors
{
    Q_DECLARE_TR_FUNCTIONS(DBS_ScriptConstructors)
public:
    static void install(QScriptEngine &engine);
};
