#include "BUIAPP_Application.h"
#include "PR_Preference.h"
#include "Studio.h"
#include "TUCreateEnv.h"
#include "TUCreateJob.h"
#include "TUEnvAssetDlg.h"
#include "TUSceneNameValidator.h"
#include "TUTYCommands.h"
#include "TUTYConfirm.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>

#include <functional>

namespace {
const char *const kRefusalTail = "\nplease contact your supervisor or TD to change your user type\nor to delete the scenes\n";
const QStringList kAllSceneEntries{"&Open", "&Create...", "Copy...", "&Delete", "Move...", "Rename...",
                                   "Force Unlock", "Force Unlock Version", "Force Checkin", "Checkin", "Checkout",
                                   "Change Priority...", "Change &Stage...", "Reorder...", "Cl&ear",
                                   "Send to &Vectorize", "Send to &Unvectorize...", "Send to Re&ndering...",
                                   "Run Script..."};
const QStringList kQueues{"&Vectorize Queue...", "&Render Queue..."};
const QStringList kJobEntries{"&Create...", "&Delete", "Change &Stage...", "Change &Priority..."};
const QString kA1 = QStringLiteral("env=Alpha jobs=A1");

QString forceQuestion(const char *doing, const char *verb, const char *scene)
{
    return QStringLiteral("Be aware that %1 a scene that is in use may cause\nloss of data, and even irreversible "
                          "corruption of the scene.\n\nBefore %1 a scene, you should be sure that no one is "
                          "currently\nworking in it.\n\nReally %2 scene %3?\n")
        .arg(QLatin1String(doing), QLatin1String(verb), QLatin1String(scene));
}

// A command run: by whom, on what chosen, and what it then says ("" for nothing).
struct Run {
    const char *user;
    QString selection;
    const char *slot;
    QString said;
};
} // namespace
Q_DECLARE_METATYPE(Run)

// The main window's menus and commands, driven as users of each type meet
// them over the studio of Studio.h, where bob holds s3's lock. Questions are
// answered by the test.
class tst_Commands : public QObject
{
    Q_OBJECT

    std::unique_ptr<Studio> m_studio;
    std::unique_ptr<TUDbAccess> m_lockHolder;
    TUDbAccess *m_db = nullptr;
    QVector<TUTYConfirm::Question> m_questions;
    QMessageBox::StandardButton m_answer = QMessageBox::Yes;
    QTemporaryDir m_scratch;

