#include "BAPP_SharedFolders.h"

#include "oswUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

static QString ensured(const QString &path)
{
    QDir().mkpath(path);
    return path;
}

QString BAPP_SharedFolders::programs()
{
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).path();
}

static QString &translationsOverride()
{
    static QString folder;
    return folder;
}

QString BAPP_SharedFolders::translations()
{
    if (!translationsOverride().isEmpty())
        return translationsOverride();
    return oswUtil::QVXDir() + QStringLiteral("/translations");
}

void BAPP_SharedFolders::setTranslations(const QString &folder)
{
    translationsOverride() = folder;
}

QString BAPP_SharedFolders::documentation()
{
    // Installed beside the data; a program run from its build tree reads the build's.
    const QString installed = oswUtil::QVXDir() + QStringLiteral("/doc");
    return QFileInfo(installed).isDir() ? installed : QStringLiteral(TALLYARD_BUILD_DOC_DIR);
}

QString BAPP_SharedFolders::logs()
{
    const QString override = qEnvironmentVariable("TALLYARD_LOG_DIR");
    if (!override.isEmpty())
        return ensured(override);
    return ensured(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                   + QStringLiteral("/tallyard/logs"));
}

QString BAPP_SharedFolders::sharedSettings()
{
    return oswUtil::QVXEtc();
}

QString BAPP_SharedFolders::userConfig()
{
    return ensured(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                   + QStringLiteral("/tallyard"));
}
