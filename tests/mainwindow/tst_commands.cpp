#include "BUIAPP_Application.h"
#include "DbTestFixture.h"
#include "PR_Preference.h"
#include "RecordingSink.h"
#include "TUCreateEnv.h"
#include "TUCreateJob.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TUDbSelect.h"
#include "TUEnvAssetDlg.h"
#include "TUSceneNameValidator.h"
#include "TUTYCommands.h"
#include "TUTYConfirm.h"
#include "TUTYDrawingsTable.h"
#include "TUTYElementsTable.h"
#include "TUTYScenesTable.h"
#include "TUTYShowHideHolder.h"
#include "TUTallyard.h"
#include "oswRemapPath.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QSlider>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <memory>

// The main window's menus and commands, driven as a user would over a small
// database: environments Alpha (jobs A1, A2), Beta (no jobs) and Many (jobs
// J01..J11). A1 holds s1 (old format, elements bg and char), s2 (checked out
// by admin), s3 (saved by the editor, element ink; bob holds its lock) and
// s4. Users: admin (R & D), coord (Coordinator), anim and bob (Animator),
// nobody (Scan, every right taken away). Questions are answered by the test.
class tst_Commands : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void menusFollowTheUserType_data();
    void menusFollowTheUserType();
    void menusAreBuiltOnce();
    void entriesFollowTheSelection_data();
    void entriesFollowTheSelection();
    void missingRightsAreRefused_data();
    void missingRightsAreRefused();
    void onlyYesChangesAnything_data();
    void onlyYesChangesAnything();
    void deletingJobsListsTenNames_data();
    void deletingJobsListsTenNames();
    void busyScenesAreLeftAlone_data();
    void busyScenesAreLeftAlone();
    void lockCommands_data();
    void lockCommands();
    void lockStyleIsKeptInThePreferences_data();
    void lockStyleIsKeptInThePreferences();
    void unicodeNamesAndDarkStyleToggle();
    void jobDialogHoldsTheListsAndRemembersItsChoices();
    void createdEnvironmentIsListed();
    void assetLockChangesTheEnvironment();
    void scenesGoToTheVectorizeQueue_data();
    void scenesGoToTheVectorizeQueue();
    void elementsAndDrawingsGoToTheVectorizeQueue_data();
    void elementsAndDrawingsGoToTheVectorizeQueue();
    void laterDialogsSayTheyAreMissing_data();
    void laterDialogsSayTheyAreMissing();

private:
    bool fillDatabase();
    bool addUsers();
    bool addScene(const QString &name, dba_scene_struct &scene);
    bool addElement(const dba_scene_struct &scene, QVX_element_data element, const QVector<dba_cel_struct> &cels)
    {
        return DbTestFixture::addElement(*m_db, scene, element, cels);
    }
    bool holdLock(const QString &user, const QString &scene);
    void createWindow(const QString &user);

    QMenu *menu(const QString &title) const;
    // The entries (all, or the enabled ones) of a menu as it opens.
    QStringList entries(const QString &menuTitle, bool enabledOnly = false) const;
    QAction *entry(const QString &menuTitle, const QString &text) const;
    // Runs the command slot of that name, wherever the window keeps it.
    void run(const char *slot);
    // Chooses in the lists as a user clicks: "open=elements,drawings env=E
    // jobs=J1,J2 scenes=S1,S2 elements=E drawings=D", in that order.
    void select(const QString &spec);
    void click(QListWidget *list, const QString &text, Qt::KeyboardModifiers modifiers);
    void click(TUTYTable *table, const QString &text, Qt::KeyboardModifiers modifiers);
    template <typename List>
    void clickAll(List *list, const QStringList &texts);
    // Runs the command whose modal dialog fill then completes.
    template <typename Dialog>
    void runModal(const char *slot, std::function<void(Dialog *)> fill);

    QStringList errors() const;
    QString checkoutUser(const QString &scene);
    QString lockUser(const QString &scene);
    QStringList queued();
    bool probe(const QString &what);

    QListWidget *envList() const { return m_window->findChild<QListWidget *>(QStringLiteral("environmentList")); }
    QListWidget *jobList() const { return m_window->findChild<QListWidget *>(QStringLiteral("jobList")); }

    std::unique_ptr<RecordingSink> m_sink;
    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
    std::unique_ptr<TUDbAccess> m_lockHolder;
    dba_scene_struct m_heldScene;
    dba_job_struct m_a1;
    std::unique_ptr<TUTallyard> m_window;
    QVector<TUTYConfirm::Question> m_questions;
    QMessageBox::StandardButton m_answer = QMessageBox::Yes;
    QTemporaryDir m_scratch;
};

