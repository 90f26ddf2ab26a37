#include "TUTYTable.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

TUTYTable::TUTYTable(const QVector<ColumnSpec> &columns, int minimumWidth, QWidget *parent)
    : QTreeWidget(parent)
{
    setColumnCount(columns.size());
    QStringList titles;
    for (const ColumnSpec &column : columns)
        titles.append(column.first);
    setHeaderLabels(titles);
    for (int i = 0; i < columns.size(); ++i)
        setColumnWidth(i, columns[i].second);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSortingEnabled(false);
    setIndentation(0);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    header()->setSectionsClickable(false);
    header()->setStretchLastSection(true);
    setMinimumWidth(minimumWidth);
}

void TUTYTable::clearTable()
{
    viewport()->setUpdatesEnabled(false);
    clear();
    viewport()->setUpdatesEnabled(true);
}

int TUTYTable::indexOfTopLevel(QTreeWidgetItem *item) const
{
    return indexOfTopLevelItem(item);
}

QStringList TUTYTable::columnTexts(int column, bool selectedOnly, bool skipEmpty) const
{
    QStringList texts;
    for (int row = 0; row < topLevelItemCount(); ++row) {
        const QTreeWidgetItem *item = topLevelItem(row);
        if (selectedOnly && !item->isSelected())
            continue;
        const QString text = item->text(column);
        if (skipEmpty && text.isEmpty())
            continue;
        texts.append(text);
    }
    return texts;
}

int TUTYTable::selectedRowCount() const
{
    return selectedItems().size();
}

QString TUTYTable::selectedName() const
{
    const QList<QTreeWidgetItem *> selected = selectedItems();
    return selected.size() == 1 ? selected.first()->text(0) : QString();
}

QTreeWidgetItem *TUTYTable::appendRow(const QStringList &texts)
{
    auto *item = new QTreeWidgetItem(texts);
    addTopLevelItem(item);
    return item;
}

QStringList TUTYTable::emptyRow(int count)
{
    QStringList texts;
    texts.reserve(count);
    for (int i = 0; i < count; ++i)
        texts.append(QString());
    return texts;
}

void TUTYTable::mousePressEvent(QMouseEvent *event)
{
    // The right button asks for the menu and leaves the selection alone, so
    // the menu acts on what was selected before.
    if (event->button() == Qt::RightButton) {
        event->accept();
        emit menuRequested();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void TUTYTable::mouseReleaseEvent(QMouseEvent *event)
{
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton)
        emit selectionChanged(selectedName());
}

void TUTYTable::keyReleaseEvent(QKeyEvent *event)
{
    QTreeWidget::keyReleaseEvent(event);
    if (movesSelection(event->key()))
        emit selectionChanged(selectedName());
}

bool TUTYTable::movesSelection(int key)
{
    // Up and Down walk the rows; digits and letters jump to a row by name.
    return key == Qt::Key_Up || key == Qt::Key_Down || (key >= Qt::Key_0 && key <= Qt::Key_Z);
}
