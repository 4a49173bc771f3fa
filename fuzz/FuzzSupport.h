// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared pieces of the fuzz targets: a check that stops the run with a message, a console whose
// windows do nothing, and a serial line in memory.
#include "link/SerialPort.h"
#include "core/Console.h"
#include "registry/QuietConsoleUi.h"

#include <QDateTime>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                                     \
    do {                                                                                                     \
        if (!(cond)) {                                                                                       \
            std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #cond);                \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

namespace vatrel::fuzz {

class MemoryPort : public SerialPort {
public:
    bool open(int, const QString&) override { return m_open = true; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    QByteArray readAvailable() override {
        QByteArray out;
        out.swap(incoming);
        return out;
    }
    bool writeByte(char byte) override {
        written.append(byte);
        return m_open;
    }
    QByteArray incoming;
    QByteArray written;

private:
    bool m_open = false;
};

// A console with a fixed clock whose files go to `data_dir` (a folder that need not exist: the
// event log then only reports, which keeps the runs fast).
inline void prepareConsole(Console& c, ConsoleUi& ui, const QString& data_dir) {
    c.data_dir = data_dir;
    c.ui = &ui;
    c.clock = [] { return QDateTime(QDate(2025, 4, 1), QTime(12, 0, 0)); };
}

// Sensors 1..12 in slots 0..11, alternately type A and B, some loops armed, answering.
inline void addSensors(Console& c) {
    for (int s = 0; s < 12; ++s) {
        SensorRecord& r = c.sensors.record(s);
        r.mark = 1;
        r.factory_number = quint32(s + 1);
        r.sensor_type = qint16(s % 2);
        r.slot_index = qint16(s);
        r.loop1_armed = quint8(s % 3 == 0);
        r.loop2_armed = quint8(s % 4 == 0);
        r.link_up = 1;
        c.sensors.setAddressEntry(s, {kDeviceCode, quint16(s + 1)});
    }
}

// What must hold of the console after anything the line or a file can bring.
inline void checkConsole(const Console& c) {
    const EngineState& e = c.link.engine();
    FUZZ_CHECK(e.rx_pos <= kRxBufSize);
    FUZZ_CHECK(e.rx_mode >= 0 && e.rx_mode <= 2);
    FUZZ_CHECK(c.link.queue().count >= 0 && c.link.queue().count <= kQueueSize);
    FUZZ_CHECK(c.link.mapPosition() >= 1 && c.link.mapPosition() <= kSlots);
    const qint16 state = qint16(c.link.state());
    FUZZ_CHECK(state >= 0 && state <= 2);
    FUZZ_CHECK(c.osc.slot() >= -1 && c.osc.slot() < kSlots);
    FUZZ_CHECK(c.events.count() <= kEventRowsMax);
    FUZZ_CHECK(c.alarms.rows() <= kAlarmListMax);
    FUZZ_CHECK(c.operators.count() <= kOperatorsMax);
    FUZZ_CHECK(c.ports.index() >= 0 && c.ports.index() < kPortCount);
    for (int s = 0; s < kSlots; ++s)
        if (c.sensors.record(s).occupied()) FUZZ_CHECK(c.sensors.record(s).slot_index == s);
}

} // namespace vatrel::fuzz
