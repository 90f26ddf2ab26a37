#pragma once

// The benchmark database the bench programs share: 100,000 scenes in 1,000
// jobs, one of which holds 5,000, written with bulk SQL.

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

class QTextStream;
class TUDbAccess;
struct DBA_Url;

namespace BenchSeed {

constexpr int kJobs = 1000;
constexpr int kScenes = 100000;
constexpr int kBigJobScenes = 5000;
inline const QString kBigJob = QStringLiteral("job1");

// Standard output, where the bench programs print their figures and failures.
QTextStream &out();

// Runs one statement with values bound in order; false and a message on failure.
bool exec(QSqlDatabase db, const QString &sql, const QVariantList &values = {});

// Makes the database url names, seeds it and opens a session on it in access
// as the user "admin"; says on standard output how long seeding took, or
// why it failed.
bool createSeeded(const DBA_Url &url, TUDbAccess &access, const QString &program);
// The same with scenes in jobs, bigJob of them in job1 (scenes - bigJob a
// multiple of jobs - 1 makes the other jobs even).
bool createSeeded(const DBA_Url &url, TUDbAccess &access, const QString &program, int jobs, int scenes, int bigJob);

// Opens the job through the service, walks its scene table reading the
// columns the main window's scene table shows, and closes it; the number of
// rows walked, or -1 when the job does not open.
int listJobScenes(TUDbAccess &access, const QString &name);

} // namespace BenchSeed
