#include "BUIAPP_Application.h"
#include "DBS_Mediator.h"
#include "DBS_ScriptManager.h"
#include "ProgramRun.h"
#include "Studio.h"
#include "TUTYCommands.h"
#include "TUTYConfirm.h"

#include <QTimer>

// Every operation that changes the hierarchy, through each of its paths
// (window command, batch option, script method), as each of the ten user
// types: refused with the path's own words and nothing changed, or done.
// Who may do what is read from the README's rights table, which must also be
// what a new database holds.
namespace {
enum Path { Window, Batch, Script };

struct Operation {
    const char *name;
    const char *rights;    // README names, all needed
    const char *target;    // "kind:name" whose existence the operation flips
    const char *slot;      // the window's command, run on selection
    const char *selection;
    const char *windowRefusal; // also the batch's, unless batchRefusal says otherwise
    const char *batch;
    const char *batchRefusal;
    const char *script;
    const char *scriptRefusal;
};

#define REFUSED(what, again) "You do not have the permission necessary to " what " --\nplease contact your " \
                             "supervisor or TD to change your user type\nor to " again "\n"
const Operation operations[] = {
    {"create environment", "CreateEnv", "environment:C", "createEnvironment", "", REFUSED("create environments", "delete the scenes"),
     "-create -env C", nullptr, "Tallyard.addEnvironment(new Environment('C'))", REFUSED("create environments", "create the environment")},
    {"delete environment", "ModifyEnv", "environment:D", "deleteEnvironment", "env=D", REFUSED("delete environments", "delete the scenes"),
     "-delete -env D", nullptr, "Tallyard.deleteEnvironment(new Environment('D'))", REFUSED("delete environments", "delete the environment")},
    {"create job", "CreateJob", "job:CJ", "createJob", "env=E", REFUSED("create jobs", "delete the scenes"),
     "-create -env E -job CJ", nullptr, "Tallyard.addJob(new Job('E', 'CJ'))", REFUSED("create jobs", "create the job")},
    {"delete job", "ModifyJob", "job:DJ", "deleteJob", "env=E jobs=DJ", REFUSED("delete jobs", "delete the scenes"),
     "-delete -env E -job DJ", nullptr, "Tallyard.deleteJob(new Job('E', 'DJ'))", REFUSED("delete jobs", "delete the job")},
    {"create scene", "CreateScene", "scene:cs", "createScene", "env=E jobs=J", REFUSED("create scenes", "delete the scenes"),
     "-create -env E -job J -scene cs -filesys /QVX_DB/scenes", nullptr,
     "var s = new Scene('J', 'cs'); s.fileSystem = '/QVX_DB/scenes'; Tallyard.addScene(s)", REFUSED("create scenes", "create the scene")},
    {"delete scene", "ModifyScene", "scene:ds", "deleteScene", "env=E jobs=J scenes=ds", REFUSED("delete scenes", "delete the scenes"),
     "-delete -env E -job J -scene ds", nullptr, "Tallyard.deleteScene(new Scene('J', 'ds'))", REFUSED("delete scenes", "delete the scene")},
    {"rename scene", "ModifyScene RenameScene", "scene:ds", "renameScene", "env=E jobs=J scenes=ds",
     REFUSED("rename a scene", "delete the scenes"), "-rename -env E -job J -scene ds -name rn",
     REFUSED("rename scenes", "rename the scenes"), "Tallyard.renameScene(new Scene('J', 'ds'), 'rn')",
     REFUSED("rename scenes", "rename the scene")},
};
#undef REFUSED

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
    bool m_asked = false;

    TUDbAccess &db() { return *m_studio->db; }
    bool exists(const QString &target)
    {
        const QString kind = target.section(':', 0, 0), name = target.section(':', 1);
        if (kind == "environment") {
            QStringList names;
            db().dba_GetEnvironments(names);
            return names.contains(name);
        }
        dba_job_struct job;
        const bool found = db().dba_OpenJob(kind == "job" ? name : "J", job) == 0
            && (kind == "job" || db().isSceneExists(job, name));
        db().dba_CloseJob(job);
        return found;
    }
    // Puts back what every operation starts from.
    bool reset()
    {
        db().deleteEnv("C");
        db().dba_deleteJob("CJ");
        if (!exists("environment:D"))
            db().createEnv("D", false);
        dba_job_struct extra = DbTestFixture::newJob("DJ", "E");
        if (!exists("job:DJ"))
            db().dba_createJob(extra);
        dba_job_struct job;
        if (db().dba_OpenJob("J", job) != 0)
            return false;
        for (const char *scene : {"cs", "rn"})
            db().dba_deleteScene(job, scene);
        if (!db().isSceneExists(job, "ds"))
            db().dba_CreateScene(job, "ds", QString(), m_studio->fixture.fileSystem(), QString(), 1, -1, 1);
        db().dba_CloseJob(job);
        return exists("environment:D") && exists("job:DJ") && exists("scene:ds") && !exists("scene:rn");
    }

