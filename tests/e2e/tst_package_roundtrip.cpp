#include "DbTestFixture.h"
#include "ProgramRun.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QtTest>

// Scenes moved between databases with the built programs, as a studio
// does: export, import elsewhere under other names, and back.
class tst_PackageRoundTrip : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_source;   // the demo studio, on SQLite
    QString m_other;    // SQLite, or PostgreSQL in the test's PostgreSQL run
    std::unique_ptr<DbTestFixture> m_otherFixture;

    ProgramRun run(const QString &program, const QString &database, const QStringList &arguments,
                   const QProcessEnvironment &extra = {})
    {
        QProcessEnvironment env = extra;
        env.insert("TALLYARD_DB", database);
        return ProgramRun(program, arguments, env);
    }
    // tallyard in batch, which must end with status.
    void tallyard(const QString &database, const QString &command, int status = 0)
    {
        const ProgramRun result = run(TALLYARD_BIN, database, ("-batch " + command).split(' ', Qt::SkipEmptyParts));
        QVERIFY2(result.status == status, qPrintable(command + ":\n" + result.err));
    }
    QString path(const QString &name) const { return m_dir.path() + '/' + name; }
    QString sourceRoot() const { return path("source"); }

    static QStringList filesBelow(const QString &folder)
    {
        QStringList files;
        QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next().mid(folder.size() + 1);
        files.sort();
        return files;
    }
    static QByteArray read(const QString &file) { return DbTestFixture::readFile(file); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_source = "sqlite://" + sourceRoot();
        for (const char *command : {"init", "demo"})
            QCOMPARE(run(TALLYARD_DB_BIN, m_source, {command}).status, 0);
        if (DbTestFixture::isPostgres()) {
            m_otherFixture = std::make_unique<DbTestFixture>();
            QVERIFY2(m_otherFixture->isValid(), qPrintable(m_otherFixture->errorString()));
            m_other = m_otherFixture->url().toString();
        } else {
            m_other = "sqlite://" + path("other");
        }
        QCOMPARE(run(TALLYARD_DB_BIN, m_other, {"init"}).status, 0);
        tallyard(m_other, "-create -env E2");
        tallyard(m_other, "-create -env E2 -job J2");
        tallyard(m_source, "-create -env E3");
        tallyard(m_source, "-create -env E3 -job J3");
    }

    // lighthouse goes to the other database as J2 and comes back as J3: the
    // packages of the first and last hops hold the same files, byte for
    // byte, and the same records; the scenes' rewritten files name only
    // their own folders.
    void roundTrip()
    {
        const QString fs = " -filesys /QVX_DB/scenes -path ";
        tallyard(m_source, "-export -export_env Feature -export_job lighthouse -export_all -path " + path("P1"));
        tallyard(m_other, "-import -target_env E2 -target_job J2" + fs + path("P1"));
        tallyard(m_other, "-export -export_env E2 -export_job J2 -export_all -path " + path("P2"));
        tallyard(m_source, "-import -target_env E3 -target_job J3" + fs + path("P2"));
        tallyard(m_source, "-export -export_env E3 -export_job J3 -export_all -path " + path("P3"));

        QStringList first = filesBelow(path("P1")), last = filesBelow(path("P3"));
        first.replaceInStrings(QRegularExpression("^jobs/lighthouse/"), "jobs/J3/")
            .replaceInStrings(QRegularExpression("^environments/Feature/"), "environments/E3/")
            .replaceInStrings("drawing-types/Feature/lighthouse.types", "drawing-types/E3/J3.types");
        first.sort();
        QCOMPARE(last, first);
        QVERIFY(first.contains("jobs/J3/scene-sc010/stage/v2.pavx"));
        // Element ids and the scene record name their own database.
        const QRegularExpression ownDatabase("^contents.ksup$|scene.dbexport$|element_attr.dbexport$");
        for (const QString &file : last) {
            if (ownDatabase.match(file).hasMatch())
                continue;
            const QString original = QString(file).replace("jobs/J3/", "jobs/lighthouse/").replace("environments/E3/", "environments/Feature/")
                                         .replace("E3/J3.types", "Feature/lighthouse.types");
            QVERIFY2(read(path("P3/") + file) == read(path("P1/") + original), qPrintable(file));
        }
        for (const QString scene : {"sc010", "sc020"}) {
            const QString table = "/jobs/%1/scene-" + QString(scene) + "/database/element_attr.dbexport";
            const auto withoutIds = [](QByteArray text) { return QString(text).remove(QRegularExpression("\nID\t: \\d+")); };
            QCOMPARE(withoutIds(read(path("P3") + table.arg("J3"))), withoutIds(read(path("P1") + table.arg("lighthouse"))));
        }
        const QString imported = sourceRoot() + "/scenes/J3/scene-sc010";
        for (const QString file : {"stage/v2.pavx", "elements/bg/PALETTE_LIST"}) {
            const QString text = read(imported + '/' + file);
            QVERIFY2(text.contains("/QVX_DB/scenes/J3/scene-sc010/") && text.contains("/QVX_DB/environments/E3/"), qPrintable(text));
            QVERIFY2(!text.contains("lighthouse/") && !text.contains("J2") && !text.contains("__"), qPrintable(text));
        }
    }

    // An offline package opens without the database; one of its scene files
    // brings the scene back as a new one.
    void offlineSceneImportedStandalone()
    {
        tallyard(m_source, "-export -offline -export_env Feature -export_job lighthouse -export_scene sc020 -path " + path("off"));
        const QString folder = path("off/lighthouse/sc020");
        QVERIFY2(QFileInfo::exists(folder + "/sc020.v3.pavx"), qPrintable(filesBelow(folder).join('\n')));
        QVERIFY(!read(folder + "/sc020.v3.pavx").contains("/scene-sc020"));
        tallyard(m_other, "-import -target_env E2 -target_job J2 -filesys /QVX_DB/scenes -path " + folder + "/sc020.v3.pavx -import_scene x");
        // The import went to the other database, whose root we only know on SQLite.
        if (DbTestFixture::isPostgres())
            return;
        const QString scene = path("other/scenes/J2/scene-sc020");
        QCOMPARE(filesBelow(scene + "/stage").filter(".pavx"), (QStringList{"v1.pavx", "v2.pavx", "v3.pavx"}));
        QCOMPARE(read(scene + "/elements/bg/bg-1.png"), read(sourceRoot() + "/scenes/lighthouse/scene-sc020/elements/bg/bg-1.png"));
    }

    // An export killed half-way through a scene leaves a package that lists
    // only the scenes written before; importing it brings back exactly those.
    void killedExportKeepsWholeScenes()
    {
        QProcessEnvironment fault;
        fault.insert("TALLYARD_FAULT_POINT", "export-scene-midway-sc020:die");
        const ProgramRun killed = run(TALLYARD_BIN, m_source,
                                      ("-batch -export -export_env Feature -export_job lighthouse -export_default -path " + path("K")).split(' '),
                                      fault);
        QCOMPARE(killed.status, -1);
        QVERIFY(QFileInfo(path("K/jobs/lighthouse/scene-sc020/elements")).isDir());
        const QString contents = read(path("K/contents.ksup"));
        QVERIFY2(contents.contains("Scene : Feature lighthouse sc010") && !contents.contains("sc020"), qPrintable(contents));
        tallyard(m_source, "-create -env E3 -job K3");
        tallyard(m_source, "-import -target_env E3 -target_job K3 -filesys /QVX_DB/scenes -path " + path("K"));
        QCOMPARE(QDir(sourceRoot() + "/scenes/K3").entryList(QDir::Dirs | QDir::NoDotAndDotDot), QStringList{"scene-sc010"});
    }
};

QTEST_GUILESS_MAIN(tst_PackageRoundTrip)
#include "tst_package_roundtrip.moc"
