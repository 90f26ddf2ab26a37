#include "DBA_SceneUse.h"

#include "DBA_Context.h"

namespace {
// One row per way scene s is used: kind, who, and for a rename the new name.
QString usesOf(const DBA_Connection &connection, const QString &condition)
{
    return QStringLiteral(
               "SELECT s.name, 'checkout', s.checkout_user, '' FROM scenes s WHERE %1 AND s.checked_out <> 0 "
               "UNION ALL SELECT s.name, l.kind, l.user_name, '' FROM scenes s JOIN locks l ON "
               "(l.kind IN ('scene', 'stage') AND l.lock_key = CAST(s.id AS TEXT)) "
               "OR (l.kind = 'version' AND %2) WHERE %1 "
               "UNION ALL SELECT s.name, 'rename', r.user_name, r.new_name FROM scenes s JOIN renames r ON r.scene_id = s.id "
               "WHERE %1")
        .arg(condition, DBA_SceneUse::versionLockOf(connection, QStringLiteral("l.lock_key"), QStringLiteral("CAST(s.id AS TEXT)")));
}

bool checkNone(DBA_Context &ctx, const QString &condition, qint64 id, const QString &what)
{
    DBA_Query query;
    if (!ctx.run(query, usesOf(ctx.connection, condition), {id, id, id}, what))
        return false;
    if (!query.next())
        return true;
    const QString scene = query.value(0).toString();
    const QString kind = query.value(1).toString();
    const QString user = query.value(2).toString();
    if (kind == QLatin1String("checkout"))
        return ctx.fail(DBA_Context::Locked, dbaTr("%1: scene %2 is checked out by %3.").arg(what, scene, user));
    if (kind == QLatin1String("rename"))
        return ctx.fail(DBA_Context::Locked, dbaTr("%1: scene %2 is being renamed to %3 by %4.")
                                                 .arg(what, scene, query.value(3).toString(), user));
    if (kind == QLatin1String("version"))
        return ctx.fail(DBA_Context::Locked, dbaTr("%1: a version of scene %2 is locked by %3.").arg(what, scene, user));
    return ctx.fail(DBA_Context::Locked, dbaTr("%1: scene %2 is locked by %3.").arg(what, scene, user));
}
} // namespace

QString DBA_SceneUse::versionLockOf(const DBA_Connection &connection, const QString &key, const QString &sceneId)
{
    return QStringLiteral("%1%2 >= %3 || ':' AND %1%2 < %3 || ';'").arg(key, connection.bytewise(), sceneId);
}

bool DBA_SceneUse::checkIdle(DBA_Context &ctx, qint64 sceneId, const QString &what)
{
    return checkNone(ctx, QStringLiteral("s.id = ?"), sceneId, what);
}

bool DBA_SceneUse::checkJobIdle(DBA_Context &ctx, qint64 jobId, const QString &what)
{
    return checkNone(ctx, QStringLiteral("s.job_id = ?"), jobId, what);
}