namespace {
const char *const kRefusalTail = "\nplease contact your supervisor or TD to change your user type\nor to delete the scenes\n";

const QString kClearExplanation = QStringLiteral(
    "Clearing a scene is usually done when you want to re-build a\nscene (xsheet, network, etc) due to major changes."
    "\n\nClearing a scene will delete all xsheet, network, element, and drawing\ndatabase information, and leave it "
    "as if it were new.\n\nOnly the database files will be cleared for the scene.\nAny image files (scan, paint, "
    "final frame files)\nwill need to be deleted manually.  If you have questions, please \ncontact the Technical "
    "Director for this job.\n\nBefore clearing a scene, you should be sure that no one is currently\nworking in "
    "it.\n\n");

QString forceQuestion(const char *doing, const char *verb, const QString &scene)
{
    return QStringLiteral("Be aware that %1 a scene that is in use may cause\nloss of data, and even irreversible "
                          "corruption of the scene.\n\nBefore %1 a scene, you should be sure that no one is "
                          "currently\nworking in it.\n\nReally %2 scene %3?\n")
        .arg(QLatin1String(doing), QLatin1String(verb), scene);
}

const QStringList kAllSceneEntries{"&Open", "&Create...", "Copy...", "&Delete", "Move...", "Rename...",
                                   "Force Unlock", "Force Unlock Version", "Force Checkin", "Checkin", "Checkout",
                                   "Change Priority...", "Change &Stage...", "Reorder...", "Cl&ear",
                                   "Send to &Vectorize", "Send to &Unvectorize...", "Send to Re&ndering...",
                                   "Run Script..."};
const QString kA1 = QStringLiteral("env=Alpha jobs=A1");
} // namespace

void tst_Commands::init()
{
    m_sink = std::make_unique<RecordingSink>();
    m_fixture = std::make_unique<DbTestFixture>();
    m_db = m_fixture->open();
    QVERIFY2(m_db, qPrintable(m_fixture->errorString()));
    QVERIFY2(addUsers() && fillDatabase(), qPrintable(m_db->lastErrorText()));
    QVERIFY(holdLock(QStringLiteral("bob"), QStringLiteral("s3")));
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
    m_window.reset();
    m_lockHolder.reset();
    m_db.reset();
    m_fixture.reset();
    m_sink.reset();
}

bool tst_Commands::addUsers()
{
    const std::pair<const char *, int> users[] = {{"coord", TUDbAccess::COORDINATOR},
                                                  {"anim", TUDbAccess::ANIMATOR},
                                                  {"bob", TUDbAccess::ANIMATOR},
                                                  {"nobody", TUDbAccess::SCAN}};
    for (const auto &[name, type] : users) {
        if (m_db->addUser(QLatin1String(name), QString(), QString(), QString(), type) != 0)
            return false;
    }
    for (int permission = 0; permission < TUDbAccess::PermissionCount; ++permission) {
        if (!m_db->setRight(TUDbAccess::SCAN, permission, false))
            return false;
    }
    return true;
}

bool tst_Commands::fillDatabase()
{
    for (const char *environment : {"Alpha", "Beta", "Many"}) {
        if (!m_db->createEnv(QLatin1String(environment), false))
            return false;
    }
    QVector<std::pair<QString, QString>> jobs{{"Alpha", "A1"}, {"Alpha", "A2"}};
    for (int i = 1; i <= 11; ++i)
        jobs.append({"Many", QStringLiteral("J%1").arg(i, 2, 10, QLatin1Char('0'))});
    for (const auto &[environment, name] : jobs) {
        dba_job_struct job;
        job.name = name;
        job.environment = environment;
        if (m_db->dba_createJob(job) <= 0)
            return false;
    }
    dba_scene_struct s1, s2, s3, s4;
    if (m_db->dba_OpenJob(QStringLiteral("A1"), m_a1) != 0 || !addScene("s1", s1) || !addScene("s2", s2)
        || !addScene("s3", s3) || !addScene("s4", s4))
        return false;

    QVX_element_data bg;
    bg.name = QStringLiteral("bg");
    QVX_element_data character;
    character.name = QStringLiteral("char");
    QVX_element_data ink;
    ink.name = QStringLiteral("ink");
    dba_cel_struct one;
    one.name = QStringLiteral("1");
    dba_cel_struct two;
    two.name = QStringLiteral("2");
    two.suffix = QStringLiteral("b");
    if (!addElement(s1, bg, {one}) || !addElement(s1, character, {one, two}) || !addElement(s3, ink, {one, two})
        || !m_db->dba_CheckoutScene(m_a1, QStringLiteral("s2"), QStringLiteral("admin")))
        return false;

    // s3 was saved by the scene editor.
    const QString stage = oswRemapPath::RemapPath2(s3.path) + QStringLiteral("/stage");
    QFile file(stage + QStringLiteral("/v1.pavx"));
    return m_db->dba_addSceneVersion(s3, QStringLiteral("v"), QString()) == 1 && QDir().mkpath(stage)
        && file.open(QIODevice::WriteOnly) && file.write("<project/>\n") > 0;
}

bool tst_Commands::addScene(const QString &name, dba_scene_struct &scene)
{
    return m_db->dba_CreateScene(m_a1, name, QString(), m_fixture->fileSystem(), QString(), 1, -1, 1)
        && m_db->dba_OpenScene(name, m_a1, scene) == 0;
}


bool tst_Commands::holdLock(const QString &user, const QString &scene)
{
    // A session of another user that keeps the scene's lock while the test runs.
    m_lockHolder = m_fixture->open(user);
    dba_job_struct job;
    return m_lockHolder && m_lockHolder->dba_OpenJob(QStringLiteral("A1"), job) == 0
        && m_lockHolder->dba_OpenScene(scene, job, m_heldScene) == 0 && m_lockHolder->dba_GetSceneLock(m_heldScene) == 0;
}

