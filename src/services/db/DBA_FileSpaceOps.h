#pragma once

#include <QStringList>

class DBA_Context;

// The file space below the database root: file systems (scene roots) and
// the standard folders of environments, jobs and scenes.
class DBA_FileSpaceOps
{
public:
    explicit DBA_FileSpaceOps(DBA_Context &context) : m_ctx(context) {}

    // Registered file systems, as stored ("/QVX_DB/..." or absolute).
    QStringList sceneDirPatternList();
    // Registers a folder (made when missing) as a file system; code 10 when known.
    bool dba_AddFileSystem(const QString &path);
    // "<file system>/<job>/scene-<scene>".
    static QString buildStandardScenePath(const QString &fileSystem, const QString &job, const QString &scene);
    static void buildStandardScenePath(QString &path, const QString &fileSystem, const QString &job, const QString &scene);
    // True when the folder exists or was made.
    bool dbaMkdir(const QString &path);
    // The folders a new scene gets.
    static QStringList standardSceneFolders();
    bool dba_ValidFilename(const QString &name);

private:
    DBA_Context &m_ctx;
};
