#include "DBA_Consistency.h"
#include "DbTestFixture.h"
#include "GUI_DoubleProgressDlg.h"
#include "RecordingSink.h"
#include "TUCopyXsheetScene.h"
#include "TUDbAccess.h"
#include "TUSceneCopyNames.h"
#include "oswRemapPath.h"

#include <QAbstractButton>
#include <QDirIterator>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {
// Clicks from the event loop: a click that opens a question box must not
// hold the timer that answers it.
void click(QWidget *window, const QString &text)
{
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
        if (button->text() == text) {
            QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
            return;
        }
    }
    QFAIL(qPrintable("no button " + text));
}

// Answers every question box with Yes while it lives.
struct YesSayer : QTimer
{
    YesSayer()
    {
        connect(this, &QTimer::timeout, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                click(box, "Yes");
        });
        start(0);
    }
};

// This program started again: copies s1 of job J onto t through the dialog;
// TALLYARD_FAULT_POINT may kill it on the way.
int copyWorker(int argc, char **argv)
{
    QApplication app(argc, argv);
    TUDbAccess db;
    db.dba_Initialize2dSystem("copy-worker");
    if (db.dba_Open2dDatabaseSession() != 0 || !db.setCurrentUser("admin"))
        return 1;
    TUCopyXsheetScene copy(nullptr, &db, "E", "J", {{"s1", {}, -1, {}, false}});
    copy.findChild<QListWidget *>("toScenes")->findItems("t", Qt::MatchExactly).value(0)->setSelected(true);
    YesSayer yes;
    copy.apply();
    return 0;
}

QStringList copyAsideFindings(TUDbAccess &db, bool repair)
{
    QVector<DBA_Finding> findings;
    QStringList found;
    if (!DBA_Consistency(db.context()).run(repair, findings))
        return {"check failed"};
    for (const DBA_Finding &finding : findings) {
        if (finding.problem.contains(DBA_CopyAsideSuffix))
            found << (finding.repaired ? "repaired: " : "") + finding.problem;
    }
    return found;
}
} // namespace

// Copying scenes through the copy dialog, on job J of environment E with
// scenes s1 and s2 (two versions, an element, four files each) and t (its
// own version and scene file).
class tst_CopyScene : public QObject
{
    Q_OBJECT

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    dba_job_struct m_job;
    RecordingSink m_sink;

    QString sceneDir(const QString &name) const { return m_fixture->sceneDir(name); }
    // The state a copy must not change when it is taken back: the job's
    // scenes, t's versions, files and folders.
    QString snapshot()
    {
        QStringList state = m_db->buildScenesList(m_job);
        dba_scene_struct t;
        if (m_db->dba_OpenScene("t", m_job, t) == 0)
            state << m_db->createVersionsListStringList(t) << DbTestFixture::filesBelow(sceneDir("t"));
        QStringList folders;
        for (QDirIterator it(sceneDir("t"), QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories); it.hasNext();)
            folders << it.next();
        folders.sort();
        state << folders;
        return state.join('|');
    }
    TUCopyXsheetScene *dialog(const QStringList &sources, const QString &target = QString())
    {
        QVector<SceneCopyEntry> entries;
        for (const QString &name : sources)
            entries.append({name, {}, -1, {}, false});
        auto *copy = new TUCopyXsheetScene(nullptr, m_db.get(), "E", "J", entries);
        if (!target.isEmpty()) {
            auto *targets = copy->findChild<QListWidget *>("toScenes");
            targets->findItems(target, Qt::MatchExactly).value(0)->setSelected(true);
        }
        return copy;
    }

private slots:
    void init()
    {
        QVERIFY(DbTestFixture::restartWithJob(m_fixture, m_db, &m_job));
        for (const char *name : {"s1", "s2", "t"})
            QVERIFY(m_fixture->addScene(*m_db, m_job, name));
        for (const char *name : {"s1", "s2"}) {
            dba_scene_struct scene;
            const QString dir = sceneDir(name);
            QVERIFY(m_db->dba_OpenScene(name, m_job, scene) == 0 && m_db->dba_addSceneVersion(scene, "one", {}) == 1
                    && m_db->dba_addSceneVersion(scene, "two", {}) == 2);
            for (const char *file : {"/stage/v1.pavx", "/stage/v2.pavx", "/elements/bg/1.tvg", "/notes.txt"})
                QVERIFY(DbTestFixture::writeFile(dir + file, name));
        }
        dba_scene_struct t;
        QVERIFY(m_db->dba_OpenScene("t", m_job, t) == 0 && m_db->dba_addSceneVersion(t, "mine", {}) == 1);
        QVERIFY(DbTestFixture::writeFile(sceneDir("t") + "/stage/v1.pavx", "mine"));
        m_sink.clear();
    }

