#include "DbTestFixture.h"
#include "ProgramRun.h"
#include "DBA_Schema.h"
#include "TUDbAccess.h"
#include "TUDbSceneData.h"
#include "TUIEFile.h"
#include "TUIEScene.h"
#include "TUTYImportRemap.h"
#include "oswRemapPath.h"

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

using Run = ProgramRun;

// "Label: value" lines of the status report.
QMap<QString, QString> statusFields(const QString &report)
{
    QMap<QString, QString> fields;
    for (const QString &line : report.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0 && !line.startsWith(' '))
            fields[line.left(colon)] = line.mid(colon + 1).trimmed();
    }
    return fields;
}

QString lineWith(const QString &text, const QString &part)
{
    return QRegularExpression(".*" + QRegularExpression::escape(part) + ".*").match(text).captured();
}

QStringList filesIn(const QString &folder, const QString &pattern) { return QDir(folder).entryList({pattern}, QDir::Files); }

QString local(const QString &stored) { return oswRemapPath::RemapPath2(stored); }

QStringList linesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts) : QStringList();
}

using SceneElements = QVector<QPair<QString, QXmlStreamAttributes>>;

QXmlStreamAttributes attributes(const QVector<QPair<QString, QString>> &pairs)
{
    QXmlStreamAttributes list;
    for (const auto &[name, value] : pairs)
        list.append(name, value);
    return list;
}

// A line-format scene file as the XML elements that say the same.
SceneElements lineElementsOf(const QString &path)
{
    TUIEScene scene;
    if (!TUIEFile::readSceneFile(path, scene))
        return {};
    SceneElements elements{{"scene", attributes({{"scenenbframes", QString::number(scene.frames())}})}};
    for (const TUIESeqTV &column : scene.columns()) {
        elements.append({"column", attributes({{"columntype", "6"}, {"columnname", column.name()}})});
        for (const QString &drawing : column.drawings())
            elements.append({"stringseq", attributes({{"val", drawing}})});
    }
    for (const TUIEModule &module : scene.modules()) {
        elements.append({"module", attributes({{"nodetype", "READ"}, {"nodeinstancename", module.instanceName}})});
        elements.append({"name", attributes({{"val", module.name}})});
    }
    for (const QString &line : linesOf(path)) {
        if (line.startsWith("PALETTE "))
            elements.append({"palette", attributes({{"path", line.mid(8).remove('"')}})});
    }
    return elements;
}

