#include "BUIAPP_Application.h"
#include "DBS_Mediator.h"
#include "DBS_ScriptManager.h"
#include "ProgramRun.h"
#include "Studio.h"
#include "TUTYCommands.h"
#include "TUTYConfirm.h"

#include <QTimer>

#include <unistd.h>

// Every operation that changes the database, through each path it has
// (window command, batch option, script method), as each of the ten user
// types: refused with the path's own words and nothing changed, or done.
// Who may do what is read from the README's rights table, which must also be
// what a new database holds.
namespace {
enum PathKind { Window, Batch, Script };

// How one path reaches the operation; a null `how` means the path has none.
struct Path {
    const char *how = nullptr; // window: the command's slot; batch: the options; script: the code
    // The refusal of each right of the operation in turn (see Operation::rights),
    // separated by '|'; one text serves them all.
    const char *refusals = nullptr;
    const char *rights = nullptr; // the rights of this path, when not the operation's
};

struct Operation {
    const char *name;
    const char *rights;    // README names, all needed, checked in this order
    const char *selection; // what the window has chosen
    Path window, batch, script;
};

#define REFUSAL(first, again) first "\nplease contact your supervisor or TD to change your user type\nor to " again "\n"
#define WINDOW(what) REFUSAL("You do not have the permission necessary to " what " --", "delete the scenes")
#define SCRIPT(what, again) REFUSAL("You do not have the permission necessary to " what " --", again)
#define CHECKIN REFUSAL("You do not have the permission necessary to checkin scenes -- ", "delete the scenes")
#define PACKAGE REFUSAL("You do not have the permission necessary to import or export scenes -- ", "delete the scenes")
const char *const kSceneUnlock = REFUSAL("You do not own the lock on this scene or have the permission necessary to "
                                         "unlock a scene --", "unlock the scene");

// Scenes of job J: ds is deleted and renamed, ps (with an element) changed in
// place and copied onto ct; ls is locked, version-locked and checked out by
// admin, os checked out by the user who runs the operation.
const Operation operations[] = {
    {"create environment", "CreateEnv", "", {"createEnvironment", WINDOW("create environments")},
     {"-create -env C", WINDOW("create environments")},
     {"Tallyard.addEnvironment(new Environment('C'))", SCRIPT("create environments", "create the environment")}},
    {"delete environment", "ModifyEnv", "env=D", {"deleteEnvironment", WINDOW("delete environments")},
     {"-delete -env D", WINDOW("delete environments")},
     {"Tallyard.deleteEnvironment(new Environment('D'))", SCRIPT("delete environments", "delete the environment")}},
    {"change asset lock", "ModifyEnv", "env=D", {"changeAssetLock", WINDOW("modify environments")}, {},
     {"var e = new Environment('D'); e.assetLock = true; Tallyard.modifyEnvironment(e)",
      SCRIPT("modify environments", "modify the environment")}},
    {"create job", "CreateJob", "env=E", {"createJob", WINDOW("create jobs")}, {"-create -env E -job CJ", WINDOW("create jobs")},
     {"Tallyard.addJob(new Job('E', 'CJ'))", SCRIPT("create jobs", "create the job")}},
    {"delete job", "ModifyJob", "env=E jobs=DJ", {"deleteJob", WINDOW("delete jobs")}, {"-delete -env E -job DJ", WINDOW("delete jobs")},
     {"Tallyard.deleteJob(new Job('E', 'DJ'))", SCRIPT("delete jobs", "delete the job")}},
    {"change job priority", "ModifyJob", "env=E jobs=J", {"priorityJob", WINDOW("change the priority of jobs")}, {},
     {"var j = new Job('E', 'J'); j.priority = 9; j.automaticApprovalPolicy = true; Tallyard.modifyJob(j)", SCRIPT("modify jobs", "modify the job")}},
    {"change job stage", "ModifyJob", "env=E jobs=J", {"stageJob", WINDOW("stage jobs")}, {}, {}},
    {"change job TD and ATD", "ModifyJob", "env=E jobs=J", {"tdatdJob", WINDOW("modify jobs")}, {}, {}},
    {"change approval policy", "Admin", "env=E jobs=J", {"changeApprovalPolicy", WINDOW("change approval policies")}, {},
     {"var j = new Job('E', 'J'); j.priority = 5; Tallyard.modifyJob(j)",
      SCRIPT("modify jobs", "modify the job") "|" SCRIPT("change approval policies", "change the approval policy"),
      "ModifyJob Admin"}},
    {"create scene", "CreateScene", "env=E jobs=J", {"createScene", WINDOW("create scenes")},
     {"-create -env E -job J -scene cs -filesys /QVX_DB/scenes", WINDOW("create scenes")},
     {"var s = new Scene('J', 'cs'); s.fileSystem = '/QVX_DB/scenes'; Tallyard.addScene(s)",
      SCRIPT("create scenes", "create the scene")}},
    {"delete scene", "ModifyScene", "env=E jobs=J scenes=ds", {"deleteScene", WINDOW("delete scenes")},
     {"-delete -env E -job J -scene ds", WINDOW("delete scenes")},
     {"Tallyard.deleteScene(new Scene('J', 'ds'))", SCRIPT("delete scenes", "delete the scene")}},
    {"rename scene", "ModifyScene RenameScene", "env=E jobs=J scenes=ds", {"renameScene", WINDOW("rename a scene")},
     {"-rename -env E -job J -scene ds -name rn", SCRIPT("rename scenes", "rename the scenes")},
     {"Tallyard.renameScene(new Scene('J', 'ds'), 'rn')", SCRIPT("rename scenes", "rename the scene")}},
    {"copy scene onto another", "CreateScene ModifyScene CopyScene", "env=E jobs=J scenes=ps",
     {"copyXsheetScene", WINDOW("create scenes") "|" WINDOW("copy scenes") "|" WINDOW("copy scenes")}, {},
     {"Tallyard.copyScene(new Scene('J', 'ps'), new Scene('J', 'ct'), true)", SCRIPT("copy scenes", "copy the scene"),
      "CopyScene"}},
    {"move scene", "ModifyScene", "env=E jobs=J scenes=ps", {"moveScene", WINDOW("move a scene")}, {},
     {"Tallyard.moveScene(new Scene('J', 'ps'), 'FS2', true)", SCRIPT("move scenes", "move the scene")}},
    {"clear scene", "ModifyScene", "env=E jobs=J scenes=ps", {"clearScene", WINDOW("clear scenes")}, {},
     {"Tallyard.clearScene(new Scene('J', 'ps'))", SCRIPT("clear scenes", "clear the scene")}},
    {"change scene stage", "ModifyScene", "env=E jobs=J scenes=ps", {"stageScene", WINDOW("stage scenes")}, {},
     {"Tallyard.changeSceneStage(new Scene('J', 'ps'), 'STAGE')", SCRIPT("change the stage of scenes", "change the stage of the scene")}},
    {"change scene priority", "ChangeScenePriority", "env=E jobs=J scenes=ps",
     {"priorityScene", WINDOW("change the priority of scenes")}, {},
     {"Tallyard.changeScenePriority(new Scene('J', 'ps'), 9)",
      SCRIPT("change the priority of scenes", "change the priority of the scene")}},
    {"reorder scenes", "ModifyScene", "env=E jobs=J", {"reorderScene", WINDOW("reorder scenes")}, {}, {}},
    {"force unlock another's scene", "ForceUnlockSceneOwned ForceUnlockSceneAny", "env=E jobs=J scenes=ls",
     {"unlockScene", WINDOW("unlock a scene") "|" REFUSAL("You do not own this lock or have the permission necessary to "
                                                          "unlock a scene --", "delete the scenes")}, {},
     {"Tallyard.forceUnlockScene(new Scene('J', 'ls'), 'admin')", kSceneUnlock, "ForceUnlockSceneAny"}},
    {"force unlock another's version", "ForceUnlockSceneAny", "env=E jobs=J scenes=ls",
     {"unlockSceneVersion", WINDOW("unlock a scene version"), "ForceUnlockSceneOwned"}, {},
     {"Tallyard.forceUnlockSceneVersion(Tallyard.lockedSceneVersions(new Scene('J', 'ls'))[0], 'admin')",
      REFUSAL("You do not own the lock on this scene version or have the permission necessary to unlock a scene "
              "version --", "unlock the scene version")}},
    {"force unlock an asset", "ForceUnlockSceneAny", "env=E", {"openLockManager", WINDOW("manage locks"), "Admin"}, {},
     {"Tallyard.forceUnlockAsset('/QVX_DB/jobs/J/asset')", kSceneUnlock}},
    {"check out", "CheckoutScene", "env=E jobs=J scenes=ps", {"checkoutScene", REFUSAL("You do not have the permission necessary to checkout scene ps -- ", "delete the scenes")}, {}, {}},
    {"check in own", "ForceCheckinSceneOwned", "env=E jobs=J scenes=os", {"checkinScene", CHECKIN},
     {}, {}},
    {"force check in another's", "ForceCheckinSceneOwned ForceCheckinSceneAny", "env=E jobs=J scenes=ls",
     {"forceCheckinScene", CHECKIN "|You are not the owner of the checkout lock for scene ls - \n"
                                                       "you cannot check the scene in.\n"}, {}, {}},
    // The window's Users dialog adds, modifies and deletes users alike.
    {"add user", "Admin ModifyUsers", "", {"users", WINDOW("manage users")}, {},
     {"var u = new User('newbie'); u.type = User.ANIMATOR; Tallyard.addUser(u)", SCRIPT("add users", "add the user"),
      "ModifyUsers"}},
    {"delete user", "ModifyUsers", "", {}, {}, {"Tallyard.deleteUser(new User('victim'))", SCRIPT("delete users", "delete the user")}},
    {"modify user", "ModifyUsers", "", {}, {},
     {"var u = new User('victim'); u.type = User.TD; Tallyard.modifyUser(u)", SCRIPT("modify users", "modify the user")}},
    {"import", "ImportExport", "env=E jobs=J", {"importScene", PACKAGE},
     {"-batch -import -target_env E -target_job J -filesys /QVX_DB/scenes -path PACKAGE", PACKAGE},
     {"Tallyard.importScene(new ImportData('E', 'J', 'PACKAGE', '/QVX_DB/scenes'))", SCRIPT("import scenes", "import the scenes")}},
    {"export", "ImportExport", "env=E jobs=J scenes=ps", {"exportScene", PACKAGE},
     {"-batch -export -export_env E -export_job J -export_scene ps -export_default -path EXPORT", PACKAGE},
     {"Tallyard.exportScene(new ExportData('E', 'J', ['ps'], 'EXPORT'))", SCRIPT("export scenes", "export the scenes")}},
};
#undef PACKAGE
#undef CHECKIN
#undef SCRIPT
#undef WINDOW
#undef REFUSAL

// The README's rights table: the user types holding each right.
QMap<QString, QSet<int>> documentedRights()
{
    QFile file(README_FILE);
    file.open(QIODevice::ReadOnly);
    const QString text = QString::fromUtf8(file.readAll());
    const QString section = text.section("\n## Users and rights\n", 1).section("\n## ", 0, 0);
    QMap<QString, QSet<int>> rights;
    QList<int> types;
    for (const QString &line : section.split('\n')) {
        QStringList cells = line.split('|');
        if (cells.size() < 3 || cells[1].trimmed().startsWith("---"))
            continue;
        cells = cells.mid(1, cells.size() - 2);
        for (QString &cell : cells)
            cell = cell.trimmed();
        if (cells.first() == "Right") {
            for (const QString &name : cells.mid(1))
                types << DBA_UserOps::QString2UserType(name);
            continue;
        }
        for (const QString &right : cells.first().split(", ")) {
            QSet<int> &holders = rights[right];
            for (int column = 1; column < cells.size(); ++column) {
                if (cells[column] == "x")
                    holders << types.value(column - 1, -1);
            }
        }
    }
    return rights;
}
} // namespace

