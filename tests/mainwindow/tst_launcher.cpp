#include "RecordingSink.h"
#include "TUTYLauncher.h"

#include <QtTest>

// The command lines of the scene editor and the queue program, and programs
// that do not start. The window's tests run both through the window.
class tst_Launcher : public QObject
{
    Q_OBJECT

private slots:
    void editorArgumentsFollowTheLockStyle()
    {
        // The user, the lock style, and what goes before environment, job and scene.
        const std::tuple<const char *, int, const char *> rows[] = {
            {"ann", 0, "-loadFromTY -user ann -readonly"}, {"ann", 1, "-loadFromTY -user ann -lockScene"},
            {"ann", 2, "-loadFromTY -user ann"}, {"ann", 3, "-loadFromTY -user ann -lockAssets"},
            {"", 1, "-loadFromTY -lockScene"}};
        for (const auto &[user, lockStyle, expected] : rows)
            QCOMPARE(TUTYLauncher::editorArguments(user, lockStyle, "E", "J", "S").join(' '), expected + QString(" E J S"));
    }

    void queueArgumentsCarryLanguageAndStyle()
    {
        // The language, whether it is a fake translation, whether the style is
        // dark, and what goes after mode, environment and user.
        const std::tuple<const char *, bool, bool, QStringList> rows[] = {
            {"en", false, true, {}},
            {"en", false, false, {"-useLightStyle"}},
            {"fr", false, true, {"-lang", "fr"}},
            {"fr", false, false, {"-lang", "fr", "-useLightStyle"}},
            {"en", true, true, {"-fakeTranslation", "en"}},
            {"de", true, false, {"-fakeTranslation", "de", "-useLightStyle"}}};
        for (const auto &[language, fake, dark, extra] : rows)
            QCOMPARE(TUTYLauncher::queueArguments("-vect", "E", "ann", language, fake, dark),
                     QStringList({"-vect", "E", "ann"}) + extra);
    }

    void programsThatCannotStartAreReported()
    {
        RecordingSink sink;
        qputenv("TALLYARD_EDITOR", QByteArray("/nonexistent/Pavane"));
        qputenv("TALLYARD_QUEUE", QByteArray("/nonexistent/Queue"));
        TUTYLauncher launcher(nullptr);
        QVERIFY(!launcher.openScene("ann", TUTYLauncher::VersionLock, "E", "J", "S", "/r/J/scene-S"));
        QVERIFY(!launcher.startQueue("-vect", "E", "ann", true));
        QCOMPARE(launcher.editorCount() + launcher.queueProgramCount(), 0);
        QVERIFY(!launcher.isSceneOpenInProgress());
        QCOMPARE(sink.lines(), QStringList({"E Cannot load scene /r/J/scene-S.\n", "E Error starting ksQueue application\n"}));
    }
};

QTEST_MAIN(tst_Launcher)
#include "tst_launcher.moc"
