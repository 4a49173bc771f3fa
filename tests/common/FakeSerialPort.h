// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one in-memory serial line of the tests. tests/link/tst_serialportcontract.cpp holds it to the
// same rules as the real port on a pseudo-terminal.
#include "link/SerialPort.h"

#include <utility>

namespace vatrel::testing {

// What the converter "sends" is queued in `incoming` and handed out whole by the next read of an
// open port; every byte the engine writes lands in `written`.
class FakePort : public SerialPort {
public:
    enum class Device { Present, Missing };
    explicit FakePort(Device device = Device::Present) : openSucceeds(device == Device::Present) {}

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
        }
        if (!m_open) return {};
        return std::exchange(incoming, QByteArray());
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
    bool openSucceeds;
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

} // namespace vatrel::testing
