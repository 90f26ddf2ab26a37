#include "BUIAPP_Application.h"
#include "BoxAnswerer.h"
#include "OSW_Lang.h"
#include "StandInProgram.h"
#include "Studio.h"
#include "TULogDlg.h"
#include "TUTYLauncher.h"
#include "whoami.h"

#include <QMenuBar>
#include <QProcess>

#include <csignal>

// The main window as a user sees it, over the studio of Studio.h.
class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowHasItsPanesMenusAndLog();
    void jobsFillTheScenesTable();
    void scenesFillElementsAndDrawings();
    void startUpSelection_data();
    void startUpSelection();
    void vanishedRecordsAreReported();
    void scenesOpenInTheEditor();
    void closeAsksWhileASceneOpens_data();
    void closeAsksWhileASceneOpens();
    void queueProgramFollowsEnvironmentLanguageAndStyle();
    void destroyingTheWindowStopsProgramsAndClosesSessions();

private:
    static QStringList texts(const QListWidget *list);
    QStringList editorLog() const;

    std::unique_ptr<Studio> m_studio;
    TUTallyard *m_window = nullptr;
    QListWidget *m_envs = nullptr;
    QListWidget *m_jobs = nullptr;
    TUTYScenesTable *m_scenes = nullptr;
    QTemporaryDir m_scratch;
    QString m_editorLog;
};

void tst_MainWindow::init()
{
    m_editorLog = m_scratch.path() + QStringLiteral("/editor.log");
    QFile::remove(m_editorLog);
    qputenv("FAKE_EDITOR_LOG", m_editorLog.toUtf8());
    qputenv("TALLYARD_EDITOR", FAKE_EDITOR);
    qputenv("TALLYARD_QUEUE", FAKE_EDITOR);
    OSW_Lang::setDefaultLanguage(QStringLiteral("en"));
    BUIAPP_Application::instance()->setDarkStyle(false);
    m_studio = std::make_unique<Studio>();
    QVERIFY2(m_studio->fill(), qPrintable(m_studio->fixture.errorString()));
    m_studio->createWindow();
    m_window = m_studio->window.get();
    m_envs = m_studio->envList();
    m_jobs = m_studio->jobList();
    m_scenes = m_studio->scenes();
}

void tst_MainWindow::cleanup()
{
    m_studio.reset();
    qunsetenv("TALLYARD_EDITOR");
    qunsetenv("TALLYARD_QUEUE");
}

QStringList tst_MainWindow::texts(const QListWidget *list)
{
    QStringList all;
    for (int i = 0; i < list->count(); ++i)
        all.append(list->item(i)->text());
    return all;
}

QStringList tst_MainWindow::editorLog() const
{
    QFile file(m_editorLog);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList runs = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Programs run side by side: their lines come in any order.
    runs.sort();
    return runs;
}

