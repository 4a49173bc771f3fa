// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/Console.h"
#include "registry/SensorRows.h"
#include "registry/SensorTable.h"
#include "registry/Storage.h"

namespace vatrel {

// Start-up fill of the program state and loading of every stored file. Call once, after
// c.data_dir has been set.
void startUp(Console& c);

// Writes the slot's row of the sensor table and its colour from the slot's record.
void fillSensorRow(SensorRows& rows, const SensorTable& table, int slot);

// The exit sequence after the operator answered Yes: live state reset, saveSensors, saveSensorSettings of every
// occupied slot. (Closing the port and logging "Выход из программы" are the caller's.)
void saveAllOnExit(SensorTable& sensors, SensorStore& store);

} // namespace vatrel
