#pragma once

#include <QDialog>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class TUDbAccess;
class TUDbSelect;

// Picks where imported scenes go: an environment, one of its jobs and one of
// the database's scene file systems, or another folder typed or browsed.
// The destination is a folder pattern in which "{sceneName}" stands for each
// scene's name. With a scene name given, choosing a job that holds that
// scene preselects the file system holding it. The selector and access are
// not owned; the caller reads the results after the dialog is accepted.
class TUDbFileSystemDlg : public QDialog
{
    Q_OBJECT
public:
    TUDbFileSystemDlg(QWidget *parent, TUDbSelect *selector, TUDbAccess *access, const QString &sceneName);

    QString environment() const;
    QString job() const;
    // Empty when the destination is another folder.
    QString fileSystem() const;
    QString destination() const { return m_destination; }

public slots:
    void environmentSelected(QListWidgetItem *item);
    void environmentSelected();
    void jobSelected(QListWidgetItem *item);
    void jobSelected();
    void systemSelected(QListWidgetItem *item);
    void systemSelected();
    void pathChanged();
    void otherFileSelect();
    void apply();
    void reject() override;

private:
    void fillFileSystems();
    // The pattern the chosen job and file system stand for, else empty.
    QString standardPattern() const;
    void updatePath();

    TUDbSelect *m_selector;
    TUDbAccess *m_access;
    QString m_sceneName;
    QListWidget *m_environments;
    QListWidget *m_jobs;
    QListWidget *m_fileSystems;
    QLineEdit *m_other;
    QString m_destination;
};
