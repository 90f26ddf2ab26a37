#include "DBA_Records.h"
#include "DBA_SessionOps.h"
#include "TUTYDrawingsTable.h"
#include "TUTYElementsTable.h"
#include "TUTYScenesTable.h"
#include "TUTYShowHideHolder.h"

#include <QHeaderView>
#include <QLabel>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include <memory>

// The browsing tables and the folding holder, driven with mouse and keys.
class tst_TYTable : public QObject
{
    Q_OBJECT

private slots:
    void tablesHaveTheirColumns_data();
    void tablesHaveTheirColumns();
    void tablesAreFlatListsWithExtendedSelection();
    void clickAndKeysAnnounceTheSelectedName();
    void keysThatDoNotMoveTheSelectionStayQuiet_data();
    void keysThatDoNotMoveTheSelectionStayQuiet();
    void rightPressAsksForTheMenuAndKeepsTheSelection();
    void columnTextsFollowTableOrder_data();
    void columnTextsFollowTableOrder();
    void clearingEmptiesTheTable();
    void scenesTableShowsCheckOutOnlyWhenFlagged_data();
    void scenesTableShowsCheckOutOnlyWhenFlagged();
    void scenesTableKeepsJobOrderAndClearsSelection();
    void elementsShowFolderScanAndFieldChart();
    void celCodesHaveTheirTexts_data();
    void celCodesHaveTheirTexts();
    void drawingNamesCarryTheirSuffix();
    void holderFoldsAndUnfolds();
    void holderTogglesFromButtonAndTitleBar();

private:
    // A table with rows "r0".."r<n-1>", shown so that it takes mouse and keys.
    std::unique_ptr<TUTYScenesTable> shownTable(int rows);
    static void click(TUTYTable &table, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
};

std::unique_ptr<TUTYScenesTable> tst_TYTable::shownTable(int rows)
{
    auto table = std::make_unique<TUTYScenesTable>(nullptr);
    for (int i = 0; i < rows; ++i)
        table->appendRow({QStringLiteral("r%1").arg(i), QStringLiteral("/p%1").arg(i)});
    table->resize(600, 300);
    table->show();
    if (!QTest::qWaitForWindowExposed(table.get()))
        return nullptr;
    return table;
}

void tst_TYTable::click(TUTYTable &table, int row, Qt::KeyboardModifiers modifiers)
{
    const QRect rect = table.visualItemRect(table.topLevelItem(row));
    QTest::mouseClick(table.viewport(), Qt::LeftButton, modifiers, rect.center());
}

void tst_TYTable::tablesHaveTheirColumns_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<int>("minimumWidth");
    QTest::newRow("scenes") << "scenes"
                            << QStringList{"Name", "Path", "File System", "Frames", "Priority", "TD", "ATD", "USER", "DATE"}
                            << QList<int>{100, 250, 150, 50, 50, 75, 75, 75} << 520;
    QTest::newRow("elements") << "elements" << QStringList{"Name", "Folder", "Type", "Scan", "Field Chart"}
                              << QList<int>{100, 100, 100, 100} << 320;
    QTest::newRow("drawings") << "drawings" << QStringList{"Name", "Stage", "State"} << QList<int>{100, 100} << 320;
}

void tst_TYTable::tablesHaveTheirColumns()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, titles);
    QFETCH(QList<int>, widths);
    QFETCH(int, minimumWidth);
    std::unique_ptr<TUTYTable> table;
    if (kind == QLatin1String("scenes"))
        table = std::make_unique<TUTYScenesTable>(nullptr);
    else if (kind == QLatin1String("elements"))
        table = std::make_unique<TUTYElementsTable>(nullptr);
    else
        table = std::make_unique<TUTYDrawingsTable>(nullptr);
    QCOMPARE(table->columnCount(), titles.size());
    QStringList shown;
    for (int i = 0; i < table->columnCount(); ++i)
        shown.append(table->headerItem()->text(i));
    QCOMPARE(shown, titles);
    // The last column stretches to the table's edge; the others keep their width.
    for (int i = 0; i < widths.size(); ++i)
        QCOMPARE(table->columnWidth(i), widths[i]);
    QCOMPARE(table->minimumWidth(), minimumWidth);
}

void tst_TYTable::tablesAreFlatListsWithExtendedSelection()
{
    TUTYDrawingsTable table(nullptr);
    QCOMPARE(table.selectionMode(), QAbstractItemView::ExtendedSelection);
    QVERIFY(!table.isSortingEnabled());
    QCOMPARE(table.indentation(), 0);
    QVERIFY(!table.header()->sectionsClickable());
}

