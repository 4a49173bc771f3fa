// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Console.h"

namespace vatrel {

// Serial port (numbered 1 … 71 = the port list's index + 1). A successful open resets the link
// bookkeeping (queue, link state `state`, write failures, six counters "0", status panel 4 empty)
// and starts the receive passes. Returns true on success.
bool openPort(Console& c, int portNumber, ConverterState state = ConverterState::Unknown);

// The operator chose a port on the diagnostics tab: reopens and writes status panel 2.
void choosePort(Console& c, int index);
// Opens the chosen port (at start-up, after a choice): status panel 2 := port name + " включён" /
// " выключен".
void openStartupPort(Console& c);

// One receive pass (reads what the port holds, processes it, sends or times out).
void receivePass(Console& c);
// Every 10 ms: one measured pass while the link receives.
void onReceiveTick(Console& c);
// Every second: queue the poll, or the map's first entry while the address map has not gone out.
void onCommandTick(ConverterLink& link, const SensorTable& sensors, ConsoleUi* ui);
// Takes the clock time the weekday and date-time labels show; no tick is counted.
void showClock(Console& c);
// Every second: clock labels and the port watchdog.
void onClockTick(Console& c);

// Oscillogram started / stopped as confirmed by the converter.
void oscillogramStarted(Console& c, int slot);
void oscillogramStopped(Console& c);

// Empties the command queue (count 0, every entry cleared). An oscillogram start still in it will
// never be confirmed: the oscilloscope tab says so and offers "Включить" again.
void clearQueue(Console& c);

} // namespace vatrel