void tst_MainWindow::windowHasItsPanesMenusAndLog()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Tallyard"));
    QCOMPARE(m_window->objectName(), whoami::progName());
    const QSplitter *splitter = m_window->findChild<QSplitter *>(QStringLiteral("splitter"));
    QCOMPARE(splitter->count(), 4);
    QCOMPARE(splitter->widget(1)->findChild<TUTYScenesTable *>(), m_scenes);
    QCOMPARE(splitter->widget(2), m_studio->holder("elements"));
    QCOMPARE(splitter->widget(3), m_studio->holder("drawings"));
    QVERIFY(m_studio->holder("elements")->isCollapsed() && m_studio->holder("drawings")->isCollapsed());
    QCOMPARE(m_envs->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(m_jobs->selectionMode(), QAbstractItemView::ExtendedSelection);
    QVERIFY(m_envs->height() >= 130 && m_scenes->height() >= 130);

    // Folding gives the space back to the scenes; unfolding takes a share.
    const int bar = m_studio->holder("elements")->barHeight();
    QCOMPARE(splitter->sizes().at(2), bar);
    m_studio->toggle("elements");
    const QList<int> open = splitter->sizes();
    QVERIFY2(open.at(2) > 100, qPrintable(QString::number(open.at(2))));
    m_studio->toggle("elements");
    QCOMPARE(splitter->sizes(), QList<int>({open.at(0), open.at(1) + open.at(2) - bar, bar, open.at(3)}));
    m_studio->toggle("drawings");
    QVERIFY2(splitter->sizes().at(3) > 100, qPrintable(QString::number(splitter->sizes().at(3))));

    QStringList menus;
    for (QAction *action : m_window->menuBar()->actions())
        menus.append(action->text());
    QCOMPARE(menus, QStringList({"&File", "&Environment", "&Job", "&Scene", "&Element", "&Drawing", "&Admin", "&Help"}));
    QStringList file;
    const QList<QAction *> fileEntries = m_window->menuBar()->actions().first()->menu()->actions();
    for (QAction *action : fileEntries)
        file.append(action->text());
    QCOMPARE(file, QStringList({"&View Log...", "&Exit"}));
    fileEntries.first()->trigger();
    fileEntries.first()->trigger();
    int logs = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        logs += qobject_cast<TULogDlg *>(widget) && widget->isVisible() ? 1 : 0;
    QCOMPARE(logs, 1);

    // A second session, for commands that must leave the window's own records alone.
    TUDbAccess *second = m_window->secondAccess();
    QVERIFY(second && second->isSessionOpen());
    QCOMPARE(second->userName(), QStringLiteral("admin"));
    QStringList environments;
    QCOMPARE(second->dba_GetEnvironments(environments), 3);
}

void tst_MainWindow::jobsFillTheScenesTable()
{
    QCOMPARE(texts(m_envs), QStringList({"Alpha", "Beta", "Many"}));
    QCOMPARE(m_jobs->count(), 0);
    Studio::click(m_envs, "Alpha");
    QCOMPARE(texts(m_jobs), QStringList({"A1", "A2"}));
    // A right press opens the menu and leaves the choice alone.
    const QRect beta = m_envs->visualItemRect(m_envs->findItems("Beta", Qt::MatchExactly).first());
    QTest::mousePress(m_envs->viewport(), Qt::RightButton, Qt::NoModifier, beta.center());
    QTest::mouseRelease(m_envs->viewport(), Qt::RightButton, Qt::NoModifier, beta.center());
    QCOMPARE(m_envs->selectedItems().first()->text(), QStringLiteral("Alpha"));
    QCOMPARE(texts(m_jobs), QStringList({"A1", "A2"}));

    int inserted = 0;
    connect(m_scenes->model(), &QAbstractItemModel::rowsInserted, this,
            [&inserted](const QModelIndex &, int first, int last) { inserted += last - first + 1; });
    Studio::click(m_jobs, "A1");
    QCOMPARE(inserted, 4);
    QCOMPARE(m_window->access().jobRecord().name, QStringLiteral("A1"));
    QCOMPARE(m_scenes->columnTexts(TUTYScenesTable::Name, false), QStringList({"s1", "s2", "s3", "s4"}));
    QCOMPARE(m_scenes->selectedRowCount(), 0);
    dba_scene_struct s1, s2;
    TUDbAccess &db = *m_studio->db;
    QCOMPARE(db.dba_OpenScene(QStringLiteral("s1"), m_studio->a1, s1), 0);
    QCOMPARE(db.dba_OpenScene(QStringLiteral("s2"), m_studio->a1, s2), 0);
    const qint64 date = db.dba_GetSceneCheckoutDate(s2);
    QVERIFY(date > 0);
    auto row = [this](int row) {
        QStringList texts;
        for (int column : {TUTYScenesTable::Path, TUTYScenesTable::FileSystem, TUTYScenesTable::Frames,
                           TUTYScenesTable::Priority, TUTYScenesTable::User, TUTYScenesTable::Date})
            texts.append(m_scenes->topLevelItem(row)->text(column));
        return texts;
    };
    QCOMPARE(row(0), QStringList({s1.path, m_studio->fixture.fileSystem(), "24", "3", "", ""}));
    QCOMPARE(row(1).mid(4), QStringList({"admin", TUDbAccess::dba_TimeStamp(date, "%x %X")}));

    // Clicking the chosen job again reads it again: that is how a user sees
    // what other workstations changed.
    QVERIFY(db.dba_CreateScene(m_studio->a1, QStringLiteral("s5"), QStringLiteral("admin"),
                               m_studio->fixture.fileSystem(), QString(), 1, -1, 1));
    inserted = 0;
    Studio::click(m_jobs, "A1");
    QCOMPARE(inserted, 5);

    // Two jobs: nothing below is open.
    m_studio->select("open=elements scenes=s1");
    QCOMPARE(m_studio->elements()->topLevelItemCount(), 2);
    Studio::click(m_jobs, "A2", Qt::ControlModifier);
    QCOMPARE(m_jobs->selectedItems().size(), 2);
    QCOMPARE(m_scenes->topLevelItemCount() + m_studio->elements()->topLevelItemCount(), 0);
    QVERIFY(!m_window->access().jobRecord().isOpen() && !m_window->access().sceneRecord().isOpen());
    // Back to one job: it opens again.
    Studio::click(m_jobs, "A1", Qt::ControlModifier);
    QCOMPARE(m_window->access().jobRecord().name, QStringLiteral("A2"));

    Studio::click(m_envs, "Beta");
    QCOMPARE(m_jobs->count() + m_scenes->topLevelItemCount(), 0);
    QVERIFY(!m_window->access().jobRecord().isOpen());
    QCOMPARE(m_studio->sink.dump(), QString());
}

