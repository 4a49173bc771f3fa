// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/AlarmBoard.h"
#include "registry/ChangeNotices.h"
#include "registry/Colours.h"
#include "registry/ConsoleUi.h"
#include "registry/EventJournal.h"
#include "registry/EventList.h"
#include "registry/OperatorList.h"
#include "registry/OscControls.h"
#include "registry/OscScope.h"
#include "registry/Records.h"
#include "registry/SensorRowTexts.h"
#include "registry/SensorRows.h"
#include "registry/SensorTable.h"
#include "registry/StatusLine.h"
#include "registry/TextGrid.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <deque>
#include <functional>
#include <optional>

namespace vatrel {

class SerialPort; // link/SerialPort.h
class FeedSink;   // registry/FeedSink.h

constexpr int kQueueSize = 32;
constexpr int kSizeTrBuf = 1024; // largest number of words in one command
constexpr int kRxBufSize = 1024;
constexpr int kPortCount = 71; // "COM1" … "COM70" and one empty item

// What the diagnostics grid says of a slot's link with the converter: nothing until the slot was
// counted in (start-up, a connection), then whether its sensor answers.
enum class SlotLink : quint8 { NotShown, Up, Lost };

// A slot's row of the diagnostics grid: whether its two counts show (from start-up, a connection or
// a reset on; a disconnection blanks them) and its link.
struct SlotDiagnostics {
    bool countsShown = false;
    SlotLink link = SlotLink::NotShown;
    bool operator==(const SlotDiagnostics&) const = default;
};

struct QueueEntry {
    quint16 key = 0; // command code; 0 = empty entry
    char start = 0;
    std::array<quint16, kSizeTrBuf> words{};
    quint16 count = 0;
};

struct CommandQueue {
    std::array<QueueEntry, kQueueSize> entries{};
    int count = 0;
};

// A diagnostics counter and the value its label shows (nothing until it is first shown).
struct Counter {
    qint32 value = 0;
    std::optional<qint32> shown;
    void show() { shown = value; }
    void reset() {
        value = 0;
        show();
    }
};

struct DiagCounters {
    Counter KS_ERR, N_rv_byte, N_rv_frame, Time_out, N_tr_byte, N_tr_frame;
    std::optional<qint64> longestPassUs; // longest receive pass of the last five, microseconds
    std::optional<qint64> longestPassMs; // the same in milliseconds
};

// State of the receive engine and the converter link.
struct EngineState {
    std::array<char, kRxBufSize + 1> rx_buf{};
    quint16 rx_pos = 0;
    qint16 rx_mode = 0;  // 0 idle, 1 reply (after ':'), 2 report (after '~')
    qint16 awaiting = 0; // the queue head was sent and its reply is due
    qint16 wait_ticks = 0;
    qint16 retries = 0;
    qint16 pass_error = 0;
    qint16 write_failures = 0;
    quint16 pass_counter = 0;
    qint16 Conv_link = 2; // 2 not yet known, 1 up, 0 lost
    quint16 KartaAdressPos = 1;
    bool rv_timer_running = false; // TimerRv: started by a successful port open
    // Pass-time bookkeeping of the TimerRv handler.
    qint64 max_pass_us = 0;
    qint64 max_pass_ms = 0;
    int timing_calls = 0;
    // Longest time between the starts of two passes since max_pass_gap_us was last taken (monotonic
    // clock, ns since its epoch; -1 after a port opening): how long the rest of the core's thread kept
    // the engine waiting.
    qint64 last_pass_start_ns = -1;
    qint64 max_pass_gap_us = 0;
    // Clock tick count of Timer2 (port watchdog).
    quint32 clock_ticks = 0;
};

// All program state. main() owns one instance and hands it to every window by reference;
// each test makes a fresh one.
struct Console {
    Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // The parts announce their changes here; the windows (ui) and the feed always hear them.
    ChangeNotices notices{*this};

    // Sensor registry.
    QString data_dir;
    SensorTable sensors; // the records, on-line flags and address map of every slot
    // What the sensor table shows of every slot.
    SensorRows sensorRows;
    qint32 selected_row = 0;
    qint32 selected_col = 0;
    std::array<std::array<qint32, kSlots + 1>, 7> slot_counters{}; // [1] checksum errors, [4] time-outs
    std::array<SlotDiagnostics, kSlots> slot_diagnostics{}; // what the diagnostics grid shows of each slot
    OperatorList operators;
    EventJournal journal; // the event log files and the records that wait for the disk
    int port_index = 0;   // ComboBox1 selection: 0 = "COM1" … 69 = "COM70", 70 = the empty item
    // The sensor table's selected cell is painted (setSelectionHighlight).
    bool selection_highlight = false;

    // Converter link.
    CommandQueue queue;
    EngineState engine;
    DiagCounters counters;
    SerialPort* port = nullptr; // not owned

    // Presentation state: exactly what the windows show.
    EventList events; // the main window's event list
    AlarmBoard alarms;
    OscControls osc;   // the oscilloscope tabs' entries and start controls
    OscScope scope;    // the oscilloscope charts' scales and samples
    StatusLine status; // the status bar, the toolbar's clock and count, the waiting panel

    // The windows; never null once the console runs (tests install a recording fake).
    ConsoleUi* ui = nullptr;

    // The site feed, when one is configured (not owned).
    FeedSink* feed = nullptr;

    // Time source, replaceable by tests.
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
    double now() const;

    // Helpers shared by every part.
    QString path(const QString& fragment) const; // data_dir + "/" + fragment
    void changed(View v) const { notices.changed(v); }
    void error(const QString& text) const; // "Ошибка" box with the error icon
};

// Sensor table helpers.
void countSensorsForToolbar(Console& c); // the toolbar shows the new count
// The port list's texts: "COM1" … "COM70", then one empty item.
QString portName(int index);
void setSelectionHighlight(Console& c, bool on);
// Tell the site feed, if any, that the converter link changed.
void feedConverter(Console& c);

} // namespace vatrel
