#include "DbTestFixture.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "WorkerProcess.h"
#include "oswRemapPath.h"

#include <QDir>
#include <QFileInfo>
#include <QtTest>

namespace {
// Keeps what the rename manager reported, to check the progress shown.
class RecordingFeedback : public DBA_RenameProgressFeedback
{
public:
    void reset() override { ++resets; }
    void show() override { ++shows; }
    void setValue(int value) override { values << value; }
    void setLabel(const QString &text) override { labels << text; }

    int resets = 0, shows = 0;
    QVector<int> values;
    QStringList labels;
};

struct RenameResult
{
    bool ok = false;
    int status = -1;
    QString message, detail;
};

// This program started again as another workstation, working as admin on
// job J: "rename OLD NEW" renames a scene (TALLYARD_FAULT_POINT may stop or
// hold it on the way), "scene NAME", "version NAME" and "checkout NAME" take
// that lock on a scene. Its session open, it says "READY" and waits for a
// line on standard input; then it makes its attempt, says "OK" or
// "REFUSED <code> <text>", and keeps what it won until the next line.
int worker(const QString &action, const QString &scene, const QString &newName)
{
    TUDbAccess db;
    db.dba_Initialize2dSystem("rename-worker");
    if (db.dba_Open2dDatabaseSession() != 0 || !db.setCurrentUser("admin") || db.dba_OpenJob("J", db.jobRecord()) != 0)
        return WorkerProcess::say("ERROR " + db.lastErrorText()), 1;
    WorkerProcess::say("READY");
    WorkerProcess::heard();
    bool ok = false;
    if (action == "rename") {
        DBA_RenameMgr *manager = TUDbAccess::RenameMgr_getInstance(&db);
        QString detail;
        ok = manager->init(nullptr, {scene, "admin"}, &db, true)
            && manager->performRename(&db, newName, DBA_RenameMgr::FirstCall, detail);
    } else if (action == "checkout") {
        ok = db.dba_CheckoutScene(db.jobRecord(), scene, QString());
    } else if (db.dba_OpenScene(scene, db.jobRecord(), db.sceneRecord()) == 0) {
        ok = (action == "scene" ? db.dba_GetSceneLock(db.sceneRecord()) : db.dba_LockSceneVersion(db.sceneRecord(), 1)) == 0;
    }
    WorkerProcess::say(ok ? QStringLiteral("OK") : QStringLiteral("REFUSED %1 %2").arg(db.lastErrorCode()).arg(db.lastErrorText().simplified()));
    WorkerProcess::heard();
    return 0;
}

// A worker of the test as "admin" on job J; with the fault point set, when one is given.
struct Worker : WorkerProcess {
    explicit Worker(const QStringList &arguments, const QString &faultPoint = QString())
        : WorkerProcess(arguments, environment(faultPoint))
    {
    }
    static QProcessEnvironment environment(const QString &faultPoint)
    {
        QProcessEnvironment env;
        env.insert("TALLYARD_FAULT_POINT", faultPoint);
        return env;
    }
    bool ready() { return line() == "READY"; }
    // Opens its session, then makes its attempt.
    bool go() { return ready() && (send(), true); }
};
} // namespace

Q_DECLARE_METATYPE(DBA_RenameMgr::ResponseType)

// Renaming a scene: its record, its folder, the refusals, and the recovery
// of a rename cut short between its steps.
class tst_DbRename : public QObject
{
    Q_OBJECT

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;

