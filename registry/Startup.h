// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Console.h"

namespace vatrel {

// State text of the sensor table's column "Состояние" for a status code (empty for unknown codes).
QString stateText(int status);

// Start-up fill of the program state and loading of every stored file. Call once, after
// c.data_dir has been set.
void init_globals(Console& c);

// Writes row slot + 1 of the sensor table and its colour from the slot's record.
void fillSensorRow(Console& c, int slot);

// The exit sequence after the operator answered Yes: live state reset, saveSensors, saveSensorSettings of every
// occupied slot. (Closing the port and logging "Выход из программы" are the caller's.)
void saveAllOnExit(Console& c);

} // namespace vatrel
