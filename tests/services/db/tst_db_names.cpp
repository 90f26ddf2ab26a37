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
        QTest::newRow("plain") << "sc_010-a.b" << false << true;
        QTest::newRow("longest") << QString(24, 'a') << false << true;
        QTest::newRow("one too long") << QString(25, 'a') << false << false;
        QTest::newRow("empty") << QString() << false << false;
        QTest::newRow("dot") << "." << false << false;
        QTest::newRow("dotdot") << ".." << false << false;
        QTest::newRow("leading dot") << ".hidden" << false << false;
        QTest::newRow("leading dash") << "-rf" << false << false;
        const std::pair<const char *, const char *> bad[] = {{"slash", "a/b"}, {"backslash", "a\\b"}, {"quote", "a'b"},
            {"double quote", "say\"x"}, {"newline", "a\nb"}, {"tab", "tab\there"}, {"blank", "two words"}};
        for (const auto &row : bad)
            QTest::newRow(row.first) << row.second << false << false;
        QTest::newRow("accent off") << "\u00e9t\u00e9" << false << false;
        QTest::newRow("accent on") << "\u00e9t\u00e9" << true << true;
        QTest::newRow("cjk on") << "\u5834\u9762" << true << true;
        QTest::newRow("symbol on") << "a\u2603" << true << false;
    }
    void nameRule()
    {
        QFETCH(QString, name);
        QFETCH(bool, unicode);
        QFETCH(bool, valid);
        TUSceneNameValidator::setAcceptUnicode(unicode);
        QCOMPARE(TUSceneNameValidator::isValidName(name), valid);
        if (!valid && !name.isEmpty() && name != "." && name != "..")
            QVERIFY(TUSceneNameValidator::isValidName(TUSceneNameValidator::suggestion(name)));
    }

    void suggestionAndTyping()
    {
        QCOMPARE(TUSceneNameValidator::suggestion("my scene/01"), "my_scene_01");
        QCOMPARE(TUSceneNameValidator::suggestion(QString(30, 'x')).size(), 24);
        // While typing, an empty field is not an error yet.
        TUSceneNameValidator validator;
        int pos = 0;
        for (const auto &typed : {std::make_pair("", QValidator::Intermediate), std::make_pair("ok", QValidator::Acceptable),
                                  std::make_pair("not ok", QValidator::Invalid)}) {
            QString text = typed.first;
            QCOMPARE(validator.validate(text, pos), typed.second);
        }
    }

    void urls_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("parsed"); // backend root host database, or empty when refused
        QTest::newRow("sqlite") << "sqlite:///srv/studio" << "0 /srv/studio  ";
        QTest::newRow("postgres") << "postgresql://ty@db.lan:6543/studio?root=/mnt/studio" << "1 /mnt/studio db.lan studio";
        QTest::newRow("socket") << "postgresql://ty@localhost/s?root=/r&host=/tmp/sock" << "1 /r /tmp/sock s";
        QTest::newRow("relative root") << "sqlite://studio" << "";
        QTest::newRow("no root") << "postgresql://ty@h/s" << "";
        QTest::newRow("no database") << "postgresql://ty@h/?root=/r" << "";
        QTest::newRow("other scheme") << "mysql://h/s?root=/r" << "";
    }
    void urls()
    {
        QFETCH(QString, text);
        QFETCH(QString, parsed);
        QString error;
        const auto describe = [](const DBA_Url &url) {
            return QStringLiteral("%1 %2 %3 %4").arg(int(url.backend == DBA_Url::Postgres)).arg(url.root, url.host, url.database);
        };
        const std::optional<DBA_Url> url = DBA_Url::parse(text, error);
        QCOMPARE(url ? describe(*url) : QString(), parsed);
        if (!url)
            QVERIFY(error.contains(text));
        // What toString() writes parses back to the same address.
        else
            QCOMPARE(describe(DBA_Url::parse(url->toString(), error).value_or(DBA_Url())), parsed);
    }
};

QTEST_GUILESS_MAIN(tst_DbNames)
#include "tst_db_names.moc"