    void names_data()
    {
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<QStringList>("taken");
        QTest::addColumn<QString>("rules"); // new name|prefix|replace|by|suffix
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QStringList>("expected"); // "!" for a failed computation
        QTest::newRow("taken names are numbered") << QStringList{"a", "b"} << QStringList{"atk"} << "||||tk" << ""
                                                  << QStringList{"atk1", "btk"};
        QTest::newRow("names of the same copy count as taken")
            << QStringList{"x1", "x2"} << QStringList{} << "||1|2|tk" << "" << QStringList{"x2tk", "x2tk1"};
        QTest::newRow("one scene, a new name") << QStringList{"sc01"} << QStringList{"shot"} << "shot||||"
                                               << "" << QStringList{"shot1"};
        QTest::newRow("several scenes ignore the new name")
            << QStringList{"a", "b"} << QStringList{} << "n|p|||" << "" << QStringList{"pa", "pb"};
        QTest::newRow("onto an existing scene") << QStringList{"a"} << QStringList{"b"} << "||||tk" << "b"
                                                << QStringList{"b"};
        QTest::newRow("too long once numbered") << QStringList{"abcdefghijklmnopqrstuv"}
                                                << QStringList{"abcdefghijklmnopqrstuvtk"} << "||||tk" << ""
                                                << QStringList{"!"};
        QTest::newRow("a character no name may hold") << QStringList{"a"} << QStringList{} << "||||*" << ""
                                                      << QStringList{"!"};
        QTest::newRow("nothing to copy") << QStringList{} << QStringList{} << "||||tk" << "" << QStringList{"!"};
    }
    void names()
    {
        QFETCH(QStringList, sources);
        QFETCH(QStringList, taken);
        QFETCH(QString, rules);
        QFETCH(QString, existing);
        QFETCH(QStringList, expected);
        QVector<SceneCopyEntry> entries;
        for (const QString &name : sources)
            entries.append({name, {}, -1, {}, false});
        const QStringList parts = rules.split('|');
        QString error;
        const TUSceneCopyNames::Result result = TUSceneCopyNames::compute(
            entries, taken, {parts[0], parts[1], parts[2], parts[3], parts[4]}, existing, error);
        QStringList names;
        for (const SceneCopyEntry &entry : entries)
            names << entry.targetName + (entry.copyIntoExisting ? "(existing)" : "");
        if (result != TUSceneCopyNames::Computed)
            names = QStringList{"!"};
        else if (!existing.isEmpty())
            names.last().remove("(existing)");
        QCOMPARE(names, expected);
        QCOMPARE(error.isEmpty(), result != TUSceneCopyNames::Failed);
    }

