// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared pieces of the link tests: an in-memory serial line, converter frames built by hand, and a
// console over a temporary data folder with a pinned clock.
#include "common/ConsoleFixture.h"
#include "common/ConverterFrame.h"
#include "common/EventLogFile.h"
#include "link/SerialPort.h"

#include <utility>

namespace vatrel::testing {

// A serial line in memory: what the converter "sends" is queued in `incoming` and handed out whole
// by the next read; every byte the engine writes lands in `written`.
class FakePort : public SerialPort {
public:
    bool open(int n, const QString& dataDir) override {
        ++openCalls;
        lastNumber = n;
        lastDataDir = dataDir;
        m_open = openSucceeds;
        m_failed = false;
        return m_open;
    }
    void close() override {
        if (m_open) ++closeCalls;
        m_open = false;
    }
    bool isOpen() const override { return m_open; }
    QByteArray readAvailable() override {
        ++reads;
        if (vanishOnNextRead) {
            vanishOnNextRead = false;
            vanish();
            return {};
        }
        QByteArray out;
        out.swap(incoming);
        return out;
    }
    bool writeByte(char byte) override {
        ++writeCalls;
        if (!m_open || failWrites || (failAfter >= 0 && written.size() >= failAfter)) return false;
        written.append(byte);
        return true;
    }

    bool takeFailure() override { return std::exchange(m_failed, false); }
    // The device disappears: the port closes itself, as on a read error.
    void vanish() {
        m_open = false;
        m_failed = true;
    }

    QByteArray incoming;
    QByteArray written;
    bool openSucceeds = true;
    bool failWrites = false;
    qsizetype failAfter = -1; // fail every write once this many bytes went out
    bool vanishOnNextRead = false;
    int openCalls = 0;
    int closeCalls = 0;
    int reads = 0;
    int writeCalls = 0;
    int lastNumber = 0;
    QString lastDataDir;

private:
    bool m_open = false;
    bool m_failed = false;
};

class LinkFixture : public ConsoleFixture {
public:
    LinkFixture() : ConsoleFixture({"QReport"}) {
        c.port = &port;
        now = QDateTime(QDate(2025, 4, 14), QTime(10, 0, 0)); // Monday
    }

    // Events in today's log file, decoded record by record.
    QList<LoggedEvent> dailyEvents() const {
        return readEventFile(file(QStringLiteral("QReport/14.04.2025")));
    }
    int eventCount(int code) const {
        int n = 0;
        for (const auto& e : dailyEvents())
            n += e.code == code;
        return n;
    }

    FakePort port;
};

} // namespace vatrel::testing
