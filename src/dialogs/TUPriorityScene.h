#pragma once

#include "TUPriorityDlg.h"

// Sets the priority of the scenes selected in the main window's scene table.
class TUPriorityScene : public TUPriorityDlg
{
    Q_OBJECT
public:
    TUPriorityScene(QWidget *parent, TUDbAccess *access, const QString &jobName, const QStringList &selectedScenes);

public slots:
    void changePriorityScene();

private:
    QString m_jobName;
    QStringList m_scenes;
};
