#include "TUFileLock.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

TUFileLock::~TUFileLock()
{
    unlock();
}

bool TUFileLock::tryLock(const QString &path)
{
    unlock();
    // A holder may remove its file between our open and our lock; a few
    // attempts settle on the file that the path names now.
    for (int attempt = 0; attempt < 3; ++attempt) {
        switch (lockOnce(path)) {
        case Attempt::Locked: return true;
        case Attempt::Refused: return false;
        case Attempt::PathChanged: break;
        }
    }
    return false;
}

void TUFileLock::unlock()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_created = false;
}

TUFileLock::Attempt TUFileLock::lockOnce(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    bool created = true;
    int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EEXIST) {
        created = false;
        fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    }
    if (fd < 0)
        return Attempt::Refused;
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        ::close(fd);
        return Attempt::Refused;
    }
    struct stat opened {}, named {};
    const bool samePath = ::fstat(fd, &opened) == 0 && ::stat(name.constData(), &named) == 0
        && opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
    if (!samePath) {
        ::close(fd);
        return Attempt::PathChanged;
    }
    m_fd = fd;
    m_created = created;
    return Attempt::Locked;
}
