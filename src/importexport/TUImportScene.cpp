#include "TUImportScene.h"

#include "MSG_Scope.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TUIECopier.h"
#include "TUIEDatabase.h"
#include "TUIEName.h"
#include "UT_ExportUtil.h"
#include "oswRemapPath.h"
#include "tufile.h"
#include "whoami.h"

#include <QDir>
#include <QRegularExpression>

namespace {

const QDir::Filters kEverything = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

// "v3.pavx", or a standalone "<scene>.v3.pavx": the version number, else -1.
int versionOf(const QString &fileName)
{
    static const QRegularExpression pattern(QStringLiteral("(?:^|\\.)v(\\d+)\\.[^.]+$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

} // namespace

TUImportScene::TUImportScene(TUDbAccess &access, TUIECopier &copier, const QSet<QString> &data, bool standalone,
                             const QStringList &elementFolders)
    : m_access(access)
    , m_scene(access.sceneData())
    , m_copier(copier)
    , m_data(data)
    , m_standalone(standalone)
    , m_elementFolders(elementFolders)
{
}

QString TUImportScene::target(const QString &stored) const
{
    return oswRemapPath::RemapPath2(stored);
}

bool TUImportScene::failed(const QString &text)
{
    MSG_Scope("TUImport", MSG_Text(text));
    m_ok = false;
    return false;
}

bool TUImportScene::importFrom(const QString &source, const QStringList &versions)
{
    m_source = source;
    m_copier.setTargetBoundary(target(m_scene.sceneDir()));
    const bool palettes = has("palette") || has("scene_palette");
    if (has("audio"))
        copyFolder(QStringLiteral("audio"), m_scene.audioDir());
    if (has("final"))
        copyFolder(QStringLiteral("frames"), m_scene.framesDir());
    if (has("annotation"))
        importAnnotation();
    if (has("scene_group"))
        copyFolder(QStringLiteral("groups"), m_scene.groupsDir());
    if (has("scene_library"))
        copyFolder(QStringLiteral("library"), m_scene.libraryDir());
    if (has("element") || palettes) {
        for (const QString &root : m_elementFolders)
            importDrawingFolder(root, m_scene.sceneDir() + QLatin1Char('/') + root, has("element"));
    }
    if (has("timing") || palettes)
        importDrawingFolder(QStringLiteral("timings"), m_scene.timingDir(), has("timing"));
    if (has("stage")) {
        if (m_standalone) {
            importStandaloneStage();
        } else {
            checkStage(versions);
            importStage();
        }
    }
    if (has("other"))
        importOther();
    if (has("scene_palette"))
        copyFolder(QStringLiteral("palette-library"), m_scene.paletteDir());
    if (has("backup_palette"))
        copyFolder(QStringLiteral("BKExternal-palette"), m_scene.sceneDir() + QStringLiteral("/BKExternal-palette"));
    if (has("database") && m_copier.writing())
        importDatabase(versions);
    return m_ok && m_copier.failures() == 0;
}

bool TUImportScene::copyFolder(const QString &name, const QString &storedTarget)
{
    if (!m_copier.copyFolder(m_source + QLatin1Char('/') + name, target(storedTarget)))
        m_ok = false;
    return m_ok;
}

bool TUImportScene::importDrawingFolder(const QString &name, const QString &storedTarget, bool files)
{
    const QString from = m_source + QLatin1Char('/') + name;
    if (!QFileInfo(from).isDir())
        return true;
    const TUIECopier::Filter filter = [files](const QFileInfo &entry) {
        return !UT_ExportUtil::isPaletteList(entry.fileName()) && (files || (entry.isDir() && !entry.isSymLink()));
    };
    if (!m_copier.copyFolder(from, target(storedTarget), filter))
        m_ok = false;
    if (has("palette") || has("scene_palette"))
        importPaletteLists(from, target(storedTarget));
    return m_ok;
}

// Palette lists are written from the package's copy, never through what
// the target folder holds, so a link there cannot carry the write elsewhere.
void TUImportScene::importPaletteLists(const QString &from, const QString &to)
{
    const QFileInfoList entries = QDir(from).entryInfoList(kEverything, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (entry.isSymLink())
            continue;
        if (entry.isDir())
            importPaletteLists(entry.filePath(), to + QLatin1Char('/') + entry.fileName());
        else if (UT_ExportUtil::isPaletteList(entry.fileName()))
            rewriteInto(entry.filePath(), to + QLatin1Char('/') + entry.fileName(), paletteReplacements());
    }
}

bool TUImportScene::rewriteInto(const QString &from, const QString &to, const TUIEReplacements &replacements)
{
    m_copier.setCounter(m_copier.counter() + 1);
    if (!m_copier.writing())
        return true;
    QString error;
    if (!m_copier.makeFolder(QFileInfo(to).path(), error) || !tufile::rmIfExists(to, error))
        return failed(error);
    if (!TUIEFile::rewriteTextFile(from, to, replacements))
        m_ok = false;
    return m_ok;
}

bool TUImportScene::importAnnotation()
{
    const QString from = m_source + QStringLiteral("/annotation");
    if (!m_standalone)
        return copyFolder(QStringLiteral("annotation"), m_scene.annotationDir());
    // An offline package names its notes "<scene>.<note>".
    const QString prefix = m_scene.sceneName() + QLatin1Char('.');
    for (const QFileInfo &entry : QDir(from).entryInfoList(kEverything, QDir::Name)) {
        const QString name = entry.fileName().startsWith(prefix) ? entry.fileName().mid(prefix.size()) : entry.fileName();
        const QString to = target(m_scene.annotationDir()) + QLatin1Char('/') + name;
        m_ok = (entry.isDir() && !entry.isSymLink() ? m_copier.copyFolder(entry.filePath(), to) : m_copier.copyEntry(entry, to))
            && m_ok;
    }
    return m_ok;
}

bool TUImportScene::checkStage(const QStringList &versions)
{
    const QString stage = m_source + QStringLiteral("/stage");
    if (!QFileInfo(stage).isDir())
        return failed(tr("Stage folder is missing."));
    QList<int> found;
    for (const QString &name : QDir(stage).entryList(WHO_Identity::sceneFilePatterns(), QDir::Files))
        found << versionOf(name);
    for (const QString &version : versions) {
        if (!found.contains(version.toInt()))
            return failed(tr("scene files don't match the version record, some scene files might be missing."));
    }
    return true;
}

bool TUImportScene::importStage()
{
    const QString stage = m_source + QStringLiteral("/stage");
    const QString to = target(m_scene.stageDir());
    for (const QFileInfo &entry : QDir(stage).entryInfoList(kEverything, QDir::Name)) {
        if (m_copier.cancelled())
            return false;
        const QString dest = to + QLatin1Char('/') + entry.fileName();
        if (!entry.isSymLink() && entry.isFile() && WHO_Identity::isSceneFilename(entry.fileName()))
            rewriteInto(entry.filePath(), dest, sceneFileReplacements());
        else if (entry.isDir() && !entry.isSymLink())
            m_ok = m_copier.copyFolder(entry.filePath(), dest, {}, TUIECopier::AlwaysCopy) && m_ok;
        else
            m_ok = m_copier.copyEntry(entry, dest, TUIECopier::AlwaysCopy) && m_ok;
    }
    return m_ok;
}

// The scene files of a standalone scene take the database's names again:
// "<scene>.v3.pavx" becomes "v3.pavx", "<scene>.v3.aux" "v3.aux".
bool TUImportScene::importStandaloneStage()
{
    const QString to = target(m_scene.stageDir());
    QStringList patterns = WHO_Identity::sceneFilePatterns();
    patterns << QStringLiteral("*.velmora") << QStringLiteral("*.brix") << QStringLiteral("*.aux");
    for (const QFileInfo &entry : QDir(m_source).entryInfoList(patterns, QDir::Files, QDir::Name)) {
        const int version = versionOf(entry.fileName());
        if (version < 0 || entry.isSymLink())
            continue;
        if (entry.fileName().endsWith(UT_ExportUtil::AuxExtWithDot)) {
            m_ok = m_copier.copyEntry(entry, to + QStringLiteral("/v%1.aux").arg(version), TUIECopier::AlwaysCopy) && m_ok;
            continue;
        }
        rewriteInto(entry.filePath(), to + QStringLiteral("/v%1%2").arg(version).arg(WHO_Identity::sceneFileExtension()),
                    sceneFileReplacements());
    }
    return m_ok;
}

bool TUImportScene::importOther()
{
    static const QRegularExpression leftOutFile(
        QStringLiteral("^(PALETTE_LIST|PALETTE|PALETTES)$|\\.(aux|versionTable|elementTable|ksup|pavx|velmora|brix)$"));
    const QStringList skipped = UT_ExportUtil::SceneDataFolders + m_elementFolders;
    for (const QFileInfo &entry : QDir(m_source).entryInfoList(kEverything, QDir::Name)) {
        if (m_copier.cancelled())
            return false;
        const bool folder = entry.isDir() && !entry.isSymLink();
        if (folder ? skipped.contains(entry.fileName())
                   : leftOutFile.match(entry.fileName()).hasMatch() && !UT_ExportUtil::isPaletteList(entry.fileName()))
            continue;
        const QString to = target(m_scene.sceneDir()) + QLatin1Char('/') + entry.fileName();
        // The scene folder's own palette list names palettes by their database paths.
        if (!folder && !entry.isSymLink() && UT_ExportUtil::isPaletteList(entry.fileName()))
            rewriteInto(entry.filePath(), to, paletteReplacements());
        else
            m_ok = (folder ? m_copier.copyFolder(entry.filePath(), to) : m_copier.copyEntry(entry, to)) && m_ok;
    }
    return m_ok;
}

bool TUImportScene::importDatabase(const QStringList &versions)
{
    if (m_standalone) {
        if (!TUIEDatabase::importStandaloneTables(m_access, m_source, m_elementFolders, versions))
            m_ok = false;
        return m_ok;
    }
    const QString folder = m_source + QStringLiteral("/database");
    // The interchange files are read from the package, not left in the scene.
    const TUIECopier::Filter noInterchange = [](const QFileInfo &entry) {
        return !entry.fileName().endsWith(QLatin1String(".dbexport"));
    };
    if (!m_copier.copyFolder(folder, target(m_scene.databaseDir()), noInterchange, TUIECopier::HardOrCopyAlways))
        m_ok = false;
    if (!TUIEDatabase::importTables(m_access, versions, folder))
        m_ok = false;
    return m_ok;
}

TUIEReplacements TUImportScene::sceneFileReplacements() const
{
    if (!m_standalone)
        return {{QStringLiteral("__ENV_JOB_SCENE_EXPORT__"), m_scene.sceneDir()},
                {QStringLiteral("__ENV_JOB_EXPORT__"), m_scene.jobDir()},
                {QStringLiteral("__ENV_EXPORT__"), m_scene.envDir()}};
    const QString offline = UT_ExportUtil::OfflineName;
    return {{QStringLiteral("jobs/%1/palette-library").arg(offline), m_scene.jobPaletteDir()},
            {QStringLiteral("jobs/%1/groups").arg(offline), m_scene.jobGroupDir()},
            {QStringLiteral("jobs/%1/library").arg(offline), m_scene.jobLibraryDir()},
            {QStringLiteral("environments/%1/palette-library").arg(offline), m_scene.envPaletteDir()},
            {QStringLiteral("environments/%1/groups").arg(offline), m_scene.envGroupDir()},
            {QStringLiteral("environments/%1/library").arg(offline), m_scene.envLibraryDir()}};
}

TUIEReplacements TUImportScene::paletteReplacements() const
{
    if (!m_standalone)
        return sceneFileReplacements();
    return {{QStringLiteral("../../jobs/Brix"), m_scene.jobDir()},
            {QStringLiteral("../../environments/Brix"), m_scene.envDir()},
            {QStringLiteral("../../jobs/Velmora"), m_scene.jobDir()},
            {QStringLiteral("../../environments/Velmora"), m_scene.envDir()},
            {QStringLiteral("jobs/Velmora"), m_scene.jobDir()},
            {QStringLiteral("environments/Velmora"), m_scene.envDir()}};
}
