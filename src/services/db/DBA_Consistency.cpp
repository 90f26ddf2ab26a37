#include "DBA_Consistency.h"

#include "DBA_Context.h"
#include "DBA_FolderOwnership.h"
#include "DBA_LockOps.h"
#include "DBA_SessionOps.h"
#include "oswRemapPath.h"
#include "oswUtil.h"
#include "tufile.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>
#include <csignal>

namespace {
QString localPath(const QString &stored)
{
    return QDir::cleanPath(oswRemapPath::RemapPath2(stored));
}

QStringList subfolders(const QString &folder, const QStringList &patterns = {})
{
    QStringList paths;
    const QStringList names = QDir(folder).entryList(patterns, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names)
        paths << folder + QLatin1Char('/') + name;
    return paths;
}

// ".<name>.deleted-<n>": what a delete sets aside before removing it.
const QRegularExpression kSetAside(QStringLiteral("^\\.(.+)\\.deleted-\\d+$"));

// What a create (".tallyard-new-<host>-<pid>-<folder>") or a move
// (".tallyard-move-<folder>", ".tallyard-replaced-<folder>") stages beside
// a scene folder and renames away when it finishes.
const QRegularExpression kStaged(QStringLiteral("^\\.tallyard-(new|move|replaced)-(.+)$"));
// The scene folder a move stages for, after "<host>-<pid>-" (older versions
// named none); the host may hold dashes and digits, the folder is "scene-*".
const QRegularExpression kProcessTagged(QStringLiteral("^.+?-\\d+-(scene-.+)$"));

QString stamp()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
}
} // namespace

template <typename Repair> void DBA_Consistency::found(const QString &problem, Repair repairIt)
{
    DBA_Finding finding{problem, QString(), false};
    if (m_repair) {
        finding.action = repairIt();
        finding.repaired = !finding.action.isEmpty() && !finding.action.startsWith(QLatin1Char('!'));
        if (finding.action.startsWith(QLatin1Char('!')))
            finding.action.remove(0, 1);
    }
    m_findings.append(finding);
}

bool DBA_Consistency::run(bool repair, QVector<DBA_Finding> &findings)
{
    m_repair = repair;
    m_findings.clear();
    m_putBack.clear();
    const bool read = readScenes() && readLiveProcesses();
    if (read) {
        checkSceneFolders();
        checkFolderLeftovers();
        checkCopyAside();
    }
    const bool ok = read && checkLocks() && checkRenames();
    findings = m_findings;
    return ok;
}

bool DBA_Consistency::readScenes()
{
    const QString what = dbaTr("Cannot read the scenes");
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("SELECT j.name, s.name, s.path FROM scenes s JOIN jobs j ON j.id = s.job_id"), {}, what))
        return false;
    m_sceneOfFolder.clear();
    while (query.next())
        m_sceneOfFolder.insert(localPath(query.value(2).toString()),
                               query.value(0).toString() + QLatin1Char('/') + query.value(1).toString());
    QStringList roots;
    if (!DBA_FolderOwnership::fileSpaceRoots(m_ctx, roots, what)
        || !m_ctx.run(query, QStringLiteral("SELECT 'environments', name FROM environments UNION ALL SELECT 'jobs', name FROM jobs"),
                      {}, what))
        return false;
    m_recordFolders.clear();
    while (query.next())
        m_recordFolders.insert(roots.first() + QLatin1Char('/') + query.value(0).toString() + QLatin1Char('/')
                               + query.value(1).toString());
    // Job folders of every file system, the root's own folders, and the
    // folders that hold scene folders given by path.
    m_scanned = QStringList{roots.first() + QStringLiteral("/environments"), roots.first() + QStringLiteral("/jobs")};
    for (int i = 1; i < roots.size(); ++i)
        m_scanned << subfolders(roots[i]);
    for (auto it = m_sceneOfFolder.cbegin(); it != m_sceneOfFolder.cend(); ++it)
        m_scanned << QFileInfo(it.key()).absolutePath();
    m_scanned.removeDuplicates();
    return true;
}

bool DBA_Consistency::readLiveProcesses()
{
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("SELECT host, pid FROM sessions WHERE last_pulse >= ?"),
                   {DBA_Context::now() - DBA_SessionOps::staleSeconds()}, dbaTr("Cannot list sessions")))
        return false;
    const QString here = oswUtil::getShortMachineName();
    m_liveProcesses.clear();
    while (query.next()) {
        const QString host = query.value(0).toString();
        const qint64 pid = query.value(1).toLongLong();
        // A session of a process that died moments ago may still look alive.
        if (host != here || ::kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            m_liveProcesses << host + QLatin1Char('-') + QString::number(pid) + QLatin1Char('-');
    }
    return true;
}

