#include "TUExportScene.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TUIECopier.h"
#include "TUIEDatabase.h"
#include "TUIEName.h"
#include "TUIEScene.h"
#include "UT_ExportUtil.h"
#include "UT_FaultPoint.h"
#include "oswRemapPath.h"
#include "whoami.h"

#include <QDir>
#include <QRegularExpression>

namespace {

// The version number a scene file stands for, -1 for other files.
int versionOf(const QString &fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^v(\\d+)"));
    if (!fileName.endsWith(WHO_Identity::sceneFileExtension()))
        return -1;
    const QRegularExpressionMatch match = pattern.match(fileName);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

} // namespace

TUExportScene::TUExportScene(TUDbAccess &access, TUIECopier &copier, const QSet<QString> &data, bool offline,
                             const QStringList &elementFolders)
    : m_access(access)
    , m_scene(access.sceneData())
    , m_copier(copier)
    , m_data(data)
    , m_offline(offline)
    , m_elementFolders(elementFolders)
{
}

QString TUExportScene::local(const QString &stored) const
{
    return oswRemapPath::RemapPath2(stored);
}

bool TUExportScene::failed(const QString &text)
{
    MSG_Scope("TUExport", MSG_Text(text));
    m_ok = false;
    return false;
}

bool TUExportScene::copyInto(const QString &storedSource, const QString &name)
{
    if (!m_copier.copyFolder(local(storedSource), m_folder + QLatin1Char('/') + name))
        m_ok = false;
    return !m_copier.cancelled();
}

bool TUExportScene::exportTo(const QString &packageFolder, const QString &exportFolder)
{
    Q_UNUSED(packageFolder)
    m_folder = exportFolder;
    QString error;
    if (!m_copier.makeFolder(m_folder, error) || !m_copier.makeFolder(m_folder + QStringLiteral("/frames"), error))
        return failed(error);
    const QString sceneDir = local(m_scene.sceneDir());
    const bool go = (!has("audio") || copyInto(m_scene.audioDir(), QStringLiteral("audio")))
        && (!has("final") || copyInto(m_scene.framesDir(), QStringLiteral("frames")))
        && (!has("annotation") || exportAnnotation())
        && (!has("scene_group") || copyInto(m_scene.groupsDir(), QStringLiteral("groups")))
        && (!has("scene_library") || copyInto(m_scene.libraryDir(), QStringLiteral("library")))
        && exportDrawingFolders() && midway()
        && (!has("stage") || exportStage())
        && (!has("other") || exportOther())
        && (!has("scene_palette") || copyInto(m_scene.paletteDir(), QStringLiteral("palette-library")))
        && (!(has("palette") || has("scene_palette")) || exportPaletteLists(sceneDir, m_folder, true))
        && (!has("backup_palette") || copyInto(m_scene.sceneDir() + QStringLiteral("/BKExternal-palette"),
                                                QStringLiteral("BKExternal-palette")))
        && (!has("database") || m_offline || exportDatabase());
    return go && m_ok && !m_copier.cancelled();
}

// Tests stop an export here, half-way through one scene.
bool TUExportScene::midway()
{
    [[maybe_unused]] const QByteArray point = "export-scene-midway-" + m_scene.sceneName().toUtf8();
    UT_FAULT_POINT(point.constData());
    return true;
}

bool TUExportScene::exportAnnotation()
{
    const QString source = local(m_scene.annotationDir());
    const QFileInfoList entries = QDir(source).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                             QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (m_copier.cancelled())
            return false;
        const QString name = m_offline ? QStringLiteral("%1.%2").arg(m_scene.sceneName(), entry.fileName()) : entry.fileName();
        const QString target = m_folder + QStringLiteral("/annotation/") + name;
        const bool ok = entry.isDir() && !entry.isSymLink() ? m_copier.copyFolder(entry.filePath(), target)
                                                            : m_copier.copyEntry(entry, target);
        m_ok = ok && m_ok;
    }
    return !m_copier.cancelled();
}

