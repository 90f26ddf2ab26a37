#pragma once

#include <QString>

// A path built piece by piece: a folder, more folders, and at most one file
// name at the end. Separators are normalised to "/"; "." and ".." pieces
// are refused so that names coming from data never climb out of a folder.
class UT_Path
{
public:
    // isFolder says whether path names a folder (true) or a file (false).
    explicit UT_Path(const QString &path = QString(), bool isFolder = true);

    // Both return false, and change nothing, for an empty name, a name
    // holding a separator, or "." / "..".
    bool AddFolder(const QString &name);
    bool AddName(const QString &name);

    // Creates the folder part (the whole path when it names a folder).
    bool CreateFolder() const;
    bool Exists() const;
    // The path; with withSlash, a folder path ends with "/".
    QString GetPath(bool withSlash = false) const;
    // The file name, empty when the path names a folder.
    QString GetFileName() const;
    QString GetFolder() const;

private:
    static bool isPlainName(const QString &name);

    QString m_folder;
    QString m_fileName;
};
