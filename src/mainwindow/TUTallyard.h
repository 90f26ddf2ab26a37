#pragma once

#include <QMainWindow>
#include <QPointer>

#include <memory>

class PR_Preference;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QSplitter;
class QTreeWidgetItem;
class TUDbAccess;
class TUDbSelect;
class TULogDlg;
class TUTYDrawingsTable;
class TUTYElementsTable;
class TUTYLauncher;
class TUTYScenesTable;
class TUTYAdminCommands;
class TUTYEnvironmentCommands;
class TUTYHelpCommands;
class TUTYJobCommands;
class TUTYSceneCommands;
class TUTYSceneLockCommands;
class TUTYShowHideHolder;
class TUTYVectorizeCommands;
struct QVX_element_data;

// The program's main window: the database as five linked lists
// (environments, jobs, scenes, elements, drawings), where choosing in one
// list refills the lists after it, with the menus and the launching of the
// scene editor and the queue program. The menus' commands live in command
// sets, one per menu, which read the lists and refill them through the
// accessors below.
//
// It owns the shared database access and the user selector handed to it
// (closing the session when destroyed), a second access of its own, and the
// child programs it started. The access's own job and scene records are the
// open job and scene: at most one of each is open, and every selection
// first closes what lies below it.
class TUTallyard : public QMainWindow
{
    Q_OBJECT
public:
    TUTallyard(std::unique_ptr<TUDbAccess> access, std::unique_ptr<TUDbSelect> selector, bool useCurrentWorkingDir,
               QWidget *parent = nullptr);
    ~TUTallyard() override;

    // Selects environment, job and scene as start-up was asked to; stops at
    // the first level where not exactly one item matches.
    void selectEnvJobScene(const QString &environment, const QString &job, const QString &scene);
    // Starts one scene editor per scene.
    void openScene(const QString &environment, const QString &job, const QStringList &scenes);

    // Reads the lock style from the user's preference store, which later
    // menu choices write back to. The store is not owned.
    void setUserPreferences(PR_Preference *preferences);
    PR_Preference *userPreferences() const { return m_preferences; }
    int lockStyle() const { return m_lockStyle; }
    void setLockStyle(int style) { m_lockStyle = style; }

    TUDbAccess &access() { return *m_access; }
    TUDbSelect &selector() { return *m_selector; }
    // Null when it could not be opened.
    TUDbAccess *secondAccess() { return m_secondAccess.get(); }
    TUTYLauncher &launcher() { return *m_launcher; }
    bool useCurrentWorkingDir() const { return m_useCurrentWorkingDir; }
    // The parent of the dialogs and boxes the window opens.
    QWidget *dialogParent();

    // What the lists show and what is chosen in them.
    QString currentEnvironment() const;
    QStringList jobNames() const;
    QStringList selectedJobs() const;
    // The names of the selected scene rows, top to bottom.
    QStringList selectedScenes() const;
    const TUTYScenesTable &scenesTable() const { return *m_scenesTable; }
    const TUTYElementsTable &elementsTable() const { return *m_elementsTable; }
    const TUTYDrawingsTable &drawingsTable() const { return *m_drawingsTable; }
    bool isElementsPaneShown() const;
    bool isDrawingsPaneShown() const;

    // Empties the elements and drawings and closes the open scene.
    void clearElements();
    // Also empties the scenes and closes the open job.
    void clearScenes();
    // Reads the open job's scenes again and shows them, none selected.
    void refreshScenes();
    // Keeps the lists and their menus from being used while a dialog that
    // changes them is open.
    void setBrowsingEnabled(bool enabled);

    TUTYEnvironmentCommands &environmentCommands() const { return *m_environmentCommands; }
    TUTYJobCommands &jobCommands() const { return *m_jobCommands; }
    TUTYSceneCommands &sceneCommands() const { return *m_sceneCommands; }
    TUTYSceneLockCommands &sceneLockCommands() const { return *m_sceneLockCommands; }
    TUTYVectorizeCommands &vectorizeCommands() const { return *m_vectorizeCommands; }
    TUTYAdminCommands &adminCommands() const { return *m_adminCommands; }

public slots:
    void expandElems();
    void collpasedElems();
    void collpasedDrwgs();
    void elementSelected(const QString &elementName, const QString &elementFolder);
    void viewLog();
    void fillEnvironmentList();
    void fillSceneTable();
    void envSelected(QListWidgetItem *item);
    void envSelected();
    void jobSelected(QListWidgetItem *item);
    void jobSelected();
    void sceneSelected(const QString &sceneName);
    void sceneSelectedInternal(const QString &sceneName);
    void elementSelected();
    void envPopupMenu();
    void jobPopupMenu();
    void scenePopupMenu();
    void elementPopupMenu();
    void drawingPopupMenu();
    void openSelectedScene(QTreeWidgetItem *item, int column);
    void openScene();
    void vectorizeQueueEnvironment();
    void cameraQueueEnvironment();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The local folder of a scene of the open job, for messages about it.
    QString sceneFolder(const QString &scene) const;
    void openSecondAccess();
    void createPanes();
    QWidget *createListsPane();
    QWidget *createScenesPane();
    void createMenus();
    void buildFileMenu();
    void connectLists();
    void connectTables();

    void openSelectedJob();
    void fillElements();
    bool stageFileOpens() const;
    void showMenu(QMenu *menu);
    void giveSpaceTo(int pane);
    void foldPane(int pane);
    bool bothHoldersCollapsed() const;
    QSize initialSize() const;
    void startQueue(const QString &mode);
    bool isDarkStyle() const;

    std::unique_ptr<TUDbAccess> m_access;
    std::unique_ptr<TUDbSelect> m_selector;
    std::unique_ptr<TUDbAccess> m_secondAccess;
    bool m_useCurrentWorkingDir;
    PR_Preference *m_preferences = nullptr;
    int m_lockStyle = 2;
    bool m_internalSelection = false;
    bool m_jobOpenedBySelection = false;

    QSplitter *m_splitter = nullptr;
    QListWidget *m_envList = nullptr;
    QListWidget *m_jobList = nullptr;
    TUTYScenesTable *m_scenesTable = nullptr;
    TUTYElementsTable *m_elementsTable = nullptr;
    TUTYDrawingsTable *m_drawingsTable = nullptr;
    TUTYShowHideHolder *m_elementsHolder = nullptr;
    TUTYShowHideHolder *m_drawingsHolder = nullptr;

    QMenu *m_fileMenu = nullptr;
    QMenu *m_envMenu = nullptr;
    QMenu *m_jobMenu = nullptr;
    QMenu *m_sceneMenu = nullptr;
    QMenu *m_elementMenu = nullptr;
    QMenu *m_drawingMenu = nullptr;
    QMenu *m_adminMenu = nullptr;
    QMenu *m_helpMenu = nullptr;

    TUTYEnvironmentCommands *m_environmentCommands = nullptr;
    TUTYJobCommands *m_jobCommands = nullptr;
    TUTYSceneLockCommands *m_sceneLockCommands = nullptr;
    TUTYVectorizeCommands *m_vectorizeCommands = nullptr;
    TUTYSceneCommands *m_sceneCommands = nullptr;
    TUTYAdminCommands *m_adminCommands = nullptr;

    QPointer<TULogDlg> m_logDialog;
    TUTYLauncher *m_launcher;
};
