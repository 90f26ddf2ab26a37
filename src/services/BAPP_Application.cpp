#include "BAPP_Application.h"

#include <QThread>

QStringList BAPP_Application::parseArguments(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

bool BAPP_Application::isMainThread()
{
    if (const QCoreApplication *app = QCoreApplication::instance())
        return QThread::currentThread() == app->thread();
    static QThread *const firstAsker = QThread::currentThread();
    return QThread::currentThread() == firstAsker;
}

BAPP_CoreApplication::BAPP_CoreApplication(int &argc, char **argv)
    : QCoreApplication(argc, argv)
{
}