void tst_TYTable::clickAndKeysAnnounceTheSelectedName()
{
    std::unique_ptr<TUTYScenesTable> table = shownTable(3);
    QVERIFY(table);
    QSignalSpy spy(table.get(), &TUTYTable::selectionChanged);

    click(*table, 1);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.takeFirst().at(0).toString(), QStringLiteral("r1"));

    QTest::keyClick(table.get(), Qt::Key_Down);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.takeFirst().at(0).toString(), QStringLiteral("r2"));

    QTest::keyClick(table.get(), Qt::Key_Up);
    QCOMPARE(spy.takeFirst().at(0).toString(), QStringLiteral("r1"));

    // Typing a row's first letter goes to a row by name, and the table says which.
    QTest::keyClick(table.get(), Qt::Key_R);
    QCOMPARE(spy.count(), 1);
    QVERIFY(!table->selectedName().isEmpty());
    QCOMPARE(spy.takeFirst().at(0).toString(), table->selectedName());

    // Two rows selected: no single name.
    click(*table, 0, Qt::ControlModifier);
    QCOMPARE(table->selectedRowCount(), 2);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.takeFirst().at(0).toString(), QString());
}

void tst_TYTable::keysThatDoNotMoveTheSelectionStayQuiet_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("shift") << int(Qt::Key_Shift);
    QTest::newRow("F2") << int(Qt::Key_F2);
    QTest::newRow("space") << int(Qt::Key_Space);
    QTest::newRow("bracket after Z") << int(Qt::Key_BracketLeft);
    QTest::newRow("slash before 0") << int(Qt::Key_Slash);
}

void tst_TYTable::keysThatDoNotMoveTheSelectionStayQuiet()
{
    QFETCH(int, key);
    std::unique_ptr<TUTYScenesTable> table = shownTable(2);
    QVERIFY(table);
    QSignalSpy spy(table.get(), &TUTYTable::selectionChanged);
    QTest::keyClick(table.get(), Qt::Key(key));
    QCOMPARE(spy.count(), 0);
}

void tst_TYTable::rightPressAsksForTheMenuAndKeepsTheSelection()
{
    std::unique_ptr<TUTYScenesTable> table = shownTable(3);
    QVERIFY(table);
    click(*table, 0);
    QSignalSpy menu(table.get(), &TUTYTable::menuRequested);
    QSignalSpy selection(table.get(), &TUTYTable::selectionChanged);
    const QRect other = table->visualItemRect(table->topLevelItem(2));
    QTest::mousePress(table->viewport(), Qt::RightButton, Qt::NoModifier, other.center());
    QCOMPARE(menu.count(), 1);
    QCOMPARE(selection.count(), 0);
    QCOMPARE(table->selectedName(), QStringLiteral("r0"));
}

void tst_TYTable::columnTextsFollowTableOrder_data()
{
    QTest::addColumn<bool>("selectedOnly");
    QTest::addColumn<bool>("skipEmpty");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("all") << false << false << QStringList{"/a", "", "/c", "/d"};
    QTest::newRow("all, no empty") << false << true << QStringList{"/a", "/c", "/d"};
    QTest::newRow("selected") << true << false << QStringList{"", "/d"};
    QTest::newRow("selected, no empty") << true << true << QStringList{"/d"};
}

void tst_TYTable::columnTextsFollowTableOrder()
{
    QFETCH(bool, selectedOnly);
    QFETCH(bool, skipEmpty);
    QFETCH(QStringList, expected);
    TUTYScenesTable table(nullptr);
    QTreeWidgetItem *a = table.appendRow({"a", "/a"});
    QTreeWidgetItem *b = table.appendRow({"b", ""});
    table.appendRow({"c", "/c"});
    QTreeWidgetItem *d = table.appendRow({"d", "/d"});
    // Selected bottom first: the texts still come in table order.
    d->setSelected(true);
    b->setSelected(true);
    QCOMPARE(table.columnTexts(TUTYScenesTable::Path, selectedOnly, skipEmpty), expected);
    QCOMPARE(table.selectedRowCount(), 2);
    QCOMPARE(table.indexOfTopLevel(d), 3);
    QCOMPARE(table.indexOfTopLevel(a), 0);
}

void tst_TYTable::clearingEmptiesTheTable()
{
    TUTYScenesTable table(nullptr);
    table.appendRow({"a"});
    table.appendRow({"b"})->setSelected(true);
    table.clearTable();
    QCOMPARE(table.topLevelItemCount(), 0);
    QCOMPARE(table.selectedRowCount(), 0);
    QCOMPARE(table.columnCount(), int(TUTYScenesTable::ColumnCount));
    QVERIFY(table.viewport()->updatesEnabled());
}