void tst_Commands::createWindow(const QString &user)
{
    m_window.reset();
    std::unique_ptr<TUDbAccess> access = m_fixture->open(user);
    auto selector = std::make_unique<TUDbSelectSingleDbClient>(9, 0, 0, 0);
    QVERIFY(access);
    QVERIFY(selector->setUserName(user));
    access->sceneData().setUserName(user);
    m_window = std::make_unique<TUTallyard>(std::move(access), std::move(selector), false);
    // Tall enough for the scenes, elements and drawings to show rows at once.
    m_window->resize(m_window->width(), 900);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_sink->clear();
}

// Driving the window

QMenu *tst_Commands::menu(const QString &title) const
{
    for (QAction *action : m_window->menuBar()->actions()) {
        if (action->text() == title)
            return action->menu();
    }
    return nullptr;
}

QStringList tst_Commands::entries(const QString &menuTitle, bool enabledOnly) const
{
    QMenu *shown = menu(menuTitle);
    if (!shown)
        return {QStringLiteral("no menu ") + menuTitle};
    emit shown->aboutToShow();
    QStringList texts;
    for (const QAction *action : shown->actions()) {
        if (!action->isSeparator() && (!enabledOnly || action->isEnabled()))
            texts.append(action->text());
    }
    return texts;
}

QAction *tst_Commands::entry(const QString &menuTitle, const QString &text) const
{
    entries(menuTitle);
    for (QAction *action : menu(menuTitle)->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

void tst_Commands::run(const char *slot)
{
    const QByteArray signature = QByteArray(slot) + "()";
    for (TUTYCommands *commands : m_window->findChildren<TUTYCommands *>()) {
        if (commands->metaObject()->indexOfSlot(signature) != -1) {
            QVERIFY(QMetaObject::invokeMethod(commands, slot));
            return;
        }
    }
    QFAIL(qPrintable(QStringLiteral("no command ") + QLatin1String(slot)));
}

void tst_Commands::select(const QString &spec)
{
    for (const QString &part : spec.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString key = part.section(QLatin1Char('='), 0, 0);
        const QStringList values = part.section(QLatin1Char('='), 1).split(QLatin1Char(','));
        if (key == QLatin1String("open")) {
            for (const QString &pane : values) {
                auto *holder = m_window->findChild<TUTYShowHideHolder *>(pane + QStringLiteral("Holder"));
                QTest::mouseClick(holder->findChild<QToolButton *>(), Qt::LeftButton);
            }
            // As a user drags the splitter: an unfolded drawings pane keeps
            // only its bar until then.
            m_window->findChild<QSplitter *>()->setSizes({200, 200, 200, 200});
        } else if (key == QLatin1String("env")) {
            clickAll(envList(), values);
        } else if (key == QLatin1String("jobs")) {
            clickAll(jobList(), values);
        } else if (key == QLatin1String("scenes")) {
            clickAll(m_window->findChild<TUTYScenesTable *>(), values);
        } else if (key == QLatin1String("elements")) {
            clickAll(m_window->findChild<TUTYElementsTable *>(), values);
        } else if (key == QLatin1String("drawings")) {
            clickAll(m_window->findChild<TUTYDrawingsTable *>(), values);
        } else {
            QFAIL(qPrintable(part));
        }
    }
    m_sink->clear();
}

template <typename List>
void tst_Commands::clickAll(List *list, const QStringList &texts)
{
    for (int i = 0; i < texts.size(); ++i)
        click(list, texts.at(i), i == 0 ? Qt::NoModifier : Qt::ControlModifier);
}

void tst_Commands::click(QListWidget *list, const QString &text, Qt::KeyboardModifiers modifiers)
{
    const QList<QListWidgetItem *> items = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(items.size() == 1, qPrintable(text));
    list->scrollToItem(items.first());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, modifiers, list->visualItemRect(items.first()).center());
}

void tst_Commands::click(TUTYTable *table, const QString &text, Qt::KeyboardModifiers modifiers)
{
    const QList<QTreeWidgetItem *> items = table->findItems(text, Qt::MatchExactly, 0);
    QVERIFY2(items.size() == 1, qPrintable(text));
    table->scrollToItem(items.first());
    QTest::mouseClick(table->viewport(), Qt::LeftButton, modifiers, table->visualItemRect(items.first()).center());
}

// Reading the outcome

QStringList tst_Commands::errors() const
{
    QStringList texts;
    for (const RecordingSink::Message &message : m_sink->messages())
        texts.append(QString(QLatin1Char(message.type)) + QLatin1Char(' ') + message.text);
    return texts;
}

QString tst_Commands::checkoutUser(const QString &scene)
{
    // As the window's table shows it, after the command refilled it.
    const QList<QTreeWidgetItem *> rows =
        m_window->scenesTable().findItems(scene, Qt::MatchExactly, TUTYScenesTable::Name);
    return rows.size() == 1 ? rows.first()->text(TUTYScenesTable::User) : QStringLiteral("<no row>");
}

QString tst_Commands::lockUser(const QString &scene)
{
    return m_db->dba_GetSceneLockUser(m_a1, scene);
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
    const QString name = what.section(QLatin1Char(':'), 1);
    const QString kind = what.section(QLatin1Char(':'), 0, 0);
    if (kind == QLatin1String("scene"))
        return m_db->isSceneExists(m_a1, name);
    if (kind == QLatin1String("job")) {
        QVector<dba_job_struct> jobs;
        m_db->dba_GetEnvironmentJobs(QStringLiteral("Alpha"), jobs);
        return std::any_of(jobs.begin(), jobs.end(), [&](const dba_job_struct &job) { return job.name == name; });
    }
    if (kind == QLatin1String("environment")) {
        QStringList environments;
        m_db->dba_GetEnvironments(environments);
        return environments.contains(name);
    }
    if (kind == QLatin1String("elements")) {
        dba_scene_struct scene;
        return m_db->dba_OpenScene(name, m_a1, scene) == 0 && !m_db->read_DBA_elements(scene).isEmpty();
    }
    if (kind == QLatin1String("checkedout")) {
        dba_scene_struct scene;
        return m_db->dba_OpenScene(name, m_a1, scene) == 0 && m_db->dba_GetSceneCheckoutLock(scene);
    }
    if (kind == QLatin1String("locked"))
        return m_db->isSceneLocked(m_a1, name);
    qFatal("unknown probe %s", qPrintable(what));
}

// Which entries exist

void tst_Commands::menusFollowTheUserType_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("expected");
    const QStringList queues{"&Vectorize Queue...", "&Render Queue..."};
    const QStringList toggles{"Allow Unicode Names", "Dark Style"};
    const QStringList transfers{"&Export...", "&Import...", "Import Multiple &Scenes..."};

    QTest::newRow("admin env") << "admin" << "&Environment"
                               << QStringList{"&Create...", "&Delete", "&Change Asset Lock ..."} + queues;
    QTest::newRow("admin job") << "admin" << "&Job"
                               << QStringList{"&Create...", "&Delete", "Change &Stage...", "Change &Priority..."};
    QTest::newRow("admin scene") << "admin" << "&Scene" << kAllSceneEntries;
    QTest::newRow("admin admin") << "admin" << "&Admin"
                                 << QStringList{"&Users...", "&Change Approval Policy...", "&Vectorize Style..."}
            + transfers + QStringList{"Lock when Opening Scene", "Database Lock Manager..."} + toggles;

    QTest::newRow("coordinator env") << "coord" << "&Environment" << queues;
    QTest::newRow("coordinator job") << "coord" << "&Job"
                                     << QStringList{"&Create...", "&Delete", "Change &Stage...", "Change &Priority..."};
    QTest::newRow("coordinator scene") << "coord" << "&Scene" << kAllSceneEntries;
    QTest::newRow("coordinator admin") << "coord" << "&Admin"
                                       << QStringList{"&Vectorize Style..."} + transfers + toggles;

    QTest::newRow("animator env") << "anim" << "&Environment" << queues;
    QTest::newRow("animator job") << "anim" << "&Job" << QStringList{"Change &Priority..."};
    QTest::newRow("animator scene") << "anim" << "&Scene"
                                    << QStringList{"&Open", "Force Unlock", "Force Unlock Version", "Force Checkin",
                                                   "Checkin", "Checkout", "Change Priority...", "Send to &Vectorize",
                                                   "Send to &Unvectorize...", "Send to Re&ndering...", "Run Script..."};
    QTest::newRow("animator admin") << "anim" << "&Admin" << QStringList{"&Vectorize Style..."} + toggles;
    QTest::newRow("animator help")
        << "anim" << "&Help"
        << QStringList{"&Help...", "Scripting Interface Documentation...",
                       "&Customer Experience Improvement Program...", "About..."};
}

