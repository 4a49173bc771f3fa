// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/TableSelection.h"

namespace vatrel {

void TableSelection::select(int column, int row) {
    m_column = column;
    m_row = row;
    m_notices.changed(View::SensorGrid);
}

void TableSelection::setHighlighted(bool on) {
    if (m_highlighted == on) return;
    m_highlighted = on;
    m_notices.changed(View::SensorGrid);
}

} // namespace vatrel