    void select(const QString &clicks) { m_studio->select(clicks); }
    QMenu *menu(const QString &title) const
    {
        const QList<QAction *> menus = m_studio->window->menuBar()->actions();
        auto found = std::find_if(menus.begin(), menus.end(), [&](QAction *menu) { return menu->text() == title; });
        return found == menus.end() ? nullptr : (*found)->menu();
    }
    // The entries of a menu as it opens, all or the enabled ones.
    QStringList entries(const QString &title, bool enabledOnly = false) const
    {
        emit menu(title)->aboutToShow();
        QStringList texts;
        for (const QAction *action : menu(title)->actions()) {
            if (!action->isSeparator() && (!enabledOnly || action->isEnabled()))
                texts.append(action->text());
        }
        return texts;
    }
    // An entry of the Admin menu, once the menu has been shown.
    QAction *adminEntry(const QString &text) const
    {
        entries("&Admin");
        const QList<QAction *> all = m_studio->window->findChildren<QAction *>();
        const auto found = std::find_if(all.begin(), all.end(), [&](QAction *action) { return action->text() == text; });
        return found == all.end() ? nullptr : *found;
    }
    // Runs the command slot of that name, wherever the window keeps it,
    // after forgetting earlier questions and messages. A modal dialog it
    // opens is handed to fill once the dialog's own event loop runs.
    void run(const char *slot, std::function<void(QWidget *)> fill = {})
    {
        m_questions.clear();
        m_studio->sink.clear();
        if (fill) {
            QTimer::singleShot(0, this, [fill] {
                QWidget *modal = QApplication::activeModalWidget();
                fill(modal);
                // Whatever is still open must not hold the test.
                if (modal && QApplication::activeModalWidget() == modal)
                    modal->close();
            });
        }
        const QList<TUTYCommands *> sets = m_studio->window->findChildren<TUTYCommands *>();
        QVERIFY2(std::any_of(sets.begin(), sets.end(),
                             [slot](TUTYCommands *set) {
                                 return set->metaObject()->indexOfSlot(QByteArray(slot) + "()") != -1
                                     && QMetaObject::invokeMethod(set, slot);
                             }),
                 slot);
    }
    QStringList said() const { return m_studio->sink.lines(); }
    QString asked() const { return m_questions.isEmpty() ? QString() : m_questions.first().text; }
    // "kind:name", the kind one of environment, job (of Alpha), scene,
    // elements (the scene has some), checkedout, locked.
    bool probe(const QString &what)
    {
        const QString kind = what.section(QLatin1Char(':'), 0, 0);
        const QString name = what.section(QLatin1Char(':'), 1);
        QStringList names;
        m_db->dba_GetEnvironments(names);
        QVector<dba_job_struct> jobs;
        m_db->dba_GetEnvironmentJobs(QStringLiteral("Alpha"), jobs);
        for (const dba_job_struct &job : jobs)
            names.append(job.name);
        dba_scene_struct scene;
        const bool opens = m_db->dba_OpenScene(name, m_studio->a1, scene) == 0;
        if (kind == QLatin1String("elements"))
            return opens && !m_db->read_DBA_elements(scene).isEmpty();
        if (kind == QLatin1String("checkedout"))
            return opens && m_db->dba_GetSceneCheckoutLock(scene);
        if (kind == QLatin1String("locked"))
            return m_db->isSceneLocked(m_studio->a1, name);
        return kind == QLatin1String("scene") ? opens : names.contains(name);
    }

private slots:
    void init()
    {
        m_studio = std::make_unique<Studio>();
        QVERIFY2(m_studio->fill(), qPrintable(m_studio->fixture.errorString()));
        m_db = m_studio->db.get();
        m_lockHolder = m_studio->fixture.open(QStringLiteral("bob"));
        dba_job_struct job;
        dba_scene_struct scene;
        QVERIFY(m_lockHolder && m_lockHolder->dba_OpenJob(QStringLiteral("A1"), job) == 0
                && m_lockHolder->dba_OpenScene(QStringLiteral("s3"), job, scene) == 0
                && m_lockHolder->dba_GetSceneLock(scene) == 0);
        m_answer = QMessageBox::Yes;
        TUTYConfirm::setAnswerer([this](const TUTYConfirm::Question &question) {
            m_questions.append(question);
            return m_answer;
        });
        TUSceneNameValidator::setAcceptUnicode(false);
        BUIAPP_Application::instance()->setDarkStyle(true);
    }

    void cleanup()
    {
        TUTYConfirm::setAnswerer({});
        m_studio->window.reset();
        m_lockHolder.reset();
        m_studio.reset();
    }

