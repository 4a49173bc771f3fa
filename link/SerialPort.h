// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QString>

class QThread;

namespace vatrel {

// The serial line to the bus converter as the engine sees it. The real implementation is
// QtSerialPortLine; tests use a pseudo-terminal or an in-memory fake.
class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Opens port number n (1 … 71) at 115200 baud, 7 data bits, odd parity, 1 stop bit.
    virtual bool open(int n, const QString& dataDir) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Everything the line holds now, without waiting. A read error closes the port.
    virtual QByteArray readAvailable() = 0;
    // One byte, synchronously; false when the write failed.
    virtual bool writeByte(char byte) = 0;
    // True once after the port closed itself on an error (the device vanished), whether that
    // happened during a read or between reads; the next open clears it.
    virtual bool takeFailure() { return false; }
    // The line is driven from `thread` from now on (the core's own thread in the running program);
    // called from the thread that drives it until now.
    virtual void moveToThread(QThread* /*thread*/) {}
};

} // namespace vatrel
