#include "DBS_ScriptDebuggerWindow.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QScriptEngineDebugger>

namespace {
class Debugger : public DBS_ScriptDebugger
{
public:
    explicit Debugger(QObject *parent) : m_debugger(new QScriptEngineDebugger(parent)) {}
    ~Debugger() override { delete m_debugger; }

    void attachTo(QScriptEngine *engine) override
    {
        m_debugger->attachTo(engine);
        QMainWindow *window = m_debugger->standardWindow();
        window->setWindowModality(Qt::ApplicationModal);
        window->resize(1280, 704);
        m_debugger->action(QScriptEngineDebugger::InterruptAction)->trigger();
    }

private:
    QScriptEngineDebugger *m_debugger;
};
} // namespace

void DBS_ScriptDebuggerWindow::registerWithScriptManager()
{
    DBS_ScriptManager::setDebuggerFactory([](QObject *parent, QString &reason) -> std::unique_ptr<DBS_ScriptDebugger> {
        if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
            reason = tr("The script debugger needs a display: set DISPLAY, or run without -debug_script.");
            return nullptr;
        }
        return std::make_unique<Debugger>(parent);
    });
}
