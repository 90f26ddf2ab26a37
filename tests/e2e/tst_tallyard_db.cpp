#include "DbTestFixture.h"
#include "DBA_Schema.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "oswRemapPath.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// What a scene file says, as the scene model reads it.
struct SceneFile
{
    bool parsed = false;
    QString error;
    int frames = -1;
    struct Column
    {
        QString name;
        qint64 elementId = 0;
        QStringList drawings;
    };
    QVector<Column> columns;
    QMap<QString, QString> moduleFolders; // read module instance -> stored folder
    QStringList palettes;
};

SceneFile readSceneFile(const QString &path)
{
    SceneFile scene;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        scene.error = file.errorString();
        return scene;
    }
    QXmlStreamReader xml(&file);
    QString timelineScene, module;
    QMap<QString, int> framesOfScene;
    bool inTimeline = false, inColumn = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            inTimeline = inTimeline && xml.name() != QLatin1String("timeline");
            inColumn = inColumn && xml.name() != QLatin1String("column");
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        const auto name = xml.name();
        if (name == QLatin1String("timeline")) {
            inTimeline = true;
        } else if (name == QLatin1String("scene")) {
            if (inTimeline)
                timelineScene = a.value(QLatin1String("id")).toString();
            else
                framesOfScene[a.value(QLatin1String("id")).toString()] = a.value(QLatin1String("scenenbframes")).toInt();
        } else if (name == QLatin1String("column")) {
            inColumn = a.value(QLatin1String("columntype")) == QLatin1String("6");
            if (inColumn)
                scene.columns.append({a.value(QLatin1String("columnname")).toString(),
                                      a.value(QLatin1String("element")).toLongLong(), {}});
        } else if (name == QLatin1String("stringseq") && inColumn) {
            scene.columns.last().drawings << a.value(QLatin1String("val")).toString();
        } else if (name == QLatin1String("module")) {
            module = a.value(QLatin1String("nodetype")) == QLatin1String("READ")
                ? a.value(QLatin1String("nodeinstancename")).toString()
                : QString();
        } else if (name == QLatin1String("name") && !module.isEmpty()) {
            scene.moduleFolders[module] = a.value(QLatin1String("val")).toString();
        } else if (name == QLatin1String("palette")) {
            scene.palettes << a.value(QLatin1String("path")).toString();
        }
    }
    scene.parsed = !xml.hasError();
    scene.error = xml.errorString();
    scene.frames = framesOfScene.value(timelineScene, -1);
    return scene;
}

// "Label: value" lines of the status report.
QMap<QString, QString> statusFields(const QString &report)
{
    QMap<QString, QString> fields;
    for (const QString &line : report.split(QLatin1Char('\n'))) {
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon > 0 && !line.startsWith(QLatin1Char(' ')))
            fields[line.left(colon)] = line.mid(colon + 1).trimmed();
    }
    return fields;
}

QStringList filesIn(const QString &folder, const QString &pattern)
{
    return QDir(folder).entryList({pattern}, QDir::Files, QDir::Name);
}

} // namespace

