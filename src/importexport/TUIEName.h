#pragma once

#include <QString>

// Checks for names and paths that come from package data (scene files,
// interchange files): such data is never trusted to stay inside a folder.
class TUIEName
{
public:
    // One file or folder name: not empty, at most 255 bytes in UTF-8, not
    // "." or "..", no "/", "\\", NUL or other control characters.
    static bool isPlainName(const QString &name);
    // A relative path of plain names ("a/b/c.png"): no leading "/", no empty,
    // "." or ".." piece.
    static bool isPlainRelativePath(const QString &path);
    // True when path lies inside folder (or is it), comparing the paths as
    // written and, for the parts that exist, after resolving symbolic links,
    // so that neither ".." nor a link leads out.
    static bool isInside(const QString &folder, const QString &path);
};
