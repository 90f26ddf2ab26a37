#include "DBA_FolderOwnership.h"

#include "DBA_Context.h"
#include "MSG_Scope.h"
#include "UT_FaultPoint.h"
#include "oswRemapPath.h"
#include "tufile.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace {
QString localPath(const QString &stored)
{
    return QDir::cleanPath(oswRemapPath::RemapPath2(stored));
}

bool isInside(const QString &path, const QString &folder)
{
    return QDir::cleanPath(path).startsWith(QDir::cleanPath(folder) + QLatin1Char('/'));
}

// The error code of a batch run that could not do its operation.
const int kCouldNotDo = 2;

void say(int action, const QString &text, int code = 0)
{
    MSG_Scope("TUDbAccess", MSG_Text(text), action, code);
}
} // namespace

bool DBA_FolderOwnership::fileSpaceRoots(DBA_Context &ctx, QStringList &roots, const QString &what)
{
    DBA_Query query;
    if (!ctx.run(query, QStringLiteral("SELECT path FROM file_systems"), {}, what))
        return false;
    roots = QStringList{localPath(oswRemapPath::logicalRoot())};
    while (query.next())
        roots << localPath(query.value(0).toString());
    return true;
}

bool DBA_FolderOwnership::isProtected(const QStringList &roots, const QString &local)
{
    const QString path = QDir::cleanPath(local);
    bool isProtected = path == QLatin1String("/");
    for (const QString &root : roots)
        isProtected = isProtected || root == path || isInside(root, path);
    return isProtected;
}

bool DBA_FolderOwnership::holdsNoFiles(const QString &local)
{
    QDirIterator it(local, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (!it.fileInfo().isDir() || it.fileInfo().isSymLink())
            return false;
    }
    return true;
}

bool DBA_FolderOwnership::otherUser(const QString &stored, qint64 sceneId, qint64 jobId, QString &user,
                                    const QString &what)
{
    // Both an index can serve: the path and its parents as a list, the
    // paths inside it as the bytewise range [stored + "/", stored + "0"),
    // '0' being the character after '/'. A text per depth is cached.
    QVariantList values{sceneId, jobId, stored + QLatin1Char('/'), stored + QLatin1Char('0'), stored};
    QStringList items{QStringLiteral("?")};
    // A leading '/' starts no parent: no scene's folder is the empty path.
    for (int slash = stored.indexOf(QLatin1Char('/'), 1); slash > 0; slash = stored.indexOf(QLatin1Char('/'), slash + 1)) {
        values << stored.left(slash);
        items << QStringLiteral("?");
    }
    const QString path = QStringLiteral("s.path") + m_ctx.connection.bytewise();
    DBA_Query query;
    if (!m_ctx.run(query,
                   // The job's name comes by a subquery, so that no walk of the
                   // jobs in name order is a way to the first row.
                   QStringLiteral("SELECT (SELECT name FROM jobs WHERE id = s.job_id) AS job, s.name FROM scenes s "
                                  "WHERE s.id <> ? AND s.job_id <> ? AND ((%1 >= ? AND %1 < ?) OR %1 IN (%2)) "
                                  "ORDER BY job, s.name LIMIT 1")
                       .arg(path, items.join(QStringLiteral(", "))),
                   values, what))
        return false;
    user = query.next() ? query.value(0).toString() + QLatin1Char('/') + query.value(1).toString() : QString();
    return true;
}

bool DBA_FolderOwnership::checkNewSceneFolder(const QString &stored, bool standardPath, bool &owned, const QString &what)
{
    const QString local = localPath(stored);
    QStringList roots;
    QString user;
    if (!fileSpaceRoots(m_ctx, roots, what) || !otherUser(stored, 0, 0, user, what))
        return false;
    if (isProtected(roots, local))
        return m_ctx.fail(DBA_Context::Refused, dbaTr("%1: the folder %2 holds the file space or a file system.").arg(what, local));
    if (!user.isEmpty())
        return m_ctx.fail(DBA_Context::Refused, dbaTr("%1: the folder %2 is used by scene %3.").arg(what, local, user));
    owned = !QFileInfo::exists(local) || holdsNoFiles(local);
    if (owned)
        return true;
    if (standardPath)
        return m_ctx.fail(DBA_Context::Refused,
                          dbaTr("%1: the folder %2 already holds files (left by an earlier scene?); "
                                "move them away first.")
                              .arg(what, local));
    say(MSG_Scope::Warn, dbaTr("The folder %1 holds files already; the scene uses them, and deleting the scene "
                               "will leave the folder in place.")
                             .arg(local));
    return true;
}

bool DBA_FolderOwnership::judgeSceneFolder(const QString &stored, bool owned, qint64 sceneId, qint64 jobId,
                                           const QString &what)
{
    const QString local = localPath(stored);
    if (stored.isEmpty() || (!QFileInfo::exists(local) && !QFileInfo(local).isSymLink()))
        return true;
    QStringList roots;
    QString user;
    if (!fileSpaceRoots(m_ctx, roots, what) || !otherUser(stored, sceneId, jobId, user, what))
        return false;
    bool inFileSpace = false;
    for (const QString &root : roots)
        inFileSpace = inFileSpace || isInside(local, root);
    if (isProtected(roots, local))
        keep(local, dbaTr("it holds the file space or a file system"));
    else if (!inFileSpace)
        keep(local, dbaTr("it lies outside the database root and its file systems"));
    else if (!user.isEmpty())
        keep(local, dbaTr("scene %1 uses it too").arg(user));
    else if (!owned)
        keep(local, dbaTr("it held files before the scene adopted it"));
    else
        m_remove << local;
    return true;
}

void DBA_FolderOwnership::addOwnFolder(const QString &stored)
{
    m_remove << localPath(stored);
}

void DBA_FolderOwnership::keep(const QString &local, const QString &why)
{
    m_kept << dbaTr("The folder %1 was left in place: %2.").arg(local, why);
}

bool DBA_FolderOwnership::removeFolders(const QString &what)
{
    for (const QString &kept : m_kept)
        say(MSG_Scope::Warn, kept);
    QStringList failures;
    for (const QString &local : m_remove) {
        const QFileInfo info(local);
        if (!info.exists() && !info.isSymLink())
            continue;
        // Set aside first, so that a removal stopped half-way never leaves
        // part of a folder under a name a new scene could take.
        const QString aside = info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".deleted-")
            + QString::number(QDateTime::currentMSecsSinceEpoch());
        QString error;
        if (!QDir().rename(local, aside)) {
            failures << dbaTr("The folder %1 could not be removed: it cannot be renamed to %2.").arg(local, aside);
            continue;
        }
        UT_FAULT_POINT("delete-folder-aside");
        if (!tufile::rmIfExists(aside, error))
            failures << dbaTr("The folder %1 could not be removed (what remains is in %2): %3").arg(local, aside, error);
    }
    m_remove.clear();
    m_kept.clear();
    for (const QString &failure : failures)
        say(MSG_Scope::Error, failure, kCouldNotDo);
    if (failures.isEmpty())
        return true;
    return m_ctx.fail(DBA_Context::Failed,
                      dbaTr("%1: the records are gone, but %2 of its folders could not be removed.").arg(what).arg(failures.size()));
}
