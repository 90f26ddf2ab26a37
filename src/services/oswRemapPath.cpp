#include "oswRemapPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QReadLocker>
#include <QReadWriteLock>
#include <QSettings>
#include <QWriteLocker>

namespace {

struct RemapState
{
    QReadWriteLock lock;
    QString databaseRoot;
    QList<QPair<QString, QString>> maps; // stored prefix -> local prefix
};

RemapState &state()
{
    static RemapState s;
    return s;
}

// Prefixes are compared without trailing slashes; "/" itself stays "/".
QString cleaned(const QString &path)
{
    return path.isEmpty() ? path : QDir::cleanPath(path);
}

// True when prefix covers path on whole components: "/a/b" covers "/a/b"
// and "/a/b/c" but not "/a/bc".
bool covers(const QString &prefix, const QString &path)
{
    if (prefix.isEmpty() || !path.startsWith(prefix))
        return false;
    return path.size() == prefix.size() || prefix.endsWith(QLatin1Char('/'))
        || path.at(prefix.size()) == QLatin1Char('/');
}

QString replacePrefix(const QString &path, const QString &from, const QString &to)
{
    const QString rest = path.mid(from.size());
    if (rest.isEmpty())
        return to;
    if (from.endsWith(QLatin1Char('/')))
        return cleaned(to + QLatin1Char('/') + rest);
    return cleaned(to + rest);
}

// Applies the rule whose matched side is longest; rules are (match, replacement).
QString applyLongest(const QString &path, const QList<QPair<QString, QString>> &rules)
{
    const QPair<QString, QString> *best = nullptr;
    for (const auto &rule : rules) {
        if (covers(rule.first, path) && (!best || rule.first.size() > best->first.size()))
            best = &rule;
    }
    return best ? replacePrefix(path, best->first, best->second) : path;
}

} // namespace

const QString &oswRemapPath::logicalRoot()
{
    static const QString root = QStringLiteral("/QVX_DB");
    return root;
}

void oswRemapPath::setDatabaseRoot(const QString &localRoot)
{
    const QString root = cleaned(localRoot);
    QWriteLocker locker(&state().lock);
    state().databaseRoot = root;
}

QString oswRemapPath::databaseRoot()
{
    QReadLocker locker(&state().lock);
    return state().databaseRoot;
}

void oswRemapPath::addPrefixMap(const QString &from, const QString &to)
{
    const QString stored = cleaned(from);
    const QString local = cleaned(to);
    if (stored.isEmpty())
        return;
    QWriteLocker locker(&state().lock);
    for (auto &map : state().maps) {
        if (map.first == stored) {
            map.second = local;
            return;
        }
    }
    state().maps.append({stored, local});
}

void oswRemapPath::clearPrefixMaps()
{
    QWriteLocker locker(&state().lock);
    state().maps.clear();
}

bool oswRemapPath::loadPrefixMaps(const QString &iniFile, QString &error)
{
    QList<QPair<QString, QString>> maps;
    if (QFileInfo::exists(iniFile)) {
        // QSettings only says "access error"; QFile knows why.
        QFile probe(iniFile);
        if (!probe.open(QIODevice::ReadOnly)) {
            error = QStringLiteral("Cannot read path remapping file \"%1\": %2").arg(iniFile, probe.errorString());
            return false;
        }
        probe.close();

        QSettings settings(iniFile, QSettings::IniFormat);
        settings.setIniCodec("UTF-8");
        if (settings.status() != QSettings::NoError) {
            error = QStringLiteral("Path remapping file \"%1\" is malformed").arg(iniFile);
            return false;
        }
        settings.beginGroup(QStringLiteral("remap"));
        const QStringList keys = settings.allKeys();
        for (const QString &key : keys) {
            // QSettings reads "/" in a key as a group separator and cannot
            // look up a key that starts with one, so the leading "/" of a
            // stored prefix is left out in the file and put back here.
            const QVariant value = settings.value(key);
            if (key.startsWith(QLatin1Char('/')) || !value.isValid()) {
                error = QStringLiteral("Path remapping file \"%1\": write the key \"%2\" without its leading \"/\"")
                            .arg(iniFile, key);
                return false;
            }
            // An unquoted comma makes QSettings split the value into a list.
            const QString local = value.userType() == QMetaType::QStringList
                ? value.toStringList().join(QLatin1Char(','))
                : value.toString();
            if (local.isEmpty()) {
                error = QStringLiteral("Path remapping file \"%1\": no local path for \"/%2\"").arg(iniFile, key);
                return false;
            }
            maps.append({cleaned(QLatin1Char('/') + key), cleaned(local)});
        }
    }
    QWriteLocker locker(&state().lock);
    state().maps = maps;
    return true;
}

QString oswRemapPath::RemapPath2(const QString &path)
{
    QReadLocker locker(&state().lock);
    QList<QPair<QString, QString>> rules = state().maps;
    if (!state().databaseRoot.isEmpty())
        rules.append({logicalRoot(), state().databaseRoot});
    return applyLongest(path, rules);
}

QString oswRemapPath::UnmapPath(const QString &localPath)
{
    const QString path = cleaned(localPath);
    QReadLocker locker(&state().lock);
    QList<QPair<QString, QString>> rules;
    for (const auto &map : state().maps)
        rules.append({map.second, map.first});
    if (!state().databaseRoot.isEmpty())
        rules.append({state().databaseRoot, logicalRoot()});
    return applyLongest(path, rules);
}
