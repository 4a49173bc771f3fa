// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SensorGridModel.h"
#include "app/QtColours.h"

#include <QFont>

namespace vatrel {

namespace {
QFont tahoma(int pixels) {
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(pixels);
    f.setBold(true);
    return f;
}
} // namespace

SensorGridModel::SensorGridModel(const Console& c, QObject* parent)
    : TextGridModel(c.sensor_grid, parent), m_c(c), m_cellFont(tahoma(12)), m_fixedFont(tahoma(13)) {}

TextGridModel::RowLook SensorGridModel::rowLook(int row) const {
    if (row < 0 || row >= kSlots) return {};
    const RowStyle& style = m_c.SensorRowStyles[size_t(row)];
    const bool shown = m_c.osc_slot == -1 || m_c.osc_slot == row;
    return {shown ? style.background : colours::silver, style.font_colour, 0};
}

SensorGridModel::CellColours SensorGridModel::StringGrid1GetCellColor(int row) const {
    const int slot = row - 1;
    if (slot < 0 || slot >= kSlots) return {toQColor(colours::silver), toQColor(colours::black)};
    const RowStyle& style = m_c.SensorRowStyles[size_t(slot)];
    const bool shown = m_c.osc_slot == -1 || m_c.osc_slot == slot;
    return {toQColor(shown ? style.background : colours::silver), toQColor(style.font_colour)};
}

QVariant SensorGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const bool fixedCell = index.column() == colPos;
    switch (role) {
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
        return TextGridModel::data(index, role);
    }
}

Qt::ItemFlags SensorGridModel::flags(const QModelIndex& index) const {
    // The position numbers are fixed cells: shown, never selected.
    if (index.isValid() && index.column() == colPos) return Qt::ItemIsEnabled;
    return TextGridModel::flags(index);
}

QVariant SensorGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::FontRole) return m_fixedFont;
    return TextGridModel::headerData(section, orientation, role);
}

} // namespace vatrel
