#pragma once

#include <QPair>
#include <QStringList>
#include <QTreeWidget>
#include <QVector>

// The program's tree-table: a flat list of rows with a fixed set of columns,
// extended selection, no sorting and a header that does not react to clicks.
// It tells its owner what the user picked as a name (the column-0 text when
// exactly one row is selected, otherwise empty) and when a context menu is
// wanted, rather than handing out items.
class TUTYTable : public QTreeWidget
{
    Q_OBJECT
public:
    // A column's title and initial width in pixels.
    using ColumnSpec = QPair<QString, int>;

    TUTYTable(const QVector<ColumnSpec> &columns, int minimumWidth, QWidget *parent);

    // Removes every row, without repainting row by row.
    void clearTable();
    int indexOfTopLevel(QTreeWidgetItem *item) const;
    // The texts of one column, top to bottom, for all rows or only the
    // selected ones; with skipEmpty, empty texts are left out.
    QStringList columnTexts(int column, bool selectedOnly, bool skipEmpty = false) const;
    int selectedRowCount() const;
    // The column-0 text of the selected row when exactly one is selected.
    QString selectedName() const;
    // Appends a row with the given texts, column by column.
    QTreeWidgetItem *appendRow(const QStringList &texts);
    // A row of count empty texts, to fill column by column.
    static QStringList emptyRow(int count);

signals:
    // Shares its name with the view's slot below: connect it through
    // QOverload<const QString &>::of.
    void selectionChanged(const QString &name);
    void menuRequested();

protected:
    // The view's own slot stays visible beside the signal of the same name.
    using QTreeWidget::selectionChanged;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    static bool movesSelection(int key);
};
