#include "TUTallyard.h"

#include "BUIAPP_Application.h"
#include "MSG_Scope.h"
#include "PR_Preference.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TUDbSelect.h"
#include "TULogDlg.h"
#include "TUTYAdminCommands.h"
#include "TUTYDrawingsTable.h"
#include "TUTYElementsTable.h"
#include "TUTYEnvironmentCommands.h"
#include "TUTYHelpCommands.h"
#include "TUTYJobCommands.h"
#include "TUTYLauncher.h"
#include "TUTYSceneCommands.h"
#include "TUTYSceneLockCommands.h"
#include "TUTYScenesTable.h"
#include "TUTYShowHideHolder.h"
#include "TUTYVectorizeCommands.h"
#include "oswRemapPath.h"
#include "oswUtil.h"
#include "whoami.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFile>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QVBoxLayout>

#include <utility>

namespace {
const int kSpacing = 7;
const int kListMinimumHeight = 130;
// The splitter's panes, top to bottom.
enum Pane { ListsPane = 0, ScenesPane = 1, ElementsPane = 2, DrawingsPane = 3, PaneCount = 4 };
const QString kLockStyleKey = QStringLiteral("TALLYARD_OPEN_SCENE_LOCK_PREF");

QListWidget *createList(QAbstractItemView::SelectionMode mode, const QString &name, QWidget *parent)
{
    auto *list = new QListWidget(parent);
    list->setObjectName(name);
    list->setSelectionMode(mode);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    list->setMinimumHeight(kListMinimumHeight);
    return list;
}

// Makes item the list's current and only selected item without the list
// announcing it; the caller runs the selection step itself.
void selectQuietly(QListWidget *list, QListWidgetItem *item)
{
    const QSignalBlocker blocker(list);
    list->setCurrentItem(item);
}

QString textOf(const QListWidgetItem *item)
{
    return item ? item->text() : QString();
}

// The items' texts in list order, all or only the selected ones.
QStringList listTexts(const QListWidget *list, bool selectedOnly)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row) {
        if (!selectedOnly || list->item(row)->isSelected())
            texts.append(list->item(row)->text());
    }
    return texts;
}

// The chosen item's text: the selection, not the current item, which a list
// sets by itself when it first gets the focus.
QString chosenText(const QListWidget *list)
{
    const QList<QListWidgetItem *> selected = list->selectedItems();
    return selected.size() == 1 ? selected.first()->text() : QString();
}
} // namespace

TUTallyard::TUTallyard(std::unique_ptr<TUDbAccess> access, std::unique_ptr<TUDbSelect> selector,
                       bool useCurrentWorkingDir, QWidget *parent)
    : QMainWindow(parent)
    , m_access(std::move(access))
    , m_selector(std::move(selector))
    , m_useCurrentWorkingDir(useCurrentWorkingDir)
    , m_launcher(new TUTYLauncher(this))
{
    setObjectName(whoami::progName());
    setWindowTitle(tr("Tallyard"));
    setWindowIcon(QIcon(oswUtil::QVXDir() + QStringLiteral("/resources/icons/tallyard.png")));
    openSecondAccess();
    createPanes();
    createMenus();
    connectLists();
    connectTables();
    resize(initialSize());
    fillEnvironmentList();
}

TUTallyard::~TUTallyard()
{
    // The widgets go after this body; nothing they still say may reach the
    // database once it is closed.
    for (QObject *widget : std::initializer_list<QObject *>{m_envList, m_jobList, m_scenesTable, m_elementsTable,
                                                            m_drawingsTable, m_elementsHolder, m_drawingsHolder})
        widget->blockSignals(true);
    m_access->closeScene();
    m_access->dba_Close2dDatabaseSession();
    m_access.reset();
    m_selector.reset();
    if (m_secondAccess) {
        m_secondAccess->closeScene();
        m_secondAccess->dba_Close2dDatabaseSession();
        m_secondAccess.reset();
    }
    // The launcher, a child, stops the programs it started when it goes.
}

void TUTallyard::openSecondAccess()
{
    auto second = std::make_unique<TUDbAccess>();
    second->dba_Initialize2dSystem(QStringLiteral("Tallyard"));
    // The same database as the shared access, whatever the environment says.
    const bool opened = m_access->isSessionOpen()
                            ? second->dba_Open2dDatabaseSession(m_access->context().connection.url()) != -1
                            : second->dba_Open2dDatabaseSession() != -1;
    if (!opened) {
        MSG_Scope("TUTallyard",
                  QT_TRANSLATE_NOOP("TUTallyard", "Could not connect to the database, exiting application."),
                  MSG_Scope::Warn);
        return;
    }
    second->setCurrentUser(m_access->userName());
    second->sceneData().setUserName(m_access->sceneData().userName());
    m_secondAccess = std::move(second);
}

