#include "RecordingSink.h"
#include "TUTYLauncher.h"

#include <QtTest>

// The command lines of the scene editor and the queue program, and programs
// that do not start. The window's tests run both through the window.
class tst_Launcher : public QObject
{
    Q_OBJECT

private slots:
    void editorArgumentsFollowTheLockStyle_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<int>("lockStyle");
        QTest::addColumn<QStringList>("expected");
        const QStringList ann{"-loadFromTY", "-user", "ann"};
        QTest::newRow("no lock") << "ann" << 0 << ann + QStringList{"-readonly", "E", "J", "S"};
        QTest::newRow("scene lock") << "ann" << 1 << ann + QStringList{"-lockScene", "E", "J", "S"};
        QTest::newRow("version lock adds nothing") << "ann" << 2 << ann + QStringList{"E", "J", "S"};
        QTest::newRow("asset lock") << "ann" << 3 << ann + QStringList{"-lockAssets", "E", "J", "S"};
        QTest::newRow("no user") << "" << 1 << QStringList{"-loadFromTY", "-lockScene", "E", "J", "S"};
    }

    void editorArgumentsFollowTheLockStyle()
    {
        QFETCH(QString, user);
        QFETCH(int, lockStyle);
        QFETCH(QStringList, expected);
        QCOMPARE(TUTYLauncher::editorArguments(user, lockStyle, "E", "J", "S"), expected);
    }

    void queueArgumentsCarryLanguageAndStyle_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("fake");
        QTest::addColumn<bool>("dark");
        QTest::addColumn<QStringList>("extra");
        QTest::newRow("english, dark") << "en" << false << true << QStringList();
        QTest::newRow("english, light") << "en" << false << false << QStringList{"-useLightStyle"};
        QTest::newRow("french, dark") << "fr" << false << true << QStringList{"-lang", "fr"};
        QTest::newRow("french, light") << "fr" << false << false << QStringList{"-lang", "fr", "-useLightStyle"};
        QTest::newRow("fake translation") << "en" << true << true << QStringList{"-fakeTranslation", "en"};
        QTest::newRow("fake before language") << "de" << true << false
                                              << QStringList{"-fakeTranslation", "de", "-useLightStyle"};
    }

    void queueArgumentsCarryLanguageAndStyle()
    {
        QFETCH(QString, language);
        QFETCH(bool, fake);
        QFETCH(bool, dark);
        QFETCH(QStringList, extra);
        QCOMPARE(TUTYLauncher::queueArguments("-vect", "E", "ann", language, fake, dark),
                 QStringList({"-vect", "E", "ann"}) + extra);
    }

    void programsThatCannotStartAreReported()
    {
        RecordingSink sink;
        qputenv("TALLYARD_EDITOR", QByteArray("/nonexistent/Pavane"));
        qputenv("TALLYARD_QUEUE", QByteArray("/nonexistent/Queue"));
        TUTYLauncher launcher(nullptr);
        QVERIFY(!launcher.openScene("ann", TUTYLauncher::VersionLock, "E", "J", "S"));
        QVERIFY(!launcher.startQueue("-vect", "E", "ann", true));
        QCOMPARE(launcher.editorCount() + launcher.queueProgramCount(), 0);
        QVERIFY(!launcher.isSceneOpenInProgress());
        QCOMPARE(sink.lines(), QStringList({"E Cannot load scene E/J/S.\n", "E Error starting ksQueue application\n"}));
    }
};

QTEST_MAIN(tst_Launcher)
#include "tst_launcher.moc"
