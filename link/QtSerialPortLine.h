// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "link/SerialPort.h"

#include <QSerialPort>

namespace vatrel {

// The serial line on a real device through QSerialPort. Port n opens <dataDir>/dev/COM<n> when that
// entry exists (a symlink to a USB adapter or a simulator's pseudo-terminal), /dev/ttyS<n-1>
// otherwise. Reads never wait; a read or resource error closes the port at once, so a device that
// vanished is not polled again until the port is reopened. Incoming bytes wake nothing: they stay
// with the driver until the receive pass reads them.
class QtSerialPortLine : public SerialPort {
public:
    QtSerialPortLine();
    ~QtSerialPortLine() override;

    bool open(int n, const QString& dataDir) override;
    void close() override;
    bool isOpen() const override;
    QByteArray readAvailable() override;
    bool writeByte(char byte) override;
    bool takeFailure() override;
    void moveToThread(QThread* thread) override { m_port.moveToThread(thread); }

    // The device path port n maps to.
    static QString devicePath(int n, const QString& dataDir);
    // Line settings as applied (for checks: a pseudo-terminal does not report them back).
    const QSerialPort& serialPort() const { return m_port; }

private:
    void quietReadWatch();

    QSerialPort m_port;
    bool m_failed = false;
};

} // namespace vatrel
