// SPDX-License-Identifier: GPL-3.0-or-later
// The statistics count on a data folder of 200 sensors with 30 days of logs, 50,000 records each
// (10,000,000 records, 3.3 GB): the time of a 30-day, a 7-day and a 1-day count and the peak
// resident memory. The folder is generated when it has no sensor logs yet (kept for the next run and
// for `/usr/bin/time -v vatrel-log --stats FOLDER`).
// Target: the 30-day count under 2 s.
//   bench_alarm_stats [FOLDER]   (default /tmp/vatrel-stats-bench)
#include "registry/AlarmStats.h"
#include "registry/Clock.h"
#include "registry/EventCatalogue.h"
#include "registry/EventLog.h"
#include "registry/LogFolders.h"
#include "registry/Records.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>

using namespace vatrel;

namespace {

constexpr int kSensors = 200;
constexpr int kRecordsPerSensor = 50000;
constexpr int kDays = 30;

// A busy sensor's events, in turn: alarms of both loops and their returns, arming, link losses.
constexpr EventCode kTurn[] = {
    EventCode::LoopAlarm1,  EventCode::LoopNormal1, EventCode::LoopAlarm2,     EventCode::LoopNormal2,
    EventCode::ArmLoop1,    EventCode::DisarmLoop1, EventCode::LinkLostSensor, EventCode::LinkRestoredSensor,
    EventCode::EepromError, EventCode::SensorNormal};

bool generate(const QString& dir, double now) {
    for (int s = 0; s < kSensors; ++s) {
        const qint16 type = qint16(s % 2);
        const quint32 number = quint32(1000 + s);
        const QString folder =
            dir + (type ? QStringLiteral("/VatrelB_mess") : QStringLiteral("/VatrelA_mess"));
        if (!QDir().mkpath(folder)) return false;
        std::vector<QByteArray> images;
        for (EventCode e : kTurn) {
            EventRecord r;
            r.factory_number = number;
            r.code = storedCode(e);
            r.text = eventText(e, number, type);
            images.push_back(r.encode());
        }
        QByteArray out(qint64(kRecordsPerSensor) * EventRecord::kSize, '\0');
        const double step = double(kDays) / kRecordsPerSensor;
        for (int i = 0; i < kRecordsPerSensor; ++i) {
            char* p = out.data() + qint64(i) * EventRecord::kSize;
            std::memcpy(p, images[size_t(i) % images.size()].constData(), EventRecord::kSize);
            const double t = now - kDays + step * (i + 0.5);
            std::memcpy(p + 8, &t, sizeof t); // little-endian like the files
        }
        QFile f(folder + QLatin1Char('/') + QString::number(number));
        if (!f.open(QIODevice::WriteOnly) || f.write(out) != out.size()) return false;
    }
    return true;
}

long peakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString dir =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/vatrel-stats-bench");
    const double now = Clock().now();
    if (sensorLogFiles(dir).empty()) {
        std::printf("generating %d sensors x %d records in %s\n", kSensors, kRecordsPerSensor,
                    qPrintable(dir));
        QElapsedTimer t;
        t.start();
        if (!generate(dir, now)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(dir));
            return 1;
        }
        std::printf("generated in %.1f s\n", double(t.elapsed()) / 1000.0);
    }
    // The records were generated up to the moment of generation: a later run counts what is left.
    for (int days : {30, 7, 1, 30}) {
        QElapsedTimer t;
        t.start();
        const std::optional<AlarmStats> s = countLoopAlarms(dir, now, days);
        const qint64 ms = t.elapsed();
        if (!s) return 1;
        std::printf("%2d days: %6lld ms, %9lld records read, %8lld alarms, %zu sensors, peak RSS %ld kB\n",
                    days, qint64(ms), s->recordsRead, s->totalAlarms(), s->sensors.size(), peakKb());
    }
    return 0;
}
