#include "DBS_FileHelper.h"

#include "MSG_Scope.h"
#include "oswRemapPath.h"
#include "oswUtil.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

qint64 DBS_FileHelper::getDirectorySize(const QString &path) const
{
    const QFileInfo folder(path);
    if (!folder.isDir() || !folder.isReadable() || !folder.isExecutable()) {
        MSG_Scope("tallyard", QT_TRANSLATE_NOOP("tallyard", "ParseDirs Problem to get the directory size\n"),
                  MSG_Scope::Error);
        return -1;
    }
    qint64 total = 0;
    QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

float DBS_FileHelper::getSizeInMegabytes(const QString &path) const
{
    const qint64 bytes = getDirectorySize(oswRemapPath::RemapPath2(path));
    if (bytes < 0) {
        MSG_Scope("DBS_FileHelper",
                  QT_TRANSLATE_NOOP("DBS_FileHelper", "ntGetSceneSize Problem to get the directory size\n"),
                  MSG_Scope::Error);
        return 0;
    }
    return float(double(bytes) * 9.5367431640625e-7);
}

int DBS_FileHelper::getFreeSpace(const QString &path) const
{
    QString text;
    oswUtil::getDiskInfo(path, text, 0);
    return oswUtil::freeMegabytesOf(text);
}
