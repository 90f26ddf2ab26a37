#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class TUDbAccess;

// Creates an environment. Run modally; deleted when closed. When the database
// refuses, the failure is reported and the dialog stays open with its input,
// so that the name can be corrected. The access is not owned.
class TUCreateEnv : public QDialog
{
    Q_OBJECT
public:
    TUCreateEnv(QWidget *parent, TUDbAccess *access);

    QString environmentName() const;

public slots:
    void createEnv();

private:
    TUDbAccess *m_access;
    QLineEdit *m_name;
    QCheckBox *m_sceneAssetLock;
};