// tallyard-db as a user runs it: its exit status, its messages, and the
// database and files it leaves behind.
class tst_TallyardDb : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_fixture = std::make_unique<DbTestFixture>();
        QVERIFY2(m_fixture->isValid(), qPrintable(m_fixture->errorString()));
    }
    void cleanup()
    {
        m_fixture.reset();
    }

    void initCreatesTheDatabaseOnceAndStatusDescribesIt()
    {
        QVERIFY(!QFileInfo::exists(m_fixture->root()));
        const Run first = run({"init", "--admin", "boss"});
        QVERIFY2(first.exitCode == 0, qPrintable(first.err));
        QVERIFY(QFileInfo::exists(m_fixture->root() + QStringLiteral("/scenes")));
        const Run again = run({"init", "--admin", "boss"});
        QVERIFY2(again.exitCode == 0, qPrintable(again.err));
        QCOMPARE(again.out, first.out);

        const Run status = run({"status"});
        QVERIFY2(status.exitCode == 0, qPrintable(status.err));
        const QMap<QString, QString> fields = statusFields(status.out);
        QCOMPARE(fields.value("Backend"), DbTestFixture::isPostgres() ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite"));
        QCOMPARE(fields.value("Database"), m_fixture->url().toString());
        QCOMPARE(fields.value("Root"), m_fixture->root());
        QVERIFY2(fields.value("Schema").startsWith(QStringLiteral("version %1, latest %1 (up to date)").arg(DBA_Schema::latestVersion())),
                 qPrintable(fields.value("Schema")));
        QCOMPARE(fields.value("File systems"), QStringLiteral("/QVX_DB/scenes"));
        QCOMPARE(fields.value("Environments"), QStringLiteral("0"));
        QCOMPARE(fields.value("Users"), QStringLiteral("2")); // BATCH and boss
        // Only the status command's own session is open, and it is marked.
        QCOMPARE(fields.value("Sessions"), QStringLiteral("1"));
        QVERIFY(status.out.contains(QStringLiteral("tallyard-db (pid")) && status.out.contains(QStringLiteral("[this session]")));
        QCOMPARE(fields.value("Locks"), QStringLiteral("0"));
    }

    void statusShowsOtherSessionsAndTheirLocks()
    {
        QCOMPARE(run({"init", "--admin", "boss"}).exitCode, 0);
        QCOMPARE(run({"demo"}).exitCode, 0);
        // Another program holding a scene lock, and one that died holding one.
        const std::unique_ptr<TUDbAccess> live = open(QStringLiteral("mara"));
        QVERIFY(live);
        dba_job_struct job;
        dba_scene_struct scene;
        QCOMPARE(live->dba_OpenJob(QStringLiteral("harbour"), job), 0);
        QCOMPARE(live->dba_OpenScene(QStringLiteral("sc020"), job, scene), 0);
        QCOMPARE(live->dba_GetSceneLock(scene), 0);
        QSqlQuery query(live->context().connection.database());
        QVERIFY(query.exec(QStringLiteral("INSERT INTO sessions (user_name, host, application, pid, started, last_pulse) "
                                          "VALUES ('ghost', 'farm7', 'tallyard', 4242, 1000, 1000)")));

        const Run status = run({"status"});
        QVERIFY2(status.exitCode == 0, qPrintable(status.err));
        const QMap<QString, QString> fields = statusFields(status.out);
        QCOMPARE(fields.value("Sessions"), QStringLiteral("3"));
        QCOMPARE(fields.value("Locks"), QStringLiteral("1"));
        const QStringList lines = status.out.split(QLatin1Char('\n'));
        const auto lineWith = [&lines](const QString &text) {
            for (const QString &line : lines) {
                if (line.contains(text))
                    return line;
            }
            return QString();
        };
        QVERIFY2(lineWith(QStringLiteral("ghost@farm7")).endsWith(QStringLiteral("[STALE]")), qPrintable(status.out));
        QVERIFY2(!lineWith(QStringLiteral("mara@")).contains(QStringLiteral("STALE")), qPrintable(status.out));
        QVERIFY2(lineWith(QStringLiteral("held by mara@")).startsWith(QStringLiteral("  scene harbour/sc020 (%1) ").arg(scene.id)),
                 qPrintable(status.out));
        live->dba_CloseScene(scene);
    }

    void addUserAndFileSystem()
    {
        QCOMPARE(run({"init", "--admin", "boss"}).exitCode, 0);
        const Run added = run({"adduser", "kim", "--type", "Ink & Paint", "--first", "Kim", "--last", "Park"});
        QVERIFY2(added.exitCode == 0, qPrintable(added.err));
        QCOMPARE(run({"adduser", "lee", "--type", "4"}).exitCode, 0);
        const QString extra = m_fixture->scratch() + QStringLiteral("/more-scenes");
        const Run fs = run({"addfs", extra});
        QVERIFY2(fs.exitCode == 0, qPrintable(fs.err));

        const std::unique_ptr<TUDbAccess> access = open();
        QVERIFY(access);
        dba_user_struct_type kim, lee;
        QVERIFY(access->dba_GetUser(QStringLiteral("kim"), kim));
        QCOMPARE(kim.type, int(TUDbAccess::INK_PAINT));
        QCOMPARE(kim.firstName + QLatin1Char(' ') + kim.lastName, QStringLiteral("Kim Park"));
        QVERIFY(access->dba_GetUser(QStringLiteral("lee"), lee));
        QCOMPARE(lee.type, int(TUDbAccess::TD));
        QVERIFY(access->sceneDirPatternList().contains(extra));
        QVERIFY(QFileInfo(extra).isDir());
        QCOMPARE(statusFields(run({"status"}).out).value("Users"), QStringLiteral("4"));

        // Adding either again is refused and says so.
        const Run userAgain = run({"adduser", "kim"});
        QCOMPARE(userAgain.exitCode, 1);
        QVERIFY2(userAgain.err.contains(QStringLiteral("User kim already exists.")), qPrintable(userAgain.err));
        const Run fsAgain = run({"addfs", extra});
        QCOMPARE(fsAgain.exitCode, 1);
        QVERIFY2(fsAgain.err.contains(QStringLiteral("registered already")), qPrintable(fsAgain.err));
    }

    void demoFillsAStudio()
    {
        QCOMPARE(run({"init", "--admin", "boss"}).exitCode, 0);
        const Run demo = run({"demo"});
        QVERIFY2(demo.exitCode == 0, qPrintable(demo.err));

        const std::unique_ptr<TUDbAccess> access = open();
        QVERIFY(access);
        QStringList environments;
        QCOMPARE(access->dba_GetEnvironments(environments), 3);
        int jobs = 0, scenes = 0, versions = 0, elements = 0, drawings = 0;
        QSet<int> frameCounts;
        for (const QString &environment : environments) {
            QVERIFY(QFileInfo::exists(local(TUDbSceneData::environmentDir(environment)) + "/palette-library/" + environment + ".plt"));
            QVector<dba_job_struct> list;
            QVERIFY(access->dba_GetEnvironmentJobs(environment, list) > 0);
            for (const dba_job_struct &listed : list) {
                ++jobs;
                QVERIFY2(!listed.td.isEmpty() && !listed.atd.isEmpty(), qPrintable(listed.name));
                dba_job_struct job;
                QCOMPARE(access->dba_OpenJob(listed.name, job), 0);
                for (bool row = job.scene().first(); row; row = job.scene().next()) {
                    ++scenes;
                    frameCounts << job.scene().data(DBC_Table::Frames).toInt();
                    const QString scene = job.scene().data(DBC_Table::Name).toString();
                    checkScene(*access, job, scene, versions, elements, drawings);
                    if (QTest::currentTestFailed())
                        return;
                }
                access->dba_CloseJob(job);
            }
        }
        QCOMPARE(jobs, 5);
        QCOMPARE(scenes, 12);
        QVERIFY2(frameCounts.size() > 3, "scenes should differ in length");
        QVector<dba_user_struct_type> users;
        QVERIFY(access->dba_GetAllUsers(users) >= 6);
        QSet<int> types;
        for (const dba_user_struct_type &user : users)
            types << user.type;
        QVERIFY(types.size() >= 4);

        // The status report counts what the database holds.
        const QMap<QString, QString> fields = statusFields(run({"status"}).out);
        QCOMPARE(fields.value("Environments"), QStringLiteral("3"));
        QCOMPARE(fields.value("Jobs"), QStringLiteral("5"));
        QCOMPARE(fields.value("Scenes"), QString::number(scenes));
        QCOMPARE(fields.value("Versions"), QString::number(versions));
        QCOMPARE(fields.value("Elements"), QString::number(elements));
        QCOMPARE(fields.value("Drawings"), QString::number(drawings));
        QCOMPARE(fields.value("Users"), QString::number(users.size()));
        QVERIFY2(demo.out.contains(QStringLiteral("%1 scenes with %2 versions").arg(scenes).arg(versions)), qPrintable(demo.out));
    }

    void demoRefusesADatabaseWithData()
    {
        QCOMPARE(run({"init", "--admin", "boss"}).exitCode, 0);
        QCOMPARE(run({"demo"}).exitCode, 0);
        const QString before = run({"status"}).out;
        const Run again = run({"demo"});
        QCOMPARE(again.exitCode, 1);
        QVERIFY2(again.err.contains(QStringLiteral("is not empty")) && again.err.contains(QStringLiteral("--force")),
                 qPrintable(again.err));
        // Forced, it keeps what is there and has nothing to add.
        const Run forced = run({"demo", "--force"});
        QVERIFY2(forced.exitCode == 0, qPrintable(forced.err));
        QVERIFY2(forced.out.contains(QStringLiteral("0 environments, 0 jobs, 0 scenes")), qPrintable(forced.out));
        const QMap<QString, QString> now = statusFields(run({"status"}).out);
        const QMap<QString, QString> then = statusFields(before);
        for (const char *count : {"Environments", "Jobs", "Scenes", "Versions", "Drawings", "Users"})
            QCOMPARE(now.value(count), then.value(count));
    }

    void initMakesAMissingDatabase()
    {
        DBA_Url url = m_fixture->url();
        if (DbTestFixture::isPostgres())
            url.database += QStringLiteral("_made");
        const Run made = run({"--db", url.toString(), "init", "--admin", "boss"});
        const bool dropped = !DbTestFixture::isPostgres() || dropDatabase(url);
        QVERIFY2(made.exitCode == 0, qPrintable(made.err));
        QVERIFY(made.out.contains(QStringLiteral("Administrator: boss")));
        QVERIFY(dropped);
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("initialized");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");

        const QString nowhere = QDir::tempPath() + QStringLiteral("/no-server-here");
        const QString deadServer = QStringLiteral("postgresql://nobody@localhost/studio?host=%1&root=%1/root").arg(nowhere);
        QTest::newRow("help") << QStringList{"--help"} << false << 0 << QString();
        QTest::newRow("no command") << QStringList{} << false << 2 << "No command given";
        QTest::newRow("unknown command") << QStringList{"launch"} << false << 2 << "Unknown command \"launch\"";
        QTest::newRow("missing operand") << QStringList{"addfs"} << true << 2 << "addfs needs PATH";
        QTest::newRow("missing value") << QStringList{"adduser", "kim", "--type"} << true << 2 << "Missing value after '--type'";
        QTest::newRow("bad URL") << QStringList{"--db", "sqlite:relative/path", "status"} << false << 2 << "absolute root folder";
        QTest::newRow("unknown user type") << QStringList{"adduser", "kim", "--type", "Director"} << true << 2
                                           << "Unknown user type \"Director\"";
        QTest::newRow("refused user name") << QStringList{"adduser", "kim/../x"} << true << 2 << "Invalid user name";
        QTest::newRow("refused admin name") << QStringList{"init", "--admin", "-x"} << false << 2 << "Invalid user name \"-x\"";
        QTest::newRow("no database yet") << QStringList{"status"} << false << 1 << "tallyard-db init";
        QTest::newRow("adduser before init") << QStringList{"adduser", "kim"} << false << 1 << "tallyard-db init";
        QTest::newRow("unreachable PostgreSQL, status") << QStringList{"--db", deadServer, "status"} << false << 1
                                                        << "Cannot connect to the PostgreSQL database studio";
        QTest::newRow("unreachable PostgreSQL, init") << QStringList{"--db", deadServer, "init"} << false << 1
                                                      << "Cannot connect to the PostgreSQL database studio";
    }
    void badInput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, initialized);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        if (initialized)
            QCOMPARE(run({"init", "--admin", "boss"}).exitCode, 0);
        const Run result = run(arguments);
        QCOMPARE(result.exitCode, exitCode);
        if (exitCode == 0) {
            QVERIFY(result.out.startsWith(QStringLiteral("Usage: tallyard-db")));
            return;
        }
        QVERIFY2(result.err.startsWith(QStringLiteral("tallyard-db: ")) && result.err.contains(message), qPrintable(result.err));
        QVERIFY2(result.out.isEmpty(), qPrintable(result.out));
    }

