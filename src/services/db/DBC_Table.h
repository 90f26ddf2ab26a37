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

    DBC_Table() = default;
    explicit DBC_Table(int columnCount) : m_columnCount(columnCount) {}

    void clear() { m_rows.clear(); m_current = -1; }
    void appendRow(QVector<QVariant> row);
    int rowCount() const { return int(m_rows.size()); }
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
    QVector<QVector<QVariant>> m_rows;
    int m_columnCount = ColumnCount;
    int m_current = -1;
};
