#pragma once

#include "SceneCopyEntry.h"
#include "TUTYTable.h"

// The copy dialog's list of name pairs, "Copy From" and "Copy To". A
// double click on a "Copy To" cell edits it; the edited name becomes the
// entry's target, a new scene, when the editor closes.
class TUTYSceneCopySummary : public TUTYTable
{
    Q_OBJECT
public:
    // entries stays the dialog's.
    TUTYSceneCopySummary(QVector<SceneCopyEntry> &entries, QWidget *parent);

    // Shows the entries as they are now.
    void refresh();

signals:
    // An entry no longer copies onto the scene picked in the target list.
    void clearSelection_ToSceneLB();

public slots:
    void openColEditor(QTreeWidgetItem *item, int column);
    void closeColEditor();

private:
    QVector<SceneCopyEntry> &m_entries;
    QTreeWidgetItem *m_editedItem = nullptr;
    int m_editedColumn = -1;
};
