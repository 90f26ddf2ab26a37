#include "DbTestFixture.h"
#include "ModalAnswerer.h"
#include "RecordingSink.h"
#include "TUDbFileSystemDlg.h"
#include "TUDbSelect.h"
#include "TUExport.h"
#include "TUExportDlg.h"
#include "TUImportDlg.h"
#include "TUTYImportRemap.h"
#include "TUTYProgressDlg.h"
#include "TYBatchTransfer.h"
#include "oswRemapPath.h"
#include "whoami.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

namespace {
constexpr int kDrawings = 12;

// Every file below folder, relative, with its contents; the contents file
// without the lines that name the time, the host or (in a dialog's second
// run) the element folders its counting run saw.
QStringList files(const QString &folder)
{
    static const QRegularExpression varying(QStringLiteral("^(Export\\w*Time|ExportHost|Element) :.*$\\n?"),
                                            QRegularExpression::MultilineOption);
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        found << QDir(folder).relativeFilePath(path) + '=' + QString::fromUtf8(DbTestFixture::readFile(path)).remove(varying);
    }
    found.sort();
    return found;
}

template <class Widget>
Widget *child(QWidget *parent, const char *name)
{
    Widget *widget = parent->findChild<Widget *>(QLatin1String(name));
    if (!widget)
        qWarning("no %s", name);
    return widget;
}

// Clicks a button, on whichever tab it is.
void click(QWidget *parent, const char *name)
{
    child<QAbstractButton>(parent, name)->click();
}

// Presses Cancel on the run's progress dialog a few files past half way:
// within the second of two like scenes.
class CancelPastHalf : public QObject
{
public:
    CancelPastHalf()
    {
        connect(&m_timer, &QTimer::timeout, this, [] {
            for (QWidget *widget : QApplication::topLevelWidgets()) {
                auto *progress = qobject_cast<TUTYProgressDlg *>(widget);
                if (progress && progress->isVisible() && progress->value() >= progress->maximum() / 2 + 3
                    && !progress->wasCanceled())
                    progress->cancel();
            }
        });
        m_timer.start(0);
    }

private:
    QTimer m_timer;
};
} // namespace

// The export and import dialogs driven as a user would, on environment E
// with job J (scenes s1 and s2, each a version, a scene file and drawings)
// and the empty jobs K and L to import into.
class tst_IEDialogs : public QObject
{
    Q_OBJECT

    RecordingSink m_sink;
    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    std::unique_ptr<TUDbSelectSingleDbClient> m_select;
    WHO_AppInfo m_appInfo{QStringLiteral("Tallyard")};

    QString sceneFolder(const QString &job, const QString &scene) const { return m_fixture->sceneDir(scene, job); }
    QString package(const QString &name = "P") const { return m_fixture->scratch() + "/" + name; }

