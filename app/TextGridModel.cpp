// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TextGridModel.h"

namespace vatrel {

TextGridModel::TextGridModel(const TextGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), m_grid(grid), m_rows(shownRows()) {
    // Everything is shown as it is now; later refreshes report what changed since.
    m_grid.takeChanges([](int, int, int, int) {});
}

int TextGridModel::shownRows() const { return qMax(0, m_grid.rowCount() - 1); }

int TextGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

int TextGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_grid.columnCount();
}

QVariant TextGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows) return {};
    if (role == Qt::DisplayRole) return m_grid.at(index.column(), index.row() + 1);
    return {};
}

QVariant TextGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return m_grid.at(section, 0);
    return section + 1;
}

Qt::ItemFlags TextGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void TextGridModel::refresh() {
    const int rows = shownRows();
    if (rows != m_rows) {
        if (rows > m_rows) {
            beginInsertRows(QModelIndex(), m_rows, rows - 1);
            m_rows = rows;
            endInsertRows();
        } else {
            beginRemoveRows(QModelIndex(), rows, m_rows - 1);
            m_rows = rows;
            endRemoveRows();
        }
    }
    m_grid.takeChanges([this](int firstRow, int lastRow, int firstCol, int lastCol) {
        if (firstRow == 0) { // the header row
            emit headerDataChanged(Qt::Horizontal, firstCol, lastCol);
            firstRow = 1;
        }
        lastRow = qMin(lastRow, m_rows); // rows past the shown ones are drawn when they come
        if (firstRow <= lastRow) emit dataChanged(index(firstRow - 1, firstCol), index(lastRow - 1, lastCol));
    });

    // Row colours: a run of rows whose look changed is repainted whole (every row on the first
    // refresh, when nothing is known of what the view drew).
    m_shownLooks.resize(size_t(m_rows));
    const bool first = !m_looksTaken;
    m_looksTaken = true;
    int runStart = -1;
    for (int row = 0; row <= m_rows; ++row) {
        bool changed = false;
        if (row < m_rows) {
            const RowLook look = rowLook(row);
            changed = first || look != m_shownLooks[size_t(row)];
            m_shownLooks[size_t(row)] = look;
        }
        if (changed && runStart < 0) {
            runStart = row;
        } else if (!changed && runStart >= 0) {
            emit dataChanged(index(runStart, 0), index(row - 1, columnCount() - 1));
            runStart = -1;
        }
    }
}

void TextGridModel::refreshHeaders() { emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1); }

} // namespace vatrel
