// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/EventListModel.h"
#include "app/QtColours.h"

#include <QFont>

namespace vatrel {

namespace {
// Every line, the header included, is drawn in "MS Sans Serif" at the size its style entry holds
// (9 points); the grid's own 15 px font only sets the row height.
QFont lineFont(int points) {
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSize(points > 0 ? points : 9);
    return f;
}

// Style entries past the first 200 are all zero until an event is first written there; such an
// entry is drawn like a fresh one rather than black on black.
RowStyle effectiveStyle(const RowStyle& s) {
    if (s.background == 0 && s.font_colour == 0 && s.font_size == 0)
        return RowStyle{colours::info_background, colours::black, 9, 0};
    return s;
}
} // namespace

EventListModel::EventListModel(const Console& c, QObject* parent)
    : TextGridModel(c.event_grid, parent), m_c(c), m_usualFont(lineFont(9)) {}

TextGridModel::RowLook EventListModel::rowLook(int row) const {
    const RowStyle style = row >= 0 && row < kEventRowsMax ? effectiveStyle(m_c.EventRowStyles[size_t(row)])
                                                           : effectiveStyle({});
    return {style.background, style.font_colour, style.font_size};
}

QVariant EventListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const int entry = index.row();
    const RowStyle style =
        entry < kEventRowsMax ? effectiveStyle(m_c.EventRowStyles[size_t(entry)]) : effectiveStyle({});
    switch (role) {
    case Qt::BackgroundRole:
        return toQColor(style.background);
    case Qt::ForegroundRole:
        return toQColor(style.font_colour);
    case Qt::FontRole:
        return style.font_size == 9 ? m_usualFont : lineFont(style.font_size);
    default:
        return TextGridModel::data(index, role);
    }
}

QVariant EventListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::FontRole) return m_usualFont;
    if (role == Qt::ForegroundRole) return QColor(Qt::black);
    return TextGridModel::headerData(section, orientation, role);
}

} // namespace vatrel
