#include "BAPP_Application.h"
#include "whoami.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char **argv)
{
    whoami::setBinName(QString::fromLocal8Bit(argv[0]));
    const QStringList arguments = BAPP_Application::parseArguments(argc, argv);
    whoami::printVersionInfo();
    if (arguments.contains(QStringLiteral("-v")) || arguments.contains(QStringLiteral("-version"))
        || arguments.contains(QStringLiteral("--version")))
        return 0;
    std::fputs("Usage: tallyard [-v|-version|--version]\n", stderr);
    return 0;
}
