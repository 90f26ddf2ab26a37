#pragma once

#include <QString>

// File operations that report failure as a return value plus an error text.
// On failure nothing is left half-written where it can be helped: a copy
// goes to a temporary name first and is renamed into place.
namespace tufile {

// Creates path and its missing parents. With mustBeNew, an existing folder
// is a failure.
bool checkCreatePath(const QString &path, QString &error, bool mustBeNew = false);
// Copies a file or a whole folder tree (symbolic links stay links, file
// permissions are kept). With overwrite, an existing target file is replaced
// and an existing target folder is merged into; without it either is a failure.
bool cp(const QString &source, const QString &target, QString &error, bool overwrite = false);
// Copies one regular file; an existing target is a failure.
bool Copy(const QString &source, const QString &target, QString &error);
// Copies one regular file straight to target, which must not exist: no
// temporary name, so a copy cut short leaves a partial file. Only for
// callers that remove everything they wrote when a run fails.
bool copyInPlace(const QString &source, const QString &target, QString &error);
// Makes target a symbolic link pointing at source.
bool lns(const QString &source, const QString &target, QString &error);
// Makes target a hard link to source. When the two lie on different file
// systems and copyAcrossDevices is set, the file is copied instead.
bool lnh(const QString &source, const QString &target, QString &error, bool copyAcrossDevices = false);
// Removes a file, a link (not its target) or a folder tree; a missing path
// is success.
bool rmIfExists(const QString &path, QString &error);
bool rmIfExists(const QString &path);

} // namespace tufile
