// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Measurements.h"
#include "link/Frame.h"
#include "link/Oscilloscope.h"

#include <bit>

namespace vatrel {

namespace {

constexpr quint16 kLayoutB = 2;       // 0x41, type B: four values
constexpr quint16 kLayoutA = 7;       // 0x41, type A: threshold and signal
constexpr quint16 kLayoutOscB = 0xC3; // 0x42, type B: eight values (oscillogram sample)
constexpr quint16 kLayoutOscA = 0xC5; // 0x42, type A: threshold and signal

constexpr int kChecksumChars = 2;

// True when word `word` lies wholly inside the report text, ahead of its checksum.
bool holdsWord(int len, int word) { return len >= 4 * word + 4 + kChecksumChars; }

// A 32-bit value carried one byte per word, least significant byte first, from word `first` on.
quint32 assemble(const char* text, int first) {
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | (frame::wordAt(text, 4 * (first + i)) & 0xFFu);
    return v;
}

float assembleFloat(const char* text, int first) { return std::bit_cast<float>(assemble(text, first)); }

// Type B: words 5–20 hold threshold 1, threshold 2, signal 1, signal 2; columns are written in
// that order.
void storeTypeB(SensorTable& sensors, SensorRows& rows, int slot, const std::array<float, 8>& v) {
    SensorRecord& r = sensors.record(slot);
    r.threshold1 = v[0];
    r.threshold2 = v[1];
    r.signal1_b = v[2];
    r.signal2_b = v[3];
    rows.setThresholds(slot, MeasureCell::fixed3(v[0]), MeasureCell::fixed3(v[1]));
    rows.setSignals(slot, MeasureCell::fixed3(v[2]), MeasureCell::fixed3(v[3]));
}

// Type A: one threshold and one signal, both shown in the two columns of each.
void storeTypeA(SensorTable& sensors, SensorRows& rows, int slot, const char* text, bool alwaysThreshold) {
    SensorRecord& r = sensors.record(slot);
    const quint32 v = assemble(text, 5);
    const quint16 threshold = quint16(v & 0xFFFF);
    const quint16 signal = quint16(v >> 16);
    const float t = float(threshold);
    if (alwaysThreshold || t != r.threshold1) {
        r.threshold1 = t;
        r.threshold2 = t;
        rows.setThresholds(slot, MeasureCell::whole(threshold), MeasureCell::whole(threshold));
    }
    r.signal1_a = float(signal);
    r.signal2_a = float(signal);
    rows.setSignals(slot, MeasureCell::whole(signal), MeasureCell::whole(signal));
}

} // namespace

void decodeMeasurements(SensorTable& sensors, SensorRows& rows, OscScope& scope, const ChangeNotices& notices,
                        const char* text, int len, quint8 code, int slot) {
    if (!text || slot < 0 || slot >= kSlots || !holdsWord(len, 3)) return;
    const SensorRecord& r = sensors.record(slot);
    const quint16 layout = frame::wordAt(text, 12);
    const bool typeB = r.isTypeB();

    if (code == REPORT_STATUS && layout == kLayoutB && typeB) {
        if (!holdsWord(len, 20)) return;
        std::array<float, 8> v{};
        for (int i = 0; i < 4; ++i)
            v[size_t(i)] = assembleFloat(text, 5 + 4 * i);
        storeTypeB(sensors, rows, slot, v);
    } else if (code == REPORT_STATUS && layout == kLayoutA && !typeB) {
        if (!holdsWord(len, 8)) return;
        storeTypeA(sensors, rows, slot, text, false);
    } else if (code == REPORT_STATUS_OSC && layout == kLayoutOscB && typeB) {
        if (!holdsWord(len, 36)) return;
        std::array<float, 8> v{};
        for (int i = 0; i < 8; ++i)
            v[size_t(i)] = assembleFloat(text, 5 + 4 * i);
        storeTypeB(sensors, rows, slot, v);
        SensorRecord& w = sensors.record(slot);
        for (int i = 0; i < 4; ++i)
            w.osc_values[size_t(i)] = v[size_t(4 + i)];
        if (w.osc_active == 1) oscillogramSampleB(scope, notices, v);
    } else if (code == REPORT_STATUS_OSC && layout == kLayoutOscA && !typeB) {
        if (!holdsWord(len, 8)) return;
        storeTypeA(sensors, rows, slot, text, true);
    }
    // Otherwise layout and type disagree: no values.
}

} // namespace vatrel