void tst_Commands::menusFollowTheUserType()
{
    QFETCH(QString, user);
    QFETCH(QString, menu);
    QFETCH(QStringList, expected);
    createWindow(user);
    QCOMPARE(entries(menu), expected);
    // Shown again, nothing is added twice.
    QCOMPARE(entries(menu), expected);
}

void tst_Commands::menusAreBuiltOnce()
{
    createWindow("anim");
    QVERIFY(!entries("&Scene").contains("&Delete"));
    QVERIFY(m_db->setRight(TUDbAccess::ANIMATOR, TUDbAccess::ModifyScene, true));
    QVERIFY(!entries("&Scene").contains("&Delete"));
    // The command itself asks the right as it runs.
    select(kA1 + " scenes=s4");
    m_answer = QMessageBox::No;
    run("deleteScene");
    QCOMPARE(m_questions.size(), 1);
    QVERIFY2(m_sink->messages().isEmpty(), qPrintable(m_sink->dump()));
}

// Which entries are enabled

void tst_Commands::entriesFollowTheSelection_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QStringList>("enabled");
    const QStringList queues{"&Vectorize Queue...", "&Render Queue..."};
    QTest::newRow("env: none") << "&Environment" << "" << QStringList{"&Create..."};
    QTest::newRow("env: with jobs") << "&Environment" << "env=Alpha"
                                    << QStringList{"&Create...", "&Change Asset Lock ..."} + queues;
    QTest::newRow("env: without jobs") << "&Environment" << "env=Beta"
                                       << QStringList{"&Create...", "&Delete", "&Change Asset Lock ..."} + queues;

    QTest::newRow("job: no environment") << "&Job" << "" << QStringList();
    QTest::newRow("job: environment") << "&Job" << "env=Alpha" << QStringList{"&Create...", "Change &Stage..."};
    QTest::newRow("job: two jobs") << "&Job" << "env=Alpha jobs=A1,A2"
                                   << QStringList{"&Create...", "&Delete", "Change &Stage...", "Change &Priority..."};

    QTest::newRow("scene: no job") << "&Scene" << "env=Alpha" << QStringList();
    QTest::newRow("scene: two jobs") << "&Scene" << "env=Alpha jobs=A1,A2" << QStringList{"Copy..."};
    QTest::newRow("scene: job") << "&Scene" << kA1
                                << QStringList{"&Create...", "Copy...", "Move...", "Reorder...",
                                               "Send to &Unvectorize..."};
    QTest::newRow("scene: one scene") << "&Scene" << kA1 + " scenes=s1" << kAllSceneEntries;
    QStringList several = kAllSceneEntries;
    several.removeAll("Rename...");
    several.removeAll("Force Unlock Version");
    QTest::newRow("scene: two scenes") << "&Scene" << kA1 + " scenes=s1,s2" << several;

    QTest::newRow("element: folded") << "&Element" << kA1 + " scenes=s1" << QStringList();
    QTest::newRow("element: listed") << "&Element" << "open=elements " + kA1 + " scenes=s1"
                                     << QStringList{"Send to &Unvectorize..."};
    QTest::newRow("element: chosen") << "&Element" << "open=elements " + kA1 + " scenes=s1 elements=char"
                                     << QStringList{"Send to &Vectorize", "Send to &Unvectorize..."};
    QTest::newRow("drawing: folded") << "&Drawing" << "open=elements " + kA1 + " scenes=s1 elements=char"
                                     << QStringList();
    QTest::newRow("drawing: listed") << "&Drawing" << "open=elements,drawings " + kA1 + " scenes=s1 elements=char"
                                     << QStringList{"Send to &Unvectorize..."};
    QTest::newRow("drawing: chosen") << "&Drawing"
                                     << "open=elements,drawings " + kA1 + " scenes=s1 elements=char drawings=2b"
                                     << QStringList{"Send to &Vectorize", "Send to &Unvectorize..."};
}

