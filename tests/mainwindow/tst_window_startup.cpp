#include "DbTestFixture.h"
#include "TUDbAccess.h"

#include <QProcess>
#include <QtTest>

// A window run of the real start-up: the window shows with what the command
// line names selected and the dark style on, and the run ends with status 0
// once it closes. Without a display a window run stops with a clear message
// instead of crashing, while batch runs go on.
class tst_WindowStartup : public QObject
{
    Q_OBJECT

    struct Run {
        int status;
        QString err;
    };

private slots:
    void init();
    void cleanup();

    void windowShowsTheCommandLinesSelection_data();
    void windowShowsTheCommandLinesSelection();
    void noDisplayStopsOnlyWindowRuns_data();
    void noDisplayStopsOnlyWindowRuns();

private:
    Run tallyard(const QStringList &arguments, bool display);

    std::unique_ptr<DbTestFixture> m_fixture;
    std::unique_ptr<TUDbAccess> m_db;
};

void tst_WindowStartup::init()
{
    m_fixture = std::make_unique<DbTestFixture>();
    m_db = m_fixture->open();
    QVERIFY2(m_db, qPrintable(m_fixture->errorString()));
    QVERIFY(m_db->createEnv(QStringLiteral("Alpha"), false));
    dba_job_struct job;
    job.name = QStringLiteral("A1");
    job.environment = QStringLiteral("Alpha");
    QVERIFY(m_db->dba_createJob(job) > 0);
    QCOMPARE(m_db->dba_OpenJob(job.name, job), 0);
    for (const char *scene : {"s1", "s2"})
        QVERIFY(m_db->dba_CreateScene(job, QLatin1String(scene), QString(), m_fixture->fileSystem(), QString(), 1, -1, 1));
}

void tst_WindowStartup::cleanup()
{
    m_db.reset();
    m_fixture.reset();
}

tst_WindowStartup::Run tst_WindowStartup::tallyard(const QStringList &arguments, bool display)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TALLYARD_DB"), m_fixture->url().toString());
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (display)
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    else
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(WINDOW_DRIVER), arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return {-1, QStringLiteral("did not end: ") + QString::fromUtf8(process.readAllStandardError())};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2,
            QString::fromUtf8(process.readAllStandardError())};
}

void tst_WindowStartup::windowShowsTheCommandLinesSelection_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("shown");
    QTest::newRow("positional") << QStringList{"Alpha", "A1", "s2"} << "env=Alpha job=A1 scene=s2";
    QTest::newRow("options") << QStringList{"-env", "Alpha", "-job", "A1", "-scene", "s1"} << "env=Alpha job=A1 scene=s1";
    QTest::newRow("no scene") << QStringList{"Alpha", "A1"} << "env=Alpha job=A1 scene=";
    QTest::newRow("environment alone selects nothing") << QStringList{"Alpha"} << "env= job= scene=";
    QTest::newRow("unknown job") << QStringList{"Alpha", "Z9", "s1"} << "env=Alpha job= scene=";
    QTest::newRow("nothing named") << QStringList{} << "env= job= scene=";
}

void tst_WindowStartup::windowShowsTheCommandLinesSelection()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, shown);
    const Run run = tallyard(QStringList{"-user", "admin"} + arguments, true);
    QVERIFY2(run.status == 0, qPrintable(QStringLiteral("status %1: %2").arg(run.status).arg(run.err)));
    QVERIFY2(run.err.contains(QStringLiteral("window: ") + shown + QStringLiteral(" dark=1\n")), qPrintable(run.err));
    // The window's session ended with it; only ours is left.
    QCOMPARE(m_db->dba_GetSessions().size(), 1);
}

void tst_WindowStartup::noDisplayStopsOnlyWindowRuns_data()
{
    const QString message = QStringLiteral("No display is available: the Tallyard window needs one. "
                                           "Use -help for the batch operations.");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::addColumn<bool>("created");
    QTest::newRow("window run") << QStringList{"-user", "admin", "Alpha", "A1"} << 1 << message << false;
    QTest::newRow("batch run") << QStringList{"-batch", "-user", "admin", "-create", "-env", "Beta"} << 0 << QString()
                               << true;
}

void tst_WindowStartup::noDisplayStopsOnlyWindowRuns()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, said);
    QFETCH(bool, created);
    const Run run = tallyard(arguments, false);
    QVERIFY2(run.status == status, qPrintable(QStringLiteral("status %1: %2").arg(run.status).arg(run.err)));
    if (!said.isEmpty())
        QVERIFY2(run.err.contains(said + QLatin1Char('\n')), qPrintable(run.err));
    QVERIFY2(!run.err.contains(QStringLiteral("window:")), qPrintable(run.err));
    QStringList environments;
    m_db->dba_GetEnvironments(environments);
    QCOMPARE(environments.contains(QStringLiteral("Beta")), created);
}

QTEST_GUILESS_MAIN(tst_WindowStartup)
#include "tst_window_startup.moc"