void tst_MainWindow::scenesFillElementsAndDrawings()
{
    TUTYElementsTable *elements = m_studio->elements();
    TUTYDrawingsTable *drawings = m_studio->drawings();
    // With both holders folded the scene opens but nothing more is read...
    m_studio->select("env=Alpha jobs=A1 scenes=s1");
    QCOMPARE(m_window->access().sceneRecord().name, QStringLiteral("s1"));
    QCOMPARE(m_window->access().sceneData().versionId(), m_window->access().sceneRecord().versionId);
    QCOMPARE(elements->topLevelItemCount(), 0);
    // ...unless the program selects it on its own behalf.
    m_window->sceneSelectedInternal(QStringLiteral("s3"));
    QCOMPARE(elements->columnTexts(TUTYElementsTable::Name, false), QStringList({"ink"}));
    m_studio->select("scenes=s1");
    QCOMPARE(elements->topLevelItemCount(), 0);
    // Unfolding reads the elements; so does unfolding the drawings alone.
    m_studio->toggle("elements");
    QCOMPARE(elements->columnTexts(TUTYElementsTable::Name, false), QStringList({"bg", "char"}));
    m_studio->toggle("elements");
    m_studio->select("scenes=s1");
    QCOMPARE(elements->topLevelItemCount(), 0);
    m_studio->select("open=drawings scenes=s1");
    QCOMPARE(elements->topLevelItemCount(), 2);

    m_studio->select("open=elements scenes=s1");
    const QTreeWidgetItem *character = elements->topLevelItem(1);
    const QStringList shown{character->text(TUTYElementsTable::Folder), character->text(TUTYElementsTable::Type),
                            character->text(TUTYElementsTable::Scan), character->text(TUTYElementsTable::FieldChart)};
    QCOMPARE(shown, QStringList({"char_v2", "", "Colour", "16.5000"}));
    QCOMPARE(drawings->topLevelItemCount(), 0);
    m_studio->select("elements=char");
    QCOMPARE(drawings->columnTexts(TUTYDrawingsTable::Name, false), QStringList({"1", "2b"}));
    QCOMPARE(drawings->columnTexts(TUTYDrawingsTable::Stage, false), QStringList({"Paint", "Vectorize"}));
    QCOMPARE(drawings->columnTexts(TUTYDrawingsTable::State, false),
             QStringList({"Processing", "Completed with Errors"}));
    m_studio->select("elements=bg");
    QCOMPARE(drawings->columnTexts(TUTYDrawingsTable::Name, false), QStringList({"7"}));
    QCOMPARE(drawings->columnTexts(TUTYDrawingsTable::Stage, false), QStringList({"XSheet"}));
    QCOMPARE(drawings->columnTexts(TUTYDrawingsTable::State, false), QStringList({"Pending"}));
    // Folding the drawings away and back lists the current element again.
    m_studio->toggle("drawings");
    drawings->clearTable();
    m_studio->toggle("drawings");
    QCOMPARE(drawings->columnTexts(TUTYDrawingsTable::Name, false), QStringList({"7"}));

    // Two scenes: nothing below is open.
    m_studio->select("scenes=s1,s3");
    QCOMPARE(m_scenes->selectedRowCount(), 2);
    QCOMPARE(elements->topLevelItemCount() + drawings->topLevelItemCount(), 0);
    QVERIFY(!m_window->access().sceneRecord().isOpen());
    // A scene the editor saved shows its elements only while its scene file is readable.
    m_studio->select("scenes=s3");
    QCOMPARE(elements->columnTexts(TUTYElementsTable::Name, false), QStringList({"ink"}));
    m_studio->select("scenes=s4");
    QCOMPARE(m_window->access().sceneRecord().name, QStringLiteral("s4"));
    QCOMPARE(elements->topLevelItemCount(), 0);
    QCOMPARE(m_studio->sink.dump(), QString());
}