class tst_RightsMatrix : public QObject
{
    Q_OBJECT

    std::unique_ptr<Studio> m_studio;
    QMap<QString, QSet<int>> m_rights;
    dba_scene_struct m_locked; // ls, held by admin
    QString m_stage; // the second scene stage, which scripts set
    QString m_state; // what state() gives now; empty when not known
    std::map<QString, std::unique_ptr<TUDbAccess>> m_accesses; // the scripts' sessions, one per user
    bool m_dialog = false; // a window command opened a dialog

    TUDbAccess &db() { return *m_studio->db; }
    QString scratch(const char *name) { return m_studio->fixture.scratch() + '/' + name; }
    QString withPaths(QString text)
    {
        return text.replace("PACKAGE", scratch("package"))
            .replace("EXPORT", scratch("export"))
            .replace("FS2", oswRemapPath::UnmapPath(scratch("fs2")))
            .replace("STAGE", m_stage);
    }
    bool hasEnvironment(const QString &name)
    {
        QStringList names;
        db().dba_GetEnvironments(names);
        return names.contains(name);
    }
    bool hasJob(const QString &name)
    {
        dba_job_struct job;
        const bool found = db().dba_OpenJob(name, job) == 0;
        db().dba_CloseJob(job);
        return found;
    }
    bool makeScene(dba_job_struct &job, const QString &name)
    {
        return db().isSceneExists(job, name)
            || db().dba_CreateScene(job, name, QString(), m_studio->fixture.fileSystem(), QString(), 1, -1, 1);
    }
    bool withScene(dba_job_struct &job, const QString &name, const std::function<bool(dba_scene_struct &)> &act)
    {
        dba_scene_struct scene;
        if (db().dba_OpenScene(name, job, scene) != 0)
            return false;
        const bool done = act(scene);
        db().dba_CloseScene(scene);
        return done;
    }

