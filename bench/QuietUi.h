// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The windows' side for benchmarks: shows nothing, only counts the message boxes the core raises
// (a benchmark whose files fail must say so rather than report a figure).
#include "registry/ConsoleUi.h"

namespace vatrel::bench {

class QuietUi : public ConsoleUi {
public:
    void message(const QString&, const QString&, Icon) override { ++messages; }
    bool question(const QString&, const QString&) override { return false; }
    void changed(View) override {}
    void showAlarmWindow() override {}
    void playAlarmSound(const QString&) override {}
    void stopAlarmSound() override {}
    void converterLinkLost() override {}
    void converterLinkRestored() override {}
    int messages = 0;
};

} // namespace vatrel::bench
