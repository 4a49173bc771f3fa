// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Console.h"

namespace vatrel {

// Enabled items of the sensor table's context menu.
struct PopupMenuState {
    bool PEstablish = false;
    bool PRemove = false;
    bool PSetSh1 = false;
    bool PSetSh2 = false;
    bool PRemoveSh1 = false;
    bool PRemoveSh2 = false;
    bool N_Direct_component_porog = false;
    bool N1 = true; // "Протокол датчика" is never disabled
};

// What the window must open after a menu command was checked by the core.
enum class DialogRequest { None, SetSensor, RemoveSensor, DirectComponent, SensorLog };

// Runs as the menu is about to open (shows the no-selection message when nothing is selected).
PopupMenuState PopupMenu1Popup(Console& c);

DialogRequest PEstablishClick(Console& c);
DialogRequest PRemoveClick(Console& c);
DialogRequest N_Direct_component_porogClick(Console& c);
DialogRequest N1Click(Console& c); // SensorLog: open the viewer on the selected sensor's log

void PSetSh1Click(Console& c);
void PSetSh2Click(Console& c);
void PRemoveSh1Click(Console& c);
void PRemoveSh2Click(Console& c);

// Table selection (any cell of a row selects its sensor).
void StringGrid1SelectCell(Console& c, int col, int row);

} // namespace vatrel
