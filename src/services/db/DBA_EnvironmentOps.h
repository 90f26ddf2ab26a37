#pragma once

#include "DBA_Records.h"

#include <QStringList>

class DBA_Context;

// Environments: the top of the hierarchy. Each has its folders in the file
// space (environments/<env>/{palette-library,groups,library}).
class DBA_EnvironmentOps
{
public:
    explicit DBA_EnvironmentOps(DBA_Context &context) : m_ctx(context) {}

    // Non-zero when created; 0 on failure (code 10 when it exists already).
    int createEnv(const QString &name, bool sceneAssetLock);
    // Non-zero when deleted; an environment that still holds jobs is refused.
    int deleteEnv(const QString &name);
    // -1 on failure, else the number of environments; names sorted.
    int dba_GetEnvironments(QStringList &names);
    bool dba_ValidateEnvironmentName(const QString &name);
    // The scene-asset lock flag; status is -1 when the environment is unknown.
    bool dba_GetEnvironmentSceneLock(const QString &name, int &status);
    bool dba_SetEnvironmentSceneLock(const QString &name, bool lock);
    // Jobs of an environment in name order; -1 on failure. The flag is unused.
    int dba_GetEnvironmentJobs(const QString &environment, QVector<dba_job_struct> &jobs, int flags = 0);
    int dba_GetAllEnvironmentJobs(const QString &environment, QVector<dba_job_struct> &jobs);

private:
    DBA_Context &m_ctx;
};