void tst_MainWindow::startUpSelection_data()
{
    QTest::addColumn<QStringList>("named");
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QStringList>("jobs");
    const QStringList alphaJobs{"A1", "A2"};
    QStringList manyJobs;
    for (int i = 1; i <= 11; ++i)
        manyJobs.append(QStringLiteral("J%1").arg(i, 2, 10, QLatin1Char('0')));
    QTest::newRow("all three") << QStringList{"Alpha", "A1", "s2"} << QStringList{"Alpha", "A1", "s2"} << alphaJobs;
    QTest::newRow("environment in other case") << QStringList{"alpha", "A1", "s2"} << QStringList{"", "", ""}
                                               << QStringList();
    QTest::newRow("job of another environment") << QStringList{"Many", "A1", "s1"} << QStringList{"Many", "", ""}
                                                << manyJobs;
    QTest::newRow("unknown scene") << QStringList{"Alpha", "A1", "s9"} << QStringList{"Alpha", "A1", ""} << alphaJobs;
}

void tst_MainWindow::startUpSelection()
{
    QFETCH(QStringList, named);
    QFETCH(QStringList, chosen);
    QFETCH(QStringList, jobs);
    m_window->selectEnvJobScene(named.at(0), named.at(1), named.at(2));
    const QList<QListWidgetItem *> environment = m_envs->selectedItems();
    QCOMPARE(environment.isEmpty() ? QString() : environment.first()->text(), chosen.at(0));
    QCOMPARE(environment.size(), chosen.at(0).isEmpty() ? 0 : 1);
    if (!environment.isEmpty())
        QCOMPARE(m_envs->currentItem(), environment.first());
    QCOMPARE(texts(m_jobs), jobs);
    QCOMPARE(m_jobs->selectedItems().size(), chosen.at(1).isEmpty() ? 0 : 1);
    QCOMPARE(m_window->access().jobRecord().name, chosen.at(1));
    QCOMPARE(m_scenes->topLevelItemCount() > 0, !chosen.at(1).isEmpty());
    QCOMPARE(m_window->access().sceneRecord().name, chosen.at(2));
    QCOMPARE(m_scenes->selectedName(), chosen.at(2));
    if (!chosen.at(2).isEmpty())
        QCOMPARE(m_scenes->currentItem()->text(0), chosen.at(2));
}

