// SPDX-License-Identifier: GPL-3.0-or-later
// The shift report on a data folder of 200 sensors with 30 days of logs: 10,000 records per sensor
// log and the same 2,000,000 events in the day logs (about 67,000 a day), an acknowledgement after
// every 50th alarm, a duty change 6 hours before the end. Prints the time of a report and its counts,
// and, where the windows are built, the time of writing it as a PDF the way the window prints it.
// The folder is generated when it has no sensor logs yet and kept for the next run.
//   bench_shift_report [FOLDER]   (default /tmp/vatrel-shift-bench)
#include "registry/Clock.h"
#include "registry/DateTime.h"
#include "registry/EventCatalogue.h"
#include "registry/EventJournal.h"
#include "registry/LogFolders.h"
#include "registry/LogReader.h"
#include "registry/Records.h"
#include "registry/SensorTable.h"
#include "registry/ShiftReport.h"

#if VATREL_BENCH_PRINT
#include "dialogs/ReportPrinter.h"

#include <QApplication>
#include <QPrinter>
#endif
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <algorithm>
#include <memory>

using namespace vatrel;

namespace {

constexpr int kSensors = 200;
constexpr int kRecordsPerSensor = 10000;
constexpr int kDays = 30;

constexpr EventCode kTurn[] = {
    EventCode::LoopAlarm1,  EventCode::LoopNormal1, EventCode::LoopAlarm2,     EventCode::LoopNormal2,
    EventCode::ArmLoop1,    EventCode::DisarmLoop1, EventCode::LinkLostSensor, EventCode::LinkRestoredSensor,
    EventCode::EepromError, EventCode::SensorNormal};

quint32 numberOf(int s) { return quint32(1000 + s); }

bool generate(const QString& dir, double now) {
    if (!QDir().mkpath(dir + QStringLiteral("/VatrelA_mess")) ||
        !QDir().mkpath(dir + QStringLiteral("/VatrelB_mess")) ||
        !QDir().mkpath(dir + QStringLiteral("/QReport")))
        return false;
    std::vector<std::unique_ptr<QFile>> sensorLogs;
    for (int s = 0; s < kSensors; ++s) {
        auto f =
            std::make_unique<QFile>(dir + QLatin1Char('/') + sensorLogFragment(numberOf(s), qint16(s % 2)));
        if (!f->open(QIODevice::WriteOnly)) return false;
        sensorLogs.push_back(std::move(f));
    }
    QFile day;
    QDate dayOpen;
    auto toDay = [&](const EventRecord& r) {
        const QDate d = fromDays(r.time).date();
        if (d != dayOpen) {
            day.close();
            day.setFileName(dir + QLatin1Char('/') + dailyLogFragment(d));
            if (!day.open(QIODevice::WriteOnly)) return false;
            dayOpen = d;
        }
        return day.write(r.encode()) == EventRecord::kSize;
    };
    const qint64 total = qint64(kSensors) * kRecordsPerSensor;
    const double step = double(kDays) / double(total);
    bool dutyLogged = false;
    qint64 alarms = 0;
    for (qint64 i = 0; i < total; ++i) {
        const int s = int(i % kSensors);
        const EventCode e = kTurn[size_t(i / kSensors) % std::size(kTurn)];
        EventRecord r;
        r.factory_number = numberOf(s);
        r.time = now - kDays + step * (double(i) + 0.5);
        r.code = storedCode(e);
        r.text = eventText(e, r.factory_number, qint16(s % 2));
        if (!dutyLogged && r.time >= now - 0.25) {
            EventRecord duty{1, 0, r.time, storedCode(EventCode::ShiftChange),
                             QStringLiteral("Смена: дежурный Иванов")};
            if (!toDay(duty)) return false;
            dutyLogged = true;
        }
        if (sensorLogs[size_t(s)]->write(r.encode()) != EventRecord::kSize || !toDay(r)) return false;
        if (inFilter(e, LogFilter::Alarms) && ++alarms % 50 == 0) {
            EventRecord ack{
                1, 0, r.time + 1.0 / 86400, storedCode(EventCode::AlarmAcknowledged),
                QStringLiteral("Подтверждение тревоги: %1 (%2). Причина: проверка. Оператор: Иванов")
                    .arg(r.text, fromDays(r.time).time().toString(QStringLiteral("HH:mm:ss")))};
            if (!toDay(ack)) return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
#if VATREL_BENCH_PRINT
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    const QString dir =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/vatrel-shift-bench");
    double now = Clock().now();
    if (sensorLogFiles(dir).empty()) {
        std::printf("generating %d sensors x %d records and their day logs in %s\n", kSensors,
                    kRecordsPerSensor, qPrintable(dir));
        QElapsedTimer t;
        t.start();
        if (!generate(dir, now)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(dir));
            return 1;
        }
        std::printf("generated in %.1f s\n", double(t.elapsed()) / 1000.0);
    } else {
        // The report at the end of the generated logs, whenever it runs: the last day log's last record.
        const std::vector<QDate> days = dailyLogDays(dir);
        QFile last(days.empty() ? QString() : dir + QLatin1Char('/') + dailyLogFragment(days.back()));
        if (!last.open(QIODevice::ReadOnly) || !last.seek(last.size() - EventRecord::kSize)) return 1;
        now = recordTime(last.read(EventRecord::kSize).constData());
    }
    SensorTable table;
    for (int s = 0; s < kSensors; ++s) {
        table.record(s).factory_number = numberOf(s);
        table.record(s).sensor_type = qint16(s % 2);
        table.record(s).loop1_armed = quint8(s % 3 != 0);
        table.record(s).loop2_armed = 1;
    }
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer t;
        t.start();
        const std::optional<ShiftReport> r =
            buildShiftReport({dir, now, loopsOffGuard(table), QStringLiteral("Иванов"), {}});
        const qint64 ms = t.elapsed();
        if (!r) return 1;
        const ShiftReportTable table2 = shiftReportTable(*r);
        const auto acknowledged =
            std::count_if(r->alarms.begin(), r->alarms.end(), [](const ShiftReport::Alarm& a) {
                return a.outcome == ShiftReport::Outcome::Acknowledged;
            });
        std::printf(
            "report: %5lld ms (table %lld ms), %zu duty changes, %zu alarms (%lld acknowledged), %zu off "
            "guard, %zu busiest, %d rows, %lld problems\n",
            qint64(ms), qint64(t.elapsed() - ms), r->dutyChanges.size(), r->alarms.size(),
            qint64(acknowledged), r->offGuard.size(), r->busiest.size(), table2.grid.rowCount(),
            qint64(r->problems.size()));
#if VATREL_BENCH_PRINT
        if (run == 0) {
            QPrinter pdf(QPrinter::HighResolution);
            pdf.setOutputFormat(QPrinter::PdfFormat);
            pdf.setOutputFileName(dir + QStringLiteral("/shift.pdf"));
            ReportPrintSettings settings;
            settings.titles = r->titles();
            settings.fitToPage = true;
            QElapsedTimer p;
            p.start();
            if (!printReport(pdf, settings, table2.grid, table2.styles, QDateTime::currentDateTime()))
                return 1;
            std::printf("PDF of %d rows: %lld ms\n", table2.grid.rowCount(), qint64(p.elapsed()));
        }
#endif
    }
    return 0;
}
