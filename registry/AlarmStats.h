// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace vatrel {

class JobControl;

// Loop alarms of one sensor over a period, from its log in VatrelA_mess or VatrelB_mess.
struct SensorAlarms {
    quint32 factory_number = 0;
    qint16 sensor_type = 0; // 0 type A, 1 type B
    qint64 loop1 = 0;
    qint64 loop2 = 0;
    qint64 total() const { return loop1 + loop2; }
};

// What the sensor logs of a data folder hold about loop alarms in a period.
struct AlarmStats {
    // Every sensor that has a log, the most alarms first (then type A before B, then by number).
    std::vector<SensorAlarms> sensors;
    // Alarms by the hour of the day (0..23) they happened in.
    std::array<qint64, 24> byHour{};
    qint64 recordsRead = 0;  // whole records of the period looked at
    qint64 unknownCodes = 0; // records of the period with a code the catalogue does not know
    int unreadableFiles = 0; // logs that could not be opened or read: left out
    qint64 totalAlarms() const;
};

// Counts the loop alarms (the catalogue's loop-alarm events, loop by loop) in the sensor logs of
// `dataDir` whose time lies in [now - days, now]. Each log is read from its first record of the
// period on (found by binary search: a log is written in time order). `control` gets the files done
// out of the files to read as progress; nullopt when it cancelled the count.
std::optional<AlarmStats> countLoopAlarms(const QString& dataDir, double now, int days,
                                          JobControl* control = nullptr);
// The same over [from, to] (day counts), a period of any length: a shift, say.
std::optional<AlarmStats> countLoopAlarmsBetween(const QString& dataDir, double from, double to,
                                                 JobControl* control = nullptr);

// The count as CSV: UTF-8, fields separated by ';', CRLF line ends, a header line, then one line
// per sensor in the order of `stats.sensors`: number, type, loop 1, loop 2, total.
QByteArray alarmStatsCsv(const AlarmStats& stats);

} // namespace vatrel
