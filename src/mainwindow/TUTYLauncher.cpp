#include "TUTYLauncher.h"

#include "LIC_Process.h"
#include "MSG_Scope.h"
#include "OSW_Lang.h"

#include <QFileInfo>
#include <QProcess>

namespace {
const int kStopGraceMs = 5000;

QString lockArgument(int lockStyle)
{
    switch (lockStyle) {
    case TUTYLauncher::NoLock: return QStringLiteral("-readonly");
    case TUTYLauncher::SceneLock: return QStringLiteral("-lockScene");
    case TUTYLauncher::AssetLock: return QStringLiteral("-lockAssets");
    default: return {}; // version locks are the editor's own default
    }
}
} // namespace

TUTYLauncher::TUTYLauncher(QObject *parent)
    : QObject(parent)
{
}

TUTYLauncher::~TUTYLauncher()
{
    stopAll();
}

QStringList TUTYLauncher::editorOptions(const QString &userName, int lockStyle)
{
    QStringList arguments{QStringLiteral("-loadFromTY")};
    if (!userName.isEmpty())
        arguments << QStringLiteral("-user") << userName;
    const QString lock = lockArgument(lockStyle);
    if (!lock.isEmpty())
        arguments << lock;
    return arguments;
}

QStringList TUTYLauncher::editorArguments(const QString &userName, int lockStyle, const QString &environment,
                                          const QString &job, const QString &scene)
{
    return editorOptions(userName, lockStyle) << environment << job << scene;
}

QStringList TUTYLauncher::queueArguments(const QString &mode, const QString &environment, const QString &userName,
                                         const QString &language, bool fakeTranslation, bool darkStyle)
{
    QStringList arguments{mode, environment, userName};
    if (fakeTranslation)
        arguments << QStringLiteral("-fakeTranslation") << language;
    else if (language != QLatin1String("en"))
        arguments << QStringLiteral("-lang") << language;
    if (!darkStyle)
        arguments << QStringLiteral("-useLightStyle");
    return arguments;
}

QString TUTYLauncher::editorExecutable()
{
    if (m_editorPath.isEmpty() || !QFileInfo::exists(m_editorPath))
        m_editorPath = LIC_Process::editorExecutable();
    return m_editorPath;
}

bool TUTYLauncher::openScene(const QString &userName, int lockStyle, const QString &environment, const QString &job,
                             const QString &scene, const QString &sceneFolder)
{
    QProcess *process = startEditor(editorArguments(userName, lockStyle, environment, job, scene));
    if (!process) {
        MSG_Scope("TUTYLauncher", QT_TRANSLATE_NOOP("TUTYLauncher", "Cannot load scene %1.\n")).arg(sceneFolder);
        return false;
    }
    m_sceneOpens.insert(process, false);
    return true;
}

QProcess *TUTYLauncher::startEditor(const QStringList &arguments)
{
    auto *process = new QProcess(this);
    // Standard output tells when the scene is loaded; errors go where ours go.
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this, process] { loadSceneProcessExited(process); });
    connect(process, &QProcess::readyReadStandardOutput, this, [this, process] { loadSceneReadStdout(process); });
    process->start(editorExecutable(), arguments, QIODevice::ReadWrite);
    if (!process->waitForStarted(-1)) {
        delete process;
        return nullptr;
    }
    return process;
}

bool TUTYLauncher::isSceneOpenInProgress() const
{
    for (bool done : m_sceneOpens) {
        if (!done)
            return true;
    }
    return false;
}

void TUTYLauncher::loadSceneReadStdout(QProcess *process)
{
    auto entry = m_sceneOpens.find(process);
    if (entry == m_sceneOpens.end() || entry.value())
        return;
    while (process->canReadLine()) {
        const QString line = QString::fromLocal8Bit(process->readLine());
        if (line.contains(QLatin1String("done"))) {
            entry.value() = true;
            // Nothing later matters; unread output would only pile up.
            process->closeReadChannel(QProcess::StandardOutput);
            return;
        }
    }
}

void TUTYLauncher::loadSceneProcessExited(QProcess *process)
{
    if (m_sceneOpens.remove(process) > 0)
        process->deleteLater();
}

bool TUTYLauncher::isQueueRunning(const QString &mode, const QString &environment) const
{
    for (const QueueProgram &program : m_queuePrograms) {
        if (program.arguments.value(0) == mode && program.arguments.value(1) == environment
            && program.process->state() != QProcess::NotRunning)
            return true;
    }
    return false;
}

bool TUTYLauncher::startQueue(const QString &mode, const QString &environment, const QString &userName,
                              bool darkStyle)
{
    if (isQueueRunning(mode, environment))
        return true;
    const QStringList arguments = queueArguments(mode, environment, userName, OSW_Lang::language(),
                                                 OSW_Lang::isFakeTranslation(), darkStyle);
    std::unique_ptr<QProcess> started = LIC_Process::start(LIC_Process::queueExecutable(), arguments);
    if (!started) {
        MSG_Scope("TUTYLauncher", QT_TRANSLATE_NOOP("TUTYLauncher", "Error starting ksQueue application\n"));
        return false;
    }
    QProcess *process = started.release();
    process->setParent(this);
    connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            [this, process] { onProcessExited(process); });
    m_queuePrograms.append({process, arguments});
    return true;
}

void TUTYLauncher::onProcessExited(QProcess *process)
{
    for (int i = 0; i < m_queuePrograms.size(); ++i) {
        if (m_queuePrograms[i].process == process) {
            m_queuePrograms.remove(i);
            process->deleteLater();
            return;
        }
    }
}

void TUTYLauncher::stopAll()
{
    QVector<QProcess *> processes = m_sceneOpens.keys().toVector();
    for (const QueueProgram &program : qAsConst(m_queuePrograms))
        processes.append(program.process);
    m_sceneOpens.clear();
    m_queuePrograms.clear();
    for (QProcess *process : qAsConst(processes)) {
        // Their exits no longer concern anyone; the records are gone.
        process->disconnect(this);
        LIC_Process::stop(process, kStopGraceMs);
    }
}
