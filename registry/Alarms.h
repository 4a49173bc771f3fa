// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Console.h"

namespace vatrel {

// Alarm window operations on the core's alarm list.
void alarmWindowCreate(Console& c); // sound path, sound off
void appendAlarm(Console& c, const EventRecord& rec);
// appendAlarm followed by showing and raising the alarm window.
void raiseAlarm(Console& c, const EventRecord& rec);

} // namespace vatrel
