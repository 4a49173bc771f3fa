// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ShownState.h"

namespace vatrel {

void copyShownState(const Console& from, Console& to, ViewSet views, bool samples, bool everything,
                    const SlotSet* sensorRows) {
    using View = ConsoleUi::View;
    const auto has = [views](View v) { return (views & viewBit(v)) != 0; };
    if (has(View::SensorGrid) || everything) {
        to.sensorRows.copyRows(from.sensorRows, everything ? nullptr : sensorRows);
        to.sensors = from.sensors;
        to.osc.setSlot(from.osc.slot());
    }
    if (has(View::ComGrid)) to.link.showSlotsOf(from.link);
    if (has(View::EventList)) to.events = from.events;
    if (has(View::Labels) || has(View::StatusBar) || has(View::WaitPanel)) to.status = from.status;
    if (has(View::Diagnostics)) to.link.showCountersOf(from.link);
    if (has(View::Oscilloscope)) to.osc = from.osc;
    if (has(View::Oscilloscope) || samples) to.scope = from.scope;
    if (has(View::AlarmList)) to.alarms = from.alarms;
    if (has(View::AlarmList) || everything) to.timedDisarms = from.timedDisarms; // the one-minute warning
    if (has(View::PortChoice)) to.ports = from.ports;
    if (has(View::Labels) || everything) to.duty = from.duty;
    if (everything) {
        to.data_dir = from.data_dir;
        to.operators = from.operators;
        to.selection = from.selection;
    }
}

} // namespace vatrel
