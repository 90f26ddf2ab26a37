#pragma once

#include <QVariant>
#include <QVector>

// A read-only snapshot of rows with numbered columns, walked with first/next
// or read by row. The job's scene table keeps the column numbers that the
// program reads (see Column).
class DBC_Table
{
public:
    enum Column {
        Name = 0, Order = 1, FileSystem = 2, Path = 3, Priority = 4, Frames = 5, StageIndex = 6,
        ApprovalStage = 7, AssignedTo = 8, Created = 9, CreatedBy = 10, CurrentVersion = 11,
        PencilTest = 12, PaperSize = 13, ScanSize = 14, Id = 15, Td = 16, Atd = 17,
        CheckedOut = 54, CheckoutUser = 55, CheckoutDate = 56, ColumnCount = 57
    };

    DBC_Table() : DBC_Table(ColumnCount) {}
    // Every column is stored.
    explicit DBC_Table(int columnCount);
    // Only storedColumns are stored, in that order; the others read as invalid.
    DBC_Table(int columnCount, const QVector<int> &storedColumns);

    void clear() { m_cells.clear(); m_current = -1; }
    // A row indexed by column number; what the table does not store is dropped.
    void appendRow(const QVector<QVariant> &row);
    // A row given as valueOf(i), the value of the i-th stored column: no
    // per-row vector, which matters for tables of thousands of rows.
    template <typename ValueOf>
    void appendStoredRow(ValueOf valueOf)
    {
        for (int i = 0; i < m_width; ++i)
            m_cells.append(valueOf(i));
    }
    int rowCount() const { return m_width == 0 ? 0 : int(m_cells.size()) / m_width; }
    int columnCount() const { return m_columnCount; }
    bool hasColumn(int column) const { return column >= 0 && column < m_columnCount; }

    // Walking: first() and next() return false past the last row.
    bool first();
    bool next();
    int currentRow() const { return m_current; }
    // The value of a column in the current row (invalid when there is none).
    QVariant data(int column) const;
    QVariant data(int row, int column) const;

private:
    // The rows one after the other, m_width stored columns each: one vector
    // for the whole snapshot rather than one per row.
    QVector<QVariant> m_cells;
    QVector<int> m_slotOf; // column number -> index within a row, -1 when not stored
    int m_columnCount;
    int m_width;
    int m_current = -1;
};
