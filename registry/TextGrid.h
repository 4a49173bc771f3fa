#pragma once
#include <QString>
#include <vector>

namespace vatrel {

// The texts of one grid as the operator sees them: cells addressed (column, row) with row 0 the
// header. The capacity is fixed; rowCount() is the number of rows the grid currently shows.
class TextGrid {
public:
    TextGrid(int columns, int rows, int shownRows = -1)
        : m_columns(columns), m_rows(rows), m_shown(shownRows < 0 ? rows : shownRows),
          m_cells(size_t(columns) * size_t(rows)) {}

    int columnCount() const { return m_columns; }
    int capacity() const { return m_rows; }
    int rowCount() const { return m_shown; }
    void setRowCount(int n) { m_shown = qBound(0, n, m_rows); }

    const QString& at(int col, int row) const {
        static const QString empty;
        if (!valid(col, row))
            return empty;
        return m_cells[size_t(row) * size_t(m_columns) + size_t(col)];
    }
    void set(int col, int row, const QString& text) {
        if (valid(col, row))
            m_cells[size_t(row) * size_t(m_columns) + size_t(col)] = text;
    }
    bool valid(int col, int row) const { return col >= 0 && col < m_columns && row >= 0 && row < m_rows; }

private:
    int m_columns;
    int m_rows;
    int m_shown;
    std::vector<QString> m_cells;
};

} // namespace vatrel
