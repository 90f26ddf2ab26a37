#pragma once

#include "TUTYTable.h"

struct dba_cel_struct;

// The drawings (cels) of the selected element, with their workflow stage
// and processing state.
class TUTYDrawingsTable : public TUTYTable
{
    Q_OBJECT
public:
    enum Column { Name, Stage, State, ColumnCount };
    enum { CelNameRole = Qt::UserRole };

    explicit TUTYDrawingsTable(QWidget *parent);

    // Appends one cel: its name followed by its suffix.
    void addCel(const dba_cel_struct &cel);
    // The cel names of the selected rows, top to bottom, without suffixes.
    QStringList selectedCelNames() const;

    // The texts of the stored codes; a code without a text shows empty.
    static QString stageText(int stage);
    static QString stateText(int state);
};
