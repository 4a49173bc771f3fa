// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared set-up of the report decoding tests: a console over a temporary data folder, a pinned
// clock, report texts built by hand from words, and the log files read back record by record.
#include "common/ConsoleFixture.h"
#include "common/ConverterFrame.h"
#include "common/EventLogFile.h"
#include "link/ReportDecoder.h"

#include <vector>

namespace vatrel::testing {

class DecoderFixture : public ConsoleFixture {
public:
    DecoderFixture() : ConsoleFixture({"QReport", "VatrelA_mess", "VatrelB_mess"}) {
        now = QDateTime(QDate(2024, 3, 15), QTime(10, 20, 30));
        silverRows();
    }

    // A sensor as start-up leaves it: no link yet, loops marked in alarm, row link-lost.
    void addSensor(int slot, quint32 number, qint16 type, int armed1 = 0, int armed2 = 0) {
        SensorRecord& r = c.sensors.record(slot);
        r = SensorRecord{};
        r.mark = 1;
        r.factory_number = number;
        r.sensor_type = type;
        r.slot_index = qint16(slot);
        r.loop1_armed = quint8(armed1);
        r.loop2_armed = quint8(armed2);
        r.status = 15;
        r.loop1_alarm = 1;
        r.loop2_alarm = 1;
        r.link_up = 0;
        c.sensorRows.setColour(slot, 0x0000AB); // link-lost (171, 0, 0)
    }

    // A sensor already answering and normal: status 0, loops normal, row green or aqua.
    void addOnlineSensor(int slot, quint32 number, qint16 type, int armed1 = 0, int armed2 = 0) {
        addSensor(slot, number, type, armed1, armed2);
        SensorRecord& r = c.sensors.record(slot);
        r.status = 0;
        r.loop1_alarm = 0;
        r.loop2_alarm = 0;
        r.link_up = 1;
        c.sensors.setOnline(slot, true);
        c.sensorRows.setColour(slot, (armed1 || armed2) ? 0x00FF00 : 0xFFFF00);
    }

    static std::vector<quint16> statusWords(quint16 number, quint8 statusByte, quint16 layout = 0,
                                            quint8 code = 0x41, int extraWords = 16) {
        std::vector<quint16> w{quint16(0x0100 | code), 0, number, layout, statusByte};
        w.resize(w.size() + size_t(extraWords), 0);
        return w;
    }

    // Dispatches a report text with the code taken from its first word.
    void send(const QByteArray& text) {
        const quint8 code = quint8(text.mid(2, 2).toUInt(nullptr, 16));
        c.decoder().decode(text.constData(), int(text.size()), code);
    }
    void status(quint16 number, quint8 statusByte) { send(reportText(statusWords(number, statusByte))); }

    QList<LoggedEvent> daily() const { return readEventFile(file(QStringLiteral("QReport/15.03.2024"))); }
    QList<LoggedEvent> sensorLog(quint32 number, bool typeB) const {
        return readEventFile(
            file((typeB ? QStringLiteral("VatrelB_mess/") : QStringLiteral("VatrelA_mess/")) +
                 QString::number(number)));
    }

    QString cell(int col, int slot) const { return sensorCell(c, col, slot + 1); }
    SlotLink link(int slot) const { return c.link.slotDiagnostics(slot).link; }
    quint32 colour(int slot) const { return c.sensorRows.colour(slot); }
};

} // namespace vatrel::testing
