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

    // Moves rows first + 1 … last up one place, as a list that keeps its newest lines does: the text
    // of row `first` is dropped and row `last` keeps its own until it is written. The change marks
    // move with the rows, and the move itself is remembered (takeShift()), so that a view can move
    // what it drew of those rows instead of drawing them all again.
    void scrollUp(int first, int last) {
        if (first < 0 || last >= m_rows || first >= last) return;
        // A full list moves the same rows with every new line: the rows stay where they are stored
        // and the range's first row moves on, so a move costs one row's texts, not the whole list's.
        if (m_turn != 0 && (first != m_turnFirst || last != m_turnLast)) straighten();
        m_turnFirst = first;
        m_turnLast = last;
        const size_t lastRow = storedRow(last);
        m_turn = (m_turn + 1) % (last - first + 1);
        const size_t newLastRow = storedRow(last); // where the dropped row `first` was stored
        const auto cols = size_t(m_columns);
        std::copy_n(m_cells.begin() + std::ptrdiff_t(lastRow * cols), cols,
                    m_cells.begin() + std::ptrdiff_t(newLastRow * cols));
        if (m_shift.count > 0 && (m_shift.first != first || m_shift.last != last)) {
            // Another range moved before the view caught up: that one is drawn again whole.
            for (int row = m_shift.first; row <= m_shift.last; ++row)
                mark(row, allColumns());
            m_shift = {};
        }
        std::copy(m_changed.begin() + first + 1, m_changed.begin() + last + 1, m_changed.begin() + first);
        for (int row = first; row <= last; ++row)
            if (m_changed[size_t(row)] != 0u) mark(row, 0u);
        m_shift = {first, last, m_shift.count + 1};
    }

    // Rows first … last moved up `count` places since the view last asked; count 0: none did.
    struct Shift {
        int first = -1;
        int last = -1;
        int count = 0;
    };
    // Hands the pending move over and forgets it. A view applies it before the change marks.
    Shift takeShift() const { return std::exchange(m_shift, Shift{}); }

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
        const Shift untakenShift = to.m_shift;
        const bool hadUntaken = to.m_firstChanged >= 0 || untakenShift.count > 0;
        to = *this;
        if (hadUntaken && untaken.size() == m_changed.size()) {
            Shift shift = m_shift;
            if (shift.count > 0 && untakenShift.count > 0 &&
                (untakenShift.first != shift.first || untakenShift.last != shift.last)) {
                // Two ranges moved before the view caught up: both are drawn again whole.
                for (int row = untakenShift.first; row <= untakenShift.last; ++row)
                    untaken[size_t(row)] = allColumns();
                for (int row = shift.first; row <= shift.last; ++row)
                    untaken[size_t(row)] = allColumns();
                shift = {};
            } else if (shift.count > 0) {
                // The rows the view has yet to draw moved with the new move.
                for (int row = shift.first; row <= shift.last; ++row) {
                    const int from = row + shift.count;
                    untaken[size_t(row)] = from <= shift.last ? untaken[size_t(from)] : 0u;
                }
                shift.count += untakenShift.count;
            } else {
                shift = untakenShift;
            }
            to.m_shift = shift;
            for (size_t row = 0; row < untaken.size(); ++row)
                if (untaken[row] != 0u) to.mark(int(row), untaken[row]);
        }
        std::fill(m_changed.begin(), m_changed.end(), 0u);
        m_firstChanged = m_lastChanged = -1;
        m_shift = {};
    }

private:
    // Where row `row` is stored: rows m_turnFirst … m_turnLast are turned m_turn places.
    size_t storedRow(int row) const {
        if (m_turn == 0 || row < m_turnFirst || row > m_turnLast) return size_t(row);
        return size_t(m_turnFirst + (row - m_turnFirst + m_turn) % (m_turnLast - m_turnFirst + 1));
    }
    size_t cellIndex(int col, int row) const { return storedRow(row) * size_t(m_columns) + size_t(col); }
    // Stores every row in its own place again (before a move of another range).
    void straighten() {
        const auto cols = std::ptrdiff_t(m_columns);
        const auto begin = m_cells.begin() + m_turnFirst * cols;
        std::rotate(begin, begin + m_turn * cols, m_cells.begin() + (m_turnLast + 1) * cols);
        m_turn = 0;
    }

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
    int m_turnFirst = 0;
    int m_turnLast = 0;
    int m_turn = 0;
    mutable std::vector<quint32> m_changed; // per row, one bit per changed column
    mutable int m_firstChanged = -1;
    mutable int m_lastChanged = -1;
    mutable Shift m_shift;
};

} // namespace vatrel
