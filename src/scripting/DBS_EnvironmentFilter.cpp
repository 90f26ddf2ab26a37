#include "DBS_EnvironmentFilter.h"

#include "MSG_Scope.h"
#include "oswRemapPath.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <memory>

namespace {
std::unique_ptr<DBS_EnvironmentFilter> s_filter;

void report(const char *text, const QString &path)
{
    MSG_Scope("DBS_TallyardWrapper", text, MSG_Scope::Error).arg(path);
}
} // namespace

const DBS_EnvironmentFilter &DBS_EnvironmentFilter::instance()
{
    if (!s_filter) {
        s_filter = std::make_unique<DBS_EnvironmentFilter>();
        s_filter->load();
    }
    return *s_filter;
}

void DBS_EnvironmentFilter::forget()
{
    s_filter.reset();
}

void DBS_EnvironmentFilter::load()
{
    const QString path =
        oswRemapPath::RemapPath2(oswRemapPath::logicalRoot() + QStringLiteral("/environments/environment-filter.json"));
    if (!QFileInfo(path).isFile())
        return;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        report(QT_TRANSLATE_NOOP("DBS_TallyardWrapper", "Cannot open %1 for reading\n"), path);
        return;
    }
    const qint64 size = file.size();
    const QByteArray bytes = file.readAll();
    if (bytes.size() < size) {
        report(QT_TRANSLATE_NOOP("DBS_TallyardWrapper", "Failed to read from %1"), path);
        return;
    }
    if (!parse(bytes))
        report(QT_TRANSLATE_NOOP("DBS_TallyardWrapper", "Failed to parse %1"), path);
}

bool DBS_EnvironmentFilter::parse(const QByteArray &json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        return false;
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        QStringList users;
        for (const QJsonValue &user : it.value().toArray())
            users << user.toString();
        m_users.insert(it.key(), users);
    }
    m_loaded = true;
    return true;
}

bool DBS_EnvironmentFilter::allows(const QString &environment, const QString &user) const
{
    const QStringList users = m_users.value(environment);
    return users.contains(user) || users.contains(QLatin1String("_all_"));
}