// The elements of a scene file in document order, with their attributes;
// empty when the file does not parse.
SceneElements elementsOf(const QString &path)
{
    if (TUIEFile::isLineFormat(path))
        return lineElementsOf(path);
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QXmlStreamReader xml(&file);
    QVector<QPair<QString, QXmlStreamAttributes>> elements;
    while (xml.readNext() != QXmlStreamReader::Invalid && !xml.atEnd()) {
        if (xml.isStartElement())
            elements.append({xml.name().toString(), xml.attributes()});
    }
    return xml.hasError() ? decltype(elements)() : elements;
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
    void cleanup() { m_fixture.reset(); }

    // init once (again: the same); a user and a file system added, each refused
    // the second time; then the demo, which fills the empty database with a
    // studio whose scene files agree with the database, and is refused a
    // second time unless forced. Status tells it all, with other programs'
    // sessions and locks, stale or not.
    void initAddDemoAndStatus()
    {
        QVERIFY(!QFileInfo::exists(m_fixture->root()));
        const Run first = run({"init", "--admin", "boss"});
        QVERIFY(QFileInfo::exists(m_fixture->root() + "/scenes"));
        QCOMPARE(run({"init", "--admin", "boss"}).out, first.out);
        QMap<QString, QString> fields = statusFields(run({"status"}).out);
        QCOMPARE(fields.take("Backend"), DbTestFixture::isPostgres() ? "PostgreSQL" : "SQLite");
        QCOMPARE(fields.take("Database"), m_fixture->url().toString());
        QCOMPARE(fields.take("Root"), m_fixture->root());
        QVERIFY(fields.take("Schema").startsWith(QStringLiteral("version %1, latest %1 (up to date)").arg(DBA_Schema::latestVersion())));
        QCOMPARE(fields.take("File systems"), "/QVX_DB/scenes");
        // Only the status command's own session is open; BATCH and boss are the users.
        QCOMPARE(fields, (QMap<QString, QString>{{"Environments", "0"}, {"Jobs", "0"}, {"Scenes", "0"}, {"Versions", "0"},
                 {"Elements", "0"}, {"Drawings", "0"}, {"Users", "2"}, {"Sessions", "1"}, {"Locks", "0"}}));

        run({"adduser", "kim", "--type", "Ink & Paint", "--first", "Kim", "--last", "Park"});
        run({"adduser", "lee", "--type", "4"});
        const QString extra = m_fixture->scratch() + "/more-scenes";
        run({"addfs", extra});
        run({"adduser", "kim"}, 1, "User kim already exists.");
        run({"addfs", extra}, 1, "registered already");
        const std::unique_ptr<TUDbAccess> access = open();
        dba_user_struct_type kim, lee;
        QVERIFY(access && access->dba_GetUser("kim", kim) && access->dba_GetUser("lee", lee));
        QCOMPARE(kim.firstName + ' ' + kim.lastName, "Kim Park");
        QCOMPARE(QVector<int>({kim.type, lee.type}), QVector<int>({TUDbAccess::INK_PAINT, TUDbAccess::TD}));
        QVERIFY(access->sceneDirPatternList().contains(extra) && QFileInfo(extra).isDir());

        const Run demo = run({"demo"});
        QStringList environments;
        QCOMPARE(access->dba_GetEnvironments(environments), 3);
        int jobs = 0, scenes = 0;
        Counts counts;
        QSet<int> frameCounts;
        for (const QString &environment : environments) {
            QVERIFY(QFileInfo::exists(local(TUDbSceneData::environmentDir(environment)) + "/palette-library/" + environment + ".plt"));
            // An import into it offers the environment's own remap presets.
            QString presetSource;
            QCOMPARE(TUTYImportRemap::presetsFor(environment, presetSource).keys(), QStringList({"Studio move", "Vendor palettes"}));
            QCOMPARE(presetSource, environment);
            QVector<dba_job_struct> list;
            QVERIFY(access->dba_GetEnvironmentJobs(environment, list) > 0);
            for (const dba_job_struct &listed : list) {
                ++jobs;
                QVERIFY2(!listed.td.isEmpty() && !listed.atd.isEmpty(), qPrintable(listed.name));
                dba_job_struct job;
                QCOMPARE(access->dba_OpenJob(listed.name, job), 0);
                for (bool row = job.scene().first(); row && !QTest::currentTestFailed(); row = job.scene().next()) {
                    ++scenes;
                    frameCounts << job.scene().data(DBC_Table::Frames).toInt();
                    checkScene(*access, job, job.scene().data(DBC_Table::Name).toString(), counts);
                }
                access->dba_CloseJob(job);
            }
        }
        QCOMPARE(QVector<int>({jobs, scenes}), QVector<int>({5, 12}));
        QVERIFY2(frameCounts.size() > 3, "scenes should differ in length");
        QVector<dba_user_struct_type> users;
        access->dba_GetAllUsers(users);
        QSet<int> types;
        for (const dba_user_struct_type &user : users)
            types << user.type;
        QVERIFY(users.size() >= 8 && types.size() >= 4);
        QVERIFY2(demo.out.contains(QStringLiteral("%1 scenes with %2 versions").arg(scenes).arg(counts.versions)), qPrintable(demo.out));

        // Another program holding a scene lock, and one that died holding a session.
        const std::unique_ptr<TUDbAccess> mara = open("mara");
        dba_job_struct job;
        dba_scene_struct scene;
        QVERIFY(mara && mara->dba_OpenJob("harbour", job) == 0 && mara->dba_OpenScene("sc020", job, scene) == 0);
        QCOMPARE(mara->dba_GetSceneLock(scene), 0);
        const qint64 died = DBA_Context::now() - 600; // stale, not yet purged
        QVERIFY(QSqlQuery(mara->context().connection.database())
                    .exec(QStringLiteral("INSERT INTO sessions (user_name, host, application, pid, started, last_pulse) "
                                         "VALUES ('ghost', 'farm7', 'tallyard', 4242, %1, %1)").arg(died)));
        const QString status = run({"status"}).out;
        fields = statusFields(status);
        for (const char *key : {"Backend", "Database", "Root", "Schema", "File systems"})
            fields.remove(key);
        QCOMPARE(fields, (QMap<QString, QString>{{"Environments", "3"}, {"Jobs", "5"}, {"Scenes", QString::number(scenes)},
                 {"Versions", QString::number(counts.versions)}, {"Elements", QString::number(counts.elements)},
                 {"Drawings", QString::number(counts.drawings)}, {"Users", QString::number(users.size())}, {"Sessions", "4"}, {"Locks", "1"}}));
        QVERIFY2(lineWith(status, "tallyard-db (pid").contains("[this session]"), qPrintable(status));
        QVERIFY2(lineWith(status, "ghost@farm7").endsWith("[STALE]"), qPrintable(status));
        QVERIFY2(!lineWith(status, "mara@").contains("STALE"), qPrintable(status));
        QVERIFY2(lineWith(status, "held by mara@").startsWith(QStringLiteral("  scene harbour/sc020 (%1) ").arg(scene.id)), qPrintable(status));
        mara->dba_CloseScene(scene);

        QVERIFY(run({"demo"}, 1, "is not empty").err.contains("--force"));
        // Forced, it keeps what is there and has nothing to add.
        QVERIFY(run({"demo", "--force"}).out.contains("0 environments, 0 jobs, 0 scenes"));
        const QMap<QString, QString> after = statusFields(run({"status"}).out);
        for (const char *count : {"Environments", "Jobs", "Scenes", "Versions", "Drawings", "Users"})
            QCOMPARE(after.value(count), fields.value(count));
    }

    void initMakesAMissingDatabase()
    {
        DBA_Url url = m_fixture->url();
        if (DbTestFixture::isPostgres())
            url.database += "_made";
        const Run made = run({"--db", url.toString(), "init", "--admin", "boss"});
        QVERIFY(!DbTestFixture::isPostgres() || dropDatabase(url));
        QVERIFY(made.out.contains("Administrator: boss"));
    }

    // Usage errors end with 2, failures with 1; either says why on standard
    // error only. (Each refused form of the command line is its parser's test.)
    void badInput_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QString deadServer = QStringLiteral("postgresql://nobody@localhost/studio?host=%1&root=%1/root")
                                       .arg(QDir::tempPath() + "/no-server-here");
        QTest::newRow("help") << QStringList{"--help"} << 0 << QString();
        QTest::newRow("unknown command") << QStringList{"launch"} << 2 << "Unknown command \"launch\"";
        QTest::newRow("no database yet") << QStringList{"status"} << 1 << "tallyard-db init";
        const QString noServer = "Cannot connect to the PostgreSQL database studio";
        QTest::newRow("unreachable PostgreSQL, status") << QStringList{"--db", deadServer, "status"} << 1 << noServer;
        QTest::newRow("unreachable PostgreSQL, init") << QStringList{"--db", deadServer, "init"} << 1 << noServer;
    }
    void badInput()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        const Run result = run(arguments, status, message);
        QVERIFY2(status == 0 ? result.out.startsWith("Usage: tallyard-db") : result.out.isEmpty(), qPrintable(result.out));
        QVERIFY2(status == 0 || result.err.startsWith("tallyard-db: "), qPrintable(result.err));
    }

