#include "DbTestFixture.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
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
        QVERIFY(DbTestFixture::restart(m_fixture, m_db) && DbTestFixture::makeJob(*m_db));
        QCOMPARE(m_db->dba_OpenJob("J", m_db->jobRecord()), 0);
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

QTEST_GUILESS_MAIN(tst_DbRename)
#include "tst_db_rename.moc"