    // A scene of job J in folder path (its standard one when empty), with a marker file in it.
    qint64 createScene(const QString &name, const QString &path = QString())
    {
        const QString folder = path.isEmpty() ? standardPath(name) : path;
        if (!m_db->dba_CreateScene(m_db->jobRecord(), name, "admin", m_fixture->fileSystem(), folder, DBA_SceneOps::AddAtBottom, -1, 1)
            || !DbTestFixture::writeFile(local(folder) + "/marker.txt", name.toUtf8()))
            return 0;
        return value("SELECT id FROM scenes WHERE job_id = ? AND name = ?", {m_db->jobRecord().id, name}).toLongLong();
    }
    // Leaves the state a rename of scene id from A to B by user carol has
    // when the process died after step.
    bool crashedRename(qint64 id, int step, bool folderMoved, bool recordRenamed)
    {
        const QString oldPath = standardPath("A"), newPath = standardPath("B");
        return exec("INSERT INTO renames (scene_id, old_name, new_name, old_path, new_path, user_name, step, started) "
                    "VALUES (?, 'A', 'B', ?, ?, 'carol', ?, ?)", {id, oldPath, newPath, step, DBA_Context::now()})
            && (!folderMoved || QDir().rename(local(oldPath), local(newPath)))
            && (!recordRenamed || exec("UPDATE scenes SET name = 'B', path = ? WHERE id = ?", {newPath, id}));
    }
    // The scene's record and folder are name's, and nothing else changed.
    void expectScene(qint64 id, const QString &name, const QString &path = QString(), int journal = 0)
    {
        const QString folder = path.isEmpty() ? standardPath(name) : path;
        QCOMPARE(value("SELECT name FROM scenes WHERE id = ?", {id}).toString(), name);
        QCOMPARE(value("SELECT path FROM scenes WHERE id = ?", {id}).toString(), folder);
        QVERIFY2(QFileInfo(local(folder) + "/marker.txt").isFile(), qPrintable(folder));
        QCOMPARE(value("SELECT COUNT(*) FROM renames").toInt(), journal);
    }
    RenameResult rename(const QString &oldName, const QString &newName, DBA_RenameMgr::ResponseType response,
                        DBA_RenameProgressFeedback *feedback = nullptr)
    {
        RenameResult result;
        DBA_RenameMgr *manager = TUDbAccess::RenameMgr_getInstance(m_db.get());
        if (manager->init(feedback, {oldName, m_db->userName()}, m_db.get(), feedback == nullptr)) {
            result.ok = manager->performRename(m_db.get(), newName, response, result.detail);
            result.status = manager->getErrorCode().get();
        }
        result.message = manager->getErrorMsg();
        TUDbAccess::RenameMgr_releaseInstance(m_db.get());
        return result;
    }
    QString standardPath(const QString &scene) const
    {
        return TUDbAccess::buildStandardScenePath(m_fixture->fileSystem(), "J", scene);
    }
    static QString local(const QString &stored) { return oswRemapPath::RemapPath2(stored); }
    QVariant value(const QString &sql, const QVariantList &values = {}) { return DbTestFixture::value(*m_db, sql, values); }
    bool exec(const QString &sql, const QVariantList &values = {}) { return DbTestFixture::exec(*m_db, sql, values); }
    // A trigger that fails any update of a scene to name; the one place the
    // test needs each backend's own words. Run unprepared: PostgreSQL
    // prepares no DDL, and a function body holds ";".
    bool refuseRecordName(const QString &name)
    {
        QStringList statements;
        if (DbTestFixture::isPostgres())
            statements << "CREATE FUNCTION refuse_name() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION 'refused by test'; END $$ "
                          "LANGUAGE plpgsql"
                       << QStringLiteral("CREATE TRIGGER refuse_name BEFORE UPDATE ON scenes FOR EACH ROW "
                                         "WHEN (NEW.name = '%1') EXECUTE FUNCTION refuse_name()").arg(name);
        else
            statements << QStringLiteral("CREATE TRIGGER refuse_name BEFORE UPDATE ON scenes WHEN NEW.name = '%1' "
                                         "BEGIN SELECT RAISE(ABORT, 'refused by test'); END").arg(name);
        QSqlQuery query(m_db->context().connection.database());
        for (const QString &statement : statements) {
            if (!query.exec(statement))
                return qWarning("%s", qPrintable(query.lastError().text())), false;
        }
        return true;
    }

private slots:
    void init()
    {
        QVERIFY(DbTestFixture::restartWithJob(m_fixture, m_db));
    }

