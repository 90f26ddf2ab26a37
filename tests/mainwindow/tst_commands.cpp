#include "BUIAPP_Application.h"
#include "PR_Preference.h"
#include "Studio.h"
#include "TUCreateEnv.h"
#include "TUCreateJob.h"
#include "TUEnvAssetDlg.h"
#include "TUSceneNameValidator.h"
#include "TUTYCommands.h"
#include "TUTYConfirm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QSlider>
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

// One command run: who runs it on what, and what it says (empty: nothing).
struct Run {
    const char *name, *user;
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

private slots:
    void init();
    void cleanup();

    void menusFollowTheUserType_data();
    void menusFollowTheUserType();
    void menusAreBuiltOnce();
    void entriesFollowTheSelection();
    void missingRightsAreRefused();
    void onlyYesChangesAnything_data();
    void onlyYesChangesAnything();
    void deletingJobsListsTenNames();
    void busyScenesAreLeftAlone();
    void lockCommands_data();
    void lockCommands();
    void adminChoicesAreKept();
    void jobDialogHoldsTheListsAndRemembersItsChoices();
    void environmentDialogs();
    void sendToVectorize_data();
    void sendToVectorize();
    void laterDialogsSayTheyAreMissing();

private:
    void select(const QString &spec) { m_studio->select(spec); }
    QMenu *menu(const QString &title) const;
    // The entries of a menu as it opens, all or the enabled ones.
    QList<QAction *> actions(const QString &menuTitle) const;
    QStringList entries(const QString &menuTitle, bool enabledOnly = false) const;
    QAction *entry(const QString &menuTitle, const QString &text) const;
    // Runs the command slot of that name, wherever the window keeps it,
    // after forgetting earlier questions and messages.
    void run(const char *slot);
    // Runs the command whose modal dialog fill then completes.
    template <typename Dialog>
    void runModal(const char *slot, std::function<void(Dialog *)> fill);
    QStringList said() const { return m_studio->sink.lines(); }
    QString asked() const { return m_questions.isEmpty() ? QString() : m_questions.first().text; }
    QStringList queued();
    // "kind:name", the kind one of scene, job (of Alpha), environment,
    // elements (the scene has some), checkedout, locked.
    bool probe(const QString &what);

    std::unique_ptr<Studio> m_studio;
    std::unique_ptr<TUDbAccess> m_lockHolder;
    TUDbAccess *m_db = nullptr;
    QVector<TUTYConfirm::Question> m_questions;
    QMessageBox::StandardButton m_answer = QMessageBox::Yes;
    QTemporaryDir m_scratch;
};

void tst_Commands::init()
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
    m_questions.clear();
    m_answer = QMessageBox::Yes;
    TUTYConfirm::setAnswerer([this](const TUTYConfirm::Question &question) {
        m_questions.append(question);
        return m_answer;
    });
    TUSceneNameValidator::setAcceptUnicode(false);
    BUIAPP_Application::instance()->setDarkStyle(true);
}

void tst_Commands::cleanup()
{
    TUTYConfirm::setAnswerer({});
    m_studio->window.reset();
    m_lockHolder.reset();
    m_studio.reset();
}

QMenu *tst_Commands::menu(const QString &title) const
{
    for (QAction *action : m_studio->window->menuBar()->actions()) {
        if (action->text() == title)
            return action->menu();
    }
    return nullptr;
}

QList<QAction *> tst_Commands::actions(const QString &menuTitle) const
{
    QMenu *shown = menu(menuTitle);
    emit shown->aboutToShow();
    QList<QAction *> entries = shown->actions();
    entries.erase(std::remove_if(entries.begin(), entries.end(), [](QAction *a) { return a->isSeparator(); }),
                  entries.end());
    return entries;
}

QStringList tst_Commands::entries(const QString &menuTitle, bool enabledOnly) const
{
    QStringList texts;
    for (const QAction *action : actions(menuTitle)) {
        if (!enabledOnly || action->isEnabled())
            texts.append(action->text());
    }
    return texts;
}

