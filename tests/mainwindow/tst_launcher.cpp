#include "OSW_Lang.h"
#include "RecordingSink.h"
#include "StandInProgram.h"
#include "TUTYLauncher.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <memory>

// Starting the scene editor and the queue program: their command lines, the
// "done" line that ends a scene open, one queue program per mode and
// environment, and stopping what still runs.
class tst_Launcher : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void editorArgumentsFollowTheLockStyle_data();
    void editorArgumentsFollowTheLockStyle();
    void queueArgumentsCarryLanguageAndStyle_data();
    void queueArgumentsCarryLanguageAndStyle();
    void editorRunsWithItsCommandLine();
    void doneEndsTheOpenButTheEntryLastsUntilExit();
    void editorThatCannotStartIsReported();
    void queueProgramRunsOncePerModeAndEnvironment();
    void queueProgramGetsItsCommandLine();
    void queueProgramThatCannotStartIsReported();
    void destroyingTheLauncherStopsWhatRuns();

private:
    static QStringList loggedRuns(const QString &log);

    std::unique_ptr<RecordingSink> m_sink;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_log;
};

void tst_Launcher::init()
{
    m_sink = std::make_unique<RecordingSink>();
    m_dir = std::make_unique<QTemporaryDir>();
    m_log = m_dir->path() + QStringLiteral("/fake.log");
    qputenv("FAKE_EDITOR_LOG", m_log.toUtf8());
    qputenv("TALLYARD_EDITOR", FAKE_EDITOR);
    qputenv("TALLYARD_QUEUE", FAKE_EDITOR);
    OSW_Lang::setDefaultLanguage(QStringLiteral("en"));
}

void tst_Launcher::cleanup()
{
    qunsetenv("TALLYARD_EDITOR");
    qunsetenv("TALLYARD_QUEUE");
    qunsetenv("FAKE_EDITOR_LOG");
    m_dir.reset();
    m_sink.reset();
}

QStringList tst_Launcher::loggedRuns(const QString &log)
{
    QFile file(log);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void tst_Launcher::editorArgumentsFollowTheLockStyle_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<int>("lockStyle");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("no lock") << "ann" << 0 << QStringList{"-loadFromTY", "-user", "ann", "-readonly", "E", "J", "S"};
    QTest::newRow("scene lock") << "ann" << 1 << QStringList{"-loadFromTY", "-user", "ann", "-lockScene", "E", "J", "S"};
    QTest::newRow("version lock adds nothing") << "ann" << 2 << QStringList{"-loadFromTY", "-user", "ann", "E", "J", "S"};
    QTest::newRow("asset lock") << "ann" << 3 << QStringList{"-loadFromTY", "-user", "ann", "-lockAssets", "E", "J", "S"};
    QTest::newRow("no user") << "" << 1 << QStringList{"-loadFromTY", "-lockScene", "E", "J", "S"};
}

void tst_Launcher::editorArgumentsFollowTheLockStyle()
{
    QFETCH(QString, user);
    QFETCH(int, lockStyle);
    QFETCH(QStringList, expected);
    QCOMPARE(TUTYLauncher::editorArguments(user, lockStyle, "E", "J", "S"), expected);
}

void tst_Launcher::queueArgumentsCarryLanguageAndStyle_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<bool>("fake");
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("english, dark") << "en" << false << true << QStringList{"-vect", "E", "ann"};
    QTest::newRow("english, light") << "en" << false << false << QStringList{"-vect", "E", "ann", "-useLightStyle"};
    QTest::newRow("french, dark") << "fr" << false << true << QStringList{"-vect", "E", "ann", "-lang", "fr"};
    QTest::newRow("french, light") << "fr" << false << false
                                   << QStringList{"-vect", "E", "ann", "-lang", "fr", "-useLightStyle"};
    QTest::newRow("fake translation") << "en" << true << true << QStringList{"-vect", "E", "ann", "-fakeTranslation", "en"};
    QTest::newRow("fake before language") << "de" << true << false
                                          << QStringList{"-vect", "E", "ann", "-fakeTranslation", "de", "-useLightStyle"};
}

void tst_Launcher::queueArgumentsCarryLanguageAndStyle()
{
    QFETCH(QString, language);
    QFETCH(bool, fake);
    QFETCH(bool, dark);
    QFETCH(QStringList, expected);
    QCOMPARE(TUTYLauncher::queueArguments("-vect", "E", "ann", language, fake, dark), expected);
}

void tst_Launcher::editorRunsWithItsCommandLine()
{
    TUTYLauncher launcher(nullptr);
    QVERIFY(launcher.openScene("ann", TUTYLauncher::SceneLock, "Env", "Job", "sc 1"));
    QVERIFY(launcher.openScene("ann", TUTYLauncher::VersionLock, "Env", "Job", "sc2"));
    QCOMPARE(launcher.editorCount(), 2);
    // Each entry goes when its editor exits.
    QTRY_COMPARE(launcher.editorCount(), 0);
    QVERIFY(!launcher.isSceneOpenInProgress());
    QStringList runs = loggedRuns(m_log);
    runs.sort();
    QCOMPARE(runs, QStringList({"-loadFromTY\t-user\tann\t-lockScene\tEnv\tJob\tsc 1",
                                "-loadFromTY\t-user\tann\tEnv\tJob\tsc2"}));
    QVERIFY2(m_sink->messages().isEmpty(), qPrintable(m_sink->dump()));
}

