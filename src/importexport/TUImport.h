#pragma once

#include "TUIECopier.h"
#include "TUPackageContents.h"

#include <QObject>
#include <QSet>
#include <QStringList>
#include <QVector>

class TUDbAccess;
class TUDbSelect;
class TUIEProgress;
class TUImportQuestions;
class TUImportRemap;

// Brings the scenes of an export package, or one standalone scene file
// (".pavx", or the older ".velmora"/".brix" line format), into a target
// environment and job: creates or opens each scene, copies the package's
// data into the scene's, job's and environment's folders, rewrites scene
// files and palette lists to the target's paths, loads the database tables
// and lets a remapper fix the rest. A package is never trusted: names are
// validated, nothing is written outside those folders, and a package link
// that leaves the package is never followed.
class TUImport : public QObject
{
    Q_OBJECT

public:
    struct SceneEntry
    {
        QString environment;
        QString job;
        QString scene;
        QString packagePath;   // the package folder, or the standalone scene file
        QStringList versions;  // "<number> <name>" each, from the package
        int frames = 0;
        int requestedVersion = -1;
    };

    TUImport(TUDbAccess *access, TUDbSelect *select, QObject *parent = nullptr);

    void setDataOption(const QString &word, bool on);
    void clearDataOptions() { m_data.clear(); }
    bool dataOption(const QString &word) const { return m_data.contains(word); }
    void setLinkMode(TUIECopier::LinkMode mode);
    void setKeepValidLinks(bool on);
    void setResolveValidLinks(bool on);
    void setKeepBrokenLinks(bool on);
    void setBatch(bool on) { m_batch = on; }
    void setVersions(const QStringList &versions) { m_versions = versions; }
    void setRemapper(TUImportRemap *remapper) { m_remapper = remapper; }
    // Who is asked about existing and locked scenes outside batch runs; not
    // owned. Without one, a locked scene is skipped and an existing one imported.
    void setQuestions(TUImportQuestions *questions) { m_questions = questions; }
    void setWrite(bool on) { m_copier.setWrite(on); }
    void cancel() { m_copier.cancel(); }
    int fileCounter() const { return m_copier.counter(); }
    bool standalone() const { return m_standalone; }
    int errorCount() const { return m_errors; }

    void setDestination(const QString &environment, const QString &job, const QString &fileSystem);
    // Where new scenes go instead of the standard path of the file system:
    // a folder pattern in which "{sceneName}" stands for each scene's name.
    // With a pattern the file system may be empty.
    void setScenePath(const QString &pattern) { m_scenePath = pattern; }
    // Names the scenes to import from the package at path (read later),
    // restricted to importJob's when it is given.
    void setScenes(const QString &path, const QString &environment, const QString &importJob, const QStringList &scenes);
    // Reads the package (a folder, its contents file, or a scene file).
    bool openPackage(const QString &path, bool scenesGiven);
    const QVector<SceneEntry> &scenes() const { return m_scenes; }

    // Imports the given scenes or those of the package; returns how many.
    int import(QVector<SceneEntry> *scenes = nullptr, TUIEProgress *progress = nullptr);
    // The whole package, batch behaviour; true when nothing failed.
    bool batchImport(TUIEProgress *progress = nullptr);

    static bool isStandalonePath(const QString &path);

private:
    bool readContents(const QString &file, bool scenesGiven);
    bool readStandalone(const QString &file);
    bool checkDestination();
    bool importScene(SceneEntry &entry);
    bool openTargetScene(SceneEntry &entry, QString &name);
    bool sceneIsFree(const QString &name);
    void skipLocked(bool checkedOut, const QString &text);
    bool acceptExisting(const QString &name, const QStringList &versions);
    bool importLevel(const QString &kind, const QString &name, const QString &packageFolder, QStringList &done);
    void recordVersions(const SceneEntry &entry, const QStringList &versions);
    QStringList versionsOf(const SceneEntry &entry) const;
    void failed(const QString &text);

    TUDbAccess *m_access;
    TUDbSelect *m_select;
    TUIECopier m_copier;
    TUImportRemap *m_remapper = nullptr;
    TUImportQuestions *m_questions = nullptr;
    QSet<QString> m_data;
    QString m_environment;
    QString m_job;
    QString m_fileSystem;
    QString m_scenePath;
    QString m_path;
    QString m_importJob;
    QStringList m_elementFolders;
    QStringList m_versions;
    QVector<SceneEntry> m_scenes;
    QStringList m_environmentsDone;
    QStringList m_jobsDone;
    TUIEProgress *m_progress = nullptr;
    bool m_batch = false;
    bool m_standalone = false;
    bool m_error = false;
    bool m_stopped = false;
    bool m_skipAllLocked = false;
    bool m_importAll = false;
    int m_errors = 0;
};
