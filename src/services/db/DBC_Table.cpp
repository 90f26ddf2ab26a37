#include "DBC_Table.h"

#include <numeric>

DBC_Table::DBC_Table(int columnCount)
    : m_slotOf(columnCount)
    , m_columnCount(columnCount)
    , m_width(columnCount)
{
    std::iota(m_slotOf.begin(), m_slotOf.end(), 0);
}

DBC_Table::DBC_Table(int columnCount, const QVector<int> &storedColumns)
    : m_slotOf(columnCount, -1)
    , m_columnCount(columnCount)
    , m_width(int(storedColumns.size()))
{
    for (int i = 0; i < storedColumns.size(); ++i)
        m_slotOf[storedColumns[i]] = i;
}

void DBC_Table::appendRow(const QVector<QVariant> &row)
{
    QVector<int> columnOf(m_width);
    for (int column = 0; column < m_columnCount; ++column) {
        if (m_slotOf[column] >= 0)
            columnOf[m_slotOf[column]] = column;
    }
    appendStoredRow([&](int i) { return row.value(columnOf[i]); });
}

bool DBC_Table::first()
{
    m_current = rowCount() == 0 ? -1 : 0;
    return m_current == 0;
}

bool DBC_Table::next()
{
    if (m_current < 0 || m_current + 1 >= rowCount()) {
        m_current = -1;
        return false;
    }
    ++m_current;
    return true;
}

QVariant DBC_Table::data(int column) const
{
    return data(m_current, column);
}

QVariant DBC_Table::data(int row, int column) const
{
    if (row < 0 || row >= rowCount() || !hasColumn(column) || m_slotOf[column] < 0)
        return {};
    return m_cells[row * m_width + m_slotOf[column]];
}
