#pragma once

#include <QDialog>

class QLineEdit;
class TUDbAccess;

// Renames one scene of the access's open job through the database's rename
// manager. When an earlier rename of the scene was cut short, the user
// chooses to continue it or undo it first. Deleted when closed; the access
// is not owned.
class TURenameScene : public QDialog
{
    Q_OBJECT
public:
    TURenameScene(QWidget *parent, TUDbAccess *access, const QString &sceneName);

public slots:
    void renameScene();

private:
    bool mayRename();
    // Runs the rename, asking about an unfinished earlier one.
    void performRename(const QString &newName);

    TUDbAccess *m_access;
    QString m_sceneName;
    QLineEdit *m_name;
};