private:
    Run run(const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("TALLYARD_DB"), m_fixture->url().toString());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(TALLYARD_DB_BIN), arguments);
        Run result;
        if (!process.waitForFinished(240000)) {
            result.err = QStringLiteral("tallyard-db did not finish: ") + process.errorString();
            return result;
        }
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    std::unique_ptr<TUDbAccess> open(const QString &user = QStringLiteral("BATCH"))
    {
        auto access = std::make_unique<TUDbAccess>();
        if (access->dba_Open2dDatabaseSession(m_fixture->url()) != 0 || !access->setCurrentUser(user)) {
            qWarning() << access->lastErrorText();
            return nullptr;
        }
        return access;
    }

    static QString local(const QString &stored) { return oswRemapPath::RemapPath2(stored); }

    // One scene of the demo: its versions' scene files agree with the
    // database, and the drawings, palettes, sound and notes they lead to exist.
    void checkScene(TUDbAccess &access, const dba_job_struct &job, const QString &name, int &versions, int &elements,
                    int &drawings)
    {
        dba_scene_struct scene;
        QCOMPARE(access.dba_OpenScene(name, job, scene), 0);
        TUDbSceneData data;
        data.setScene(scene);
        const QVX_scene_version_table table = access.QVX_scene_versions_of_DBA_scene(scene);
        QVERIFY2(table.size() >= 2 && table.size() <= 3, qPrintable(name));
        QCOMPARE(scene.currentVersion, table.last().number);
        QVERIFY(scene.frames > 0);
        versions += table.size();

        QMap<qint64, QString> elementNames;
        for (const QVX_element_data &element : access.read_DBA_elements(scene)) {
            elementNames[element.id] = element.name;
            QVector<dba_cel_struct> cels;
            QVERIFY(access.dba_GetCels(scene, element.id, cels) > 0);
            const QString folder = local(data.sceneDir() + "/" + element.rootFolder + "/" + element.folder);
            QCOMPARE(filesIn(folder, QStringLiteral("*.png")).size(), cels.size());
            drawings += cels.size();
        }
        QVERIFY(elementNames.size() >= 2);
        elements += elementNames.size();

        const QString stage = local(data.stageDir());
        for (const QVX_scene_version &version : table) {
            const QString base = QStringLiteral("%1/v%2").arg(stage).arg(version.number);
            QVERIFY2(QFileInfo::exists(base + ".aux"), qPrintable(base));
            const SceneFile file = readSceneFile(base + ".pavx");
            QVERIFY2(file.parsed, qPrintable(base + ": " + file.error));
            QCOMPARE(file.frames, scene.frames);
            QCOMPARE(file.columns.size(), elementNames.size() + 1); // and the lip-sync timing column
            for (const SceneFile::Column &column : file.columns) {
                QVERIFY2(column.elementId == 0 || elementNames.value(column.elementId) == column.name, qPrintable(column.name));
                const QString folder = local(file.moduleFolders.value(column.name));
                QVERIFY2(!column.drawings.isEmpty() && QFileInfo(folder).isDir(), qPrintable(base + " " + column.name));
                for (const QString &drawing : column.drawings) {
                    const QImage image(QStringLiteral("%1/%2-%3.png").arg(folder, column.name, drawing));
                    QVERIFY2(!image.isNull(), qPrintable(folder + " " + drawing));
                }
                checkPaletteList(folder + QStringLiteral("/PALETTE_LIST"));
            }
            QCOMPARE(file.palettes.size(), 3);
            for (const QString &palette : file.palettes)
                QVERIFY2(QFileInfo(local(palette)).size() > 0, qPrintable(palette));
        }

        const QStringList sounds = filesIn(local(data.audioDir()), QStringLiteral("*.wav"));
        QCOMPARE(sounds.size(), 1);
        QFile sound(local(data.audioDir()) + "/" + sounds.first());
        QVERIFY(sound.open(QIODevice::ReadOnly));
        const QByteArray wave = sound.readAll();
        QVERIFY(wave.startsWith("RIFF") && wave.mid(8, 8) == "WAVEfmt " && wave.size() > 44);
        QVERIFY(!filesIn(local(data.annotationDir()), QStringLiteral("*")).isEmpty());
        access.dba_CloseScene(scene);
    }

    void checkPaletteList(const QString &file)
    {
        QFile list(file);
        QVERIFY2(list.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(file));
        const QStringList lines = QString::fromUtf8(list.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(lines.size() > 1);
        QCOMPARE(lines.first(), QStringLiteral("palettes %1").arg(lines.size() - 1));
        for (const QString &palette : lines.mid(1))
            QVERIFY2(palette.startsWith(oswRemapPath::logicalRoot()) && QFileInfo::exists(local(palette)), qPrintable(palette));
    }

    bool dropDatabase(const DBA_Url &url)
    {
        const QString connection = QStringLiteral("e2e-drop");
        bool dropped = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
            db.setHostName(url.host);
            db.setPort(url.port);
            db.setUserName(url.user);
            db.setDatabaseName(QStringLiteral("postgres"));
            if (db.open()) {
                QSqlQuery query(db);
                dropped = query.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(url.database));
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
        return dropped;
    }

    std::unique_ptr<DbTestFixture> m_fixture;
};

QTEST_GUILESS_MAIN(tst_TallyardDb)
#include "tst_tallyard_db.moc"
