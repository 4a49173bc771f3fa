// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/AlarmBoard.h"
#include "registry/ChangeNotices.h"
#include "registry/Clock.h"
#include "registry/DutyOperator.h"
#include "registry/EventLog.h"
#include "registry/SensorRows.h"
#include "registry/SensorTable.h"
#include "registry/Storage.h"
#include "registry/TableSelection.h"
#include "registry/TimedDisarms.h"

#include <QString>

namespace vatrel {

// Disarming a loop until a set time, and arming it again by itself when that time comes.
//
// A timed disarm is a disarm as the operator's own disarm is (the same checks, the armed flag in the
// settings file), with an end kept in data/timed-disarm.dat. The file is written before the flag is
// cleared: a disarm the file could not take is refused, so a loop never stays disarmed for good
// because a timer was lost. A timer whose loop is found armed (the operator armed it, or the
// program stopped between the two files) is stale and dropped.
//
// The clock tick arms the loops whose end has come (logged without the operator's name: nobody did
// it), raises the alarm of a loop found in alarm then exactly as an armed loop's alarm is raised,
// and keeps the alarm window's one-minute warning and the table's "Снят до …" cells current.
class TimedDisarmActions {
public:
    TimedDisarmActions(TimedDisarms& timers, SensorTable& sensors, SensorRows& sensorRows,
                       const TableSelection& selection, const DutyOperator& duty, AlarmBoard& alarms,
                       EventLog& eventLog, SensorStore& store, const ChangeNotices& notices,
                       const Clock& clock, const QString& dataDir)
        : m_timers(timers), m_sensors(sensors), m_sensorRows(sensorRows), m_selection(selection),
          m_duty(duty), m_alarms(alarms), m_eventLog(eventLog), m_store(store), m_notices(notices),
          m_clock(clock), m_dataDir(dataDir) {}

    // Whether the loop of the sensor may be disarmed on a timer: an occupied slot, the sensor on
    // line, the loop armed or already on a timer (the new end replaces the old one).
    bool mayDisarm(int slot, int loop) const;

    // The table's menu item: the selected row's sensor number when its loop may be disarmed on a
    // timer (the window then asks until when), 0 otherwise; no selection shows the no-selection box.
    quint32 askSelected(int loop) const;
    // The alarm window's button: the same for the sensor whose number the operator typed; anything
    // that names no such sensor gives 0 without a box.
    quint32 askSensor(const QString& number, int loop) const;

    // Disarms the loop until the end the choice gives: logs the event with the end, writes the table
    // cell ("Снят до 14:30") and the row colour. False, with a box, for an end that is not ahead;
    // without one for a loop that may not be disarmed (mayDisarm).
    bool disarm(int slot, int loop, const TimedDisarmChoice& choice);
    bool disarmSelected(int loop, const TimedDisarmChoice& choice);
    bool disarmSensor(const QString& number, int loop, const TimedDisarmChoice& choice);

    // The operator armed or disarmed the loop by hand, or the sensor was disconnected: its timers end.
    // True when one ran. The file is rewritten (a box when it did not take it).
    bool endTimer(quint32 number, int loop);
    bool endTimersOf(quint32 number);

    // At start-up, once the sensors' files are read: the timers of data/timed-disarm.dat. A file
    // that cannot be used is named in a box and moved aside as timed-disarm.dat.bad, so that nothing
    // overwrites what could not be read.
    void restore();

    // The clock's tick (once a second).
    void onClockTick();

private:
    int armFlag(const TimedDisarm& t); // the slot armed, or -1
    void showArmed(int slot, int loop);
    void showEnds(const QDateTime& now);
    bool saveTimers();

    TimedDisarms& m_timers;
    SensorTable& m_sensors;
    SensorRows& m_sensorRows;
    const TableSelection& m_selection;
    const DutyOperator& m_duty;
    AlarmBoard& m_alarms;
    EventLog& m_eventLog;
    SensorStore& m_store;
    const ChangeNotices& m_notices;
    const Clock& m_clock;
    const QString& m_dataDir;
};

} // namespace vatrel