    void renamesRecordAndStandardFolder()
    {
        const qint64 id = createScene("A");
        QVERIFY(id > 0 && createScene("Other") > 0);
        RecordingFeedback feedback;
        const RenameResult result = rename("A", "B", DBA_RenameMgr::FirstCall, &feedback);
        QVERIFY2(result.ok && result.status == 0 && result.message.isEmpty() && m_db->lastErrorCode() == 0, qPrintable(result.message));
        expectScene(id, "B");
        QVERIFY(!QFileInfo::exists(local(standardPath("A"))));
        QCOMPARE(m_db->buildScenesList(m_db->jobRecord()), QStringList({"B", "Other"}));
        QCOMPARE(m_db->jobRecord().scene().data(0, DBC_Table::Name).toString(), "B");

        QVERIFY(feedback.resets == 1 && feedback.shows == 1 && !feedback.labels.isEmpty() && feedback.values.last() == 100);
        for (int i = 1; i < feedback.values.size(); ++i)
            QVERIFY(feedback.values[i] > feedback.values[i - 1]);
    }

    // Only a folder named as the standard one for the old name moves.
    void folderOffThePatternIsLeftAlone()
    {
        for (const char *folder : {"shots/a01", "scene-AB", "Scene-A", "A"}) {
            QVERIFY(exec("DELETE FROM scenes"));
            const QString path = m_fixture->fileSystem() + "/J/" + folder;
            const qint64 id = createScene("A", path);
            const RenameResult result = rename("A", "B", DBA_RenameMgr::FirstCall);
            QVERIFY2(id > 0 && result.ok, qPrintable(result.message));
            expectScene(id, "B", path);
            QVERIFY2(!QFileInfo::exists(local(standardPath("B"))), folder);
        }
    }

    void refusalsChangeNothing_data()
    {
        QTest::addColumn<QString>("newName");
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<int>("code");
        const int badName = DBA_Context::BadName, exists = DBA_Context::AlreadyExists, locked = DBA_Context::Locked;
        QTest::newRow("empty name") << QString() << QString() << badName;
        QTest::newRow("too long") << QString(25, 'x') << QString() << badName;
        QTest::newRow("slash") << "a/b" << QString() << badName;
        QTest::newRow("name of another scene") << "Other" << QString() << exists;
        QTest::newRow("its own name") << "A" << QString() << exists;
        QTest::newRow("target folder exists") << "B" << "folder" << exists;
        QTest::newRow("scene lock") << "B" << "scene" << locked;
        QTest::newRow("stage lock") << "B" << "stage" << locked;
        QTest::newRow("checked out") << "B" << "checkout" << locked;
        QTest::newRow("no permission") << "B" << "user" << int(DBA_Context::Refused);
    }
    void refusalsChangeNothing()
    {
        QFETCH(QString, newName);
        QFETCH(QString, obstacle);
        QFETCH(int, code);
        const qint64 id = createScene("A");
        QVERIFY(id > 0 && createScene("Other") > 0);
        if (obstacle == "scene" || obstacle == "stage")
            QVERIFY(exec("INSERT INTO locks (kind, lock_key, user_name, host, application, pid, taken) "
                         "VALUES (?, ?, 'someone', 'elsewhere', 'editor', 1, 0)", {obstacle, QString::number(id)}));
        else if (obstacle == "checkout")
            QVERIFY(exec("UPDATE scenes SET checked_out = 1, checkout_user = 'admin' WHERE id = ?", {id}));
        else if (obstacle == "folder")
            QVERIFY(QDir().mkpath(local(standardPath(newName))));
        else if (obstacle == "user")
            QVERIFY(m_db->addUser("ink", QString(), QString(), QString(), DBA_UserOps::INK_PAINT) == 0 && m_db->setCurrentUser("ink"));

        const QString target = local(standardPath(newName));
        const bool targetExisted = QFileInfo::exists(target);
        const RenameResult result = rename("A", newName, DBA_RenameMgr::FirstCall);
        QVERIFY(!result.ok && !result.message.isEmpty() && result.status == DBA_RenameMgr::StatusCode::Refused);
        QCOMPARE(m_db->lastErrorCode(), code);
        QCOMPARE(m_db->lastErrorText(), result.message);
        expectScene(id, "A");
        QCOMPARE(QFileInfo::exists(target), targetExisted);
    }