void TUTallyard::setUserPreferences(PR_Preference *preferences)
{
    m_preferences = preferences;
    if (preferences)
        m_lockStyle = preferences->getIntValue(kLockStyleKey, TUTYLauncher::VersionLock);
}

// Layout

void TUTallyard::createPanes()
{
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setSpacing(kSpacing);
    m_splitter = new QSplitter(Qt::Vertical, central);
    m_splitter->setObjectName(QStringLiteral("splitter"));
    m_splitter->setChildrenCollapsible(false);
    layout->addWidget(m_splitter);

    m_splitter->addWidget(createListsPane());
    m_splitter->addWidget(createScenesPane());

    m_elementsHolder = new TUTYShowHideHolder(tr(" Elements "), m_splitter);
    m_elementsHolder->setObjectName(QStringLiteral("elementsHolder"));
    m_elementsTable = new TUTYElementsTable(m_elementsHolder);
    m_elementsTable->setObjectName(QStringLiteral("elementsTable"));
    m_elementsHolder->setWidget(m_elementsTable, false);
    m_splitter->addWidget(m_elementsHolder);

    m_drawingsHolder = new TUTYShowHideHolder(tr(" Drawings "), m_splitter);
    m_drawingsHolder->setObjectName(QStringLiteral("drawingsHolder"));
    m_drawingsTable = new TUTYDrawingsTable(m_drawingsHolder);
    m_drawingsTable->setObjectName(QStringLiteral("drawingsTable"));
    m_drawingsHolder->setWidget(m_drawingsTable, false);
    m_splitter->addWidget(m_drawingsHolder);

    // The scenes take what the window gains; the folded holders keep their bar.
    m_splitter->setStretchFactor(ScenesPane, 1);
    setCentralWidget(central);
}

QWidget *TUTallyard::createListsPane()
{
    auto *pane = new QWidget(m_splitter);
    auto *grid = new QGridLayout(pane);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(kSpacing);
    m_envList = createList(QAbstractItemView::SingleSelection, QStringLiteral("environmentList"), pane);
    m_jobList = createList(QAbstractItemView::ExtendedSelection, QStringLiteral("jobList"), pane);
    grid->addWidget(new QLabel(tr("Environments"), pane), 0, 0);
    grid->addWidget(new QLabel(tr("Jobs"), pane), 0, 1);
    grid->addWidget(m_envList, 1, 0);
    grid->addWidget(m_jobList, 1, 1);
    return pane;
}

QWidget *TUTallyard::createScenesPane()
{
    auto *pane = new QWidget(m_splitter);
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kSpacing);
    m_scenesTable = new TUTYScenesTable(pane);
    m_scenesTable->setObjectName(QStringLiteral("scenesTable"));
    m_scenesTable->setMinimumHeight(kListMinimumHeight);
    layout->addWidget(new QLabel(tr("Scenes"), pane));
    layout->addWidget(m_scenesTable);
    return pane;
}

// Menus: the command sets fill them when they are first shown. The
// Environment, Job, Scene, Element and Drawing menus are also the context
// menus of their lists.

void TUTallyard::createMenus()
{
    m_fileMenu = menuBar()->addMenu(tr("&File"));
    m_envMenu = menuBar()->addMenu(tr("&Environment"));
    m_jobMenu = menuBar()->addMenu(tr("&Job"));
    m_sceneMenu = menuBar()->addMenu(tr("&Scene"));
    m_elementMenu = menuBar()->addMenu(tr("&Element"));
    m_drawingMenu = menuBar()->addMenu(tr("&Drawing"));
    m_adminMenu = menuBar()->addMenu(tr("&Admin"));
    m_helpMenu = menuBar()->addMenu(tr("&Help"));
    buildFileMenu();
    m_environmentCommands = new TUTYEnvironmentCommands(*this, m_envMenu);
    m_jobCommands = new TUTYJobCommands(*this, m_jobMenu);
    m_sceneLockCommands = new TUTYSceneLockCommands(*this);
    m_vectorizeCommands = new TUTYVectorizeCommands(*this, m_elementMenu, m_drawingMenu);
    m_sceneCommands = new TUTYSceneCommands(*this, m_sceneMenu, *m_sceneLockCommands, *m_vectorizeCommands);
    m_adminCommands = new TUTYAdminCommands(*this, m_adminMenu);
    new TUTYHelpCommands(*this, m_helpMenu);
}

