#pragma once

#include <QString>
#include <QStringList>

// Fixed strings that the exporter writes into a package and the importer
// reads back; both sides take them from here.
namespace UT_ExportUtil {
// Stands for a line feed inside one value of an interchange file
// (".dbexport"), which keeps one field per line.
inline const QString LineFeedTag = QStringLiteral("<_LF_>");

// The contents file of a regular package; the import dialog filters on its
// extension.
inline const QString ContentsFileName = QStringLiteral("contents.ksup");
// The contents file of each scene folder of an offline package.
inline const QString ContentsBrixFileName = QStringLiteral("offline.ksup");
inline const QString ContentsFileVersion = QStringLiteral("1");
inline const QString ContentsDataKeyword = QStringLiteral("Data");
inline const QString ContentsElementKeyword = QStringLiteral("Element");
inline const QString ContentsSceneKeyword = QStringLiteral("Scene");
inline const QString AuxExtWithDot = QStringLiteral(".aux");
// The environment and job name of every offline package.
inline const QString OfflineName = QStringLiteral("Velmora");

// The folders of a scene that have data options of their own; "other"
// leaves them (and the element folders) out.
inline const QStringList SceneDataFolders{
    QStringLiteral("audio"),   QStringLiteral("database"),        QStringLiteral("timings"),
    QStringLiteral("frames"),  QStringLiteral("groups"),          QStringLiteral("library"),
    QStringLiteral("palette-library"), QStringLiteral("stage"),   QStringLiteral("BKExternal-palette"),
    QStringLiteral("annotation"), QStringLiteral("environments"), QStringLiteral("jobs")};

// Palette lists travel rewritten, never as plain files.
inline bool isPaletteList(const QString &name)
{
    return name == QLatin1String("PALETTE_LIST") || name == QLatin1String("PALETTES");
}

// The data option words in the order the contents file lists them.
inline const QStringList DataWords{
    QStringLiteral("audio"),       QStringLiteral("database"),      QStringLiteral("element"),
    QStringLiteral("timing"),      QStringLiteral("annotation"),    QStringLiteral("final"),
    QStringLiteral("env_group"),   QStringLiteral("job_group"),     QStringLiteral("scene_group"),
    QStringLiteral("env_library"), QStringLiteral("job_library"),   QStringLiteral("scene_library"),
    QStringLiteral("stage"),       QStringLiteral("palette"),       QStringLiteral("env_palette"),
    QStringLiteral("job_palette"), QStringLiteral("scene_palette"), QStringLiteral("backup_palette"),
    QStringLiteral("other")};
} // namespace UT_ExportUtil
