#include "BUIAPP_Application.h"
#include "BoxAnswerer.h"
#include "DbTestFixture.h"
#include "OSW_Lang.h"
#include "RecordingSink.h"
#include "StandInProgram.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TUDbSelect.h"
#include "TULogDlg.h"
#include "TUTYDrawingsTable.h"
#include "TUTYElementsTable.h"
#include "TUTYLauncher.h"
#include "TUTYScenesTable.h"
#include "TUTYShowHideHolder.h"
#include "TUTallyard.h"
#include "oswRemapPath.h"
#include "whoami.h"

#include <QDir>
#include <QListWidget>
#include <QMenuBar>
#include <QProcess>
#include <QSplitter>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <memory>

// The main window as a user sees it, over a small database: environments
// Alpha (jobs A1, A2) and Beta (job B1); A1 holds s1 (elements bg and char
// with drawings), s2 (checked out), s3 (saved by the editor, scene file
// present) and s4 (saved by the editor, scene file missing).
class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowHasItsPanesAndMenus();
    void environmentsListTheirJobs();
    void jobFillsTheScenesTable();
    void clickingAJobReadsItOnceAndAgainOnTheNextClick();
    void twoJobsClearEverythingBelow();
    void foldedHoldersOpenTheSceneButReadNothing();
    void twoScenesClearTheElements();
    void elementsListTheirDrawings();
    void editorScenesNeedAReadableSceneFile();
    void foldingGivesTheSpaceToTheScenes();
    void startUpSelection_data();
    void startUpSelection();
    void rightPressOnAListKeepsItsSelection();
    void vanishedJobAndSceneAreReported();
    void unreadableEnvironmentsAreReported();
    void editorCommandLineFollowsTheLockStyle_data();
    void editorCommandLineFollowsTheLockStyle();
    void openSceneNeedsASelection();
    void openSceneStartsOneEditorPerScene();
    void closeAsksWhileASceneOpens_data();
    void closeAsksWhileASceneOpens();
    void queueProgramRunsOncePerModeAndEnvironment();
    void queueProgramGetsLanguageAndStyle();
    void viewLogOpensOneLogWindow();
    void windowHasASecondAccess();
    void destroyingTheWindowStopsProgramsAndClosesSessions();

