// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/AlarmStats.h"
#include "registry/EventLog.h"
#include "registry/JobControl.h"
#include "registry/LogFolders.h"
#include "registry/LogReader.h"
#include "registry/Records.h"

#include <QFile>
#include <algorithm>
#include <cmath>

namespace vatrel {

namespace {

constexpr int kCodeOffset = 16;
constexpr int kTextOffset = 38;

QString sensorLogPath(const QString& dataDir, const SensorLogFile& s) {
    return dataDir + (s.sensor_type ? QStringLiteral("/VatrelB_mess/") : QStringLiteral("/VatrelA_mess/")) +
           QString::number(qint32(s.factory_number));
}

int hourOf(double days) {
    const double fraction = days - std::floor(days);
    // To the second first, so 13:00 stored as 0.54166… is not taken for 12:59:59.99.
    const qint64 seconds = qint64(std::llround(fraction * 86400.0));
    return int(std::clamp<qint64>(seconds / 3600, 0, 23));
}

} // namespace

qint64 AlarmStats::totalAlarms() const {
    qint64 n = 0;
    for (qint64 h : byHour)
        n += h;
    return n;
}

std::optional<AlarmStats> countLoopAlarms(const QString& dataDir, double now, int days, JobControl* control) {
    return countLoopAlarmsBetween(dataDir, now - double(days), now, control);
}

std::optional<AlarmStats> countLoopAlarmsBetween(const QString& dataDir, double from, double to,
                                                 JobControl* control) {
    AlarmStats stats;
    const std::vector<SensorLogFile> files = sensorLogFiles(dataDir);
    stats.sensors.reserve(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        if (control) {
            if (control->cancelled()) return std::nullopt;
            control->progress(qint64(i), qint64(files.size()));
        }
        SensorAlarms sensor{files[i].factory_number, files[i].sensor_type, 0, 0};
        QFile f(sensorLogPath(dataDir, files[i]));
        const qint64 first = openLogFile(f) ? firstRecordAtOrAfter(f, from) : -1;
        const qint64 whole = f.size() / EventRecord::kSize;
        bool ok = first >= 0;
        if (ok) {
            stats.recordsRead += whole - first;
            // The catalogue's alarm filter keeps the loop alarms and passes codes it does not know, which
            // are counted here; the rest of the period's records are neither.
            // Cancel is looked at between logs: one sensor's log is read in a few milliseconds.
            ok = forEachRecordImageFrom(
                f, first, LogFilter::Alarms, nullptr, [&](const char* const* images, qsizetype count) {
                    for (qsizetype k = 0; k < count; ++k) {
                        const char* p = images[k];
                        const double t = recordTime(p);
                        if (!(t >= from && t <= to)) continue;
                        const int code = qint8(p[kCodeOffset]);
                        const int loop =
                            loopAlarmLoop(code, QByteArrayView(p + kTextOffset, EventRecord::kTextSize));
                        if (loop == 1)
                            ++sensor.loop1;
                        else if (loop == 2)
                            ++sensor.loop2;
                        else if (!knownCode(code))
                            ++stats.unknownCodes;
                        if (loop) ++stats.byHour[size_t(hourOf(t))];
                    }
                });
        }
        if (!ok) {
            ++stats.unreadableFiles;
            continue;
        }
        stats.sensors.push_back(sensor);
    }
    if (control && control->cancelled()) return std::nullopt;
    std::stable_sort(stats.sensors.begin(), stats.sensors.end(),
                     [](const SensorAlarms& a, const SensorAlarms& b) { return a.total() > b.total(); });
    return stats;
}

QByteArray alarmStatsCsv(const AlarmStats& stats) {
    QByteArray out = QStringLiteral("Номер датчика;Тип;Шлейф 1;Шлейф 2;Всего\r\n").toUtf8();
    for (const SensorAlarms& s : stats.sensors) {
        out += QByteArray::number(qint32(s.factory_number)) + ';' + typeName(s.sensor_type).toUtf8() + ';' +
               QByteArray::number(s.loop1) + ';' + QByteArray::number(s.loop2) + ';' +
               QByteArray::number(s.total()) + "\r\n";
    }
    return out;
}

} // namespace vatrel
