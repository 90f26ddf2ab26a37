#include "DBUI_LockManager.h"
#include "DbTestFixture.h"
#include "ModalAnswerer.h"
#include "RecordingSink.h"
#include "TUPriorityJob.h"
#include "TUReorderListView.h"
#include "TUReorderScene.h"
#include "TUStageJob.h"
#include "TUTYUnvectorizeDlg.h"
#include "TUTYApprovalPolicyDlg.h"
#include "TUTYUnlockVersionDlg.h"
#include "TUTYUserListDlg.h"
#include "TUTdAtdJob.h"
#include "TUVectOptionsDlg.h"
#include "TestWidgets.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTextEdit>
#include <QTreeWidget>
#include <QtTest>

namespace {
QStringList column(const QTreeWidget *tree, int column)
{
    QStringList texts;
    for (int row = 0; row < tree->topLevelItemCount(); ++row)
        texts << tree->topLevelItem(row)->text(column);
    return texts;
}

void selectRows(QAbstractItemView *view, const QStringList &names, int column = 0)
{
    view->clearSelection();
    for (const QString &name : names) {
        const QModelIndexList found = view->model()->match(view->model()->index(0, column), Qt::DisplayRole, name, 1,
                                                           Qt::MatchExactly);
        QVERIFY2(!found.isEmpty(), qPrintable(name));
        view->selectionModel()->select(found.first(), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}
} // namespace

// The job, order, user, lock and vectorize dialogs, driven as a user
// would, on a database with jobs J1..J3 in environment E (J1 holding s1..s4)
// and the users admin, bob, amy and BATCH.
class tst_AdminDialogs : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(DbTestFixture::restartWithJob(m_fixture, m_db, &m_job, "J1"));
        m_parent = std::make_unique<QWidget>();
        for (const char *name : {"J2", "J3"}) {
            dba_job_struct job = DbTestFixture::newJob(name, "E");
            QVERIFY(m_db->dba_createJob(job) > 0);
        }
        const int frames[] = {24, 8, 100, 8};
        for (int i = 1; i <= 4; ++i) {
            dba_scene_struct scene;
            QVERIFY(m_fixture->addScene(*m_db, m_job, QStringLiteral("s%1").arg(i), &scene));
            QVERIFY(m_db->dba_setSceneFrames(scene, frames[i - 1]));
            m_db->dba_CloseScene(scene);
        }
        QCOMPARE(m_db->addUser("bob", "Bob", "B", QString(), TUDbAccess::TD), 0);
        QCOMPARE(m_db->addUser("amy", "Amy", "A", QString(), TUDbAccess::ANIMATOR), 0);
        m_db->dba_RefreshJob(m_job);
    }
    void cleanup()
    {
        m_parent.reset();
        m_sink.clear();
    }

    void priorityStartsFromTheSelection_data()
    {
        QTest::addColumn<QVector<int>>("priorities"); // of J1, J2, J3, all selected
        QTest::addColumn<QString>("shown");
        QTest::newRow("differ") << QVector<int>{3, 3, 7} << "5";
        QTest::newRow("same") << QVector<int>{3, 3, 3} << "3";
        QTest::newRow("none selected") << QVector<int>{} << "-1";
    }
    void priorityStartsFromTheSelection()
    {
        QFETCH(QVector<int>, priorities);
        QFETCH(QString, shown);
        QStringList jobs;
        for (int i = 0; i < priorities.size(); ++i) {
            dba_job_struct job;
            job.name = QStringLiteral("J%1").arg(i + 1);
            QVERIFY(m_db->dba_changePriorityJob(job, priorities[i]));
            jobs << job.name;
        }
        auto *dialog = new TUPriorityJob(m_parent.get(), m_db.get(), jobs);
        QCOMPARE(dialog->findChild<QLabel *>("priorityValue")->text(), shown);
        if (jobs.isEmpty())
            return;
        // Cancel leaves the priorities; OK sets them all.
        dialog->findChild<QSlider *>("priority")->setValue(9);
        dialog->show();
        press(dialog, "Cancel");
        QCOMPARE(jobPriorities().mid(0, priorities.size()), priorities);
        dialog = new TUPriorityJob(m_parent.get(), m_db.get(), jobs);
        dialog->findChild<QSlider *>("priority")->setValue(9);
        dialog->show();
        press(dialog, "OK");
        QCOMPARE(jobPriorities(), QVector<int>(3, 9));
    }