private:
    bool fillDatabase();
    bool addScene(const QString &name, dba_scene_struct &scene);
    bool addElement(const dba_scene_struct &scene, QVX_element_data element, const QVector<dba_cel_struct> &cels)
    {
        return DbTestFixture::addElement(*m_db, scene, element, cels);
    }
    bool createWindow();

    QListWidget *envList() const { return m_window->findChild<QListWidget *>(QStringLiteral("environmentList")); }
    QListWidget *jobList() const { return m_window->findChild<QListWidget *>(QStringLiteral("jobList")); }
    TUTYScenesTable *scenes() const { return m_window->findChild<TUTYScenesTable *>(); }
    TUTYElementsTable *elements() const { return m_window->findChild<TUTYElementsTable *>(); }
    TUTYDrawingsTable *drawings() const { return m_window->findChild<TUTYDrawingsTable *>(); }
    TUTYShowHideHolder *holder(const char *name) const
    {
        return m_window->findChild<TUTYShowHideHolder *>(QLatin1String(name));
    }
    QSplitter *splitter() const { return m_window->findChild<QSplitter *>(QStringLiteral("splitter")); }

    static QStringList texts(const QListWidget *list);
    static void click(QListWidget *list, const QString &text, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    static void click(TUTYTable *table, const QString &name, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    static void toggle(TUTYShowHideHolder *holder);
    void openJob(const QString &environment, const QString &job);
    QStringList editorLog() const;

    std::unique_ptr<RecordingSink> m_sink;
    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    std::unique_ptr<TUTallyard> m_window;
    QTemporaryDir m_scratch;
    QString m_editorLog;
};

void tst_MainWindow::init()
{
    m_sink = std::make_unique<RecordingSink>();
    m_fixture = std::make_unique<DbTestFixture>();
    m_db = m_fixture->open();
    QVERIFY2(m_db, qPrintable(m_fixture->errorString()));
    QVERIFY2(fillDatabase(), qPrintable(m_db->lastErrorText()));
    m_editorLog = m_scratch.path() + QStringLiteral("/editor.log");
    QFile::remove(m_editorLog);
    qputenv("FAKE_EDITOR_LOG", m_editorLog.toUtf8());
    qputenv("TALLYARD_EDITOR", FAKE_EDITOR);
    qputenv("TALLYARD_QUEUE", FAKE_EDITOR);
    OSW_Lang::setDefaultLanguage(QStringLiteral("en"));
    BUIAPP_Application::instance()->setDarkStyle(false);
    QVERIFY(createWindow());
    m_sink->clear();
}

void tst_MainWindow::cleanup()
{
    m_window.reset();
    m_db.reset();
    m_fixture.reset();
    m_sink.reset();
    qunsetenv("TALLYARD_EDITOR");
    qunsetenv("TALLYARD_QUEUE");
}

bool tst_MainWindow::fillDatabase()
{
    if (!m_db->createEnv(QStringLiteral("Alpha"), false) || !m_db->createEnv(QStringLiteral("Beta"), false))
        return false;
    const std::pair<const char *, const char *> jobs[] = {{"Alpha", "A1"}, {"Alpha", "A2"}, {"Beta", "B1"}};
    for (const auto &[environment, name] : jobs) {
        dba_job_struct job;
        job.name = QLatin1String(name);
        job.environment = QLatin1String(environment);
        if (m_db->dba_createJob(job) <= 0)
            return false;
    }
    dba_scene_struct s1, s2, s3, s4;
    if (!addScene(QStringLiteral("s1"), s1) || !addScene(QStringLiteral("s2"), s2) || !addScene(QStringLiteral("s3"), s3)
        || !addScene(QStringLiteral("s4"), s4))
        return false;

    QVX_element_data bg;
    bg.name = QStringLiteral("bg");
    QVX_element_data character;
    character.name = QStringLiteral("char");
    character.folder = QStringLiteral("char_v2");
    character.scanType = QStringLiteral("Colour");
    character.fieldChart = 16.5;
    dba_cel_struct painted;
    painted.name = QStringLiteral("1");
    painted.stage = 3;
    painted.state = 5;
    dba_cel_struct vectorized;
    vectorized.name = QStringLiteral("2");
    vectorized.suffix = QStringLiteral("a");
    vectorized.stage = 2;
    vectorized.state = 4;
    dba_cel_struct sheet;
    sheet.name = QStringLiteral("7");
    if (!addElement(s1, bg, {sheet}) || !addElement(s1, character, {painted, vectorized}))
        return false;

    dba_job_struct a1;
    if (m_db->dba_OpenJob(QStringLiteral("A1"), a1) != 0 || !m_db->dba_setSceneFrames(s1, 24)
        || !m_db->dba_changePriorityScene(a1, QStringLiteral("s1"), 3)
        || !m_db->dba_CheckoutScene(a1, QStringLiteral("s2"), QStringLiteral("admin")))
        return false;

    // s3 and s4 were saved by the editor; only s3's scene file is there.
    QVX_element_data ink;
    ink.name = QStringLiteral("ink");
    QVX_element_data lost;
    lost.name = QStringLiteral("lost");
    if (m_db->dba_addSceneVersion(s3, QStringLiteral("v"), QString()) != 1
        || m_db->dba_addSceneVersion(s4, QStringLiteral("v"), QString()) != 1 || !addElement(s3, ink, {})
        || !addElement(s4, lost, {}))
        return false;
    const QString stage = oswRemapPath::RemapPath2(s3.path) + QStringLiteral("/stage");
    QFile file(stage + QStringLiteral("/v1.pavx"));
    return QDir().mkpath(stage) && file.open(QIODevice::WriteOnly) && file.write("<project/>\n") > 0;
}

bool tst_MainWindow::addScene(const QString &name, dba_scene_struct &scene)
{
    dba_job_struct job;
    return m_db->dba_OpenJob(QStringLiteral("A1"), job) == 0
        && m_db->dba_CreateScene(job, name, QString(), m_fixture->fileSystem(), QString(), 1, -1, 1)
        && m_db->dba_OpenScene(name, job, scene) == 0;
}


bool tst_MainWindow::createWindow()
{
    std::unique_ptr<TUDbAccess> access = m_fixture->open();
    auto selector = std::make_unique<TUDbSelectSingleDbClient>(9, 0, 0, 0);
    if (!access || !selector->setUserName(QStringLiteral("admin")))
        return false;
    access->sceneData().setUserName(selector->userName());
    m_window = std::make_unique<TUTallyard>(std::move(access), std::move(selector), false);
    m_window->show();
    return QTest::qWaitForWindowExposed(m_window.get());
}

QStringList tst_MainWindow::texts(const QListWidget *list)
{
    QStringList all;
    for (int i = 0; i < list->count(); ++i)
        all.append(list->item(i)->text());
    return all;
}

void tst_MainWindow::click(QListWidget *list, const QString &text, Qt::KeyboardModifiers modifiers)
{
    const QList<QListWidgetItem *> items = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(items.size() == 1, qPrintable(text));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(items.first()).center());
}