    void menusFollowTheUserType_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QStringList>("job");
        QTest::addColumn<QStringList>("scene");
        QTest::addColumn<QStringList>("admin");
        const QStringList toggles{"Allow Unicode Names", "Dark Style"};
        const QStringList transfers{"&Export...", "&Import...", "Import Multiple &Scenes..."};
        QTest::newRow("admin") << "admin" << QStringList{"&Create...", "&Delete", "&Change Asset Lock ..."} + kQueues
                               << kJobEntries << kAllSceneEntries
                               << QStringList{"&Users...", "&Change Approval Policy...", "&Vectorize Style..."}
                + transfers + QStringList{"Lock when Opening Scene", "Database Lock Manager..."} + toggles;
        QTest::newRow("coordinator") << "coord" << kQueues << kJobEntries << kAllSceneEntries
                                     << QStringList{"&Vectorize Style..."} + transfers + toggles;
        QTest::newRow("animator") << "anim" << kQueues << QStringList{"Change &Priority..."}
                                  << QStringList{"&Open", "Force Unlock", "Force Unlock Version", "Force Checkin",
                                                 "Checkin", "Checkout", "Change Priority...", "Send to &Vectorize",
                                                 "Send to &Unvectorize...", "Send to Re&ndering...", "Run Script..."}
                                  << QStringList{"&Vectorize Style..."} + toggles;
    }

    void menusFollowTheUserType()
    {
        QFETCH(QString, user);
        QFETCH(QStringList, environment);
        QFETCH(QStringList, job);
        QFETCH(QStringList, scene);
        QFETCH(QStringList, admin);
        m_studio->createWindow(user);
        const QStringList help{"&Help...", "Scripting Interface Documentation...",
                               "&Customer Experience Improvement Program...", "About..."};
        const std::pair<const char *, QStringList> menus[] = {
            {"&Environment", environment}, {"&Job", job}, {"&Scene", scene}, {"&Admin", admin}, {"&Help", help}};
        for (const auto &[title, expected] : menus) {
            QCOMPARE(entries(title), expected);
            // Shown again, nothing is added twice; no menu opens on a separator.
            QCOMPARE(entries(title), expected);
            QVERIFY2(!menu(title)->actions().first()->isSeparator(), title);
        }
        // The menus are built once: a right granted later adds no entry, but
        // the command itself asks the right as it runs.
        for (int type : {TUDbAccess::RD, TUDbAccess::COORDINATOR, TUDbAccess::ANIMATOR})
            QVERIFY(m_db->setRight(type, TUDbAccess::ModifyScene, true));
        QCOMPARE(entries("&Scene"), scene);
        select(kA1 + " scenes=s4");
        m_answer = QMessageBox::No;
        run("deleteScene");
        QCOMPARE(asked(), QStringLiteral("Really delete scene s4?"));
        QCOMPARE(said(), QStringList());
    }

    void entriesFollowTheSelection()
    {
        m_studio->createWindow("admin");
        // Built before anything is chosen, as by a user who opens the menus first.
        for (const char *title : {"&Environment", "&Job", "&Scene", "&Element", "&Drawing"})
            entries(title);
        QStringList several = kAllSceneEntries;
        several.removeAll("Rename...");
        several.removeAll("Force Unlock Version");
        const QStringList sendBoth{"Send to &Vectorize", "Send to &Unvectorize..."};
        const std::tuple<QString, const char *, QStringList> steps[] = {
            {"", "&Environment", {"&Create..."}},
            {"", "&Job", {}},
            {"env=Beta", "&Environment", QStringList{"&Create...", "&Delete", "&Change Asset Lock ..."} + kQueues},
            {"env=Alpha", "&Environment", QStringList{"&Create...", "&Change Asset Lock ..."} + kQueues},
            {"", "&Job", {"&Create...", "Change &Stage..."}},
            {"", "&Scene", {}},
            {"jobs=A1,A2", "&Job", kJobEntries},
            {"", "&Scene", {"Copy..."}},
            {"jobs=A1", "&Scene", {"&Create...", "Copy...", "Move...", "Reorder...", "Send to &Unvectorize..."}},
            {"scenes=s1", "&Scene", kAllSceneEntries},
            {"", "&Element", {}},
            {"scenes=s1,s2", "&Scene", several},
            {"open=elements scenes=s1", "&Element", {"Send to &Unvectorize..."}},
            {"", "&Drawing", {}},
            {"elements=char", "&Element", sendBoth},
            {"open=drawings", "&Drawing", {"Send to &Unvectorize..."}},
            {"drawings=2b", "&Drawing", sendBoth},
        };
        for (const auto &[selection, title, enabled] : steps) {
            select(selection);
            QVERIFY2(entries(title, true) == enabled,
                     qPrintable(selection + " " + title + ": " + entries(title, true).join('|')));
        }
    }

    // Every type may check out by default, so the rights matrix never sees this refusal.
    void checkoutWithoutTheRightIsRefused()
    {
        m_studio->createWindow("nobody");
        select(kA1 + " scenes=s1");
        run("checkoutScene");
        QCOMPARE(said(), QStringList("E You do not have the permission necessary to checkout scene s1 -- "
                                     + QLatin1String(kRefusalTail)));
        QCOMPARE(asked(), QString());
    }

    void onlyYesChangesAnything_data()
    {
        QTest::addColumn<Run>("row");
        QTest::addColumn<QString>("changed");
        // The question (in "said") defaults to No, but for checking out.
        const std::pair<Run, const char *> rows[] = {
            {{"admin", "env=Beta", "deleteEnvironment", "Really delete environment Beta?"}, "environment:Beta"},
            {{"admin", "env=Alpha jobs=A2", "deleteJob", "Really delete job A2?"}, "job:A2"},
            {{"admin", kA1 + " scenes=s4", "deleteScene", "Really delete scene s4?"}, "scene:s4"},
            {{"admin", kA1 + " scenes=s1,s4", "deleteScene", "Really delete the following scenes?\n\ns1\ns4"},
             "scene:s4"},
            {{"admin", kA1 + " scenes=s1", "clearScene",
              "Clearing a scene is usually done when you want to re-build a\nscene (xsheet, network, etc) due to "
              "major changes.\n\nClearing a scene will delete all xsheet, network, element, and drawing\ndatabase "
              "information, and leave it as if it were new.\n\nOnly the database files will be cleared for the "
              "scene.\nAny image files (scan, paint, final frame files)\nwill need to be deleted manually.  If you "
              "have questions, please \ncontact the Technical Director for this job.\n\nBefore clearing a scene, you "
              "should be sure that no one is currently\nworking in it.\n\n Really clear scene s1?"},
             "elements:s1"},
            {{"admin", kA1 + " scenes=s1", "checkoutScene", "Really checkout scene s1?"}, "checkedout:s1"},
            {{"admin", kA1 + " scenes=s2", "forceCheckinScene", forceQuestion("checking in", "checkin", "s2")},
             "checkedout:s2"},
            {{"admin", kA1 + " scenes=s3", "unlockScene", forceQuestion("unlocking", "unlock", "s3")}, "locked:s3"},
        };
        for (const auto &[row, changed] : rows)
            QTest::addRow("%s %s", row.slot, qPrintable(row.selection)) << row << QString(changed);
    }

    void onlyYesChangesAnything()
    {
        QFETCH(Run, row);
        QFETCH(QString, changed);
        m_studio->createWindow(row.user);
        const bool before = probe(changed);
        for (const QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
            // Some commands refill the scenes, and the selection goes with them.
            select(row.selection);
            m_answer = answer;
            run(row.slot);
            QCOMPARE(m_questions.size(), 1);
            QCOMPARE(asked(), row.said);
            const bool checkout = qstrcmp(row.slot, "checkoutScene") == 0;
            QCOMPARE(m_questions.first().defaultButton, checkout ? QMessageBox::Yes : QMessageBox::No);
            QCOMPARE(probe(changed), answer == QMessageBox::Yes ? !before : before);
            QCOMPARE(said(), QStringList());
        }
    }

    void deletingJobsListsTenNames()
    {
        const QString listed = "\n\n J01\n J02\n J03\n J04\n J05\n J06\n J07\n J08\n J09\n J10";
        const std::pair<int, QString> rows[] = {{1, "Really delete job J01?"},
                                                {2, "Really delete these 2 jobs?\n\n J01\n J02"},
                                                {10, "Really delete these 10 jobs?" + listed},
                                                {11, "Really delete these 11 jobs?" + listed + "\n ..."}};
        m_studio->createWindow("admin");
        select("env=Many");
        // Only the last is answered Yes: all eleven go, not just the ten listed.
        for (const auto &[count, question] : rows) {
            select("jobs=" + m_studio->window->jobNames().mid(0, count).join(','));
            m_answer = count == 11 ? QMessageBox::Yes : QMessageBox::No;
            run("deleteJob");
            QCOMPARE(asked(), question);
            QCOMPARE(m_studio->window->jobNames().size(), count == 11 ? 0 : 11);
            QCOMPARE(said(), QStringList());
        }
    }

    // With nothing chosen to act on, each command says what to choose.
    void missingSelectionsAreNamed()
    {
        const std::pair<const char *, const char *> rows[] = {
            {"deleteScene", "Please select a scene to delete\n"}, {"checkoutScene", "Please select a scene to checkout\n"},
            {"checkinScene", "Please select a scene to checkin\n"},
            {"forceCheckinScene", "Please select a scene to force checkin\n"},
            {"unlockScene", "Please select a scene to force unlock\n"},
            {"unlockSceneVersion", "Please select a scene to force unlock a version\n"},
        };
        m_studio->createWindow("admin");
        run("deleteEnvironment");
        QCOMPARE(said(), QStringList("E You must select the environment to delete"));
        select(kA1);
        for (const auto &[slot, message] : rows) {
            run(slot);
            QCOMPARE(said(), QStringList("E " + QLatin1String(message)));
            QCOMPARE(asked(), QString());
        }
    }

    // Questions about many scenes list nine names, then "...".
    void questionsListNineScenes()
    {
        QStringList names;
        for (int i = 1; i <= 10; ++i) {
            names << QStringLiteral("n%1").arg(i, 2, 10, QLatin1Char('0'));
            QVERIFY(m_studio->fixture.addScene(*m_db, m_studio->a1, names.last()));
        }
        m_studio->createWindow("admin");
        const std::pair<const char *, const char *> rows[] = {{"deleteScene", "Really delete the following scenes?"},
                                                              {"clearScene", " Really clear the following scenes?"},
                                                              {"sceneSendToVectorize", "for following scenes?"}};
        m_answer = QMessageBox::No;
        for (const int count : {9, 10}) {
            select(kA1 + " scenes=" + names.mid(0, count).join(','));
            const QString listed = "\n\n" + names.mid(0, 9).join('\n') + (count == 10 ? "\n..." : "");
            for (const auto &[slot, question] : rows) {
                m_answer = qstrcmp(slot, "sceneSendToVectorize") == 0 ? QMessageBox::Cancel : QMessageBox::No;
                run(slot);
                QVERIFY2(asked().endsWith(question + listed), qPrintable(asked()));
            }
        }
        QCOMPARE(m_studio->scenes()->topLevelItemCount(), 14);
        QCOMPARE(m_studio->queued(), QStringList());
    }

    // A scene gone from the database since the list was filled is reported
    // twice, then the delete is tried all the same; the other scenes go.
    void deletingASceneThatCannotBeOpened()
    {
        m_studio->createWindow("admin");
        select(kA1 + " scenes=s4,s1");
        std::unique_ptr<TUDbAccess> other = m_studio->fixture.open();
        dba_job_struct job;
        QVERIFY(other->dba_OpenJob("A1", job) == 0 && other->dba_deleteScene(job, "s4"));
        m_answer = QMessageBox::Yes;
        run("deleteScene");
        QCOMPARE(said(), QStringList({"E Unable to open scene s4; bad or missing.\n",
                                      "E Can't access scene s4; bad or missing.\nManager will try to remove the scene "
                                      "from the database.\n",
                                      "E Error trying to delete scene s4\n"}));
        QVERIFY(!probe("scene:s1"));
    }

    void busyScenesAreLeftAlone()
    {
        // What each runs on, what it says, and what must still be there.
        const std::tuple<const char *, const char *, const char *, const char *> rows[] = {
            {"s3", "deleteScene", "E Scene s3 is currently locked, can't delete\n", "scene:s3"},
            {"s2", "deleteScene", "E Scene s2 is currently checked out, can't delete\n", "scene:s2"},
            {"s3", "renameScene", "E Scene s3 is currently locked, cannot rename\n", "scene:s3"},
            {"s2", "renameScene", "E Scene s2 is currently checked out, cannot rename\n", "scene:s2"},
            {"s1,s3", "clearScene", "E Action cancelled because the following scenes are locked:\ns3", "elements:s1"},
        };
        m_studio->createWindow("admin");
        select(kA1);
        for (const auto &[scenes, slot, message, kept] : rows) {
            select(QStringLiteral("scenes=") + scenes);
            run(slot);
            QCOMPARE(said(), QStringList(message));
            QVERIFY2(probe(kept), kept);
            // The lock taken to test for others is given back.
            QVERIFY(!probe("locked:s1") && !probe("locked:s2"));
            QCOMPARE(m_db->dba_GetSceneLockUser(m_studio->a1, "s3"), QStringLiteral("bob"));
        }
    }

    void adminChoicesAreKept()
    {
        const QString path = m_scratch.filePath(QStringLiteral("choices.ini"));
        std::unique_ptr<PR_Preference> preferences = PR_Preference::createPreference(path);
        m_studio->createWindow("admin");
        m_studio->window->setUserPreferences(preferences.get());
        QMenu *styles = adminEntry("Lock when Opening Scene")->menu();
        auto checked = [styles] {
            emit styles->aboutToShow();
            const QAction *style = styles->findChild<QActionGroup *>()->checkedAction();
            return style ? style->text() : QString();
        };
        QCOMPARE(checked(), QStringLiteral("&Version Lock"));
        const QStringList choices{"&No Lock", "&Scene Lock", "&Version Lock", "&Asset Lock"};
        for (int style : {3, 0, 1, 2}) {
            adminEntry(choices.at(style))->trigger();
            QCOMPARE(m_studio->window->lockStyle(), style);
            QCOMPARE(PR_Preference::createPreference(path)->getIntValue("TALLYARD_OPEN_SCENE_LOCK_PREF", -1), style);
            QCOMPARE(checked(), choices.at(style));
        }

        QAction *unicode = adminEntry("Allow Unicode Names");
        QAction *dark = adminEntry("Dark Style");
        QVERIFY(unicode->isCheckable() && !unicode->isChecked() && dark->isChecked());
        for (const bool on : {true, false}) {
            unicode->trigger();
            QCOMPARE(unicode->isChecked(), on);
            QCOMPARE(TUSceneNameValidator::isValidName(QStringLiteral("Scène")), on);
            QCOMPARE(PR_Preference::createPreference(path)->getBoolValue("ACCEPT_UNICODE_NAME", !on), on);
            dark->trigger();
            QCOMPARE(BUIAPP_Application::instance()->isDarkStyle(), !on);
        }
    }

    void jobDialogHoldsTheListsAndRemembersItsChoices()
    {
        m_studio->createWindow("admin");
        auto browsing = [this] {
            return m_studio->envList()->isEnabled() && m_studio->jobList()->isEnabled()
                && menu("&Job")->menuAction()->isEnabled() && menu("&Scene")->menuAction()->isEnabled();
        };
        select("env=Alpha");
        run("createJob");
        QPointer<TUCreateJob> dialog = m_studio->window->findChild<TUCreateJob *>();
        QVERIFY(dialog && dialog->isVisible() && dialog->isModal());
        QVERIFY(!browsing() && menu("&Admin")->menuAction()->isEnabled());
        dialog->findChild<QLineEdit *>("jobName")->setText("A3");
        dialog->findChild<QComboBox *>("td")->setCurrentText("coord");
        dialog->findChild<QComboBox *>("atd")->setCurrentText("anim");
        dialog->findChild<QSlider *>("priority")->setValue(2);
        dialog->createJob();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!dialog && browsing());
        QCOMPARE(m_studio->window->jobNames(), QStringList({"A1", "A2", "A3"}));

        // The next job starts from this one's choices; cancelling frees the lists too.
        run("createJob");
        dialog = m_studio->window->findChild<TUCreateJob *>();
        QVERIFY(dialog);
        QCOMPARE(dialog->findChild<QComboBox *>("td")->currentText(), QStringLiteral("coord"));
        QCOMPARE(dialog->findChild<QComboBox *>("atd")->currentText(), QStringLiteral("anim"));
        QCOMPARE(dialog->findChild<QSlider *>("priority")->value(), 2);
        dialog->close();
        QVERIFY(browsing());
        QCOMPARE(said(), QStringList());
    }

    void environmentDialogs()
    {
        m_studio->createWindow("admin");
        run("createEnvironment", [](QWidget *modal) {
            auto *dialog = qobject_cast<TUCreateEnv *>(modal);
            QVERIFY(dialog);
            dialog->findChild<QLineEdit *>()->setText(QStringLiteral("Gamma"));
            dialog->createEnv();
        });
        QCOMPARE(m_studio->envList()->findItems("Gamma", Qt::MatchExactly).size(), 1);
        QVERIFY(probe("environment:Gamma"));
        // The asset lock dialog starts from the chosen environment's.
        select("env=Beta");
        run("changeAssetLock", [](QWidget *modal) {
            auto *dialog = qobject_cast<TUEnvAssetDlg *>(modal);
            QVERIFY(dialog && !dialog->findChild<QCheckBox *>()->isChecked());
            dialog->findChild<QCheckBox *>()->setChecked(true);
            dialog->changeAssetEnv();
        });
        int status = -1;
        QVERIFY(m_db->dba_GetEnvironmentSceneLock(QStringLiteral("Beta"), status));
        QCOMPARE(status, 0);
    }

    // Check-out, check-in, unlocking and the vectorize queue.
    void commandRuns_data()
    {
        QTest::addColumn<Run>("row");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QString>("left");
        const QString notOwner = "E You are not the owner of the checkout lock for scene s2 - \nyou cannot check the "
                                 "scene in.\n";
        const QString scenes = kA1 + " scenes=s1,s3";
        const QString s3 = "open=elements,drawings " + kA1 + " scenes=s3 elements=ink";
        const QString s1 = "open=elements,drawings " + kA1 + " scenes=s1 elements=char";
        const QString scenesAsked = "Really return all elements to Vectorize for following scenes?\n\ns1\ns3";
        const QString old = "E Selected scene is an old unsupported format. %1 can not be sent.\n";
        const int yes = QMessageBox::Yes;
        const QString unlock = forceQuestion("unlocking", "unlock", "s3");
        const std::tuple<const char *, Run, int, QString, const char *> rows[] = {
            {"check out again", {"anim", kA1 + " scenes=s2", "checkoutScene",
                                 "E The scene is already checked out by user admin\n"}, yes, "", "checkout s2=admin"},
            {"check in own", {"admin", kA1 + " scenes=s2", "checkinScene", ""}, yes, "", "checkout s2="},
            {"check in another's", {"anim", kA1 + " scenes=s2", "checkinScene", notOwner}, yes, "", "checkout s2=admin"},
            {"check in, not out", {"anim", kA1 + " scenes=s1", "checkinScene", ""}, yes, "", "checkout s1="},
            {"force checkin, any user", {"tina", kA1 + " scenes=s2", "forceCheckinScene", ""}, yes,
             forceQuestion("checking in", "checkin", "s2"), "checkout s2="},
            {"force unlock, owner", {"bob", kA1 + " scenes=s3", "unlockScene", ""}, yes, unlock, "lock s3="},
            {"unlock version, none locked", {"anim", kA1 + " scenes=s3", "unlockSceneVersion",
                                             "E No version locks dectected.\n"}, yes, "", "lock s3=bob"},
            {"vectorize scenes, ok", {"anim", scenes, "sceneSendToVectorize",
                                      "E Scene s1 is an old unsupported format. Scene is skipped.\n"},
             QMessageBox::Ok, scenesAsked, "queue=s3:ink:1 s3:ink:2"},
            {"vectorize scenes, cancel", {"anim", scenes, "sceneSendToVectorize", ""}, QMessageBox::Cancel, scenesAsked,
             "queue="},
            {"vectorize element", {"anim", s3, "elementSendToVectorize", ""}, yes,
             "Really return all drawings for these following elements to Vectorize?\n\n     ink",
             "queue=s3:ink:1 s3:ink:2"},
            {"vectorize drawing", {"anim", s3 + " drawings=2b", "drawingSendToVectorize", ""}, yes,
             "Really return all these following drawings to Vectorize?\n\n     2b", "queue=s3:ink:2"},
            {"vectorize element, old format", {"anim", s1, "elementSendToVectorize", old.arg("Element(s)")}, yes, "",
             "queue="},
            {"vectorize drawing, old format",
             {"anim", s1 + " drawings=2b", "drawingSendToVectorize", old.arg("Drawing")}, yes, "", "queue="},
        };
        for (const auto &[name, row, answer, asked, left] : rows)
            QTest::newRow(name) << row << answer << asked << QString(left);
    }

    void commandRuns()
    {
        QFETCH(Run, row);
        QFETCH(int, answer);
        QFETCH(QString, asked);
        QFETCH(QString, left);
        m_studio->createWindow(row.user);
        select(row.selection);
        m_answer = QMessageBox::StandardButton(answer);
        run(row.slot);
        QCOMPARE(this->asked(), asked);
        // The scenes' question is a warning that offers Ok and Cancel.
        if (answer != QMessageBox::Yes) {
            QCOMPARE(m_questions.first().buttons, QMessageBox::Ok | QMessageBox::Cancel);
            QCOMPARE(m_questions.first().icon, QMessageBox::Warning);
        }
        QCOMPARE(said().join(QString()), row.said);
        // "checkout S" as the window's table shows it, after the command
        // refilled it; "lock S" as the database has it; "queue" of Alpha.
        const QString what = left.section(QLatin1Char('='), 0, 0);
        const QString scene = what.section(QLatin1Char(' '), 1);
        const QList<QTreeWidgetItem *> rows = m_studio->scenes()->findItems(scene, Qt::MatchExactly);
        const QString state = what == QLatin1String("queue")   ? m_studio->queued().join(QLatin1Char(' '))
            : what.startsWith(QLatin1String("lock")) ? m_db->dba_GetSceneLockUser(m_studio->a1, scene)
            : rows.size() == 1                       ? rows.first()->text(TUTYScenesTable::User)
                                                     : QStringLiteral("no row");
        QCOMPARE(what + QLatin1Char('=') + state, left);
    }

    // Each command opens its dialog (closed again without a change here).
    void commandsOpenTheirDialogs()
    {
        m_studio->createWindow("admin");
        const std::tuple<const char *, const char *, const char *> rows[] = {
            {"moveScene", "s3", "Move Scene"}, {"priorityScene", "s3", "Scene Priority"},
            {"stageScene", "s3", "Change Scene Stage"}, {"reorderScene", "s3", "Reorder Scenes"},
            {"renameScene", "s1", "Rename Scene s1"}, {"sceneSendToRendering", "s3", "Render Scene s3"},
            {"sceneSendToUnvectorize", "s3", "Send Scenes to Unvectorize"}, {"priorityJob", "s3", "Job Priority"},
            {"stageJob", "s3", "Change Stage of Jobs"}, {"tdatdJob", "s3", "Job TD / ATD"}, {"users", "s3", "Users"},
            {"changeApprovalPolicy", "s3", "Approval Policy"}, {"vectorizeStyle", "s3", "Vectorization Styles"},
            {"openLockManager", "s3", "Database Lock Manager"}, {"exportScene", "s3", "Export Scene(s)"},
            {"importScene", "s3", "Import Scene(s)"}, {"importScenes", "s3", "Import Scene(s)"},
            {"copyXsheetScene", "s1", "Copy Scene"}, {"runScriptOnScenes", "s1", "Run Script on Scenes"},
            {"about", "s1", "About Tallyard"}, {"onCEIP", "s1", "Customer Experience Improvement Program"}};
        for (const auto &[slot, scene, title] : rows) {
            select(kA1 + " scenes=" + scene);
            QString shown;
            run(slot, [&shown](QWidget *modal) { shown = modal ? modal->windowTitle() : QStringLiteral("none"); });
            QCOMPARE(QString(slot) + ": " + shown, QString(slot) + ": " + title);
        }
    }

    // "Run Script..." runs the editor over the chosen scenes, one after the
    // other, with the dialog's arguments before the editor's own.
    void runScriptRunsTheEditorOverScenes()
    {
        const QString log = m_scratch.filePath("editor.log");
        qputenv("TALLYARD_EDITOR", FAKE_EDITOR);
        qputenv("FAKE_EDITOR_LOG", log.toLocal8Bit());
        m_studio->createWindow("admin");
        select(kA1 + " scenes=s1,s3");
        QStringList tabs;
        QTimer hand;
        connect(&hand, &QTimer::timeout, this, [&] {
            auto *runs = qobject_cast<QDialog *>(QApplication::activeModalWidget());
            auto *box = runs ? runs->findChild<QDialogButtonBox *>("buttonBox") : nullptr;
            auto *output = runs ? runs->findChild<QTabWidget *>("tabWidget") : nullptr;
            if (output && box->button(QDialogButtonBox::Ok)->isEnabled()) {
                for (int tab = 0; tab < output->count(); ++tab)
                    tabs << output->tabText(tab) + ":" + static_cast<QTextEdit *>(output->widget(tab))->toPlainText().trimmed();
                runs->accept();
            }
        });
        hand.start(10);
        run("runScriptOnScenes", [](QWidget *ask) {
            ask->findChild<QLineEdit *>("scriptFileEdit")->setText("tool.js");
            ask->findChild<QLineEdit *>("scriptEvalEdit")->setText("main()");
            ask->findChild<QLineEdit *>("argumentsEdit")->setText("-batch \"a b\"");
            static_cast<QDialog *>(ask)->accept();
        });
        hand.stop();
        qunsetenv("TALLYARD_EDITOR");
        QCOMPARE(tabs, QStringList({"s1:done", "s3:done"}));
        QFile runs(log);
        QVERIFY(runs.open(QIODevice::ReadOnly));
        const QString common = "-batch\ta b\t-loadFromTY\t-user\tadmin\t-compile\ttool.js\t-script\tmain()\tAlpha\tA1\t";
        QCOMPARE(QString::fromUtf8(runs.readAll()), common + "s1\n" + common + "s3\n");
        QCOMPARE(said(), QStringList());
    }

    // Help's pages are installed files, shown by the system's browser.
    void helpOpensItsPagesInTheBrowser()
    {
        m_studio->createWindow("admin");
        QDesktopServices::setUrlHandler("file", this, "pageOpened");
        run("help");
        run("scriptingDoc");
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(m_pages.size(), 2);
        QVERIFY2(m_pages[0].endsWith("/doc/index.html") && m_pages[1].endsWith("/doc/dbscript/index.html"),
                 qPrintable(m_pages.join(' ')));
        QVERIFY(QFileInfo(m_pages[0]).isFile() && QFileInfo(m_pages[1]).isFile());
        QCOMPARE(said(), QStringList());
    }

public slots:
    void pageOpened(const QUrl &url) { m_pages << url.toLocalFile(); }

private:
    QStringList m_pages;
};

int main(int argc, char **argv)
{
    // The dark style switch lives on the program's own application class.
    BUIAPP_Application app(argc, argv);
    tst_Commands test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_commands.moc"