    void failuresPutEverythingBack()
    {
        // No such scene; the database refuses the new name only when the
        // record is written, after the journal and the folder move.
        RenameResult result = rename("Nope", "B", DBA_RenameMgr::FirstCall);
        QVERIFY(!result.ok && m_db->lastErrorCode() == DBA_Context::NotFound && result.status == DBA_RenameMgr::StatusCode::Failed);
        const qint64 id = createScene("A");
        QVERIFY(id > 0 && refuseRecordName("Boom"));
        result = rename("A", "Boom", DBA_RenameMgr::FirstCall);
        QVERIFY2(!result.ok && result.status == DBA_RenameMgr::StatusCode::Failed && result.message.contains("refused by test"),
                 qPrintable(result.message));
        QCOMPARE(m_db->lastErrorText(), result.message);
        expectScene(id, "A");
        QVERIFY(!QFileInfo::exists(local(standardPath("Boom"))));

        // With neither a job nor a scene open there is nothing to rename in.
        m_db->dba_CloseJob(m_db->jobRecord());
        result = rename("A", "B", DBA_RenameMgr::FirstCall);
        QVERIFY(!result.ok && result.message.contains("No job is open") && result.status == DBA_RenameMgr::StatusCode::Failed);
        expectScene(id, "A");
    }

    void jobOfTheOpenSceneIsUsedWhenNoJobIsOpen()
    {
        const qint64 id = createScene("A");
        QVERIFY(id > 0 && m_db->dba_OpenScene("A", m_db->jobRecord(), m_db->sceneRecord()) == 0);
        m_db->sceneData().setScene(m_db->sceneRecord());
        m_db->dba_CloseJob(m_db->jobRecord());

        const RenameResult result = rename("A", "B", DBA_RenameMgr::FirstCall);
        QVERIFY2(result.ok, qPrintable(result.message));
        expectScene(id, "B");
        QVERIFY(!m_db->jobRecord().isOpen());
        // What the access holds of the scene follows the rename.
        QCOMPARE(QStringList({m_db->sceneRecord().name, m_db->sceneRecord().path, m_db->sceneData().sceneName(), m_db->sceneData().sceneDir()}),
                 QStringList({"B", standardPath("B"), "B", standardPath("B")}));
    }

