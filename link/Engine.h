// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Console.h"

#include <vector>

namespace vatrel {

// Serial port (numbered 1 … 71 = ComboBox1 index + 1). A successful open resets the link
// bookkeeping (queue, Conv_link = 2, write failures, six counters "0", status panel 4 empty) and
// starts the receive timer. Returns true on success.
bool openPort(Console& c, int portNumber);
void closePort(Console& c);

// Port choice on the diagnostics tab (also used at start-up): reopens and writes status panel 2.
void choosePort(Console& c, int index);
// Start-up port opening: status panel 2 := port name + " включён" / " выключен".
void openStartupPort(Console& c);

// Command queue.
// Returns false when the command was dropped (too long, the queue full, or one of its code waiting).
bool queueCommand(Console& c, char start, const quint16* words, quint16 count);
inline bool queueCommand(Console& c, const std::vector<quint16>& words) {
    return queueCommand(c, ':', words.data(), quint16(words.size()));
}
int sendQueueHead(Console& c, char start, const quint16* words, quint16 count); // 0 ok, -2 failed

// One receive pass (reads what the port holds, processes it, sends or times out).
void receivePass(Console& c);
// TimerRv handler: one measured pass (call every 10 ms while engine.rv_timer_running).
void onReceiveTick(Console& c);
// Timer1 handler (1 s): queue the poll or the first address-map entry.
void onCommandTick(Console& c);
// Takes the clock time the weekday and date-time labels show; no tick is counted.
void showClock(Console& c);
// Timer2 handler (1 s): clock labels and the port watchdog.
void onClockTick(Console& c);

// Oscillogram started / stopped as confirmed by the converter.
void oscillogramStarted(Console& c, int slot);
void oscillogramStopped(Console& c);

// Diagnostics tab "Сброс": clears the per-slot counts and shows "0" for every occupied slot.
void resetSlotCounters(Console& c);

// Empties the command queue (count 0, every entry cleared). An oscillogram start still in it will
// never be confirmed: the oscilloscope tab says so and offers "Включить" again.
void clearQueue(Console& c);

} // namespace vatrel