void TUTallyard::buildFileMenu()
{
    m_fileMenu->addAction(tr("&View Log..."), this, &TUTallyard::viewLog);
    m_fileMenu->addAction(tr("&Exit"), this, &QWidget::close);
}

void TUTallyard::showMenu(QMenu *menu)
{
    // The menu fills itself as it opens.
    if (menu->isEnabled())
        menu->popup(QCursor::pos());
}

void TUTallyard::setBrowsingEnabled(bool enabled)
{
    for (QWidget *widget : std::initializer_list<QWidget *>{m_envList, m_jobList, m_scenesTable, m_elementsTable,
                                                            m_drawingsTable, m_envMenu, m_jobMenu, m_sceneMenu,
                                                            m_elementMenu, m_drawingMenu})
        widget->setEnabled(enabled);
}

void TUTallyard::envPopupMenu() { showMenu(m_envMenu); }
void TUTallyard::jobPopupMenu() { showMenu(m_jobMenu); }
void TUTallyard::scenePopupMenu() { showMenu(m_sceneMenu); }
void TUTallyard::elementPopupMenu() { showMenu(m_elementMenu); }
void TUTallyard::drawingPopupMenu() { showMenu(m_drawingMenu); }

void TUTallyard::viewLog()
{
    if (!m_logDialog) {
        m_logDialog = new TULogDlg(dialogParent());
        m_logDialog->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_logDialog->show();
    m_logDialog->raise();
    m_logDialog->activateWindow();
}

// Connections

void TUTallyard::connectLists()
{
    connect(m_envList, &QListWidget::itemClicked, this, QOverload<QListWidgetItem *>::of(&TUTallyard::envSelected));
    connect(m_envList, &QListWidget::itemSelectionChanged, this, QOverload<>::of(&TUTallyard::envSelected));
    connect(m_envList, &QWidget::customContextMenuRequested, this, &TUTallyard::envPopupMenu);
    connect(m_jobList, &QListWidget::itemClicked, this, QOverload<QListWidgetItem *>::of(&TUTallyard::jobSelected));
    connect(m_jobList, &QListWidget::itemSelectionChanged, this, QOverload<>::of(&TUTallyard::jobSelected));
    connect(m_jobList, &QWidget::customContextMenuRequested, this, &TUTallyard::jobPopupMenu);
    // Mouse events reach a list's viewport, not the list.
    m_envList->viewport()->installEventFilter(this);
    m_jobList->viewport()->installEventFilter(this);
}

void TUTallyard::connectTables()
{
    connect(m_scenesTable, QOverload<const QString &>::of(&TUTYTable::selectionChanged), this, &TUTallyard::sceneSelected);
    connect(m_scenesTable, &TUTYTable::menuRequested, this, &TUTallyard::scenePopupMenu);
    connect(m_scenesTable, &QTreeWidget::itemDoubleClicked, this, &TUTallyard::openSelectedScene);
    connect(m_elementsTable, QOverload<const QString &>::of(&TUTYTable::selectionChanged), this, QOverload<>::of(&TUTallyard::elementSelected));
    connect(m_elementsTable, &TUTYTable::menuRequested, this, &TUTallyard::elementPopupMenu);
    connect(m_drawingsTable, &TUTYTable::menuRequested, this, &TUTallyard::drawingPopupMenu);
    connect(m_elementsHolder, &TUTYShowHideHolder::collapsedShowHide, this, &TUTallyard::collpasedElems);
    connect(m_elementsHolder, &TUTYShowHideHolder::expandShowHide, this, &TUTallyard::expandElems);
    connect(m_drawingsHolder, &TUTYShowHideHolder::collapsedShowHide, this, &TUTallyard::collpasedDrwgs);
    connect(m_drawingsHolder, &TUTYShowHideHolder::expandShowHide, this, [this] { giveSpaceTo(DrawingsPane); });
    connect(m_drawingsHolder, &TUTYShowHideHolder::expandShowHide, this,
            QOverload<>::of(&TUTallyard::elementSelected));
}

bool TUTallyard::eventFilter(QObject *watched, QEvent *event)
{
    const bool envList = watched == m_envList->viewport();
    if (!envList && watched != m_jobList->viewport())
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
        if (envList)
            envPopupMenu();
        else
            jobPopupMenu();
        return true;
    }
    // A new click starts; the selection change it may cause opens the job,
    // and its click signal then need not open it again.
    if (!envList && event->type() == QEvent::MouseButtonPress)
        m_jobOpenedBySelection = false;
    // The press above already opened the menu for the mouse.
    if (event->type() == QEvent::ContextMenu
        && static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Mouse)
        return true;
    return QMainWindow::eventFilter(watched, event);
}

