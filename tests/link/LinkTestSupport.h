// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared pieces of the link tests: converter frames built by hand, and a console over a temporary
// data folder with a pinned clock and the in-memory serial line.
#include "common/ConsoleFixture.h"
#include "common/ConverterFrame.h"
#include "common/EventLogFile.h"
#include "common/FakeSerialPort.h"

namespace vatrel::testing {

class LinkFixture : public ConsoleFixture {
public:
    LinkFixture() : ConsoleFixture({"QReport"}) {
        c.link.attachPort(&port);
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