QAction *tst_Commands::entry(const QString &menuTitle, const QString &text) const
{
    for (QAction *action : actions(menuTitle)) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

void tst_Commands::run(const char *slot)
{
    m_questions.clear();
    m_studio->sink.clear();
    const QByteArray signature = QByteArray(slot) + "()";
    for (TUTYCommands *commands : m_studio->window->findChildren<TUTYCommands *>()) {
        if (commands->metaObject()->indexOfSlot(signature) != -1) {
            QVERIFY(QMetaObject::invokeMethod(commands, slot));
            return;
        }
    }
    QFAIL(slot);
}

template <typename Dialog>
void tst_Commands::runModal(const char *slot, std::function<void(Dialog *)> fill)
{
    // The dialog is filled in once its own event loop runs.
    QTimer::singleShot(0, this, [fill] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<Dialog *>(modal))
            fill(dialog);
        else if (modal)
            modal->close(); // whatever else opened must not hold the test
    });
    run(slot);
}

QStringList tst_Commands::queued()
{
    dba_queue_struct queue;
    QVector<dba_queueEntry_struct> all;
    if (m_db->dba_OpenQueue(DBA_QueueOps::VectorizeQueue, QStringLiteral("Alpha"), queue) == 0)
        m_db->dba_GetQueueEntries(queue, all);
    QStringList names;
    for (const dba_queueEntry_struct &queued : all)
        names.append(queued.sceneName + QLatin1Char(':') + queued.elementName + QLatin1Char(':') + queued.drawingName);
    return names;
}

bool tst_Commands::probe(const QString &what)
{
    const QString kind = what.section(QLatin1Char(':'), 0, 0);
    const QString name = what.section(QLatin1Char(':'), 1);
    QStringList names;
    if (kind == QLatin1String("job")) {
        QVector<dba_job_struct> jobs;
        m_db->dba_GetEnvironmentJobs(QStringLiteral("Alpha"), jobs);
        for (const dba_job_struct &job : jobs)
            names.append(job.name);
    }
    if (kind == QLatin1String("environment"))
        m_db->dba_GetEnvironments(names);
    dba_scene_struct scene;
    const bool opens = m_db->dba_OpenScene(name, m_studio->a1, scene) == 0;
    if (kind == QLatin1String("elements"))
        return opens && !m_db->read_DBA_elements(scene).isEmpty();
    if (kind == QLatin1String("checkedout"))
        return opens && m_db->dba_GetSceneCheckoutLock(scene);
    if (kind == QLatin1String("locked"))
        return m_db->isSceneLocked(m_studio->a1, name);
    return kind == QLatin1String("scene") ? m_db->isSceneExists(m_studio->a1, name) : names.contains(name);
}

// Which entries exist

void tst_Commands::menusFollowTheUserType_data()
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
                           << QStringList{"&Users...", "&Change Approval Policy...", "&Vectorize Style..."} + transfers
            + QStringList{"Lock when Opening Scene", "Database Lock Manager..."} + toggles;
    QTest::newRow("coordinator") << "coord" << kQueues << kJobEntries << kAllSceneEntries
                                 << QStringList{"&Vectorize Style..."} + transfers + toggles;
    QTest::newRow("animator") << "anim" << kQueues << QStringList{"Change &Priority..."}
                              << QStringList{"&Open", "Force Unlock", "Force Unlock Version", "Force Checkin",
                                             "Checkin", "Checkout", "Change Priority...", "Send to &Vectorize",
                                             "Send to &Unvectorize...", "Send to Re&ndering...", "Run Script..."}
                              << QStringList{"&Vectorize Style..."} + toggles;
}

void tst_Commands::menusFollowTheUserType()
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
        // Shown again, nothing is added twice.
        QCOMPARE(entries(title), expected);
    }
}