void tst_MainWindow::click(TUTYTable *table, const QString &name, Qt::KeyboardModifiers modifiers)
{
    const QList<QTreeWidgetItem *> items = table->findItems(name, Qt::MatchExactly, 0);
    QVERIFY2(items.size() == 1, qPrintable(name));
    table->scrollToItem(items.first());
    QTest::mouseClick(table->viewport(), Qt::LeftButton, modifiers, table->visualItemRect(items.first()).center());
}

void tst_MainWindow::toggle(TUTYShowHideHolder *holder)
{
    QTest::mouseClick(holder->findChild<QToolButton *>(), Qt::LeftButton);
}

void tst_MainWindow::openJob(const QString &environment, const QString &job)
{
    click(envList(), environment);
    click(jobList(), job);
}

QStringList tst_MainWindow::editorLog() const
{
    QFile file(m_editorLog);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void tst_MainWindow::windowHasItsPanesAndMenus()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Tallyard"));
    QCOMPARE(m_window->objectName(), whoami::progName());
    QCOMPARE(splitter()->count(), 4);
    QCOMPARE(splitter()->widget(1)->findChild<TUTYScenesTable *>(), scenes());
    QCOMPARE(splitter()->widget(2), holder("elementsHolder"));
    QCOMPARE(splitter()->widget(3), holder("drawingsHolder"));
    QVERIFY(holder("elementsHolder")->isCollapsed());
    QVERIFY(holder("drawingsHolder")->isCollapsed());
    QCOMPARE(splitter()->sizes().at(2), holder("elementsHolder")->barHeight());
    QCOMPARE(envList()->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(jobList()->selectionMode(), QAbstractItemView::ExtendedSelection);
    QVERIFY(envList()->height() >= 130);
    QVERIFY(scenes()->height() >= 130);

    QStringList menus;
    for (QAction *action : m_window->menuBar()->actions())
        menus.append(action->text());
    QCOMPARE(menus, QStringList({"&File", "&Environment", "&Job", "&Scene", "&Element", "&Drawing", "&Admin", "&Help"}));
    QStringList file;
    for (QAction *action : m_window->menuBar()->actions().first()->menu()->actions())
        file.append(action->text());
    QCOMPARE(file, QStringList({"&View Log...", "&Exit"}));
}

void tst_MainWindow::environmentsListTheirJobs()
{
    QCOMPARE(texts(envList()), QStringList({"Alpha", "Beta"}));
    QCOMPARE(jobList()->count(), 0);
    click(envList(), "Alpha");
    QCOMPARE(texts(jobList()), QStringList({"A1", "A2"}));
    click(jobList(), "A1");
    QCOMPARE(scenes()->topLevelItemCount(), 4);
    click(envList(), "Beta");
    QCOMPARE(texts(jobList()), QStringList({"B1"}));
    QCOMPARE(scenes()->topLevelItemCount(), 0);
    QVERIFY(!m_window->access().jobRecord().isOpen());
    QVERIFY2(m_sink->messages().isEmpty(), qPrintable(m_sink->dump()));
}

void tst_MainWindow::jobFillsTheScenesTable()
{
    openJob("Alpha", "A1");
    QCOMPARE(m_window->access().jobRecord().name, QStringLiteral("A1"));
    QCOMPARE(scenes()->columnTexts(TUTYScenesTable::Name, false), QStringList({"s1", "s2", "s3", "s4"}));
    QCOMPARE(scenes()->selectedRowCount(), 0);

    dba_job_struct job;
    QCOMPARE(m_db->dba_OpenJob(QStringLiteral("A1"), job), 0);
    dba_scene_struct s1, s2;
    QCOMPARE(m_db->dba_OpenScene(QStringLiteral("s1"), job, s1), 0);
    QCOMPARE(m_db->dba_OpenScene(QStringLiteral("s2"), job, s2), 0);
    const QTreeWidgetItem *first = scenes()->topLevelItem(0);
    QCOMPARE(first->text(TUTYScenesTable::Path), s1.path);
    QCOMPARE(first->text(TUTYScenesTable::FileSystem), m_fixture->fileSystem());
    QCOMPARE(first->text(TUTYScenesTable::Frames), QStringLiteral("24"));
    QCOMPARE(first->text(TUTYScenesTable::Priority), QStringLiteral("3"));
    QCOMPARE(first->text(TUTYScenesTable::User), QString());
    QCOMPARE(first->text(TUTYScenesTable::Date), QString());

    const QTreeWidgetItem *checkedOut = scenes()->topLevelItem(1);
    QCOMPARE(checkedOut->text(TUTYScenesTable::User), QStringLiteral("admin"));
    const qint64 date = m_db->dba_GetSceneCheckoutDate(s2);
    QVERIFY(date > 0);
    QCOMPARE(checkedOut->text(TUTYScenesTable::Date), TUDbAccess::dba_TimeStamp(date, "%x %X"));
}

void tst_MainWindow::clickingAJobReadsItOnceAndAgainOnTheNextClick()
{
    click(envList(), QStringLiteral("Alpha"));
    int inserted = 0;
    connect(scenes()->model(), &QAbstractItemModel::rowsInserted, this,
            [&inserted](const QModelIndex &, int first, int last) { inserted += last - first + 1; });
    click(jobList(), QStringLiteral("A1"));
    QCOMPARE(inserted, 4);

    // Clicking the chosen job again reads it again: that is how a user sees
    // what other workstations changed.
    dba_job_struct job;
    QCOMPARE(m_db->dba_OpenJob(QStringLiteral("A1"), job), 0);
    QVERIFY(m_db->dba_CreateScene(job, QStringLiteral("s5"), QStringLiteral("admin"), m_fixture->fileSystem(), QString(), 1, -1, 1));
    inserted = 0;
    click(jobList(), QStringLiteral("A1"));
    QCOMPARE(inserted, 5);
}

void tst_MainWindow::twoJobsClearEverythingBelow()
{
    toggle(holder("elementsHolder"));
    openJob("Alpha", "A1");
    click(scenes(), "s1");
    QCOMPARE(elements()->topLevelItemCount(), 2);
    QVERIFY(m_window->access().sceneRecord().isOpen());

    click(jobList(), "A2", Qt::ControlModifier);
    QCOMPARE(jobList()->selectedItems().size(), 2);
    QCOMPARE(scenes()->topLevelItemCount(), 0);
    QCOMPARE(elements()->topLevelItemCount(), 0);
    QCOMPARE(drawings()->topLevelItemCount(), 0);
    QVERIFY(!m_window->access().jobRecord().isOpen());
    QVERIFY(!m_window->access().sceneRecord().isOpen());

    // Back to one job: it opens again.
    click(jobList(), "A1", Qt::ControlModifier);
    QCOMPARE(m_window->access().jobRecord().name, QStringLiteral("A2"));
}

void tst_MainWindow::foldedHoldersOpenTheSceneButReadNothing()
{
    openJob("Alpha", "A1");
    click(scenes(), "s1");
    QCOMPARE(m_window->access().sceneRecord().name, QStringLiteral("s1"));
    QCOMPARE(m_window->access().sceneData().versionId(), m_window->access().sceneRecord().versionId);
    QCOMPARE(elements()->topLevelItemCount(), 0);

    // Selected on the program's own behalf, the scene is read all the same.
    m_window->sceneSelectedInternal(QStringLiteral("s3"));
    QCOMPARE(elements()->columnTexts(TUTYElementsTable::Name, false), QStringList({"ink"}));
    click(scenes(), "s1");
    QCOMPARE(elements()->topLevelItemCount(), 0);

    toggle(holder("elementsHolder"));
    QVERIFY(!holder("elementsHolder")->isCollapsed());
    QCOMPARE(elements()->columnTexts(TUTYElementsTable::Name, false), QStringList({"bg", "char"}));

    // Unfolding the drawings alone also reads the elements.
    toggle(holder("elementsHolder"));
    click(scenes(), "s1");
    QCOMPARE(elements()->topLevelItemCount(), 0);
    toggle(holder("drawingsHolder"));
    click(scenes(), "s1");
    QCOMPARE(elements()->topLevelItemCount(), 2);
}

void tst_MainWindow::twoScenesClearTheElements()
{
    toggle(holder("elementsHolder"));
    toggle(holder("drawingsHolder"));
    openJob("Alpha", "A1");
    click(scenes(), "s1");
    click(elements(), "char");
    QCOMPARE(drawings()->topLevelItemCount(), 2);

    click(scenes(), "s3", Qt::ControlModifier);
    QCOMPARE(scenes()->selectedRowCount(), 2);
    QCOMPARE(elements()->topLevelItemCount(), 0);
    QCOMPARE(drawings()->topLevelItemCount(), 0);
    QVERIFY(!m_window->access().sceneRecord().isOpen());
    QVERIFY2(m_sink->messages().isEmpty(), qPrintable(m_sink->dump()));
}

void tst_MainWindow::elementsListTheirDrawings()
{
    toggle(holder("elementsHolder"));
    toggle(holder("drawingsHolder"));
    openJob("Alpha", "A1");
    click(scenes(), "s1");
    const QTreeWidgetItem *character = elements()->topLevelItem(1);
    QCOMPARE(character->text(TUTYElementsTable::Folder), QStringLiteral("char_v2"));
    QCOMPARE(character->text(TUTYElementsTable::Type), QString());
    QCOMPARE(character->text(TUTYElementsTable::Scan), QStringLiteral("Colour"));
    QCOMPARE(character->text(TUTYElementsTable::FieldChart), QStringLiteral("16.5000"));
    QCOMPARE(drawings()->topLevelItemCount(), 0);

    click(elements(), "char");
    QCOMPARE(drawings()->columnTexts(TUTYDrawingsTable::Name, false), QStringList({"1", "2a"}));
    QCOMPARE(drawings()->columnTexts(TUTYDrawingsTable::Stage, false), QStringList({"Paint", "Vectorize"}));
    QCOMPARE(drawings()->columnTexts(TUTYDrawingsTable::State, false),
             QStringList({"Processing", "Completed with Errors"}));

    click(elements(), "bg");
    QCOMPARE(drawings()->columnTexts(TUTYDrawingsTable::Name, false), QStringList({"7"}));
    QCOMPARE(drawings()->columnTexts(TUTYDrawingsTable::Stage, false), QStringList({"XSheet"}));
    QCOMPARE(drawings()->columnTexts(TUTYDrawingsTable::State, false), QStringList({"Pending"}));

    // Folding the drawings away and back lists the current element again.
    toggle(holder("drawingsHolder"));
    drawings()->clearTable();
    toggle(holder("drawingsHolder"));
    QCOMPARE(drawings()->columnTexts(TUTYDrawingsTable::Name, false), QStringList({"7"}));
}

void tst_MainWindow::editorScenesNeedAReadableSceneFile()
{
    toggle(holder("elementsHolder"));
    openJob("Alpha", "A1");
    click(scenes(), "s3");
    QCOMPARE(elements()->columnTexts(TUTYElementsTable::Name, false), QStringList({"ink"}));
    click(scenes(), "s4");
    QCOMPARE(m_window->access().sceneRecord().name, QStringLiteral("s4"));
    QCOMPARE(elements()->topLevelItemCount(), 0);
    QVERIFY2(m_sink->messages().isEmpty(), qPrintable(m_sink->dump()));
}

void tst_MainWindow::foldingGivesTheSpaceToTheScenes()
{
    toggle(holder("elementsHolder"));
    const QList<int> open = splitter()->sizes();
    QVERIFY2(open.at(2) > 100, qPrintable(QString::number(open.at(2))));
    toggle(holder("elementsHolder"));
    const QList<int> folded = splitter()->sizes();
    QCOMPARE(folded.at(2), holder("elementsHolder")->barHeight());
    QCOMPARE(folded.at(1), open.at(1) + open.at(2) - holder("elementsHolder")->barHeight());
    QCOMPARE(folded.at(0), open.at(0));

    toggle(holder("drawingsHolder"));
    QVERIFY2(splitter()->sizes().at(3) > 100, qPrintable(QString::number(splitter()->sizes().at(3))));
}

void tst_MainWindow::startUpSelection_data()
{
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QString>("job");
    QTest::addColumn<QString>("scene");
    QTest::addColumn<QString>("selectedEnvironment");
    QTest::addColumn<QStringList>("jobs");
    QTest::addColumn<QString>("openJob");
    QTest::addColumn<QString>("openScene");
    const QStringList alphaJobs{"A1", "A2"};
    QTest::newRow("all three") << "Alpha" << "A1" << "s2" << "Alpha" << alphaJobs << "A1" << "s2";
    QTest::newRow("environment in other case") << "alpha" << "A1" << "s2" << "" << QStringList() << "" << "";
    QTest::newRow("unknown environment") << "Gamma" << "A1" << "s2" << "" << QStringList() << "" << "";
    QTest::newRow("unknown job") << "Alpha" << "Nope" << "s2" << "Alpha" << alphaJobs << "" << "";
    QTest::newRow("job of another environment") << "Beta" << "A1" << "s1" << "Beta" << QStringList{"B1"} << "" << "";
    QTest::newRow("no scene") << "Alpha" << "A1" << "" << "Alpha" << alphaJobs << "A1" << "";
    QTest::newRow("unknown scene") << "Alpha" << "A1" << "s9" << "Alpha" << alphaJobs << "A1" << "";
}

void tst_MainWindow::startUpSelection()
{
    QFETCH(QString, environment);
    QFETCH(QString, job);
    QFETCH(QString, scene);
    QFETCH(QString, selectedEnvironment);
    QFETCH(QStringList, jobs);
    QFETCH(QString, openJob);
    QFETCH(QString, openScene);
    m_window->selectEnvJobScene(environment, job, scene);

    const QList<QListWidgetItem *> chosen = envList()->selectedItems();
    QCOMPARE(chosen.isEmpty() ? QString() : chosen.first()->text(), selectedEnvironment);
    QCOMPARE(chosen.size(), selectedEnvironment.isEmpty() ? 0 : 1);
    if (!chosen.isEmpty())
        QCOMPARE(envList()->currentItem(), chosen.first());
    QCOMPARE(texts(jobList()), jobs);
    QCOMPARE(jobList()->selectedItems().size(), openJob.isEmpty() ? 0 : 1);
    QCOMPARE(m_window->access().jobRecord().name, openJob);
    QCOMPARE(scenes()->topLevelItemCount() > 0, !openJob.isEmpty());
    QCOMPARE(m_window->access().sceneRecord().name, openScene);
    QCOMPARE(scenes()->selectedName(), openScene);
    if (!openScene.isEmpty())
        QCOMPARE(scenes()->currentItem()->text(0), openScene);
}

void tst_MainWindow::rightPressOnAListKeepsItsSelection()
{
    click(envList(), "Alpha");
    const QRect beta = envList()->visualItemRect(envList()->findItems("Beta", Qt::MatchExactly).first());
    QTest::mousePress(envList()->viewport(), Qt::RightButton, Qt::NoModifier, beta.center());
    QTest::mouseRelease(envList()->viewport(), Qt::RightButton, Qt::NoModifier, beta.center());
    QCOMPARE(envList()->selectedItems().first()->text(), QStringLiteral("Alpha"));
    QCOMPARE(texts(jobList()), QStringList({"A1", "A2"}));
}

void tst_MainWindow::vanishedJobAndSceneAreReported()
{
    click(envList(), "Alpha");
    QVERIFY(m_db->dba_deleteJob(QStringLiteral("A2")));
    click(jobList(), "A2");
    QVERIFY2(m_sink->has('E', "Error opening job: A2."), qPrintable(m_sink->dump()));
    QCOMPARE(scenes()->topLevelItemCount(), 0);
    QVERIFY(!m_window->access().jobRecord().isOpen());

    click(jobList(), "A1");
    dba_job_struct job;
    QCOMPARE(m_db->dba_OpenJob(QStringLiteral("A1"), job), 0);
    QVERIFY(m_db->dba_deleteScene(job, QStringLiteral("s4")));
    m_sink->clear();
    click(scenes(), "s4");
    QVERIFY2(m_sink->has('E', "Could not open scene s4."), qPrintable(m_sink->dump()));
    QVERIFY(!m_window->access().sceneRecord().isOpen());
}

void tst_MainWindow::unreadableEnvironmentsAreReported()
{
    m_window->access().dba_Close2dDatabaseSession();
    m_window->fillEnvironmentList();
    QVERIFY2(m_sink->has('E', "Cannot get environments list"), qPrintable(m_sink->dump()));
    QCOMPARE(envList()->count(), 0);
}

void tst_MainWindow::editorCommandLineFollowsTheLockStyle_data()
{
    QTest::addColumn<int>("lockStyle");
    QTest::addColumn<QString>("lockArgument");
    QTest::newRow("no lock") << 0 << "-readonly";
    QTest::newRow("scene lock") << 1 << "-lockScene";
    QTest::newRow("version lock") << 2 << "";
    QTest::newRow("asset lock") << 3 << "-lockAssets";
}

void tst_MainWindow::editorCommandLineFollowsTheLockStyle()
{
    QFETCH(int, lockStyle);
    QFETCH(QString, lockArgument);
    m_window->setLockStyle(lockStyle);
    openJob("Alpha", "A1");
    // A double click: a click, then the second press that makes it double.
    click(scenes(), "s2");
    const QList<QTreeWidgetItem *> items = scenes()->findItems("s2", Qt::MatchExactly, 0);
    QTest::mouseDClick(scenes()->viewport(), Qt::LeftButton, Qt::NoModifier,
                       scenes()->visualItemRect(items.first()).center());
    QCOMPARE(m_window->launcher().editorCount(), 1);
    QTRY_COMPARE(m_window->launcher().editorCount(), 0);
    QStringList expected{"-loadFromTY", "-user", "admin"};
    if (!lockArgument.isEmpty())
        expected << lockArgument;
    expected << "Alpha" << "A1" << "s2";
    QCOMPARE(editorLog(), QStringList(expected.join(QLatin1Char('\t'))));
    QVERIFY2(m_sink->messages().isEmpty(), qPrintable(m_sink->dump()));
}

void tst_MainWindow::openSceneNeedsASelection()
{
    m_window->openScene();
    QVERIFY(m_sink->messages().isEmpty());
    openJob("Alpha", "A1");
    m_window->openScene();
    QVERIFY2(m_sink->has('E', "No scene is selected!\n"), qPrintable(m_sink->dump()));
    QCOMPARE(m_window->launcher().editorCount(), 0);
    QVERIFY(editorLog().isEmpty());
}

void tst_MainWindow::openSceneStartsOneEditorPerScene()
{
    m_window->setLockStyle(TUTYLauncher::VersionLock);
    openJob("Alpha", "A1");
    click(scenes(), "s1");
    click(scenes(), "s3", Qt::ControlModifier);
    m_window->openScene();
    QTRY_COMPARE(m_window->launcher().editorCount(), 0);
    QStringList runs = editorLog();
    runs.sort();
    QCOMPARE(runs, QStringList({"-loadFromTY\t-user\tadmin\tAlpha\tA1\ts1", "-loadFromTY\t-user\tadmin\tAlpha\tA1\ts3"}));
}

void tst_MainWindow::closeAsksWhileASceneOpens_data()
{
    QTest::addColumn<bool>("exit");
    QTest::newRow("stay") << false;
    QTest::newRow("exit") << true;
}

void tst_MainWindow::closeAsksWhileASceneOpens()
{
    QFETCH(bool, exit);
    StandInProgram editor;
    QVERIFY(editor.isValid());
    qputenv("TALLYARD_EDITOR", editor.path().toUtf8());
    m_window->openScene("Alpha", "A1", {"s1"});
    QVERIFY(m_window->launcher().isSceneOpenInProgress());
    {
        BoxAnswerer answerer(exit ? QMessageBox::Yes : QMessageBox::No);
        QCOMPARE(m_window->close(), exit);
        QVERIFY(answerer.answered());
        QCOMPARE(answerer.title(), QStringLiteral("Exit Tallyard"));
        QCOMPARE(answerer.text(), QStringLiteral("Exiting Tallyard may cancel the scene open operation. Please wait "
                                                 "before exiting Tallyard.\nExit Tallyard?"));
        QCOMPARE(answerer.defaultButton(), QMessageBox::No);
        QCOMPARE(m_window->isVisible(), !exit);
    }
    if (exit)
        return;
    // Once the editor has said "done", closing asks nothing.
    editor.releaseDone();
    QTRY_VERIFY(!m_window->launcher().isSceneOpenInProgress());
    BoxAnswerer unused(QMessageBox::No);
    QVERIFY(m_window->close());
    QVERIFY(!unused.answered());
    editor.releaseExit();
}

void tst_MainWindow::queueProgramRunsOncePerModeAndEnvironment()
{
    StandInProgram queue;
    QVERIFY(queue.isValid());
    qputenv("TALLYARD_QUEUE", queue.path().toUtf8());
    // No environment chosen: nothing starts.
    m_window->vectorizeQueueEnvironment();
    QCOMPARE(m_window->launcher().queueProgramCount(), 0);

    click(envList(), "Alpha");
    m_window->vectorizeQueueEnvironment();
    m_window->vectorizeQueueEnvironment();
    m_window->cameraQueueEnvironment();
    click(envList(), "Beta");
    m_window->vectorizeQueueEnvironment();
    QCOMPARE(m_window->launcher().queueProgramCount(), 3);
    QTRY_COMPARE(queue.runs().size(), 3);
    // The programs run side by side; their log lines come in any order.
    QVector<QStringList> runs = queue.runs();
    std::sort(runs.begin(), runs.end());
    QCOMPARE(runs, QVector<QStringList>({{"-camera", "Alpha", "admin", "-useLightStyle"},
                                         {"-vect", "Alpha", "admin", "-useLightStyle"},
                                         {"-vect", "Beta", "admin", "-useLightStyle"}}));
}

void tst_MainWindow::queueProgramGetsLanguageAndStyle()
{
    BUIAPP_Application::instance()->setDarkStyle(true);
    OSW_Lang::setDefaultLanguage(QStringLiteral("fr"));
    click(envList(), "Beta");
    m_window->cameraQueueEnvironment();
    QTRY_COMPARE(m_window->launcher().queueProgramCount(), 0);
    QCOMPARE(editorLog(), QStringList({"-camera\tBeta\tadmin\t-lang\tfr"}));
}

void tst_MainWindow::viewLogOpensOneLogWindow()
{
    QAction *viewLog = m_window->menuBar()->actions().first()->menu()->actions().first();
    viewLog->trigger();
    viewLog->trigger();
    int shown = 0;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<TULogDlg *>(widget) && widget->isVisible())
            ++shown;
    }
    QCOMPARE(shown, 1);
}

