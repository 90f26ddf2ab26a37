#include "TUTYElementsTable.h"

#include "DBA_Records.h"

TUTYElementsTable::TUTYElementsTable(QWidget *parent)
    : TUTYTable({{tr("Name"), 100}, {tr("Folder"), 100}, {tr("Type"), 100}, {tr("Scan"), 100}, {tr("Field Chart"), 100}},
                320, parent)
{
}

void TUTYElementsTable::addElement(const QVX_element_data &element)
{
    QStringList texts = emptyRow(ColumnCount);
    texts[Name] = element.name;
    texts[Folder] = element.folder;
    texts[Scan] = element.scanType;
    texts[FieldChart] = fieldChartText(element.fieldChart);
    appendRow(texts);
}

QString TUTYElementsTable::fieldChartText(double fieldChart)
{
    return QString::number(fieldChart, 'f', 4);
}
