// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Startup.h"
#include "registry/EventLog.h"
#include "registry/NumberFormat.h"
#include "registry/Storage.h"

namespace vatrel {

namespace {

// What a loop cell shows for the loop's stored alarm flag; a flag neither 0 nor 1 leaves the cell as
// it is.
void fillLoop(SensorRows& rows, int slot, int loop, quint8 alarm) {
    if (alarm == 0)
        rows.setLoop(slot, loop, LoopCell::Normal);
    else if (alarm == 1)
        rows.setLoop(slot, loop, LoopCell::Alarm);
}

} // namespace

void fillSensorRow(SensorRows& rows, const SensorTable& table, int slot) {
    if (!table.occupied(slot)) return;
    const SensorRecord& r = table.record(slot);

    rows.identify(slot, r.factory_number, r.sensor_type);
    fillLoop(rows, slot, 1, r.loop1_alarm);
    fillLoop(rows, slot, 2, r.loop2_alarm);

    if (r.status == 0)
        rows.setColour(slot, (r.loop1_alarm == 1 || r.loop2_alarm == 1) ? colours::alarm : colours::green);

    rows.setThresholds(slot, MeasureCell::stored(r.threshold1), MeasureCell::stored(r.threshold2));
    if (r.sensor_type == 1)
        rows.setSignals(slot, MeasureCell::stored(r.signal1_b), MeasureCell::stored(r.signal2_b));
    else if (r.sensor_type == 0)
        rows.setSignals(slot, MeasureCell::stored(r.signal1_a), MeasureCell::stored(r.signal2_a));

    // The state text looks at the low 16 bits of the stored code only.
    const int code = r.status & 0xFFFF;
    rows.setState(slot, code);
    if (isFaultCode(code))
        rows.setColour(slot, colours::alarm);
    else if (code == kStatusNoLink)
        rows.setColour(slot, colours::link_lost);
}

void startUp(Console& c) {
    const ChangeNotices::Gathering oncePerSensor(c.notices); // each sensor's row is filled in several steps
    // 1. The sensor table's header and position numbers are its own (SensorRowTexts).
    // 2, 3. The per-slot counters are the link's (step 12).
    // 4. The event list's header is the window's own.
    // 5. Start-up defaults of every slot.
    c.sensors.resetToStartupDefaults();
    // 6. Row styles.
    c.sensorRows.setAllColours(colours::silver);
    // 7. Status bar.
    c.status.setPanel(StatusLine::kKeysPanel, QStringLiteral("Alt+X-Выход"));
    // 8. Stored files.
    c.store.loadSensors();
    c.operators.load(c.data_dir, c.notices.windows());
    // An unreadable duty file leaves nobody on duty; the operator chooses again.
    if (!c.duty.load(c.data_dir, c.operators))
        c.error(QStringLiteral("Файл duty.dat повреждён: дежурный не выбран"));
    c.store.loadSensorSettings();
    // 9, 10. Table rows and armed texts. Links are unknown until the sensors answer (the rows
    // announce each sensor as it is then).
    for (int s = 0; s < kSlots; ++s) {
        const SensorRecord& r = c.sensors.record(s);
        if (!r.occupied()) continue;
        c.sensors.setLinkUp(s, false);
        fillSensorRow(c.sensorRows, c.sensors, s);
        c.sensorRows.setArmed(s, 1, r.loop1_armed == 1);
        c.sensorRows.setArmed(s, 2, r.loop2_armed == 1);
    }
    // Loops disarmed until a set time show their end; those whose end passed while the program was
    // off are armed at the first clock tick, logged after the start.
    c.timedDisarming().restore();
    // 11. Sensor count.
    c.status.showSensorCount(c.sensors.count());
    // 12. The diagnostics grid counts from 0 (its texts are the window's); the converter's link is
    // not yet known.
    c.link.startUp(c.sensors);
    // 13. Address map.
    c.sensors.mapAllAddresses();
    // 14. An oscillogram that was running when the program last stopped.
    for (int s = 0; s < kSlots; ++s) {
        const SensorRecord& r = c.sensors.record(s);
        if (!r.occupied() || r.osc_active != 1) continue;
        c.osc.setSlot(r.slot_index); // rows other than the oscillogram's are dimmed
        c.osc.showRunningPosition(r.slot_index);
        if (r.sensor_type == 1) {
            c.osc.showDcFlank(0, r.dc_component1);
            c.osc.showDcFlank(1, r.dc_component2);
        } else if (r.sensor_type == 0) {
            c.osc.holdDcTypeA(dcComponentWord(r.dc_component1), false); // the entry keeps its text
        }
    }
}

void saveAllOnExit(SensorTable& sensors, SensorStore& store) {
    sensors.resetLiveStates();
    store.saveSensors();
    for (const auto& r : sensors.records())
        if (r.occupied()) store.saveSensorSettings(r, 'u');
}

} // namespace vatrel
