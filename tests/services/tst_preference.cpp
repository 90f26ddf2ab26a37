#include "BAPP_SharedFolders.h"
#include "PR_Preference.h"
#include "TestFiles.h"

#include <QStandardPaths>

#include <cstring>
#include <unistd.h>

class tst_Preference : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void initTestCase()
    {
        // Keeps localPrefs() away from a real user's files when run by hand.
        QStandardPaths::setTestModeEnabled(true);
    }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup()
    {
        unlockAll(m_dir->path());
        m_dir.reset();
    }

    void valuesSurviveAFreshStore()
    {
        const QString path = m_dir->filePath(QStringLiteral("prefs/user.ini"));
        {
            auto prefs = PR_Preference::createPreference(path);
            QCOMPARE(prefs->getErrorCode(), int(PR_Preference::NoError));
            prefs->setIntValue(QStringLiteral("window/width"), -1280);
            prefs->setBoolValue(QStringLiteral("on"), true);
            prefs->setBoolValue(QStringLiteral("off"), false);
            prefs->setStringValue(QStringLiteral("login/last"), QStringLiteral("Zoë, lighting"));
            prefs->setStringValue(QStringLiteral("empty"), QString());
            QVERIFY2(prefs->save(), qPrintable(prefs->getPrefErrorMessage()));
        }
        // Plain UTF-8 on disk, so the file can be read and edited by hand.
        const QByteArray text = readFile(path);
        QVERIFY2(text.contains("on=true") && text.contains("off=false") && text.contains(QStringLiteral("Zoë").toUtf8()), text.constData());

        auto prefs = PR_Preference::createPreference(path);
        QCOMPARE(prefs->getErrorCode(), int(PR_Preference::NoError));
        QCOMPARE(prefs->path(), path);
        QCOMPARE(prefs->getIntValue(QStringLiteral("window/width"), 0), -1280);
        QCOMPARE(prefs->getBoolValue(QStringLiteral("on"), false), true);
        QCOMPARE(prefs->getBoolValue(QStringLiteral("off"), true), false);
        QCOMPARE(prefs->getStringValue(QStringLiteral("login/last")), QStringLiteral("Zoë, lighting"));
        QVERIFY(prefs->contains(QStringLiteral("empty")) && !prefs->contains(QStringLiteral("never/set")));
        QCOMPARE(prefs->getStringValue(QStringLiteral("empty"), QStringLiteral("default")), QString());

        // The user's own store lives in the user configuration folder, once per process.
        PR_Preference &local = PR_Preference::localPrefs();
        QCOMPARE(local.path(), BAPP_SharedFolders::userConfig() + QStringLiteral("/local.ini"));
        QCOMPARE(&PR_Preference::localPrefs(), &local);
        local.setStringValue(QStringLiteral("login/last"), QStringLiteral("anna"));
        QVERIFY2(local.save(), qPrintable(local.getPrefErrorMessage()));
        QCOMPARE(PR_Preference::createPreference(local.path())->getStringValue(QStringLiteral("login/last")), QStringLiteral("anna"));
    }

    // A typo in a hand-written file gives the default, never a wrong value.
    void valuesReadFromAHandWrittenFile_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("intValue");        // default 99
        QTest::addColumn<QVariant>("boolValue");  // invalid: the default comes back
        QTest::addColumn<QString>("stringValue"); // default "dflt"
        QTest::newRow("missing") << QByteArray() << 99 << QVariant() << "dflt";
        QTest::newRow("number") << QByteArray("v=42") << 42 << QVariant() << "42";
        QTest::newRow("TRUE") << QByteArray("v=TRUE") << 99 << QVariant(true) << "TRUE";
        QTest::newRow("one") << QByteArray("v=1") << 1 << QVariant(true) << "1";
        QTest::newRow("zero") << QByteArray("v=0") << 0 << QVariant(false) << "0";
        QTest::newRow("text") << QByteArray("v=maybe") << 99 << QVariant() << "maybe";
        QTest::newRow("unquoted comma") << QByteArray("v=a,b") << 99 << QVariant() << "a,b";
        QTest::newRow("quoted comma") << QByteArray("v=\"a, b\"") << 99 << QVariant() << "a, b";
    }
    void valuesReadFromAHandWrittenFile()
    {
        QFETCH(QByteArray, line);
        QFETCH(QVariant, boolValue);
        const QString path = m_dir->filePath(QStringLiteral("hand.ini"));
        writeFile(path, "[General]\n" + line + "\n");
        auto prefs = PR_Preference::createPreference(path);
        QCOMPARE(prefs->getErrorCode(), int(PR_Preference::NoError));
        QTEST(prefs->getIntValue(QStringLiteral("v"), 99), "intValue");
        for (bool dflt : {false, true})
            QCOMPARE(prefs->getBoolValue(QStringLiteral("v"), dflt), boolValue.isValid() ? boolValue.toBool() : dflt);
        QTEST(prefs->getStringValue(QStringLiteral("v"), QStringLiteral("dflt")), "stringValue");
    }

    // A store that cannot be read is never written over; one that cannot be
    // written says where and why. The file is left as it was.
    void brokenStores_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("openCode");
        QTest::addColumn<int>("reason"); // what a failed save names, 0: nothing in particular
        QTest::newRow("no read permission") << "unreadable" << int(PR_Preference::ReadError) << 0;
        QTest::newRow("a folder where the file should be") << "folder" << int(PR_Preference::ReadError) << 0;
        // An unclosed section header is the one fault QSettings' INI reader reports.
        QTest::newRow("malformed") << "malformed" << int(PR_Preference::FormatError) << 0;
        QTest::newRow("read-only folder") << "locked" << int(PR_Preference::NoError) << EACCES;
        QTest::newRow("a file where the folder should be") << "file" << int(PR_Preference::NoError) << ENOTDIR;
    }
    void brokenStores()
    {
        QFETCH(QString, kind);
        QFETCH(int, openCode);
        QFETCH(int, reason);
        if ((kind == "unreadable" || kind == "locked") && ::geteuid() == 0)
            QSKIP("permission bits do not stop root");
        QString path = m_dir->filePath(QStringLiteral("prefs.ini"));
        const QByteArray content = kind == "malformed" ? "[General\nkeep=1\n" : kind == "unreadable" ? "[General]\nkeep=1\n" : "";
        if (!content.isEmpty())
            writeFile(path, content);
        if (kind == "unreadable")
            QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
        if (kind == "folder" || kind == "locked")
            QVERIFY(QDir().mkdir(path));
        if (kind == "locked")
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner));
        if (kind == "file") {
            writeFile(path, "x");
            path += QStringLiteral("/sub");
        }
        if (kind == "locked" || kind == "file")
            path += QStringLiteral("/prefs.ini");

        auto prefs = PR_Preference::createPreference(path);
        QCOMPARE(prefs->getErrorCode(), openCode);
        prefs->setIntValue(QStringLiteral("keep"), 2);
        QVERIFY(!prefs->save());
        QCOMPARE(prefs->getErrorCode(), openCode ? openCode : int(PR_Preference::WriteError));
        const QString message = prefs->getPrefErrorMessage();
        QVERIFY2(message.contains(path) && (!reason || message.contains(QString::fromLocal8Bit(strerror(reason)))), qPrintable(message));
        prefs.reset();
        unlockAll(m_dir->path());
        QCOMPARE(readFile(path), content.isEmpty() ? QByteArray("<unreadable>") : content);
    }
};

QTEST_GUILESS_MAIN(tst_Preference)
#include "tst_preference.moc"
