#pragma once

#include <QDialog>

class QListWidget;
class TUDbSelect;

// Picks one or several scenes of one job: an environment, one of its jobs,
// then scenes of that job. The selector answers the listings; it is not
// owned. The caller reads the choice after the dialog is accepted.
class DBUI_SceneSelector : public QDialog
{
    Q_OBJECT
public:
    DBUI_SceneSelector(QWidget *parent, TUDbSelect *selector, const QString &title);

    QString environment() const;
    QString job() const;
    QStringList scenes() const;

private slots:
    void environmentSelected();
    void jobSelected();

private:
    TUDbSelect *m_selector;
    QListWidget *m_environments;
    QListWidget *m_jobs;
    QListWidget *m_scenes;
};