void tst_Commands::menusAreBuiltOnce()
{
    m_studio->createWindow("anim");
    QVERIFY(!entries("&Scene").contains("&Delete"));
    QVERIFY(m_db->setRight(TUDbAccess::ANIMATOR, TUDbAccess::ModifyScene, true));
    QVERIFY(!entries("&Scene").contains("&Delete"));
    // The command itself asks the right as it runs.
    select(kA1 + " scenes=s4");
    m_answer = QMessageBox::No;
    run("deleteScene");
    QCOMPARE(asked(), QStringLiteral("Really delete scene s4?"));
    QCOMPARE(said(), QStringList());
}

// Which entries are enabled, as a user goes down from environment to drawing

void tst_Commands::entriesFollowTheSelection()
{
    m_studio->createWindow("admin");
    // Built before anything is chosen, as by a user who opens the menus first.
    for (const char *title : {"&Environment", "&Job", "&Scene", "&Element", "&Drawing"})
        entries(title);
    QStringList several = kAllSceneEntries;
    several.removeAll("Rename...");
    several.removeAll("Force Unlock Version");
    const QStringList sendBoth{"Send to &Vectorize", "Send to &Unvectorize..."};
    const struct {
        QString selection;
        const char *menu;
        QStringList enabled;
    } steps[] = {
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
    for (const auto &step : steps) {
        select(step.selection);
        QVERIFY2(entries(step.menu, true) == step.enabled,
                 qPrintable(step.selection + " " + step.menu + ": " + entries(step.menu, true).join('|')));
    }
}

// Refusals

void tst_Commands::missingRightsAreRefused()
{
    const std::pair<const char *, const char *> rows[] = {
        {"createEnvironment", "create environments --"},
        {"deleteEnvironment", "delete environments --"},
        {"createJob", "create jobs --"},
        {"deleteJob", "delete jobs --"},
        {"stageJob", "stage jobs --"},
        {"tdatdJob", "modify jobs --"},
        {"createScene", "create scenes --"},
        {"deleteScene", "delete scenes --"},
        {"moveScene", "move a scene --"},
        {"renameScene", "rename a scene --"},
        {"stageScene", "stage scenes --"},
        {"clearScene", "clear scenes --"},
        {"unlockScene", "unlock a scene --"},
        {"unlockSceneVersion", "unlock a scene version --"},
        {"checkinScene", "checkin scenes -- "},
        {"forceCheckinScene", "checkin scenes -- "},
        {"checkoutScene", "checkout scene s1 -- "},
    };
    m_studio->createWindow("nobody");
    select(kA1 + " scenes=s1");
    for (const auto &[slot, what] : rows) {
        run(slot);
        QCOMPARE(said(), QStringList("E You do not have the permission necessary to " + QLatin1String(what)
                                     + QLatin1String(kRefusalTail)));
        QCOMPARE(asked(), QString());
    }
}

// Questions

void tst_Commands::onlyYesChangesAnything_data()
{
    const QString clearExplanation = QStringLiteral(
        "Clearing a scene is usually done when you want to re-build a\nscene (xsheet, network, etc) due to major "
        "changes.\n\nClearing a scene will delete all xsheet, network, element, and drawing\ndatabase information, "
        "and leave it as if it were new.\n\nOnly the database files will be cleared for the scene.\nAny image files "
        "(scan, paint, final frame files)\nwill need to be deleted manually.  If you have questions, please \ncontact "
        "the Technical Director for this job.\n\nBefore clearing a scene, you should be sure that no one is "
        "currently\nworking in it.\n\n Really clear scene s1?");
    auto force = [](const char *doing, const char *verb, const char *scene) {
        return QStringLiteral("Be aware that %1 a scene that is in use may cause\nloss of data, and even irreversible "
                              "corruption of the scene.\n\nBefore %1 a scene, you should be sure that no one is "
                              "currently\nworking in it.\n\nReally %2 scene %3?\n")
            .arg(QLatin1String(doing), QLatin1String(verb), QLatin1String(scene));
    };
    // The name is what changes on Yes; the question's default is No but for checking out.
    const Run rows[] = {
        {"environment:Beta", "", "env=Beta", "deleteEnvironment", "Really delete environment Beta?"},
        {"job:A2", "", "env=Alpha jobs=A2", "deleteJob", "Really delete job A2?"},
        {"scene:s4", "", kA1 + " scenes=s4", "deleteScene", "Really delete scene s4?"},
        {"scene:s4", "", kA1 + " scenes=s1,s4", "deleteScene", "Really delete the following scenes?\n\ns1\ns4"},
        {"elements:s1", "", kA1 + " scenes=s1", "clearScene", clearExplanation},
        {"checkedout:s1", "", kA1 + " scenes=s1", "checkoutScene", "Really checkout scene s1?"},
        {"checkedout:s2", "", kA1 + " scenes=s2", "forceCheckinScene", force("checking in", "checkin", "s2")},
        {"locked:s3", "", kA1 + " scenes=s3", "unlockScene", force("unlocking", "unlock", "s3")},
    };
    QTest::addColumn<Run>("row");
    for (const Run &row : rows)
        QTest::addRow("%s %s", row.slot, qPrintable(row.selection)) << row;
}

void tst_Commands::onlyYesChangesAnything()
{
    QFETCH(Run, row);
    m_studio->createWindow("admin");
    const bool before = probe(row.name);
    for (const QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
        // Some commands refill the scenes, and the selection goes with them.
        select(row.selection);
        m_answer = answer;
        run(row.slot);
        QCOMPARE(m_questions.size(), 1);
        QCOMPARE(asked(), row.said);
        const bool checkout = qstrcmp(row.slot, "checkoutScene") == 0;
        QCOMPARE(m_questions.first().defaultButton, checkout ? QMessageBox::Yes : QMessageBox::No);
        QCOMPARE(probe(row.name), answer == QMessageBox::Yes ? !before : before);
        QCOMPARE(said(), QStringList());
    }
}

void tst_Commands::deletingJobsListsTenNames()
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
        QStringList jobs = m_studio->window->jobNames().mid(0, count);
        select("jobs=" + jobs.join(','));
        m_answer = count == 11 ? QMessageBox::Yes : QMessageBox::No;
        run("deleteJob");
        QCOMPARE(asked(), question);
        QCOMPARE(m_studio->jobList()->count(), count == 11 ? 0 : 11);
        QCOMPARE(said(), QStringList());
    }
}

