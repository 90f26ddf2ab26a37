#pragma once

#include <QString>

// Facts about this machine, this user and this installation.
namespace oswUtil {

// The installation's data folder (icons under icons/, forms,
// translations). TALLYARD_DATA_DIR overrides it; otherwise share/tallyard
// beside the program's folder, falling back to the source tree's data folder
// in a build tree. With withSlash the result ends with "/".
QString QVXDir(bool withSlash = false);
// The installation's configuration folder: TALLYARD_ETC_DIR, else QVXDir()/etc.
QString QVXEtc();
// True when the process runs as root (administrator on this platform).
bool AdminOrRoot();
// Fills text with " (<free> MByte(s) free of <total> MByte(s))" for the file
// system holding path (or its nearest existing parent) and returns whether at
// least requiredMB megabytes are free. Returns false with text " (?)" when
// the path leads to no file system.
bool getDiskInfo(const QString &path, QString &text, float requiredMB);
// Parses the free megabytes back out of a getDiskInfo text; -1 when there is none.
int freeMegabytesOf(const QString &diskInfoText);
// The host name without its domain.
QString getShortMachineName();
// The operating-system login name.
QString getUserName();

} // namespace oswUtil
