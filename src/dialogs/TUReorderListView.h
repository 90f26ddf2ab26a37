#pragma once

#include <QTreeWidget>

// The scene list of the reorder dialog: rows are dragged within the list;
// the selected rows dropped on a row go after it, in their order, and dropped
// below the last row go to the end. Drops from elsewhere are the view's.
class TUReorderListView : public QTreeWidget
{
    Q_OBJECT
public:
    explicit TUReorderListView(QWidget *parent = nullptr);

    // Puts the selected rows after target (to the end when it is null),
    // keeping their order and their selection.
    void moveSelectedAfter(QTreeWidgetItem *target);

protected:
    void dropEvent(QDropEvent *event) override;
};
