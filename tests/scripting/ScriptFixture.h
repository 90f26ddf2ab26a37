#pragma once

#include "DBS_Mediator.h"
#include "DBS_ScriptManager.h"
#include "DbTestFixture.h"
#include "TUBatchMessage.h"

#include <QStringList>

#include <memory>

// A fresh database with environment E, job J (TD and ATD admin) and the
// scenes s1 and s2, the batch sink installed, and a script manager working
// as one user.
class ScriptFixture
{
public:
    ScriptFixture()
    {
        if (!m_db.initialize() || !(m_admin = m_db.open()))
            return;
        dba_job_struct job = DbTestFixture::newJob(QStringLiteral("J"), QStringLiteral("E"));
        job.td = job.atd = QStringLiteral("admin");
        m_valid = m_admin->createEnv(QStringLiteral("E"), false) != 0 && m_admin->dba_createJob(job) > 0
            && addScene(QStringLiteral("s1")) && addScene(QStringLiteral("s2"));
        resetSink();
        actAs(QStringLiteral("admin"));
    }
    ~ScriptFixture() { TUMessage::releaseInstance(); }

    bool isValid() const { return m_valid; }
    DbTestFixture &db() { return m_db; }
    TUDbAccess &admin() { return *m_admin; }
    TUBatchMessage &sink() { return *m_sink; }
    // A new sink: empty log, error code 0.
    void resetSink()
    {
        auto sink = std::make_unique<TUBatchMessage>(QStringLiteral("tallyard"), false);
        sink->openLog();
        TUMessage::setInstance(sink.get());
        m_sink = std::move(sink);
    }

    // Further evaluations run as user (who must exist).
    bool actAs(const QString &user)
    {
        m_manager.reset();
        m_mediator.reset();
        m_access = m_db.open(user);
        if (!m_access)
            return false;
        m_mediator = std::make_unique<DBS_Mediator>(m_access.get());
        m_manager = std::make_unique<DBS_ScriptManager>(nullptr, nullptr, m_mediator.get(), false);
        return true;
    }
    QStringList eval(const QString &script) { return m_manager->evaluateScript(script).toStringList(); }
    // The evaluation's single value, for scripts that end with one.
    QString value(const QString &script) { return eval(script).value(0); }
    DBS_ScriptManager &manager() { return *m_manager; }

    bool addScene(const QString &name)
    {
        dba_job_struct job;
        if (m_admin->dba_OpenJob(QStringLiteral("J"), job) == -1)
            return false;
        const bool made = m_db.addScene(*m_admin, job, name);
        m_admin->dba_CloseJob(job);
        return made;
    }
    QStringList scenesOfJ()
    {
        dba_job_struct job;
        if (m_admin->dba_OpenJob(QStringLiteral("J"), job) == -1)
            return {};
        const QStringList scenes = m_admin->buildScenesList(job);
        m_admin->dba_CloseJob(job);
        return scenes;
    }

private:
    DbTestFixture m_db;
    std::unique_ptr<TUDbAccess> m_admin;
    std::unique_ptr<TUDbAccess> m_access;
    std::unique_ptr<DBS_Mediator> m_mediator;
    std::unique_ptr<DBS_ScriptManager> m_manager;
    std::unique_ptr<TUBatchMessage> m_sink;
    bool m_valid = false;
};