// Scenes someone holds

void tst_Commands::busyScenesAreLeftAlone()
{
    // The name is what must still be there.
    const Run rows[] = {
        {"scene:s3", "", "scenes=s3", "deleteScene", "E Scene s3 is currently locked, can't delete\n"},
        {"scene:s2", "", "scenes=s2", "deleteScene", "E Scene s2 is currently checked out, can't delete\n"},
        {"scene:s3", "", "scenes=s3", "renameScene", "E Scene s3 is currently locked, cannot rename\n"},
        {"scene:s2", "", "scenes=s2", "renameScene", "E Scene s2 is currently checked out, cannot rename\n"},
        {"elements:s1", "", "scenes=s1,s3", "clearScene",
         "E Action cancelled because the following scenes are locked:\ns3"},
    };
    m_studio->createWindow("admin");
    select(kA1);
    for (const Run &row : rows) {
        select(row.selection);
        run(row.slot);
        QCOMPARE(said(), QStringList(row.said));
        QVERIFY2(probe(row.name), row.name);
        // The lock taken to test for others is given back.
        QVERIFY(!probe("locked:s1") && !probe("locked:s2"));
        QCOMPARE(m_db->dba_GetSceneLockUser(m_studio->a1, "s3"), QStringLiteral("bob"));
    }
}

// Check-out, check-in and unlocking

