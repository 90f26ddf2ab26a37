#include "BAPP_Application.h"
#include "TYOptionParser.h"
#include "whoami.h"

int main(int argc, char **argv)
{
    whoami::setBinName(QString::fromLocal8Bit(argv[0]));
    TYOptionParser::Parse(argc, argv);
    whoami::printVersionInfo();
    return 0;
}
