#include "TUTYScenesTable.h"

#include "DBA_Records.h"
#include "DBA_SessionOps.h"

#include <QDateTime>

namespace {
QString cell(const DBC_Table &table, int column)
{
    return table.data(column).toString();
}

bool isCheckedOut(const DBC_Table &table)
{
    const QString flag = cell(table, DBC_Table::CheckedOut);
    return !flag.isEmpty() && flag != QLatin1String("0");
}
} // namespace

TUTYScenesTable::TUTYScenesTable(QWidget *parent)
    : TUTYTable({{tr("Name"), 100},
                 {tr("Path"), 250},
                 {tr("File System"), 150},
                 {tr("Frames"), 50},
                 {tr("Priority"), 50},
                 {tr("TD"), 75},
                 {tr("ATD"), 75},
                 {tr("USER"), 75},
                 {tr("DATE"), 100}},
                520, parent)
{
    // The end of a path names the scene's own folder, the part worth keeping.
    setTextElideMode(Qt::ElideMiddle);
    // A check-out date in the locale's format may need more than 100 pixels.
    const qint64 wideDate = QDateTime(QDate(2000, 12, 28), QTime(23, 58, 58)).toSecsSinceEpoch();
    const QString sample = DBA_SessionOps::dba_TimeStamp(wideDate, "%x %X");
    setColumnWidth(Date, qMax(columnWidth(Date), fontMetrics().horizontalAdvance(sample) + 16));
}

void TUTYScenesTable::fillFromJob(const dba_job_struct &job, bool hasCheckoutFields)
{
    clearTable();
    // A copy, so walking it leaves the job's own cursor where it was.
    DBC_Table scenes = job.scene();
    const bool checkout = hasCheckoutFields && scenes.hasColumn(DBC_Table::CheckoutDate);
    QList<QTreeWidgetItem *> rows;
    for (bool more = scenes.first(); more; more = scenes.next()) {
        QStringList texts = emptyRow(ColumnCount);
        texts[Name] = cell(scenes, DBC_Table::Name);
        texts[Path] = cell(scenes, DBC_Table::Path);
        texts[FileSystem] = cell(scenes, DBC_Table::FileSystem);
        texts[Frames] = cell(scenes, DBC_Table::Frames);
        texts[Priority] = cell(scenes, DBC_Table::Priority);
        texts[Td] = cell(scenes, DBC_Table::Td);
        texts[Atd] = cell(scenes, DBC_Table::Atd);
        if (checkout && isCheckedOut(scenes)) {
            texts[User] = cell(scenes, DBC_Table::CheckoutUser);
            texts[Date] = DBA_SessionOps::dba_TimeStamp(scenes.data(DBC_Table::CheckoutDate).toLongLong(), "%x %X");
        }
        auto *row = new QTreeWidgetItem(texts);
        row->setToolTip(Path, texts[Path]);
        rows.append(row);
    }
    addTopLevelItems(rows);
    clearSelection();
}