    // Everything an operation could change, as admin sees it.
    QString state()
    {
        QStringList parts;
        QVector<dba_user_struct_type> users;
        db().dba_GetAllUsers(users);
        for (const dba_user_struct_type &user : users)
            parts << user.name + ':' + QString::number(user.type);
        QStringList environments;
        db().dba_GetEnvironments(environments);
        for (const QString &environment : environments) {
            int status = 0;
            parts << environment + ':' + QString::number(db().dba_GetEnvironmentSceneLock(environment, status));
            QVector<dba_job_struct> jobs;
            db().dba_GetEnvironmentJobs(environment, jobs);
            for (const dba_job_struct &job : jobs)
                parts << QStringList{job.name, QString::number(job.priority), QString::number(job.stage),
                                     QString::number(job.manualApproval), job.td, job.atd}.join(':');
        }
        dba_job_struct job;
        if (db().dba_OpenJob("J", job) == 0) {
            for (const QString &name : db().buildScenesList(job)) {
                withScene(job, name, [&](dba_scene_struct &scene) {
                    QVector<qint64> locked;
                    db().dba_GetAllLockedVersionIds(scene, locked);
                    parts << QStringList{name, scene.path, QString::number(scene.priority), QString::number(scene.stageIndex),
                                         db().dba_GetSceneCheckoutUser(scene), db().dba_GetSceneLockUser(job, name),
                                         QString::number(db().read_DBA_elements(scene).size()),
                                         QString::number(locked.size())}.join(':');
                    return true;
                });
            }
        }
        db().dba_CloseJob(job);
        for (const dba_lock_struct &lock : db().dba_GetLocks("V2"))
            parts << lock.key;
        parts << QString::number(QFileInfo::exists(scratch("export")));
        return parts.join('\n');
    }

