// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"
#include "registry/Records.h"

#include <QString>

namespace vatrel {

// Where the core hands what a site feed publishes: every logged event, every sensor row that
// changed and the converter link, announced by the parts that changed them. The console holds at most one (null when no feed is configured).
// Every call comes from the core's thread and must return at once: an implementation only copies
// what it needs and hands it on to a thread of its own.
class FeedSink : public ChangeListener {
public:
    static constexpr int kProgramEvent = -1; // sensor type of the program's own events

    virtual ~FeedSink() = default;

    void eventLogged(const EventRecord& rec, int sensorType) override = 0;
    void sensorChanged(int slot, const SensorRecord& record, const SensorRow& row) override = 0;
    void converterChanged(const ConverterNotice& now) override = 0;

    // What the Diagnostics tab shows: the connection state and the events not yet delivered.
    virtual QString statusText() const = 0;
    virtual qint64 spooledEvents() const = 0;
    // Why the feed's settings were refused and it never connects; empty when they were taken.
    virtual QString settingsProblem() const { return {}; }
};

} // namespace vatrel
