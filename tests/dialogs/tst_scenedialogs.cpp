#include "DbTestFixture.h"
#include "ModalAnswerer.h"
#include "RecordingSink.h"
#include "TUMoveScene.h"
#include "TURenameScene.h"
#include "TUSceneCreateDlg.h"
#include "TestWidgets.h"
#include "oswRemapPath.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocalServer>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <QtTest>

namespace {
QString local(const QString &stored)
{
    return oswRemapPath::RemapPath2(stored);
}
} // namespace

// Creating, moving and renaming scenes through their dialogs, on job J1 of
// environment E with scenes s1 and s2 on the first file system; a second
// file system is registered beside it.
class tst_SceneDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(DbTestFixture::restartWithJob(m_fixture, m_db, nullptr, "J1"));
        m_fs2 = m_fixture->scratch() + "/fs2";
        QVERIFY(m_db->dba_AddFileSystem(m_fs2));
        for (const char *name : {"s1", "s2"}) {
            QVERIFY(m_fixture->addScene(*m_db, m_db->jobRecord(), name));
            QVERIFY(DbTestFixture::writeFile(local(standardPath(name, m_fixture->fileSystem())) + "/stage/v1.pavx", name));
        }
        m_parent = std::make_unique<QWidget>();
        m_sink.clear();
    }
    void cleanup() { m_parent.reset(); }

    void createScenes_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("folderName"); // empty: as offered
        QTest::addColumn<QString>("said");       // a message, or the box "title|text"
        QTest::addColumn<QStringList>("created");
        QTest::newRow("three at once") << QStringList{"a", "b", "c"} << "" << "" << QStringList{"a", "b", "c"};
        QTest::newRow("one, fixed folder") << QStringList{"a"} << "shot" << "" << QStringList{"a"};
        QTest::newRow("several, fixed folder")
            << QStringList{"a", "b"} << "shot"
            << "Could not create scenes|When creating multiple scenes, the Scene Folder Name must contain:\n{sceneName}"
            << QStringList{};
        QTest::newRow("twice") << QStringList{"a", "b", "a"} << "" << "E Scene a appears more that once in the dialog."
                               << QStringList{};
        QTest::newRow("exists") << QStringList{"a", "s2"} << "" << "E Scene s2 already exists in the database."
                                << QStringList{};
        QTest::newRow("invalid")
            << QStringList{"a", "bad name!"} << ""
            << "E Invalid scene name (bad name!).\nThe maximum number of ascii characters is 24.\nValid characters are: "
               "alphanumeric, underscore (_), dash (-) and dot (.).\nSuggesting bad_name_."
            << QStringList{};
        QTest::newRow("folder with a blank") << QStringList{"a"} << "my shot" << "E Invalid Scene Folder Name (my shot).\nValid characters are: alphanumeric, parentheses, "
                                                "underscore (_) and dash (-), around at most one {sceneName}."
                                             << QStringList{};
    }
    void createScenes()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, folderName);
        QFETCH(QString, said);
        QFETCH(QStringList, created);
        auto *dialog = new TUSceneCreateDlg(m_parent.get(), m_db.get(), "E", "admin", -1);
        QSignalSpy spy(dialog, &TUSceneCreateDlg::sceneCreated);
        dialog->show();
        QPushButton *ok = dialog->findChild<QPushButton *>("ok");
        QVERIFY(!ok->isEnabled());
        auto *table = dialog->findChild<QTableWidget *>("names");
        for (int row = 0; row < names.size(); ++row)
            table->item(row, 0)->setText(names[row]);
        QCOMPARE(table->rowCount(), names.size() + 1);
        // The second file system, then the folder as typed.
        auto *fileSystems = dialog->findChild<QListWidget *>("fileSystems");
        fileSystems->setCurrentRow(1);
        QCOMPARE(dialog->findChild<QLineEdit *>("parentFolder")->text(), m_fs2 + "/J1");
        QCOMPARE(dialog->findChild<QLineEdit *>("folderName")->text(), "scene-{sceneName}");
        if (!folderName.isEmpty()) {
            dialog->findChild<QLineEdit *>("folderName")->clear();
            QTest::keyClicks(dialog->findChild<QLineEdit *>("folderName"), folderName);
            QVERIFY(fileSystems->selectedItems().isEmpty());
        }
        ModalAnswerer answerer;
        if (said.contains('|'))
            answerer.press("OK");
        QTest::mouseClick(ok, Qt::LeftButton);
        QTRY_VERIFY(answerer.done());
        QCOMPARE(answerer.boxes.join("") + m_sink.lines().join(""), said.isEmpty() ? QString() : said + (said.contains('|') ? "|OK" : ""));
        QCOMPARE(m_db->buildScenesList(m_db->jobRecord()), QStringList({"s1", "s2"}) + created);
        QCOMPARE(spy.count(), created.isEmpty() ? 0 : 1);
        for (const QString &name : created) {
            const QString folder = m_fs2 + "/J1/" + (folderName.isEmpty() ? "scene-" + name : folderName);
            QVERIFY2(QFileInfo(folder + "/stage").isDir(), qPrintable(folder));
        }
    }

    void sizesShowWholeMegabytes_data()
    {
        QTest::addColumn<double>("megabytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("under one") << 0.3 << "< 1";
        QTest::newRow("rounded") << 2.6 << "3";
    }
    void sizesShowWholeMegabytes()
    {
        QFETCH(double, megabytes);
        QTEST(TUMoveScene::sizeText(megabytes), "shown");
    }

    // A copy that fails half-way leaves the scene whole where it was, and
    // nothing at the destination; once the cause is gone the move succeeds.
    // A scene already on the destination is skipped.
    void moveFailingHalfWayLosesNothing()
    {
        const QString from = local(standardPath("s1", m_fixture->fileSystem()));
        QVERIFY(DbTestFixture::writeFile(from + "/elements/bg/1.tga", QByteArray(300 * 1024, 'x')));
        const QStringList before = DbTestFixture::filesBelow(from);
        // A socket cannot be copied: the move stops after some files are across.
        QLocalServer socket;
        QVERIFY(socket.listen(from + "/zz-socket"));

        // A folder left at the destination: the user agrees to write over it.
        const QString target = m_fs2 + "/J1/scene-s1";
        QVERIFY(DbTestFixture::writeFile(target + "/stage/v1.pavx", "left over"));
        ModalAnswerer answerer;
        answerer.press("Continue");
        QString total;
        QVERIFY(!move({"s1"}, &total));
        QCOMPARE(total, "< 1");
        QCOMPARE(answerer.boxes, QStringList("Confirm|The directory \"" + m_fs2 + "/J1/scene-s1\" already exists.\nAll files in "
                                             "this directory will be overwritten.\nDo you want to continue to move scene "
                                             "\"s1\" ?|Cancel"));
        QVERIFY2(m_sink.dump().contains("Cannot move scene s1"), qPrintable(m_sink.dump()));
        QCOMPARE(sceneFileSystem("s1"), m_fixture->fileSystem());
        QCOMPARE(DbTestFixture::filesBelow(from), before);
        QCOMPARE(DbTestFixture::filesBelow(target), QStringList("stage/v1.pavx=left over"));
        QCOMPARE(QDir(m_fs2 + "/J1").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList("scene-s1"));

        socket.close();
        QFile::remove(from + "/zz-socket");
        m_sink.clear();
        answerer.press("Continue");
        QVERIFY(move({"s1"}));
        QCOMPARE(sceneFileSystem("s1"), m_fs2);
        QCOMPARE(DbTestFixture::filesBelow(m_fs2 + "/J1/scene-s1"), before);
        QVERIFY(!QFileInfo::exists(from));
        QVERIFY(!m_sink.dump().contains("Cannot"));
        QVERIFY(move({"s1", "s2"}));
        QVERIFY2(m_sink.has('E', "Scene s1 is already in File System " + m_fs2 + "."), qPrintable(m_sink.dump()));
        QCOMPARE(sceneFileSystem("s2"), m_fs2);
    }

    // An earlier rename of the scene that did not finish: the user chooses.
    void interruptedRenameIsContinuedOrUndone_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("name"); // the scene's name after
        QTest::addColumn<int>("journal");
        QTest::newRow("continue") << "Continue\nprevious rename" << "B" << 0;
        QTest::newRow("undo") << "Undo\nprevious rename" << "C" << 0;
        QTest::newRow("cancel") << "Cancel" << "A" << 1;
    }
    void interruptedRenameIsContinuedOrUndone()
    {
        QFETCH(QString, choice);
        QFETCH(QString, name);
        QFETCH(int, journal);
        QVERIFY(m_fixture->addScene(*m_db, m_db->jobRecord(), "A"));
        const qint64 id = DbTestFixture::value(*m_db, "SELECT id FROM scenes WHERE name = 'A'").toLongLong();
        const QString oldPath = standardPath("A", m_fixture->fileSystem()), newPath = standardPath("B", m_fixture->fileSystem());
        // The journal row a rename killed after its first step leaves.
        QVERIFY(DbTestFixture::exec(*m_db,
                                    "INSERT INTO renames (scene_id, old_name, new_name, old_path, new_path, user_name, step, "
                                    "started) VALUES (?, 'A', 'B', ?, ?, 'carol', 0, ?)",
                                    {id, oldPath, newPath, DBA_Context::now()}));
        auto *dialog = new TURenameScene(m_parent.get(), m_db.get(), "A");
        QCOMPARE(dialog->windowTitle(), "Rename Scene A");
        dialog->show();
        auto *field = dialog->findChild<QLineEdit *>("name");
        // An empty name is refused before the rename manager is asked.
        field->clear();
        press(dialog, "&OK");
        QVERIFY(m_sink.has('E', "Please enter a scene name."));
        QCOMPARE(DbTestFixture::value(*m_db, "SELECT COUNT(*) FROM renames").toInt(), 1);

        QTest::keyClicks(field, "C");
        ModalAnswerer answerer;
        answerer.press(choice);
        press(dialog, "&OK");
        QTRY_VERIFY(answerer.done());
        QCOMPARE(answerer.boxes, QStringList("Confirm|Tallyard has detected that the last rename operation\non this scene "
                                             "by user \"carol\" failed. Choose one of\nthe following options:|Cancel"));
        QCOMPARE(DbTestFixture::value(*m_db, "SELECT name FROM scenes WHERE id = ?", {id}).toString(), name);
        QCOMPARE(DbTestFixture::value(*m_db, "SELECT COUNT(*) FROM renames").toInt(), journal);
        QVERIFY(QFileInfo(local(standardPath(name, m_fixture->fileSystem()))).isDir());
    }

