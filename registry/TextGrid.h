// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <utility>
#include <vector>

namespace vatrel {

// The texts of one grid as the operator sees them: cells addressed (column, row) with row 0 the
// header. The capacity is fixed; rowCount() is the number of rows the grid currently shows.
//
// The grid remembers which cells took a different text since its view last asked (takeChanges()),
// so a view repaints those cells only: a busy line rewrites the same texts many times a second.
class TextGrid {
public:
    static constexpr int kMaxColumns = 32; // one bit per column in the change marks

    TextGrid(int columns, int rows, int shownRows = -1)
        : m_columns(qBound(0, columns, kMaxColumns)), m_rows(rows), m_shown(shownRows < 0 ? rows : shownRows),
          m_cells(size_t(m_columns) * size_t(rows)), m_changed(size_t(rows), 0u) {}

    int columnCount() const { return m_columns; }
    int capacity() const { return m_rows; }
    int rowCount() const { return m_shown; }
    void setRowCount(int n) { m_shown = qBound(0, n, m_rows); }

    const QString& at(int col, int row) const {
        static const QString empty;
        if (!valid(col, row)) return empty;
        return m_cells[cellIndex(col, row)];
    }
    void set(int col, int row, const QString& text) {
        if (!valid(col, row)) return;
        QString& cell = m_cells[cellIndex(col, row)];
        if (cell == text) return;
        cell = text;
        mark(row, 1u << unsigned(col));
    }
    bool valid(int col, int row) const { return col >= 0 && col < m_columns && row >= 0 && row < m_rows; }

    // Marks every cell of a row as changed (its colours changed, say).
    void markRow(int row) {
        if (row >= 0 && row < m_rows) mark(row, allColumns());
    }
    void markAll() {
        for (int row = 0; row < m_rows; ++row)
            mark(row, allColumns());
    }
    bool hasChanges() const { return m_lastChanged >= 0; }
    // Column bits of the cells of `row` changed since the last takeChanges().
    quint32 changedColumns(int row) const { return row >= 0 && row < m_rows ? m_changed[size_t(row)] : 0u; }

    // Hands the changed cells over as rectangles, runs of neighbouring rows with the same changed
    // columns, each split into runs of neighbouring columns: f(firstRow, lastRow, firstCol, lastCol).
    // Clears the marks.
    // The marks are the view's bookkeeping, not the grid's content: taking them is allowed on a grid
    // the view only reads.
    template <class F> void takeChanges(F&& f) const {
        int row = m_firstChanged;
        const int last = m_lastChanged;
        while (row >= 0 && row <= last) {
            const quint32 cols = m_changed[size_t(row)];
            if (cols == 0) {
                ++row;
                continue;
            }
            int end = row;
            while (end < last && m_changed[size_t(end) + 1] == cols)
                ++end;
            for (int col = 0; col < m_columns;) {
                if (!(cols & (1u << unsigned(col)))) {
                    ++col;
                    continue;
                }
                int colEnd = col;
                while (colEnd + 1 < m_columns && (cols & (1u << unsigned(colEnd + 1))))
                    ++colEnd;
                f(row, end, col, colEnd);
                col = colEnd + 1;
            }
            for (int r = row; r <= end; ++r)
                m_changed[size_t(r)] = 0u;
            row = end + 1;
        }
        m_firstChanged = m_lastChanged = -1;
    }

    // Makes `to` a copy of this grid for a view that reads `to` (a copy on another thread): the texts,
    // and the changes made here since the last hand-over added to those `to`'s view has not taken
    // yet. The changes here are cleared: from now on they are `to`'s.
    void handOver(TextGrid& to) const {
        std::vector<quint32> untaken = std::move(to.m_changed);
        const bool hadUntaken = to.m_firstChanged >= 0;
        to = *this;
        if (hadUntaken && untaken.size() == m_changed.size())
            for (size_t row = 0; row < untaken.size(); ++row)
                if (untaken[row] != 0u) to.mark(int(row), untaken[row]);
        std::fill(m_changed.begin(), m_changed.end(), 0u);
        m_firstChanged = m_lastChanged = -1;
    }

private:
    size_t cellIndex(int col, int row) const { return size_t(row) * size_t(m_columns) + size_t(col); }

    quint32 allColumns() const { return m_columns >= 32 ? ~0u : (1u << unsigned(m_columns)) - 1u; }
    void mark(int row, quint32 cols) {
        m_changed[size_t(row)] |= cols;
        if (m_firstChanged < 0 || row < m_firstChanged) m_firstChanged = row;
        if (row > m_lastChanged) m_lastChanged = row;
    }

    int m_columns;
    int m_rows;
    int m_shown;
    std::vector<QString> m_cells;
    mutable std::vector<quint32> m_changed; // per row, one bit per changed column
    mutable int m_firstChanged = -1;
    mutable int m_lastChanged = -1;
};

} // namespace vatrel