void tst_Commands::lockCommands_data()
{
    QTest::addColumn<Run>("row");
    QTest::addColumn<QString>("checkedOutBy");
    QTest::addColumn<QString>("lockedBy");
    const QString notOwner = "E You are not the owner of the checkout lock for scene s2 - \nyou cannot check the "
                             "scene in.\n";
    const std::tuple<Run, const char *, const char *> rows[] = {
        {{"check out", "anim", "s1", "checkoutScene", ""}, "anim", ""},
        {{"check out again", "anim", "s2", "checkoutScene", "E The scene is already checked out by user admin\n"},
         "admin", ""},
        {{"check in own", "admin", "s2", "checkinScene", ""}, "", ""},
        {{"check in another's", "anim", "s2", "checkinScene", notOwner}, "admin", ""},
        {{"check in, not out", "anim", "s1", "checkinScene", ""}, "", ""},
        {{"force checkin, any", "admin", "s2", "forceCheckinScene", ""}, "", ""},
        {{"force checkin, owned only", "anim", "s2", "forceCheckinScene", notOwner}, "admin", ""},
        {{"force unlock, any", "admin", "s3", "unlockScene", ""}, "", ""},
        {{"force unlock, owner", "bob", "s3", "unlockScene", ""}, "", ""},
        {{"force unlock, not owner", "anim", "s3", "unlockScene",
          "E You do not own this lock or have the permission necessary to unlock a scene --"
              + QLatin1String(kRefusalTail)},
         "", "bob"},
        {{"unlock version, none locked", "anim", "s3", "unlockSceneVersion", "E No version locks dectected.\n"}, "",
         "bob"},
    };
    for (const auto &[row, checkedOutBy, lockedBy] : rows)
        QTest::newRow(row.name) << row << QString(checkedOutBy) << QString(lockedBy);
}

void tst_Commands::lockCommands()
{
    QFETCH(Run, row);
    QFETCH(QString, checkedOutBy);
    QFETCH(QString, lockedBy);
    m_studio->createWindow(row.user);
    select(kA1 + " scenes=" + row.selection);
    run(row.slot);
    QCOMPARE(said(), row.said.isEmpty() ? QStringList() : QStringList(row.said));
    // As the window's table shows it, after the command refilled it.
    const QList<QTreeWidgetItem *> shown = m_studio->scenes()->findItems(row.selection, Qt::MatchExactly);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.first()->text(TUTYScenesTable::User), checkedOutBy);
    QCOMPARE(m_db->dba_GetSceneLockUser(m_studio->a1, row.selection), lockedBy);
}

// The Admin menu's choices, kept in the user's preferences

void tst_Commands::adminChoicesAreKept()
{
    const QString path = m_scratch.filePath(QStringLiteral("choices.ini"));
    QFile::remove(path);
    std::unique_ptr<PR_Preference> preferences = PR_Preference::createPreference(path);
    auto stored = [&path] { return PR_Preference::createPreference(path); };
    m_studio->createWindow("admin");
    m_studio->window->setUserPreferences(preferences.get());
    QMenu *styles = entry("&Admin", "Lock when Opening Scene")->menu();
    auto checked = [styles] {
        emit styles->aboutToShow();
        QStringList texts;
        for (const QAction *action : styles->actions()) {
            if (action->isChecked())
                texts.append(action->text());
        }
        return texts;
    };
    QCOMPARE(checked(), QStringList("&Version Lock"));
    const QStringList choices{"&No Lock", "&Scene Lock", "&Version Lock", "&Asset Lock"};
    for (int style : {3, 0, 1, 2}) {
        for (QAction *action : styles->actions())
            action->text() == choices.at(style) ? action->trigger() : void();
        QCOMPARE(m_studio->window->lockStyle(), style);
        QCOMPARE(stored()->getIntValue(QStringLiteral("TALLYARD_OPEN_SCENE_LOCK_PREF"), -1), style);
        QCOMPARE(checked(), QStringList(choices.at(style)));
    }

    QAction *unicode = entry("&Admin", "Allow Unicode Names");
    QVERIFY(unicode->isCheckable() && !unicode->isChecked());
    for (const bool accepted : {true, false}) {
        unicode->trigger();
        QCOMPARE(unicode->isChecked(), accepted);
        QCOMPARE(TUSceneNameValidator::isValidName(QStringLiteral("Scène")), accepted);
        QCOMPARE(stored()->getBoolValue(QStringLiteral("ACCEPT_UNICODE_NAME"), !accepted), accepted);
    }

    QAction *dark = entry("&Admin", "Dark Style");
    QVERIFY(dark->isChecked());
    dark->trigger();
    QVERIFY(!BUIAPP_Application::instance()->isDarkStyle());
    dark->trigger();
    QVERIFY(BUIAPP_Application::instance()->isDarkStyle());
}

