#pragma once

#include "DBA_Records.h"

#include <QDialog>

class QListWidget;
class QPushButton;
class QTextEdit;
class TUDbAccess;

// Lists the locked versions of one scene and force-unlocks the chosen one,
// after a question, for a user who may unlock any version or owns that
// lock. The access is not owned; the scene record is copied.
class TUTYUnlockVersionDlg : public QDialog
{
    Q_OBJECT
public:
    TUTYUnlockVersionDlg(QWidget *parent, TUDbAccess *access, const dba_scene_struct &scene);

public slots:
    void switchVersion();
    void apply();

private:
    void fill();
    bool mayUnlock(qint64 versionId);

    TUDbAccess *m_access;
    dba_scene_struct m_scene;
    QListWidget *m_versions;
    QTextEdit *m_description;
    QPushButton *m_unlock;
    QVX_scene_version_table m_table;
    QVector<qint64> m_rowIds; // the version id of each row
};