void tst_TYTable::scenesTableShowsCheckOutOnlyWhenFlagged_data()
{
    QTest::addColumn<QVariant>("flag");
    QTest::addColumn<bool>("jobHasFields");
    QTest::addColumn<bool>("shown");
    QTest::newRow("checked out") << QVariant(1) << true << true;
    QTest::newRow("flag as text") << QVariant(QStringLiteral("1")) << true << true;
    QTest::newRow("not checked out") << QVariant(0) << true << false;
    QTest::newRow("empty flag") << QVariant(QString()) << true << false;
    QTest::newRow("no flag at all") << QVariant() << true << false;
    QTest::newRow("job without check-out fields") << QVariant(1) << false << false;
}

void tst_TYTable::scenesTableShowsCheckOutOnlyWhenFlagged()
{
    QFETCH(QVariant, flag);
    QFETCH(bool, jobHasFields);
    QFETCH(bool, shown);
    const qint64 date = 1700000000;
    QVector<QVariant> row(DBC_Table::ColumnCount);
    row[DBC_Table::Name] = QStringLiteral("sc1");
    row[DBC_Table::CheckedOut] = flag;
    row[DBC_Table::CheckoutUser] = QStringLiteral("ann");
    row[DBC_Table::CheckoutDate] = date;
    dba_job_struct job;
    job.scene().appendRow(row);

    TUTYScenesTable table(nullptr);
    table.fillFromJob(job, jobHasFields);
    QCOMPARE(table.topLevelItemCount(), 1);
    const QTreeWidgetItem *item = table.topLevelItem(0);
    QCOMPARE(item->text(TUTYScenesTable::User), shown ? QStringLiteral("ann") : QString());
    QCOMPARE(item->text(TUTYScenesTable::Date), shown ? DBA_SessionOps::dba_TimeStamp(date, "%x %X") : QString());
}

void tst_TYTable::scenesTableKeepsJobOrderAndClearsSelection()
{
    dba_job_struct job;
    const QStringList names{"zeta", "alpha", "mid"};
    for (int i = 0; i < names.size(); ++i) {
        QVector<QVariant> row(DBC_Table::ColumnCount);
        row[DBC_Table::Name] = names[i];
        row[DBC_Table::Path] = QStringLiteral("/QVX_DB/fs/J/scene-") + names[i];
        row[DBC_Table::FileSystem] = QStringLiteral("/QVX_DB/fs");
        row[DBC_Table::Priority] = i;
        row[DBC_Table::Frames] = 10 * i;
        row[DBC_Table::Td] = QStringLiteral("td%1").arg(i);
        row[DBC_Table::Atd] = QStringLiteral("atd%1").arg(i);
        job.scene().appendRow(row);
    }
    TUTYScenesTable table(nullptr);
    table.appendRow({"old"})->setSelected(true);
    table.fillFromJob(job, true);
    QCOMPARE(table.columnTexts(TUTYScenesTable::Name, false), names);
    QCOMPARE(table.selectedRowCount(), 0);
    const QTreeWidgetItem *last = table.topLevelItem(2);
    QCOMPARE(last->text(TUTYScenesTable::Path), QStringLiteral("/QVX_DB/fs/J/scene-mid"));
    QCOMPARE(last->text(TUTYScenesTable::FileSystem), QStringLiteral("/QVX_DB/fs"));
    QCOMPARE(last->text(TUTYScenesTable::Frames), QStringLiteral("20"));
    QCOMPARE(last->text(TUTYScenesTable::Priority), QStringLiteral("2"));
    QCOMPARE(last->text(TUTYScenesTable::Td), QStringLiteral("td2"));
    QCOMPARE(last->text(TUTYScenesTable::Atd), QStringLiteral("atd2"));
    // Filling leaves the job's own walk alone.
    QCOMPARE(job.scene().currentRow(), -1);
}

void tst_TYTable::elementsShowFolderScanAndFieldChart()
{
    QVX_element_data element;
    element.name = QStringLiteral("char");
    element.folder = QStringLiteral("char_v2");
    element.scanType = QStringLiteral("Colour");
    element.fieldChart = 16.5;
    TUTYElementsTable table(nullptr);
    table.addElement(element);
    const QTreeWidgetItem *item = table.topLevelItem(0);
    QCOMPARE(item->text(TUTYElementsTable::Name), QStringLiteral("char"));
    QCOMPARE(item->text(TUTYElementsTable::Folder), QStringLiteral("char_v2"));
    QCOMPARE(item->text(TUTYElementsTable::Type), QString());
    QCOMPARE(item->text(TUTYElementsTable::Scan), QStringLiteral("Colour"));
    QCOMPARE(item->text(TUTYElementsTable::FieldChart), QStringLiteral("16.5000"));
    QCOMPARE(TUTYElementsTable::fieldChartText(12), QStringLiteral("12.0000"));
    QCOMPARE(TUTYElementsTable::fieldChartText(1.23456), QStringLiteral("1.2346"));
}

