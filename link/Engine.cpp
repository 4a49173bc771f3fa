// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/Engine.h"

#include "link/Frame.h"
#include "link/Oscilloscope.h"
#include "link/SerialPort.h"
#include "link/StatusDecoder.h"
#include "registry/EventLog.h"
#include "registry/NumberFormat.h"

#include <QElapsedTimer>
#include <QTime>
#include <algorithm>
#include <chrono>
#include <cmath>

namespace vatrel {

using View = ConsoleUi::View;

namespace {

constexpr int kSendEvery = 5;     // a queued command leaves on every 5th pass
constexpr int kReplyPasses = 10;  // passes a reply is awaited
constexpr int kRetries = 20;      // repeats after the first send
constexpr int kWriteFailures = 3; // consecutive failed sends that close the port

// The counters are signed 32-bit; a long run must wrap them, not overflow.
void bump(Counter& counter) { counter.value = qint32(quint32(counter.value) + 1u); }

bool portOpen(const Console& c) { return c.port && c.port->isOpen(); }

void setPanel4(Console& c, const QString& text) { c.status.setPanel(StatusLine::kConverterPanel, text); }

void removeHead(Console& c) {
    CommandQueue& q = c.queue;
    // Entries past the count are always empty, so only the ones in use move up (each holds a
    // 2 KB word buffer; shifting all 32 on every reply would copy 64 KB).
    const int used = std::clamp(q.count, 1, kQueueSize);
    q.count = std::max(0, q.count - 1);
    std::move(q.entries.begin() + 1, q.entries.begin() + used, q.entries.begin());
    q.entries[size_t(used - 1)] = QueueEntry{};
}

void linkRestored(Console& c) {
    EngineState& e = c.engine;
    e.KartaAdressPos = 1;
    c.status.showWaitPanel(true);
    e.Conv_link = 1;
    setPanel4(c, QStringLiteral("Связь с преобразователем восстановлена"));
    logProgramEvent(c, programEvent(c, EventCode::LinkRestoredConverter));
    feedConverter(c);
    if (c.ui) c.ui->converterLinkRestored();
}

enum class LossCause { ReplyTimeouts, PortFailure };

void linkLost(Console& c, LossCause cause) {
    if (cause == LossCause::PortFailure) oscillogramStopped(c);
    c.engine.Conv_link = 0;
    c.engine.KartaAdressPos = 1;
    // The port-failure text has a Latin "c" in its second word; operators know the two apart by it.
    setPanel4(c, cause == LossCause::ReplyTimeouts ? QStringLiteral("Нет связи с преобразователем")
                                                   : QStringLiteral("Нет связи c преобразователем"));
    logProgramEvent(c, programEvent(c, EventCode::LinkLostConverter));
    markAllSensorsLost(c);
    feedConverter(c);
    if (c.ui) c.ui->converterLinkLost();
}

// The port cannot carry frames any more (failed writes, or the device vanished): close it and
// wait for a reopen by the operator or the clock's watchdog.
void portFailed(Console& c) {
    EngineState& e = c.engine;
    closePort(c);
    e.rx_mode = 0;
    e.awaiting = 0;
    e.retries = 0;
    if (e.Conv_link != 0) linkLost(c, LossCause::PortFailure);
    clearQueue(c);
}

void sendHead(Console& c) {
    const QueueEntry& head = c.queue.entries[0];
    if (head.key == 0) return; // nothing queued: never send an empty entry
    const int r = sendQueueHead(c, head.start, head.words.data(), head.count);
    EngineState& e = c.engine;
    e.write_failures = r == -2 ? qint16(e.write_failures + 1) : qint16(0);
}

void handleReply(Console& c, const char* text, int len, quint8 code) {
    EngineState& e = c.engine;
    if (e.Conv_link != 1) linkRestored(c);
    e.rx_mode = 0;
    e.wait_ticks = 0;
    e.retries = 0;
    e.awaiting = 0;
    removeHead(c); // any valid reply confirms the head

    // Word 1 takes characters 4..7; the checksum byte follows it.
    const bool hasWord1 = len >= 10;
    switch (code) {
    case CMD_KARTA_ENTRY:
        if (e.KartaAdressPos < kSlots) {
            const int k = hasWord1 ? frame::wordAt(text, 4) : 0;
            if (k >= 1 && k < kSlots) {
                e.KartaAdressPos = quint16(k + 1);
                const KartaEntry& entry = c.sensors.addressEntry(k);
                queueCommand(c, frame::kartaEntry(k + 1, entry.factory_number, entry.device_code));
            } else if (e.KartaAdressPos > 1) {
                // An index the map does not have: ask again for the entry in progress rather than
                // read past the map or let the transfer stall.
                const int pos = e.KartaAdressPos;
                const KartaEntry& entry = c.sensors.addressEntry(pos - 1);
                queueCommand(c, frame::kartaEntry(pos, entry.factory_number, entry.device_code));
            }
        } else {
            c.status.showWaitPanel(false);
        }
        break;
    case CMD_OSCILL_ON:
        if (hasWord1) {
            const int slot = frame::wordAt(text, 4);
            if (slot < kSlots) oscillogramStarted(c, slot);
        }
        break;
    case CMD_OSCILL_OFF:
        oscillogramStopped(c);
        break;
    default:
        break;
    }
}

// A frame ended by CR LF; `len` characters of text, NUL-terminated.
void frameEnded(Console& c, const char* text, int len) {
    EngineState& e = c.engine;
    if (!frame::check(text, len)) {
        bump(c.counters.KS_ERR);
        if (e.rx_mode == 1 && e.awaiting) e.pass_error = 2;
        e.rx_mode = 0;
        return;
    }
    bump(c.counters.N_rv_frame);
    const quint8 code = quint8(frame::wordAt(text, 0) & 0xFF);
    if (e.rx_mode == 1) {
        handleReply(c, text, len, code);
    } else if (e.rx_mode == 2) {
        e.rx_mode = 0;
        dispatchReport(c, text, len, code);
    }
}

void receiveByte(Console& c, char byte) {
    EngineState& e = c.engine;
    bump(c.counters.N_rv_byte);
    if (byte == '~') {
        e.rx_mode = 2;
        e.rx_pos = 0;
    } else if (byte == ':') {
        e.rx_mode = 1;
        e.rx_pos = 0;
    } else if (byte == '\n' && e.rx_pos > 0 && e.rx_buf[e.rx_pos - 1] == '\r') {
        const int len = e.rx_pos - 1;
        e.rx_buf[size_t(len)] = '\0';
        e.rx_pos = 0;
        frameEnded(c, e.rx_buf.data(), len);
    } else {
        e.rx_buf[e.rx_pos] = byte;
        if (++e.rx_pos >= kRxBufSize) {
            e.rx_pos = 0;
            if (e.rx_mode == 1 && e.awaiting) e.pass_error = 3;
            e.rx_mode = 0;
        }
    }
}

struct CounterSnapshot {
    qint32 bytes, frames, errors, timeouts;
    explicit CounterSnapshot(const DiagCounters& d)
        : bytes(d.N_rv_byte.value), frames(d.N_rv_frame.value), errors(d.KS_ERR.value),
          timeouts(d.Time_out.value) {}
};

// Labels are refreshed once per pass rather than per byte: the operator sees the same numbers and
// a busy line costs far less.
void showChangedCounters(Console& c, const CounterSnapshot& before) {
    DiagCounters& d = c.counters;
    bool any = false;
    auto refresh = [&any](Counter& counter, qint32 old) {
        if (counter.value != old) {
            counter.show();
            any = true;
        }
    };
    refresh(d.N_rv_byte, before.bytes);
    refresh(d.N_rv_frame, before.frames);
    refresh(d.KS_ERR, before.errors);
    refresh(d.Time_out, before.timeouts);
    if (any) c.changed(View::Diagnostics);
}

} // namespace

void clearQueue(Console& c) {
    for (int i = 0; i < c.queue.count && i < kQueueSize; ++i)
        if (c.queue.entries[size_t(i)].key == CMD_OSCILL_ON) oscillogramRequestDropped(c);
    c.queue.count = 0;
    c.queue.entries.fill(QueueEntry{});
}

bool openPort(Console& c, int portNumber) {
    if (!c.port) return false;
    if (c.port->isOpen()) c.port->close();
    if (!c.port->open(portNumber, c.data_dir)) return false;
    clearQueue(c);
    c.engine.Conv_link = 2;
    c.engine.write_failures = 0;
    DiagCounters& d = c.counters;
    d.KS_ERR.reset();
    d.N_rv_byte.reset();
    d.N_rv_frame.reset();
    d.Time_out.reset();
    d.N_tr_byte.reset();
    d.N_tr_frame.reset();
    c.changed(View::Diagnostics);
    setPanel4(c, QString());
    c.engine.rv_timer_running = true;
    c.engine.last_pass_start_ns = -1; // the time the port was closed is no gap between passes
    return true;
}

void closePort(Console& c) {
    if (c.port && c.port->isOpen()) c.port->close();
}

void choosePort(Console& c, int index) {
    c.engine.rv_timer_running = false;
    closePort(c);
    c.port_index = index;
    const bool ok = openPort(c, index + 1);
    c.status.setPanel(StatusLine::kPortPanel,
                      portName(index) + (ok ? QStringLiteral(" включён") : QStringLiteral(" выключен")));
}

void openStartupPort(Console& c) {
    const bool ok = openPort(c, c.port_index + 1);
    c.status.setPanel(StatusLine::kPortPanel, portName(c.port_index) + (ok ? QStringLiteral(" включён")
                                                                           : QStringLiteral(" выключен")));
}

bool queueCommand(Console& c, char start, const quint16* words, quint16 count) {
    if (count > kSizeTrBuf) {
        if (c.ui)
            c.ui->message(QStringLiteral("Внимание"), QStringLiteral("Put_Cmd: usDataLen>SIZE_TR_BUF!"),
                          ConsoleUi::Icon::Warning);
        return false;
    }
    if (count == 0 || !words) return false; // no header word, nothing to key the entry on
    CommandQueue& q = c.queue;
    if (q.count >= kQueueSize) return false;
    const quint16 key = words[0] & 0xFF;
    for (int i = 0; i < q.count; ++i)
        if (q.entries[size_t(i)].key == key) return false;
    QueueEntry& entry = q.entries[size_t(q.count)];
    entry.key = key;
    entry.start = start;
    std::copy(words, words + count, entry.words.begin());
    std::fill(entry.words.begin() + count, entry.words.end(), quint16(0));
    entry.count = count;
    ++q.count;
    return true;
}

int sendQueueHead(Console& c, char start, const quint16* words, quint16 count) {
    if (count > kSizeTrBuf) {
        if (c.ui)
            c.ui->message(QStringLiteral("Внимание"), QStringLiteral("Send_Cmd1: usDataLen>SIZE_TR_BUF!"),
                          ConsoleUi::Icon::Warning);
        return -2;
    }
    if (count == 0 || !words || !c.port) return -2;
    const QByteArray bytes = frame::encode(start, words, count);
    DiagCounters& d = c.counters;
    for (const char b : bytes) {
        if (!c.port->writeByte(b)) return -2; // what was written stays on the line; no reply is awaited
        bump(d.N_tr_byte);
    }
    d.N_tr_byte.show();
    bump(d.N_tr_frame);
    d.N_tr_frame.show();
    c.changed(View::Diagnostics);
    c.engine.awaiting = 1;
    c.engine.wait_ticks = 0;
    return 0;
}

void receivePass(Console& c) {
    if (!c.port) return;
    EngineState& e = c.engine;
    if (!c.port->isOpen()) {
        // The device went away since the last pass (the port closed itself): the same end as a
        // port that no longer takes writes, without waiting for three failed sends.
        if (c.port->takeFailure()) portFailed(c);
        return;
    }
    const CounterSnapshot before(c.counters);

    const QByteArray data = c.port->readAvailable();
    for (const char b : data)
        receiveByte(c, b);

    if (!c.port->isOpen()) { // it went away during this read
        showChangedCounters(c, before);
        c.port->takeFailure();
        portFailed(c);
        e.pass_error = 0;
        return;
    }

    ++e.pass_counter;
    if (!e.awaiting && e.pass_counter % kSendEvery == 0 && c.queue.entries[0].key != 0) sendHead(c);

    bool waitEnds = true;
    if (e.awaiting) {
        ++e.wait_ticks;
        if (e.wait_ticks <= kReplyPasses) {
            waitEnds = false;
        } else {
            e.wait_ticks = 0;
            if (e.pass_error == 0) {
                e.pass_error = 1;
                bump(c.counters.Time_out);
            }
            ++e.retries;
            if (e.retries <= kRetries) {
                sendHead(c);
            } else {
                e.rx_mode = 0;
                e.awaiting = 0;
                e.retries = 0;
                if (e.Conv_link != 0) linkLost(c, LossCause::ReplyTimeouts);
                clearQueue(c);
            }
        }
    }
    showChangedCounters(c, before);
    if (waitEnds && e.write_failures >= kWriteFailures && portOpen(c)) portFailed(c);
    e.pass_error = 0;
}

void onReceiveTick(Console& c) {
    if (!c.engine.rv_timer_running) return;
    EngineState& e = c.engine;
    const qint64 startNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                               std::chrono::steady_clock::now().time_since_epoch())
                               .count();
    // A pass that comes late leaves the converter's bytes waiting and the alarms with them: the
    // longest gap is kept (the load bench reads it), and every gap of five periods or more is
    // reported on stderr.
    if (e.last_pass_start_ns >= 0) {
        const qint64 gapUs = (startNs - e.last_pass_start_ns) / 1000;
        e.max_pass_gap_us = std::max(e.max_pass_gap_us, gapUs);
        if (gapUs >= 50000)
            qWarning("%s TimerRv: %lld ms between two receive passes",
                     qPrintable(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"))), gapUs / 1000);
    }
    e.last_pass_start_ns = startNs;
    QElapsedTimer timer;
    timer.start();
    receivePass(c);
    const qint64 us = timer.nsecsElapsed() / 1000;
    const qint64 ms = timer.elapsed();
    e.max_pass_us = std::max(e.max_pass_us, us);
    e.max_pass_ms = std::max(e.max_pass_ms, ms);
    if (++e.timing_calls >= 5) {
        c.counters.longestPassUs = e.max_pass_us;
        c.counters.longestPassMs = e.max_pass_ms;
        e.max_pass_us = 0;
        e.max_pass_ms = 0;
        e.timing_calls = 0;
        c.changed(View::Diagnostics);
    }
}

void onCommandTick(Console& c) {
    const quint16 pos = c.engine.KartaAdressPos;
    if (pos == kSlots) {
        queueCommand(c, frame::poll());
    } else if (pos == 1) {
        const KartaEntry& entry = c.sensors.addressEntry(0);
        queueCommand(c, frame::kartaEntry(1, entry.factory_number, entry.device_code));
    }
}

void showClock(Console& c) { c.status.showClock(c.clock()); }

void onClockTick(Console& c) {
    showClock(c);
    c.journal.retryKept(journalOutlet(c)); // events kept through a full disk reach the files once it has room
    EngineState& e = c.engine;
    ++e.clock_ticks;
    if (e.Conv_link == 1) return;
    if (e.clock_ticks % 4 == 0) {
        e.rv_timer_running = false;
        closePort(c);
        openPort(c, c.port_index + 1); // status panel 2 stays as it is
        e.Conv_link = 0;               // a further failure must not repeat the link-lost notice
    }
}

void oscillogramStarted(Console& c, int slot) {
    if (slot < 0 || slot >= kSlots) return;
    c.osc.setSlot(slot);
    c.osc.clearOutcome();
    SensorRecord& r = c.sensors.record(slot);
    c.scope.clearTraces(); // every curve and both sample counters start again
    if (c.ui) c.ui->oscillogramStarted(slot);
    if (r.sensor_type == 1) {
        c.osc.showDcFlank(0, r.dc_component1);
        c.osc.showDcFlank(1, r.dc_component2);
    } else if (r.sensor_type == 0) {
        c.osc.holdDcTypeA(dcComponentWord(r.dc_component1), true);
    }
    r.osc_active = 1;
    c.changed(View::Oscilloscope); // the tab's charts start again
}

void oscillogramStopped(Console& c) {
    c.sensors.stopOscillograms();
    c.osc.setSlot(-1);
    c.osc.openStart();
    if (c.ui) c.ui->oscillogramStopped();
}

void resetSlotCounters(Console& c) {
    for (auto& counts : c.slot_counters)
        std::fill(counts.begin(), counts.begin() + kSlots, 0);
    for (int s = 0; s < kSlots; ++s) {
        if (c.sensors.occupied(s)) c.slot_diagnostics[size_t(s)].countsShown = true;
    }
    c.changed(View::ComGrid);
}

} // namespace vatrel
