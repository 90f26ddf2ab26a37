#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;
class TUDbAccess;

// Creates one or more scenes in the access's open job: names typed one per
// row, a file system (or a folder typed by hand) and a scene folder name
// that holds "{sceneName}" once per scene, and where the new scenes go in
// the job's order. Everything is checked before the first scene is made.
// Shown modeless, deleted when closed. The access is not owned.
class TUSceneCreateDlg : public QDialog
{
    Q_OBJECT
public:
    TUSceneCreateDlg(QWidget *parent, TUDbAccess *access, const QString &environment, const QString &userName,
                     int selectedRow);

    static QString placeholder() { return QStringLiteral("{sceneName}"); }

signals:
    void sceneCreated();
    void sceneCreateDlgClosing();

public slots:
    void otherFileSelect();
    void ok();
    void enableOK();
    void addScene(int row, int column, int previousRow, int previousColumn);
    void fileSystemSelected();
    void closeWindow();
    void putSceneToLeft(int row, int column);
    void onTextChanged();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *createNameTable();
    QWidget *createFileSystems();
    QWidget *createPositions(bool sceneSelected);
    QStringList names() const;
    // The file system chosen in the list, trailing "/" and blanks removed.
    QString chosenFileSystem() const;
    // Each reports the first failure of its part of the input.
    bool checkFileSystem(const QString &fileSystem) const;
    bool checkNames(const QStringList &names) const;
    bool checkFolder(const QString &folder, int count);
    int position() const;

    TUDbAccess *m_access;
    QString m_user;
    int m_selectedRow;
    QTableWidget *m_names;
    QListWidget *m_fileSystems;
    QLineEdit *m_parentFolder;
    QLineEdit *m_folderName;
    QComboBox *m_positions;
    QPushButton *m_ok;
    bool m_pathTyped = false;
    bool m_filling = false;
};
