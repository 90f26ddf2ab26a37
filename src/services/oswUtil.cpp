#include "oswUtil.h"

#include "BAPP_SharedFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QHostInfo>
#include <QRegularExpression>
#include <QStorageInfo>

#include <pwd.h>
#include <unistd.h>

namespace oswUtil {

QString QVXDir(bool withSlash)
{
    QString dir = qEnvironmentVariable("TALLYARD_DATA_DIR");
    if (dir.isEmpty()) {
        const QString installed = BAPP_SharedFolders::programs() + QStringLiteral("/../share/tallyard");
        dir = QFileInfo::exists(installed) ? QDir::cleanPath(installed) : QStringLiteral(TALLYARD_SOURCE_DATA_DIR);
    }
    return withSlash ? dir + QLatin1Char('/') : dir;
}

QString QVXEtc()
{
    const QString dir = qEnvironmentVariable("TALLYARD_ETC_DIR");
    return dir.isEmpty() ? QVXDir() + QStringLiteral("/etc") : dir;
}

bool AdminOrRoot()
{
    return geteuid() == 0;
}

bool getDiskInfo(const QString &path, QString &text, float requiredMB)
{
    QFileInfo probe(path);
    while (!probe.exists() && !probe.isRoot() && probe.absolutePath() != probe.absoluteFilePath())
        probe = QFileInfo(probe.absolutePath());
    const QStorageInfo storage(probe.absoluteFilePath());
    if (!probe.exists() || !storage.isValid()) {
        text = QStringLiteral(" (?)");
        return false;
    }
    const qint64 freeMB = storage.bytesAvailable() / (1024 * 1024);
    const qint64 totalMB = storage.bytesTotal() / (1024 * 1024);
    text = QStringLiteral(" (%1 MByte(s) free of %2 MByte(s))").arg(freeMB).arg(totalMB);
    return double(freeMB) >= double(requiredMB);
}

int freeMegabytesOf(const QString &diskInfoText)
{
    static const QRegularExpression leadingNumber(QStringLiteral("^ \\((\\d+)"));
    const QRegularExpressionMatch match = leadingNumber.match(diskInfoText);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QString getShortMachineName()
{
    return QHostInfo::localHostName().section(QLatin1Char('.'), 0, 0);
}

QString getUserName()
{
    if (const passwd *entry = getpwuid(geteuid()))
        return QString::fromLocal8Bit(entry->pw_name);
    return qEnvironmentVariable("USER");
}

} // namespace oswUtil