QString DBA_Consistency::liveOwner(const QString &staged) const
{
    for (const QString &process : m_liveProcesses) {
        if (staged.startsWith(process))
            return process.chopped(1);
    }
    return QString();
}

QString DBA_Consistency::moveAside(const QString &folder, const QString &visible)
{
    const QString target = QFileInfo(folder).absolutePath() + QLatin1Char('/') + visible;
    if (QFileInfo::exists(target) || !QDir().rename(folder, target))
        return QLatin1Char('!') + dbaTr("could not be moved to %1").arg(target);
    return dbaTr("moved to %1; remove it once you are sure it is not needed").arg(target);
}

QString DBA_Consistency::repairStaged(const QString &folder, const QString &kind, const QString &rest)
{
    if (DBA_FolderOwnership::holdsNoFiles(folder))
        return tufile::rmIfExists(folder) ? dbaTr("removed (it held no files)") : QLatin1Char('!') + dbaTr("could not be removed");
    // A move killed after setting the target's own files aside: they go back
    // where they were when nothing took their place.
    const QRegularExpressionMatch tagged = kProcessTagged.match(rest);
    const QString sceneFolder = tagged.hasMatch() ? tagged.captured(1) : rest;
    const QString place = QFileInfo(folder).absolutePath() + QLatin1Char('/') + sceneFolder;
    if (kind == QLatin1String("replaced") && !QFileInfo::exists(place) && QDir().rename(folder, place)) {
        m_putBack << place;
        return dbaTr("put back at %1").arg(place);
    }
    return moveAside(folder, sceneFolder + QStringLiteral(".unfinished-") + stamp());
}

void DBA_Consistency::checkSceneFolders()
{
    for (auto it = m_sceneOfFolder.cbegin(); it != m_sceneOfFolder.cend(); ++it) {
        const QString folder = it.key();
        if (QFileInfo::exists(folder))
            continue;
        // A delete killed between setting the folder aside and its commit
        // (older versions did that) left the folder beside its place.
        const QStringList aside = subfolders(QFileInfo(folder).absolutePath(),
                                             {QLatin1Char('.') + QFileInfo(folder).fileName() + QStringLiteral(".deleted-*")});
        found(dbaTr("Scene %1: its folder %2 is missing.").arg(it.value(), folder), [&]() -> QString {
            if (aside.isEmpty())
                return QLatin1Char('!') + dbaTr("nothing to put back; restore the folder or delete the scene");
            if (!QDir().rename(aside.last(), folder))
                return QLatin1Char('!') + dbaTr("%1 could not be put back").arg(aside.last());
            return dbaTr("put back from %1").arg(aside.last());
        });
    }
}

void DBA_Consistency::checkFolderLeftovers()
{
    for (const QString &parent : qAsConst(m_scanned)) {
        for (const QString &folder : subfolders(parent))
            checkLeftover(parent, folder);
    }
    // A folder a repair put back is looked at again as what it is now.
    for (const QString &folder : QStringList(m_putBack))
        checkLeftover(QFileInfo(folder).absolutePath(), folder);
}

void DBA_Consistency::checkLeftover(const QString &parent, const QString &folder)
{
    const QString name = QFileInfo(folder).fileName();
    const QRegularExpressionMatch setAside = kSetAside.match(name);
    if (setAside.hasMatch()) {
        found(dbaTr("The folder %1 was set aside by a delete that did not finish.").arg(folder), [&] {
            return moveAside(folder, setAside.captured(1) + QStringLiteral(".deleted-") + stamp());
        });
        return;
    }
    const QRegularExpressionMatch staged = kStaged.match(name);
    const QString owner = staged.hasMatch() ? liveOwner(staged.captured(2)) : QString();
    if (!owner.isEmpty()) {
        m_findings.append({dbaTr("The folder %1 belongs to a create or move still running (process %2); left alone.")
                               .arg(folder, owner),
                           QString(), false, true});
        return;
    }
    if (staged.hasMatch()) {
        found(dbaTr("The folder %1 was left by a create or a move that did not finish.").arg(folder),
              [&] { return repairStaged(folder, staged.captured(1), staged.captured(2)); });
        return;
    }
    // The root's own folder of an environment or a job that is gone
    // (a delete killed before removing it).
    if (isRecordParent(parent)) {
        if (!m_recordFolders.contains(folder))
            foundUnrecorded(folder, dbaTr("The folder %1 belongs to no environment or job.").arg(folder));
        return;
    }
    // Below a file system, a scene folder no record names.
    const bool sceneFolder = name.startsWith(QLatin1String("scene-")) && !name.contains(QLatin1Char('.'));
    if (!sceneFolder || m_sceneOfFolder.contains(folder))
        return;
    for (auto it = m_sceneOfFolder.cbegin(); it != m_sceneOfFolder.cend(); ++it) {
        if (it.key().startsWith(folder + QLatin1Char('/')))
            return;
    }
    foundUnrecorded(folder, DBA_FolderOwnership::holdsNoFiles(folder)
                                ? dbaTr("The folder %1 holds no files and no scene names it (a create that did not finish).").arg(folder)
                                : dbaTr("The folder %1 holds files but no scene names it.").arg(folder));
}