void tst_TYTable::celCodesHaveTheirTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("stage");
    QTest::addColumn<QString>("state");
    QTest::newRow("0") << 0 << "XSheet" << "Pending";
    QTest::newRow("1") << 1 << "Scan" << "Processing";
    QTest::newRow("2") << 2 << "Vectorize" << "Error";
    QTest::newRow("3") << 3 << "Paint" << "Completed";
    QTest::newRow("4") << 4 << "Camera" << "Completed with Errors";
    QTest::newRow("5: no stage, still processing") << 5 << "" << "Processing";
    QTest::newRow("6") << 6 << "" << "";
    QTest::newRow("-1") << -1 << "" << "";
}

void tst_TYTable::celCodesHaveTheirTexts()
{
    QFETCH(int, code);
    QFETCH(QString, stage);
    QFETCH(QString, state);
    QCOMPARE(TUTYDrawingsTable::stageText(code), stage);
    QCOMPARE(TUTYDrawingsTable::stateText(code), state);
}

void tst_TYTable::drawingNamesCarryTheirSuffix()
{
    TUTYDrawingsTable table(nullptr);
    dba_cel_struct plain;
    plain.name = QStringLiteral("12");
    plain.stage = 3;
    plain.state = 5;
    dba_cel_struct suffixed = plain;
    suffixed.suffix = QStringLiteral("a");
    table.addCel(plain);
    table.addCel(suffixed);
    QCOMPARE(table.columnTexts(TUTYDrawingsTable::Name, false), QStringList({"12", "12a"}));
    QCOMPARE(table.topLevelItem(1)->text(TUTYDrawingsTable::Stage), QStringLiteral("Paint"));
    QCOMPARE(table.topLevelItem(1)->text(TUTYDrawingsTable::State), QStringLiteral("Processing"));
}

void tst_TYTable::holderFoldsAndUnfolds()
{
    TUTYShowHideHolder holder(QStringLiteral(" Elements "), nullptr);
    auto *body = new TUTYElementsTable(nullptr);
    QSignalSpy collapsed(&holder, &TUTYShowHideHolder::collapsedShowHide);
    QSignalSpy expanded(&holder, &TUTYShowHideHolder::expandShowHide);
    holder.setWidget(body, false);
    QVERIFY(holder.isAncestorOf(body));
    holder.resize(400, 300);
    holder.show();
    QVERIFY(QTest::qWaitForWindowExposed(&holder));
    QVERIFY(holder.isCollapsed());
    QCOMPARE(collapsed.count(), 1);
    QVERIFY(!body->isVisible());
    QVERIFY(holder.barHeight() >= 16);
    QVERIFY(holder.barHeight() >= holder.fontMetrics().height());
    QCOMPARE(holder.height(), holder.barHeight());

    holder.toggle();
    QVERIFY(!holder.isCollapsed());
    QCOMPARE(expanded.count(), 1);
    QVERIFY(body->isVisible());
    holder.resize(400, 300);
    QCOMPARE(holder.height(), 300);

    holder.toggle();
    QVERIFY(holder.isCollapsed());
    QCOMPARE(collapsed.count(), 2);
    QCOMPARE(holder.height(), holder.barHeight());
}

void tst_TYTable::holderTogglesFromButtonAndTitleBar()
{
    TUTYShowHideHolder holder(QStringLiteral(" Drawings "), nullptr);
    holder.setWidget(new TUTYDrawingsTable(nullptr), true);
    holder.resize(400, 300);
    holder.show();
    QVERIFY(QTest::qWaitForWindowExposed(&holder));
    QToolButton *button = holder.findChild<QToolButton *>();
    QVERIFY(button);
    QCOMPARE(button->size(), QSize(16, 16));
    // No icon is installed beside the tests: the button shows an arrow
    // pointing the way it folds.
    QCOMPARE(button->arrowType(), Qt::UpArrow);
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(holder.isCollapsed());
    QCOMPARE(button->arrowType(), Qt::DownArrow);

    // A double-click anywhere on the bar beside the title.
    QWidget *bar = button->parentWidget();
    QTest::mouseDClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(4, bar->height() / 2));
    QVERIFY(!holder.isCollapsed());
    QCOMPARE(holder.findChild<QLabel *>()->text(), QStringLiteral(" Drawings "));
}

QTEST_MAIN(tst_TYTable)
#include "tst_tytable.moc"
