#include "DBA_Url.h"
#include "TUSceneNameValidator.h"

#include <QtTest>

// The name rule and the database address parsing; no database needed.
class tst_DbNames : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { TUSceneNameValidator::setAcceptUnicode(false); }

    void nameRule_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("unicode");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << QStringLiteral("sc_010-a.b") << false << true;
        QTest::newRow("longest") << QString(24, QLatin1Char('a')) << false << true;
        QTest::newRow("one too long") << QString(25, QLatin1Char('a')) << false << false;
        QTest::newRow("empty") << QString() << false << false;
        QTest::newRow("slash") << QStringLiteral("a/b") << false << false;
        QTest::newRow("backslash") << QStringLiteral("a\\b") << false << false;
        QTest::newRow("dot") << QStringLiteral(".") << false << false;
        QTest::newRow("dotdot") << QStringLiteral("..") << false << false;
        QTest::newRow("leading dash") << QStringLiteral("-rf") << false << false;
        QTest::newRow("quote") << QStringLiteral("a'b") << false << false;
        QTest::newRow("newline") << QStringLiteral("a\nb") << false << false;
        QTest::newRow("accent off") << QStringLiteral("\u00e9t\u00e9") << false << false;
        QTest::newRow("accent on") << QStringLiteral("\u00e9t\u00e9") << true << true;
        QTest::newRow("cjk on") << QStringLiteral("\u5834\u9762") << true << true;
        QTest::newRow("symbol on") << QStringLiteral("a\u2603") << true << false;
    }
    void nameRule()
    {
        QFETCH(QString, name);
        QFETCH(bool, unicode);
        QFETCH(bool, valid);
        TUSceneNameValidator::setAcceptUnicode(unicode);
        QCOMPARE(TUSceneNameValidator::isValidName(name), valid);
        if (!valid && !name.isEmpty())
            QVERIFY(TUSceneNameValidator::isValidName(TUSceneNameValidator::suggestion(name)) || name == QLatin1String("..") || name == QLatin1String("."));
    }

    void suggestionReplacesAndCuts()
    {
        QCOMPARE(TUSceneNameValidator::suggestion(QStringLiteral("my scene/01")), QStringLiteral("my_scene_01"));
        QCOMPARE(TUSceneNameValidator::suggestion(QString(30, QLatin1Char('x'))).size(), 24);
    }

    void validatorAllowsTypingFromEmpty()
    {
        TUSceneNameValidator validator;
        QString text;
        int pos = 0;
        QCOMPARE(validator.validate(text, pos), QValidator::Intermediate);
        text = QStringLiteral("ok");
        QCOMPARE(validator.validate(text, pos), QValidator::Acceptable);
        text = QStringLiteral("not ok");
        QCOMPARE(validator.validate(text, pos), QValidator::Invalid);
    }

    void urls_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("backend");
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("database");
        QTest::newRow("sqlite") << QStringLiteral("sqlite:///srv/studio") << true << int(DBA_Url::Sqlite)
                                << QStringLiteral("/srv/studio") << QString() << QString();
        QTest::newRow("postgres") << QStringLiteral("postgresql://ty@db.lan:6543/studio?root=/mnt/studio") << true
                                  << int(DBA_Url::Postgres) << QStringLiteral("/mnt/studio") << QStringLiteral("db.lan")
                                  << QStringLiteral("studio");
        QTest::newRow("socket") << QStringLiteral("postgresql://ty@localhost/s?root=/r&host=/tmp/sock") << true
                                << int(DBA_Url::Postgres) << QStringLiteral("/r") << QStringLiteral("/tmp/sock") << QStringLiteral("s");
        QTest::newRow("relative root") << QStringLiteral("sqlite://studio") << false << 0 << QString() << QString() << QString();
        QTest::newRow("no root") << QStringLiteral("postgresql://ty@h/s") << false << 0 << QString() << QString() << QString();
        QTest::newRow("no database") << QStringLiteral("postgresql://ty@h/?root=/r") << false << 0 << QString() << QString() << QString();
        QTest::newRow("other scheme") << QStringLiteral("mysql://h/s?root=/r") << false << 0 << QString() << QString() << QString();
    }
    void urls()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QString error;
        const std::optional<DBA_Url> url = DBA_Url::parse(text, error);
        QCOMPARE(bool(url), ok);
        if (!ok) {
            QVERIFY(error.contains(text));
            return;
        }
        QFETCH(int, backend);
        QFETCH(QString, root);
        QFETCH(QString, host);
        QFETCH(QString, database);
        QCOMPARE(int(url->backend), backend);
        QCOMPARE(url->root, root);
        QCOMPARE(url->host, host);
        QCOMPARE(url->database, database);
        // What toString() writes parses back to the same address.
        const std::optional<DBA_Url> again = DBA_Url::parse(url->toString(), error);
        QVERIFY(again);
        QCOMPARE(again->root, url->root);
        QCOMPARE(again->host, url->host);
        QCOMPARE(again->database, url->database);
    }
};

QTEST_GUILESS_MAIN(tst_DbNames)
#include "tst_db_names.moc"
