#pragma once

#include <QString>

// An exclusive advisory lock on one file, held while the object holds it.
// The operating system drops the lock when the process ends, so the lock file
// of a crashed run is free again while the one of a live run is not.
// Private to the window message sink.
class TUFileLock
{
public:
    TUFileLock() = default;
    ~TUFileLock();

    TUFileLock(const TUFileLock &) = delete;
    TUFileLock &operator=(const TUFileLock &) = delete;

    // Opens path (creating it when missing) and locks it without waiting.
    // False when another open of the file holds the lock or it cannot be opened.
    bool tryLock(const QString &path);
    void unlock();
    bool isLocked() const { return m_fd >= 0; }
    // Whether the held file was created by tryLock rather than left by an earlier run.
    bool createdFile() const { return m_created; }

private:
    enum class Attempt { Locked, Refused, PathChanged };
    Attempt lockOnce(const QString &path);

    int m_fd = -1;
    bool m_created = false;
};
