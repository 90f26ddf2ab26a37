#include "DBS_ScriptFiles.h"

#include "MSG_Scope.h"
#include "oswRemapPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScriptEngine>

namespace {
// The canonical form of a path that may not exist yet: its nearest
// existing ancestor resolved, the rest appended.
QString canonicalOf(const QString &path)
{
    QFileInfo info(QDir::cleanPath(path));
    QStringList rest;
    while (!info.exists()) {
        rest.prepend(info.fileName());
        const QString parent = info.path();
        if (parent == info.filePath())
            return {};
        info.setFile(parent);
    }
    QString canonical = info.canonicalFilePath();
    for (const QString &part : rest)
        canonical += QLatin1Char('/') + part;
    return canonical;
}

bool inside(const QString &path, const QString &root)
{
    return !root.isEmpty() && (path == root || path.startsWith(root + QLatin1Char('/')));
}

void report(const char *text, const QString &path)
{
    MSG_Scope("DBS_ScriptFiles", text, MSG_Scope::Error).arg(path);
}
} // namespace

DBS_ScriptFiles::DBS_ScriptFiles(const QString &scriptFolder)
{
    setObjectName(QStringLiteral("Files"));
    const QString root = oswRemapPath::databaseRoot();
    for (const QString &folder : {root, scriptFolder}) {
        const QString canonical = folder.isEmpty() ? QString() : QFileInfo(folder).canonicalFilePath();
        if (!canonical.isEmpty())
            m_roots << canonical;
    }
    m_base = scriptFolder.isEmpty() ? root : scriptFolder;
}

void DBS_ScriptFiles::install(QScriptEngine &engine)
{
    engine.globalObject().setProperty(QStringLiteral("Files"), engine.newQObject(this));
}

QString DBS_ScriptFiles::confined(const QString &path)
{
    QString local = oswRemapPath::RemapPath2(path);
    if (QDir::isRelativePath(local))
        local = m_base + QLatin1Char('/') + local;
    const QString canonical = canonicalOf(local);
    for (const QString &root : m_roots) {
        if (inside(canonical, root))
            return canonical;
    }
    report(QT_TRANSLATE_NOOP("DBS_ScriptFiles",
                             "%1 lies outside the database and the script's folder; scripts may not use it."),
           path);
    return {};
}

bool DBS_ScriptFiles::exists(const QString &path)
{
    const QString local = confined(path);
    return !local.isEmpty() && QFileInfo::exists(local);
}

QString DBS_ScriptFiles::read(const QString &path)
{
    const QString local = confined(path);
    if (local.isEmpty())
        return {};
    QFile file(local);
    if (!file.open(QIODevice::ReadOnly)) {
        report(QT_TRANSLATE_NOOP("DBS_ScriptFiles", "Cannot open %1 for reading"), path);
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

bool DBS_ScriptFiles::write(const QString &path, const QString &text)
{
    const QString local = confined(path);
    if (local.isEmpty())
        return false;
    QSaveFile file(local);
    if (QDir().mkpath(QFileInfo(local).path()) && file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0 && file.commit())
        return true;
    report(QT_TRANSLATE_NOOP("DBS_ScriptFiles", "Cannot write %1"), path);
    return false;
}

QStringList DBS_ScriptFiles::list(const QString &folder)
{
    const QString local = confined(folder);
    QStringList names;
    if (local.isEmpty())
        return names;
    const QFileInfoList entries =
        QDir(local).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    for (const QFileInfo &entry : entries)
        names << (entry.isDir() ? entry.fileName() + QLatin1Char('/') : entry.fileName());
    return names;
}

bool DBS_ScriptFiles::makeFolder(const QString &path)
{
    const QString local = confined(path);
    if (local.isEmpty())
        return false;
    if (QDir().mkpath(local))
        return true;
    report(QT_TRANSLATE_NOOP("DBS_ScriptFiles", "Cannot make the folder %1"), path);
    return false;
}
