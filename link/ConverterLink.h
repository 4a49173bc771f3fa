// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"
#include "registry/SensorTable.h"

#include <QtGlobal>
#include <array>
#include <functional>
#include <optional>
#include <vector>

class QString;

namespace vatrel {

class ConsoleUi;  // registry/ConsoleUi.h
class SerialPort; // link/SerialPort.h

constexpr int kQueueSize = 32;
constexpr int kSizeTrBuf = 1024; // largest number of words in one command
constexpr int kRxBufSize = 1024;

// What the console knows of its link with the converter.
enum class ConverterState : qint16 { Lost = 0, Up = 1, Unknown = 2 };

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

// The two reports the converter counts per slot.
enum class SlotCount { ChecksumErrors, Timeouts };

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

// One more on a count that runs for years: it wraps, never overflows.
constexpr qint32 nextCount(qint32 n) { return qint32(quint32(n) + 1u); }

// A diagnostics counter and the value its label shows (nothing until it is first shown).
struct Counter {
    qint32 value = 0;
    std::optional<qint32> shown;
    void show() { shown = value; }
    void reset() {
        value = 0;
        show();
    }
    void bump() { value = nextCount(value); }
};

struct DiagCounters {
    Counter KS_ERR, N_rv_byte, N_rv_frame, Time_out, N_tr_byte, N_tr_frame;
    std::optional<qint64> longestPassUs; // longest receive pass of the last five, microseconds
    std::optional<qint64> longestPassMs; // the same in milliseconds
};

// The receive engine's bookkeeping between two passes.
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
    quint32 clock_ticks = 0; // of the port watchdog
};

// The console's link with the bus converter: the serial port (not owned), the command queue, the
// receive engine's bookkeeping, the converter's link state and address-map position, the six
// diagnostics counters and the per-slot counts and link states of the diagnostics grid. Its changes
// are announced on its notice line: the counters as View::Diagnostics, the per-slot rows as
// View::ComGrid, the converter's link state as converterChanged.
//
// The console (core/Console.h) holds one.
class ConverterLink {
public:
    void connect(const ChangeNotices* notices) { m_line.connect(notices); }

    // ---- The port.
    void attachPort(SerialPort* port) { m_port = port; }
    SerialPort* port() const { return m_port; }
    bool portOpen() const;
    // Closes the port if it is open and opens port number n (1 … 71); false when there is no port or
    // it did not open. The link's bookkeeping is the caller's (restart).
    bool openPort(int portNumber, const QString& dataDir);
    void closePort();
    // Whether receive passes run: from a successful opening on until stopReceiving.
    bool receiving() const { return m_receiving; }
    void stopReceiving() { m_receiving = false; }
    // The port was opened: the link is in `state`, failed writes are forgotten, the six counters show
    // "0" and receive passes run.
    void restart(ConverterState state);

    // ---- The converter.
    ConverterState state() const { return m_state; }
    // Announces converterChanged when the state changes.
    void setState(ConverterState state) {
        if (m_state == state) return;
        m_state = state;
        m_line.converterChanged();
    }
    bool isUp() const { return m_state == ConverterState::Up; }
    // The address map goes to the converter entry by entry: the position of the entry in transfer,
    // 1 … kSlots; kSlots once the whole map is through.
    quint16 mapPosition() const { return m_mapPosition; }
    void setMapPosition(quint16 position) { m_mapPosition = position; }
    bool mapSent() const { return m_mapPosition == kSlots; }

    // ---- The command queue.
    const CommandQueue& queue() const { return m_queue; }
    // Queues a command unless it is too long (a warning box through `ui`, when given), the queue is
    // full or a command of its code waits already; false when it was dropped.
    bool enqueue(ConsoleUi* ui, char start, const quint16* words, quint16 count);
    bool enqueue(ConsoleUi* ui, const std::vector<quint16>& words) {
        return enqueue(ui, ':', words.data(), quint16(words.size()));
    }
    // A reply confirmed the head: the others move up.
    void confirmHead();
    // Empties the queue; true when an oscillogram start was among what it held (it will never be
    // confirmed now).
    bool clearQueue();
    // Writes a command to the port as one frame, counts its bytes and the frame and waits for its
    // reply: 0, or -2 when it was too long (a warning box through `ui`, when given) or the write
    // failed (what was written stays on the line; no reply is awaited).
    int send(ConsoleUi* ui, char start, const quint16* words, quint16 count);

    // ---- The six counters and the pass times the diagnostics tab shows.
    const DiagCounters& counters() const { return m_counters; }
    void countByteIn() { m_counters.N_rv_byte.bump(); }
    void countFrameIn() { m_counters.N_rv_frame.bump(); }
    void countChecksumError() { m_counters.KS_ERR.bump(); }
    void countTimeout() { m_counters.Time_out.bump(); }
    // A receive pass starts; showPassCounts shows what it counted. Labels are refreshed once per
    // pass rather than per byte: the operator sees the same numbers and a busy line costs far less.
    void beginPassCounts();
    void showPassCounts();
    // Runs one receive pass, measured: the longest of every five is shown, and the longest wait
    // between two passes is kept for the load bench (and reported on stderr from five periods up).
    void timedPass(const std::function<void()>& pass);
    // The longest wait between the starts of two passes since the last call, microseconds.
    qint64 takeLongestPassGapUs();