    std::unique_ptr<TUExportDlg> exportDialog()
    {
        auto dialog = std::make_unique<TUExportDlg>(nullptr, m_db.get(), m_select.get(), &m_appInfo, "E", "J",
                                                    QStringList(), false);
        dialog->show();
        return dialog;
    }
    // shown: false as at start-up with -auto_dest, which imports before showing it.
    std::unique_ptr<TUImportDlg> importDialog(const QString &path, const QString &job, bool shown = true)
    {
        auto dialog = std::make_unique<TUImportDlg>(nullptr, m_db.get(), m_select.get(), false, false);
        dialog->setPackagePath(path);
        dialog->setDestination("E", job, m_fixture->fileSystem());
        dialog->setVisible(shown);
        return dialog;
    }
    // The package P of both scenes, written by the exporter itself.
    void exportPackage()
    {
        TUExport exporter(m_db.get(), m_select.get(), &m_appInfo);
        for (const char *word : {"database", "element", "timing", "stage"})
            exporter.setDataOption(word, true);
        exporter.setPath(package());
        exporter.setScenes("E", "J", {});
        QVERIFY(exporter.run());
    }
    // Package P imported into K, then s1 there checked out by bob.
    bool importIntoKWithS1CheckedOutByBob()
    {
        exportPackage();
        importDialog(package(), "K")->interactiveImport();
        dba_job_struct job;
        const bool checkedOut = m_db->dba_OpenJob("K", job) == 0 && m_db->dba_CheckoutScene(job, "s1", "bob");
        m_db->dba_CloseJob(job);
        return checkedOut;
    }
    QStringList scenesOf(const QString &job)
    {
        dba_job_struct record;
        if (m_db->dba_OpenJob(job, record) == -1)
            return {};
        const QStringList scenes = m_db->buildScenesList(record);
        m_db->dba_CloseJob(record);
        return scenes;
    }

private slots:
    void init()
    {
        dba_job_struct job;
        QVERIFY(DbTestFixture::restartWithJob(m_fixture, m_db, &job));
        for (const char *job : {"K", "L"}) {
            dba_job_struct record = DbTestFixture::newJob(job, "E");
            QVERIFY(m_db->dba_createJob(record) > 0);
        }
        QVERIFY(m_db->addUser("bob", QString(), QString(), QString(), TUDbAccess::ANIMATOR) == 0);
        for (const QString name : {"s1", "s2"}) {
            dba_scene_struct scene;
            QVERIFY(m_fixture->addScene(*m_db, job, name, &scene));
            QCOMPARE(m_db->dba_addSceneVersion(scene, "first", "d"), 1);
            m_db->dba_CloseScene(scene);
            const QString folder = sceneFolder("J", name);
            QVERIFY(DbTestFixture::writeFile(folder + "/stage/v1.pavx", "<project/>\n"));
            QVERIFY(DbTestFixture::writeFile(folder + "/audio/track.wav", "audio"));
            for (int i = 1; i <= kDrawings; ++i)
                QVERIFY(DbTestFixture::writeFile(folder + QStringLiteral("/elements/bg/bg-%1.png").arg(i), name.toUtf8()));
        }
        m_db->dba_CloseJob(job);
        m_select = std::make_unique<TUDbSelectSingleDbClient>(9, 0, 0, 0);
        QVERIFY(m_select->setUserName("admin"));
        m_sink.clear();
    }
    void cleanup()
    {
        m_select.reset();
        m_db.reset();
        m_fixture.reset();
    }

    void exportNeedsPathScenesAndAnOption()
    {
        auto dialog = exportDialog();
        auto *exportButton = child<QPushButton>(dialog.get(), "exportButton");
        QCOMPARE(child<QTreeWidget>(dialog.get(), "sceneList")->topLevelItemCount(), 2);
        QVERIFY(!exportButton->isEnabled());
        dialog->setPath(package());
        QVERIFY(exportButton->isEnabled());
        click(dialog.get(), "clearAllButton");
        QVERIFY(!exportButton->isEnabled());
        // A box switch alone is an option.
        child<QGroupBox>(dialog.get(), "libraryBox")->setChecked(true);
        QVERIFY(exportButton->isEnabled());
        click(dialog.get(), "clearAllButton");
        click(dialog.get(), "audioCB");
        QVERIFY(exportButton->isEnabled());
        auto *scenes = child<QTreeWidget>(dialog.get(), "sceneList");
        scenes->selectAll();
        click(dialog.get(), "removeButton");
        QVERIFY(!exportButton->isEnabled());
    }

    // Offline fixes most options and the link mode; turning it off again
    // leaves every option, its state and the link mode as a new dialog has them.
    void offlineOnAndOffRestoresTheDefaults()
    {
        auto dialog = exportDialog();
        const auto state = [&dialog] {
            QStringList states;
            for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
                if (button->isCheckable())
                    states << QStringLiteral("%1:%2%3").arg(button->objectName()).arg(button->isChecked()).arg(button->isEnabled());
            for (QGroupBox *box : dialog->findChildren<QGroupBox *>())
                states << QStringLiteral("%1:%2%3").arg(box->objectName()).arg(box->isChecked()).arg(box->isEnabled());
            states.removeAll(QStringLiteral("offlineCB:11"));
            states.removeAll(QStringLiteral("offlineCB:01"));
            return states;
        };
        const QStringList initial = state();
        click(dialog.get(), "selectAllButton");
        click(dialog.get(), "clearAllButton");
        click(dialog.get(), "offlineCB");
        QVERIFY(!child<QCheckBox>(dialog.get(), "databaseCB")->isChecked());
        QVERIFY(!child<QCheckBox>(dialog.get(), "databaseCB")->isEnabled());
        QVERIFY(child<QCheckBox>(dialog.get(), "audioCB")->isChecked());
        QVERIFY(child<QRadioButton>(dialog.get(), "copyRB")->isChecked());
        auto *tabs = child<QTabWidget>(dialog.get(), "tabs");
        QVERIFY(!tabs->isTabEnabled(tabs->indexOf(child<QWidget>(dialog.get(), "filesTab"))));
        click(dialog.get(), "offlineCB");
        QCOMPARE(state(), initial);
        QVERIFY(tabs->isTabEnabled(tabs->indexOf(child<QWidget>(dialog.get(), "filesTab"))));
    }