void tst_Launcher::doneEndsTheOpenButTheEntryLastsUntilExit()
{
    StandInProgram editor;
    QVERIFY(editor.isValid());
    qputenv("TALLYARD_EDITOR", editor.path().toUtf8());
    TUTYLauncher launcher(nullptr);
    QVERIFY(launcher.openScene("ann", TUTYLauncher::NoLock, "E", "J", "S"));
    QVERIFY(launcher.isSceneOpenInProgress());
    // "loading" is not "done".
    QTRY_COMPARE(editor.runs().size(), 1);
    QVERIFY(launcher.isSceneOpenInProgress());

    editor.releaseDone();
    QTRY_VERIFY(!launcher.isSceneOpenInProgress());
    QCOMPARE(launcher.editorCount(), 1);

    editor.releaseExit();
    QTRY_COMPARE(launcher.editorCount(), 0);
}

void tst_Launcher::editorThatCannotStartIsReported()
{
    qputenv("TALLYARD_EDITOR", QByteArray("/nonexistent/Pavane"));
    TUTYLauncher launcher(nullptr);
    QVERIFY(!launcher.openScene("ann", TUTYLauncher::VersionLock, "E", "J", "S"));
    QCOMPARE(launcher.editorCount(), 0);
    QVERIFY(!launcher.isSceneOpenInProgress());
    QVERIFY2(m_sink->has('E', "Cannot load scene E/J/S.\n"), qPrintable(m_sink->dump()));
}

void tst_Launcher::queueProgramRunsOncePerModeAndEnvironment()
{
    StandInProgram queue;
    QVERIFY(queue.isValid());
    qputenv("TALLYARD_QUEUE", queue.path().toUtf8());
    TUTYLauncher launcher(nullptr);
    QVERIFY(launcher.startQueue("-vect", "E1", "ann", true));
    QVERIFY(launcher.startQueue("-vect", "E1", "ann", true));
    QVERIFY(launcher.startQueue("-camera", "E1", "ann", true));
    QVERIFY(launcher.startQueue("-vect", "E2", "ann", true));
    QCOMPARE(launcher.queueProgramCount(), 3);
    QTRY_COMPARE(queue.runs().size(), 3);
    // The programs run side by side; their log lines come in any order.
    QVector<QStringList> runs = queue.runs();
    std::sort(runs.begin(), runs.end());
    QCOMPARE(runs, QVector<QStringList>({{"-camera", "E1", "ann"}, {"-vect", "E1", "ann"}, {"-vect", "E2", "ann"}}));
    QVERIFY(launcher.isQueueRunning("-vect", "E1"));
    QVERIFY(!launcher.isQueueRunning("-camera", "E2"));

    // Once it has ended, asking again starts it again.
    queue.releaseDone();
    queue.releaseExit();
    QTRY_COMPARE(launcher.queueProgramCount(), 0);
    QVERIFY(!launcher.isQueueRunning("-vect", "E1"));
    QVERIFY(launcher.startQueue("-vect", "E1", "ann", true));
    QTRY_COMPARE(queue.runs().size(), 4);
}

void tst_Launcher::queueProgramGetsItsCommandLine()
{
    TUTYLauncher launcher(nullptr);
    QVERIFY(launcher.startQueue("-camera", "Env", "ann", false));
    QTRY_COMPARE(launcher.queueProgramCount(), 0);
    QCOMPARE(loggedRuns(m_log), QStringList({"-camera\tEnv\tann\t-useLightStyle"}));
}

void tst_Launcher::queueProgramThatCannotStartIsReported()
{
    qputenv("TALLYARD_QUEUE", QByteArray("/nonexistent/Queue"));
    TUTYLauncher launcher(nullptr);
    QVERIFY(!launcher.startQueue("-vect", "E", "ann", true));
    QCOMPARE(launcher.queueProgramCount(), 0);
    QVERIFY2(m_sink->has('E', "Error starting ksQueue application\n"), qPrintable(m_sink->dump()));
}

void tst_Launcher::destroyingTheLauncherStopsWhatRuns()
{
    StandInProgram program;
    QVERIFY(program.isValid());
    qputenv("TALLYARD_EDITOR", program.path().toUtf8());
    qputenv("TALLYARD_QUEUE", program.path().toUtf8());
    auto launcher = std::make_unique<TUTYLauncher>(nullptr);
    QVERIFY(launcher->openScene("ann", TUTYLauncher::VersionLock, "E", "J", "S"));
    QVERIFY(launcher->startQueue("-vect", "E", "ann", true));
    QVector<qint64> pids;
    for (const QProcess *process : launcher->findChildren<QProcess *>())
        pids.append(process->processId());
    QCOMPARE(pids.size(), 2);
    launcher.reset();
    // Stopped and reaped: no such processes any more.
    for (qint64 pid : pids)
        QVERIFY(::kill(pid_t(pid), 0) != 0);
}

QTEST_MAIN(tst_Launcher)
#include "tst_launcher.moc"