    // ---- The diagnostics grid: per-slot counts and link states.
    qint32 slotCount(SlotCount which, int slot) const { return counts(which)[index(slot)]; }
    const SlotDiagnostics& slotDiagnostics(int slot) const { return m_slotDiagnostics[index(slot)]; }
    // The converter reported one more of `which` for the slot (the count wraps after years).
    void countSlotReport(SlotCount which, int slot) {
        qint32& n = counts(which)[index(slot)];
        n = nextCount(n);
        m_slotDiagnostics[index(slot)].countsShown = true;
        m_line.changed(View::ComGrid);
    }
    void setSlotLink(int slot, SlotLink link) {
        SlotDiagnostics& d = m_slotDiagnostics[index(slot)];
        if (d.link == link) return;
        d.link = link;
        m_line.changed(View::ComGrid);
    }
    // A sensor was connected in the slot: its counts show, its link is lost until it answers.
    void slotConnected(int slot) {
        m_slotDiagnostics[index(slot)] = {true, SlotLink::Lost};
        m_line.changed(View::ComGrid);
    }
    // The slot's sensor was disconnected: counts cleared, the row blank.
    void slotDisconnected(int slot) {
        m_checksumErrors[index(slot)] = 0;
        m_timeouts[index(slot)] = 0;
        m_slotDiagnostics[index(slot)] = {};
        m_line.changed(View::ComGrid);
    }
    // "Сброс": every count 0, shown for every occupied slot.
    void resetSlotCounts(const SensorTable& sensors) {
        m_checksumErrors.fill(0);
        m_timeouts.fill(0);
        for (int s = 0; s < kSlots; ++s)
            if (sensors.occupied(s)) m_slotDiagnostics[size_t(s)].countsShown = true;
        m_line.changed(View::ComGrid);
    }
    // The program's start: counts 0 and shown for every occupied slot, "Нет связи" for a sensor
    // stored without link. Announces the grid and the converter's state as it starts.
    void startUp(const SensorTable& sensors) {
        m_checksumErrors.fill(0);
        m_timeouts.fill(0);
        m_slotDiagnostics.fill({});
        for (int s = 0; s < kSlots; ++s) {
            const SensorRecord& r = sensors.record(s);
            if (!r.occupied()) continue;
            m_slotDiagnostics[size_t(s)] = {true, r.status == 15 ? SlotLink::Lost : SlotLink::NotShown};
        }
        m_line.changed(View::ComGrid);
        m_line.converterChanged();
    }

    // ---- The receive engine's bookkeeping; link/Receiver.cpp runs the passes.
    // What a frame that passed its check was: a reply to the command sent (after ':'), a report
    // (after '~') or a text outside any frame start.
    enum class FrameKind { Reply, Report, Stray };
    // Takes one byte from the line and counts it; returns the length of the frame text it completes
    // (the text, NUL-terminated, in frameText()), or -1.
    int takeByte(char byte);
    const char* frameText() const { return m_engine.rx_buf.data(); }
    // A completed frame failed its check: counted, and the reply it was meant to be is no time-out.
    void frameSpoilt();
    // A completed frame passed its check: counted; what it was. A frame start is awaited again.
    FrameKind takeFrame();
    // A reply came: the wait ends and it confirms the head of the queue.
    void replyReceived();
    // No reply is awaited any more (the port failed, or the repeats gave out).
    void stopWaiting();
    // The end of a pass, after reading: the queue's head goes out on every fifth pass, and a reply
    // awaited too long counts a time-out and sends the head again. `repliesGaveOut` after the last
    // repeat (the wait is over); `writesFailed` when sends keep failing and the port is to close.
    struct PassEnd {
        bool repliesGaveOut = false;
        bool writesFailed = false;
    };
    PassEnd endPass(ConsoleUi* ui);
    // One tick of the clock's port watchdog: true when the port is to be reopened (every fourth tick
    // while the converter is not up).
    bool watchdogTick();
    const EngineState& engine() const { return m_engine; }

    // ---- The windows' mirror takes what they show of the link.
    void showCountersOf(const ConverterLink& from) { m_counters = from.m_counters; }
    void showSlotsOf(const ConverterLink& from) {
        m_checksumErrors = from.m_checksumErrors;
        m_timeouts = from.m_timeouts;
        m_slotDiagnostics = from.m_slotDiagnostics;
    }

private:
    static size_t index(int slot) {
        if (!SensorTable::isSlot(slot)) qFatal("diagnostics slot %d out of range", slot);
        return size_t(slot);
    }
    std::array<qint32, kSlots>& counts(SlotCount which) {
        return which == SlotCount::ChecksumErrors ? m_checksumErrors : m_timeouts;
    }
    const std::array<qint32, kSlots>& counts(SlotCount which) const {
        return which == SlotCount::ChecksumErrors ? m_checksumErrors : m_timeouts;
    }
    // Sends the queue's head, if any, and counts a failed write.
    void sendHead(ConsoleUi* ui);

    NoticeLine m_line;
    SerialPort* m_port = nullptr;
    CommandQueue m_queue;
    EngineState m_engine;
    DiagCounters m_counters;
    ConverterState m_state = ConverterState::Unknown;
    quint16 m_mapPosition = 1;
    bool m_receiving = false;
    // What the current pass started from (beginPassCounts).
    qint32 m_passBytes = 0, m_passFrames = 0, m_passErrors = 0, m_passTimeouts = 0;
    // Pass times: the longest of the current five, and the longest wait between two passes since
    // it was last taken (monotonic clock, ns since its epoch; -1 after a port opening).
    qint64 m_maxPassUs = 0;
    qint64 m_maxPassMs = 0;
    int m_timedPasses = 0;
    qint64 m_lastPassStartNs = -1;
    qint64 m_maxPassGapUs = 0;
    std::array<qint32, kSlots> m_checksumErrors{};
    std::array<qint32, kSlots> m_timeouts{};
    std::array<SlotDiagnostics, kSlots> m_slotDiagnostics{};
};

} // namespace vatrel
