#pragma once

#include <QRecursiveMutex>

// The process-wide application lock. Event delivery on the main thread and
// the remote-script thread serialise on it. Construction acquires,
// destruction releases; the lock is recursive.
class PL_AppLock
{
public:
    class AppLock
    {
    public:
        AppLock() { mutex().lock(); }
        ~AppLock() { mutex().unlock(); }
        AppLock(const AppLock &) = delete;
        AppLock &operator=(const AppLock &) = delete;
    };

    static QRecursiveMutex &mutex();
};