bool TUExportScene::exportDrawingFolders()
{
    const bool palettes = has("palette") || has("scene_palette");
    if (has("element") || palettes || has("backup_palette")) {
        for (const QString &root : m_elementFolders) {
            if (!exportDrawingFolder(local(m_scene.sceneDir() + QLatin1Char('/') + root), m_folder + QLatin1Char('/') + root,
                                     has("element")))
                return false;
        }
    }
    if (has("timing") || palettes)
        return exportDrawingFolder(local(m_scene.timingDir()), m_folder + QStringLiteral("/timings"), has("timing"));
    return true;
}

// Walks one element root (or the timing folder): folders always, files only
// when they are exported, palette lists through the rewriter.
bool TUExportScene::exportDrawingFolder(const QString &source, const QString &target, bool files)
{
    QString error;
    if (!m_copier.makeFolder(target, error))
        return failed(error);
    const QFileInfoList entries = QDir(source).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                             QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (m_copier.cancelled())
            return false;
        if (UT_ExportUtil::isPaletteList(entry.fileName()))
            continue;
        const QString to = target + QLatin1Char('/') + entry.fileName();
        if (entry.isDir() && !entry.isSymLink()) {
            if (!exportDrawingFolder(entry.filePath(), to, files))
                return false;
        } else if (files) {
            m_ok = m_copier.copyEntry(entry, to) && m_ok;
        }
    }
    if (has("palette") || has("scene_palette"))
        exportPaletteLists(source, target, false);
    return !m_copier.cancelled();
}

bool TUExportScene::checkSceneFiles(QList<int> &versions)
{
    QVector<qint64> ids;
    if (!m_access.getVersionIdList(m_access.sceneRecord(), ids))
        return failed(tr("Fail to read the scene version record from the database."));
    for (const QVX_scene_version &version : m_access.QVX_scene_versions_of_DBA_scene(m_access.sceneRecord()))
        versions << version.number;
    const QString stage = local(m_scene.stageDir());
    if (!versions.isEmpty() && !QFileInfo(stage).isDir())
        return failed(tr("Stage folder is missing."));
    if (versions.isEmpty() && m_offline)
        return failed(tr("No .stage file found in the exported scene."));
    QList<int> found;
    for (const QString &name : QDir(stage).entryList(QDir::Files))
        found << versionOf(name);
    for (int version : versions) {
        if (!found.contains(version))
            return failed(tr("Scene files don't match the database record, some scene files might be missing."));
    }
    return true;
}

bool TUExportScene::exportStage()
{
    QList<int> versions;
    checkSceneFiles(versions);
    const QString stage = local(m_scene.stageDir());
    if (!m_offline) {
        const QString target = m_folder + QStringLiteral("/stage");
        if (!m_copier.copyFolder(stage, target, {}, TUIECopier::AlwaysCopy))
            m_ok = false;
        if (m_copier.writing()) {
            for (const QString &name : QDir(target).entryList(QDir::Files)) {
                if (versions.contains(versionOf(name)))
                    rewriteSceneFile(target + QLatin1Char('/') + name);
            }
        }
        return !m_copier.cancelled();
    }
    static const QRegularExpression auxOfVersion(QStringLiteral("^(v\\d+|project.*)\\.aux$"));
    QStringList patterns = WHO_Identity::sceneSaveAsFilePatterns();
    patterns << QStringLiteral("*.aux") << QStringLiteral("*.versionTable") << QStringLiteral("*.elementTable");
    for (const QFileInfo &entry : QDir(stage).entryInfoList(patterns, QDir::Files, QDir::Name)) {
        if (m_copier.cancelled())
            return false;
        const QString name = entry.fileName();
        const bool sceneFile = versions.contains(versionOf(name));
        QString targetName = name;
        if (sceneFile)
            targetName = QStringLiteral("%1.%2%3").arg(m_scene.sceneName(), entry.completeBaseName(), WHO_Identity::sceneFileExtension());
        else if (auxOfVersion.match(name).hasMatch())
            targetName = QStringLiteral("%1.%2%3").arg(m_scene.sceneName(), entry.completeBaseName(),
                                                       UT_ExportUtil::AuxExtWithDot);
        const QString target = m_folder + QLatin1Char('/') + targetName;
        m_ok = m_copier.copyEntry(entry, target, TUIECopier::AlwaysCopy) && m_ok;
        if (sceneFile && m_copier.writing())
            rewriteSceneFile(target);
    }
    return !m_copier.cancelled();
}

