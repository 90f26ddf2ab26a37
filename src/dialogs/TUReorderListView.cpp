#include "TUReorderListView.h"

#include <QDropEvent>

TUReorderListView::TUReorderListView(QWidget *parent)
    : QTreeWidget(parent)
{
    setAcceptDrops(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDropIndicatorShown(true);
    setDragEnabled(true);
    setItemsExpandable(false);
    setRootIsDecorated(false);
}

void TUReorderListView::moveSelectedAfter(QTreeWidgetItem *target)
{
    QList<QTreeWidgetItem *> moved;
    for (int row = 0; row < topLevelItemCount(); ++row) {
        if (topLevelItem(row)->isSelected())
            moved << topLevelItem(row);
    }
    if (moved.isEmpty())
        return;
    // Dropped on a moving row: after the nearest row above it that stays,
    // or at the top when there is none.
    int at = topLevelItemCount() - moved.size();
    if (target) {
        at = 0;
        for (int row = indexOfTopLevelItem(target); row >= 0; --row) {
            if (!moved.contains(topLevelItem(row))) {
                target = topLevelItem(row);
                at = -1;
                break;
            }
        }
    }
    for (QTreeWidgetItem *item : qAsConst(moved))
        takeTopLevelItem(indexOfTopLevelItem(item));
    if (at < 0)
        at = indexOfTopLevelItem(target) + 1;
    insertTopLevelItems(at, moved);
    for (QTreeWidgetItem *item : qAsConst(moved))
        item->setSelected(true);
}

void TUReorderListView::dropEvent(QDropEvent *event)
{
    if (event->source() != this) {
        QTreeWidget::dropEvent(event);
        return;
    }
    moveSelectedAfter(itemAt(event->pos()));
    event->setDropAction(Qt::IgnoreAction);
    event->accept();
}
