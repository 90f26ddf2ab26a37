#pragma once

#include <QDialog>

class QCheckBox;
class TUDbAccess;

// Changes the scene-asset lock setting of an existing environment. Run
// modally; deleted when closed; stays open with its input when the change
// fails. The access is not owned.
class TUEnvAssetDlg : public QDialog
{
    Q_OBJECT
public:
    TUEnvAssetDlg(QWidget *parent, TUDbAccess *access, const QString &environment, bool sceneAssetLock);

    bool sceneAssetLock() const;

public slots:
    void changeAssetEnv();

private:
    TUDbAccess *m_access;
    QString m_environment;
    QCheckBox *m_sceneAssetLock;
};
