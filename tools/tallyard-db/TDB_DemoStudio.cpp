#include "TDB_DemoStudio.h"

#include "DBA_UserOps.h"

QStringList TDB_DemoStudio::environments()
{
    return {QStringLiteral("Feature"), QStringLiteral("Series"), QStringLiteral("Commercials")};
}

const QVector<TDB_DemoStudio::User> &TDB_DemoStudio::users()
{
    static const QVector<User> list = {
        {"mara", "Mara", "Lindqvist", DBA_UserOps::TD},
        {"jonas", "Jonas", "Weber", DBA_UserOps::COORDINATOR},
        {"ines", "Ines", "Moreau", DBA_UserOps::ANIMATOR},
        {"theo", "Theo", "Okafor", DBA_UserOps::INK_PAINT},
        {"pat", "Pat", "Keane", DBA_UserOps::EXECUTIVE},
    };
    return list;
}

const QVector<TDB_DemoStudio::Job> &TDB_DemoStudio::jobs()
{
    static const QVector<Job> list = {
        {"Feature", "lighthouse", "mara", "jonas", 1, true, 0, 3},
        {"Feature", "harbour", "mara", "ines", 4, false, 0, 3},
        {"Series", "ep101", "jonas", "theo", 2, false, 1, 2},
        {"Series", "ep102", "jonas", "ines", 3, true, 0, 2},
        {"Commercials", "juice_spot", "mara", "theo", 6, false, 0, 2},
    };
    return list;
}

QStringList TDB_DemoStudio::sceneNames(const Job &job)
{
    QStringList names;
    for (int i = 1; i <= job.sceneCount; ++i)
        names << QStringLiteral("sc%1").arg(i * 10, 3, 10, QLatin1Char('0'));
    return names;
}

int TDB_DemoStudio::frames(int scene)
{
    return 24 + 12 * ((scene * 5) % 7);
}

int TDB_DemoStudio::priority(int scene)
{
    return (scene * 3) % 10;
}

int TDB_DemoStudio::versionCount(int scene)
{
    return 2 + scene % 2;
}

QString TDB_DemoStudio::versionName(int version)
{
    static const char *const names[] = {"layout", "animation", "colour"};
    return QLatin1String(names[(version - 1) % 3]);
}

QVector<TDB_DemoStudio::Element> TDB_DemoStudio::elements(int scene)
{
    QVector<Element> list = {
        {"bg", QColor(90, 150, 200), 2, false},
        {"char", QColor(230, 140, 90), 4, true},
    };
    if (scene % 3 != 1)
        list.append({"fx", QColor(250, 220, 80), 3, true});
    return list;
}

QStringList TDB_DemoStudio::timingDrawings()
{
    return {QStringLiteral("A"), QStringLiteral("E"), QStringLiteral("O"), QStringLiteral("M")};
}

QString TDB_DemoStudio::animator(int scene)
{
    return scene % 2 == 0 ? QStringLiteral("ines") : QStringLiteral("theo");
}