    // Puts back what every operation starts from.
    bool reset(const QString &user)
    {
        db().deleteEnv("C");
        db().dba_deleteJob("CJ");
        db().deleteUser("newbie");
        QDir(scratch("export")).removeRecursively();
        dba_job_struct extra = DbTestFixture::newJob("DJ", "E");
        bool ok = (hasEnvironment("D") || db().createEnv("D", false)) && db().dba_SetEnvironmentSceneLock("D", false)
            && (hasJob("DJ") || db().dba_createJob(extra) > 0)
            && (db().modifyUser("victim", "victim", "V", "V", DBA_UserOps::ANIMATOR) == 0
                || db().addUser("victim", "V", "V", QString(), DBA_UserOps::ANIMATOR) == 0);
        dba_job_struct job;
        if (!ok || db().dba_OpenJob("J", job) != 0)
            return false;
        for (const char *scene : {"cs", "rn", "im"})
            db().dba_deleteScene(job, scene);
        // Put back as far as they go: each operation is judged against the state before it.
        db().dba_changePriorityJob(job, 5);
        db().dba_changeStageJob(job, 0);
        db().dba_changeApprovalPolicy(job, 0);
        db().dba_changePriorityScene(job, "ps", 5);
        db().dba_changeSceneStage(job, "ps", db().dba_GetSceneStages(job).value(0));
        db().dba_forceCheckinScene(job, "ps");
        db().dba_clearScene(job, "ct");
        ok = makeScene(job, "ds") && makeScene(job, "ps") && makeScene(job, "ct") && makeScene(job, "os")
            && withScene(job, "ps", [&](dba_scene_struct &scene) {
                   return (scene.fileSystem == m_studio->fixture.fileSystem()
                           || db().dba_moveScene(job, "ps", m_studio->fixture.fileSystem()))
                       && (!db().read_DBA_elements(scene).isEmpty()
                           || DbTestFixture::addElement(db(), scene, {0, "bg", {}, {}, {}, {}, 12, false}, {{0, "1", {}, 0, 0}}));
               })
            && withScene(job, "os", [&](dba_scene_struct &scene) {
                   return db().dba_GetSceneCheckoutUser(scene) == user
                       || (db().dba_forceCheckinScene(job, "os") && db().dba_CheckoutScene(job, "os", user));
               })
            && relock(job);
        db().dba_CloseJob(job);
        return ok && (!db().dba_GetLocks("V2").isEmpty() || db().dba_GetLogicalLock("V2", "/QVX_DB/jobs/J/asset", "w") == 0);
    }
    // ls locked, version-locked and checked out by admin.
    bool relock(dba_job_struct &job)
    {
        if (db().dba_GetSceneLockUser(job, "ls") != "admin") {
            if (m_locked.isOpen())
                db().dba_CloseScene(m_locked);
            if (!makeScene(job, "ls") || db().dba_OpenScene("ls", job, m_locked) != 0 || db().dba_GetSceneLock(m_locked) != 0)
                return false;
            if (m_locked.currentVersion == 0 && db().dba_addSceneVersion(m_locked, "v", QString()) != 1)
                return false;
        }
        QVector<qint64> locked;
        return db().dba_GetAllLockedVersionIds(m_locked, locked)
            && (!locked.isEmpty() || db().dba_LockSceneVersion(m_locked, 1) == 0)
            && (db().dba_GetSceneCheckoutUser(m_locked) == "admin" || db().dba_CheckoutScene(job, "ls", "admin"));
    }