void tst_Commands::entriesFollowTheSelection()
{
    QFETCH(QString, menu);
    QFETCH(QString, selection);
    QFETCH(QStringList, enabled);
    createWindow("admin");
    // Built before anything is chosen, as a user who opens the menu first.
    entries(menu);
    select(selection);
    QCOMPARE(entries(menu, true), enabled);
}

// Refusals

void tst_Commands::missingRightsAreRefused_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<QString>("firstLine");
    const char *const rows[][2] = {
        {"createEnvironment", "You do not have the permission necessary to create environments --"},
        {"deleteEnvironment", "You do not have the permission necessary to delete environments --"},
        {"createJob", "You do not have the permission necessary to create jobs --"},
        {"deleteJob", "You do not have the permission necessary to delete jobs --"},
        {"stageJob", "You do not have the permission necessary to stage jobs --"},
        {"tdatdJob", "You do not have the permission necessary to modify jobs --"},
        {"createScene", "You do not have the permission necessary to create scenes --"},
        {"deleteScene", "You do not have the permission necessary to delete scenes --"},
        {"moveScene", "You do not have the permission necessary to move a scene --"},
        {"renameScene", "You do not have the permission necessary to rename a scene --"},
        {"stageScene", "You do not have the permission necessary to stage scenes --"},
        {"clearScene", "You do not have the permission necessary to clear scenes --"},
        {"unlockScene", "You do not have the permission necessary to unlock a scene --"},
        {"unlockSceneVersion", "You do not have the permission necessary to unlock a scene version --"},
        {"checkinScene", "You do not have the permission necessary to checkin scenes -- "},
        {"forceCheckinScene", "You do not have the permission necessary to checkin scenes -- "},
        {"checkoutScene", "You do not have the permission necessary to checkout scene s1 -- "},
    };
    for (const auto &row : rows)
        QTest::newRow(row[0]) << QByteArray(row[0]) << QString::fromLatin1(row[1]);
}

void tst_Commands::missingRightsAreRefused()
{
    QFETCH(QByteArray, slot);
    QFETCH(QString, firstLine);
    createWindow("nobody");
    select(kA1 + " scenes=s1");
    run(slot.constData());
    QCOMPARE(errors(), QStringList("E " + firstLine + QLatin1String(kRefusalTail)));
    QVERIFY(m_questions.isEmpty());
}

// Questions

void tst_Commands::onlyYesChangesAnything_data()
{
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<QString>("question");
    QTest::addColumn<int>("defaultButton");
    QTest::addColumn<QString>("state");
    QTest::addColumn<int>("answer");
    struct Row {
        const char *name;
        QString selection;
        const char *slot;
        QString question;
        QMessageBox::StandardButton defaultButton;
        const char *state;
    };
    const Row rows[] = {
        {"delete environment", "env=Beta", "deleteEnvironment", "Really delete environment Beta?", QMessageBox::No,
         "environment:Beta"},
        {"delete job", "env=Alpha jobs=A2", "deleteJob", "Really delete job A2?", QMessageBox::No, "job:A2"},
        {"delete scene", kA1 + " scenes=s4", "deleteScene", "Really delete scene s4?", QMessageBox::No, "scene:s4"},
        {"delete scenes", kA1 + " scenes=s1,s4", "deleteScene", "Really delete the following scenes?\n\ns1\ns4",
         QMessageBox::No, "scene:s4"},
        {"clear scene", kA1 + " scenes=s1", "clearScene", kClearExplanation + " Really clear scene s1?",
         QMessageBox::No, "elements:s1"},
        {"checkout", kA1 + " scenes=s1", "checkoutScene", "Really checkout scene s1?", QMessageBox::Yes,
         "checkedout:s1"},
        {"force checkin", kA1 + " scenes=s2", "forceCheckinScene", forceQuestion("checking in", "checkin", "s2"),
         QMessageBox::No, "checkedout:s2"},
        {"force unlock", kA1 + " scenes=s3", "unlockScene", forceQuestion("unlocking", "unlock", "s3"),
         QMessageBox::No, "locked:s3"},
    };
    for (const Row &row : rows) {
        for (const QMessageBox::StandardButton answer : {QMessageBox::Yes, QMessageBox::No}) {
            QTest::addRow("%s, %s", row.name, answer == QMessageBox::Yes ? "yes" : "no")
                << row.selection << QByteArray(row.slot) << row.question << int(row.defaultButton)
                << QString::fromLatin1(row.state) << int(answer);
        }
    }
}

