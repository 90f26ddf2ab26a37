#include "DBA_Clock.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>

namespace {
std::atomic<qint64> g_offsetMs{0};
}

qint64 DBA_Clock::serverSeconds()
{
    return (QDateTime::currentMSecsSinceEpoch() + g_offsetMs.load()) / 1000;
}

void DBA_Clock::measure(const QSqlDatabase &db, bool postgres)
{
    if (!postgres)
        return;
    QSqlQuery query(db);
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    if (!query.exec(QStringLiteral("SELECT CAST(EXTRACT(EPOCH FROM clock_timestamp()) * 1000 AS BIGINT)")) || !query.next())
        return;
    const qint64 after = QDateTime::currentMSecsSinceEpoch();
    // The server read its clock about halfway through the round trip.
    g_offsetMs.store(query.value(0).toLongLong() - (before + after) / 2);
}

QString DBA_Clock::serverSecondsSql(bool postgres)
{
    return postgres ? QStringLiteral("CAST(EXTRACT(EPOCH FROM clock_timestamp()) AS BIGINT)")
                    : QStringLiteral("CAST(strftime('%s', 'now') AS INTEGER)");
}