// Creating environments and jobs

void tst_Commands::jobDialogHoldsTheListsAndRemembersItsChoices()
{
    m_studio->createWindow("admin");
    QListWidget *envs = m_studio->envList();
    QListWidget *jobs = m_studio->jobList();
    select("env=Alpha");
    run("createJob");
    QPointer<TUCreateJob> dialog = m_studio->window->findChild<TUCreateJob *>();
    QVERIFY(dialog && dialog->isVisible() && dialog->isModal());
    QVERIFY(!envs->isEnabled() && !jobs->isEnabled());
    QVERIFY(!menu("&Job")->menuAction()->isEnabled() && !menu("&Scene")->menuAction()->isEnabled());
    QVERIFY(menu("&Admin")->menuAction()->isEnabled());

    dialog->findChild<QLineEdit *>("jobName")->setText("A3");
    dialog->findChild<QComboBox *>("td")->setCurrentText("coord");
    dialog->findChild<QComboBox *>("atd")->setCurrentText("anim");
    dialog->findChild<QSlider *>("priority")->setValue(2);
    dialog->createJob();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!dialog);
    QCOMPARE(m_studio->window->jobNames(), QStringList({"A1", "A2", "A3"}));
    QVERIFY(envs->isEnabled() && jobs->isEnabled() && menu("&Job")->menuAction()->isEnabled());

    // The next job starts from this one's choices; cancelling frees the lists too.
    run("createJob");
    dialog = m_studio->window->findChild<TUCreateJob *>();
    QVERIFY(dialog);
    QCOMPARE(dialog->findChild<QComboBox *>("td")->currentText(), QStringLiteral("coord"));
    QCOMPARE(dialog->findChild<QComboBox *>("atd")->currentText(), QStringLiteral("anim"));
    QCOMPARE(dialog->findChild<QSlider *>("priority")->value(), 2);
    dialog->close();
    QVERIFY(envs->isEnabled());
    QCOMPARE(said(), QStringList());
}

void tst_Commands::environmentDialogs()
{
    m_studio->createWindow("admin");
    runModal<TUCreateEnv>("createEnvironment", [](TUCreateEnv *dialog) {
        dialog->findChild<QLineEdit *>()->setText(QStringLiteral("Gamma"));
        dialog->createEnv();
    });
    QCOMPARE(m_studio->envList()->findItems("Gamma", Qt::MatchExactly).size(), 1);
    QVERIFY(probe("environment:Gamma"));
    select("env=Beta");
    runModal<TUEnvAssetDlg>("changeAssetLock", [](TUEnvAssetDlg *dialog) {
        QCheckBox *lock = dialog->findChild<QCheckBox *>();
        QVERIFY(!lock->isChecked());
        lock->setChecked(true);
        dialog->changeAssetEnv();
    });
    int status = 0;
    QVERIFY(m_db->dba_GetEnvironmentSceneLock(QStringLiteral("Beta"), status));
    QCOMPARE(status, 0);
}

// The vectorize queue

