// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The storm the benchmarks feed the status decoder: 200 armed type B sensors, and per sensor a cycle
// of reports in which every step is one change (loop 1 in alarm and back, loop 2 in alarm and back,
// a fault and back to standby).
#include "link/Frame.h"
#include "core/Console.h"

#include <QByteArray>
#include <QDateTime>
#include <bit>
#include <memory>
#include <vector>

namespace vatrel::bench {

// A '~' status report of a type B sensor, without the start character and the CR LF end.
inline QByteArray reportText(quint16 number, quint8 statusByte, float base) {
    std::vector<quint16> w{0x0141, 0, number, 2, statusByte};
    for (int v = 0; v < 4; ++v) {
        const quint32 bits = std::bit_cast<quint32>(base + float(v));
        for (int i = 0; i < 4; ++i)
            w.push_back(quint16((bits >> (8 * i)) & 0xFF));
    }
    w.push_back(frame::checksum(w.data(), int(w.size())));
    const QByteArray f = frame::encode('~', w.data(), int(w.size()));
    return f.mid(1, f.size() - 3);
}

// A console in `dataDir` with sensors 1000 … 1199 connected, both loops armed, answering, at a fixed time.
inline std::unique_ptr<Console> stormConsole(const QString& dataDir, ConsoleUi& ui) {
    auto c = std::make_unique<Console>();
    c->data_dir = dataDir;
    c->ui = &ui;
    const QDateTime fixed(QDate(2024, 3, 15), QTime(12, 0, 0));
    c->clock = [fixed] { return fixed; };
    for (int s = 0; s < kSlots; ++s) {
        SensorRecord& r = c->sensors.record(s);
        r.factory_number = quint32(1000 + s);
        r.sensor_type = 1;
        r.slot_index = qint16(s);
        r.loop1_armed = r.loop2_armed = 1;
        r.link_up = 1;
        c->sensors.setOnline(s, true);
        c->sensorRows.setColour(s, colours::green);
    }
    return c;
}

// Every step of the cycle for every sensor, in the order they are sent.
inline std::vector<QByteArray> stormReports() {
    const quint8 cycle[] = {0x80, 0x00, 0x40, 0x00, 0x04, 0x00};
    std::vector<QByteArray> reports;
    for (int step = 0; step < int(sizeof cycle); ++step)
        for (int s = 0; s < kSlots; ++s)
            reports.push_back(reportText(quint16(1000 + s), cycle[step], float(step)));
    return reports;
}

} // namespace vatrel::bench
