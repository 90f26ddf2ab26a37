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

    // A good address parses, and what toString() writes parses back to it
    // (the PostgreSQL runs of the database tests parse a socket one); a
    // relative root, a missing root or database, or another scheme are refused.
    void urls()
    {
        QString error;
        const auto describe = [](const std::optional<DBA_Url> &url) {
            return url ? QStringLiteral("%1 %2 %3 %4").arg(int(url->backend)).arg(url->root, url->host, url->database) : QString();
        };
        for (const auto &good : {std::make_pair("sqlite:///srv/studio", "0 /srv/studio  "),
                                 std::make_pair("postgresql://ty@db.lan:6543/studio?root=/mnt/studio", "1 /mnt/studio db.lan studio")}) {
            const std::optional<DBA_Url> url = DBA_Url::parse(good.first, error);
            QCOMPARE(describe(url), good.second);
            QCOMPARE(describe(DBA_Url::parse(url->toString(), error)), good.second);
        }
        for (const char *bad : {"sqlite://studio", "sqlite:studio", "postgresql://ty@h/s", "postgresql://ty@h/?root=/r", "mysql://h/s?root=/r"})
            QVERIFY2(!DBA_Url::parse(bad, error) && error.contains(bad), bad);
    }
};

QTEST_GUILESS_MAIN(tst_DbNames)
#include "tst_db_names.moc"
