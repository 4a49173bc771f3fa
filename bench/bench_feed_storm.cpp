// SPDX-License-Identifier: GPL-3.0-or-later
// What the site feed costs the GUI thread: the alarm storm of bench_alarm_storm (a converter at the
// full line rate, every report changing one of 200 armed type B sensors, so every report logs an
// event and changes a sensor row) run three ways: feed off, feed on to a local mosquitto, and feed
// on while the broker cannot be reached (everything goes to the spool). One iteration is one second
// of line traffic. The figure to compare is CPU time, which Google Benchmark takes for the calling
// (GUI) thread only; the feed's own thread is not in it. Target: feed on within 10 % of feed off.
#include "registry/QuietConsoleUi.h"
#include "StormConsole.h"
#include "feed/MqttBroker.h"
#include "feed/SiteFeed.h"
#include "link/Frame.h"
#include "link/ReportDecoder.h"
#include "core/Console.h"
#include "registry/EventCatalogue.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <bit>
#include <chrono>
#include <thread>
#include <vector>

using namespace vatrel;

namespace {

constexpr int kReportsPerSecond = 130;

enum Mode { FeedOff = 0, FeedOnline = 1, FeedSpooling = 2 };

// `pace`: zero runs the seconds of traffic back to back (the feed's thread then works flat out
// beside the GUI thread, on a machine of two cores); otherwise each second of traffic is given
// `pace` of wall time, with the clock stopped while waiting, so the feed keeps up as it would
// at the line rate.
void runStorm(benchmark::State& state, std::chrono::milliseconds pace) {
    const Mode mode = Mode(state.range(0));
    QTemporaryDir dir;
    for (const char* sub : {"data", "QReport", "VatrelA_mess", "VatrelB_mess"})
        QDir(dir.path()).mkpath(QString::fromLatin1(sub));

    testing::MqttBroker broker;
    std::unique_ptr<SiteFeed> feed;
    if (mode != FeedOff) {
        int port = testing::freePort();
        if (mode == FeedOnline) {
            if (!broker.start()) {
                state.SkipWithError("mosquitto did not start");
                return;
            }
            port = broker.port();
        }
        FeedConfig cfg;
        cfg.port = port;
        cfg.site = QStringLiteral("bench");
        cfg.prefix = QStringLiteral("vatrel/bench");
        feed = std::make_unique<SiteFeed>(cfg, dir.path());
        if (mode == FeedOnline) {
            for (int i = 0; i < 100 && feed->state() != SiteFeed::State::Online; ++i)
                QThread::msleep(50);
            if (feed->state() != SiteFeed::State::Online) {
                state.SkipWithError("the feed did not connect");
                return;
            }
        }
    }

    QuietConsoleUi ui;
    auto c = bench::stormConsole(dir.path(), ui);
    c->feed = feed.get();
    const std::vector<QByteArray> reports = bench::stormReports();

    size_t next = 0;
    qint64 dispatched = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kReportsPerSecond; ++i) {
            const QByteArray& r = reports[next];
            c->decoder().decode(r.constData(), int(r.size()), 0x41);
            next = (next + 1) % reports.size();
        }
        dispatched += kReportsPerSecond;
        if (pace.count() > 0) {
            state.PauseTiming();
            std::this_thread::sleep_until(start + pace);
            state.ResumeTiming();
        }
    }
    state.counters["reports"] = double(dispatched);
    if (feed) {
        // Let the feed catch up, then say how far behind it was and whether it dropped anything.
        state.counters["spooled_at_end"] = double(feed->spooledEvents());
        for (int i = 0; i < 600 && mode == FeedOnline && feed->spooledEvents() > 0; ++i)
            QThread::msleep(50);
        state.counters["undelivered"] = double(feed->spooledEvents());
        state.counters["dropped"] = double(feed->droppedEvents());
        c->feed = nullptr;
        feed.reset();
    }
}

void BM_FeedStorm(benchmark::State& state) { runStorm(state, std::chrono::milliseconds(0)); }
// Ten times the line rate: a second of traffic every 100 ms.
void BM_FeedStormPaced(benchmark::State& state) { runStorm(state, std::chrono::milliseconds(100)); }

// The hand-over alone, what each logged event and changed row costs the GUI thread: one event
// and one sensor row, to a feed whose broker cannot be reached.
void BM_HandOver(benchmark::State& state) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("data"));
    FeedConfig cfg;
    cfg.port = testing::freePort();
    cfg.prefix = QStringLiteral("vatrel/bench");
    SiteFeed feed(cfg, dir.path());
    auto c = std::make_unique<Console>();
    SensorRecord& r = c->sensors.record(0);
    r.factory_number = 1000;
    r.sensor_type = 1;
    c->sensorRows.setLoop(0, 1, LoopCell::Alarm);
    c->sensorRows.setState(0, 0);
    EventRecord rec;
    rec.factory_number = 1000;
    rec.code = storedCode(EventCode::LoopAlarm1);
    rec.text = QStringLiteral("Срабатывание 1 шлейфа датчика <Ватрел-Б> № 1000");
    for (auto _ : state) {
        feed.eventLogged(rec, 1);
        feed.sensorChanged(0, c->sensors.record(0), c->sensorRows.row(0));
    }
    state.counters["dropped"] = double(feed.droppedEvents());
}

} // namespace

BENCHMARK(BM_HandOver)->Unit(benchmark::kNanosecond)->Iterations(20000);
BENCHMARK(BM_FeedStorm)
    ->ArgName("feed")
    ->Arg(FeedOff)
    ->Arg(FeedOnline)
    ->Arg(FeedSpooling)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0);
BENCHMARK(BM_FeedStormPaced)
    ->ArgName("feed")
    ->Arg(FeedOff)
    ->Arg(FeedOnline)
    ->Arg(FeedSpooling)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(100);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv); // the test broker runs through QProcess
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
