#include "TUTYSceneCopySummary.h"

namespace {
enum Column { From, To };
}

TUTYSceneCopySummary::TUTYSceneCopySummary(QVector<SceneCopyEntry> &entries, QWidget *parent)
    : TUTYTable({{tr("Copy From"), 100}, {tr("Copy To"), 100}}, 0, parent)
    , m_entries(entries)
{
    setObjectName(QStringLiteral("copySummary"));
    connect(this, &QTreeWidget::itemDoubleClicked, this, &TUTYSceneCopySummary::openColEditor);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &TUTYSceneCopySummary::closeColEditor);
}

void TUTYSceneCopySummary::refresh()
{
    closeColEditor();
    clearTable();
    for (const SceneCopyEntry &entry : qAsConst(m_entries))
        appendRow({entry.sourceName, entry.targetName});
}

void TUTYSceneCopySummary::openColEditor(QTreeWidgetItem *item, int column)
{
    if (column != To || !item)
        return;
    closeColEditor();
    openPersistentEditor(item, column);
    if (QWidget *editor = itemWidget(item, column))
        editor->setFocus();
    m_editedItem = item;
    m_editedColumn = column;
}

void TUTYSceneCopySummary::closeColEditor()
{
    if (!m_editedItem)
        return;
    QTreeWidgetItem *item = m_editedItem;
    m_editedItem = nullptr;
    m_editedColumn = -1;
    // What was typed goes into the item before the editor goes.
    if (QWidget *editor = itemWidget(item, To))
        commitData(editor);
    closePersistentEditor(item, To);
    const int row = indexOfTopLevel(item);
    if (row < 0 || row >= m_entries.size() || item->text(From) != m_entries[row].sourceName)
        return;
    m_entries[row].targetName = item->text(To);
    m_entries[row].copyIntoExisting = false;
    emit clearSelection_ToSceneLB();
}
