#include "UT_Path.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Stored paths may come from Windows workstations, so a backslash counts as
// a separator too.
QString normalised(const QString &path)
{
    if (path.isEmpty())
        return path;
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::cleanPath(p);
}

QString joined(const QString &folder, const QString &name)
{
    if (folder.isEmpty())
        return name;
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

} // namespace

UT_Path::UT_Path(const QString &path, bool isFolder)
{
    const QString p = normalised(path);
    if (isFolder) {
        m_folder = p;
        return;
    }
    const int slash = p.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) {
        m_fileName = p;
    } else {
        m_folder = slash == 0 ? QStringLiteral("/") : p.left(slash);
        m_fileName = p.mid(slash + 1);
    }
}

bool UT_Path::isPlainName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
        && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\'));
}

bool UT_Path::AddFolder(const QString &name)
{
    if (!isPlainName(name))
        return false;
    // A file name already set stays last.
    m_folder = joined(m_folder, name);
    return true;
}

bool UT_Path::AddName(const QString &name)
{
    if (!isPlainName(name))
        return false;
    m_fileName = name;
    return true;
}

bool UT_Path::CreateFolder() const
{
    if (m_folder.isEmpty())
        return true; // the current folder
    return QDir().mkpath(m_folder);
}

bool UT_Path::Exists() const
{
    // A file where a folder is expected (or the reverse) is not the thing asked for.
    const QFileInfo info(GetPath());
    if (m_fileName.isEmpty())
        return info.isDir();
    return info.exists() && !info.isDir();
}

QString UT_Path::GetPath(bool withSlash) const
{
    if (!m_fileName.isEmpty())
        return joined(m_folder, m_fileName);
    // An empty path stays empty: a lone "/" would name the root instead.
    if (withSlash && !m_folder.isEmpty() && !m_folder.endsWith(QLatin1Char('/')))
        return m_folder + QLatin1Char('/');
    return m_folder;
}

QString UT_Path::GetFileName() const
{
    return m_fileName;
}

QString UT_Path::GetFolder() const
{
    return m_folder;
}
