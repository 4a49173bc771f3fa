// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Records.h"

#include <QString>

namespace vatrel {

struct Console;

// Where the core hands what a site feed publishes: every logged event, every sensor row that
// changed and the converter link. The console holds at most one (null when no feed is configured).
// Every call comes from the core's thread and must return at once: an implementation only copies
// what it needs and hands it on to a thread of its own.
class FeedSink {
public:
    static constexpr int kProgramEvent = -1; // sensor type of the program's own events

    virtual ~FeedSink() = default;

    virtual void eventLogged(const EventRecord& rec, int sensorType) = 0;
    virtual void sensorChanged(const Console& c, int slot) = 0;
    virtual void converterChanged(const Console& c) = 0;

    // What the Diagnostics tab shows: the connection state and the events not yet delivered.
    virtual QString statusText() const = 0;
    virtual qint64 spooledEvents() const = 0;
    // Why the feed's settings were refused and it never connects; empty when they were taken.
    virtual QString settingsProblem() const { return {}; }
};

} // namespace vatrel
