#include "tufile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QVector>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

fs::path toFs(const QString &path)
{
    return fs::path(QFile::encodeName(path).toStdString());
}

QString reason(const std::error_code &ec)
{
    return QString::fromLocal8Bit(ec.message().c_str());
}

QString reason(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

QString quoted(const QString &path)
{
    return QLatin1Char('"') + path + QLatin1Char('"');
}

// "a/b/" would make the kernel follow a link named b; callers mean the link.
QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// A hidden, unused-looking name beside target for building it before it is
// moved into place; the rename is atomic only within one file system.
QString temporaryNameFor(const QString &target)
{
    const QFileInfo info(target);
    // Shortened so the longest allowed file name still leaves room for the suffix.
    return info.absolutePath() + QStringLiteral("/.") + info.fileName().left(200) + QStringLiteral(".tmp")
        + QString::number(QRandomGenerator::global()->generate(), 36);
}

// Moves the finished temporary into place. Without overwrite the kernel
// itself refuses an existing target, so nothing that appeared meanwhile is
// clobbered.
bool moveIntoPlace(const QString &temporary, const QString &target, bool overwrite, QString &error)
{
    const QByteArray from = QFile::encodeName(temporary);
    const QByteArray to = QFile::encodeName(target);
    int rc = overwrite ? ::rename(from.constData(), to.constData())
                       : ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
    if (rc != 0 && !overwrite && (errno == EINVAL || errno == ENOSYS)) {
        // File systems without RENAME_NOREPLACE: link() refuses existing names too.
        rc = ::link(from.constData(), to.constData());
        if (rc == 0)
            ::unlink(from.constData());
    }
    if (rc == 0)
        return true;
    const int err = errno;
    ::unlink(from.constData());
    error = QStringLiteral("Cannot create %1: %2").arg(quoted(target), reason(err));
    return false;
}

// Refuses what cannot be replaced: anything without overwrite, a real
// folder (not a link to one) even with it.
bool targetIsFree(const QString &target, bool overwrite, QString &error)
{
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(toFs(target), ec);
    if (st.type() == fs::file_type::not_found)
        return true;
    if (!overwrite) {
        error = QStringLiteral("Cannot create %1: %2").arg(quoted(target), reason(EEXIST));
        return false;
    }
    if (st.type() == fs::file_type::directory) {
        error = QStringLiteral("Cannot replace %1: %2").arg(quoted(target), reason(EISDIR));
        return false;
    }
    return true;
}

// Closes a descriptor when the copy leaves, whatever the path.
struct FdCloser
{
    int fd;
    ~FdCloser()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// Copies the bytes inside the kernel: a reflink where the file system shares
// extents (btrfs, XFS), else copy_file_range, else sendfile; the data never
// passes through this process. Returns 0 or an errno value.
int kernelCopy(int in, int out, off_t size)
{
#ifdef FICLONE
    if (::ioctl(out, FICLONE, in) == 0)
        return 0;
#endif
    off_t done = 0;
    bool rangeWorks = true;
    while (done < size) {
        ssize_t n = -1;
        if (rangeWorks) {
            n = ::copy_file_range(in, nullptr, out, nullptr, size_t(size - done), 0);
            if (n < 0 && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL)) {
                rangeWorks = false;
                continue;
            }
        } else {
            off_t offset = done;
            n = ::sendfile(out, in, &offset, size_t(size - done));
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            break; // the source shrank meanwhile: copy what there is
        done += n;
    }
    return 0;
}

// Writes the copy to a new file (the kernel refuses an existing name, a
// link included), with the source's permission bits and modification time
// (tools that compare dates see a copy as its source). created tells whether
// the new file was made, so a failure removes only what the copy made.
int copyContents(const QString &source, const QString &target, bool &created)
{
    created = false;
    FdCloser in{::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC)};
    if (in.fd < 0)
        return errno;
    struct stat st;
    if (::fstat(in.fd, &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    FdCloser out{::open(QFile::encodeName(target).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                        st.st_mode & 07777)};
    if (out.fd < 0)
        return errno;
    created = true;
    int err = kernelCopy(in.fd, out.fd, st.st_size);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (err == 0 && (::fchmod(out.fd, st.st_mode & 07777) != 0 || ::futimens(out.fd, times) != 0))
        err = errno;
    if (::close(out.fd) != 0 && err == 0)
        err = errno;
    out.fd = -1;
    return err;
}

bool copyFile(const QString &source, const QString &target, bool overwrite, QString &error)
{
    if (!targetIsFree(target, overwrite, error))
        return false;
    const QString temporary = temporaryNameFor(target);
    bool created = false;
    const int err = copyContents(source, temporary, created);
    if (err != 0) {
        if (created)
            ::unlink(QFile::encodeName(temporary).constData());
        error = QStringLiteral("Cannot copy %1 to %2: %3").arg(quoted(source), quoted(target), reason(err));
        return false;
    }
    return moveIntoPlace(temporary, target, overwrite, error);
}

bool copyLink(const QString &source, const QString &target, bool overwrite, QString &error)
{
    if (!targetIsFree(target, overwrite, error))
        return false;
    std::error_code ec;
    const fs::path pointsAt = fs::read_symlink(toFs(source), ec);
    if (ec) {
        error = QStringLiteral("Cannot read link %1: %2").arg(quoted(source), reason(ec));
        return false;
    }
    const QString temporary = temporaryNameFor(target);
    fs::create_symlink(pointsAt, toFs(temporary), ec);
    if (ec) {
        error = QStringLiteral("Cannot create link %1: %2").arg(quoted(target), reason(ec));
        return false;
    }
    return moveIntoPlace(temporary, target, overwrite, error);
}

bool makeFolder(const QString &source, const QString &target, bool mayExist, QString &error)
{
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(toFs(target), ec);
    if (st.type() == fs::file_type::directory) {
        if (mayExist)
            return true;
        error = QStringLiteral("Cannot create folder %1: %2").arg(quoted(target), reason(EEXIST));
        return false;
    }
    if (st.type() != fs::file_type::not_found) {
        error = QStringLiteral("Cannot copy folder %1 onto %2: %3")
                    .arg(quoted(source), quoted(target), reason(mayExist ? ENOTDIR : EEXIST));
        return false;
    }
    if (!fs::create_directory(toFs(target), ec) && ec) {
        error = QStringLiteral("Cannot create folder %1: %2").arg(quoted(target), reason(ec));
        return false;
    }
    return true;
}

bool copyTree(const QString &source, const QString &target, bool overwrite, QString &error)
{
    const QString sourceReal = QFileInfo(source).canonicalFilePath();
    const QString targetReal = QFileInfo(QFileInfo(target).absolutePath()).canonicalFilePath()
        + QLatin1Char('/') + QFileInfo(target).fileName();
    if (targetReal == sourceReal || targetReal.startsWith(sourceReal + QLatin1Char('/'))) {
        error = QStringLiteral("Cannot copy folder %1 into itself (%2)").arg(quoted(source), quoted(target));
        return false;
    }
    if (!makeFolder(source, target, overwrite, error))
        return false;

    QVector<QPair<QString, QString>> folders{{source, target}};
    const QDir sourceDir(source);
    // Without FollowSymlinks the iterator does not descend into linked folders,
    // which are copied as links below.
    QDirIterator it(source, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString to = target + QLatin1Char('/') + sourceDir.relativeFilePath(from);
        const QFileInfo info = it.fileInfo();
        // The iterator may hand out a folder's contents before the folder.
        const QString parent = QFileInfo(to).path();
        std::error_code ec;
        fs::create_directories(toFs(parent), ec);
        if (info.isSymLink()) {
            if (!copyLink(from, to, overwrite, error))
                return false;
        } else if (info.isDir()) {
            if (!makeFolder(from, to, true, error))
                return false;
            folders.append({from, to});
        } else if (!copyFile(from, to, overwrite, error)) {
            return false;
        }
    }

    // Folder permissions last and deepest first: a read-only folder must not
    // stop its own contents from being written.
    std::sort(folders.begin(), folders.end(),
              [](const auto &a, const auto &b) { return a.second > b.second; });
    for (const auto &folder : folders) {
        std::error_code ec;
        const fs::perms perms = fs::status(toFs(folder.first), ec).permissions();
        if (!ec)
            fs::permissions(toFs(folder.second), perms, ec);
        if (ec) {
            error = QStringLiteral("Cannot set permissions of %1: %2").arg(quoted(folder.second), reason(ec));
            return false;
        }
    }
    return true;
}

} // namespace

namespace tufile {

bool checkCreatePath(const QString &path, QString &error, bool mustBeNew)
{
    if (path.isEmpty()) {
        error = QStringLiteral("Cannot create a folder with an empty path");
        return false;
    }
    std::error_code ec;
    const fs::file_status st = fs::status(toFs(path), ec);
    if (st.type() == fs::file_type::directory) {
        if (!mustBeNew)
            return true;
        error = QStringLiteral("Cannot create folder %1: %2").arg(quoted(path), reason(EEXIST));
        return false;
    }
    if (st.type() != fs::file_type::not_found && st.type() != fs::file_type::none) {
        error = QStringLiteral("Cannot create folder %1: %2").arg(quoted(path), reason(ENOTDIR));
        return false;
    }
    fs::create_directories(toFs(path), ec);
    if (ec) {
        error = QStringLiteral("Cannot create folder %1: %2").arg(quoted(path), reason(ec));
        return false;
    }
    return true;
}

bool cp(const QString &source, const QString &target, QString &error, bool overwrite)
{
    const QString from = withoutTrailingSlash(source);
    const QString to = withoutTrailingSlash(target);
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(toFs(from), ec);
    if (ec || st.type() == fs::file_type::not_found) {
        error = QStringLiteral("Cannot copy %1: %2").arg(quoted(source), ec ? reason(ec) : reason(ENOENT));
        return false;
    }
    switch (st.type()) {
    case fs::file_type::symlink:
        return copyLink(from, to, overwrite, error);
    case fs::file_type::directory:
        return copyTree(from, to, overwrite, error);
    default:
        return copyFile(from, to, overwrite, error);
    }
}

bool Copy(const QString &source, const QString &target, QString &error)
{
    const QFileInfo info(source);
    if (!info.exists()) {
        error = QStringLiteral("Cannot copy %1: %2").arg(quoted(source), reason(ENOENT));
        return false;
    }
    if (info.isDir()) {
        error = QStringLiteral("Cannot copy %1: %2").arg(quoted(source), reason(EISDIR));
        return false;
    }
    return copyFile(source, target, false, error);
}

bool copyInPlace(const QString &source, const QString &target, QString &error)
{
    bool created = false;
    const int err = copyContents(source, target, created);
    if (err == 0)
        return true;
    if (created)
        ::unlink(QFile::encodeName(target).constData());
    error = err == EEXIST ? QStringLiteral("Cannot create %1: %2").arg(quoted(target), reason(err))
                          : QStringLiteral("Cannot copy %1 to %2: %3").arg(quoted(source), quoted(target), reason(err));
    return false;
}

bool lns(const QString &source, const QString &target, QString &error)
{
    std::error_code ec;
    fs::create_symlink(toFs(source), toFs(withoutTrailingSlash(target)), ec);
    if (ec) {
        error = QStringLiteral("Cannot link %1 to %2: %3").arg(quoted(target), quoted(source), reason(ec));
        return false;
    }
    return true;
}

bool lnh(const QString &source, const QString &target, QString &error, bool copyAcrossDevices)
{
    std::error_code ec;
    fs::create_hard_link(toFs(source), toFs(target), ec);
    if (!ec)
        return true;
    if (ec == std::errc::cross_device_link && copyAcrossDevices)
        return Copy(source, target, error);
    error = QStringLiteral("Cannot link %1 to %2: %3").arg(quoted(target), quoted(source), reason(ec));
    return false;
}

bool rmIfExists(const QString &path, QString &error)
{
    const fs::path p = toFs(withoutTrailingSlash(path));
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(p, ec);
    if (st.type() == fs::file_type::not_found)
        return true;
    if (!ec) {
        // remove_all does not follow links, neither p itself nor any inside.
        if (st.type() == fs::file_type::directory)
            fs::remove_all(p, ec);
        else
            fs::remove(p, ec);
    }
    if (ec) {
        error = QStringLiteral("Cannot remove %1: %2").arg(quoted(path), reason(ec));
        return false;
    }
    return true;
}

bool rmIfExists(const QString &path)
{
    QString error;
    return rmIfExists(path, error);
}

} // namespace tufile
