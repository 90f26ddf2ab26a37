#include "DBC_Table.h"

void DBC_Table::appendRow(QVector<QVariant> row)
{
    row.resize(m_columnCount);
    m_rows.append(std::move(row));
}

bool DBC_Table::first()
{
    m_current = m_rows.isEmpty() ? -1 : 0;
    return m_current == 0;
}

bool DBC_Table::next()
{
    if (m_current < 0 || m_current + 1 >= m_rows.size()) {
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
    if (row < 0 || row >= m_rows.size() || !hasColumn(column))
        return {};
    return m_rows[row][column];
}