    // What the path said, and whether it went as far as asking or opening a dialog.
    QString runWindow(const Operation &operation, const QString &user)
    {
        m_studio->createWindow(user);
        m_studio->select(operation.selection);
        m_asked = false;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [this] {
            if (QWidget *dialog = QApplication::activeModalWidget()) {
                m_asked = true;
                dialog->close();
            }
        });
        closer.start(10);
        m_studio->sink.clear();
        for (TUTYCommands *set : m_studio->window->findChildren<TUTYCommands *>()) {
            if (set->metaObject()->indexOfSlot(QByteArray(operation.slot) + "()") != -1)
                QMetaObject::invokeMethod(set, operation.slot);
        }
        QTest::qWait(50);
        return m_studio->sink.lines().join('\n');
    }
    QString runBatch(const Operation &operation, const QString &user, int &status)
    {
        QProcessEnvironment env;
        env.insert("TALLYARD_DB", m_studio->fixture.url().toString());
        const ProgramRun run(TALLYARD_BIN, QString(operation.batch).split(' ') + QStringList{"-user", user}, env);
        status = run.status;
        return run.err;
    }
    QString runScript(const Operation &operation, const QString &user)
    {
        const std::unique_ptr<TUDbAccess> access = m_studio->fixture.open(user);
        DBS_Mediator mediator(access.get());
        DBS_ScriptManager manager(nullptr, nullptr, &mediator, false);
        m_studio->sink.clear();
        manager.evaluateScript(operation.script);
        return m_studio->sink.lines().join('\n');
    }

private slots:
    void initTestCase()
    {
        m_rights = documentedRights();
        m_studio = std::make_unique<Studio>();
        QVERIFY2(m_studio->db && DbTestFixture::makeJob(db()), qPrintable(m_studio->fixture.errorString()));
        for (int type = 0; type < 10; ++type)
            QCOMPARE(db().addUser(QString("u%1").arg(type), "U", "T", QString(), type), 0);
        TUTYConfirm::setAnswerer([this](const TUTYConfirm::Question &) {
            m_asked = true;
            return QMessageBox::Yes;
        });
    }
    void cleanupTestCase()
    {
        TUTYConfirm::setAnswerer({});
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
        for (int operation = 0; operation < int(std::size(operations)); ++operation) {
            for (int path : {Window, Batch, Script}) {
                for (int type = 0; type < 10; ++type)
                    QTest::addRow("%s, %s, %s", operations[operation].name, path == Window ? "window" : path == Batch ? "batch" : "script",
                                  qPrintable(DBA_UserOps::userType2QString(type)))
                        << operation << path << type;
            }
        }
    }
    void matrix()
    {
        QFETCH(int, operation);
        QFETCH(int, path);
        QFETCH(int, type);
        const Operation &op = operations[operation];
        bool allowed = true;
        for (const QString &right : QString(op.rights).split(' '))
            allowed = allowed && m_rights.value(right).contains(type);
        QVERIFY(reset());
        m_asked = false;
        const bool before = exists(op.target);
        const QString user = QString("u%1").arg(type);
        int status = 0;
        const QString said = path == Window ? runWindow(op, user) : path == Batch ? runBatch(op, user, status) : runScript(op, user);
        const QString refusal = path == Script ? op.scriptRefusal : path == Batch && op.batchRefusal ? op.batchRefusal : op.windowRefusal;
        QVERIFY2(said.contains(refusal) != allowed, qPrintable(said));
        if (!allowed) {
            QCOMPARE(exists(op.target), before);
            QVERIFY(!m_asked || path != Window);
            QCOMPARE(status, path == Batch ? 2 : 0);
        } else if (path == Window && !QString(op.slot).startsWith("delete")) {
            QVERIFY2(m_asked, "no dialog opened"); // the dialogs themselves are tested on their own
        } else {
            QVERIFY2(exists(op.target) != before, qPrintable(said));
            QCOMPARE(status, 0);
        }
    }
};

int main(int argc, char **argv)
{
    BUIAPP_Application app(argc, argv);
    tst_RightsMatrix test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_rights_matrix.moc"
