// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ReportDecoder.h"
#include "link/Frame.h"
#include "link/Measurements.h"
#include "registry/Alarms.h"
#include "registry/EventLog.h"

namespace vatrel {

namespace {

constexpr int kChecksumChars = 2;
// Stored for a state code the console does not know: differs from 0, 15 and every known code,
// so the next known code always counts as a change.
constexpr int kUnknownStatusBase = 1000;

// True when word `word` lies wholly inside the report text, ahead of its checksum.
bool holdsWord(int len, int word) { return len >= 4 * word + 4 + kChecksumChars; }

Colour normalColour(const SensorRecord& r) {
    return (r.loop1_armed == 1 || r.loop2_armed == 1) ? colours::green : colours::aqua;
}

// Per-loop view of the record, so loop 1 and loop 2 share one routine.
struct Loop {
    int number;
    quint8& alarm;
    quint8 armed;
};

Loop loopOf(SensorRecord& r, int number) {
    return number == 1 ? Loop{1, r.loop1_alarm, r.loop1_armed} : Loop{2, r.loop2_alarm, r.loop2_armed};
}

// The occupied slot holding this factory number; -1 when none does. Number 0 marks an empty slot
// and never names a sensor.
int reportSlot(const SensorTable& table, quint16 number) { return number == 0 ? -1 : table.findSlot(number); }

} // namespace

// The loop goes into alarm: column "Тревога" and, when armed, the loop's alarm event.
void ReportDecoder::loopEntersAlarm(int slot, int number) {
    SensorRecord& r = m_sensors.record(slot);
    Loop l = loopOf(r, number);
    if (l.alarm == 1) return;
    l.alarm = 1;
    m_rows.setLoop(slot, number, LoopCell::Alarm);
    if (l.armed == 1) m_outlet.event(slot, loopAlarmCode(number));
}

void ReportDecoder::loopStep(int slot, int number, bool bit, int code) {
    SensorRecord& r = m_sensors.record(slot);
    Loop l = loopOf(r, number);
    if (bit) {
        m_rows.setColour(slot, colours::alarm);
        loopEntersAlarm(slot, number);
        return;
    }
    if (l.alarm == 0) return;
    // Loop 1 turns the row back to normal only with the state normal too; loop 2 looks at the
    // reported code alone.
    const bool resetColour = number == 1 ? (r.status == 0 && code == 0) : code == 0;
    if (resetColour) m_rows.setColour(slot, normalColour(r));
    l.alarm = 0;
    m_rows.setLoop(slot, number, LoopCell::Normal);
    if (l.armed == 1) m_outlet.event(slot, loopNormalCode(number));
}

void ReportDecoder::stateStep(int slot, int code, bool b1, bool b2) {
    SensorRecord& r = m_sensors.record(slot);
    if (r.status == code) return;
    if (code == 0) {
        if (b1 || b2) {
            // A loop in alarm keeps the state where it was until a report with both bits clear.
            // The loop is marked through the loop's own path so an armed loop still raises its
            // event and alarm; the loop step below then finds it marked.
            if (m_rows.colour(slot) != colours::alarm) {
                m_rows.setColour(slot, colours::alarm);
                loopEntersAlarm(slot, b1 ? 1 : 2);
            }
        } else {
            r.status = 0;
            m_rows.setColour(slot, normalColour(r));
            m_outlet.event(slot, EventCode::SensorNormal);
        }
        m_rows.setState(slot, 0);
        return;
    }
    if (const std::optional<EventCode> fault = faultEvent(code)) {
        m_rows.setColour(slot, colours::alarm);
        r.status = code;
        m_rows.setState(slot, code);
        m_outlet.event(slot, *fault);
        return;
    }
    r.status = kUnknownStatusBase + code;
    m_rows.setState(slot, kNoStateCell);
}

void ReportDecoder::statusReport(int slot, const char* text, int len, quint8 code) {
    SensorRecord& r = m_sensors.record(slot);
    if (r.link_up == 0) {
        m_sensors.setLinkUp(slot, true);
        m_link.setSlotLink(slot, SlotLink::Up);
        m_sensors.setOnline(slot, true);
        m_outlet.event(slot, EventCode::LinkRestoredSensor);
        r.osc_command = r.isTypeB() ? 193 : 194;
    }

    const quint8 statusByte = quint8(frame::wordAt(text, 16) & 0xFF);
    const int state = statusByte & 0x3F;
    const bool b1 = statusByte & 0x80;
    const bool b2 = statusByte & 0x40;

    stateStep(slot, state, b1, b2);
    loopStep(slot, 1, b1, state);
    loopStep(slot, 2, b2, state);

    m_outlet.measurements(text, len, code, slot);
}

void ReportDecoder::slotLost(int slot) {
    SensorRecord& r = m_sensors.record(slot);
    if (m_sensors.isOnline(slot)) {
        m_sensors.setOnline(slot, false);
        m_link.setSlotLink(slot, SlotLink::Lost);
    }
    m_rows.setColour(slot, colours::link_lost);
    if (r.link_up != 0) {
        m_sensors.setLinkUp(slot, false);
        m_rows.setState(slot, kStatusNoLink);
        r.status = kStatusNoLink;
        m_outlet.event(slot, EventCode::LinkLostSensor);
    }
    if (r.loop1_alarm != 1) {
        r.loop1_alarm = 1;
        m_rows.setLoop(slot, 1, LoopCell::Alarm);
    }
    if (r.loop2_alarm != 1) {
        r.loop2_alarm = 1;
        m_rows.setLoop(slot, 2, LoopCell::Alarm);
    }
}

void ReportDecoder::decode(const char* text, int len, quint8 code) {
    const ChangeNotices::Gathering oncePerSensor(m_notices);
    report(text, len, code);
}

void ReportDecoder::report(const char* text, int len, quint8 code) {
    if (!text || !holdsWord(len, 2)) return;
    switch (code) {
    case REPORT_STATUS:
    case REPORT_STATUS_OSC:
    case REPORT_KS_ERRORS:
    case REPORT_TIMEOUTS:
    case REPORT_NO_LINK:
        break;
    default:
        return;
    }
    const int slot = reportSlot(m_sensors, frame::wordAt(text, 8));
    if (slot < 0) return;
    switch (code) {
    case REPORT_STATUS:
    case REPORT_STATUS_OSC:
        if (holdsWord(len, 4)) statusReport(slot, text, len, code);
        break;
    case REPORT_KS_ERRORS:
        m_link.countSlotReport(SlotCount::ChecksumErrors, slot);
        break;
    case REPORT_TIMEOUTS:
        m_link.countSlotReport(SlotCount::Timeouts, slot);
        break;
    case REPORT_NO_LINK:
        slotLost(slot);
        break;
    default:
        break;
    }
}

void ReportDecoder::converterLost() {
    const ChangeNotices::Gathering oncePerSensor(m_notices);
    m_status.showWaitPanel(false);
    for (int s = 0; s < kSlots; ++s)
        if (m_sensors.occupied(s)) slotLost(s);
}

} // namespace vatrel
