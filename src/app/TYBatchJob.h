#pragma once

#include <QString>

class TUDbAccess;

// The job a batch operation works in: opened into the access's own job
// record only when it lies in the environment the command line named, and
// closed (with any scene left open) when the object goes.
class TYBatchJob
{
public:
    // Reports "Error opening job: %1." (code 2), or the environment mismatch.
    TYBatchJob(TUDbAccess &access, const QString &environment, const QString &job);
    ~TYBatchJob();
    TYBatchJob(const TYBatchJob &) = delete;
    TYBatchJob &operator=(const TYBatchJob &) = delete;

    bool isOpen() const { return m_open; }

    // Whether job is one of environment's jobs; when not (another environment,
    // or no such environment or job) it says so (code 1) and answers false.
    static bool isInEnvironment(TUDbAccess &access, const QString &environment, const QString &job);

private:
    TUDbAccess &m_access;
    bool m_open = false;
};