    // What each path said.
    QString runWindow(const Operation &operation, const QString &user)
    {
        // One window per user type: the matrix runs its window rows type by type.
        if (!m_studio->window || m_studio->window->access().userName() != user)
            m_studio->createWindow(user);
        m_studio->window->fillEnvironmentList();
        m_studio->select(operation.selection);
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [this] {
            if (QWidget *dialog = QApplication::activeModalWidget()) {
                m_dialog = true;
                dialog->close();
            }
        });
        closer.start(10);
        m_studio->sink.clear();
        for (TUTYCommands *set : m_studio->window->findChildren<TUTYCommands *>()) {
            if (set->metaObject()->indexOfSlot(QByteArray(operation.window.how) + "()") != -1)
                QMetaObject::invokeMethod(set, operation.window.how);
        }
        // Some dialogs are shown rather than run.
        m_dialog = m_dialog || QApplication::activeModalWidget();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (m_dialog) // a dialog may leave the window waiting for it
            m_studio->window.reset();
        return m_studio->sink.lines().join('\n');
    }
    QString runBatch(const Operation &operation, const QString &user, int &status)
    {
        // The fixture has set TALLYARD_DB for the programs it starts.
        const ProgramRun run(TALLYARD_BIN, withPaths(operation.batch.how).split(' ') + QStringList{"-user", user});
        status = run.status;
        return run.err;
    }
    QString runScript(const Operation &operation, const QString &user)
    {
        std::unique_ptr<TUDbAccess> &access = m_accesses[user];
        if (!access)
            access = m_studio->fixture.open(user);
        DBS_Mediator mediator(access.get());
        TUDbSelectSingleDbClient selector(9, 0, 0, 0);
        selector.setUserName(user);
        DBS_ScriptManager manager(nullptr, &selector, &mediator, false);
        m_studio->sink.clear();
        manager.evaluateScript(withPaths(operation.script.how));
        return m_studio->sink.lines().join('\n');
    }

