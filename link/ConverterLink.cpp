// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ConverterLink.h"

#include "link/Frame.h"
#include "link/SerialPort.h"
#include "registry/ConsoleUi.h"

#include <QElapsedTimer>
#include <QTime>
#include <algorithm>
#include <chrono>

namespace vatrel {

namespace {

constexpr int kSendEvery = 5;     // a queued command leaves on every 5th pass
constexpr int kReplyPasses = 10;  // passes a reply is awaited
constexpr int kRetries = 20;      // repeats after the first send
constexpr int kWriteFailures = 3; // consecutive failed sends that close the port

void warn(ConsoleUi* ui, const QString& text) {
    if (ui) ui->message(QStringLiteral("Внимание"), text, ConsoleUi::Icon::Warning);
}

} // namespace

bool ConverterLink::portOpen() const { return m_port && m_port->isOpen(); }

bool ConverterLink::openPort(int portNumber, const QString& dataDir) {
    if (!m_port) return false;
    if (m_port->isOpen()) m_port->close();
    return m_port->open(portNumber, dataDir);
}

void ConverterLink::closePort() {
    if (portOpen()) m_port->close();
}

void ConverterLink::restart(ConverterState state) {
    setState(state);
    m_engine.write_failures = 0;
    DiagCounters& d = m_counters;
    for (Counter* k : {&d.KS_ERR, &d.N_rv_byte, &d.N_rv_frame, &d.Time_out, &d.N_tr_byte, &d.N_tr_frame})
        k->reset();
    m_line.changed(View::Diagnostics);
    m_receiving = true;
    m_lastPassStartNs = -1; // the time the port was closed is no gap between passes
}

bool ConverterLink::enqueue(ConsoleUi* ui, char start, const quint16* words, quint16 count) {
    if (count > kSizeTrBuf) {
        warn(ui, QStringLiteral("Put_Cmd: usDataLen>SIZE_TR_BUF!"));
        return false;
    }
    if (count == 0 || !words) return false; // no header word, nothing to key the entry on
    CommandQueue& q = m_queue;
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

void ConverterLink::confirmHead() {
    CommandQueue& q = m_queue;
    // Entries past the count are always empty, so only the ones in use move up (each holds a
    // 2 KB word buffer; shifting all 32 on every reply would copy 64 KB).
    const int used = std::clamp(q.count, 1, kQueueSize);
    q.count = std::max(0, q.count - 1);
    std::move(q.entries.begin() + 1, q.entries.begin() + used, q.entries.begin());
    q.entries[size_t(used - 1)] = QueueEntry{};
}

bool ConverterLink::clearQueue() {
    bool oscStartDropped = false;
    for (int i = 0; i < m_queue.count && i < kQueueSize; ++i)
        oscStartDropped = oscStartDropped || m_queue.entries[size_t(i)].key == CMD_OSCILL_ON;
    m_queue.count = 0;
    m_queue.entries.fill(QueueEntry{});
    return oscStartDropped;
}

int ConverterLink::send(ConsoleUi* ui, char start, const quint16* words, quint16 count) {
    if (count > kSizeTrBuf) {
        warn(ui, QStringLiteral("Send_Cmd1: usDataLen>SIZE_TR_BUF!"));
        return -2;
    }
    if (count == 0 || !words || !m_port) return -2;
    const QByteArray bytes = frame::encode(start, words, count);
    DiagCounters& d = m_counters;
    for (const char b : bytes) {
        if (!m_port->writeByte(b)) return -2; // what was written stays on the line; no reply is awaited
        d.N_tr_byte.bump();
    }
    d.N_tr_byte.show();
    d.N_tr_frame.bump();
    d.N_tr_frame.show();
    m_line.changed(View::Diagnostics);
    m_engine.awaiting = 1;
    m_engine.wait_ticks = 0;
    return 0;
}

void ConverterLink::sendHead(ConsoleUi* ui) {
    const QueueEntry& head = m_queue.entries[0];
    if (head.key == 0) return; // nothing queued: never send an empty entry
    const int r = send(ui, head.start, head.words.data(), head.count);
    m_engine.write_failures = r == -2 ? qint16(m_engine.write_failures + 1) : qint16(0);
}

int ConverterLink::takeByte(char byte) {
    EngineState& e = m_engine;
    countByteIn();
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
        return len;
    } else {
        e.rx_buf[e.rx_pos] = byte;
        if (++e.rx_pos >= kRxBufSize) {
            e.rx_pos = 0;
            if (e.rx_mode == 1 && e.awaiting) e.pass_error = 3;
            e.rx_mode = 0;
        }
    }
    return -1;
}

void ConverterLink::frameSpoilt() {
    countChecksumError();
    if (m_engine.rx_mode == 1 && m_engine.awaiting) m_engine.pass_error = 2;
    m_engine.rx_mode = 0;
}

ConverterLink::FrameKind ConverterLink::takeFrame() {
    countFrameIn();
    const qint16 mode = std::exchange(m_engine.rx_mode, qint16(0));
    return mode == 1 ? FrameKind::Reply : mode == 2 ? FrameKind::Report : FrameKind::Stray;
}

void ConverterLink::replyReceived() {
    m_engine.wait_ticks = 0;
    m_engine.retries = 0;
    m_engine.awaiting = 0;
    confirmHead(); // any valid reply confirms the head
}

void ConverterLink::stopWaiting() {
    m_engine.rx_mode = 0;
    m_engine.awaiting = 0;
    m_engine.retries = 0;
    m_engine.pass_error = 0;
}

ConverterLink::PassEnd ConverterLink::endPass(ConsoleUi* ui) {
    EngineState& e = m_engine;
    ++e.pass_counter;
    if (!e.awaiting && e.pass_counter % kSendEvery == 0) sendHead(ui);

    PassEnd end;
    bool waitEnds = true;
    if (e.awaiting) {
        ++e.wait_ticks;
        if (e.wait_ticks <= kReplyPasses) {
            waitEnds = false;
        } else {
            e.wait_ticks = 0;
            if (e.pass_error == 0) {
                e.pass_error = 1;
                countTimeout();
            }
            ++e.retries;
            if (e.retries <= kRetries) {
                sendHead(ui);
            } else {
                stopWaiting();
                end.repliesGaveOut = true;
            }
        }
    }
    end.writesFailed = waitEnds && e.write_failures >= kWriteFailures;
    e.pass_error = 0;
    return end;
}

bool ConverterLink::watchdogTick() {
    ++m_engine.clock_ticks;
    return !isUp() && m_engine.clock_ticks % 4 == 0;
}

void ConverterLink::beginPassCounts() {
    const DiagCounters& d = m_counters;
    m_passBytes = d.N_rv_byte.value;
    m_passFrames = d.N_rv_frame.value;
    m_passErrors = d.KS_ERR.value;
    m_passTimeouts = d.Time_out.value;
}

void ConverterLink::showPassCounts() {
    DiagCounters& d = m_counters;
    bool any = false;
    auto refresh = [&any](Counter& counter, qint32 old) {
        if (counter.value != old) {
            counter.show();
            any = true;
        }
    };
    refresh(d.N_rv_byte, m_passBytes);
    refresh(d.N_rv_frame, m_passFrames);
    refresh(d.KS_ERR, m_passErrors);
    refresh(d.Time_out, m_passTimeouts);
    if (any) m_line.changed(View::Diagnostics);
}

void ConverterLink::timedPass(const std::function<void()>& pass) {
    const qint64 startNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                               std::chrono::steady_clock::now().time_since_epoch())
                               .count();
    // A pass that comes late leaves the converter's bytes waiting and the alarms with them: the
    // longest gap is kept (the load bench reads it), and every gap of five periods or more is
    // reported on stderr.
    if (m_lastPassStartNs >= 0) {
        const qint64 gapUs = (startNs - m_lastPassStartNs) / 1000;
        m_maxPassGapUs = std::max(m_maxPassGapUs, gapUs);
        if (gapUs >= 50000)
            qWarning("%s TimerRv: %lld ms between two receive passes",
                     qPrintable(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"))), gapUs / 1000);
    }
    m_lastPassStartNs = startNs;
    QElapsedTimer timer;
    timer.start();
    pass();
    const qint64 us = timer.nsecsElapsed() / 1000;
    const qint64 ms = timer.elapsed();
    m_maxPassUs = std::max(m_maxPassUs, us);
    m_maxPassMs = std::max(m_maxPassMs, ms);
    if (++m_timedPasses >= 5) {
        m_counters.longestPassUs = m_maxPassUs;
        m_counters.longestPassMs = m_maxPassMs;
        m_maxPassUs = 0;
        m_maxPassMs = 0;
        m_timedPasses = 0;
        m_line.changed(View::Diagnostics);
    }
}

qint64 ConverterLink::takeLongestPassGapUs() { return std::exchange(m_maxPassGapUs, 0); }

} // namespace vatrel
