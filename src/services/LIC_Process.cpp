#include "LIC_Process.h"

#include "BAPP_SharedFolders.h"

#include <QProcess>

QString LIC_Process::executable(const char *variable, const char *name)
{
    const QString chosen = qEnvironmentVariable(variable);
    if (!chosen.isEmpty())
        return chosen;
    return BAPP_SharedFolders::programs() + QLatin1Char('/') + QLatin1String(name);
}

QString LIC_Process::editorExecutable()
{
    return executable("TALLYARD_EDITOR", "Pavane");
}

QString LIC_Process::queueExecutable()
{
    return executable("TALLYARD_QUEUE", "Queue");
}

std::unique_ptr<QProcess> LIC_Process::start(const QString &program, const QStringList &arguments)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(program, arguments);
    if (!process->waitForStarted(-1))
        return nullptr;
    return process;
}

bool LIC_Process::waitToEnd(QProcess &process)
{
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit;
}

void LIC_Process::stop(QProcess *process, int graceMs)
{
    if (!process || process->state() == QProcess::NotRunning)
        return;
    process->terminate();
    if (!process->waitForFinished(graceMs))
        process->kill();
}
