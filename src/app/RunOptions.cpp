#include "RunOptions.h"

const QStringList &RunOptions::dataOptionNames()
{
    static const QStringList names = {
        QStringLiteral("offline"), QStringLiteral("audio"), QStringLiteral("database"), QStringLiteral("final"),
        QStringLiteral("env_group"), QStringLiteral("job_group"), QStringLiteral("scene_group"),
        QStringLiteral("env_library"), QStringLiteral("job_library"), QStringLiteral("scene_library"),
        QStringLiteral("env_palette"), QStringLiteral("job_palette"), QStringLiteral("scene_palette"),
        QStringLiteral("other"), QStringLiteral("element"), QStringLiteral("annotation"), QStringLiteral("timing"),
        QStringLiteral("stage"), QStringLiteral("outside_drawings")};
    return names;
}

const QStringList &RunOptions::linkOptionNames()
{
    static const QStringList names = {
        QStringLiteral("hard"), QStringLiteral("sym"), QStringLiteral("copy"), QStringLiteral("keep_valid_sym"),
        QStringLiteral("keep_broken_sym"), QStringLiteral("ignore_valid_sym"), QStringLiteral("ignore_broken_sym"),
        QStringLiteral("resolve_sym")};
    return names;
}

RunOptions &RunOptions::instance()
{
    static RunOptions options;
    return options;
}