bool TUExportScene::exportOther()
{
    static const QRegularExpression leftOutFile(QStringLiteral("^(PALETTE_LIST|PALETTE|PALETTES)$|\\.(aux|versionTable|elementTable)$"));
    const QStringList skipped = UT_ExportUtil::SceneDataFolders + m_elementFolders;
    const QString sceneDir = local(m_scene.sceneDir());
    const QFileInfoList entries = QDir(sceneDir).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                                               QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (m_copier.cancelled())
            return false;
        const bool folder = entry.isDir() && !entry.isSymLink();
        if (folder ? skipped.contains(entry.fileName()) : leftOutFile.match(entry.fileName()).hasMatch())
            continue;
        const QString target = m_folder + QLatin1Char('/') + entry.fileName();
        m_ok = (folder ? m_copier.copyFolder(entry.filePath(), target) : m_copier.copyEntry(entry, target)) && m_ok;
    }
    return true;
}

bool TUExportScene::exportDatabase()
{
    const QString target = m_folder + QStringLiteral("/database");
    if (!TUIEDatabase::exportTables(m_access, m_copier, local(m_scene.databaseDir()), target))
        m_ok = false;
    return !m_copier.cancelled();
}

bool TUExportScene::exportPaletteLists(const QString &source, const QString &target, bool sceneLevel)
{
    for (const char *name : {"PALETTES", "PALETTE_LIST"}) {
        m_copier.setCounter(m_copier.counter() + 1);
        const QString from = source + QLatin1Char('/') + QLatin1String(name);
        if (!m_copier.writing() || !QFileInfo(from).isFile())
            continue;
        QString error;
        if (!m_copier.makeFolder(target, error))
            return failed(error);
        if (!rewrite(from, target + QLatin1Char('/') + QLatin1String(name), paletteReplacements(sceneLevel)))
            return false;
    }
    return true;
}

TUIEReplacements TUExportScene::sceneFileReplacements() const
{
    if (!m_offline)
        return {{m_scene.sceneDir(), QStringLiteral("__ENV_JOB_SCENE_EXPORT__")},
                {m_scene.jobDir(), QStringLiteral("__ENV_JOB_EXPORT__")},
                {m_scene.envDir(), QStringLiteral("__ENV_EXPORT__")}};
    const QString offline = UT_ExportUtil::OfflineName;
    TUIEReplacements replacements{{m_scene.sceneDir() + QLatin1Char('/'), QString()}};
    const struct { const char *word; QString from; QString to; } levels[] = {
        {"job_palette", m_scene.jobPaletteDir(), QStringLiteral("jobs/%1/palette-library").arg(offline)},
        {"job_group", m_scene.jobGroupDir(), QStringLiteral("jobs/%1/groups").arg(offline)},
        {"job_library", m_scene.jobLibraryDir(), QStringLiteral("jobs/%1/library").arg(offline)},
        {"env_palette", m_scene.envPaletteDir(), QStringLiteral("environments/%1/palette-library").arg(offline)},
        {"env_group", m_scene.envGroupDir(), QStringLiteral("environments/%1/groups").arg(offline)},
        {"env_library", m_scene.envLibraryDir(), QStringLiteral("environments/%1/library").arg(offline)},
    };
    for (const auto &level : levels) {
        if (has(level.word))
            replacements.append({level.from, level.to});
    }
    return replacements;
}

