// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/SensorRows.h"

#include <QString>

namespace vatrel {

// Sensor table columns.
enum SensorColumn {
    colPos = 0,
    colAddress,
    colType,
    colLoop1,
    colLoop2,
    colThreshold1,
    colSignal1,
    colThreshold2,
    colSignal2,
    colState,
    colArmed1,
    colArmed2,
};
constexpr int kSensorColumns = colArmed2 + 1;

// The sensor table's texts as the operator reads them, made from the rows' state.
QString sensorHeaderText(int column);
// The text of a cell of the slot's row.
QString sensorCellText(const SensorRow& row, int slot, int column);
// A sensor's state code as the state column shows it (the low 16 bits count; empty for a code
// without a text).
QString stateText(int status);

} // namespace vatrel
