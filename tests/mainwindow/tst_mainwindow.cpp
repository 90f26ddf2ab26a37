#include "BUIAPP_Application.h"
#include "ModalAnswerer.h"
#include "OSW_Lang.h"
#include "StandInProgram.h"
#include "Studio.h"
#include "TULogDlg.h"
#include "TUTYLauncher.h"

#include <QMenuBar>
#include <QProcess>
#include <QToolButton>

#include <csignal>

// The main window as a user sees it, over the studio of Studio.h. The
// editor and the queue program are a stand-in that runs until let go.
class tst_MainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<Studio> m_studio;
    std::unique_ptr<StandInProgram> m_stand;
    TUTallyard *m_window = nullptr;
    TUTYScenesTable *m_scenes = nullptr;

    QString said() const { return m_studio->sink.dump(); }
    // A column of a table, top to bottom.
    static QString column(const TUTYTable *table, int column = 0) { return table->columnTexts(column, false).join(' '); }

private slots:
    void init()
    {
        m_stand = std::make_unique<StandInProgram>();
        QVERIFY(m_stand->isValid());
        qputenv("TALLYARD_EDITOR", m_stand->path().toUtf8());
        qputenv("TALLYARD_QUEUE", m_stand->path().toUtf8());
        OSW_Lang::setDefaultLanguage(QStringLiteral("en"));
        BUIAPP_Application::instance()->setDarkStyle(false);
        m_studio = std::make_unique<Studio>();
        QVERIFY2(m_studio->fill(), qPrintable(m_studio->fixture.errorString()));
        m_studio->createWindow();
        m_window = m_studio->window.get();
        m_scenes = m_studio->scenes();
    }

    void cleanup()
    {
        m_studio.reset();
        m_stand.reset();
    }

    void windowHasItsPanesMenusAndLog()
    {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Tallyard"));
        // The installed icons: the window's and the fold buttons'.
        QVERIFY(!m_window->windowIcon().pixmap(16).isNull());
        for (const QToolButton *fold : m_window->findChildren<QToolButton *>())
            QVERIFY(!fold->icon().isNull());
        const QList<QAction *> file = m_window->menuBar()->actions().first()->menu()->actions();
        QCOMPARE(file.size(), 2);
        QCOMPARE(file.at(0)->text() + file.at(1)->text(), QStringLiteral("&View Log...&Exit"));
        file.first()->trigger();
        file.first()->trigger();
        int logs = 0;
        for (QWidget *widget : QApplication::topLevelWidgets())
            logs += qobject_cast<TULogDlg *>(widget) && widget->isVisible() ? 1 : 0;
        QCOMPARE(logs, 1);

        // Folded, a holder keeps its bar and the scenes have the space; the
        // button or a double click on the bar unfolds it to a share.
        const QSplitter *splitter = m_window->findChild<QSplitter *>(QStringLiteral("splitter"));
        TUTYShowHideHolder *elements = m_studio->holder("elements");
        const int bar = elements->barHeight();
        QVERIFY(elements->isCollapsed() && m_studio->holder("drawings")->isCollapsed());
        QCOMPARE(splitter->sizes().at(2), bar);
        m_studio->toggle("elements");
        const QList<int> open = splitter->sizes();
        QVERIFY2(open.at(2) > 100, qPrintable(QString::number(open.at(2))));
        m_studio->toggle("elements");
        QCOMPARE(splitter->sizes(), QList<int>({open.at(0), open.at(1) + open.at(2) - bar, bar, open.at(3)}));
        QWidget *drawingsBar = m_studio->holder("drawings")->findChild<QToolButton *>()->parentWidget();
        QTest::mouseDClick(drawingsBar, Qt::LeftButton, Qt::NoModifier, QPoint(4, drawingsBar->height() / 2));
        QVERIFY2(splitter->sizes().at(3) > 100, qPrintable(QString::number(splitter->sizes().at(3))));
    }

    void jobsFillTheScenesTable()
    {
        QListWidget *envs = m_studio->envList();
        QCOMPARE(envs->count(), 3);
        QCOMPARE(m_window->jobNames(), QStringList());
        m_studio->select("env=Alpha");
        QCOMPARE(m_window->jobNames(), QStringList({"A1", "A2"}));
        // A right press opens the menu and leaves the choice alone.
        const QPoint beta = envs->visualItemRect(envs->item(1)).center();
        QTest::mousePress(envs->viewport(), Qt::RightButton, Qt::NoModifier, beta);
        QTest::mouseRelease(envs->viewport(), Qt::RightButton, Qt::NoModifier, beta);
        QCOMPARE(m_window->currentEnvironment(), QStringLiteral("Alpha"));
        QCOMPARE(m_window->jobNames(), QStringList({"A1", "A2"}));

        // A click reads the job once; clicking it again reads it again: that
        // is how a user sees what other workstations changed.
        int inserted = 0;
        connect(m_scenes->model(), &QAbstractItemModel::rowsInserted, this,
                [&inserted](const QModelIndex &, int first, int last) { inserted += last - first + 1; });
        m_studio->select("jobs=A1");
        QCOMPARE(inserted, 4);
        QCOMPARE(m_window->access().jobRecord().name, QStringLiteral("A1"));
        QCOMPARE(column(m_scenes), QStringLiteral("s1 s2 s3 s4"));
        QCOMPARE(m_scenes->selectedRowCount(), 0);
        TUDbAccess &db = *m_studio->db;
        dba_scene_struct s1, s2;
        QCOMPARE(db.dba_OpenScene(QStringLiteral("s1"), m_studio->a1, s1) + db.dba_OpenScene("s2", m_studio->a1, s2), 0);
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
        QVERIFY(m_studio->fixture.addScene(db, m_studio->a1, "s5"));
        inserted = 0;
        m_studio->select("jobs=A1");
        QCOMPARE(inserted, 5);

        // Two jobs: nothing below is open. Back to one, it opens again.
        m_studio->select("open=elements scenes=s1");
        QCOMPARE(m_studio->elements()->topLevelItemCount(), 2);
        Studio::click(m_studio->jobList(), "A2", Qt::ControlModifier);
        QCOMPARE(m_window->selectedJobs(), QStringList({"A1", "A2"}));
        QCOMPARE(m_scenes->topLevelItemCount() + m_studio->elements()->topLevelItemCount(), 0);
        QVERIFY(!m_window->access().jobRecord().isOpen() && !m_window->access().sceneRecord().isOpen());
        Studio::click(m_studio->jobList(), "A1", Qt::ControlModifier);
        QCOMPARE(m_window->access().jobRecord().name, QStringLiteral("A2"));

        m_studio->select("env=Beta");
        QCOMPARE(m_window->jobNames().size() + m_scenes->topLevelItemCount(), 0);
        QVERIFY(!m_window->access().jobRecord().isOpen());
        QCOMPARE(said(), QString());
    }

    void scenesFillElementsAndDrawings()
    {
        TUTYElementsTable *elements = m_studio->elements();
        TUTYDrawingsTable *drawings = m_studio->drawings();
        // With both holders folded the scene opens but nothing more is read...
        m_studio->select("env=Alpha jobs=A1 scenes=s1");
        QCOMPARE(m_window->access().sceneRecord().name, QStringLiteral("s1"));
        QCOMPARE(m_window->access().sceneData().versionId(), m_window->access().sceneRecord().versionId);
        QCOMPARE(column(elements), QString());
        // ...unless the program selects it on its own behalf.
        m_window->sceneSelectedInternal(QStringLiteral("s3"));
        QCOMPARE(column(elements), QStringLiteral("ink"));
        m_studio->select("scenes=s1");
        QCOMPARE(column(elements), QString());
        // Unfolding reads the elements; so does unfolding the drawings alone.
        m_studio->toggle("elements");
        QCOMPARE(column(elements), QStringLiteral("bg char"));
        m_studio->toggle("elements");
        m_studio->select("scenes=s1");
        QCOMPARE(column(elements), QString());
        m_studio->select("open=drawings scenes=s1");
        QCOMPARE(column(elements), QStringLiteral("bg char"));

        m_studio->select("open=elements scenes=s1");
        const QTreeWidgetItem *character = elements->topLevelItem(1);
        const QStringList shown{character->text(TUTYElementsTable::Folder), character->text(TUTYElementsTable::Type),
                                character->text(TUTYElementsTable::Scan), character->text(TUTYElementsTable::FieldChart)};
        QCOMPARE(shown, QStringList({"char_v2", "", "Colour", "16.5000"}));
        QCOMPARE(column(drawings), QString());
        m_studio->select("elements=char");
        QCOMPARE(column(drawings), QStringLiteral("1 2b"));
        QCOMPARE(column(drawings, TUTYDrawingsTable::Stage), QStringLiteral("Paint Vectorize"));
        QCOMPARE(column(drawings, TUTYDrawingsTable::State), QStringLiteral("Processing Completed with Errors"));
        m_studio->select("elements=bg");
        QCOMPARE(column(drawings) + column(drawings, 1) + column(drawings, 2), QStringLiteral("7XSheetPending"));
        // Folding the drawings away and back lists the current element again.
        m_studio->toggle("drawings");
        drawings->clearTable();
        m_studio->toggle("drawings");
        QCOMPARE(column(drawings), QStringLiteral("7"));

        // Two scenes: nothing below is open.
        m_studio->select("scenes=s1,s3");
        QCOMPARE(m_window->selectedScenes(), QStringList({"s1", "s3"}));
        QCOMPARE(column(elements) + column(drawings), QString());
        QVERIFY(!m_window->access().sceneRecord().isOpen());
        // A scene the editor saved shows its elements only while its scene file is readable.
        m_studio->select("scenes=s3");
        QCOMPARE(column(elements), QStringLiteral("ink"));
        m_studio->select("scenes=s4");
        QCOMPARE(m_window->access().sceneRecord().name, QStringLiteral("s4"));
        QCOMPARE(column(elements), QString());
        QCOMPARE(said(), QString());
    }

    void vanishedRecordsAreReported()
    {
        TUDbAccess &db = *m_studio->db;
        m_studio->select("env=Alpha");
        QVERIFY(db.dba_deleteJob(QStringLiteral("A2")));
        m_studio->select("jobs=A2");
        QCOMPARE(said(), QStringLiteral("E Error opening job: A2."));
        QCOMPARE(m_scenes->topLevelItemCount(), 0);
        QVERIFY(!m_window->access().jobRecord().isOpen());

        m_studio->select("jobs=A1");
        QVERIFY(db.dba_deleteScene(m_studio->a1, QStringLiteral("s4")));
        m_studio->sink.clear();
        m_studio->select("scenes=s4");
        QCOMPARE(said(), QStringLiteral("E Could not open scene s4."));
        QVERIFY(!m_window->access().sceneRecord().isOpen());

        m_studio->sink.clear();
        m_window->access().dba_Close2dDatabaseSession();
        m_window->fillEnvironmentList();
        QCOMPARE(said(), QStringLiteral("E Cannot get environments list"));
        QCOMPARE(m_studio->envList()->count(), 0);
    }

    void scenesOpenInTheEditor()
    {
        m_stand->releaseDone();
        m_stand->releaseExit();
        // Without a job nothing is said; with one, a scene must be chosen.
        m_window->openScene();
        QCOMPARE(said(), QString());
        m_studio->select("env=Alpha jobs=A1");
        m_window->openScene();
        QCOMPARE(said(), QStringLiteral("E No scene is selected!\n"));
        QCOMPARE(m_window->launcher().editorCount(), 0);
        m_studio->sink.clear();

        // A double click opens the scene in the window's lock style; Open opens
        // each chosen scene in an editor of its own.
        m_window->setLockStyle(TUTYLauncher::NoLock);
        m_studio->select("scenes=s2");
        // The second press of a double click, where the click went.
        const QPoint s2 = m_scenes->visualRect(m_scenes->model()->index(1, 0)).center();
        QTest::mouseDClick(m_scenes->viewport(), Qt::LeftButton, Qt::NoModifier, s2);
        QTRY_COMPARE(m_stand->runs().size(), 1);
        m_window->setLockStyle(TUTYLauncher::VersionLock);
        m_studio->select("scenes=s1,s3");
        m_window->openScene();
        QTRY_COMPARE(m_window->launcher().editorCount(), 0);
        QCOMPARE(m_stand->runs(), QStringList({"-loadFromTY -user admin -readonly Alpha A1 s2",
                                      "-loadFromTY -user admin Alpha A1 s1", "-loadFromTY -user admin Alpha A1 s3"}));
        QCOMPARE(said(), QString());
    }

    // An editor that cannot start is reported with the scene's own folder.
    void editorThatCannotStartNamesTheSceneFolder()
    {
        qputenv("TALLYARD_EDITOR", QByteArray("/nonexistent/Pavane"));
        m_studio->select("env=Alpha jobs=A1");
        m_window->openScene("Alpha", "A1", {"s1"});
        QCOMPARE(said(), "E Cannot load scene " + m_studio->fixture.root() + "/scenes/A1/scene-s1.\n");
    }

    void closeAsksWhileASceneOpens()
    {
        m_window->openScene("Alpha", "A1", {"s1"});
        QVERIFY(m_window->launcher().isSceneOpenInProgress());
        for (const QString answer : {"&No", "&Yes"}) {
            ModalAnswerer answerer;
            answerer.press(answer);
            QCOMPARE(m_window->close(), answer == "&Yes");
            QVERIFY(answerer.done());
            QCOMPARE(answerer.boxes, QStringList("Exit Tallyard|Exiting Tallyard may cancel the scene open operation. Please "
                                                 "wait before exiting Tallyard.\nExit Tallyard?|&No"));
            QCOMPARE(m_window->isVisible(), answer == "&No");
        }
        // Once the editor has said "done", closing asks nothing; the editor
        // stays counted until it exits.
        m_window->show();
        m_stand->releaseDone();
        QTRY_VERIFY(!m_window->launcher().isSceneOpenInProgress());
        QCOMPARE(m_window->launcher().editorCount(), 1);
        ModalAnswerer unused;
        unused.press("&No");
        QVERIFY(m_window->close());
        QVERIFY(!unused.done());
        m_stand->releaseExit();
        QTRY_COMPARE(m_window->launcher().editorCount(), 0);
    }

    void queueProgramRunsOncePerModeAndEnvironment()
    {
        // No environment chosen: nothing starts.
        m_window->vectorizeQueueEnvironment();
        QCOMPARE(m_window->launcher().queueProgramCount(), 0);
        m_studio->select("env=Alpha");
        m_window->vectorizeQueueEnvironment();
        m_window->vectorizeQueueEnvironment();
        BUIAPP_Application::instance()->setDarkStyle(true);
        OSW_Lang::setDefaultLanguage(QStringLiteral("fr"));
        m_window->cameraQueueEnvironment();
        m_studio->select("env=Beta");
        m_window->vectorizeQueueEnvironment();
        QCOMPARE(m_window->launcher().queueProgramCount(), 3);
        QTRY_COMPARE(m_stand->runs().size(), 3);
        QCOMPARE(m_stand->runs(), QStringList({"-camera Alpha admin -lang fr", "-vect Alpha admin -useLightStyle",
                                      "-vect Beta admin -lang fr"}));
        // Once it has ended, asking again starts it again.
        m_stand->releaseDone();
        m_stand->releaseExit();
        QTRY_COMPARE(m_window->launcher().queueProgramCount(), 0);
        m_window->vectorizeQueueEnvironment();
        QTRY_COMPARE(m_stand->runs().size(), 4);
    }

    void destroyingTheWindowStopsProgramsAndClosesSessions()
    {
        m_window->openScene("Alpha", "A1", {"s1"});
        m_studio->select("env=Alpha");
        m_window->vectorizeQueueEnvironment();
        QVector<qint64> pids;
        for (const QProcess *process : m_window->launcher().findChildren<QProcess *>())
            pids.append(process->processId());
        QCOMPARE(pids.size(), 2);
        // The window's shared access and its second one, and our own.
        QVERIFY(m_studio->db->dba_GetSessions().size() >= 3);
        m_studio->window.reset();
        // Stopped and reaped: no such processes any more.
        for (qint64 pid : pids)
            QVERIFY(::kill(pid_t(pid), 0) != 0);
        QCOMPARE(m_studio->db->dba_GetSessions().size(), 1);
    }
};

int main(int argc, char **argv)
{
    // The window's style switch lives on the program's own application class.
    BUIAPP_Application app(argc, argv);
    tst_MainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