void tst_MainWindow::vanishedRecordsAreReported()
{
    TUDbAccess &db = *m_studio->db;
    Studio::click(m_envs, "Alpha");
    QVERIFY(db.dba_deleteJob(QStringLiteral("A2")));
    Studio::click(m_jobs, "A2");
    QVERIFY2(m_studio->sink.has('E', "Error opening job: A2."), qPrintable(m_studio->sink.dump()));
    QCOMPARE(m_scenes->topLevelItemCount(), 0);
    QVERIFY(!m_window->access().jobRecord().isOpen());

    Studio::click(m_jobs, "A1");
    QVERIFY(db.dba_deleteScene(m_studio->a1, QStringLiteral("s4")));
    Studio::click(m_scenes, "s4");
    QVERIFY2(m_studio->sink.has('E', "Could not open scene s4."), qPrintable(m_studio->sink.dump()));
    QVERIFY(!m_window->access().sceneRecord().isOpen());

    m_window->access().dba_Close2dDatabaseSession();
    m_window->fillEnvironmentList();
    QVERIFY2(m_studio->sink.has('E', "Cannot get environments list"), qPrintable(m_studio->sink.dump()));
    QCOMPARE(m_envs->count(), 0);
}

void tst_MainWindow::scenesOpenInTheEditor()
{
    // Without a job nothing is said; with one, a scene must be chosen.
    m_window->openScene();
    QCOMPARE(m_studio->sink.dump(), QString());
    m_studio->select("env=Alpha jobs=A1");
    m_window->openScene();
    QVERIFY2(m_studio->sink.has('E', "No scene is selected!\n"), qPrintable(m_studio->sink.dump()));
    QCOMPARE(m_window->launcher().editorCount(), 0);
    m_studio->sink.clear();

    // A double click opens the scene in the window's lock style; Open opens
    // each chosen scene in an editor of its own.
    m_window->setLockStyle(TUTYLauncher::NoLock);
    m_studio->select("scenes=s2");
    const QList<QTreeWidgetItem *> items = m_scenes->findItems("s2", Qt::MatchExactly, 0);
    QTest::mouseDClick(m_scenes->viewport(), Qt::LeftButton, Qt::NoModifier,
                       m_scenes->visualItemRect(items.first()).center());
    QCOMPARE(m_window->launcher().editorCount(), 1);
    QTRY_COMPARE(m_window->launcher().editorCount(), 0);
    m_window->setLockStyle(TUTYLauncher::VersionLock);
    m_studio->select("scenes=s1,s3");
    m_window->openScene();
    QTRY_COMPARE(m_window->launcher().editorCount(), 0);
    QCOMPARE(editorLog(), QStringList({"-loadFromTY\t-user\tadmin\t-readonly\tAlpha\tA1\ts2",
                                       "-loadFromTY\t-user\tadmin\tAlpha\tA1\ts1",
                                       "-loadFromTY\t-user\tadmin\tAlpha\tA1\ts3"}));
    QCOMPARE(m_studio->sink.dump(), QString());
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

void tst_MainWindow::queueProgramFollowsEnvironmentLanguageAndStyle()
{
    // No environment chosen: nothing starts.
    m_window->vectorizeQueueEnvironment();
    QCOMPARE(m_window->launcher().queueProgramCount(), 0);
    m_studio->select("env=Alpha");
    m_window->vectorizeQueueEnvironment();
    QTRY_COMPARE(m_window->launcher().queueProgramCount(), 0);
    BUIAPP_Application::instance()->setDarkStyle(true);
    OSW_Lang::setDefaultLanguage(QStringLiteral("fr"));
    m_studio->select("env=Beta");
    m_window->cameraQueueEnvironment();
    QTRY_COMPARE(m_window->launcher().queueProgramCount(), 0);
    QCOMPARE(editorLog(), QStringList({"-camera\tBeta\tadmin\t-lang\tfr", "-vect\tAlpha\tadmin\t-useLightStyle"}));
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
    QVERIFY(m_studio->db->dba_GetSessions().size() >= 3);
    m_studio->window.reset();
    QVERIFY(::kill(pid_t(pid), 0) != 0);
    QCOMPARE(m_studio->db->dba_GetSessions().size(), 1);
}

int main(int argc, char **argv)
{
    // The window's style switch lives on the program's own application class.
    BUIAPP_Application app(argc, argv);
    tst_MainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
