#pragma once

#include "TUTYTable.h"

struct QVX_element_data;

// The elements of the open scene.
class TUTYElementsTable : public TUTYTable
{
    Q_OBJECT
public:
    enum Column { Name, Folder, Type, Scan, FieldChart, ColumnCount };

    explicit TUTYElementsTable(QWidget *parent);

    // Appends one element: its type text is not kept in the database, so
    // Type stays empty.
    void addElement(const QVX_element_data &element);
    // The field chart as the table shows it: four decimals, fixed notation.
    static QString fieldChartText(double fieldChart);
};
