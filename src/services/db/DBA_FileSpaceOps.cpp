#include "DBA_FileSpaceOps.h"

#include "DBA_Context.h"
#include "TUSceneNameValidator.h"
#include "oswRemapPath.h"
#include "tufile.h"

#include <QDir>
#include <QFileInfo>

QStringList DBA_FileSpaceOps::sceneDirPatternList()
{
    QStringList paths;
    DBA_Query query;
    if (!m_ctx.run(query, QStringLiteral("SELECT path FROM file_systems ORDER BY path"), {},
                   dbaTr("Cannot list the file systems")))
        return paths;
    while (query.next())
        paths << query.value(0).toString();
    return paths;
}

bool DBA_FileSpaceOps::dba_AddFileSystem(const QString &path)
{
    const QString stored = oswRemapPath::UnmapPath(path);
    QString error;
    if (!tufile::checkCreatePath(oswRemapPath::RemapPath2(stored), error))
        return m_ctx.fail(DBA_Context::Failed, error);
    return m_ctx.run(QStringLiteral("INSERT INTO file_systems (path) VALUES (?)"), {stored},
                     dbaTr("Cannot register the file system %1").arg(stored));
}

QString DBA_FileSpaceOps::buildStandardScenePath(const QString &fileSystem, const QString &job, const QString &scene)
{
    QString root = fileSystem;
    while (root.endsWith(QLatin1Char('/')) && root.size() > 1)
        root.chop(1);
    return root + QLatin1Char('/') + job + QStringLiteral("/scene-") + scene;
}

void DBA_FileSpaceOps::buildStandardScenePath(QString &path, const QString &fileSystem, const QString &job,
                                              const QString &scene)
{
    path = buildStandardScenePath(fileSystem, job, scene);
}

bool DBA_FileSpaceOps::dbaMkdir(const QString &path)
{
    QString error;
    if (tufile::checkCreatePath(oswRemapPath::RemapPath2(path), error))
        return true;
    return m_ctx.fail(DBA_Context::Failed, error);
}

QStringList DBA_FileSpaceOps::standardSceneFolders()
{
    return {QStringLiteral("stage"), QStringLiteral("elements"), QStringLiteral("timings"), QStringLiteral("audio"),
            QStringLiteral("frames"), QStringLiteral("annotation"), QStringLiteral("database"),
            QStringLiteral("palette-library"), QStringLiteral("BKExternal-palette"), QStringLiteral("groups"),
            QStringLiteral("library")};
}

bool DBA_FileSpaceOps::dba_ValidFilename(const QString &name)
{
    return m_ctx.checkName(name, dbaTr("scene"));
}
