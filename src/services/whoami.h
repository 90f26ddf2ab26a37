#pragma once

#include <QString>
#include <QStringList>

// Who this program is: its binary name and version banner.
class whoami
{
public:
    static void setBinName(const QString &argv0);
    // The binary's name without folder, e.g. "tallyard".
    static QString progName();
    // Writes the version banner to standard output.
    static void printVersionInfo();
};

// The product's name and version, as shown in logs and the about box.
class WHO_AppInfo
{
public:
    explicit WHO_AppInfo(const QString &name, const char * = nullptr, const char * = nullptr);
    QString name() const { return m_name; }
    // "0.1.0", or with full, "0.1.0 (built <date>)".
    static QString version(bool full = false);

private:
    QString m_name;
};

class WHO_StringTable
{
public:
    // The product's full name, as window titles show it.
    static QString trFullApplicationName();
    // The multi-line version banner; lines are separated by "\n" and blocks by "\n\n".
    static QString trVersionInfo();
    // The banner on one line: "\n\n" removed, other line breaks as ", ".
    static QString versionInfoLine();
};

class WHO_Features
{
public:
    static void setHasDatabase(bool has);
    static bool hasDatabase();
};

// The scene file format's names.
class WHO_Identity
{
public:
    static QString sceneFileExtension(); // ".pavx"
    static QStringList sceneFilePatterns(); // {"*.pavx"}
    static QStringList sceneSaveAsFilePatterns();
    static bool isSceneFilename(const QString &fileName);
    static void GetAllSupportedFileType(QStringList &patterns);
};
