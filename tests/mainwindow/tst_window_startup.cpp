#include "Studio.h"

#include <QProcess>

// A window run of the real start-up over the studio of Studio.h: the window
// shows with what the command line names selected and open, as far as it
// exists (case and all), and the dark style on; the run ends with status 0
// once it closes. Without a display a window run stops with a clear message
// instead of crashing, while batch runs go on.
class tst_WindowStartup : public QObject
{
    Q_OBJECT

    std::unique_ptr<Studio> m_studio;

private slots:
    void init()
    {
        m_studio = std::make_unique<Studio>();
        QVERIFY2(m_studio->fill(), qPrintable(m_studio->fixture.errorString()));
    }

    void cleanup() { m_studio.reset(); }

    void runs_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("display");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        const QStringList admin{"-user", "admin"};
        // A window run as admin, and what the window shows.
        auto window = [&admin](const char *name, const QStringList &named, const char *shown) {
            QTest::newRow(name) << admin + named << true << 0 << QStringLiteral("window: %1 dark=1\n").arg(shown);
        };
        window("positional", {"Alpha", "A1", "s2"}, "env=Alpha job=A1 scene=s2 open=A1/s2");
        window("options", {"-env", "Alpha", "-job", "A1", "-scene", "s1"}, "env=Alpha job=A1 scene=s1 open=A1/s1");
        window("no scene", {"Alpha", "A1"}, "env=Alpha job=A1 scene= open=A1/");
        window("unknown scene", {"Alpha", "A1", "s9"}, "env=Alpha job=A1 scene= open=A1/");
        window("environment alone selects nothing", {"Alpha"}, "env= job= scene= open=/");
        window("environment in other case", {"alpha", "A1", "s2"}, "env= job= scene= open=/");
        window("unknown job", {"Alpha", "Z9", "s1"}, "env=Alpha job= scene= open=/");
        window("job of another environment", {"Many", "A1", "s1"}, "env=Many job= scene= open=/");
        window("nothing named", {}, "env= job= scene= open=/");
        QTest::newRow("no display") << admin + QStringList{"Alpha", "A1"} << false << 1
                                    << "No display is available: the Tallyard window needs one. Use -help for the "
                                       "batch operations.\n";
        // Nobody remembered: the login dialog, dark from the start; cancelled, the run ends quietly.
        QTest::newRow("login") << QStringList{} << true << 0 << "login dialog:  (no OK) dark\n";
        // Without "-batch", the dialog over the window; the run ends when it closes.
        QTest::newRow("export dialog") << admin + QStringList{"-export", "-export_env", "Alpha", "-export_job", "A1",
                                                              "-export_scene", "s1", "-export_scene", "s3"}
                                       << true << 0 << "dialog: Export Scene(s) scenes=2\n";
        QTest::newRow("import dialog") << admin + QStringList{"-import", "-target_env", "Alpha", "-target_job", "A1"}
                                       << true << 0 << "dialog: Import Scene(s) scenes=0\n";
        QTest::newRow("batch run, no display") << QStringList{"-batch", "-create", "-env", "Gamma"} + admin << false
                                               << 0 << "";
    }

    void runs()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, display);
        QFETCH(int, status);
        QFETCH(QString, said);
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TALLYARD_DB"), m_studio->fixture.url().toString());
        // A home of its own: no run remembers the login of the one before.
        QTemporaryDir home;
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        if (display)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(WINDOW_DRIVER), arguments);
        QVERIFY2(process.waitForFinished(60000), "the run did not end");
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == status, qPrintable(err));
        QVERIFY2(err.contains(said) && err.contains(QStringLiteral("window:")) == said.startsWith("window:"), qPrintable(err));
        // The window's session ended with it; only ours is left. Only the batch run made Gamma.
        QCOMPARE(m_studio->db->dba_GetSessions().size(), 1);
        QStringList environments;
        m_studio->db->dba_GetEnvironments(environments);
        QCOMPARE(environments.contains(QStringLiteral("Gamma")), said.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_WindowStartup)
#include "tst_window_startup.moc"