    void copiesScenesWithTheirData()
    {
        TUCopyXsheetScene *copy = dialog({"s1", "s2"});
        QCOMPARE(copy->findChild<QPushButton *>("ok")->isEnabled(), true);
        copy->apply();
        QVERIFY2(m_sink.messages().isEmpty(), qPrintable(m_sink.dump()));
        QCOMPARE(m_db->buildScenesList(m_job), QStringList({"s2tk", "s1tk", "s1", "s2", "t"}));
        for (const char *name : {"s1", "s2"}) {
            dba_scene_struct copied;
            QVERIFY(m_db->dba_OpenScene(QString(name) + "tk", m_job, copied) == 0);
            QCOMPARE(m_db->createVersionsListStringList(copied), QStringList({"1 one", "2 two"}));
            QCOMPARE(DbTestFixture::filesBelow(sceneDir(QString(name) + "tk")), DbTestFixture::filesBelow(sceneDir(name)));
        }
        const QList<QListWidgetItem *> selected = copy->findChild<QListWidget *>("toScenes")->selectedItems();
        QCOMPARE(selected.size(), 2);
        delete copy;
    }

    // Onto one picked scene, the summary names it; a name typed there makes
    // the copy a new scene again.
    void summaryEditTurnsTheCopyIntoANewScene()
    {
        TUCopyXsheetScene *copy = dialog({"s1"}, "t");
        auto *summary = copy->findChild<QTreeWidget *>("copySummary");
        QVERIFY(copy->entries().value(0).copyIntoExisting);
        QCOMPARE(summary->topLevelItem(0)->text(1), QStringLiteral("t"));
        emit summary->itemDoubleClicked(summary->topLevelItem(0), 1);
        auto *editor = qobject_cast<QLineEdit *>(summary->itemWidget(summary->topLevelItem(0), 1));
        QVERIFY(editor);
        editor->setText("fresh");
        copy->apply();
        QCOMPARE(m_db->buildScenesList(m_job), QStringList({"fresh", "s1", "s2", "t"}));
        dba_scene_struct t;
        QVERIFY(m_db->dba_OpenScene("t", m_job, t) == 0);
        QCOMPARE(m_db->createVersionsListStringList(t), QStringList({"1 mine"}));
        delete copy;
    }

