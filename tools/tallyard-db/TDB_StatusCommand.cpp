#include "TDB_StatusCommand.h"

#include "DBA_Schema.h"
#include "TDB_Session.h"
#include "TUDbAccess.h"

#include <QHash>
#include <QTextStream>

namespace {
// Labels are padded so the values line up.
QString label(const QString &text)
{
    return QStringLiteral("%1 ").arg(text + QLatin1Char(':'), -15);
}

QString when(qint64 time)
{
    return TUDbAccess::dba_TimeStamp(time, "%x %X");
}

// Scene, stage and version locks are keyed by the scene's id: "<id>" or "<id>:<version>".
QString sceneIdOf(const dba_lock_struct &lock)
{
    const bool sceneKind = lock.kind == QLatin1String("scene") || lock.kind == QLatin1String("stage")
        || lock.kind == QLatin1String("version");
    return sceneKind ? lock.key.section(QLatin1Char(':'), 0, 0) : QString();
}

// "job/scene" by scene id (as text) for the scenes the locks name, in one query.
QHash<QString, QString> sceneNames(TUDbAccess &access, const QVector<dba_lock_struct> &locks)
{
    QVariantList ids;
    for (const dba_lock_struct &lock : locks) {
        bool isId = false;
        const qint64 id = sceneIdOf(lock).toLongLong(&isId);
        if (isId && !ids.contains(id))
            ids << id;
    }
    QHash<QString, QString> names;
    QSqlQuery query;
    QString error;
    if (ids.isEmpty()
        || !access.context().connection.exec(
            query,
            QStringLiteral("SELECT s.id, j.name, s.name FROM scenes s JOIN jobs j ON j.id = s.job_id WHERE s.id IN (%1)")
                .arg(QStringLiteral(", ?").repeated(int(ids.size())).mid(2)),
            ids, error))
        return names;
    while (query.next())
        names.insert(query.value(0).toString(), query.value(1).toString() + QLatin1Char('/') + query.value(2).toString());
    return names;
}
} // namespace

TDB_StatusCommand::TDB_StatusCommand(const DBA_Url &url)
    : m_url(url)
{
}

bool TDB_StatusCommand::run(QTextStream &out, QString &error)
{
    const std::unique_ptr<TUDbAccess> access = TDB_Session::open(m_url, error);
    if (!access)
        return false;
    writeDatabase(out, *access);
    if (!writeCounts(out, *access, error))
        return false;
    writeSessions(out, *access);
    writeLocks(out, *access);
    return true;
}

void TDB_StatusCommand::writeDatabase(QTextStream &out, TUDbAccess &access)
{
    QString error;
    const int version = DBA_Schema::currentVersion(access.context().connection, error);
    const int latest = DBA_Schema::latestVersion();
    const QString state = version >= latest ? tr("up to date") : tr("out of date; run \"tallyard-db init\"");
    out << label(tr("Backend")) << (m_url.backend == DBA_Url::Sqlite ? QStringLiteral("SQLite") : QStringLiteral("PostgreSQL")) << '\n'
        << label(tr("Database")) << m_url.toString() << '\n'
        << label(tr("Root")) << m_url.root << '\n'
        << label(tr("Schema")) << tr("version %1, latest %2 (%3)").arg(version).arg(latest).arg(state) << '\n'
        << label(tr("File systems")) << access.sceneDirPatternList().join(QStringLiteral(", ")) << '\n';
}

bool TDB_StatusCommand::writeCounts(QTextStream &out, TUDbAccess &access, QString &error)
{
    // One COUNT per table: a report of totals, not a walk of the hierarchy.
    const struct { const char *label; const char *table; } counts[] = {
        {QT_TR_NOOP("Environments"), "environments"}, {QT_TR_NOOP("Jobs"), "jobs"},
        {QT_TR_NOOP("Scenes"), "scenes"}, {QT_TR_NOOP("Versions"), "scene_versions"},
        {QT_TR_NOOP("Elements"), "elements"}, {QT_TR_NOOP("Drawings"), "cels"}, {QT_TR_NOOP("Users"), "users"},
    };
    for (const auto &count : counts) {
        const QVariant value = access.context().connection.scalar(
            QStringLiteral("SELECT COUNT(*) FROM %1").arg(QLatin1String(count.table)), {}, error);
        if (!value.isValid())
            return false;
        out << label(tr(count.label)) << value.toLongLong() << '\n';
    }
    return true;
}

void TDB_StatusCommand::writeSessions(QTextStream &out, TUDbAccess &access)
{
    const QVector<TUDbAccess::Session> sessions = access.dba_GetSessions();
    out << label(tr("Sessions")) << sessions.size() << '\n';
    for (const TUDbAccess::Session &session : sessions) {
        out << "  " << tr("%1@%2 %3 (pid %4), started %5, last pulse %6")
                           .arg(session.user, session.host, session.application)
                           .arg(session.pid)
                           .arg(when(session.started), when(session.lastPulse));
        if (session.id == access.context().sessionId)
            out << ' ' << tr("[this session]");
        else if (session.stale)
            out << ' ' << tr("[STALE]");
        out << '\n';
    }
}

void TDB_StatusCommand::writeLocks(QTextStream &out, TUDbAccess &access)
{
    const QVector<dba_lock_struct> locks = access.dba_GetLocks();
    const QHash<QString, QString> scenes = sceneNames(access, locks);
    out << label(tr("Locks")) << locks.size() << '\n';
    for (const dba_lock_struct &lock : locks) {
        const QString scene = scenes.value(sceneIdOf(lock));
        const QString what = scene.isEmpty() ? lock.key : QStringLiteral("%1 (%2)").arg(scene, lock.key);
        out << "  " << tr("%1 %2 held by %3@%4 %5 (pid %6) since %7")
                           .arg(lock.kind, what, lock.user, lock.workstation, lock.application)
                           .arg(lock.pid)
                           .arg(when(lock.taken));
        if (lock.stale)
            out << ' ' << tr("[STALE]");
        out << '\n';
    }
}