    void tdAtdTakesTheCommonUser()
    {
        const char *tds[] = {"amy", "bob", "bob"};
        for (int i = 0; i < 3; ++i) {
            dba_job_struct job;
            job.name = QStringLiteral("J%1").arg(i + 1);
            QVERIFY(m_db->dba_changeTdAtdJob(job, tds[i], "amy"));
        }
        auto *dialog = new TUTdAtdJob(m_parent.get(), m_db.get(), {"J1", "J2", "J3"});
        auto *td = dialog->findChild<QComboBox *>("td");
        auto *atd = dialog->findChild<QComboBox *>("atd");
        QCOMPARE(td->currentText(), "bob");
        QCOMPARE(atd->currentText(), "amy");
        dialog->show();
        td->setCurrentIndex(0);
        press(dialog, "OK");
        QVERIFY(m_sink.has('E', "Please specify a name for both TD and ATD"));
        QVERIFY(dialog->isVisible());
        td->setCurrentText("admin");
        press(dialog, "OK");
        dba_job_struct job;
        QVERIFY(m_db->dba_OpenJob("J1", job) != -1);
        QCOMPARE(job.td + "/" + job.atd, "admin/amy");
    }

    // A job moved to Completed and back sends nothing; Cancel sends nothing.
    void jobStageChangesOnlyWhatMoved_data()
    {
        QTest::addColumn<QStringList>("toCompleted");
        QTest::addColumn<QStringList>("back");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QVector<int>>("stages");
        QTest::newRow("one completed") << QStringList{"J2"} << QStringList{} << "OK" << QVector<int>{0, 1, 0};
        QTest::newRow("there and back") << QStringList{"J1", "J2"} << QStringList{"J1"} << "OK" << QVector<int>{0, 1, 0};
        QTest::newRow("cancelled") << QStringList{"J1"} << QStringList{} << "Cancel" << QVector<int>{0, 0, 0};
    }
    void jobStageChangesOnlyWhatMoved()
    {
        QFETCH(QStringList, toCompleted);
        QFETCH(QStringList, back);
        QFETCH(QString, button);
        QFETCH(QVector<int>, stages);
        auto *dialog = new TUStageJob(m_parent.get(), m_db.get(), "E");
        dialog->show();
        selectRows(dialog->findChild<QListWidget *>("inProduction"), toCompleted);
        QTest::mouseClick(dialog->findChild<QPushButton *>("toCompleted"), Qt::LeftButton);
        selectRows(dialog->findChild<QListWidget *>("completed"), back);
        QTest::mouseClick(dialog->findChild<QPushButton *>("toInProduction"), Qt::LeftButton);
        press(dialog, button);
        QVector<dba_job_struct> jobs;
        m_db->dba_GetAllEnvironmentJobs("E", jobs);
        QVector<int> now;
        for (const dba_job_struct &job : jobs)
            now << job.stage;
        QCOMPARE(now, stages);
    }

