// SPDX-License-Identifier: GPL-3.0-or-later
// A full disk through an alarm storm: every event the 200 sensors raise is kept in memory until the
// disk takes it again. One iteration is one second of line traffic (130 status reports, each one
// event, each event a record for the sensor's log and one for the day's log) with no byte going to
// disk. The figures to watch: memory per kept record ("bytes_per_record", the records are packed)
// and CPU time per iteration; at the end the disk is freed and every kept record must reach its file.
#include "registry/QuietConsoleUi.h"
#include "StormConsole.h"
#include "link/ReportDecoder.h"
#include "registry/EventLog.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <csignal>
#include <sys/resource.h>

using namespace vatrel;

namespace {

constexpr int kReportsPerSecond = 130;

qint64 recordsIn(const QString& dirPath) {
    qint64 bytes = 0;
    for (const QFileInfo& fi : QDir(dirPath).entryInfoList(QDir::Files))
        bytes += fi.size();
    return bytes / EventRecord::kSize;
}

void BM_FullDiskStorm(benchmark::State& state) {
    QTemporaryDir dir;
    for (const char* sub : {"QReport", "VatrelA_mess", "VatrelB_mess"})
        QDir(dir.path()).mkpath(QLatin1String(sub));
    QuietConsoleUi ui;
    auto c = bench::stormConsole(dir.path(), ui);
    // Each event a little later than the one before, as in a real storm.
    QDateTime now(QDate(2024, 3, 15), QTime(12, 0, 0));
    c->clock = [&now] { return now; };
    const std::vector<QByteArray> reports = bench::stormReports();

    // The disk takes nothing: no file may grow (the signal the kernel would send is ignored).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit none = old;
    none.rlim_cur = 0;
    setrlimit(RLIMIT_FSIZE, &none);

    size_t next = 0;
    qint64 events = 0;
    for (auto _ : state) {
        for (int i = 0; i < kReportsPerSecond; ++i) {
            now = now.addMSecs(7);
            const QByteArray& r = reports[next];
            c->decoder().decode(r.constData(), int(r.size()), 0x41);
            next = (next + 1) % reports.size();
        }
        events += kReportsPerSecond;
    }
    const EventJournal& j = c->journal;
    const size_t kept = j.keptCount();
    state.counters["kept_records"] = double(kept);
    state.counters["kept_MB"] = double(j.keptBytes()) / (1024.0 * 1024.0);
    state.counters["bytes_per_record"] = kept ? double(j.keptBytes()) / double(kept) : 0.0;
    state.counters["dropped"] = double(j.dropped());

    setrlimit(RLIMIT_FSIZE, &old);
    c->journal.retryKept(c->eventLog.outlet());
    const qint64 daily = recordsIn(dir.path() + QStringLiteral("/QReport"));
    const qint64 own = recordsIn(dir.path() + QStringLiteral("/VatrelB_mess"));
    if (j.keptCount() != 0 || daily + own + qint64(j.dropped()) != 2 * events)
        state.SkipWithError("kept records did not all reach the files");
}

} // namespace

// 3000 seconds of storm: 390 000 events, 780 000 kept records.
BENCHMARK(BM_FullDiskStorm)->Unit(benchmark::kMillisecond)->Iterations(3000);
BENCHMARK_MAIN();
