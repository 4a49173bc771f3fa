// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "feed/FeedConfig.h"
#include "registry/FeedSink.h"

#include <memory>

namespace vatrel {

// Publishes the console's events, sensor states and converter link to an MQTT broker, for a
// central room that watches several consoles. Read-only: it subscribes to nothing that could
// change the console.
//
// The core's thread only copies what changed into a bounded queue (events) or a per-slot table
// (sensor rows, latest wins) and wakes the feed's own thread. That thread writes every event to the
// spool first, then publishes it with QoS 1 in sequence order; after a lost connection it starts
// again from the first event the broker has not acknowledged, so a consumer sees every event at
// least once and can drop repeats by `seq`.
class SiteFeed final : public FeedSink {
public:
    enum class State {
        Connecting,
        Online,
        Refused,     // the broker answered and refused (name, password, rights)
        Unreachable, // no connection could be made, or it was lost
        NoAnswer,    // connected, but no answer to the connect request
        TlsFailed,
        Stopped,
        BadSettings, // data/mqtt.ini cannot be used: never connects (events are still kept)
    };

    // Null when <dataDir>/data/mqtt.ini does not exist: the feed is off.
    static std::unique_ptr<SiteFeed> fromDataFolder(const QString& dataDir);

    SiteFeed(const FeedConfig& config, const QString& dataDir);
    ~SiteFeed() override;
    SiteFeed(const SiteFeed&) = delete;
    SiteFeed& operator=(const SiteFeed&) = delete;

    void eventLogged(const EventRecord& rec, int sensorType) override;
    void sensorChanged(int slot, const SensorRecord& record, const SensorRow& row) override;
    void converterChanged(const ConverterNotice& now) override;
    QString statusText() const override;
    qint64 spooledEvents() const override;
    QString settingsProblem() const override;

    State state() const;
    const FeedConfig& config() const;
    // Events the bounded queue had to refuse (the feed's thread fell that far behind).
    qint64 droppedEvents() const;

    // Delivers what it can within `flushMs`, announces "offline" and disconnects. What is still
    // undelivered stays in the spool for the next run. Also done by the destructor.
    void stop(int flushMs = 2000);

    static constexpr int kQueueLimit = 20000;

private:
    struct Worker;
    std::unique_ptr<Worker> m_w;
};

} // namespace vatrel
