#include "TUIECopier.h"

#include "MSG_Scope.h"
#include "TUIEProgress.h"
#include "UT_FaultPoint.h"
#include "tufile.h"

#include <QCoreApplication>
#include <QDir>

namespace {

QString canonicalOrClean(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(path).absoluteFilePath()) : canonical;
}

bool isBelow(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
}

// The nearest folder of path that exists already.
QString existingAncestor(QString path)
{
    path = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) {
        const QString parent = QFileInfo(path).path();
        if (parent == path)
            break;
        path = parent;
    }
    return path;
}

} // namespace

TUIECopier::TUIECopier(const Texts &texts)
    : m_texts(texts)
{
}

void TUIECopier::setTargetBoundary(const QString &folder)
{
    m_targetBoundary = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    m_targetReal.clear();
    m_checkedFolders.clear();
}

void TUIECopier::setSourceBoundary(const QString &folder)
{
    m_sourceBoundary = folder.isEmpty() ? QString() : canonicalOrClean(folder);
}

bool TUIECopier::cancelled()
{
    if (!m_cancelled && m_progress && m_progress->wasCanceled())
        m_cancelled = true;
    return m_cancelled;
}

bool TUIECopier::insideTarget(const QString &path) const
{
    if (m_targetBoundary.isEmpty())
        return true;
    // Resolved once: a link put in the boundary's place later must not move it.
    if (m_targetReal.isEmpty())
        m_targetReal = QFileInfo(m_targetBoundary).canonicalFilePath();
    return isBelow(canonicalOrClean(path), m_targetReal.isEmpty() ? m_targetBoundary : m_targetReal);
}

bool TUIECopier::insideSource(const QString &path) const
{
    return m_sourceBoundary.isEmpty() || isBelow(canonicalOrClean(path), m_sourceBoundary);
}

bool TUIECopier::makeFolder(const QString &path, QString &error)
{
    if (!m_write || m_checkedFolders.contains(path))
        return true;
    // Missing folders are made below an existing one that is checked first,
    // so a link in the way cannot carry the new folders elsewhere.
    if (!insideTarget(existingAncestor(path)) || !tufile::checkCreatePath(path, error) || !insideTarget(path)) {
        if (error.isEmpty())
            error = QCoreApplication::translate("TUIECopier", "%1 lies outside %2.").arg(path, m_targetBoundary);
        return false;
    }
    m_checkedFolders.insert(path);
    return true;
}

void TUIECopier::visited()
{
    ++m_counter;
    if (m_progress)
        m_progress->setValue(m_counter);
}

bool TUIECopier::fail(const char *text, const QString &path, const QString &reason)
{
    ++m_failures;
    MSG_Scope(m_texts.scope, text).arg(path).arg(reason);
    return false;
}

bool TUIECopier::copyFolder(const QString &from, const QString &to, const Filter &filter, FileRule rule)
{
    const QFileInfo source(from);
    if (!source.isDir())
        return true;
    if (!insideSource(from))
        return fail(m_texts.linkFailed, from,
                    QCoreApplication::translate("TUIECopier", "it leads outside the package"));
    QString error;
    if (!makeFolder(to, error))
        return fail(m_texts.fileFailed, from, error);
    const QFileInfoList entries = QDir(from).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    bool ok = true;
    for (const QFileInfo &entry : entries) {
        QCoreApplication::processEvents();
        if (cancelled())
            return false;
        if (entry.fileName().endsWith(QLatin1Char('~')) || (filter && !filter(entry)))
            continue;
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isSymLink())
            ok = copyLink(entry.filePath(), target, rule) && ok;
        else if (entry.isDir())
            ok = copyFolder(entry.filePath(), target, filter, rule) && ok;
        else
            ok = copyFile(entry, target, rule) && ok;
    }
    return ok;
}

bool TUIECopier::copyEntry(const QString &from, const QString &to, FileRule rule)
{
    return copyEntry(QFileInfo(from), to, rule);
}

bool TUIECopier::copyEntry(const QFileInfo &from, const QString &to, FileRule rule)
{
    if (from.fileName().endsWith(QLatin1Char('~')))
        return true;
    QString error;
    if (!makeFolder(to.left(to.lastIndexOf(QLatin1Char('/'))), error))
        return fail(m_texts.fileFailed, from.filePath(), error);
    return from.isSymLink() ? copyLink(from.filePath(), to, rule) : copyFile(from, to, rule);
}

bool TUIECopier::copyFile(const QFileInfo &source, const QString &to, FileRule rule)
{
    visited();
    // Only a dry run adds up sizes: the real one has no stat to spare per file.
    if (!m_write) {
        m_bytes += source.size();
        return true;
    }
    const QString from = source.filePath();
    UT_FAULT_POINT("ie-copy-file");
    // Nearly every target is new: the way is cleared only for a name taken.
    QString error;
    if (placeFile(from, to, rule, error))
        return true;
    const QFileInfo existing(to);
    if (!existing.exists() && !existing.isSymLink())
        return fail(m_texts.fileFailed, from, error);
    error.clear();
    if (!tufile::rmIfExists(to, error) || !placeFile(from, to, rule, error))
        return fail(m_texts.fileFailed, from, error);
    return true;
}

bool TUIECopier::copyBytes(const QString &from, const QString &to, QString &error) const
{
    return m_inPlace ? tufile::copyInPlace(from, to, error) : tufile::Copy(from, to, error);
}

bool TUIECopier::placeFile(const QString &from, const QString &to, FileRule rule, QString &error)
{
    if (rule == AlwaysCopy || m_mode == CopyFiles)
        return copyBytes(from, to, error);
    if (rule == ByMode && m_mode == Symbolic)
        return tufile::lns(QFileInfo(from).absoluteFilePath(), to, error);
    if (tufile::lnh(from, to, error))
        return true;
    error.clear();
    if (rule == ByMode && m_mode == HardOrSymbolic)
        return tufile::lns(QFileInfo(from).absoluteFilePath(), to, error);
    return copyBytes(from, to, error);
}

bool TUIECopier::copyLink(const QString &from, const QString &to, FileRule rule)
{
    visited();
    const QFileInfo link(from);
    const QString pointsAt = QFileInfo(link.path() + QLatin1Char('/') + link.symLinkTarget()).absoluteFilePath();
    const bool valid = link.exists();
    // What a package link names must stay inside the package, followed or kept.
    if (!m_sourceBoundary.isEmpty() && !isBelow(valid ? link.canonicalFilePath() : QDir::cleanPath(pointsAt), m_sourceBoundary))
        return fail(m_texts.linkFailed, from, QCoreApplication::translate("TUIECopier", "it points outside the package"));
    const bool keep = valid ? m_keepValid : m_keepBroken;
    const bool resolve = valid && !m_keepValid && m_resolveValid;
    if (!keep && !resolve)
        return true;
    if (resolve && QFileInfo(link.canonicalFilePath()).isDir())
        return copyFolder(link.canonicalFilePath(), to, {}, rule);
    if (!m_write)
        return true;
    QString error;
    if (keep) {
        if (!tufile::rmIfExists(to, error) || !tufile::cp(from, to, error, true))
            return fail(m_texts.linkFailed, from, error);
        return true;
    }
    if (!tufile::rmIfExists(to, error) || !placeFile(link.canonicalFilePath(), to, rule, error))
        return fail(m_texts.linkFailed, from, error);
    return true;
}
