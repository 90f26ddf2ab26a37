#pragma once

#include "TUIEFile.h"

#include <QSet>
#include <QStringList>

class TUDbAccess;
class TUDbSceneData;
class TUIECopier;

// Copies one scene's data from its package folder into the scene open in
// the access, as the data options say, rewriting scene files and palette
// lists from the export tokens (or, for a standalone scene, the offline
// folder names) to the target's folders. Everything written lies inside the
// scene's folder.
class TUImportScene
{
    Q_DECLARE_TR_FUNCTIONS(TUImport)

public:
    TUImportScene(TUDbAccess &access, TUIECopier &copier, const QSet<QString> &data, bool standalone,
                  const QStringList &elementFolders);

    // source is the package's scene folder (or the standalone scene's
    // folder); versions are the version numbers being imported.
    bool importFrom(const QString &source, const QStringList &versions);

private:
    bool has(const char *word) const { return m_data.contains(QLatin1String(word)); }
    QString target(const QString &stored) const;
    bool copyFolder(const QString &name, const QString &storedTarget);
    bool importDrawingFolder(const QString &name, const QString &storedTarget, bool files);
    void importPaletteLists(const QString &from, const QString &to);
    bool importAnnotation();
    bool checkStage(const QStringList &versions);
    bool importStage();
    bool importStandaloneStage();
    bool importOther();
    bool importDatabase(const QStringList &versions);
    bool rewriteInto(const QString &from, const QString &to, const TUIEReplacements &replacements);
    TUIEReplacements sceneFileReplacements() const;
    TUIEReplacements paletteReplacements() const;
    bool failed(const QString &text);

    TUDbAccess &m_access;
    TUDbSceneData &m_scene;
    TUIECopier &m_copier;
    const QSet<QString> &m_data;
    bool m_standalone;
    QStringList m_elementFolders;
    QString m_source;
    bool m_ok = true;
};
