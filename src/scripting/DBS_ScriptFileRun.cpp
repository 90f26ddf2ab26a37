#include "DBS_ScriptFileRun.h"

#include "DBS_Mediator.h"
#include "DBS_ScriptManager.h"
#include "TUMessage.h"

#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

namespace {
void toStandardError(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}
} // namespace

bool DBS_ScriptFileRun::run(const QString &scriptFile)
{
    QFile file(scriptFile);
    if (!QFileInfo(scriptFile).isFile() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        toStandardError(QStringLiteral("Script %1 doesn't exist.\n").arg(scriptFile));
        TUMessage::instance().catchErrorCode(1);
        return false;
    }
    DBS_Mediator mediator(&m_access);
    DBS_ScriptManager manager(nullptr, m_selector, &mediator, m_debug);
    manager.setScriptFolder(QFileInfo(scriptFile).absolutePath());
    QTextStream in(&file);
    QStringList lines;
    while (!in.atEnd())
        lines << in.readLine();
    const QString script = lines.join(QLatin1Char('\n'));
    if (!script.isEmpty()) {
        toStandardError(QStringLiteral("Compiling file: %1\n").arg(scriptFile));
        const QStringList result = manager.evaluateScript(script).toStringList();
        for (const QString &line : result)
            toStandardError(line + QLatin1Char('\n'));
    }
    toStandardError(QStringLiteral("Done\n"));
    return true;
}
