// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/Console.h"

namespace vatrel::testing {

// The text of a sensor table cell as the window shows it, addressed as the grid is: column, then
// row 1 … 200 for slots 0 … 199 (row 0, the header).
inline QString sensorCell(const Console& c, int col, int row) {
    if (row == 0) return sensorHeaderText(col);
    return sensorCellText(c.sensorRows.row(row - 1), row - 1, col);
}

} // namespace vatrel::testing