    // A journal row as a crash after each step leaves it, answered in each mode.
    void unfinishedRenameIsRecovered_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("folderMoved");
        QTest::addColumn<bool>("recordRenamed");
        QTest::addColumn<DBA_RenameMgr::ResponseType>("response");
        const struct { const char *name; int step; bool folderMoved, recordRenamed; } crashes[] = {
            {"after journal", 0, false, false},
            {"after folder, before its step", 0, true, false},
            {"after folder", 1, true, false},
            {"after record", 2, true, true},
        };
        const std::pair<const char *, DBA_RenameMgr::ResponseType> responses[] = {
            {"first call", DBA_RenameMgr::FirstCall}, {"continue", DBA_RenameMgr::Continue}, {"undo", DBA_RenameMgr::Undo}};
        for (const auto &crash : crashes) {
            for (const auto &response : responses)
                QTest::addRow("%s, %s", crash.name, response.first)
                    << crash.step << crash.folderMoved << crash.recordRenamed << response.second;
        }
    }
    void unfinishedRenameIsRecovered()
    {
        QFETCH(int, step);
        QFETCH(bool, folderMoved);
        QFETCH(bool, recordRenamed);
        QFETCH(DBA_RenameMgr::ResponseType, response);
        const qint64 id = createScene("A");
        QVERIFY(id > 0 && crashedRename(id, step, folderMoved, recordRenamed));

        // The caller knows the scene by its old name.
        const RenameResult result = rename("A", "C", response);
        if (response == DBA_RenameMgr::FirstCall) {
            QVERIFY(!result.ok && result.message.contains("carol") && result.detail == "carol");
            QCOMPARE(result.status, int(DBA_RenameMgr::StatusCode::EarlierRenameUnfinished));
            QCOMPARE(value("SELECT COUNT(*) FROM renames WHERE scene_id = ? AND step = ?", {id, step}).toInt(), 1);
            QCOMPARE(value("SELECT name FROM scenes WHERE id = ?", {id}).toString(), recordRenamed ? "B" : "A");
            QVERIFY(QFileInfo(local(standardPath(folderMoved ? "B" : "A")) + "/marker.txt").isFile());
            return;
        }
        QVERIFY2(result.ok && result.status == 0, qPrintable(result.message));
        const QString name = response == DBA_RenameMgr::Continue ? "B" : "C";
        expectScene(id, name);
        for (const char *other : {"A", "B", "C"}) {
            if (other != name)
                QVERIFY2(!QFileInfo::exists(local(standardPath(other))), other);
        }
    }

    // Continue needs the new name B; undo needs the old name A back.
    void recoveryIsRefusedWhenTheNameWasTakenMeanwhile()
    {
        for (const DBA_RenameMgr::ResponseType response : {DBA_RenameMgr::Continue, DBA_RenameMgr::Undo}) {
            const bool undo = response == DBA_RenameMgr::Undo;
            QVERIFY(exec("DELETE FROM renames") && exec("DELETE FROM scenes"));
            QVERIFY(QDir(local(m_fixture->fileSystem() + "/J")).removeRecursively());
            const qint64 id = createScene("A");
            QVERIFY(id > 0 && crashedRename(id, undo ? 2 : 0, undo, undo));
            // Made after the crash, in a folder of its own.
            const QString taken = undo ? "A" : "B";
            QVERIFY(createScene(taken, m_fixture->fileSystem() + "/J/elsewhere-" + taken) > 0);

            const RenameResult result = rename(undo ? "B" : "A", "C", response);
            QVERIFY(!result.ok && result.status == DBA_RenameMgr::StatusCode::Refused);
            QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::AlreadyExists));
            expectScene(id, undo ? "B" : "A", QString(), 1);
        }
    }

    // A rename and a lock of another process never both win: a lock taken
    // first refuses the rename; a rename begun first refuses the lock, which
    // waits while the rename's journal is being written.
    void renameAndLockNeverBothWin_data()
    {
        QTest::addColumn<QString>("lock");
        QTest::addColumn<QString>("renamePause"); // empty: the lock comes first
        for (const char *lock : {"scene", "version", "checkout"}) {
            QTest::addRow("%s lock first", lock) << lock << QString();
            QTest::addRow("%s while journaling", lock) << lock << "rename-journal-written";
            QTest::addRow("%s mid-way", lock) << lock << "rename-folder-moved";
        }
    }
    void renameAndLockNeverBothWin()
    {
        QFETCH(QString, lock);
        QFETCH(QString, renamePause);
        const qint64 id = createScene("A");
        QVERIFY(id > 0);
        const QString go = m_fixture->scratch() + "/go";
        if (renamePause.isEmpty()) {
            Worker locker({lock, "A"});
            QVERIFY(locker.go());
            QCOMPARE(locker.line(), "OK");
            Worker renamer({"rename", "A", "B"});
            QVERIFY(renamer.go());
            QCOMPARE(renamer.line().section(' ', 0, 1), QStringLiteral("REFUSED %1").arg(DBA_Context::Locked));
            expectScene(id, "A");
            return;
        }
        // Both sessions are open before the rename holds anything.
        Worker renamer({"rename", "A", "B"}, renamePause + ":pause=" + go);
        Worker locker({lock, "A"});
        QVERIFY(locker.ready() && renamer.go() && WorkerProcess::reached(go));
        locker.send();
        const bool journaling = renamePause == "rename-journal-written";
        if (journaling) {
            // Its check and its journal are one: the lock waits for both.
            QCOMPARE(locker.line(1000), QString());
        } else {
            const QString answer = locker.line();
            QVERIFY2(answer.startsWith(QStringLiteral("REFUSED %1 ").arg(DBA_Context::Locked)), qPrintable(answer));
        }
        QVERIFY(DbTestFixture::writeFile(go));
        QCOMPARE(renamer.line(), "OK");
        // Whatever the lock did after the rename ended, the rename is whole.
        if (journaling)
            locker.line();
        QCOMPARE(value("SELECT name FROM scenes WHERE id = ?", {id}).toString(), "B");
        QVERIFY(QFileInfo(local(standardPath("B")) + "/marker.txt").isFile());
    }

    // A rename killed after any step holds its scene until a continue or an
    // undo, which then leaves the scene whole under one name.
    void killedRenameIsContinuedOrUndone_data()
    {
        QTest::addColumn<QString>("point");
        QTest::addColumn<DBA_RenameMgr::ResponseType>("response");
        for (const char *point : {"rename-journal-written", "rename-journaled", "rename-folder-moved", "rename-step-recorded"}) {
            QTest::addRow("%s, continue", point) << point << DBA_RenameMgr::Continue;
            QTest::addRow("%s, undo", point) << point << DBA_RenameMgr::Undo;
        }
    }
    void killedRenameIsContinuedOrUndone()
    {
        QFETCH(QString, point);
        QFETCH(DBA_RenameMgr::ResponseType, response);
        const qint64 id = createScene("A");
        QVERIFY(id > 0);
        Worker renamer({"rename", "A", "B"}, point + ":die");
        QVERIFY(renamer.go() && renamer.killed());
        // Killed inside the journal's transaction, nothing was written.
        const bool journaled = point != "rename-journal-written";
        QVector<DBA_UnfinishedRename> unfinished;
        QVERIFY(DBA_RenameMgr::unfinishedRenames(m_db.get(), unfinished));
        QCOMPARE(unfinished.size(), int(journaled));
        QVERIFY(unfinished.isEmpty() || (unfinished[0].oldName == "A" && unfinished[0].newName == "B" && unfinished[0].running));
        // The journal keeps the scene from everyone meanwhile.
        QCOMPARE(m_db->dba_OpenScene("A", m_db->jobRecord(), m_db->sceneRecord()), 0);
        QCOMPARE(m_db->dba_GetSceneLock(m_db->sceneRecord()), journaled ? 1 : 0);
        m_db->dba_CloseScene(m_db->sceneRecord());

        // The dead process's session stops pulsing.
        QVERIFY(exec("UPDATE sessions SET last_pulse = 0 WHERE pid = ?", {renamer.pid()}));
        const RenameResult result = rename("A", "C", response);
        QVERIFY2(result.ok, qPrintable(result.message));
        expectScene(id, journaled && response == DBA_RenameMgr::Continue ? "B" : "C");
        QCOMPARE(value("SELECT COUNT(*) FROM locks").toInt(), 0);
        for (const char *other : {"A", "B", "C"}) {
            if (value("SELECT name FROM scenes WHERE id = ?", {id}).toString() != other)
                QVERIFY2(!QFileInfo::exists(local(standardPath(other))), other);
        }
    }

    // Another session's rename at work is its own: no one continues or undoes it.
    void recoveryIsRefusedWhileTheRenameLives()
    {
        const qint64 id = createScene("A");
        QVERIFY(id > 0);
        const QString go = m_fixture->scratch() + "/go";
        Worker renamer({"rename", "A", "B"}, "rename-folder-moved:pause=" + go);
        QVERIFY(renamer.go() && WorkerProcess::reached(go));
        for (const DBA_RenameMgr::ResponseType response : {DBA_RenameMgr::Continue, DBA_RenameMgr::Undo}) {
            const RenameResult result = rename("A", "C", response);
            QVERIFY2(!result.ok && result.message.contains("being renamed by admin"), qPrintable(result.message));
            QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::Locked));
        }
        QVERIFY(DbTestFixture::writeFile(go));
        QCOMPARE(renamer.line(), "OK");
        expectScene(id, "B");
    }

    // The folders of an unfinished rename are its own: a new scene does not
    // adopt one, and an undo does not move one that a scene's record names.
    void foldersOfOtherScenesAreNeverTaken()
    {
        const qint64 id = createScene("A");
        QVERIFY(id > 0 && crashedRename(id, 0, true, false));
        QVERIFY(!m_db->dba_CreateScene(m_db->jobRecord(), "B", "admin", m_fixture->fileSystem(), standardPath("B"),
                                       DBA_SceneOps::AddAtBottom, -1, 1));
        QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::Refused));
        // A scene recorded on the old folder, as an older version could leave it.
        QVERIFY(exec("INSERT INTO scenes (job_id, name, sort_order, path, created) VALUES (?, 'X', 9, ?, 0)",
                     {m_db->jobRecord().id, standardPath("A")}));
        const RenameResult result = rename("A", "C", DBA_RenameMgr::Undo);
        QVERIFY2(!result.ok && result.status == DBA_RenameMgr::StatusCode::Refused, qPrintable(result.message));
        QVERIFY(QFileInfo(local(standardPath("B")) + "/marker.txt").isFile() && !QFileInfo::exists(local(standardPath("A"))));
        QCOMPARE(value("SELECT COUNT(*) FROM renames").toInt(), 1);
    }

    void managerIsOnePerAccessAndKeepsItsLastOutcome()
    {
        std::unique_ptr<TUDbAccess> other = m_fixture->open();
        DBA_RenameMgr *mine = TUDbAccess::RenameMgr_getInstance(m_db.get());
        DBA_RenameMgr *theirs = TUDbAccess::RenameMgr_getInstance(other.get());
        QVERIFY(other && TUDbAccess::RenameMgr_getInstance(m_db.get()) == mine && theirs != mine);
        // A manager works only for its own access.
        QVERIFY(!mine->init(nullptr, {"A", "admin"}, other.get(), true) && mine->getErrorCode().get() == DBA_RenameMgr::StatusCode::Failed);
        QVERIFY(createScene("A") > 0 && mine->init(nullptr, {"A", "admin"}, m_db.get(), true));
        QVERIFY(mine->getErrorCode().get() == 0 && mine->getErrorMsg().isEmpty());
        QString detail;
        QVERIFY(!mine->performRename(m_db.get(), "bad name", DBA_RenameMgr::Undo, detail));
        QVERIFY(mine->getErrorCode().get() == DBA_RenameMgr::StatusCode::Refused && mine->getErrorMsg().contains("bad name"));
        QVERIFY(theirs->getErrorCode().get() == 0 && theirs->getErrorMsg().isEmpty());
        QVERIFY(!mine->performRename(other.get(), "B", DBA_RenameMgr::Undo, detail));
        QCOMPARE(mine->getErrorCode().get(), int(DBA_RenameMgr::StatusCode::Failed));
        QVERIFY(mine->performRename(m_db.get(), "B", DBA_RenameMgr::Undo, detail));
        QVERIFY(mine->getErrorCode().get() == 0 && mine->getErrorMsg().isEmpty());
        TUDbAccess::RenameMgr_releaseInstance(m_db.get());
        TUDbAccess::RenameMgr_releaseInstance(other.get());
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args[1] == "--worker")
        return worker(args[2], args[3], args.value(4));
    tst_DbRename test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_db_rename.moc"