private:
    struct Counts {
        int versions = 0, elements = 0, drawings = 0;
    };

    // Runs tallyard-db; a test fails unless it ends with status and says message on standard error.
    Run run(const QStringList &arguments, int status = 0, const QString &message = {})
    {
        QProcessEnvironment env;
        env.insert("TALLYARD_DB", m_fixture->url().toString());
        const Run result(TALLYARD_DB_BIN, arguments, env);
        [&] { QVERIFY2(result.status == status && result.err.contains(message), qPrintable(result.err)); }();
        return result;
    }

    std::unique_ptr<TUDbAccess> open(const QString &user = "BATCH")
    {
        auto access = std::make_unique<TUDbAccess>();
        const bool opened = access->dba_Open2dDatabaseSession(m_fixture->url()) == 0 && access->setCurrentUser(user);
        return opened ? std::move(access) : nullptr;
    }

    // One scene of the demo: its versions' scene files agree with the
    // database, and the drawings, palettes, sound and notes they lead to exist.
    void checkScene(TUDbAccess &access, const dba_job_struct &job, const QString &name, Counts &counts)
    {
        dba_scene_struct scene;
        QCOMPARE(access.dba_OpenScene(name, job, scene), 0);
        TUDbSceneData data;
        data.setScene(scene);
        const QVX_scene_version_table table = access.QVX_scene_versions_of_DBA_scene(scene);
        QVERIFY2(table.size() >= 2 && table.size() <= 3, qPrintable(name));
        QCOMPARE(scene.currentVersion, table.last().number);
        QVERIFY(scene.frames > 0);
        counts.versions += table.size();

        QMap<qint64, QString> elementNames;
        for (const QVX_element_data &element : access.read_DBA_elements(scene)) {
            elementNames[element.id] = element.name;
            QVector<dba_cel_struct> cels;
            QVERIFY(access.dba_GetCels(scene, element.id, cels) > 0);
            QCOMPARE(filesIn(local(data.sceneDir() + "/" + element.rootFolder + "/" + element.folder), "*.png").size(), cels.size());
            counts.drawings += cels.size();
        }
        QVERIFY(elementNames.size() >= 2);
        counts.elements += elementNames.size();

        for (const QVX_scene_version &version : table) {
            const QString base = QStringLiteral("%1/v%2").arg(local(data.stageDir())).arg(version.number);
            QVERIFY2(QFileInfo::exists(base + ".aux"), qPrintable(base));
            const auto elements = elementsOf(base + ".pavx");
            QVERIFY2(!elements.isEmpty(), qPrintable(base));
            // Drawing columns with their drawings, and the folders their read modules name.
            QMap<QString, QStringList> drawings;
            QMap<QString, QString> folders;
            QString column, module;
            int frames = -1, palettes = 0;
            for (const auto &[tag, a] : elements) {
                if (tag == "scene" && a.hasAttribute("scenenbframes")) {
                    frames = a.value("scenenbframes").toInt();
                } else if (tag == "column") {
                    column = a.value("columntype") == QLatin1String("6") ? a.value("columnname").toString() : QString();
                    if (!column.isEmpty())
                        drawings.insert(column, {});
                    const qint64 id = a.value("element").toLongLong();
                    QVERIFY2(id == 0 || elementNames.value(id) == column, qPrintable(base + " " + column));
                } else if (tag == "stringseq" && !column.isEmpty()) {
                    drawings[column] << a.value("val").toString();
                } else if (tag == "module") {
                    module = a.value("nodetype") == QLatin1String("READ") ? a.value("nodeinstancename").toString() : QString();
                } else if (tag == "name" && !module.isEmpty()) {
                    folders[module] = local(a.value("val").toString());
                } else if (tag == "palette") {
                    ++palettes;
                    QVERIFY2(QFileInfo(local(a.value("path").toString())).size() > 0, qPrintable(a.value("path").toString()));
                }
            }
            QCOMPARE(frames, scene.frames);
            // Each element, the lip-sync timing column, and at most one column
            // of drawings from outside the scene.
            int outside = 0;
            for (const QString &folder : folders)
                outside += folder.startsWith(local(data.sceneDir()) + "/") ? 0 : 1;
            QVERIFY(outside <= 1);
            QCOMPARE(drawings.size(), elementNames.size() + 1 + outside);
            QCOMPARE(palettes, 3);
            for (auto it = drawings.begin(); it != drawings.end(); ++it) {
                const QString folder = folders.value(it.key());
                QVERIFY2(!it.value().isEmpty() && QFileInfo(folder).isDir(), qPrintable(base + " " + it.key()));
                for (const QString &drawing : it.value())
                    QVERIFY2(!QImage(QStringLiteral("%1/%2-%3.png").arg(folder, it.key(), drawing)).isNull(), qPrintable(folder + " " + drawing));
                // Each drawing folder lists the palettes its drawings use.
                const QStringList palettes = linesOf(folder + "/PALETTE_LIST");
                QCOMPARE(palettes.value(0), QStringLiteral("palettes %1").arg(qMax(1, palettes.size() - 1)));
                for (const QString &palette : palettes.mid(1))
                    QVERIFY2(palette.startsWith(oswRemapPath::logicalRoot()) && QFileInfo::exists(local(palette)), qPrintable(palette));
            }
        }

        const QStringList sounds = filesIn(local(data.audioDir()), "*.wav");
        QFile sound(local(data.audioDir()) + "/" + sounds.value(0));
        QVERIFY(sounds.size() == 1 && sound.open(QIODevice::ReadOnly));
        const QByteArray wave = sound.readAll();
        QVERIFY(wave.startsWith("RIFF") && wave.mid(8, 8) == "WAVEfmt " && wave.size() > 44);
        QVERIFY(!filesIn(local(data.annotationDir()), "*").isEmpty());
        access.dba_CloseScene(scene);
    }

    static bool dropDatabase(const DBA_Url &url)
    {
        bool dropped = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "e2e-drop");
            db.setHostName(url.host);
            db.setPort(url.port);
            db.setUserName(url.user);
            db.setDatabaseName("postgres");
            dropped = db.open() && QSqlQuery(db).exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(url.database));
        }
        QSqlDatabase::removeDatabase("e2e-drop");
        return dropped;
    }

    std::unique_ptr<DbTestFixture> m_fixture;
};

QTEST_GUILESS_MAIN(tst_TallyardDb)
#include "tst_tallyard_db.moc"