private slots:
    void initTestCase()
    {
        m_rights = documentedRights();
        m_studio = std::make_unique<Studio>();
        QVERIFY2(m_studio->db && DbTestFixture::makeJob(db()),
                 qPrintable(m_studio->fixture.errorString()));
        for (int type = 0; type < 10; ++type)
            QCOMPARE(db().addUser(QString("u%1").arg(type), "U", "T", QString(), type), 0);
        QVERIFY(QDir().mkpath(scratch("fs2")) && db().dba_AddFileSystem(scratch("fs2")));
        // The package imported holds scene im of job PJ.
        dba_job_struct job = DbTestFixture::newJob("PJ", "E");
        QVERIFY(db().dba_createJob(job) > 0 && db().dba_OpenJob("PJ", job) == 0 && makeScene(job, "im"));
        m_stage = db().dba_GetSceneStages(job).value(1);
        QVERIFY(!m_stage.isEmpty());
        db().dba_CloseJob(job);
        const ProgramRun exported(TALLYARD_BIN, {"-batch", "-export", "-export_env", "E", "-export_job", "PJ", "-export_default",
                                                 "-path", scratch("package"), "-user", "admin"});
        QVERIFY2(exported.status == 0, qPrintable(exported.err));
        TUTYConfirm::setAnswerer([](const TUTYConfirm::Question &) { return QMessageBox::Yes; });
    }
    void cleanupTestCase()
    {
        TUTYConfirm::setAnswerer({});
        if (m_locked.isOpen())
            db().dba_CloseScene(m_locked);
        m_accesses.clear();
        m_studio.reset();
    }

    // A new database holds exactly the README's table, every right of it
    // known and every type of it real.
    void documentedTableIsTheSeededOne()
    {
        QCOMPARE(m_rights.size(), int(DBA_UserOps::PermissionCount));
        for (int type = 0; type < 10; ++type) {
            const std::unique_ptr<TUDbAccess> access = m_studio->fixture.open(QString("u%1").arg(type));
            QVERIFY(access);
            for (int permission = 0; permission < DBA_UserOps::PermissionCount; ++permission) {
                const QString right = DBA_UserOps::permissionName(permission);
                QVERIFY2(m_rights.contains(right), qPrintable(right));
                QVERIFY2(access->hasUserPermission(permission) == m_rights[right].contains(type),
                         qPrintable(right + " for " + DBA_UserOps::userType2QString(type)));
            }
        }
    }

    void matrix_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("path");
        QTest::addColumn<int>("type");
        const auto add = [](int operation, PathKind path, int type) {
            const char *names[] = {"window", "batch", "script"};
            const Operation &op = operations[operation];
            if ((path == Window ? op.window : path == Batch ? op.batch : op.script).how) // else the operation has no such path
                QTest::addRow("%s, %s, %s", op.name, names[path], qPrintable(DBA_UserOps::userType2QString(type)))
                    << operation << int(path) << type;
        };
        // The window rows type by type, so that each type opens one window.
        for (int type = 0; type < 10; ++type) {
            for (int operation = 0; operation < int(std::size(operations)); ++operation)
                add(operation, Window, type);
        }
        for (int operation = 0; operation < int(std::size(operations)); ++operation) {
            for (PathKind path : {Batch, Script}) {
                for (int type = 0; type < 10; ++type)
                    add(operation, path, type);
            }
        }
    }
    void matrix()
    {
        QFETCH(int, operation);
        QFETCH(int, path);
        QFETCH(int, type);
        const Operation &op = operations[operation];
        const Path &how = path == Window ? op.window : path == Batch ? op.batch : op.script;
        if (path == Script && QByteArray(how.how).contains("moveScene") && geteuid() != 0)
            QSKIP("scripts move scenes only in a service run as root");
        // The refusal expected is that of the first right missing.
        const QStringList rights = QString(how.rights ? how.rights : op.rights).split(' ');
        const QStringList refusals = QString(how.refusals).split('|');
        QString refusal;
        for (int i = 0; i < rights.size() && refusal.isNull(); ++i) {
            if (!m_rights.value(rights[i]).contains(type))
                refusal = refusals.value(i, refusals.first());
        }
        const QString user = QString("u%1").arg(type);
        if (path != Window)
            m_studio->window.reset();
        // Put back only after a change, and for the scene checked out by the user who runs.
        if (m_state.isEmpty() || QString(op.selection).contains("=os")) {
            QVERIFY(reset(user));
            m_state = state();
        }
        const QString before = m_state;
        m_state.clear();
        m_dialog = false;
        int status = 0;
        const QString said = path == Window ? runWindow(op, user) : path == Batch ? runBatch(op, user, status) : runScript(op, user);
        if (!refusal.isNull()) {
            QVERIFY2(said.contains(refusal), qPrintable(said));
            QCOMPARE(state(), before);
            QVERIFY(!m_dialog);
            QCOMPARE(status, path == Batch ? 2 : 0);
            m_state = before;
            return;
        }
        QVERIFY2(!said.contains("permission necessary"), qPrintable(said));
        // The dialogs themselves are tested on their own.
        if (!m_dialog)
            QVERIFY2(state() != before, qPrintable(said));
        QCOMPARE(status, 0);
    }
};

int main(int argc, char **argv)
{
    BUIAPP_Application app(argc, argv);
    tst_RightsMatrix test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_rights_matrix.moc"
