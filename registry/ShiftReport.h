// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/AlarmStats.h"
#include "registry/Colours.h"
#include "registry/TextGrid.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace vatrel {

class JobControl;
class SensorTable;

// One loop of a connected sensor that is not armed.
struct LoopOffGuard {
    quint32 factory_number = 0;
    qint16 sensor_type = 0;
    int slot = 0; // 0..kSlots-1
    int loop = 1; // 1 or 2
};

// The loops of the connected sensors that are not armed now, by slot then loop.
std::vector<LoopOffGuard> loopsOffGuard(const SensorTable& table);

// What the shift report is made from. Everything is a copy: the report is read on a worker thread
// while the console goes on.
struct ShiftReportInput {
    QString dataDir;
    double now = 0;                     // stored day count
    std::vector<LoopOffGuard> offGuard; // loopsOffGuard() of the sensor table now
    QString dutyNow;                    // the operator on duty now; empty for nobody
    // The end of a timed disarm running on a loop ("14:30", "09.12.2026 14:30"), as the console
    // holds it; empty when none runs. Unset: the end is read from the loop's last disarm event of
    // the shift (its text ends " до <end>").
    std::function<QString(const LoopOffGuard&)> disarmEnd;
};

// The shift's events as the report shows them.
struct ShiftReport {
    enum class Outcome { Open, Acknowledged, Cleared };
    struct Event {
        double time = 0;
        QString text;
    };
    struct Alarm {
        double time = 0;
        quint32 factory_number = 0;
        qint8 code = 0;
        QString text;
        Outcome outcome = Outcome::Open;
        double answeredAt = 0; // the acknowledgement or "Отбой тревог"
        QString reason;        // of an acknowledgement
        QString comment;
        QString operatorName; // who answered, when the event names them
    };
    struct OffGuard {
        LoopOffGuard loop;
        double since = 0; // the loop's last disarm (or its sensor's connection) in the shift; 0: before it
        QString until;    // the end of a timed disarm; empty for none
    };

    double from = 0; // the shift's start: its duty change, or 12 hours before `to`
    double to = 0;   // now
    bool startsAtDutyChange = false;
    QString duty; // who took the duty at the start; empty for nobody
    std::vector<Event> dutyChanges;
    std::vector<Alarm> alarms;
    std::vector<OffGuard> offGuard;
    std::vector<SensorAlarms> busiest; // at most kBusiest, the most alarms first, none without alarms
    QStringList problems;              // what could not be read, in words; the report holds the rest

    static constexpr int kBusiest = 10;

    // "Смена с 08.12.2026 08:00 по 08.12.2026 20:00, дежурный Иванов"
    QString heading() const;
    // The title lines above the table: the report's name, the heading, how the start was found.
    QStringList titles() const;
};

// Reads the shift from the day logs of `input.dataDir` (QReport) and the alarm counts from the
// sensor logs. The shift starts at the last duty change of the 24 hours before now, or 12 hours
// before now when there is none. A log that cannot be read, a torn last record or damaged records
// leave the rest of the report whole and are named in `problems`. `control` hears of the progress
// and may cancel: nullopt then.
std::optional<ShiftReport> buildShiftReport(const ShiftReportInput& input, JobControl* control = nullptr);

// The report as a two-column table ("Дата и время", "Содержание") for the screen and for paper: a
// title row per section, then its rows; `styles` entry r - 1 colours row r (section titles bold).
struct ShiftReportTable {
    TextGrid grid{2, 1};
    std::vector<RowStyle> styles;
};
ShiftReportTable shiftReportTable(const ShiftReport& report);

// The parts of an acknowledgement's text: "Подтверждение тревоги: <alarm text> (<HH:mm:ss>).
// Причина: <reason>[. Комментарий: <comment>][. Оператор: <surname>]", where a group of repeats
// reads "(<HH:mm:ss> ×<N>, последняя <HH:mm:ss>)". False for another text.
struct Acknowledgement {
    QString alarmText;
    int alarmSecond = 0; // of the day: the first alarm
    int lastSecond = 0;  // the last of a group; alarmSecond for one alarm
    QString reason;
    QString comment;
    QString operatorName;
};
bool parseAcknowledgement(const QString& text, Acknowledgement* out);

} // namespace vatrel