TUIEReplacements TUExportScene::paletteReplacements(bool sceneLevel) const
{
    if (!m_offline)
        return sceneFileReplacements();
    const QString offline = UT_ExportUtil::OfflineName;
    const QString up = sceneLevel ? QStringLiteral("./") : QStringLiteral("../../");
    const QString prefix = sceneLevel ? QString() : QStringLiteral("../../");
    TUIEReplacements replacements{{m_scene.sceneDir() + QLatin1Char('/'), up}};
    if (has("job_palette"))
        replacements.append({m_scene.jobDir() + QLatin1Char('/'), QStringLiteral("%1jobs/%2/").arg(prefix, offline)});
    if (has("env_palette"))
        replacements.append({m_scene.envDir() + QLatin1Char('/'), QStringLiteral("%1environments/%2/").arg(prefix, offline)});
    return replacements;
}

bool TUExportScene::rewrite(const QString &from, const QString &to, const TUIEReplacements &replacements)
{
    // TUIEFile reports its own failures.
    if (!TUIEFile::rewriteTextFile(from, to, replacements, TUIEFile::Staged))
        m_ok = false;
    return m_ok;
}

void TUExportScene::rewriteSceneFile(const QString &file)
{
    TUIEScene scene;
    if (!TUIEFile::readSceneFile(file, scene)) {
        m_ok = false;
        return;
    }
    if (has("outside_drawings"))
        fetchOutsideDrawings(scene);
    if (!TUIEFile::rewriteSceneFile(file, scene, sceneFileReplacements(), file, TUIEFile::Staged))
        m_ok = false;
}

bool TUExportScene::insideScene(const QString &storedFolder) const
{
    QStringList roots{m_scene.timingDir()};
    for (const QString &root : m_elementFolders)
        roots << m_scene.sceneDir() + QLatin1Char('/') + root;
    const QString folder = QDir::cleanPath(storedFolder);
    for (const QString &root : roots) {
        if (folder == root || folder.startsWith(root + QLatin1Char('/')))
            return true;
    }
    return false;
}

// Drawings a column reads from outside the scene's element and timing
// folders are copied into timings/<column>, and the column is pointed there.
void TUExportScene::fetchOutsideDrawings(TUIEScene &scene)
{
    for (int i = 0; i < scene.modules().size(); ++i) {
        const TUIEModule module = scene.modules().at(i);
        if (module.name.isEmpty() || insideScene(module.name) || !TUIEName::isPlainName(module.timingColumn))
            continue;
        const TUIESeqTV *column = nullptr;
        for (const TUIESeqTV &candidate : scene.columns()) {
            if (candidate.name() == module.timingColumn)
                column = &candidate;
        }
        if (!column)
            continue;
        const QString target = m_folder + QStringLiteral("/timings/") + column->name();
        QString error;
        if (!m_copier.makeFolder(target, error)) {
            failed(error);
            continue;
        }
        for (const QString &drawing : column->drawings()) {
            const QString name = module.extension.isEmpty()
                ? QStringLiteral("%1.%2").arg(column->name(), drawing)
                : QStringLiteral("%1-%2.%3").arg(column->name(), drawing, module.extension);
            if (!TUIEName::isPlainName(name) || QFileInfo::exists(target + QLatin1Char('/') + name))
                continue;
            m_ok = m_copier.copyEntry(local(module.name) + QLatin1Char('/') + name, target + QLatin1Char('/') + name,
                                      TUIECopier::AlwaysCopy)
                && m_ok;
        }
        if (has("scene_palette"))
            m_copier.copyFolder(local(module.name) + QStringLiteral("/palette-library"), target + QStringLiteral("/palette-library"));
        scene.setModuleNewName(i, m_scene.timingDir() + QLatin1Char('/') + column->name());
    }
}