private:
    static QString standardPath(const QString &scene, const QString &fileSystem)
    {
        return TUDbAccess::buildStandardScenePath(fileSystem, "J1", scene);
    }
    QString sceneFileSystem(const QString &name)
    {
        return DbTestFixture::value(*m_db, "SELECT file_system FROM scenes WHERE name = ?", {name}).toString();
    }
    // Runs the move dialog on names to the second file system; true when it closed.
    // total gets the space the dialog said the scenes need.
    bool move(const QStringList &names, QString *total = nullptr)
    {
        auto *dialog = new TUMoveScene(m_parent.get(), m_db.get(), &m_db->jobRecord(), names);
        QPointer<TUMoveScene> alive(dialog);
        dialog->show();
        if (total)
            *total = dialog->findChild<QLabel *>("total")->text();
        dialog->findChild<QLineEdit *>("other")->setText(m_fs2);
        QTest::mouseClick(dialog->findChild<QPushButton *>("ok"), Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const bool closed = !alive;
        m_db->dba_RefreshJob(m_db->jobRecord());
        return closed && !m_sink.dump().contains("Cannot move");
    }

    RecordingSink m_sink;
    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    std::unique_ptr<QWidget> m_parent;
    QString m_fs2;
};

QTEST_MAIN(tst_SceneDialogs)
#include "tst_scenedialogs.moc"
