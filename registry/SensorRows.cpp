// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/SensorRows.h"

namespace vatrel {

namespace {
bool isSlot(int slot) { return slot >= 0 && slot < kSlots; }
} // namespace

template <class F> void SensorRows::edit(int slot, F&& change) {
    if (!isSlot(slot)) return;
    SensorRow& row = m_rows[size_t(slot)];
    const SensorRow before = row;
    change(row);
    if (!(row == before)) m_line.sensorChanged(slot);
}

const SensorRow& SensorRows::row(int slot) const {
    static const SensorRow none;
    return isSlot(slot) ? m_rows[size_t(slot)] : none;
}

void SensorRows::setColour(int slot, Colour colour) {
    edit(slot, [colour](SensorRow& r) { r.colour = colour; });
}

void SensorRows::setAllColours(Colour colour) {
    for (int s = 0; s < kSlots; ++s)
        setColour(s, colour);
}

void SensorRows::identify(int slot, quint32 number, qint16 type) {
    edit(slot, [number, type](SensorRow& r) {
        r.identified = true;
        r.number = number;
        r.type = type;
    });
}

void SensorRows::setLoop(int slot, int loop, LoopCell cell) {
    edit(slot, [loop, cell](SensorRow& r) { (loop == 1 ? r.loop1 : r.loop2) = cell; });
}

void SensorRows::setState(int slot, int code) {
    edit(slot, [code](SensorRow& r) { r.state = code < 0 ? kNoStateCell : code; });
}

void SensorRows::setThresholds(int slot, MeasureCell threshold1, MeasureCell threshold2) {
    edit(slot, [threshold1, threshold2](SensorRow& r) {
        r.threshold1 = threshold1;
        r.threshold2 = threshold2;
    });
}

void SensorRows::setSignals(int slot, MeasureCell signal1, MeasureCell signal2) {
    edit(slot, [signal1, signal2](SensorRow& r) {
        r.signal1 = signal1;
        r.signal2 = signal2;
    });
}

void SensorRows::setArmed(int slot, int loop, bool armed) {
    edit(slot, [loop, armed](SensorRow& r) {
        (loop == 1 ? r.armed1 : r.armed2) = armed ? ArmedCell::Armed : ArmedCell::Disarmed;
        (loop == 1 ? r.until1 : r.until2) = DisarmEnd{};
    });
}

void SensorRows::setDisarmedUntil(int slot, int loop, DisarmEnd end) {
    edit(slot, [loop, end](SensorRow& r) {
        (loop == 1 ? r.armed1 : r.armed2) = ArmedCell::Disarmed;
        (loop == 1 ? r.until1 : r.until2) = end;
    });
}

void SensorRows::empty(int slot) {
    edit(slot, [](SensorRow& r) {
        r = SensorRow{};
        r.colour = colours::silver;
    });
}

void SensorRows::copyRows(const SensorRows& from, const SlotSet* which) {
    if (!which) {
        m_rows = from.m_rows;
        return;
    }
    for (int s = 0; s < kSlots; ++s)
        if (which->test(size_t(s))) m_rows[size_t(s)] = from.m_rows[size_t(s)];
}

} // namespace vatrel
