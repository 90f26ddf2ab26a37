#pragma once

#include "DBA_Url.h"
#include "TDB_Command.h"
#include "TDB_DemoStudio.h"

#include <QCoreApplication>

class TUDbAccess;
struct dba_job_struct;

// "demo": fills a database with a small studio through the database
// service: users, environments, jobs, and scenes with versions, elements,
// drawings and files. Refuses a database that holds environments already,
// unless forced; then what exists is kept and only what is missing added.
class TDB_DemoCommand : public TDB_Command
{
    Q_DECLARE_TR_FUNCTIONS(TDB_DemoCommand)

public:
    TDB_DemoCommand(const DBA_Url &url, bool force);
    ~TDB_DemoCommand() override;
    bool run(QTextStream &out, QString &error) override;

private:
    struct Counts
    {
        int users = 0, environments = 0, jobs = 0, scenes = 0, versions = 0, elements = 0, drawings = 0;
    };

    bool checkEmpty(QString &error);
    bool addUsers(QString &error);
    bool addEnvironment(const QString &name, QString &error);
    bool addJob(const TDB_DemoStudio::Job &plan, int &sceneIndex, QString &error);
    bool addScene(dba_job_struct &job, const QString &name, int index, QString &error);
    // Returns false with the service's last failure as error.
    bool failed(QString &error) const;

    DBA_Url m_url;
    bool m_force;
    std::unique_ptr<TUDbAccess> m_access;
    QString m_fileSystem;
    Counts m_added;
};
