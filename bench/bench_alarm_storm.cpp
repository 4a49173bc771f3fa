// SPDX-License-Identifier: GPL-3.0-or-later
// Alarm storm: a converter pushing status reports at the full line rate, every report changing a
// loop or the state of one of 200 armed type B sensors, so every report logs an event (and most
// raise an alarm) into real files. One iteration is one second of line traffic: at 115200 baud
// with 10 bits per character a 89-character layout-2 report leaves room for about 130 a second.
// The figure to watch is CPU time per iteration (target: well under 20 ms).
#include "registry/QuietConsoleUi.h"
#include "StormConsole.h"
#include "link/Frame.h"
#include "link/ReportDecoder.h"
#include "core/Console.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <bit>
#include <vector>

using namespace vatrel;

namespace {

constexpr int kReportsPerSecond = 130;
constexpr int kEventSize = 328;

qint64 recordsIn(const QString& dirPath) {
    qint64 bytes = 0;
    for (const QFileInfo& fi : QDir(dirPath).entryInfoList(QDir::Files))
        bytes += fi.size();
    return bytes / kEventSize;
}

void BM_AlarmStorm(benchmark::State& state) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("QReport"));
    QDir(dir.path()).mkpath(QStringLiteral("VatrelA_mess"));
    QDir(dir.path()).mkpath(QStringLiteral("VatrelB_mess"));

    QuietConsoleUi ui;
    auto c = bench::stormConsole(dir.path(), ui);
    const std::vector<QByteArray> reports = bench::stormReports();

    size_t next = 0;
    qint64 dispatched = 0;
    for (auto _ : state) {
        for (int i = 0; i < kReportsPerSecond; ++i) {
            const QByteArray& r = reports[next];
            c->decoder().decode(r.constData(), int(r.size()), 0x41);
            next = (next + 1) % reports.size();
        }
        dispatched += kReportsPerSecond;
    }

    const qint64 daily = recordsIn(dir.path() + QStringLiteral("/QReport"));
    const qint64 own = recordsIn(dir.path() + QStringLiteral("/VatrelB_mess"));
    state.counters["reports"] = double(dispatched);
    state.counters["daily_records"] = double(daily);
    state.counters["sensor_records"] = double(own);
    state.counters["alarms"] = double(c->alarms.total());
    if (daily != dispatched || own != dispatched || ui.messages != 0)
        state.SkipWithError("events missing from the log files");
}

} // namespace

BENCHMARK(BM_AlarmStorm)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK_MAIN();
