#include "TUIEPackageFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool removeEntry(const QString &path, QString &error)
{
    if (::unlink(QFile::encodeName(path).constData()) == 0 || errno == ENOENT)
        return true;
    error = QCoreApplication::translate("TUIEPackageFile", "Cannot replace %1: %2")
                .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

} // namespace

namespace TUIEPackageFile {

bool openNew(QFile &file, QString &error)
{
    // NewOnly refuses any name still taken, a dangling link included.
    if (!removeEntry(file.fileName(), error))
        return false;
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return true;
    error = file.errorString();
    return false;
}

bool writeNew(const QString &path, const QByteArray &bytes, QString &error)
{
    QFile file(path);
    if (!openNew(file, error))
        return false;
    if (file.write(bytes) == bytes.size() && file.flush())
        return true;
    error = file.errorString();
    return false;
}

bool replace(const QString &path, const QByteArray &bytes, QString &error)
{
    const QString temporary = path + QStringLiteral(".new");
    if (!writeNew(temporary, bytes, error))
        return false;
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) == 0)
        return true;
    error = QCoreApplication::translate("TUIEPackageFile", "Cannot replace %1: %2")
                .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    ::unlink(QFile::encodeName(temporary).constData());
    return false;
}

bool syncFileSystem(const QString &path, QString &error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::syncfs(fd) == 0;
    if (!ok)
        error = QCoreApplication::translate("TUIEPackageFile", "Cannot flush %1 to disk: %2")
                    .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (fd >= 0)
        ::close(fd);
    return ok;
}

} // namespace TUIEPackageFile
