#pragma once

#include <QByteArray>
#include <QString>

class QFile;

// Writing inside an export package while it is made. The package's contents
// file is its commit point: it names a scene only once all of that scene is
// written, and the file system is flushed once before each such line. So
// the files the contents file will name need neither a temporary name nor a
// sync of their own. No write here goes through a symbolic link: whatever
// stands at a name is removed, never written into.
namespace TUIEPackageFile {

// Opens file (its name set) as a new, empty file for writing.
bool openNew(QFile &file, QString &error);
bool writeNew(const QString &path, const QByteArray &bytes, QString &error);
// Replaces path whole (a new file renamed over it), without a sync: for a
// file that lists what earlier scenes committed.
bool replace(const QString &path, const QByteArray &bytes, QString &error);
// Everything written so far on the file system holding path reaches the disk.
bool syncFileSystem(const QString &path, QString &error);

} // namespace TUIEPackageFile