void tst_Commands::sendToVectorize_data()
{
    QTest::addColumn<Run>("row");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QStringList>("queued");
    const QString scenes = kA1 + " scenes=s1,s3";
    const QString sceneQuestion = "Really return all elements to Vectorize for following scenes?\n\ns1\ns3";
    const QString s3 = "open=elements,drawings " + kA1 + " scenes=s3 elements=ink";
    const QString s1 = "open=elements,drawings " + kA1 + " scenes=s1 elements=char";
    const QStringList both{"s3:ink:1", "s3:ink:2"};
    const int yes = QMessageBox::Yes;
    QTest::newRow("scenes, ok") << Run{"", "", scenes, "sceneSendToVectorize",
                                       "E Scene s1 is an old unsupported format. Scene is skipped.\n"}
                                << int(QMessageBox::Ok) << sceneQuestion << both;
    QTest::newRow("scenes, cancel") << Run{"", "", scenes, "sceneSendToVectorize", ""} << int(QMessageBox::Cancel)
                                    << sceneQuestion << QStringList();
    QTest::newRow("element") << Run{"", "", s3, "elementSendToVectorize", ""} << yes
                             << "Really return all drawings for these following elements to Vectorize?\n\n     ink"
                             << both;
    QTest::newRow("drawing") << Run{"", "", s3 + " drawings=2b", "drawingSendToVectorize", ""} << yes
                             << "Really return all these following drawings to Vectorize?\n\n     2b"
                             << QStringList("s3:ink:2");
    QTest::newRow("element, old format")
        << Run{"", "", s1, "elementSendToVectorize",
               "E Selected scene is an old unsupported format. Element(s) can not be sent.\n"}
        << yes << "" << QStringList();
    QTest::newRow("drawing, old format")
        << Run{"", "", s1 + " drawings=2b", "drawingSendToVectorize",
               "E Selected scene is an old unsupported format. Drawing can not be sent.\n"}
        << yes << "" << QStringList();
}

void tst_Commands::sendToVectorize()
{
    QFETCH(Run, row);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(QStringList, queued);
    m_studio->createWindow("anim");
    select(row.selection);
    m_answer = QMessageBox::StandardButton(answer);
    run(row.slot);
    QCOMPARE(asked(), question);
    // The scenes' question is a warning that offers Ok and Cancel.
    if (m_answer != QMessageBox::Yes) {
        QCOMPARE(m_questions.first().buttons, QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(m_questions.first().icon, QMessageBox::Warning);
    }
    QCOMPARE(said(), row.said.isEmpty() ? QStringList() : QStringList(row.said));
    QCOMPARE(this->queued(), queued);
}

// Commands whose dialogs are not in this build

void tst_Commands::laterDialogsSayTheyAreMissing()
{
    m_studio->createWindow("admin");
    select(kA1);
    for (const char *slot : {"createScene", "copyXsheetScene", "moveScene", "renameScene", "priorityScene",
                             "stageScene", "reorderScene", "sceneSendToUnvectorize", "runScriptOnScenes",
                             "priorityJob", "stageJob", "tdatdJob", "users", "changeApprovalPolicy",
                             "vectorizeStyle", "exportScene", "importScene", "importScenes", "openLockManager",
                             "help", "scriptingDoc", "onCEIP", "about", "sceneSendToRendering"}) {
        // Only a scene the editor saved can be rendered.
        select(qstrcmp(slot, "sceneSendToRendering") == 0 ? "scenes=s3" : "scenes=s1");
        run(slot);
        QVERIFY2(said().size() == 1 && said().first().startsWith("W ")
                     && said().first().contains("is not available in this build of Tallyard"),
                 qPrintable(slot + (": " + said().join('|'))));
    }
    // What a command looked at on the way is left unlocked.
    QVERIFY(!probe("locked:s1"));
}

int main(int argc, char **argv)
{
    // The dark style switch lives on the program's own application class.
    BUIAPP_Application app(argc, argv);
    tst_Commands test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_commands.moc"
