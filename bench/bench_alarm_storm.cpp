// Alarm storm: a converter pushing status reports at the full line rate, every report changing a
// loop or the state of one of 200 armed type B sensors, so every report logs an event (and most
// raise an alarm) into real files. One iteration is one second of line traffic: at 115200 baud
// with 10 bits per character a 89-character layout-2 report leaves room for about 130 a second.
// The figure to watch is CPU time per iteration (target: well under 20 ms).
#include "QuietUi.h"
#include "link/Frame.h"
#include "link/StatusDecoder.h"
#include "registry/Console.h"

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

QByteArray reportText(quint16 number, quint8 statusByte, float base) {
    std::vector<quint16> w{0x0141, 0, number, 2, statusByte};
    for (int v = 0; v < 4; ++v) {
        const quint32 bits = std::bit_cast<quint32>(base + float(v));
        for (int i = 0; i < 4; ++i)
            w.push_back(quint16((bits >> (8 * i)) & 0xFF));
    }
    w.push_back(frame::checksum(w.data(), int(w.size())));
    const QByteArray f = frame::encode('~', w.data(), int(w.size()));
    return f.mid(1, f.size() - 3);
}

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

    bench::QuietUi ui;
    auto c = std::make_unique<Console>();
    c->data_dir = dir.path();
    c->ui = &ui;
    const QDateTime fixed(QDate(2024, 3, 15), QTime(12, 0, 0));
    c->clock = [fixed] { return fixed; };
    for (int s = 0; s < kSlots; ++s) {
        SensorRecord& r = c->sensors[size_t(s)];
        r.factory_number = quint32(1000 + s);
        r.sensor_type = 1;
        r.slot_index = qint16(s);
        r.loop1_armed = r.loop2_armed = 1;
        r.link_up = 1;
        c->slot_online[size_t(s)] = 1;
        c->SensorRowStyles[size_t(s)].background = colours::green;
    }

    // Per sensor, a cycle in which every step is one change: loop 1 in alarm and back, loop 2 in
    // alarm and back, a fault and back to standby.
    const quint8 cycle[] = {0x80, 0x00, 0x40, 0x00, 0x04, 0x00};
    constexpr int kCycle = int(sizeof cycle);
    std::vector<QByteArray> reports;
    for (int step = 0; step < kCycle; ++step)
        for (int s = 0; s < kSlots; ++s)
            reports.push_back(reportText(quint16(1000 + s), cycle[step], float(step)));

    size_t next = 0;
    qint64 dispatched = 0;
    for (auto _ : state) {
        for (int i = 0; i < kReportsPerSecond; ++i) {
            const QByteArray& r = reports[next];
            DispatchReport(*c, r.constData(), int(r.size()), 0x41);
            next = (next + 1) % reports.size();
        }
        dispatched += kReportsPerSecond;
    }

    const qint64 daily = recordsIn(dir.path() + QStringLiteral("/QReport"));
    const qint64 own = recordsIn(dir.path() + QStringLiteral("/VatrelB_mess"));
    state.counters["reports"] = double(dispatched);
    state.counters["daily_records"] = double(daily);
    state.counters["sensor_records"] = double(own);
    state.counters["alarms"] = double(c->alarms.alarm_total);
    if (daily != dispatched || own != dispatched || ui.messages != 0)
        state.SkipWithError("events missing from the log files");
}

} // namespace

BENCHMARK(BM_AlarmStorm)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK_MAIN();