    // The dialog's package is the batch export's with the same options.
    void exportMatchesBatch_data()
    {
        QTest::addColumn<bool>("offline");
        QTest::newRow("default options, copies") << false;
        QTest::newRow("offline") << true;
    }
    void exportMatchesBatch()
    {
        QFETCH(bool, offline);
        auto dialog = exportDialog();
        dialog->setPath(package("dialog"));
        click(dialog.get(), "copyRB");
        if (offline)
            click(dialog.get(), "offlineCB");
        click(dialog.get(), "exportButton");
        QVERIFY2(dialog->lastRunSucceeded(), qPrintable(m_sink.dump()));
        QCOMPARE(m_sink.lines().filter(QRegularExpression("^I Export: found \\d+ files to export.$")).size(), 1);

        RunOptions options;
        options.dataOptions = offline ? QSet<QString>{"offline"} : QSet<QString>{"database", "element", "timing", "stage"};
        options.environment = "E";
        options.job = "J";
        options.path = package("batch");
        QVERIFY(TYBatchTransfer(options, *m_db, m_select.get()).exportScenes());
        QCOMPARE(files(package("dialog")), files(package("batch")));
    }

    // The dialog's import is the batch import's with the same options.
    void importMatchesBatch()
    {
        exportPackage();
        auto dialog = importDialog(package(), "K");
        QCOMPARE(child<QTreeWidget>(dialog.get(), "sceneList")->topLevelItemCount(), 2);
        QVERIFY(child<QCheckBox>(dialog.get(), "elementCB")->isChecked());
        QVERIFY(!child<QCheckBox>(dialog.get(), "audioCB")->isChecked());
        click(dialog.get(), "copyRB");
        click(dialog.get(), "importButton");
        QVERIFY2(dialog->lastRunSucceeded(), qPrintable(m_sink.dump()));
        QCOMPARE(dialog->lastImported(), 2);

        RunOptions options;
        options.environment = "E";
        options.job = "L";
        options.fileSystem = m_fixture->fileSystem();
        options.path = package();
        QVERIFY2(TYBatchTransfer(options, *m_db, m_select.get()).importScenes(), qPrintable(m_sink.dump()));
        QCOMPARE(scenesOf("K"), QStringList({"s1", "s2"}));
        for (const QString scene : {"s1", "s2"})
            QCOMPARE(files(sceneFolder("K", scene)), files(sceneFolder("L", scene)));
        QCOMPARE(files(sceneFolder("K", "s1")).filter("bg-").size(), kDrawings);
    }

    // The destination environment's presets are offered; choosing one has
    // the editor relink each imported version once, after it is written.
    void importRemapsWithTheChosenPreset()
    {
        exportPackage();
        const QString log = m_fixture->scratch() + "/editor.log";
        qputenv("TALLYARD_EDITOR", FAKE_EDITOR);
        qputenv("FAKE_EDITOR_LOG", log.toUtf8());
        QVERIFY(DbTestFixture::writeFile(oswRemapPath::RemapPath2("/QVX_DB/environments/E/relink.xml"),
                                         "<presets><relink name=\"site\"/></presets>"));
        auto dialog = importDialog(package(), "K");
        TUTYImportRemap remap(m_db.get());
        dialog->setRemap(&remap);
        dialog->setDestination("E", "K", m_fixture->fileSystem());
        auto *presets = child<QComboBox>(dialog.get(), "remapCombo");
        QCOMPARE(presets->count(), 2);
        presets->setCurrentIndex(1);
        emit presets->activated(1);
        click(dialog.get(), "importButton");
        qunsetenv("TALLYARD_EDITOR");
        QVERIFY2(dialog->lastRunSucceeded(), qPrintable(m_sink.dump()));
        const QStringList runs = QString(DbTestFixture::readFile(log)).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(runs.size(), 2);
        for (const QString &run : runs)
            QVERIFY2(run.startsWith("E\tK\ts") && run.contains("KS_RelinkPaths(\"site\")"), qPrintable(run));
    }