void tst_Commands::onlyYesChangesAnything()
{
    QFETCH(QString, selection);
    QFETCH(QByteArray, slot);
    QFETCH(QString, question);
    QFETCH(int, defaultButton);
    QFETCH(QString, state);
    QFETCH(int, answer);
    createWindow("admin");
    select(selection);
    const bool before = probe(state);
    m_answer = QMessageBox::StandardButton(answer);
    run(slot.constData());
    QCOMPARE(m_questions.size(), 1);
    QCOMPARE(m_questions.first().text, question);
    QCOMPARE(int(m_questions.first().defaultButton), defaultButton);
    QCOMPARE(probe(state), answer == QMessageBox::Yes ? !before : before);
    QVERIFY2(m_sink->messages().isEmpty(), qPrintable(m_sink->dump()));
}

void tst_Commands::deletingJobsListsTenNames_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("question");
    QTest::newRow("one") << 1 << "Really delete job J01?";
    QTest::newRow("two") << 2 << "Really delete these 2 jobs?\n\n J01\n J02";
    QTest::newRow("ten") << 10 << "Really delete these 10 jobs?\n\n J01\n J02\n J03\n J04\n J05\n J06\n J07\n J08"
                                  "\n J09\n J10";
    QTest::newRow("eleven") << 11 << "Really delete these 11 jobs?\n\n J01\n J02\n J03\n J04\n J05\n J06\n J07\n J08"
                                     "\n J09\n J10\n ...";
}

void tst_Commands::deletingJobsListsTenNames()
{
    QFETCH(int, count);
    QFETCH(QString, question);
    createWindow("admin");
    QStringList jobs;
    for (int i = 1; i <= count; ++i)
        jobs.append(QStringLiteral("J%1").arg(i, 2, 10, QLatin1Char('0')));
    select("env=Many jobs=" + jobs.join(','));
    run("deleteJob");
    QCOMPARE(m_questions.size(), 1);
    QCOMPARE(m_questions.first().text, question);
    QCOMPARE(jobList()->count(), 11 - count);
    QVERIFY2(m_sink->messages().isEmpty(), qPrintable(m_sink->dump()));
}

// Scenes someone holds

void tst_Commands::busyScenesAreLeftAlone_data()
{
    QTest::addColumn<QString>("scenes");
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("state");
    QTest::newRow("delete locked") << "s3" << QByteArray("deleteScene")
                                   << QStringList("E Scene s3 is currently locked, can't delete\n") << "scene:s3";
    QTest::newRow("delete checked out") << "s2" << QByteArray("deleteScene")
                                        << QStringList("E Scene s2 is currently checked out, can't delete\n")
                                        << "scene:s2";
    QTest::newRow("rename locked") << "s3" << QByteArray("renameScene")
                                   << QStringList("E Scene s3 is currently locked, cannot rename\n") << "scene:s3";
    QTest::newRow("rename checked out") << "s2" << QByteArray("renameScene")
                                        << QStringList("E Scene s2 is currently checked out, cannot rename\n")
                                        << "scene:s2";
    QTest::newRow("clear locked") << "s1,s3" << QByteArray("clearScene")
                                  << QStringList("E Action cancelled because the following scenes are locked:\ns3")
                                  << "elements:s1";
}

void tst_Commands::busyScenesAreLeftAlone()
{
    QFETCH(QString, scenes);
    QFETCH(QByteArray, slot);
    QFETCH(QStringList, messages);
    QFETCH(QString, state);
    createWindow("admin");
    select(kA1 + " scenes=" + scenes);
    run(slot.constData());
    QCOMPARE(errors(), messages);
    QVERIFY(probe(state));
    // The lock taken to test for others is given back.
    QVERIFY(!probe("locked:s1") && !probe("locked:s2"));
    QCOMPARE(lockUser("s3"), QStringLiteral("bob"));
}

// Check-out, check-in and unlocking