// Clearing below a level

void TUTallyard::clearElements()
{
    m_drawingsTable->clearTable();
    m_elementsTable->clearTable();
    if (m_access->sceneRecord().isOpen()) {
        m_access->dba_CloseScene(m_access->sceneRecord());
        m_access->sceneData().clear();
    }
}

void TUTallyard::clearScenes()
{
    clearElements();
    m_scenesTable->clearTable();
    if (m_access->jobRecord().isOpen())
        m_access->dba_CloseJob(m_access->jobRecord());
}

// Selection steps

void TUTallyard::fillEnvironmentList()
{
    clearScenes();
    m_jobList->clear();
    m_envList->clear();
    QStringList names;
    if (m_access->dba_GetEnvironments(names) == -1) {
        MSG_Scope("TUTallyard", QT_TRANSLATE_NOOP("TUTallyard", "Cannot get environments list"));
        return;
    }
    m_envList->addItems(names);
}

void TUTallyard::envSelected(QListWidgetItem *item)
{
    clearScenes();
    m_jobList->clear();
    const QString environment = textOf(item);
    if (environment.isEmpty())
        return;
    QVector<dba_job_struct> jobs;
    if (m_access->dba_GetEnvironmentJobs(environment, jobs, 0) == -1) {
        MSG_Scope("TUTallyard", MSG_Text(m_access->lastErrorText()));
        return;
    }
    for (const dba_job_struct &job : qAsConst(jobs))
        m_jobList->addItem(job.name);
}

void TUTallyard::envSelected()
{
    envSelected(m_envList->selectedItems().value(0));
}

void TUTallyard::jobSelected(QListWidgetItem *)
{
    // The selection decides, not the clicked item: a control-click may have
    // just deselected it. A click that changed the selection has been served.
    if (std::exchange(m_jobOpenedBySelection, false))
        return;
    openSelectedJob();
}

void TUTallyard::jobSelected()
{
    m_jobOpenedBySelection = true;
    openSelectedJob();
}

void TUTallyard::openSelectedJob()
{
    clearScenes();
    const QList<QListWidgetItem *> selected = m_jobList->selectedItems();
    if (selected.size() != 1)
        return;
    const QString job = selected.first()->text();
    if (m_access->dba_OpenJob(job, m_access->jobRecord()) == -1) {
        MSG_Scope("TUTallyard", QT_TRANSLATE_NOOP("TUTallyard", "Error opening job: %1.")).arg(job);
        return;
    }
    fillSceneTable();
}

void TUTallyard::fillSceneTable()
{
    const dba_job_struct &job = m_access->jobRecord();
    if (!job.isOpen()) {
        m_scenesTable->clearTable();
        return;
    }
    m_scenesTable->fillFromJob(job, m_access->dba_HasSceneCheckoutFields(&job));
}

void TUTallyard::refreshScenes()
{
    clearElements();
    if (m_access->jobRecord().isOpen())
        m_access->dba_RefreshJob(m_access->jobRecord());
    fillSceneTable();
}

QString TUTallyard::currentEnvironment() const
{
    return chosenText(m_envList);
}

QStringList TUTallyard::jobNames() const
{
    return listTexts(m_jobList, false);
}

QStringList TUTallyard::selectedJobs() const
{
    return listTexts(m_jobList, true);
}

QStringList TUTallyard::selectedScenes() const
{
    return m_scenesTable->columnTexts(TUTYScenesTable::Name, true, true);
}

bool TUTallyard::isElementsPaneShown() const
{
    return !m_elementsHolder->isCollapsed();
}

bool TUTallyard::isDrawingsPaneShown() const
{
    return !m_drawingsHolder->isCollapsed();
}

