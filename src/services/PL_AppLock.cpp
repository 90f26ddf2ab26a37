#include "PL_AppLock.h"

QRecursiveMutex &PL_AppLock::mutex()
{
    static QRecursiveMutex lock;
    return lock;
}
