#include "app/TextGridModel.h"

namespace vatrel {

TextGridModel::TextGridModel(const TextGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), m_grid(grid), m_rows(shownRows()) {}

int TextGridModel::shownRows() const {
    return qMax(0, m_grid.rowCount() - 1);
}

int TextGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

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
    if (m_rows > 0) emit dataChanged(index(0, 0), index(m_rows - 1, columnCount() - 1));
}

void TextGridModel::refreshHeaders() {
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

} // namespace vatrel
