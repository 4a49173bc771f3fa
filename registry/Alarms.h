// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/AlarmBoard.h"
#include "registry/ChangeNotices.h"
#include "registry/EventCatalogue.h"

namespace vatrel {

// The alarm list and its sound.
void alarmWindowCreate(AlarmBoard& alarms, const QString& dataDir); // sound path, sound off
// Lists the alarm and starts the sound when it is not running.
void appendAlarm(AlarmBoard& alarms, const ChangeNotices& notices, const EventRecord& rec);
// appendAlarm followed by showing and raising the alarm window.
void raiseAlarm(AlarmBoard& alarms, const ChangeNotices& notices, const EventRecord& rec);

// The sensor reported `normalEvent` (a loop back in norm, the sensor back in standby, its link
// back): the listed alarms it ends are marked over. Other events end nothing.
void alarmsEnd(AlarmBoard& alarms, EventCode normalEvent, quint32 factoryNumber, qint16 sensorType,
               double time);
// Stops the sound once no listed alarm is new.
void silenceWhenNoneNew(AlarmBoard& alarms, const ChangeNotices& notices);

} // namespace vatrel