    // What changes under the open dialog is refused with its reason, and a
    // scene the refused copy made is taken back.
    void refusals_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("expected");
        QTest::newRow("target name taken") << "take s1tk" << "Copy s1 to s1tk: Can't create one scene in the file system ";
        QTest::newRow("source deleted") << "delete s1" << "Copy s1 to s1tk: could not open scene s1";
        QTest::newRow("target job deleted") << "delete job K" << "Error opening job: K.";
        QTest::newRow("no target job") << "choose F" << "Choose the target job.";
        QTest::newRow("no scene may hold the name") << "suffix *" << "s1* is not a valid scene name.";
    }
    void refusals()
    {
        QFETCH(QString, change);
        QFETCH(QString, expected);
        dba_job_struct k = DbTestFixture::newJob("K", "E");
        QVERIFY(m_db->dba_createJob(k) > 0 && m_db->createEnv("F", false) != 0);
        const std::unique_ptr<TUCopyXsheetScene> copy(dialog({"s1"}));
        const QString what = change.section(' ', -1);
        const auto select = [&](const char *list) {
            copy->findChild<QListWidget *>(list)->findItems(what, Qt::MatchExactly).value(0)->setSelected(true);
        };
        if (change.startsWith("take")) {
            QVERIFY(m_db->dba_CreateScene(m_job, what, "admin", m_fixture->fileSystem(), QString(), 1, -1, 1));
        } else if (change.startsWith("delete job")) {
            QCOMPARE(m_db->dba_deleteJob(what), 1);
            select("toJobs");
        } else if (change.startsWith("delete")) {
            QVERIFY(m_db->dba_deleteScene(m_job, what));
        } else if (change.startsWith("choose")) {
            select("toEnvironments");
        } else {
            auto *suffix = copy->findChild<QLineEdit *>("suffix");
            suffix->setText(what);
            emit suffix->editingFinished();
        }
        copy->apply();
        const QString said = m_sink.dump() + copy->nameProblem();
        QVERIFY2(said.contains(expected), qPrintable(said));
        QCOMPARE(m_db->buildScenesList(m_job).contains("s1tk"), change == "take s1tk");
    }

    // Cancel is pressed once the first file of the first scene is copied.
    void cancelledHalfWayLeavesTheTarget_data()
    {
        QTest::addColumn<QStringList>("sources");
        QTest::addColumn<QString>("target");
        QTest::newRow("new scenes") << QStringList{"s1", "s2"} << "";
        QTest::newRow("onto an existing scene") << QStringList{"s1"} << "t";
    }
    void cancelledHalfWayLeavesTheTarget()
    {
        QFETCH(QStringList, sources);
        QFETCH(QString, target);
        const QString before = snapshot();
        TUCopyXsheetScene *copy = dialog(sources, target);
        bool cancelled = false;
        QTimer hand;
        connect(&hand, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            auto *progress = qobject_cast<GUI_DoubleProgressDlg *>(modal);
            if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                click(box, "Yes"); // overwrite, then cancel
            } else if (progress && !cancelled && progress->findChild<QProgressBar *>("lowerBar")->value() >= 2) {
                cancelled = true;
                click(progress, "Cancel");
            }
        });
        hand.start(0);
        copy->apply();
        hand.stop();
        QVERIFY(cancelled);
        QCOMPARE(snapshot(), before);
        QVERIFY2(m_sink.messages().isEmpty(), qPrintable(m_sink.dump()));
        delete copy;
    }

    // A file that cannot be written (a folder holds its place) fails the
    // copy onto t, which keeps its own files and data.
    void failedCopyIsTakenBack()
    {
        QVERIFY(QDir().mkpath(sceneDir("t") + "/notes.txt/inside"));
        const QString before = snapshot();
        TUCopyXsheetScene *copy = dialog({"s1"}, "t");
        {
            YesSayer yes;
            copy->apply();
        }
        QCOMPARE(snapshot(), before);
        QVERIFY2(m_sink.dump().contains("Copy s1 to t: some files could not be copied"), qPrintable(m_sink.dump()));
        delete copy;
    }

    // A copy onto t killed once it has overwritten a file of t leaves that
    // file set aside: check names it, and --repair puts t's own file back and
    // keeps what the copy wrote there under a visible name.
    void killedCopyIsRepaired()
    {
        for (const char *file : {"/stage/v1.pavx", "/stage/v2.pavx", "/elements/bg/1.tvg", "/notes.txt"})
            QVERIFY(DbTestFixture::writeFile(sceneDir("t") + file, "mine"));
        const QString before = snapshot();
        QProcess worker;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TALLYARD_FAULT_POINT", "scene-copy-file:die");
        worker.setProcessEnvironment(env);
        worker.start(QCoreApplication::applicationFilePath(), {"--copy-worker"});
        QVERIFY(worker.waitForFinished(120000) && worker.exitStatus() == QProcess::CrashExit);
        QCOMPARE(copyAsideFindings(*m_db, false).size(), 1);
        const QStringList repaired = copyAsideFindings(*m_db, true);
        QVERIFY2(repaired.size() == 1 && repaired[0].startsWith("repaired: "), qPrintable(repaired.join('\n')));
        QCOMPARE(copyAsideFindings(*m_db, false), QStringList());
        QDirIterator copied(sceneDir("t"), {"*.copied-*"}, QDir::Files, QDirIterator::Subdirectories);
        QVERIFY(copied.hasNext());
        QCOMPARE(DbTestFixture::readFile(copied.next()), QByteArray("s1"));
        QVERIFY(QFile::remove(copied.filePath()) && !copied.hasNext());
        QCOMPARE(snapshot(), before);
    }
};

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--copy-worker") == 0)
        return copyWorker(argc, argv);
    QApplication app(argc, argv);
    tst_CopyScene test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_copyscene.moc"
