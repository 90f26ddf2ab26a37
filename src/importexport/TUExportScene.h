#pragma once

#include "TUIEFile.h"

#include <QSet>
#include <QStringList>

class TUDbAccess;
class TUDbSceneData;
class TUIECopier;
class TUIEScene;

// Exports the data of the scene open in the access into its package
// folder, as the data options say: audio, frames, annotation, groups,
// library, element and timing folders with their palette lists, the scene
// files (checked against the version record and rewritten to carry export
// tokens instead of this database's paths), the other folders, the scene's
// palettes and its database tables.
class TUExportScene
{
    Q_DECLARE_TR_FUNCTIONS(TUExport)

public:
    TUExportScene(TUDbAccess &access, TUIECopier &copier, const QSet<QString> &data, bool offline,
                  const QStringList &elementFolders);

    // packageFolder is the package (regular) or the scene's folder
    // (offline); exportFolder receives the scene's data.
    bool exportTo(const QString &packageFolder, const QString &exportFolder);

private:
    bool has(const char *word) const { return m_data.contains(QLatin1String(word)); }
    QString local(const QString &stored) const;
    bool copyInto(const QString &storedSource, const QString &name);
    bool midway();
    bool exportAnnotation();
    bool exportDrawingFolders();
    bool exportDrawingFolder(const QString &source, const QString &target, bool files);
    bool exportStage();
    bool checkSceneFiles(QList<int> &versions);
    bool exportOther();
    bool exportDatabase();
    bool exportPaletteLists(const QString &source, const QString &target, bool sceneLevel);
    TUIEReplacements sceneFileReplacements() const;
    TUIEReplacements paletteReplacements(bool sceneLevel) const;
    void rewriteSceneFile(const QString &file);
    bool insideScene(const QString &storedFolder) const;
    void fetchOutsideDrawings(TUIEScene &scene);
    bool rewrite(const QString &from, const QString &to, const TUIEReplacements &replacements);
    bool failed(const QString &text);

    TUDbAccess &m_access;
    TUDbSceneData &m_scene;
    TUIECopier &m_copier;
    const QSet<QString> &m_data;
    bool m_offline;
    QStringList m_elementFolders;
    QString m_folder;
    bool m_ok = true;
};
