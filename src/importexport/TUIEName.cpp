#include "TUIEName.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {
// The longest name most file systems take, in bytes.
constexpr int kMaxNameBytes = 255;

// The path of the deepest existing folder at or above path, links resolved.
QString canonicalExistingPart(const QString &path)
{
    QString part = QDir::cleanPath(path);
    while (!part.isEmpty()) {
        const QFileInfo info(part);
        if (info.exists() || info.isSymLink()) {
            const QString canonical = info.canonicalFilePath();
            // A dangling link resolves to nothing: treat as outside.
            return canonical.isEmpty() ? QString() : canonical;
        }
        const int slash = part.lastIndexOf(QLatin1Char('/'));
        if (slash <= 0)
            return QStringLiteral("/");
        part.truncate(slash);
    }
    return QString();
}

bool isWithin(const QString &folder, const QString &path)
{
    return path == folder || path.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
}
} // namespace

bool TUIEName::isPlainName(const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
        || name.toUtf8().size() > kMaxNameBytes)
        return false;
    for (const QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

bool TUIEName::isPlainRelativePath(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QStringList pieces = path.split(QLatin1Char('/'));
    for (const QString &piece : pieces) {
        if (!isPlainName(piece))
            return false;
    }
    return true;
}

bool TUIEName::isInside(const QString &folder, const QString &path)
{
    const QString cleanFolder = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const QString cleanPath = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (!isWithin(cleanFolder, cleanPath))
        return false;
    const QString realFolder = canonicalExistingPart(cleanFolder);
    const QString realPath = canonicalExistingPart(cleanPath);
    if (realFolder.isEmpty() || realPath.isEmpty())
        return false;
    // The existing part of path must still lie in the folder once links are
    // resolved; when the folder itself does not exist yet, only the written
    // form can be compared.
    return !QFileInfo::exists(cleanFolder) || isWithin(realFolder, realPath);
}
