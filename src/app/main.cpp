#include "TYStartup.h"

int main(int argc, char **argv)
{
    TYStartup startup;
    return startup.run(argc, argv);
}
