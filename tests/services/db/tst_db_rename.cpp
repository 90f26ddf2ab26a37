#include "DbTestFixture.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "oswRemapPath.h"

#include <QDir>
#include <QFile>
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

    int resets = 0;
    int shows = 0;
    QVector<int> values;
    QStringList labels;
};

struct RenameResult
{
    bool ok = false;
    int status = -1;
    QString message;
    QString detail;
};
} // namespace

Q_DECLARE_METATYPE(DBA_RenameMgr::ResponseType)

// Renaming a scene: its record, its folder, the refusals, and the recovery
// of a rename cut short between its steps.
class tst_DbRename : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_fixture = std::make_unique<DbTestFixture>();
        m_db = m_fixture->open();
        QVERIFY2(m_db, qPrintable(m_fixture->errorString()));
        QVERIFY(m_db->createEnv(QStringLiteral("E"), false) != 0);
        dba_job_struct job;
        job.name = QStringLiteral("J");
        job.environment = QStringLiteral("E");
        job.creationFlag = 1;
        QVERIFY(m_db->dba_createJob(job) > 0);
        QCOMPARE(m_db->dba_OpenJob(QStringLiteral("J"), m_db->jobRecord()), 0);
    }
    void cleanup()
    {
        m_db.reset();
        m_fixture.reset();
    }

    void renamesRecordAndStandardFolder()
    {
        const qint64 id = createScene(QStringLiteral("A"));
        QVERIFY(id > 0);
        QVERIFY(createScene(QStringLiteral("Other")) > 0);
        RecordingFeedback feedback;
        const RenameResult result = rename(QStringLiteral("A"), QStringLiteral("B"), DBA_RenameMgr::FirstCall, &feedback);
        QVERIFY2(result.ok, qPrintable(result.message));
        QCOMPARE(result.status, 0);
        QVERIFY(result.message.isEmpty());
        QCOMPARE(m_db->lastErrorCode(), 0);

        QCOMPARE(sceneName(id), QStringLiteral("B"));
        QCOMPARE(scenePath(id), standardPath(QStringLiteral("B")));
        QVERIFY(hasMarker(standardPath(QStringLiteral("B"))));
        QVERIFY(!QFileInfo::exists(local(standardPath(QStringLiteral("A")))));
        QCOMPARE(journalRows(), 0);
        QCOMPARE(m_db->buildScenesList(m_db->jobRecord()), QStringList({QStringLiteral("B"), QStringLiteral("Other")}));
        QCOMPARE(m_db->jobRecord().scene().data(0, DBC_Table::Name).toString(), QStringLiteral("B"));

        QCOMPARE(feedback.resets, 1);
        QCOMPARE(feedback.shows, 1);
        QVERIFY(!feedback.labels.isEmpty());
        QCOMPARE(feedback.values.last(), 100);
        for (int i = 1; i < feedback.values.size(); ++i)
            QVERIFY(feedback.values[i] > feedback.values[i - 1]);
    }

    void folderOffThePatternIsLeftAlone_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("custom") << QStringLiteral("shots/a01");
        QTest::newRow("longer name") << QStringLiteral("scene-AB");
        QTest::newRow("other case") << QStringLiteral("Scene-A");
        QTest::newRow("no prefix") << QStringLiteral("A");
    }
    void folderOffThePatternIsLeftAlone()
    {
        QFETCH(QString, folder);
        const QString path = m_fixture->fileSystem() + QStringLiteral("/J/") + folder;
        const qint64 id = createScene(QStringLiteral("A"), path);
        QVERIFY(id > 0);
        const RenameResult result = rename(QStringLiteral("A"), QStringLiteral("B"), DBA_RenameMgr::FirstCall);
        QVERIFY2(result.ok, qPrintable(result.message));
        QCOMPARE(sceneName(id), QStringLiteral("B"));
        QCOMPARE(scenePath(id), path);
        QVERIFY(hasMarker(path));
        QVERIFY(!QFileInfo::exists(local(standardPath(QStringLiteral("B")))));
        QCOMPARE(journalRows(), 0);
    }

    void refusalsChangeNothing_data()
    {
        QTest::addColumn<QString>("newName");
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<int>("code");
        QTest::newRow("blank in name") << QStringLiteral("two words") << QString() << int(DBA_Context::BadName);
        QTest::newRow("empty name") << QString() << QString() << int(DBA_Context::BadName);
        QTest::newRow("too long") << QString(25, QLatin1Char('x')) << QString() << int(DBA_Context::BadName);
        QTest::newRow("slash") << QStringLiteral("a/b") << QString() << int(DBA_Context::BadName);
        QTest::newRow("name of another scene") << QStringLiteral("Other") << QString() << int(DBA_Context::AlreadyExists);
        QTest::newRow("its own name") << QStringLiteral("A") << QString() << int(DBA_Context::AlreadyExists);
        QTest::newRow("target folder exists") << QStringLiteral("B") << QStringLiteral("folder") << int(DBA_Context::AlreadyExists);
        QTest::newRow("scene lock") << QStringLiteral("B") << QStringLiteral("scene") << int(DBA_Context::Locked);
        QTest::newRow("stage lock") << QStringLiteral("B") << QStringLiteral("stage") << int(DBA_Context::Locked);
        QTest::newRow("checked out") << QStringLiteral("B") << QStringLiteral("checkout") << int(DBA_Context::Locked);
        QTest::newRow("no permission") << QStringLiteral("B") << QStringLiteral("user") << int(DBA_Context::Refused);
    }
    void refusalsChangeNothing()
    {
        QFETCH(QString, newName);
        QFETCH(QString, obstacle);
        QFETCH(int, code);
        const qint64 id = createScene(QStringLiteral("A"));
        QVERIFY(id > 0);
        QVERIFY(createScene(QStringLiteral("Other")) > 0);
        if (obstacle == QLatin1String("scene") || obstacle == QLatin1String("stage"))
            QVERIFY(insertLock(obstacle, id));
        else if (obstacle == QLatin1String("checkout"))
            QVERIFY(exec(QStringLiteral("UPDATE scenes SET checked_out = 1, checkout_user = 'admin' WHERE id = ?"), {id}));
        else if (obstacle == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(local(standardPath(newName))));
        else if (obstacle == QLatin1String("user")) {
            QCOMPARE(m_db->addUser(QStringLiteral("ink"), QString(), QString(), QString(), DBA_UserOps::INK_PAINT), 0);
            QVERIFY(m_db->setCurrentUser(QStringLiteral("ink")));
        }

        const QString target = local(standardPath(newName));
        const bool targetExisted = QFileInfo::exists(target);
        const RenameResult result = rename(QStringLiteral("A"), newName, DBA_RenameMgr::FirstCall);
        QVERIFY(!result.ok);
        QCOMPARE(result.status, int(DBA_RenameMgr::StatusCode::Refused));
        QVERIFY(!result.message.isEmpty());
        QCOMPARE(m_db->lastErrorCode(), code);
        QCOMPARE(m_db->lastErrorText(), result.message);

        QCOMPARE(sceneName(id), QStringLiteral("A"));
        QCOMPARE(scenePath(id), standardPath(QStringLiteral("A")));
        QVERIFY(hasMarker(standardPath(QStringLiteral("A"))));
        QCOMPARE(journalRows(), 0);
        QCOMPARE(QFileInfo::exists(target), targetExisted);
    }

    void failureAfterTheFolderMovedPutsItBack()
    {
        const qint64 id = createScene(QStringLiteral("A"));
        QVERIFY(id > 0);
        // The database refuses the record's new name only when it is written,
        // after the journal and the folder move.
        QVERIFY(refuseRecordName(QStringLiteral("Boom")));
        const RenameResult result = rename(QStringLiteral("A"), QStringLiteral("Boom"), DBA_RenameMgr::FirstCall);
        QVERIFY(!result.ok);
        QCOMPARE(result.status, int(DBA_RenameMgr::StatusCode::Failed));
        QVERIFY2(result.message.contains(QStringLiteral("refused by test")), qPrintable(result.message));
        QCOMPARE(m_db->lastErrorText(), result.message);
        QCOMPARE(sceneName(id), QStringLiteral("A"));
        QCOMPARE(scenePath(id), standardPath(QStringLiteral("A")));
        QVERIFY(hasMarker(standardPath(QStringLiteral("A"))));
        QVERIFY(!QFileInfo::exists(local(standardPath(QStringLiteral("Boom")))));
        QCOMPARE(journalRows(), 0);
    }

    void missingSceneOrJobFails()
    {
        RenameResult result = rename(QStringLiteral("Nope"), QStringLiteral("B"), DBA_RenameMgr::FirstCall);
        QVERIFY(!result.ok);
        QCOMPARE(result.status, int(DBA_RenameMgr::StatusCode::Failed));
        QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::NotFound));

        QVERIFY(createScene(QStringLiteral("A")) > 0);
        m_db->dba_CloseJob(m_db->jobRecord());
        result = rename(QStringLiteral("A"), QStringLiteral("B"), DBA_RenameMgr::FirstCall);
        QVERIFY(!result.ok);
        QCOMPARE(result.status, int(DBA_RenameMgr::StatusCode::Failed));
        QVERIFY(result.message.contains(QStringLiteral("No job is open")));
        QVERIFY(m_db->isSceneExists(jobByName(), QStringLiteral("A")));
    }

    void jobOfTheOpenSceneIsUsedWhenNoJobIsOpen()
    {
        const qint64 id = createScene(QStringLiteral("A"));
        QVERIFY(id > 0);
        QCOMPARE(m_db->dba_OpenScene(QStringLiteral("A"), m_db->jobRecord(), m_db->sceneRecord()), 0);
        m_db->sceneData().setScene(m_db->sceneRecord());
        m_db->dba_CloseJob(m_db->jobRecord());

        const RenameResult result = rename(QStringLiteral("A"), QStringLiteral("B"), DBA_RenameMgr::FirstCall);
        QVERIFY2(result.ok, qPrintable(result.message));
        QCOMPARE(sceneName(id), QStringLiteral("B"));
        QVERIFY(!m_db->jobRecord().isOpen());
        // What the access holds of the scene follows the rename.
        QCOMPARE(m_db->sceneRecord().name, QStringLiteral("B"));
        QCOMPARE(m_db->sceneRecord().path, standardPath(QStringLiteral("B")));
        QCOMPARE(m_db->sceneData().sceneName(), QStringLiteral("B"));
        QCOMPARE(m_db->sceneData().sceneDir(), standardPath(QStringLiteral("B")));
    }

    // A journal row as a crash after each step leaves it, answered in each mode.
    void unfinishedRenameIsRecovered_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("folderMoved");
        QTest::addColumn<bool>("recordRenamed");
        QTest::addColumn<DBA_RenameMgr::ResponseType>("response");
        const struct {
            const char *name;
            int step;
            bool folderMoved, recordRenamed;
        } crashes[] = {
            {"after journal", 0, false, false},
            {"after folder, before its step", 0, true, false},
            {"after folder", 1, true, false},
            {"after record", 2, true, true},
        };
        const struct {
            const char *name;
            DBA_RenameMgr::ResponseType response;
        } responses[] = {
            {"first call", DBA_RenameMgr::FirstCall},
            {"continue", DBA_RenameMgr::Continue},
            {"undo", DBA_RenameMgr::Undo},
        };
        for (const auto &crash : crashes) {
            for (const auto &response : responses) {
                QTest::addRow("%s, %s", crash.name, response.name)
                    << crash.step << crash.folderMoved << crash.recordRenamed << response.response;
            }
        }
    }
    void unfinishedRenameIsRecovered()
    {
        QFETCH(int, step);
        QFETCH(bool, folderMoved);
        QFETCH(bool, recordRenamed);
        QFETCH(DBA_RenameMgr::ResponseType, response);
        const qint64 id = createScene(QStringLiteral("A"));
        QVERIFY(id > 0);
        QVERIFY(crashedRename(id, step, folderMoved, recordRenamed));
        const QString crashedName = recordRenamed ? QStringLiteral("B") : QStringLiteral("A");
        const QString crashedFolder = standardPath(folderMoved ? QStringLiteral("B") : QStringLiteral("A"));

        // The caller knows the scene by its old name.
        const RenameResult result = rename(QStringLiteral("A"), QStringLiteral("C"), response);
        switch (response) {
        case DBA_RenameMgr::FirstCall:
            QVERIFY(!result.ok);
            QCOMPARE(result.status, int(DBA_RenameMgr::StatusCode::EarlierRenameUnfinished));
            QCOMPARE(result.detail, QStringLiteral("carol"));
            QVERIFY(result.message.contains(QStringLiteral("carol")));
            QCOMPARE(journalRows(), 1);
            QCOMPARE(journalStep(id), step);
            QCOMPARE(sceneName(id), crashedName);
            QVERIFY(hasMarker(crashedFolder));
            return;
        case DBA_RenameMgr::Continue:
            QVERIFY2(result.ok, qPrintable(result.message));
            expectRenamed(id, QStringLiteral("B"));
            break;
        case DBA_RenameMgr::Undo:
            QVERIFY2(result.ok, qPrintable(result.message));
            expectRenamed(id, QStringLiteral("C"));
            break;
        }
        QCOMPARE(result.status, 0);
        QCOMPARE(journalRows(), 0);
        for (const char *name : {"A", "B", "C"}) {
            const QString folder = standardPath(QLatin1String(name));
            if (folder != scenePath(id))
                QVERIFY2(!QFileInfo::exists(local(folder)), qPrintable(folder));
        }
    }

    void recoveryIsRefusedWhenTheNameWasTakenMeanwhile_data()
    {
        QTest::addColumn<DBA_RenameMgr::ResponseType>("response");
        QTest::addColumn<bool>("recordRenamed");
        QTest::addColumn<QString>("taken");
        // Continue needs the new name B; undo needs the old name A back.
        QTest::newRow("continue to a taken new name") << DBA_RenameMgr::Continue << false << QStringLiteral("B");
        QTest::newRow("undo to a taken old name") << DBA_RenameMgr::Undo << true << QStringLiteral("A");
    }
    void recoveryIsRefusedWhenTheNameWasTakenMeanwhile()
    {
        QFETCH(DBA_RenameMgr::ResponseType, response);
        QFETCH(bool, recordRenamed);
        QFETCH(QString, taken);
        const qint64 id = createScene(QStringLiteral("A"));
        QVERIFY(id > 0);
        QVERIFY(crashedRename(id, recordRenamed ? 2 : 0, recordRenamed, recordRenamed));
        // Made after the crash, in a folder of its own.
        QVERIFY(createScene(taken, m_fixture->fileSystem() + QStringLiteral("/J/elsewhere-") + taken) > 0);
        const QString nameBefore = sceneName(id);
        const QString folderBefore = scenePath(id);

        const RenameResult result = rename(nameBefore, QStringLiteral("C"), response);
        QVERIFY(!result.ok);
        QCOMPARE(result.status, int(DBA_RenameMgr::StatusCode::Refused));
        QCOMPARE(m_db->lastErrorCode(), int(DBA_Context::AlreadyExists));
        QCOMPARE(journalRows(), 1);
        QCOMPARE(sceneName(id), nameBefore);
        QCOMPARE(scenePath(id), folderBefore);
        QVERIFY(hasMarker(folderBefore));
    }

    void managerIsOnePerAccessAndKeepsItsLastOutcome()
    {
        std::unique_ptr<TUDbAccess> other = m_fixture->open();
        QVERIFY(other);
        DBA_RenameMgr *mine = TUDbAccess::RenameMgr_getInstance(m_db.get());
        QCOMPARE(TUDbAccess::RenameMgr_getInstance(m_db.get()), mine);
        DBA_RenameMgr *theirs = TUDbAccess::RenameMgr_getInstance(other.get());
        QVERIFY(theirs != mine);

        QVERIFY(!mine->init(nullptr, {QStringLiteral("A"), QStringLiteral("admin")}, other.get(), true));
        QCOMPARE(mine->getErrorCode().get(), int(DBA_RenameMgr::StatusCode::Failed));

        QVERIFY(createScene(QStringLiteral("A")) > 0);
        QVERIFY(mine->init(nullptr, {QStringLiteral("A"), QStringLiteral("admin")}, m_db.get(), true));
        QCOMPARE(mine->getErrorCode().get(), 0);
        QVERIFY(mine->getErrorMsg().isEmpty());
        QString detail;
        QVERIFY(!mine->performRename(m_db.get(), QStringLiteral("bad name"), DBA_RenameMgr::Undo, detail));
        QCOMPARE(mine->getErrorCode().get(), int(DBA_RenameMgr::StatusCode::Refused));
        QVERIFY(mine->getErrorMsg().contains(QStringLiteral("bad name")));
        // Another access's manager is untouched by it.
        QCOMPARE(theirs->getErrorCode().get(), 0);
        QVERIFY(theirs->getErrorMsg().isEmpty());
        // A manager renames only for its own access.
        QVERIFY(!mine->performRename(other.get(), QStringLiteral("B"), DBA_RenameMgr::Undo, detail));
        QCOMPARE(mine->getErrorCode().get(), int(DBA_RenameMgr::StatusCode::Failed));

        QVERIFY(mine->performRename(m_db.get(), QStringLiteral("B"), DBA_RenameMgr::Undo, detail));
        QCOMPARE(mine->getErrorCode().get(), 0);
        QVERIFY(mine->getErrorMsg().isEmpty());
        TUDbAccess::RenameMgr_releaseInstance(m_db.get());
        TUDbAccess::RenameMgr_releaseInstance(other.get());
    }

