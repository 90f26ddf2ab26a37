#include "TUTYDrawingsTable.h"

#include "DBA_Records.h"

TUTYDrawingsTable::TUTYDrawingsTable(QWidget *parent)
    : TUTYTable({{tr("Name"), 100}, {tr("Stage"), 100}, {tr("State"), 100}}, 320, parent)
{
}

void TUTYDrawingsTable::addCel(const dba_cel_struct &cel)
{
    QStringList texts = emptyRow(ColumnCount);
    texts[Name] = cel.name + cel.suffix;
    texts[Stage] = stageText(cel.stage);
    texts[State] = stateText(cel.state);
    // The queue knows a drawing by its cel name, which the shown name extends.
    appendRow(texts)->setData(Name, CelNameRole, cel.name);
}

QStringList TUTYDrawingsTable::selectedCelNames() const
{
    QStringList names;
    for (int row = 0; row < topLevelItemCount(); ++row) {
        const QTreeWidgetItem *item = topLevelItem(row);
        if (item->isSelected())
            names.append(item->data(Name, CelNameRole).toString());
    }
    return names;
}

QString TUTYDrawingsTable::stageText(int stage)
{
    switch (stage) {
    case 0: return tr("XSheet");
    case 1: return tr("Scan");
    case 2: return tr("Vectorize");
    case 3: return tr("Paint");
    case 4: return tr("Camera");
    default: return {};
    }
}

QString TUTYDrawingsTable::stateText(int state)
{
    switch (state) {
    case 0: return tr("Pending");
    case 1: return tr("Processing");
    case 2: return tr("Error");
    case 3: return tr("Completed");
    case 4: return tr("Completed with Errors");
    // The queue program's second processing code.
    case 5: return tr("Processing");
    default: return {};
    }
}
