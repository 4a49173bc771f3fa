// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "link/SerialPort.h"

namespace vatrel::bench {

// A serial port that never opens: the console runs as with no converter attached.
class NoPort : public SerialPort {
public:
    bool open(int, const QString&) override { return false; }
    void close() override {}
    bool isOpen() const override { return false; }
    QByteArray readAvailable() override { return {}; }
    bool writeByte(char) override { return false; }
};

} // namespace vatrel::bench
