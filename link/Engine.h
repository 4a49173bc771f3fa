// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "link/ConverterLink.h"
#include "link/ConverterPort.h"
#include "registry/ChangeNotices.h"
#include "registry/Clock.h"
#include "registry/EventJournal.h"
#include "registry/EventLog.h"
#include "registry/OscControls.h"
#include "registry/OscScope.h"
#include "registry/SensorTable.h"
#include "registry/StatusLine.h"

namespace vatrel {

// The link's timers and what the converter confirms. The receive passes are the Receiver's
// (link/Receiver.h), the port's opening the ConverterPort's (link/ConverterPort.h).

// Every second: queue the poll, or the map's first entry while the address map has not gone out.
void onCommandTick(ConverterLink& link, const SensorTable& sensors, ConsoleUi* ui);
// Takes the clock time the weekday and date-time labels show; no tick is counted.
void showClock(StatusLine& status, const Clock& clock);
// Every second: clock labels, the log records kept through a full disk, and the port watchdog.
void onClockTick(StatusLine& status, const Clock& clock, EventJournal& journal, EventLog& eventLog,
                 ConverterPort port);

// Oscillogram started / stopped as confirmed by the converter.
void oscillogramStarted(SensorTable& sensors, OscControls& osc, OscScope& scope, const ChangeNotices& notices,
                        int slot);
void oscillogramStopped(SensorTable& sensors, OscControls& osc, const ChangeNotices& notices);

// Empties the command queue (count 0, every entry cleared). An oscillogram start still in it will
// never be confirmed: the oscilloscope tab says so and offers "Включить" again.
void clearQueue(ConverterLink& link, OscControls& osc);

} // namespace vatrel