void tst_MainWindow::windowHasASecondAccess()
{
    TUDbAccess *second = m_window->secondAccess();
    QVERIFY(second);
    QVERIFY(second->isSessionOpen());
    QCOMPARE(second->userName(), QStringLiteral("admin"));
    QStringList environments;
    QCOMPARE(second->dba_GetEnvironments(environments), 2);
}

void tst_MainWindow::destroyingTheWindowStopsProgramsAndClosesSessions()
{
    StandInProgram editor;
    QVERIFY(editor.isValid());
    qputenv("TALLYARD_EDITOR", editor.path().toUtf8());
    m_window->openScene("Alpha", "A1", {"s1"});
    const QList<QProcess *> processes = m_window->launcher().findChildren<QProcess *>();
    QCOMPARE(processes.size(), 1);
    const qint64 pid = processes.first()->processId();
    // The window's shared access and its second one, and our own.
    QVERIFY(m_db->dba_GetSessions().size() >= 3);

    m_window.reset();
    QVERIFY(::kill(pid_t(pid), 0) != 0);
    QCOMPARE(m_db->dba_GetSessions().size(), 1);
}

int main(int argc, char **argv)
{
    // The window's style switch lives on the program's own application class.
    BUIAPP_Application app(argc, argv);
    tst_MainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