private:
    qint64 createScene(const QString &name, const QString &path = QString())
    {
        const QString folder = path.isEmpty() ? standardPath(name) : path;
        if (!m_db->dba_CreateScene(m_db->jobRecord(), name, QStringLiteral("admin"), m_fixture->fileSystem(), folder,
                                   DBA_SceneOps::AddAtBottom, -1, 1)) {
            qWarning("%s", qPrintable(m_db->lastErrorText()));
            return 0;
        }
        QFile marker(local(folder) + QStringLiteral("/marker.txt"));
        if (!marker.open(QIODevice::WriteOnly) || marker.write(name.toUtf8()) < 0)
            return 0;
        marker.close();
        return value(QStringLiteral("SELECT id FROM scenes WHERE job_id = ? AND name = ?"), {m_db->jobRecord().id, name})
            .toLongLong();
    }

    // Leaves the state a rename of scene id from A to B by user carol has
    // when the process died after step.
    bool crashedRename(qint64 id, int step, bool folderMoved, bool recordRenamed)
    {
        const QString oldPath = standardPath(QStringLiteral("A"));
        const QString newPath = standardPath(QStringLiteral("B"));
        if (!exec(QStringLiteral("INSERT INTO renames (scene_id, old_name, new_name, old_path, new_path, user_name, step, "
                                 "started) VALUES (?, 'A', 'B', ?, ?, 'carol', ?, ?)"),
                  {id, oldPath, newPath, step, DBA_Context::now()}))
            return false;
        if (folderMoved && !QDir().rename(local(oldPath), local(newPath)))
            return false;
        return !recordRenamed || exec(QStringLiteral("UPDATE scenes SET name = 'B', path = ? WHERE id = ?"), {newPath, id});
    }

    void expectRenamed(qint64 id, const QString &name)
    {
        QCOMPARE(sceneName(id), name);
        QCOMPARE(scenePath(id), standardPath(name));
        QVERIFY(hasMarker(standardPath(name)));
    }

    RenameResult rename(const QString &oldName, const QString &newName, DBA_RenameMgr::ResponseType response,
                        DBA_RenameProgressFeedback *feedback = nullptr)
    {
        RenameResult result;
        DBA_RenameMgr *manager = TUDbAccess::RenameMgr_getInstance(m_db.get());
        if (!manager->init(feedback, {oldName, m_db->userName()}, m_db.get(), feedback == nullptr)) {
            result.message = manager->getErrorMsg();
            return result;
        }
        result.ok = manager->performRename(m_db.get(), newName, response, result.detail);
        result.status = manager->getErrorCode().get();
        result.message = manager->getErrorMsg();
        TUDbAccess::RenameMgr_releaseInstance(m_db.get());
        return result;
    }

    QString standardPath(const QString &scene) const
    {
        return TUDbAccess::buildStandardScenePath(m_fixture->fileSystem(), QStringLiteral("J"), scene);
    }
    static QString local(const QString &stored) { return oswRemapPath::RemapPath2(stored); }
    static bool hasMarker(const QString &stored)
    {
        return QFileInfo(local(stored) + QStringLiteral("/marker.txt")).isFile();
    }

    dba_job_struct jobByName()
    {
        dba_job_struct job;
        m_db->dba_OpenJob(QStringLiteral("J"), job);
        return job;
    }

    QVariant value(const QString &sql, const QVariantList &values)
    {
        QString error;
        const QVariant result = m_db->context().connection.scalar(sql, values, error);
        if (!error.isEmpty())
            qWarning("%s", qPrintable(error));
        return result;
    }
    bool exec(const QString &sql, const QVariantList &values)
    {
        QSqlQuery query;
        QString error;
        if (m_db->context().connection.exec(query, sql, values, error))
            return true;
        qWarning("%s", qPrintable(error));
        return false;
    }
    bool insertLock(const QString &kind, qint64 id)
    {
        return exec(QStringLiteral("INSERT INTO locks (kind, lock_key, user_name, host, application, pid, taken) "
                                   "VALUES (?, ?, 'someone', 'elsewhere', 'editor', 1, ?)"),
                    {kind, QString::number(id), DBA_Context::now()});
    }
    // A trigger that fails any update of a scene to name; the one place the
    // test needs each backend's own words. Run unprepared: PostgreSQL
    // prepares no DDL, and a function body holds ";".
    bool refuseRecordName(const QString &name)
    {
        QStringList statements;
        if (DbTestFixture::isPostgres()) {
            statements << QStringLiteral("CREATE FUNCTION refuse_name() RETURNS trigger AS $$ BEGIN "
                                         "RAISE EXCEPTION 'refused by test'; END $$ LANGUAGE plpgsql")
                       << QStringLiteral("CREATE TRIGGER refuse_name BEFORE UPDATE ON scenes FOR EACH ROW "
                                         "WHEN (NEW.name = '%1') EXECUTE FUNCTION refuse_name()").arg(name);
        } else {
            statements << QStringLiteral("CREATE TRIGGER refuse_name BEFORE UPDATE ON scenes WHEN NEW.name = '%1' "
                                         "BEGIN SELECT RAISE(ABORT, 'refused by test'); END").arg(name);
        }
        QSqlQuery query(m_db->context().connection.database());
        for (const QString &statement : statements) {
            if (!query.exec(statement)) {
                qWarning("%s", qPrintable(query.lastError().text()));
                return false;
            }
        }
        return true;
    }
    QString sceneName(qint64 id) { return value(QStringLiteral("SELECT name FROM scenes WHERE id = ?"), {id}).toString(); }
    QString scenePath(qint64 id) { return value(QStringLiteral("SELECT path FROM scenes WHERE id = ?"), {id}).toString(); }
    int journalRows() { return value(QStringLiteral("SELECT COUNT(*) FROM renames"), {}).toInt(); }
    int journalStep(qint64 id)
    {
        return value(QStringLiteral("SELECT step FROM renames WHERE scene_id = ?"), {id}).toInt();
    }

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
};

QTEST_GUILESS_MAIN(tst_DbRename)
#include "tst_db_rename.moc"