    void reorderSortsByHeaderAndDrags()
    {
        auto *dialog = new TUReorderScene(m_parent.get(), m_db.get(), &m_job);
        dialog->show();
        TUReorderListView *list = dialog->list();
        QCOMPARE(column(list, 0), QStringList({"s1", "s2", "s3", "s4"}));
        // Frames sort by number: ascending first, then descending; then Name descending.
        const QHeaderView *header = list->header();
        const auto click = [&](int section) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(section) + 5, header->height() / 2));
        };
        click(TUReorderScene::Frames);
        QCOMPARE(column(list, TUReorderScene::Frames), QStringList({"8", "8", "24", "100"}));
        click(TUReorderScene::Frames);
        QCOMPARE(column(list, TUReorderScene::Frames), QStringList({"100", "24", "8", "8"}));
        click(TUReorderScene::Name);
        QCOMPARE(column(list, 0), QStringList({"s4", "s3", "s2", "s1"}));
        // s4 and s2 dropped on s1 go after it, in their order; then s3 to the end.
        selectRows(list, {"s4", "s2"});
        list->moveSelectedAfter(list->topLevelItem(3));
        QCOMPARE(column(list, 0), QStringList({"s3", "s1", "s4", "s2"}));
        selectRows(list, {"s3"});
        list->moveSelectedAfter(nullptr);
        QCOMPARE(column(list, 0), QStringList({"s1", "s4", "s2", "s3"}));

        press(dialog, "OK");
        QCOMPARE(m_db->buildScenesList(m_job), QStringList({"s1", "s4", "s2", "s3"}));
        dialog = new TUReorderScene(m_parent.get(), m_db.get(), &m_job);
        dialog->show();
        click(TUReorderScene::Name);
        press(dialog, "Cancel");
        QCOMPARE(m_db->buildScenesList(m_job), QStringList({"s1", "s4", "s2", "s3"}));
    }

    // Written at once: a list naming a scene deleted meanwhile changes nothing.
    void sceneOrderIsAllOrNothing()
    {
        QVERIFY(m_db->dba_deleteScene(m_job, "s3"));
        QVERIFY(!m_db->dba_setSceneOrder(m_job, {"s4", "s3", "s2", "s1"}));
        QCOMPARE(m_db->buildScenesList(m_job), QStringList({"s1", "s2", "s4"}));
        QVERIFY(m_db->dba_setSceneOrder(m_job, {"s4", "s1"}));
        QCOMPARE(m_db->buildScenesList(m_job), QStringList({"s4", "s1", "s2"}));
    }

    void userDeletionRefusesSelfAndBatch_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("answer"); // "" when no question may come
        QTest::addColumn<QString>("said");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("nobody selected") << "" << "" << "E Please select a user" << false;
        QTest::newRow("self") << "admin" << "" << "E You are not allowed to delete yourself" << false;
        QTest::newRow("BATCH") << "BATCH" << "" << "E You are not allowed to delete user BATCH" << false;
        QTest::newRow("other, cancelled") << "amy" << "Cancel" << "" << false;
        QTest::newRow("other") << "amy" << "OK" << "" << true;
    }
    void userDeletionRefusesSelfAndBatch()
    {
        QFETCH(QString, user);
        QFETCH(QString, answer);
        QFETCH(QString, said);
        QFETCH(bool, deleted);
        auto *dialog = new TUTYUserListDlg(m_parent.get(), m_db.get());
        dialog->show();
        auto *users = dialog->findChild<QTreeWidget *>("_lvUsers");
        if (!user.isEmpty())
            selectRows(users, {user});
        ModalAnswerer answerer;
        if (!answer.isEmpty())
            answerer.press(answer);
        QTest::mouseClick(dialog->findChild<QPushButton *>("_btnDelete"), Qt::LeftButton);
        QTRY_VERIFY(answerer.done());
        QCOMPARE(answerer.boxes, answer.isEmpty() ? QStringList() : QStringList("Confirm|Really delete user amy?|Cancel"));
        QCOMPARE(m_sink.lines(), said.isEmpty() ? QStringList() : QStringList(said));
        dba_user_struct_type record;
        QCOMPARE(!m_db->dba_GetUser(user, record), deleted || user.isEmpty());
        QCOMPARE(!column(users, 0).contains(user), deleted || user.isEmpty());
    }

    // The form needs all three names; a refused add comes back as typed.
    void refusedAddShowsTheFormAgain()
    {
        auto *dialog = new TUTYUserListDlg(m_parent.get(), m_db.get());
        dialog->show();
        ModalAnswerer answerer;
        QStringList okStates;
        const auto fill = [&](const QString &name, const QString &last) {
            answerer.then([&, name, last](QWidget *form) {
                auto *ok = form->findChild<QDialogButtonBox *>("m_OKCancelButtons")->button(QDialogButtonBox::Ok);
                form->findChild<QLineEdit *>("_leUserName")->setText(name);
                form->findChild<QLineEdit *>("_leFirstName")->setText("Carl");
                form->findChild<QLineEdit *>("_leLastName")->clear();
                okStates << QString::number(ok->isEnabled());
                form->findChild<QLineEdit *>("_leLastName")->setText(last);
                okStates << QString::number(ok->isEnabled()) + form->windowTitle();
                ok->click();
            });
        };
        fill("bob", "C"); // taken
        answerer.then([&](QWidget *form) {
            okStates << form->findChild<QLineEdit *>("_leUserName")->text()
                    + form->findChild<QComboBox *>("_cbType")->currentText();
            form->findChild<QLineEdit *>("_leUserName")->setText("carl");
            form->findChild<QDialogButtonBox *>("m_OKCancelButtons")->button(QDialogButtonBox::Ok)->click();
        });
        QTest::mouseClick(dialog->findChild<QPushButton *>("_btnAdd"), Qt::LeftButton);
        QTRY_VERIFY(answerer.done());
        QCOMPARE(okStates, QStringList({"0", "1Add User", "bob" + TUDbAccess::userType2QString(TUDbAccess::INK_PAINT)}));
        dba_user_struct_type carl;
        QVERIFY(m_db->dba_GetUser("carl", carl));
        QCOMPARE(QStringList({carl.firstName, carl.lastName}), QStringList({"Carl", "C"}));
        QVERIFY(column(dialog->findChild<QTreeWidget *>("_lvUsers"), 0).contains("carl"));
    }

    // A dead session's locks go; a live session's stay, and so does a lock
    // taken again after the list was read.
    void lockManagerReleasesDeadSessionsLocks()
    {
        std::unique_ptr<TUDbAccess> dead = m_fixture->open("bob");
        std::unique_ptr<TUDbAccess> live = m_fixture->open("amy");
        QVERIFY(dead && live);
        QCOMPARE(dead->dba_GetLogicalLock("V2", "library/dead-1", "w"), 0);
        QCOMPARE(dead->dba_GetLogicalLock("V1", "palette/dead-2", "w"), 0);
        QCOMPARE(live->dba_GetLogicalLock("V2", "library/live", "w"), 0);
        QVERIFY(DbTestFixture::exec(*m_db, "UPDATE sessions SET last_pulse = 0 WHERE user_name = 'bob'"));

        auto *dialog = new DBUI_LockManager(m_parent.get(), m_db.get());
        dialog->show();
        QTreeWidget *locks = dialog->lockList();
        QCOMPARE(column(locks, DBUI_LockManager::Session), QStringList({"dead", "alive", "dead"}));
        press(dialog, "Select Dead Sessions' Locks");
        QCOMPARE(locks->selectedItems().size(), 2);
        press(locks->parentWidget(), "Force Unlock");
        QCOMPARE(column(locks, DBUI_LockManager::Key), QStringList({"library/live"}));
        QVERIFY(live->dba_CheckLogicalLock("V2", "library/live"));

        // Nothing selected: a question that defaults to No, and No keeps all.
        ModalAnswerer answerer;
        answerer.press("&No");
        press(locks->parentWidget(), "Force Unlock");
        QTRY_VERIFY(answerer.done());
        QCOMPARE(answerer.boxes,
                 QStringList("Lock Manager|No selected locks.\n  Do you want to release all the listed locks?|&No"));
        QVERIFY(m_sink.has('E', "No selected locks to release. \n"));
        QVERIFY(live->dba_CheckLogicalLock("V2", "library/live"));

        // Released and taken again since the list was read: the new lock stays.
        QVERIFY(live->dba_ReleaseLogicalLock("V2", "library/live"));
        QCOMPARE(live->dba_GetLogicalLock("V2", "library/live", "w"), 0);
        selectRows(locks, {"library/live"}, DBUI_LockManager::Key);
        QCOMPARE(locks->selectedItems().size(), 1);
        press(locks->parentWidget(), "Force Unlock");
        QVERIFY(m_sink.dump().contains("The following lock(s) do(es) not exist"));
        QVERIFY(live->dba_CheckLogicalLock("V2", "library/live"));
    }

    // The selector keeps the locks of the jobs and scenes added, of one kind.
    void lockSelectorNarrowsTheList()
    {
        dba_scene_struct scenes[2];
        for (int i = 0; i < 2; ++i) {
            QVERIFY(m_db->dba_OpenScene(QStringLiteral("s%1").arg(i + 1), m_job, scenes[i]) == 0);
            QCOMPARE(m_db->dba_GetSceneLock(scenes[i]), 0);
        }
        QCOMPARE(m_db->dba_GetLogicalLock("V2", "J1/s1/library", "w"), 0);
        auto *dialog = new DBUI_LockManager(m_parent.get(), m_db.get());
        dialog->show();
        const auto click = [&](const char *list, const QString &text) {
            auto *widget = dialog->findChild<QListWidget *>(list);
            QListWidgetItem *item = widget->findItems(text, Qt::MatchExactly).value(0);
            QVERIFY2(item, qPrintable(text));
            QTest::mouseClick(widget->viewport(), Qt::LeftButton, {}, widget->visualItemRect(item).center());
        };
        click("environments", "E");
        click("jobs", "J1");
        click("scenes", "s1");
        press(dialog, "Add to List");
        QTreeWidget *filtered = dialog->filteredLockList();
        QCOMPARE(column(filtered, DBUI_LockManager::Key), QStringList({"J1/s1", "J1/s1/library"}));
        withText<QRadioButton>(dialog, "Scenes")->click();
        QCOMPARE(column(filtered, DBUI_LockManager::Key), QStringList({"J1/s1"}));
        withText<QRadioButton>(dialog, "Library")->click();
        QCOMPARE(column(filtered, DBUI_LockManager::Key), QStringList({"J1/s1/library"}));
        // Nothing selected there: all listed go, after the question; the others stay.
        ModalAnswerer answerer;
        answerer.press("&Yes");
        QTest::mouseClick(withText(filtered->parentWidget(), "Force Unlock"), Qt::LeftButton);
        QTRY_VERIFY(answerer.done());
        QVERIFY(!m_db->dba_CheckLogicalLock("V2", "J1/s1/library"));
        QCOMPARE(column(dialog->lockList(), DBUI_LockManager::Key), QStringList({"J1/s1", "J1/s2"}));
    }

    // Another user's version lock: an animator is refused after the
    // question (which defaults to No); a TD unlocks it.
    void versionUnlockNeedsTheRight_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<bool>("unlocked");
        const QString question = "Confirm Unlock Versions|Really unlock version %1 of this scene?\n(CANNOT be undone)|&No";
        QTest::newRow("animator") << "amy" << QStringList{question, "Error|You do not own this scene version lock or have the permission necessary to unlock a scene version --\nplease contact your supervisor or TD to change your user type\nor to delete the scenes\n|OK"} << false;
        QTest::newRow("TD") << "bob" << QStringList{question} << true;
    }
    void versionUnlockNeedsTheRight()
    {
        QFETCH(QString, user);
        QFETCH(QStringList, boxes);
        QFETCH(bool, unlocked);
        dba_scene_struct scene;
        QVERIFY(m_db->dba_OpenScene("s1", m_job, scene) == 0);
        QVERIFY(m_db->dba_addSceneVersion(scene, "first", "the first pass", 1) > 0);
        QCOMPARE(m_db->dba_LockSceneVersion(scene, 1), 0);
        std::unique_ptr<TUDbAccess> other = m_fixture->open(user);
        dba_job_struct job;
        QVERIFY(other->dba_OpenJob("J1", job) != -1 && other->dba_OpenScene("s1", job, scene) == 0);
        auto *dialog = new TUTYUnlockVersionDlg(m_parent.get(), other.get(), scene);
        dialog->show();
        auto *versions = dialog->findChild<QListWidget *>("versions");
        QCOMPARE(versions->count(), 1);
        QVERIFY(!withText(dialog, "&UnLock")->isEnabled());
        versions->setCurrentRow(0);
        QCOMPARE(dialog->findChild<QTextEdit *>("description")->toPlainText(), "the first pass");
        ModalAnswerer answerer;
        answerer.press("&Yes");
        if (boxes.size() > 1)
            answerer.press("OK");
        press(dialog, "&UnLock");
        QTRY_VERIFY(answerer.done());
        const qint64 id = m_db->QVX_scene_versions_of_DBA_scene(scene).value(0).id;
        QCOMPARE(answerer.boxes, boxes.replaceInStrings("%1", QString::number(id)));
        QVector<qint64> locked;
        QVERIFY(m_db->dba_GetAllLockedVersionIds(scene, locked));
        QCOMPARE(locked.isEmpty(), unlocked);
        QCOMPARE(versions->count(), unlocked ? 0 : 1);
    }

    void approvalPolicyOfTheSelectedJobs()
    {
        auto *dialog = new TUTYApprovalPolicyDlg(m_parent.get(), m_db.get(), "E");
        dialog->show();
        auto *jobs = dialog->findChild<QTreeWidget *>("_lvJobs");
        QCOMPARE(column(jobs, 1), QStringList({"Automatic", "Automatic", "Automatic"}));
        selectRows(jobs, {"J1", "J3"});
        QTest::mouseClick(dialog->findChild<QPushButton *>("_btnManual"), Qt::LeftButton);
        QCOMPARE(column(jobs, 1), QStringList({"Manual", "Automatic", "Manual"}));
        QVector<dba_job_struct> records;
        m_db->dba_GetEnvironmentJobs("E", records, 0);
        QCOMPARE(records.value(2).manualApproval, true);
    }

    void unvectorizeOptions_data()
    {
        QTest::addColumn<QString>("quality");
        QTest::addColumn<QString>("resX");
        QTest::addColumn<QString>("resY");
        QTest::addColumn<QString>("options"); // empty: OK stays disabled
        QTest::newRow("defaults") << "High" << "" << "" << "-antialiasing high 1 -resolution scan -bgcolor 1.0 1.0 1.0";
        QTest::newRow("low") << "Low" << "" << "" << "-antialiasing low 1 -resolution scan -bgcolor 1.0 1.0 1.0";
        QTest::newRow("custom") << "Medium Low" << "640" << "480"
                                << "-antialiasing medium-low 1 -resolution 640 480 -bgcolor 1.0 1.0 1.0";
        QTest::newRow("custom, Y empty") << "High" << "640" << "" << "";
    }
    void unvectorizeOptions()
    {
        QFETCH(QString, quality);
        QFETCH(QString, resX);
        QFETCH(QString, resY);
        QFETCH(QString, options);
        TUTYUnvectorizeDlg dialog(m_parent.get(), m_db.get());
        ModalAnswerer answerer;
        answerer.then([&](QWidget *form) {
            form->findChild<QComboBox *>("_cbAliasQuality")->setCurrentText(quality);
            if (!resX.isEmpty()) {
                QTest::mouseClick(form->findChild<QRadioButton *>("_rbResCustom"), Qt::LeftButton);
                QTest::keyClicks(form->findChild<QLineEdit *>("_editResX"), resX);
                QTest::keyClicks(form->findChild<QLineEdit *>("_editResY"), resY);
            }
            QPushButton *ok = form->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
            if (ok->isEnabled())
                ok->click();
            else
                static_cast<QDialog *>(form)->reject();
        });
        const int result = dialog.run("Drawings", {"1", "2b", "3"}, {"2b"});
        QCOMPARE(dialog.windowTitle(), "Send Drawings to Unvectorize");
        QCOMPARE(result == QDialog::Accepted ? dialog.options() : QString(), options);
        if (result == QDialog::Accepted)
            QCOMPARE(dialog.selectedNames().join(',') + dialog.suffix(), "2bpng");
    }

    // The dialog starts on the default style, wherever the file has it, and
    // hands on the chosen one's options (the file's rules: tst_scriptmanager).
    void vectorizeStylesDialog()
    {
        const QString path = m_fixture->scratch() + "/VectOptions.conf";
        QVERIFY(DbTestFixture::writeFile(path, "style_name: Ink\noptions: -a\nstyle_name: Default Style\noptions: -x\n"));
        TUVectOptionsDlg dialog(m_parent.get(), path);
        auto *names = dialog.findChild<QListWidget *>();
        QCOMPARE(names->currentItem()->text(), "Default Style");
        QCOMPARE(dialog.options(), "-x");
        names->setCurrentRow(0);
        QCOMPARE(dialog.options(), "-a");
    }

private:
    QVector<int> jobPriorities()
    {
        QVector<int> priorities;
        QVector<dba_job_struct> jobs;
        m_db->dba_GetAllEnvironmentJobs("E", jobs);
        for (const dba_job_struct &job : jobs)
            priorities << job.priority;
        return priorities;
    }

    RecordingSink m_sink;
    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    std::unique_ptr<QWidget> m_parent;
    dba_job_struct m_job;
};

QTEST_MAIN(tst_AdminDialogs)
#include "tst_admindialogs.moc"
