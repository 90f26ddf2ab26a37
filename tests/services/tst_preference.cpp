#include "BAPP_SharedFolders.h"
#include "PR_Preference.h"
#include "TestFiles.h"

#include <QStandardPaths>


class tst_Preference : public QObject
{
    Q_OBJECT

    std::unique_ptr<ScratchDir> m_dir;

private slots:
    void init() { QVERIFY((m_dir = std::make_unique<ScratchDir>())->isValid()); }
    void cleanup() { m_dir.reset(); }

    // What was set or added by hand comes back from a fresh store, a typo as the default, never
    // a wrong value. The file is plain UTF-8 text, its folder made when missing.
    void valuesSurviveAFreshStore()
    {
        const QString path = m_dir->filePath(QStringLiteral("prefs/user.ini"));
        auto prefs = PR_Preference::createPreference(path);
        QCOMPARE(prefs->getErrorCode(), int(PR_Preference::NoError));
        prefs->setIntValue(QStringLiteral("window/width"), -1280);
        prefs->setBoolValue(QStringLiteral("on"), true);
        prefs->setBoolValue(QStringLiteral("off"), false);
        prefs->setStringValue(QStringLiteral("login/last"), QStringLiteral("Zoë, lighting"));
        prefs->setStringValue(QStringLiteral("empty"), QString());
        QVERIFY2(prefs->save(), qPrintable(prefs->getPrefErrorMessage()));
        const QByteArray text = readFile(path);
        QVERIFY2(text.contains("on=true") && text.contains("off=false") && text.contains(QStringLiteral("Zoë").toUtf8()), text.constData());
        writeFile(path, text + "[hand]\nn=42\nT=TRUE\none=1\nzero=0\ntext=maybe\nlist=a,b\nquoted=\"a, b\"\n");

        prefs = PR_Preference::createPreference(path);
        QCOMPARE(prefs->getErrorCode(), int(PR_Preference::NoError));
        QCOMPARE(prefs->path(), path);
        QVERIFY(prefs->contains(QStringLiteral("empty")) && !prefs->contains(QStringLiteral("missing")));
        // Each: key, int (default 99), bool with default false and true, string (default "dflt").
        QStringList got;
        for (const QString key : {"window/width", "on", "off", "login/last", "empty", "missing", "hand/n", "hand/T", "hand/one",
                                  "hand/zero", "hand/text", "hand/list", "hand/quoted"}) {
            got << QStringLiteral("%1 %2 %3%4 %5").arg(key).arg(prefs->getIntValue(key, 99))
                       .arg(prefs->getBoolValue(key, false)).arg(prefs->getBoolValue(key, true))
                       .arg(prefs->getStringValue(key, QStringLiteral("dflt")));
        }
        QCOMPARE(got, QStringList({"window/width -1280 01 -1280", "on 99 11 true", "off 99 00 false", "login/last 99 01 Zoë, lighting",
                                   "empty 99 01 ", "missing 99 01 dflt", "hand/n 42 01 42", "hand/T 99 11 TRUE", "hand/one 1 11 1",
                                   "hand/zero 0 00 0", "hand/text 99 01 maybe", "hand/list 99 01 a,b", "hand/quoted 99 01 a, b"}));

        // The user's own store lives in the user configuration folder, once per process
        // (test mode keeps it away from a real user's files when run by hand).
        QStandardPaths::setTestModeEnabled(true);
        PR_Preference &local = PR_Preference::localPrefs();
        QCOMPARE(local.path(), BAPP_SharedFolders::userConfig() + QStringLiteral("/local.ini"));
        QCOMPARE(&PR_Preference::localPrefs(), &local);
        local.setStringValue(QStringLiteral("login/last"), QStringLiteral("anna"));
        QVERIFY2(local.save(), qPrintable(local.getPrefErrorMessage()));
        QCOMPARE(PR_Preference::createPreference(local.path())->getStringValue(QStringLiteral("login/last")), QStringLiteral("anna"));
    }

    // A store that cannot be read is never written over; one that cannot be written says where
    // and why. What is at "p" is left as it was.
    void brokenStores_data()
    {
        QTest::addColumn<QByteArray>("content"); // of "p", "/" for a folder
        QTest::addColumn<int>("mode");           // of "p", 0 to leave it
        QTest::addColumn<QString>("store");
        QTest::addColumn<int>("openCode");
        QTest::addColumn<int>("reason"); // what a failed save names, 0: nothing in particular
        QTest::newRow("no read permission") << QByteArray("[General]\nkeep=1\n") << 0200 << "p" << int(PR_Preference::ReadError) << 0;
        QTest::newRow("a folder where the file should be") << QByteArray("/") << 0 << "p" << int(PR_Preference::ReadError) << 0;
        // An unclosed section header is the one fault QSettings' INI reader reports.
        QTest::newRow("malformed") << QByteArray("[General\nkeep=1\n") << 0 << "p" << int(PR_Preference::FormatError) << 0;
        QTest::newRow("read-only folder") << QByteArray("/") << 0500 << "p/prefs.ini" << int(PR_Preference::NoError) << EACCES;
        QTest::newRow("a file where the folder should be") << QByteArray("x") << 0 << "p/sub/prefs.ini" << int(PR_Preference::NoError) << ENOTDIR;
    }
    void brokenStores()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, mode);
        QFETCH(QString, store);
        QFETCH(int, openCode);
        QFETCH(int, reason);
        if (mode && ::geteuid() == 0)
            QSKIP("permission bits do not stop root");
        const QString p = m_dir->filePath(QStringLiteral("p")), path = m_dir->filePath(store);
        if (content == "/")
            QVERIFY(QDir().mkdir(p));
        else
            writeFile(p, content);
        if (mode)
            setMode(p, mode_t(mode));

        auto prefs = PR_Preference::createPreference(path);
        QCOMPARE(prefs->getErrorCode(), openCode);
        prefs->setIntValue(QStringLiteral("keep"), 2);
        QVERIFY(!prefs->save());
        QCOMPARE(prefs->getErrorCode(), openCode ? openCode : int(PR_Preference::WriteError));
        const QString message = prefs->getPrefErrorMessage();
        QVERIFY2(message.contains(path) && (!reason || message.contains(QString::fromLocal8Bit(strerror(reason)))), qPrintable(message));
        prefs.reset();
        setMode(p, 0700);
        QCOMPARE(readFile(p), content == "/" ? QByteArray("<unreadable>") : content);
        QVERIFY(path == p || !QFileInfo::exists(path));
    }
};

QTEST_GUILESS_MAIN(tst_Preference)
#include "tst_preference.moc"
