#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QListWidget;
class QTreeWidget;
class TUDbAccess;
struct dba_job_struct;

// Moves the folders of chosen scenes of a job to another file system,
// through the database service, which keeps each scene whole where it was
// when the move fails. Shows each scene's size and the destinations' free
// space first. The access and job are not owned.
class TUMoveScene : public QDialog
{
    Q_OBJECT
public:
    enum Column { Name, FileSystem, Size, Unit, ExactSize };

    // selectedScenes start selected.
    TUMoveScene(QWidget *parent, TUDbAccess *access, dba_job_struct *job, const QStringList &selectedScenes);

    QTreeWidget *scenes() const { return m_scenes; }
    // The total of the selected rows in MB; -1 when the table is empty.
    float requiredSize() const { return m_required; }

    // "< 1" for a size that rounds to 0 but is not 0, else the whole MB.
    static QString sizeText(double megabytes);

public slots:
    void moveScene();
    void otherFileSelect();
    void calculate(bool atStart);
    void calculate();
    void reCalculate();
    void cancel();
    void fileSystemSelected();

private:
    void fill(const QStringList &selectedScenes);
    void fillFileSystems();
    bool sizeRow(int row);
    QString destination();
    bool mayMove();
    bool checkDestination(const QString &destination);
    void moveRow(int row, const QString &destination);

    TUDbAccess *m_access;
    dba_job_struct *m_job;
    QTreeWidget *m_scenes;
    QLabel *m_total;
    QListWidget *m_fileSystems;
    QLineEdit *m_other;
    float m_required = 0;
};