void TUTallyard::sceneSelected(const QString &sceneName)
{
    clearElements();
    if (sceneName.isEmpty())
        return;
    dba_scene_struct &scene = m_access->sceneRecord();
    if (m_access->dba_OpenScene(sceneName, m_access->jobRecord(), scene) == -1) {
        MSG_Scope("TUTallyard", QT_TRANSLATE_NOOP("TUTallyard", "Could not open scene %1.")).arg(sceneName);
        return;
    }
    m_access->sceneData().setScene(scene);
    // With both lists folded away nothing more is read until one unfolds.
    if (bothHoldersCollapsed() && !m_internalSelection)
        return;
    fillElements();
}

void TUTallyard::sceneSelectedInternal(const QString &sceneName)
{
    m_internalSelection = true;
    sceneSelected(sceneName);
    m_internalSelection = false;
}

QSize TUTallyard::initialSize() const
{
    // 550 x 550, widened so that the scenes' columns show without scrolling
    // where the screen has the room.
    int width = 2 * centralWidget()->layout()->contentsMargins().left() + 2 * m_scenesTable->frameWidth()
        + m_scenesTable->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < m_scenesTable->columnCount(); ++column)
        width += m_scenesTable->columnWidth(column);
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (screen)
        width = qMin(width, screen->availableGeometry().width());
    return QSize(qMax(550, width), 550);
}

bool TUTallyard::bothHoldersCollapsed() const
{
    return m_elementsHolder->isCollapsed() && m_drawingsHolder->isCollapsed();
}

void TUTallyard::fillElements()
{
    const dba_scene_struct &scene = m_access->sceneRecord();
    // A scene saved by the editor would be loaded from its scene file, but
    // the scene-file loading path is not available in this build: such a
    // scene's elements come from the database too, once its scene file
    // proves readable (an unreadable one shows no elements, quietly).
    if (m_access->dba_isStageScene(scene) && !stageFileOpens())
        return;
    const QVector<QVX_element_data> elements = m_access->read_DBA_elements(scene);
    for (const QVX_element_data &element : elements)
        m_elementsTable->addElement(element);
}

bool TUTallyard::stageFileOpens() const
{
    const QString stored = m_access->sceneData().stageFileName();
    if (stored.isEmpty())
        return false;
    QFile file(oswRemapPath::RemapPath2(stored));
    return file.open(QIODevice::ReadOnly | QIODevice::Text);
}

void TUTallyard::elementSelected()
{
    // A table makes its first row current by itself on focus; only a
    // current row that is also selected was chosen.
    const QTreeWidgetItem *current = m_elementsTable->currentItem();
    if (current && !current->isSelected())
        current = nullptr;
    elementSelected(current ? current->text(TUTYElementsTable::Name) : QString(),
                    current ? current->text(TUTYElementsTable::Folder) : QString());
}

void TUTallyard::elementSelected(const QString &elementName, const QString &elementFolder)
{
    m_drawingsTable->clearTable();
    if (elementName.isEmpty())
        return;
    const dba_scene_struct &scene = m_access->sceneRecord();
    QVX_element_data element;
    if (!m_access->element_data_of_DBA_element_name(scene, elementName, elementFolder, element))
        return;
    QVector<dba_cel_struct> cels;
    if (m_access->dba_GetCels(scene, element.id, cels) == -1)
        return;
    for (const dba_cel_struct &cel : qAsConst(cels))
        m_drawingsTable->addCel(cel);
}

void TUTallyard::selectEnvJobScene(const QString &environment, const QString &job, const QString &scene)
{
    const Qt::MatchFlags exactly = Qt::MatchExactly | Qt::MatchCaseSensitive;
    const QList<QListWidgetItem *> environments = m_envList->findItems(environment, exactly);
    if (environments.size() != 1)
        return;
    selectQuietly(m_envList, environments.first());
    envSelected(environments.first());

    const QList<QListWidgetItem *> jobs = m_jobList->findItems(job, exactly);
    if (jobs.size() != 1)
        return;
    selectQuietly(m_jobList, jobs.first());
    jobSelected(jobs.first());

    const QList<QTreeWidgetItem *> scenes = m_scenesTable->findItems(scene, exactly, TUTYScenesTable::Name);
    if (scenes.size() != 1)
        return;
    {
        const QSignalBlocker blocker(m_scenesTable);
        m_scenesTable->setCurrentItem(scenes.first());
    }
    m_scenesTable->scrollToItem(scenes.first());
    sceneSelected(scene);
}

// Holders

void TUTallyard::expandElems()
{
    giveSpaceTo(ElementsPane);
    sceneSelected(m_scenesTable->selectedName());
}

void TUTallyard::collpasedElems()
{
    foldPane(ElementsPane);
}