void tst_Commands::lockCommands_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("scene");
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("checkedOutBy");
    QTest::addColumn<QString>("lockedBy");
    const QString notOwner = QStringLiteral("E You are not the owner of the checkout lock for scene s2 - \nyou cannot "
                                            "check the scene in.\n");
    QTest::newRow("check out") << "anim" << "s1" << QByteArray("checkoutScene") << QStringList() << "anim" << "";
    QTest::newRow("check out again") << "anim" << "s2" << QByteArray("checkoutScene")
                                     << QStringList("E The scene is already checked out by user admin\n") << "admin"
                                     << "";
    QTest::newRow("check in own") << "admin" << "s2" << QByteArray("checkinScene") << QStringList() << "" << "";
    QTest::newRow("check in another's") << "anim" << "s2" << QByteArray("checkinScene") << QStringList(notOwner)
                                        << "admin" << "";
    QTest::newRow("check in, not out") << "anim" << "s1" << QByteArray("checkinScene") << QStringList() << "" << "";
    QTest::newRow("force checkin, any") << "admin" << "s2" << QByteArray("forceCheckinScene") << QStringList() << ""
                                        << "";
    QTest::newRow("force checkin, owned only") << "anim" << "s2" << QByteArray("forceCheckinScene")
                                               << QStringList(notOwner) << "admin" << "";
    QTest::newRow("force unlock, any") << "admin" << "s3" << QByteArray("unlockScene") << QStringList() << "" << "";
    QTest::newRow("force unlock, owner") << "bob" << "s3" << QByteArray("unlockScene") << QStringList() << "" << "";
    QTest::newRow("force unlock, not owner")
        << "anim" << "s3" << QByteArray("unlockScene")
        << QStringList("E You do not own this lock or have the permission necessary to unlock a scene --"
                       + QLatin1String(kRefusalTail))
        << "" << "bob";
    QTest::newRow("unlock version, none locked") << "anim" << "s3" << QByteArray("unlockSceneVersion")
                                                 << QStringList("E No version locks dectected.\n") << "" << "bob";
}

void tst_Commands::lockCommands()
{
    QFETCH(QString, user);
    QFETCH(QString, scene);
    QFETCH(QByteArray, slot);
    QFETCH(QStringList, messages);
    QFETCH(QString, checkedOutBy);
    QFETCH(QString, lockedBy);
    createWindow(user);
    select(kA1 + " scenes=" + scene);
    run(slot.constData());
    QCOMPARE(errors(), messages);
    QCOMPARE(checkoutUser(scene), checkedOutBy);
    QCOMPARE(lockUser(scene), lockedBy);
}

void tst_Commands::lockStyleIsKeptInThePreferences_data()
{
    QTest::addColumn<QString>("choiceText");
    QTest::addColumn<int>("style");
    QTest::newRow("no lock") << "&No Lock" << 0;
    QTest::newRow("scene lock") << "&Scene Lock" << 1;
    QTest::newRow("version lock") << "&Version Lock" << 2;
    QTest::newRow("asset lock") << "&Asset Lock" << 3;
}

void tst_Commands::lockStyleIsKeptInThePreferences()
{
    QFETCH(QString, choiceText);
    QFETCH(int, style);
    const QString key = QStringLiteral("TALLYARD_OPEN_SCENE_LOCK_PREF");
    const QString path = m_scratch.filePath(QStringLiteral("lock-style.ini"));
    QFile::remove(path);
    std::unique_ptr<PR_Preference> preferences = PR_Preference::createPreference(path);
    createWindow("admin");
    m_window->setUserPreferences(preferences.get());
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

    QAction *choice = nullptr;
    for (QAction *action : styles->actions())
        choice = action->text() == choiceText ? action : choice;
    QVERIFY(choice);
    choice->trigger();
    QCOMPARE(m_window->lockStyle(), style);
    QCOMPARE(PR_Preference::createPreference(path)->getIntValue(key, -1), style);
    QCOMPARE(checked(), QStringList(choiceText));
}

