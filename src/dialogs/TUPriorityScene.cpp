#include "TUPriorityScene.h"

#include "TUDbAccess.h"

#include <QPushButton>

TUPriorityScene::TUPriorityScene(QWidget *parent, TUDbAccess *access, const QString &jobName,
                                 const QStringList &selectedScenes)
    : TUPriorityDlg(parent, access, tr("Scene Priority"))
    , m_jobName(jobName)
    , m_scenes(selectedScenes)
{
    QVector<int> priorities;
    for (const QString &name : m_scenes)
        priorities << m_access->dba_getPriorityScene(m_jobName, name);
    preset(priorities);
    connect(findChild<QPushButton *>(QStringLiteral("ok")), &QPushButton::clicked, this,
            &TUPriorityScene::changePriorityScene);
}

void TUPriorityScene::changePriorityScene()
{
    if (m_jobName.isEmpty())
        return;
    dba_job_struct job;
    job.name = m_jobName;
    applyEach(m_scenes, QT_TR_NOOP("Could not change priority of the scene %1"), [&](const QString &name) {
        return m_access->dba_changePriorityScene(job, name, priority());
    });
}