void TUTallyard::collpasedDrwgs()
{
    foldPane(DrawingsPane);
}

void TUTallyard::foldPane(int pane)
{
    const int barHeight = static_cast<TUTYShowHideHolder *>(m_splitter->widget(pane))->barHeight();
    if (m_splitter->count() != PaneCount)
        return;
    // The scenes take the space the folded holder gives up.
    QList<int> sizes = m_splitter->sizes();
    sizes[ScenesPane] += sizes[pane] - barHeight;
    sizes[pane] = barHeight;
    m_splitter->setSizes(sizes);
}

void TUTallyard::giveSpaceTo(int pane)
{
    if (m_splitter->count() != PaneCount)
        return;
    // An unfolded holder would otherwise keep only its bar's height.
    QList<int> sizes = m_splitter->sizes();
    const int share = (sizes[ScenesPane] + sizes[pane]) / 2;
    if (sizes[pane] >= share)
        return;
    sizes[ScenesPane] -= share - sizes[pane];
    sizes[pane] = share;
    m_splitter->setSizes(sizes);
}

// The scene editor and the queue program

void TUTallyard::openScene()
{
    if (m_jobList->selectedItems().isEmpty())
        return;
    const QString environment = chosenText(m_envList);
    const QString job = chosenText(m_jobList);
    const QStringList scenes = m_scenesTable->columnTexts(TUTYScenesTable::Name, true, true);
    if (environment.isEmpty())
        MSG_Scope("TUTallyard", QT_TRANSLATE_NOOP("TUTallyard", "No environment is selected!\n"));
    else if (job.isEmpty())
        MSG_Scope("TUTallyard", QT_TRANSLATE_NOOP("TUTallyard", "No job is selected!\n"));
    else if (scenes.isEmpty())
        MSG_Scope("TUTallyard", QT_TRANSLATE_NOOP("TUTallyard", "No scene is selected!\n"));
    else
        openScene(environment, job, scenes);
}

void TUTallyard::openSelectedScene(QTreeWidgetItem *item, int column)
{
    if (column == -1)
        return;
    const QString environment = chosenText(m_envList);
    const QString job = chosenText(m_jobList);
    const QString scene = item ? item->text(TUTYScenesTable::Name) : QString();
    if (environment.isEmpty() || job.isEmpty() || scene.isEmpty()) {
        MSG_Scope("TUTallyard", QT_TRANSLATE_NOOP("TUTallyard", "Choose a wrong secene name!\n"));
        return;
    }
    openScene(environment, job, {scene});
}

void TUTallyard::openScene(const QString &environment, const QString &job, const QStringList &scenes)
{
    const QString user = m_access->sceneData().userName();
    for (const QString &scene : scenes)
        m_launcher->openScene(user, m_lockStyle, environment, job, scene, sceneFolder(scene));
}

QString TUTallyard::sceneFolder(const QString &scene) const
{
    const DBC_Table &table = m_access->jobRecord().scene();
    for (int row = 0; row < table.rowCount(); ++row) {
        if (table.data(row, 0).toString() == scene)
            return oswRemapPath::RemapPath2(table.data(row, 3).toString());
    }
    return scene;
}

void TUTallyard::vectorizeQueueEnvironment()
{
    startQueue(QStringLiteral("-vect"));
}

void TUTallyard::cameraQueueEnvironment()
{
    startQueue(QStringLiteral("-camera"));
}

void TUTallyard::startQueue(const QString &mode)
{
    const QString environment = chosenText(m_envList);
    if (environment.isEmpty())
        return;
    m_launcher->startQueue(mode, environment, m_selector->userName(), isDarkStyle());
}

bool TUTallyard::isDarkStyle() const
{
    // The application's style is what the "Dark Style" choice switches.
    const BUIAPP_Application *app = BUIAPP_Application::instance();
    return app && app->isDarkStyle();
}

// Closing

QWidget *TUTallyard::dialogParent()
{
    const BUIAPP_Application *app = BUIAPP_Application::instance();
    QWidget *floater = app ? app->floaterModal() : nullptr;
    return floater ? floater : this;
}

void TUTallyard::closeEvent(QCloseEvent *event)
{
    if (m_launcher->isSceneOpenInProgress()
        && QMessageBox::question(dialogParent(), tr("Exit Tallyard"),
                                 tr("Exiting Tallyard may cancel the scene open operation. Please wait before "
                                    "exiting Tallyard.\nExit Tallyard?"),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
               != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    event->accept();
}