void tst_Commands::unicodeNamesAndDarkStyleToggle()
{
    const QString path = m_scratch.filePath(QStringLiteral("unicode.ini"));
    QFile::remove(path);
    std::unique_ptr<PR_Preference> preferences = PR_Preference::createPreference(path);
    createWindow("anim");
    m_window->setUserPreferences(preferences.get());
    QAction *unicode = entry("&Admin", "Allow Unicode Names");
    QVERIFY(unicode->isCheckable() && !unicode->isChecked());
    for (const bool accepted : {true, false}) {
        unicode->trigger();
        QCOMPARE(unicode->isChecked(), accepted);
        QCOMPARE(TUSceneNameValidator::isValidName(QStringLiteral("Scène")), accepted);
        QCOMPARE(PR_Preference::createPreference(path)->getBoolValue(QStringLiteral("ACCEPT_UNICODE_NAME"), !accepted),
                 accepted);
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
    createWindow("admin");
    select("env=Alpha");
    run("createJob");
    QPointer<TUCreateJob> dialog = m_window->findChild<TUCreateJob *>();
    QVERIFY(dialog && dialog->isVisible() && dialog->isModal());
    QVERIFY(!envList()->isEnabled() && !jobList()->isEnabled());
    QVERIFY(!menu("&Job")->menuAction()->isEnabled() && !menu("&Scene")->menuAction()->isEnabled());
    QVERIFY(menu("&Admin")->menuAction()->isEnabled());

    dialog->findChild<QLineEdit *>("jobName")->setText("A3");
    dialog->findChild<QComboBox *>("td")->setCurrentText("coord");
    dialog->findChild<QComboBox *>("atd")->setCurrentText("anim");
    dialog->findChild<QSlider *>("priority")->setValue(2);
    dialog->createJob();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!dialog);
    QCOMPARE(m_window->jobNames(), QStringList({"A1", "A2", "A3"}));
    QVERIFY(envList()->isEnabled() && jobList()->isEnabled() && menu("&Job")->menuAction()->isEnabled());

    // The next job starts from this one's choices; cancelling frees the lists too.
    run("createJob");
    dialog = m_window->findChild<TUCreateJob *>();
    QVERIFY(dialog);
    QCOMPARE(dialog->findChild<QComboBox *>("td")->currentText(), QStringLiteral("coord"));
    QCOMPARE(dialog->findChild<QComboBox *>("atd")->currentText(), QStringLiteral("anim"));
    QCOMPARE(dialog->findChild<QSlider *>("priority")->value(), 2);
    dialog->close();
    QVERIFY(envList()->isEnabled());
    QVERIFY2(m_sink->messages().isEmpty(), qPrintable(m_sink->dump()));
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

void tst_Commands::createdEnvironmentIsListed()
{
    createWindow("admin");
    runModal<TUCreateEnv>("createEnvironment", [](TUCreateEnv *dialog) {
        dialog->findChild<QLineEdit *>()->setText(QStringLiteral("Gamma"));
        dialog->createEnv();
    });
    QCOMPARE(envList()->findItems("Gamma", Qt::MatchExactly).size(), 1);
    QVERIFY(probe("environment:Gamma"));
}

void tst_Commands::assetLockChangesTheEnvironment()
{
    createWindow("admin");
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

void tst_Commands::scenesGoToTheVectorizeQueue_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("queued");
    QTest::newRow("ok") << int(QMessageBox::Ok)
                        << QStringList("E Scene s1 is an old unsupported format. Scene is skipped.\n")
                        << QStringList({"s3:ink:1", "s3:ink:2"});
    QTest::newRow("cancel") << int(QMessageBox::Cancel) << QStringList() << QStringList();
}

void tst_Commands::scenesGoToTheVectorizeQueue()
{
    QFETCH(int, answer);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, queued);
    createWindow("anim");
    select(kA1 + " scenes=s1,s3");
    m_answer = QMessageBox::StandardButton(answer);
    run("sceneSendToVectorize");
    QCOMPARE(m_questions.size(), 1);
    QCOMPARE(m_questions.first().text,
             QStringLiteral("Really return all elements to Vectorize for following scenes?\n\ns1\ns3"));
    QCOMPARE(m_questions.first().buttons, QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(m_questions.first().icon, QMessageBox::Warning);
    QCOMPARE(errors(), messages);
    QCOMPARE(this->queued(), queued);
}

void tst_Commands::elementsAndDrawingsGoToTheVectorizeQueue_data()
{
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("queued");
    const QString s3 = "open=elements,drawings " + kA1 + " scenes=s3 elements=ink";
    const QString s1 = "open=elements,drawings " + kA1 + " scenes=s1 elements=char";
    QTest::newRow("element") << s3 << QByteArray("elementSendToVectorize")
                             << "Really return all drawings for these following elements to Vectorize?\n\n     ink"
                             << QStringList() << QStringList({"s3:ink:1", "s3:ink:2"});
    QTest::newRow("drawing") << s3 + " drawings=2b" << QByteArray("drawingSendToVectorize")
                             << "Really return all these following drawings to Vectorize?\n\n     2b" << QStringList()
                             << QStringList("s3:ink:2");
    QTest::newRow("element, old format")
        << s1 << QByteArray("elementSendToVectorize") << ""
        << QStringList("E Selected scene is an old unsupported format. Element(s) can not be sent.\n")
        << QStringList();
    QTest::newRow("drawing, old format")
        << s1 + " drawings=2b" << QByteArray("drawingSendToVectorize") << ""
        << QStringList("E Selected scene is an old unsupported format. Drawing can not be sent.\n") << QStringList();
}

void tst_Commands::elementsAndDrawingsGoToTheVectorizeQueue()
{
    QFETCH(QString, selection);
    QFETCH(QByteArray, slot);
    QFETCH(QString, question);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, queued);
    createWindow("anim");
    select(selection);
    run(slot.constData());
    QCOMPARE(m_questions.isEmpty() ? QString() : m_questions.first().text, question);
    QCOMPARE(errors(), messages);
    QCOMPARE(this->queued(), queued);
}

// Commands whose dialogs are not in this build

void tst_Commands::laterDialogsSayTheyAreMissing_data()
{
    QTest::addColumn<QByteArray>("slot");
    QTest::addColumn<QString>("scene");
    for (const char *slot : {"createScene", "copyXsheetScene", "moveScene", "renameScene", "priorityScene",
                             "stageScene", "reorderScene", "sceneSendToUnvectorize", "runScriptOnScenes",
                             "priorityJob", "stageJob", "tdatdJob", "users", "changeApprovalPolicy",
                             "vectorizeStyle", "exportScene", "importScene", "importScenes", "openLockManager",
                             "help", "scriptingDoc", "onCEIP", "about"})
        QTest::newRow(slot) << QByteArray(slot) << "s1";
    QTest::newRow("sceneSendToRendering") << QByteArray("sceneSendToRendering") << "s3";
}

void tst_Commands::laterDialogsSayTheyAreMissing()
{
    QFETCH(QByteArray, slot);
    QFETCH(QString, scene);
    createWindow("admin");
    select(kA1 + " scenes=" + scene);
    run(slot.constData());
    QCOMPARE(m_sink->messages().size(), 1);
    QCOMPARE(m_sink->messages().first().type, 'W');
    QVERIFY2(m_sink->messages().first().text.contains("is not available in this build of Tallyard"),
             qPrintable(m_sink->dump()));
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
