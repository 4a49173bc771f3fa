// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/AlarmBoard.h"
#include "registry/ChangeNotices.h"

namespace vatrel {

// The alarm list and its sound.
void alarmWindowCreate(AlarmBoard& alarms, const QString& dataDir); // sound path, sound off
// Lists the alarm and starts the sound when it is not running.
void appendAlarm(AlarmBoard& alarms, const ChangeNotices& notices, const EventRecord& rec);
// appendAlarm followed by showing and raising the alarm window.
void raiseAlarm(AlarmBoard& alarms, const ChangeNotices& notices, const EventRecord& rec);

} // namespace vatrel
