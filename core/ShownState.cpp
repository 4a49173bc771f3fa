// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ShownState.h"

namespace vatrel {

void copyShownState(const Console& from, Console& to, ViewSet views, bool samples, bool everything) {
    using View = ConsoleUi::View;
    const auto has = [views](View v) { return (views & viewBit(v)) != 0; };
    if (has(View::SensorGrid)) {
        from.sensor_grid.handOver(to.sensor_grid);
        to.SensorRowStyles = from.SensorRowStyles;
        to.sensors = from.sensors;
        to.osc_slot = from.osc_slot;
    }
    if (has(View::ComGrid)) to.link.showSlotsOf(from.link);
    if (has(View::EventList)) {
        from.event_grid.handOver(to.event_grid);
        to.EventRowStyles = from.EventRowStyles;
        to.event_rows = from.event_rows;
    }
    if (has(View::Labels)) {
        to.shownTime = from.shownTime;
        to.shownSensorCount = from.shownSensorCount;
    }
    if (has(View::StatusBar)) to.status_panels = from.status_panels;
    if (has(View::WaitPanel)) to.wait_panel_visible = from.wait_panel_visible;
    if (has(View::Diagnostics)) to.link.showCountersOf(from.link);
    if (has(View::Oscilloscope)) {
        to.osc = from.osc;
        to.osc_slot = from.osc_slot;
        to.osc_dc1 = from.osc_dc1;
        to.osc_dc2 = from.osc_dc2;
        to.osc_dc_a = from.osc_dc_a;
    }
    if (has(View::Oscilloscope) || samples) to.scope = from.scope;
    if (has(View::AlarmList)) to.alarms = from.alarms;
    if (has(View::PortChoice)) to.ports = from.ports;
    if (everything) {
        to.data_dir = from.data_dir;
        to.operators = from.operators;
        to.selected_row = from.selected_row;
        to.selected_col = from.selected_col;
        to.selection_highlight = from.selection_highlight;
    }
}

} // namespace vatrel
