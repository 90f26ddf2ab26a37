#pragma once

#include <QHash>
#include <QStringList>

// Which environments scripts list to which users: the JSON object of
// "/QVX_DB/environments/environment-filter.json", environment name -> user
// names ("_all_" for everyone). Read once per process, on first use;
// without a readable file nothing is filtered.
class DBS_EnvironmentFilter
{
public:
    static const DBS_EnvironmentFilter &instance();
    // Drops the process's copy so that the next instance() reads the file again.
    static void forget();

    bool applies() const { return m_loaded; }
    // Whether user may list environment (when the filter applies).
    bool allows(const QString &environment, const QString &user) const;
    // Takes the filter from the file's text; false, applying nothing, when
    // it is not a JSON object.
    bool parse(const QByteArray &json);

private:
    void load();

    bool m_loaded = false;
    QHash<QString, QStringList> m_users;
};
