#include "DBA_Records.h"
#include "DBA_SessionOps.h"
#include "TUTYDrawingsTable.h"
#include "TUTYElementsTable.h"
#include "TUTYScenesTable.h"

#include <QSignalSpy>
#include <QtTest>

// The browsing tables, driven with mouse and keys. The window's tests fill
// them from a database and fold their holders.
class tst_TYTable : public QObject
{
    Q_OBJECT

private slots:
    void clicksAndKeysAnnounceTheSelectedName()
    {
        TUTYScenesTable table(nullptr);
        for (int i = 0; i < 3; ++i)
            table.appendRow({QStringLiteral("r%1").arg(i)});
        table.resize(600, 300);
        table.show();
        QVERIFY(QTest::qWaitForWindowExposed(&table));
        QSignalSpy said(&table, QOverload<const QString &>::of(&TUTYTable::selectionChanged));
        QSignalSpy menu(&table, &TUTYTable::menuRequested);
        auto press = [&table](int row, Qt::MouseButton button, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            const QPoint at = table.visualItemRect(table.topLevelItem(row)).center();
            QTest::mouseClick(table.viewport(), button, modifiers, at);
        };
        auto announced = [&said] { return said.size() == 1 ? said.takeFirst().at(0).toString() : QStringLiteral("?"); };

        press(1, Qt::LeftButton);
        QCOMPARE(announced(), QStringLiteral("r1"));
        QTest::keyClick(&table, Qt::Key_Down);
        QCOMPARE(announced(), QStringLiteral("r2"));
        QTest::keyClick(&table, Qt::Key_Up);
        QCOMPARE(announced(), QStringLiteral("r1"));
        // Typing a row's first letter goes to a row by name, and the table says which.
        QTest::keyClick(&table, Qt::Key_R);
        QVERIFY(!table.selectedName().isEmpty());
        QCOMPARE(announced(), table.selectedName());
        // Keys that move nothing stay quiet, up to the edges of digits and letters.
        for (Qt::Key key : {Qt::Key_Shift, Qt::Key_F2, Qt::Key_Space, Qt::Key_BracketLeft, Qt::Key_Slash})
            QTest::keyClick(&table, key);
        QCOMPARE(said.size(), 0);
        // The right button asks for the menu and keeps the selection.
        const QString chosen = table.selectedName();
        press(0, Qt::RightButton);
        QCOMPARE(menu.size(), 1);
        QCOMPARE(said.size(), 0);
        QCOMPARE(table.selectedName(), chosen);
        // Two rows selected: no single name.
        press(0, Qt::LeftButton, Qt::ControlModifier);
        QCOMPARE(table.selectedRowCount(), 2);
        QCOMPARE(announced(), QString());
    }

    void columnTextsFollowTableOrder()
    {
        TUTYScenesTable table(nullptr);
        table.appendRow({"a", "/a"});
        QTreeWidgetItem *b = table.appendRow({"b", ""});
        table.appendRow({"c", "/c"});
        QTreeWidgetItem *d = table.appendRow({"d", "/d"});
        // Selected bottom first: the texts still come in table order.
        d->setSelected(true);
        b->setSelected(true);
        const int path = TUTYScenesTable::Path;
        QCOMPARE(table.columnTexts(path, false), QStringList({"/a", "", "/c", "/d"}));
        QCOMPARE(table.columnTexts(path, false, true), QStringList({"/a", "/c", "/d"}));
        QCOMPARE(table.columnTexts(path, true), QStringList({"", "/d"}));
        QCOMPARE(table.columnTexts(path, true, true), QStringList({"/d"}));
        table.clearTable();
        QCOMPARE(table.topLevelItemCount() + table.selectedRowCount(), 0);
    }

    void scenesShowCheckOutOnlyWhenFlagged()
    {
        const qint64 date = 1700000000;
        const QString shown = "td atd ann " + DBA_SessionOps::dba_TimeStamp(date, "%x %X");
        // The flag, whether the job has the check-out fields, what the row shows.
        const std::tuple<QVariant, bool, QString> rows[] = {
            {1, true, shown}, {QStringLiteral("1"), true, shown}, {0, true, "td atd  "}, {QString(), true, "td atd  "},
            {QVariant(), true, "td atd  "}, {1, false, "td atd  "}};
        for (const auto &[flag, hasFields, texts] : rows) {
            dba_job_struct job;
            // Unsorted names: the table keeps the job's order.
            for (const char *name : {"zeta", "alpha"}) {
                QVector<QVariant> row(DBC_Table::ColumnCount);
                row[DBC_Table::Name] = QLatin1String(name);
                row[DBC_Table::Td] = QStringLiteral("td");
                row[DBC_Table::Atd] = QStringLiteral("atd");
                row[DBC_Table::CheckedOut] = flag;
                row[DBC_Table::CheckoutUser] = QStringLiteral("ann");
                row[DBC_Table::CheckoutDate] = date;
                job.scene().appendRow(row);
            }
            TUTYScenesTable table(nullptr);
            table.appendRow({"old"})->setSelected(true);
            table.fillFromJob(job, hasFields);
            QCOMPARE(table.columnTexts(TUTYScenesTable::Name, false), QStringList({"zeta", "alpha"}));
            const QTreeWidgetItem *item = table.topLevelItem(1);
            QCOMPARE(QStringList({item->text(TUTYScenesTable::Td), item->text(TUTYScenesTable::Atd),
                                  item->text(TUTYScenesTable::User), item->text(TUTYScenesTable::Date)})
                         .join(' '),
                     texts);
            // Filling leaves the job's own walk alone.
            QCOMPARE(job.scene().currentRow(), -1);
        }
    }

    // The words of known codes show in tst_mainwindow; codes past either end
    // show nothing, and 5, the queue program's second processing state, has no stage.
    void cellTextsOfOtherCodes()
    {
        for (int code : {-1, 5, 6})
            QCOMPARE(TUTYDrawingsTable::stageText(code), QString());
        QCOMPARE(TUTYDrawingsTable::stateText(-1) + TUTYDrawingsTable::stateText(6), QString());
        QCOMPARE(TUTYDrawingsTable::stateText(5), QStringLiteral("Processing"));
        QCOMPARE(TUTYElementsTable::fieldChartText(1.23456), QStringLiteral("1.2346"));
    }
};

QTEST_MAIN(tst_TYTable)
#include "tst_tytable.moc"