    void folderWithoutPackagesListsNothing()
    {
        auto dialog = importDialog(package(), "K");
        QVERIFY(QDir().mkpath(package("empty") + "/sub"));
        ModalAnswerer answerer;
        answerer.then([this](QWidget *modal) {
            auto *chooser = qobject_cast<QFileDialog *>(modal);
            QVERIFY(chooser);
            chooser->setDirectory(package("empty"));
            QMetaObject::invokeMethod(chooser, "accept");
        });
        answerer.press("OK");
        click(dialog.get(), "folderButton");
        QTRY_VERIFY(answerer.done());
        QCOMPARE(answerer.boxes, QStringList{"No Project Found|No valid projects were found in the sub folders.|OK"});
        QCOMPARE(child<QTreeWidget>(dialog.get(), "sceneList")->topLevelItemCount(), 0);
        QVERIFY(!child<QPushButton>(dialog.get(), "importButton")->isEnabled());
    }

    void longNameIsConfirmed_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("scenes");
        QTest::newRow("no") << "No" << QStringList();
        QTest::newRow("yes") << "Yes" << QStringList{"abcdefghijklmnopqrstuvwx"};
    }
    void longNameIsConfirmed()
    {
        QFETCH(QString, answer);
        QFETCH(QStringList, scenes);
        const QString file = package("single") + "/abcdefghijklmnopqrstuvwxy.v1.pavx";
        QVERIFY(DbTestFixture::writeFile(file, "<project/>\n"));
        auto dialog = importDialog(file, "K");
        ModalAnswerer answerer;
        answerer.press(answer);
        click(dialog.get(), "importButton");
        QTRY_VERIFY(answerer.done());
        QCOMPARE(answerer.boxes, QStringList{"Confirm Scene Import|The following scene name is too long and will be "
                                             "truncated to 24 characters:\n\tabcdefghijklmnopqrstuvwxy. \nProceed with "
                                             "import?|No"});
        QCOMPARE(scenesOf("K"), scenes);
    }

    // s1, imported into K before, is checked out by bob; s2 was imported too.
    void lockQuestionAnsweredBothWays_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("imported");
        QTest::newRow("skip it") << "Skip Scene" << 1;
        QTest::newRow("stop") << "Stop Import" << 0;
    }
    void lockQuestionAnsweredBothWays()
    {
        QFETCH(QString, answer);
        QFETCH(int, imported);
        QVERIFY(importIntoKWithS1CheckedOutByBob());
        // A new file, not one hard-linked to the package's.
        for (const QString scene : {"s1", "s2"}) {
            QVERIFY(QFile::remove(sceneFolder("K", scene) + "/elements/bg/bg-1.png"));
            QVERIFY(DbTestFixture::writeFile(sceneFolder("K", scene) + "/elements/bg/bg-1.png", "changed"));
        }
        m_sink.clear();

        auto dialog = importDialog(package(), "K");
        ModalAnswerer answerer;
        answerer.press(answer);
        if (imported)
            answerer.press("Import");
        click(dialog.get(), "importButton");
        QTRY_VERIFY(answerer.done());
        QCOMPARE(answerer.boxes.value(0).section('|', 0, 0), "Scene Checked Out");
        QVERIFY(answerer.boxes.value(0).contains("Scene s1 is checked out\n by: bob\n"));
        QCOMPARE(answerer.boxes.value(0).section('|', 2), "Skip Scene");
        QCOMPARE(dialog->lastImported(), imported);
        QCOMPARE(DbTestFixture::readFile(sceneFolder("K", "s1") + "/elements/bg/bg-1.png"), "changed");
        QCOMPARE(DbTestFixture::readFile(sceneFolder("K", "s2") + "/elements/bg/bg-1.png"), imported ? "s2" : "changed");
    }

    // With "Checkin" on, a scene checked out to someone else stops the whole
    // import before any question, whether the dialog is shown or not.
    void checkinRefusesSceneCheckedOutElsewhere_data()
    {
        QTest::addColumn<bool>("shown");
        QTest::newRow("shown") << true;
        QTest::newRow("imported before it is shown") << false;
    }
    void checkinRefusesSceneCheckedOutElsewhere()
    {
        QFETCH(bool, shown);
        QVERIFY(importIntoKWithS1CheckedOutByBob());
        m_sink.clear();

        auto dialog = importDialog(package(), "K", shown);
        child<QCheckBox>(dialog.get(), "checkinCB")->setChecked(true);
        // Without the check, the import would ask about each scene.
        ModalAnswerer answerer;
        answerer.press("Skip Scene");
        answerer.press("Import");
        dialog->interactiveImport();
        QCOMPARE(answerer.boxes, QStringList());
        QVERIFY2(m_sink.dump().contains("Scene s1 is checked out\n by bob\n"), qPrintable(m_sink.dump()));
        QCOMPARE(dialog->lastImported(), 0);
    }

    // The destination: a listed file system gives the standard folder
    // pattern; a folder typed instead counts as "Other"; a scene that exists
    // in the chosen job preselects its file system.
    void fileSystemSelector()
    {
        const QString fs2 = m_fixture->scratch() + "/fs2";
        QVERIFY(QDir().mkpath(fs2) && m_db->dba_AddFileSystem(fs2));
        dba_job_struct job;
        QCOMPARE(m_db->dba_OpenJob("K", job), 0);
        QVERIFY(m_db->dba_CreateScene(job, "s9", "admin", fs2, QString(), 1, -1, 1));
        m_db->dba_CloseJob(job);
        const auto choose = [](TUDbFileSystemDlg &dialog, const char *list, const QString &text) {
            auto *widget = child<QListWidget>(&dialog, list);
            widget->setCurrentItem(widget->findItems(text, Qt::MatchExactly).value(0));
        };
        TUDbFileSystemDlg dialog(nullptr, m_select.get(), m_db.get(), "s9");
        auto *other = child<QLineEdit>(&dialog, "other");
        choose(dialog, "environments", "E");
        QMetaObject::invokeMethod(&dialog, "apply");
        QVERIFY(m_sink.has('E', "You must select an Environment, a Job and a File System."));
        choose(dialog, "jobs", "K");
        QCOMPARE(dialog.fileSystem(), fs2);
        QCOMPARE(other->text(), fs2 + "/K/scene-{sceneName}");
        other->setText("/elsewhere/K/ /");
        QCOMPARE(dialog.fileSystem(), QString());
        QMetaObject::invokeMethod(&dialog, "apply");
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.destination(), "/elsewhere/K");
    }

    // Cancel stops the run between two files: an export leaves no package,
    // an import keeps the scenes it finished.
    void cancelDuringExportRemovesThePackage()
    {
        auto dialog = exportDialog();
        dialog->setPath(package());
        CancelPastHalf cancel;
        click(dialog.get(), "exportButton");
        QVERIFY(!dialog->lastRunSucceeded());
        QVERIFY(m_sink.has('E', "Export interrupted by user. All export files were removed."));
        QCOMPARE(QDir(package()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }
    void cancelDuringImportKeepsWhatWasImported()
    {
        exportPackage();
        auto dialog = importDialog(package(), "K");
        CancelPastHalf cancel;
        click(dialog.get(), "importButton");
        QVERIFY(m_sink.has('E', "Import was interrupted by the user."));
        QCOMPARE(dialog->lastImported(), 1);
        QCOMPARE(files(sceneFolder("K", "s1")).filter("bg-").size(), kDrawings);
        QVERIFY(files(sceneFolder("K", "s2")).filter("bg-").size() < kDrawings);
    }
};

QTEST_MAIN(tst_IEDialogs)
#include "tst_iedialogs.moc"
