#include "whoami.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace {
QString &binName()
{
    static QString name = QStringLiteral("tallyard");
    return name;
}
bool s_hasDatabase = false;
} // namespace

void whoami::setBinName(const QString &argv0)
{
    const QString name = QFileInfo(argv0).fileName();
    if (!name.isEmpty())
        binName() = name;
}

QString whoami::progName()
{
    return binName();
}

void whoami::printVersionInfo()
{
    const QByteArray banner = WHO_StringTable::trVersionInfo().toUtf8();
    std::fwrite(banner.constData(), 1, size_t(banner.size()), stdout);
    std::fflush(stdout);
}

WHO_AppInfo::WHO_AppInfo(const QString &name, const char *, const char *)
    : m_name(name)
{
}

QString WHO_AppInfo::version(bool full)
{
    const QString number = QStringLiteral(TALLYARD_VERSION);
    if (!full)
        return number;
    return QCoreApplication::translate("WHO_AppInfo", "%1 (built %2)").arg(number, QStringLiteral(__DATE__));
}

QString WHO_StringTable::trFullApplicationName()
{
    return QCoreApplication::translate("WHO_StringTable", "Tallyard");
}

// Each line ends with one line break and the blank line comes last, so the
// log header's one-line form (blank lines dropped, breaks made ", ") reads well.
QString WHO_StringTable::trVersionInfo()
{
    return QCoreApplication::translate("WHO_StringTable",
                                       "Tallyard %1\nScene database administration\nQt %2\n\n")
        .arg(WHO_AppInfo::version(true), QString::fromLatin1(qVersion()));
}

QString WHO_StringTable::versionInfoLine()
{
    QString text = trVersionInfo();
    text.remove(QStringLiteral("\n\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral(", "));
    return text;
}

void WHO_Features::setHasDatabase(bool has)
{
    s_hasDatabase = has;
}

bool WHO_Features::hasDatabase()
{
    return s_hasDatabase;
}

QString WHO_Identity::sceneFileExtension()
{
    return QStringLiteral(".pavx");
}

QStringList WHO_Identity::sceneFilePatterns()
{
    return {QLatin1Char('*') + sceneFileExtension()};
}

QStringList WHO_Identity::sceneSaveAsFilePatterns()
{
    return sceneFilePatterns();
}

bool WHO_Identity::isSceneFilename(const QString &fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    return name.size() > sceneFileExtension().size()
        && name.endsWith(sceneFileExtension(), Qt::CaseInsensitive);
}

void WHO_Identity::GetAllSupportedFileType(QStringList &patterns)
{
    patterns << sceneFilePatterns();
}
