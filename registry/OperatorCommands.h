// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"
#include "registry/SensorTable.h"
#include "registry/TableSelection.h"
#include "registry/TimedDisarms.h"

#include <QString>

namespace vatrel {

// Enabled items of the sensor table's context menu.
struct PopupMenuState {
    bool PEstablish = false;
    bool PRemove = false;
    bool PSetSh1 = false;
    bool PSetSh2 = false;
    bool PRemoveSh1 = false;
    bool PRemoveSh2 = false;
    bool PTimedRemoveSh1 = false; // "Снять Ш1 на время…"
    bool PTimedRemoveSh2 = false;
    bool N_Direct_component_porog = false;
    bool N1 = true; // "Протокол датчика" is never disabled
};

// What the window must open after a menu command was checked by the core.
enum class DialogRequest { None, SetSensor, RemoveSensor, DirectComponent, SensorLog };

// The box shown when a command needs a selected row and none is selected.
const QString& noSelectionText();
// The selected slot, or -1 when no table row is selected. A row outside the table counts as no
// selection so that it never indexes past the sensor table.
int selectedSlot(const TableSelection& selection);

// Runs as the menu is about to open (shows the no-selection message when nothing is selected). A loop
// disarmed until a set time (in `timers`) offers both arming and disarming (for good), and a new end.
PopupMenuState sensorMenuState(const TableSelection& selection, const SensorTable& sensors,
                               const ChangeNotices& notices, const TimedDisarms* timers = nullptr);

// SensorLog: open the viewer on the selected sensor's log.
DialogRequest askSensorLog(const TableSelection& selection, const SensorTable& sensors,
                           const ChangeNotices& notices);

// Table selection (any cell of a row selects its sensor).
void selectSensorCell(TableSelection& selection, int col, int row);

} // namespace vatrel
