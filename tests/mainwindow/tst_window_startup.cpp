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

private slots:
    void init()
    {
        m_studio = std::make_unique<Studio>();
        QVERIFY2(m_studio->fill(), qPrintable(m_studio->fixture.errorString()));
    }
    void cleanup() { m_studio.reset(); }

    void windowShowsTheCommandLinesSelection_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("shown");
        QTest::newRow("positional") << QStringList{"Alpha", "A1", "s2"} << "env=Alpha job=A1 scene=s2 open=A1/s2";
        QTest::newRow("options") << QStringList{"-env", "Alpha", "-job", "A1", "-scene", "s1"}
                                 << "env=Alpha job=A1 scene=s1 open=A1/s1";
        QTest::newRow("no scene") << QStringList{"Alpha", "A1"} << "env=Alpha job=A1 scene= open=A1/";
        QTest::newRow("unknown scene") << QStringList{"Alpha", "A1", "s9"} << "env=Alpha job=A1 scene= open=A1/";
        QTest::newRow("environment alone selects nothing") << QStringList{"Alpha"} << "env= job= scene= open=/";
        QTest::newRow("environment in other case") << QStringList{"alpha", "A1", "s2"} << "env= job= scene= open=/";
        QTest::newRow("unknown job") << QStringList{"Alpha", "Z9", "s1"} << "env=Alpha job= scene= open=/";
        QTest::newRow("job of another environment") << QStringList{"Many", "A1", "s1"} << "env=Many job= scene= open=/";
        QTest::newRow("nothing named") << QStringList{} << "env= job= scene= open=/";
    }

    void windowShowsTheCommandLinesSelection()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, shown);
        const auto [status, err] = tallyard(QStringList{"-user", "admin"} + arguments, true);
        QVERIFY2(status == 0, qPrintable(QStringLiteral("status %1: %2").arg(status).arg(err)));
        QVERIFY2(err.contains(QStringLiteral("window: ") + shown + QStringLiteral(" dark=1\n")), qPrintable(err));
        // The window's session ended with it; only ours is left.
        QCOMPARE(m_studio->db->dba_GetSessions().size(), 1);
    }

    void noDisplayStopsOnlyWindowRuns_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("said");
        QTest::newRow("window run") << QStringList{"-user", "admin", "Alpha", "A1"} << 1
                                    << "No display is available: the Tallyard window needs one. Use -help for the "
                                       "batch operations.\n";
        QTest::newRow("batch run") << QStringList{"-batch", "-user", "admin", "-create", "-env", "Gamma"} << 0 << "";
    }

    void noDisplayStopsOnlyWindowRuns()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, said);
        const auto [ended, err] = tallyard(arguments, false);
        QVERIFY2(ended == status, qPrintable(QStringLiteral("status %1: %2").arg(ended).arg(err)));
        QVERIFY2(err.contains(said) && !err.contains(QStringLiteral("window:")), qPrintable(err));
        QStringList environments;
        m_studio->db->dba_GetEnvironments(environments);
        QCOMPARE(environments.contains(QStringLiteral("Gamma")), said.isEmpty());
    }

private:
    // Runs the program; its status (-1: it did not end) and standard error.

    std::pair<int, QString> tallyard(const QStringList &arguments, bool display)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TALLYARD_DB"), m_studio->fixture.url().toString());
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (display)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(WINDOW_DRIVER), arguments);
        const bool ended = process.waitForFinished(60000);
        if (!ended)
            process.kill();
        process.waitForFinished();
        const int status = !ended ? -1 : process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        return {status, QString::fromUtf8(process.readAllStandardError())};
    }

    std::unique_ptr<Studio> m_studio;
};


QTEST_GUILESS_MAIN(tst_WindowStartup)
#include "tst_window_startup.moc"
