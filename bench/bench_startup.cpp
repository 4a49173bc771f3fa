// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up to a drawn sensor table with every slot occupied, run by hand:
//   bench_startup [folder] [runs]
// The folder (default <temp>/vatrel_startup_bench) is made on the first run: 200 sensors, each with a
// settings file of 1,000 records and a sensor log of 100,000 records, and a day log of 100,000.
// The logs are sparse files but for their first and last records: start-up never reads them, and
// 6.5 GB of written logs would only measure the disk. Each run builds the windows afresh (the start-up
// loading runs in the main window's creation) and times it until the sensor table's first paint is
// done. Run it under the display the console uses (DISPLAY=… or QT_QPA_PLATFORM=offscreen).
#include "app/ConsoleWindows.h"
#include "app/MainWindow.h"
#include "bench/NoPort.h"
#include "core/Console.h"
#include "registry/DateTime.h"
#include "registry/EventCatalogue.h"
#include "registry/Records.h"
#include "sim/DemoFolder.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vatrel;
using vatrel::bench::NoPort;

namespace {

// Notes when a widget's paint event has been handled.
class PaintWatch : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted = true;
        return false;
    }
};

EventRecord sampleEvent(quint32 number, double time) {
    EventRecord e;
    e.mark = 1;
    e.factory_number = number;
    e.time = time;
    e.code = storedCode(EventCode::SensorNormal);
    e.text = QStringLiteral("Норма");
    return e;
}

// A log of `records` records: real ones at both ends, a sparse stretch of zeros between.
bool writeLog(const QString& path, quint32 number, qint64 records, double now) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    const QByteArray rec = sampleEvent(number, now).encode();
    f.write(rec);
    if (!f.resize((records - 1) * rec.size())) return false;
    f.seek((records - 1) * rec.size());
    return f.write(rec) == rec.size();
}

bool makeFolder(const QString& dir) {
    QString error;
    if (!sim::initDemo(dir, &error, 200)) {
        std::fprintf(stderr, "bench_startup: %s\n", qPrintable(error));
        return false;
    }
    const double now = toDays(QDateTime::currentDateTime());
    for (int slot = 0; slot < 200; ++slot) {
        const sim::DemoSensor d = sim::demoSensor(slot);
        const QString name = QString::number(d.factory_number);
        const QString sub = d.sensor_type != 0 ? QStringLiteral("VatrelB") : QStringLiteral("VatrelA");
        // The settings file: 999 older records ahead of the one the demo wrote.
        QFile settings(dir + QLatin1Char('/') + sub + QLatin1Char('/') + name);
        if (!settings.open(QIODevice::ReadWrite)) return false;
        const QByteArray last = settings.readAll();
        QByteArray all;
        all.reserve(last.size() * 1000);
        for (int i = 0; i < 1000; ++i)
            all += last;
        settings.seek(0);
        if (settings.write(all) != all.size()) return false;
        settings.close();
        if (!writeLog(dir + QLatin1Char('/') + sub + QStringLiteral("_mess/") + name, d.factory_number,
                      100000, now))
            return false;
    }
    return writeLog(dir + QStringLiteral("/QReport/") +
                        QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy")),
                    0, 100000, now);
}

} // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceLaunch;
    sinceLaunch.start();
    QApplication app(argc, argv);
    const qint64 appMs = sinceLaunch.elapsed();
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                 : QDir::temp().filePath(QStringLiteral("vatrel_startup_bench"));
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    if (!QFile::exists(dir + QStringLiteral("/data/hw.dat"))) {
        QElapsedTimer t;
        t.start();
        if (!makeFolder(dir)) return 1;
        std::printf("folder %s made in %lld ms\n", qPrintable(dir), static_cast<long long>(t.elapsed()));
    }
    QDir::setCurrent(dir);
    std::printf("QApplication up in %lld ms (%s)\n", static_cast<long long>(appMs),
                qPrintable(QGuiApplication::platformName()));

    std::vector<qint64> times;
    for (int run = 0; run < runs; ++run) {
        Console c;
        NoPort port;
        c.link.attachPort(&port);
        QElapsedTimer t;
        t.start();
        ConsoleWindows windows(c);
        const qint64 createdMs = t.elapsed();
        auto* grid = windows.mainWindow()->findChild<QTableView*>(QStringLiteral("StringGrid1"));
        PaintWatch watch;
        grid->viewport()->installEventFilter(&watch);
        windows.mainWindow()->show();
        while (!watch.painted && t.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        const qint64 drawnMs = t.elapsed();
        int occupied = 0;
        for (const SensorRecord& r : c.sensors.records())
            occupied += r.factory_number != 0;
        std::printf(
            "run %d: windows and start-up loading %lld ms, sensor table drawn at %lld ms (%d sensors)\n",
            run + 1, static_cast<long long>(createdMs), static_cast<long long>(drawnMs), occupied);
        times.push_back(watch.painted ? drawnMs : -1);
        windows.mainWindow()->hide();
    }
    std::sort(times.begin(), times.end());
    std::printf("median to a drawn table: %lld ms\n", static_cast<long long>(times[times.size() / 2]));
    return 0;
}
