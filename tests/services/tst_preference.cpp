#include "BAPP_SharedFolders.h"
#include "PR_Preference.h"

#include <QStandardPaths>
#include <QtTest>

#include <cstring>

#include <unistd.h>

namespace {

bool isRoot()
{
    return ::geteuid() == 0;
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(f.errorString()));
    f.write(content);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

class tst_Preference : public QObject
{
    Q_OBJECT

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
        QDirIterator it(m_dir->path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            QFile::setPermissions(it.next(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        m_dir.reset();
    }

    void valuesSurviveAFreshStore()
    {
        const QString path = m_dir->filePath(QStringLiteral("prefs/user.ini"));
        {
            auto prefs = PR_Preference::createPreference(path);
            QCOMPARE(prefs->getErrorCode(), int(PR_Preference::NoError));
            prefs->setIntValue(QStringLiteral("window/width"), 1280);
            prefs->setIntValue(QStringLiteral("offset"), -7);
            prefs->setBoolValue(QStringLiteral("on"), true);
            prefs->setBoolValue(QStringLiteral("off"), false);
            prefs->setStringValue(QStringLiteral("login/last"), QStringLiteral("Zoë, lighting"));
            prefs->setStringValue(QStringLiteral("empty"), QString());
            QVERIFY2(prefs->save(), qPrintable(prefs->getPrefErrorMessage()));
        }
        const QByteArray text = readFile(path);
        QVERIFY2(text.contains("on=true") && text.contains("off=false"), text.constData());
        // Plain UTF-8 on disk, so the file can be read and edited by hand.
        QVERIFY2(text.contains(QStringLiteral("Zoë").toUtf8()), text.constData());

        auto prefs = PR_Preference::createPreference(path);
        QCOMPARE(prefs->getErrorCode(), int(PR_Preference::NoError));
        QCOMPARE(prefs->path(), path);
        QCOMPARE(prefs->getIntValue(QStringLiteral("window/width"), 0), 1280);
        QCOMPARE(prefs->getIntValue(QStringLiteral("offset"), 0), -7);
        QCOMPARE(prefs->getBoolValue(QStringLiteral("on"), false), true);
        QCOMPARE(prefs->getBoolValue(QStringLiteral("off"), true), false);
        QCOMPARE(prefs->getStringValue(QStringLiteral("login/last")), QStringLiteral("Zoë, lighting"));
        QVERIFY(prefs->contains(QStringLiteral("empty")));
        QCOMPARE(prefs->getStringValue(QStringLiteral("empty"), QStringLiteral("default")), QString());
        QVERIFY(!prefs->contains(QStringLiteral("never/set")));
    }

    void valuesReadFromAHandWrittenFile_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("intValue");     // default 99
        QTest::addColumn<QVariant>("boolValue"); // invalid: no boolean, the default comes back
        QTest::addColumn<QString>("stringValue"); // default "dflt"
        QTest::newRow("missing") << QByteArray() << 99 << QVariant() << "dflt";
        QTest::newRow("number") << QByteArray("v=42") << 42 << QVariant() << "42";
        QTest::newRow("true") << QByteArray("v=true") << 99 << QVariant(true) << "true";
        QTest::newRow("TRUE") << QByteArray("v=TRUE") << 99 << QVariant(true) << "TRUE";
        QTest::newRow("false") << QByteArray("v=false") << 99 << QVariant(false) << "false";
        QTest::newRow("one") << QByteArray("v=1") << 1 << QVariant(true) << "1";
        QTest::newRow("zero") << QByteArray("v=0") << 0 << QVariant(false) << "0";
        QTest::newRow("text") << QByteArray("v=maybe") << 99 << QVariant() << "maybe";
        QTest::newRow("unquoted comma") << QByteArray("v=a,b") << 99 << QVariant() << "a,b";
        QTest::newRow("quoted comma") << QByteArray("v=\"a, b\"") << 99 << QVariant() << "a, b";
    }
    void valuesReadFromAHandWrittenFile()
    {
        QFETCH(QByteArray, line);
        QFETCH(int, intValue);
        QFETCH(QVariant, boolValue);
        QFETCH(QString, stringValue);
        const QString path = m_dir->filePath(QStringLiteral("hand.ini"));
        writeFile(path, "[General]\n" + line + "\n");
        auto prefs = PR_Preference::createPreference(path);
        QCOMPARE(prefs->getErrorCode(), int(PR_Preference::NoError));
        const QString key = QStringLiteral("v");
        QCOMPARE(prefs->getIntValue(key, 99), intValue);
        for (bool dflt : {false, true})
            QCOMPARE(prefs->getBoolValue(key, dflt), boolValue.isValid() ? boolValue.toBool() : dflt);
        QCOMPARE(prefs->getStringValue(key, QStringLiteral("dflt")), stringValue);
    }

    void unreadableFile_data()
    {
        QTest::addColumn<bool>("byPermission");
        QTest::newRow("no read permission") << true;
        QTest::newRow("a folder where the file should be") << false;
    }
    void unreadableFile()
    {
        QFETCH(bool, byPermission);
        if (byPermission && isRoot())
            QSKIP("permission bits do not stop root from reading");
        const QString path = m_dir->filePath(QStringLiteral("prefs.ini"));
        const QByteArray original("[General]\nkeep=1\n");
        if (byPermission) {
            writeFile(path, original);
            QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
        } else {
            QVERIFY(QDir().mkdir(path));
        }

        auto prefs = PR_Preference::createPreference(path);
        QCOMPARE(prefs->getErrorCode(), int(PR_Preference::ReadError));
        QVERIFY2(prefs->getPrefErrorMessage().contains(path), qPrintable(prefs->getPrefErrorMessage()));
        // The file it could not read is not written over.
        prefs->setIntValue(QStringLiteral("keep"), 2);
        QVERIFY(!prefs->save());
        QCOMPARE(prefs->getErrorCode(), int(PR_Preference::ReadError));
        prefs.reset();
        if (byPermission) {
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
            QCOMPARE(readFile(path), original);
        }
    }

    void malformedFile()
    {
        const QString path = m_dir->filePath(QStringLiteral("prefs.ini"));
        // An unclosed section header is the one fault QSettings' INI reader reports.
        const QByteArray original("[General\nkeep=1\n");
        writeFile(path, original);

        auto prefs = PR_Preference::createPreference(path);
        QCOMPARE(prefs->getErrorCode(), int(PR_Preference::FormatError));
        QVERIFY2(prefs->getPrefErrorMessage().contains(path), qPrintable(prefs->getPrefErrorMessage()));
        prefs->setIntValue(QStringLiteral("other"), 2);
        QVERIFY(!prefs->save());
        prefs.reset();
        QCOMPARE(readFile(path), original);
    }

    void unwritableFolder_data()
    {
        QTest::addColumn<bool>("byPermission");
        QTest::newRow("read-only folder") << true;
        QTest::newRow("a file where the folder should be") << false;
    }
    void unwritableFolder()
    {
        QFETCH(bool, byPermission);
        if (byPermission && isRoot())
            QSKIP("permission bits do not stop root from writing");
        QString path;
        if (byPermission) {
            const QString folder = m_dir->filePath(QStringLiteral("locked"));
            QVERIFY(QDir().mkdir(folder));
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
            path = folder + QStringLiteral("/prefs.ini");
        } else {
            writeFile(m_dir->filePath(QStringLiteral("plain")), "x");
            path = m_dir->filePath(QStringLiteral("plain/sub/prefs.ini"));
        }

        auto prefs = PR_Preference::createPreference(path);
        QCOMPARE(prefs->getErrorCode(), int(PR_Preference::NoError));
        prefs->setIntValue(QStringLiteral("a"), 1);
        QVERIFY(!prefs->save());
        QCOMPARE(prefs->getErrorCode(), int(PR_Preference::WriteError));
        const QString message = prefs->getPrefErrorMessage();
        QVERIFY2(message.contains(path), qPrintable(message));
        const QString reason = byPermission ? QString::fromLocal8Bit(strerror(EACCES))
                                            : QString::fromLocal8Bit(strerror(ENOTDIR));
        QVERIFY2(message.contains(reason), qPrintable(message));
        QVERIFY(!QFileInfo::exists(path));
    }

    void localPrefsLiveInTheUserConfig()
    {
        PR_Preference &local = PR_Preference::localPrefs();
        QCOMPARE(local.path(), BAPP_SharedFolders::userConfig() + QStringLiteral("/local.ini"));
        QCOMPARE(&PR_Preference::localPrefs(), &local);
        local.setStringValue(QStringLiteral("login/last"), QStringLiteral("anna"));
        QVERIFY2(local.save(), qPrintable(local.getPrefErrorMessage()));
        QCOMPARE(PR_Preference::createPreference(local.path())->getStringValue(QStringLiteral("login/last")),
                 QStringLiteral("anna"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(tst_Preference)
#include "tst_preference.moc"
