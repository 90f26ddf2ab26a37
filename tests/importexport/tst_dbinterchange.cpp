#include "RecordingSink.h"
#include "TUDbInterchange.h"
#include "TUImportDb.h"
#include "UT_ExportUtil.h"

#include <QBuffer>
#include <QtTest>

// The interchange text format: escaping of field names and values on the
// way out, splitting and unescaping on the way in, and the reader's refusals.
class tst_DbInterchange : public QObject
{
    Q_OBJECT

    static bool readText(const QByteArray &text, TUDbInterchange::Contents &contents)
    {
        QByteArray bytes = text;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        return TUImportDb::read(buffer, QStringLiteral("t.dbexport"), contents);
    }
    static QByteArray file(const QByteArray &records)
    {
        return "Quillstream Database Interchange Version 0\ndict_name\t: t\ndict_version\t: 3\ndict_date\t: 7\n" + records
            + "\n***END-OF-FILE***\n";
    }

private slots:
    void fieldNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("hyphen and blank") << "Scan-type x" << "Scan_type_x";
        QTest::newRow("separator characters") << "a:b\tc" << "a_b_c";
        const QString longName = QString(255, 'n') + "-";
        QTest::newRow("256 characters kept") << longName << longName;
        QTest::newRow("even long names keep to one line") << QString(256, 'n') + "\n" << QString(256, 'n') + "_";
    }
    void fieldNames()
    {
        QFETCH(QString, name);
        QTEST(TUDbInterchange::escapeFieldName(name), "expected");
    }

    void values_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray tag = UT_ExportUtil::LineFeedTag.toUtf8();
        QTest::newRow("line feed tagged") << "a\nb" << "a" + tag + "b";
        QTest::newRow("carriage return") << "a\r\nb\rc" << "a?" + tag + "b?c";
        QTest::newRow("other breaks") << QString("a") + QChar(0x2028) + "b" + QChar(0x0B) << QByteArray("a?b?");
        QTest::newRow("trailing blanks dropped, leading kept") << "  a b \t " << QByteArray("  a b");
        QTest::newRow("cut at 32767 bytes") << QString(40000, 'x') << QByteArray(32767, 'x');
        QTest::newRow("cut never splits a character") << QString(20000, QChar(0xE9))
                                                       << QString(16383, QChar(0xE9)).toUtf8();
    }
    void values()
    {
        QFETCH(QString, value);
        QTEST(TUDbInterchange::escapeValue(value), "expected");
    }

    // What the writer writes, the reader reads back.
    void roundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "x" << "x";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("holding ' :'") << "a : b" << "a : b";
        QTest::newRow("holding a tab and ':'") << "a\t: b" << "a\t: b";
        QTest::newRow("line feeds") << "one\ntwo\n" << "one\ntwo\n";
        QTest::newRow("longest value") << QString(32767, 'v') << QString(32767, 'v');
    }
    void roundTrip()
    {
        QFETCH(QString, value);
        TUDbInterchange::Contents contents;
        QVERIFY(readText(file(TUDbInterchange::record({"Long_field_name", "Next"}, {value, "n"})), contents));
        QCOMPARE(contents.records.size(), 1);
        QCOMPARE(contents.records[0].size(), 2);
        QCOMPARE(contents.records[0][0].first, QString("Long_field_name"));
        QTEST(contents.records[0][0].second, "expected");
        QCOMPARE(contents.records[0][1], TUDbInterchange::Field("Next", "n"));
        QCOMPARE(contents.dictionary.name, QString("t"));
        QCOMPARE(contents.dictionary.version, 3);
    }

    // Values longer than a field holds are cut to it, with a warning.
    void reading_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("overflow");
        QTest::newRow("blank-separated field, empty value, lines without separator ignored")
            << file("\n***RECORD***\nPixmapFormat        : tga\nEmpty\t: \nno separator here\n") << true
            << "PixmapFormat=tga;Empty=" << false;
        QTest::newRow("records end at the next marker")
            << file("\n***RECORD***\nA\t: 1\n***RECORD***\nA\t: 2\n") << true << "A=1|A=2" << false;
        QTest::newRow("a too long line does not spill into the next field")
            << file("\n***RECORD***\nA\t: " + QByteArray(70000, 'x') + " : spill\nB\t: 2\n") << true
            << "A=" + QString(32767, 'x') + ";B=2" << true;
        QTest::newRow("a value longer than its field") << file("\n***RECORD***\nA\t: " + QByteArray(32768, 'x') + "\n")
                                                       << true << "A=" + QString(32767, 'x') << true;
        QTest::newRow("not an interchange file") << QByteArray("dict_name\t: t\n\n***RECORD***\nA\t: 1\n***END-OF-FILE***\n")
                                                 << false << QString() << false;
        QTest::newRow("cut short") << file("\n***RECORD***\nA\t: 1\n").chopped(20) << false << QString() << false;
    }
    void reading()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, ok);
        TUDbInterchange::Contents contents;
        RecordingSink sink;
        QCOMPARE(readText(text, contents), ok);
        QTEST(sink.has('W', "The database field maximum length exceeded. The imported scene could be corrupted.\nt.dbexport"),
              "overflow");
        if (!ok)
            return;
        QStringList records;
        for (const TUDbInterchange::Record &record : contents.records) {
            QStringList fields;
            for (const TUDbInterchange::Field &field : record)
                fields << field.first + "=" + field.second;
            records << fields.join(';');
        }
        QTEST(records.join('|'), "expected");
    }
};

QTEST_GUILESS_MAIN(tst_DbInterchange)
#include "tst_dbinterchange.moc"