void DBA_Consistency::checkCopyAside()
{
    for (auto it = m_sceneOfFolder.cbegin(); it != m_sceneOfFolder.cend(); ++it) {
        // System: a link set aside may be broken.
        QDirIterator files(it.key(), {QLatin1Char('*') + DBA_CopyAsideSuffix}, QDir::Files | QDir::Hidden | QDir::System,
                           QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString aside = files.next();
            found(dbaTr("Scene %1: the file %2 was set aside by a copy that did not finish.").arg(it.value(), aside),
                  [&] { return repairCopyAside(aside); });
        }
    }
}

// The file set aside is the scene's own: it goes back in place. What the
// copy wrote there may belong with the copied data (killed after copying
// it), so it is kept under a visible name.
QString DBA_Consistency::repairCopyAside(const QString &aside)
{
    const QString file = aside.chopped(DBA_CopyAsideSuffix.size());
    const QFileInfo copied(file);
    QString kept;
    if (copied.exists() || copied.isSymLink()) {
        kept = file + QStringLiteral(".copied-") + stamp();
        if (QFileInfo::exists(kept) || !QFile::rename(file, kept))
            return QLatin1Char('!') + dbaTr("%1 could not be moved to %2").arg(file, kept);
    }
    if (!QFile::rename(aside, file))
        return QLatin1Char('!') + dbaTr("could not be put back at %1").arg(file);
    return kept.isEmpty() ? dbaTr("put back at %1").arg(file)
                          : dbaTr("put back at %1; what the copy wrote there is now %2: remove it once you are sure "
                                  "it is not needed")
                                .arg(file, kept);
}

bool DBA_Consistency::isRecordParent(const QString &parent) const
{
    return parent == m_scanned.value(0) || parent == m_scanned.value(1);
}

void DBA_Consistency::foundUnrecorded(const QString &folder, const QString &problem)
{
    found(problem, [&] {
        if (!DBA_FolderOwnership::holdsNoFiles(folder))
            return moveAside(folder, QFileInfo(folder).fileName() + QStringLiteral(".unrecorded-") + stamp());
        return tufile::rmIfExists(folder) ? dbaTr("removed") : QLatin1Char('!') + dbaTr("could not be removed");
    });
}

bool DBA_Consistency::checkLocks()
{
    DBA_LockOps locks(m_ctx);
    const QVector<dba_lock_struct> all = locks.dba_GetLocks();
    if (m_ctx.lastErrorCode() != DBA_Context::NoError)
        return false;
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("SELECT CAST(id AS TEXT) FROM scenes"), {}, dbaTr("Cannot read the scenes")))
        return false;
    QSet<QString> scenes;
    while (query.next())
        scenes.insert(query.value(0).toString());
    for (const dba_lock_struct &lock : all) {
        const bool onScene = lock.kind == QLatin1String("scene") || lock.kind == QLatin1String("stage")
            || lock.kind == QLatin1String("version");
        const bool sceneGone = onScene && !scenes.contains(lock.key.section(QLatin1Char(':'), 0, 0));
        if (!sceneGone && !lock.stale)
            continue;
        const QString problem = sceneGone ? dbaTr("Lock %1 %2 of %3 is on a scene that no longer exists.")
                                          : dbaTr("Lock %1 %2 of %3 on %4 belongs to a session that is no longer alive.");
        found(problem.arg(lock.kind, lock.key, lock.user, lock.workstation), [&] {
            return m_ctx.run(QStringLiteral("DELETE FROM locks WHERE id = ?"), {lock.id}, dbaTr("Cannot remove a lock"))
                ? dbaTr("removed")
                : QLatin1Char('!') + m_ctx.lastErrorText();
        });
    }
    return true;
}

bool DBA_Consistency::checkRenames()
{
    // Continuing or undoing a rename is the rename manager's: here it is only named.
    DBA_Query query;
    if (!m_ctx.run(query,
                   QStringLiteral("SELECT j.name, r.old_name, r.new_name, r.user_name FROM renames r "
                                  "JOIN scenes s ON s.id = r.scene_id JOIN jobs j ON j.id = s.job_id"),
                   {}, dbaTr("Cannot read the renames")))
        return false;
    while (query.next()) {
        found(dbaTr("The rename of scene %1/%2 to %3 by %4 did not finish.")
                  .arg(query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                       query.value(3).toString()),
              [] { return QLatin1Char('!') + dbaTr("continue or undo it with the rename command"); });
    }
    return true;
}
