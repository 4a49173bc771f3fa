// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Engine.h"

#include "link/Frame.h"
#include "link/Oscilloscope.h"
#include "registry/ConsoleUi.h"
#include "registry/NumberFormat.h"

namespace vatrel {

void clearQueue(ConverterLink& link, OscControls& osc) {
    if (link.clearQueue()) oscillogramRequestDropped(osc);
}

void onCommandTick(ConverterLink& link, const SensorTable& sensors, ConsoleUi* ui) {
    const quint16 pos = link.mapPosition();
    if (pos == kSlots) {
        link.enqueue(ui, frame::poll());
    } else if (pos == 1) {
        const KartaEntry& entry = sensors.addressEntry(0);
        link.enqueue(ui, frame::kartaEntry(1, entry.factory_number, entry.device_code));
    }
}

void showClock(StatusLine& status, const Clock& clock) { status.showClock(clock()); }

void onClockTick(StatusLine& status, const Clock& clock, EventJournal& journal, EventLog& eventLog,
                 ConverterPort port) {
    showClock(status, clock);
    journal.retryKept(eventLog.outlet()); // events kept through a full disk reach the files once it has room
    port.watchdogTick();
}

void oscillogramStarted(SensorTable& sensors, OscControls& osc, OscScope& scope, const ChangeNotices& notices,
                        int slot) {
    if (slot < 0 || slot >= kSlots) return;
    osc.setSlot(slot);
    osc.clearOutcome();
    SensorRecord& r = sensors.record(slot);
    scope.clearTraces(); // every curve and both sample counters start again
    if (ConsoleUi* ui = notices.windows()) ui->oscillogramStarted(slot);
    if (r.sensor_type == 1) {
        osc.showDcFlank(0, r.dc_component1);
        osc.showDcFlank(1, r.dc_component2);
    } else if (r.sensor_type == 0) {
        osc.holdDcTypeA(dcComponentWord(r.dc_component1), true);
    }
    r.osc_active = 1;
}

void oscillogramStopped(SensorTable& sensors, OscControls& osc, const ChangeNotices& notices) {
    sensors.stopOscillograms();
    osc.setSlot(-1);
    osc.openStart();
    if (ConsoleUi* ui = notices.windows()) ui->oscillogramStopped();
}

} // namespace vatrel
