// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Colours.h"

#include <QByteArrayView>
#include <QString>
#include <optional>

namespace vatrel {

// The kinds of events the log viewer and vatrel-log can be asked to show.
enum class LogFilter {
    All,      // "Все"
    Alarms,   // "Тревожные"
    LinkLoss, // "Потери связи"
};

// Every event the program logs, and the codes it only meets in logs, by what they mean. Events of
// the same family share the code byte stored in the record (both loops' alarms are 33, the
// program's start and exit are 20); the catalogue gives each event its stored code.
enum class EventCode : quint8 {
    // The sensor back in standby, a loop leaving alarm.
    SensorNormal,
    LoopNormal1,
    LoopNormal2,
    // Sensor faults, each raised by the sensor state of the same number.
    InsulationLow1,
    InsulationLow2,
    ElementBreak1,
    ElementBreak2,
    FlankImbalance12,
    FlankImbalance21,
    EepromError,
    InsulationLowBreak1,
    InsulationLowBreak2,
    // An armed loop goes into alarm.
    LoopAlarm1,
    LoopAlarm2,
    // Links: the converter reports a sensor silent, a sensor just connected has not answered yet,
    // the converter itself is silent; and their return.
    LinkLostSensor,
    NoLinkAfterConnect,
    LinkLostConverter,
    LinkRestoredSensor,
    LinkRestoredConverter,
    // The operator's actions.
    ArmLoop1,
    ArmLoop2,
    DisarmLoop1,
    DisarmLoop2,
    SensorConnected,
    SensorDisconnected,
    // The operator on duty changed (taken over, first taken or released).
    ShiftChange,
    // One alarm acknowledged with a reason; all alarms cleared at once ("Отбой тревог").
    AlarmAcknowledged,
    AlarmsCleared,
    // A loop taken off guard until a set time, and armed again by the program when that time came.
    TimedDisarmLoop1,
    TimedDisarmLoop2,
    TimedArmLoop1,
    TimedArmLoop2,
    // The program's own: start, exit, refused feed settings, a file the exit could not save.
    ProgramStart,
    ProgramExit,
    FeedNotUsed,
    NotSavedAtExit,
    // Never written: logs of earlier installations hold them.
    OldNotice,
    OldAlarm,
    // The blank row that ends a listing; never stored.
    ListingEnd,
    Count
};

enum class EventKind : quint8 {
    Normal,
    Fault,
    LoopAlarm,
    LinkLost,
    LinkRestored,
    Operator,
    Program,
    Old,
    Listing
};

// When an event goes to the alarm window as well as to the log.
enum class AlarmWhen : quint8 { Never, Loop1Armed, Loop2Armed, EitherArmed, Always };

// One row of the catalogue.
struct EventInfo {
    EventCode event;
    qint8 code; // the byte stored in the record
    EventKind kind;
    Colour colour;   // font colour in the event list, the viewer and on paper
    quint8 filters;  // filterBit() of each viewer filter that shows it ("Все" shows everything)
    AlarmWhen alarm; //
    // %1 the factory number (signed), %2 the type tag "<Ватрел-А>", %3 the operator's surname or the
    // detail of a program notice. Null for codes the program never writes.
    const char16_t* text;
};

constexpr quint8 filterBit(LogFilter f) { return quint8(1u << unsigned(f)); }

const EventInfo& eventInfo(EventCode event);
qint8 storedCode(EventCode event);

EventCode armCode(bool arm, int loop); // loop 1 or 2
EventCode timedDisarmCode(int loop);
EventCode timedArmCode(int loop);
EventCode loopAlarmCode(int loop);
EventCode loopNormalCode(int loop);
// The fault event a sensor state code raises; none for the normal state, the no-link state and the
// codes the sensors do not define.
std::optional<EventCode> faultEvent(int stateCode);

bool isAlarm(EventCode event); // it can go to the alarm window
bool raisesAlarm(EventCode event, bool loop1Armed, bool loop2Armed);

bool inFilter(EventCode event, LogFilter filter);
// For a code read from a log. A code the catalogue does not know passes every filter: logs of
// earlier installations hold such codes and the viewer has always shown them under each filter.
bool inFilter(int storedCode, LogFilter filter);

// Whether the catalogue has a row for a code read from a log.
bool knownCode(int storedCode);
// The loop (1 or 2) of a loop alarm read back from a log, or 0 for any other event. Both loops'
// alarms are stored under one code, so the stored text (cp1251, as in the record) tells them apart:
// it starts with the catalogue's text up to the sensor's type and number.
int loopAlarmLoop(int storedCode, QByteArrayView storedText);

Colour colourOf(EventCode event);
Colour colourOf(int storedCode); // black for a code the catalogue does not know

// The event's text for the sensor `number` of type `sensorType`; `detail` fills %3.
QString eventText(EventCode event, quint32 number, qint16 sensorType, const QString& detail = QString());

} // namespace vatrel
