// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EventListModel.h"
#include "dialogs/QtColours.h"
#include "registry/DateTime.h"
#include "registry/EventCatalogue.h"

namespace vatrel {

namespace {
// Every line, the header included, is drawn in "MS Sans Serif" at 9 points; the grid's own 15 px
// font only sets the row height.
QFont lineFont() {
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSize(9);
    return f;
}
} // namespace

EventListModel::EventListModel(const EventList& list, QObject* parent)
    : QAbstractTableModel(parent), m_list(list), m_font(lineFont()), m_rows(listRows()),
      m_numbers(list.firstNumber(), list.lastNumber()) {}

int EventListModel::listRows() const { return m_list.count() + (m_list.isFull() ? 0 : 1); }

int EventListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

int EventListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QString EventListModel::cellText(const EventList& list, int row, int column) {
    if (row < 0 || row >= list.count()) return QString();
    const EventList::Entry& e = list.at(row);
    switch (column) {
    case 0:
        return formatDateTime(e.time);
    case 1:
        return e.text;
    default:
        return QString();
    }
}

QVariant EventListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows) return {};
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
        return cellText(m_list, row, index.column());
    case Qt::BackgroundRole:
        return toQColor(colours::info_background);
    case Qt::ForegroundRole:
        return toQColor(row < m_list.count() ? colourOf(int(m_list.at(row).code)) : colours::black);
    case Qt::FontRole:
        return m_font;
    default:
        return {};
    }
}

QVariant EventListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    switch (role) {
    case Qt::DisplayRole:
        if (orientation == Qt::Vertical) return section + 1;
        if (section == 0) return QStringLiteral("Дата и время");
        if (section == 1) return QStringLiteral("Наименование события");
        return {};
    case Qt::FontRole:
        return m_font;
    case Qt::ForegroundRole:
        return QColor(Qt::black);
    default:
        return {};
    }
}

Qt::ItemFlags EventListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void EventListModel::refresh() {
    const int rows = listRows();
    if (rows > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    } else if (rows < m_rows) {
        beginRemoveRows(QModelIndex(), rows, m_rows - 1);
        m_rows = rows;
        endRemoveRows();
    }

    const quint64 first = m_list.firstNumber();
    const quint64 last = m_list.lastNumber();
    // Below the rows kept, every row is drawn, the empty bottom row included.
    const auto redraw = m_numbers.update(first, last);
    if (!redraw) return;
    if (redraw->shifted > 0 && m_rows > 1) emit rowsShifted(0, m_rows - 1, redraw->shifted);
    if (redraw->firstChanged < m_rows)
        emit dataChanged(index(redraw->firstChanged, 0), index(m_rows - 1, kColumns - 1));
}

} // namespace vatrel
