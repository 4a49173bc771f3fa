// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SensorGridModel.h"
#include "dialogs/QtColours.h"

#include <QFont>

namespace vatrel {

namespace {
QFont tahoma(int pixels) {
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(pixels);
    f.setBold(true);
    return f;
}

// Whether a cell of column `col` shows the same in both rows.
bool sameCell(const SensorRow& a, const SensorRow& b, int col) {
    switch (col) {
    case colAddress:
        return a.identified == b.identified && a.number == b.number;
    case colType:
        return a.identified == b.identified && a.type == b.type;
    case colLoop1:
        return a.loop1 == b.loop1;
    case colLoop2:
        return a.loop2 == b.loop2;
    case colThreshold1:
        return a.threshold1 == b.threshold1;
    case colSignal1:
        return a.signal1 == b.signal1;
    case colThreshold2:
        return a.threshold2 == b.threshold2;
    case colSignal2:
        return a.signal2 == b.signal2;
    case colState:
        return a.state == b.state;
    case colArmed1:
        return a.armed1 == b.armed1 && a.until1 == b.until1;
    case colArmed2:
        return a.armed2 == b.armed2 && a.until2 == b.until2;
    default:
        return true; // the position number never changes
    }
}
} // namespace

SensorGridModel::SensorGridModel(const SensorRows& rows, const OscControls& osc, QObject* parent)
    : QAbstractTableModel(parent), m_rows(rows), m_osc(osc), m_cellFont(tahoma(12)), m_fixedFont(tahoma(13)) {
    // Everything is shown as it is now; later refreshes report what changed since.
    for (int s = 0; s < kSlots; ++s)
        m_shown[size_t(s)] = shownOf(s);
}

SensorGridModel::Shown SensorGridModel::shownOf(int slot) const { return {m_rows.row(slot), dimmed(slot)}; }

int SensorGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kSlots; }

int SensorGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kSensorColumns;
}

SensorGridModel::CellColours SensorGridModel::StringGrid1GetCellColor(int row) const {
    const int slot = row - 1;
    if (slot < 0 || slot >= kSlots) return {toQColor(colours::silver), toQColor(colours::black)};
    const Colour background = dimmed(slot) ? colours::silver : m_rows.colour(slot);
    return {toQColor(background), toQColor(colours::black)};
}

QVariant SensorGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= kSlots) return {};
    const bool fixedCell = index.column() == colPos;
    switch (role) {
    case Qt::DisplayRole:
        return sensorCellText(m_rows.row(index.row()), index.row(), index.column());
    case Qt::BackgroundRole:
        if (fixedCell) return QGuiApplication::palette().color(QPalette::Button);
        return StringGrid1GetCellColor(index.row() + 1).background;
    case Qt::ForegroundRole:
        if (fixedCell) return QColor(Qt::black);
        return StringGrid1GetCellColor(index.row() + 1).font;
    case Qt::FontRole:
        return fixedCell ? m_fixedFont : m_cellFont;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

Qt::ItemFlags SensorGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    // The position numbers are fixed cells: shown, never selected.
    if (index.column() == colPos) return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QVariant SensorGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::FontRole) return m_fixedFont;
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return sensorHeaderText(section);
    return section + 1;
}

void SensorGridModel::refresh() {
    for (int s = 0; s < kSlots; ++s) {
        const Shown now = shownOf(s);
        Shown& was = m_shown[size_t(s)];
        if (now == was) continue;
        if (now.dimmed != was.dimmed || now.row.colour != was.row.colour) {
            emit dataChanged(index(s, 0), index(s, kSensorColumns - 1));
        } else {
            // Each run of neighbouring changed cells.
            for (int col = 0; col < kSensorColumns; ++col) {
                if (sameCell(now.row, was.row, col)) continue;
                int last = col;
                while (last + 1 < kSensorColumns && !sameCell(now.row, was.row, last + 1))
                    ++last;
                emit dataChanged(index(s, col), index(s, last));
                col = last;
            }
        }
        was = now;
    }
}

} // namespace vatrel
