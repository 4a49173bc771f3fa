// SPDX-License-Identifier: GPL-3.0-or-later
// The type B oscilloscope tab under a line full of samples, run by hand on a real display (Xvfb):
//
//   bench_oscilloscope [seconds=30] [samples per second=75] [window=500]
//
// The console runs its own timers and engine on an in-memory line that delivers oscillogram sample
// reports at the given rate (about 75 a second fill a 115200 baud line). It prints the process's CPU
// share (user + system time from /proc/self/stat over wall time) and the longest time the GUI thread
// spent on one event, which is the longest the operator would wait for the window to react.
#include "app/ConsoleWindows.h"
#include "app/MainWindow.h"
#include "common/ConverterFrame.h"
#include "common/DataFiles.h"
#include "link/Engine.h"
#include "link/Oscilloscope.h"
#include "link/SerialPort.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <unistd.h>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

qint64 threadCpuNs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

// Times every event the GUI thread handles at the outermost level: in wall time (what the operator
// waits, including time the machine gave to other processes) and in this thread's own processor time.
class TimedApp : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        if (m_depth++ > 0) {
            const bool r = QApplication::notify(receiver, event);
            --m_depth;
            return r;
        }
        QElapsedTimer t;
        t.start();
        const qint64 cpu0 = threadCpuNs();
        const QEvent::Type type = event->type();
        const QByteArray what = QByteArray(receiver->metaObject()->className()) + " \"" +
                                receiver->objectName().toUtf8() + "\" event " + QByteArray::number(int(type));
        const bool r = QApplication::notify(receiver, event);
        --m_depth;
        const qint64 ns = t.nsecsElapsed();
        const qint64 cpuNs = threadCpuNs() - cpu0;
        if (measuring) {
            if (ns > 20'000'000) ++over20ms;
            if (ns > longestNs) {
                longestNs = ns;
                longestWhat = what;
            }
            if (cpuNs > longestCpuNs) {
                longestCpuNs = cpuNs;
                longestCpuWhat = what;
            }
        }
        return r;
    }
    bool measuring = false;
    qint64 longestNs = 0;
    qint64 longestCpuNs = 0;
    QByteArray longestCpuWhat;
    int over20ms = 0;
    QByteArray longestWhat;

private:
    int m_depth = 0;
};

// A converter that only streams oscillogram samples of sensor 1001, on time.
class SampleLine : public SerialPort {
public:
    explicit SampleLine(int rate) : m_periodMs(1000.0 / rate) { m_clock.start(); }
    bool open(int, const QString&) override { return m_open = true; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    bool writeByte(char) override { return true; }
    QByteArray readAvailable() override {
        QByteArray out;
        if (!streaming) return out;
        const double now = double(m_clock.nsecsElapsed()) / 1e6;
        while (m_next <= now) {
            const double t = double(sent) / 20.0;
            const float s1 = float(300 + 120 * std::sin(t * 2.1) + 40 * std::sin(t * 13.0));
            const float s2 = float(280 + 100 * std::sin(t * 1.7 + 1) + 30 * std::sin(t * 11.0));
            out += typeBSampleReport(1001, {400, 420, s1, s2, s1 + 60, s2 + 50, 100, 110});
            ++sent;
            m_next += m_periodMs;
        }
        return out;
    }
    void startStreaming() {
        m_next = double(m_clock.nsecsElapsed()) / 1e6;
        streaming = true;
    }
    bool streaming = false;
    qint64 sent = 0;

private:
    QElapsedTimer m_clock;
    double m_periodMs;
    double m_next = 0;
    bool m_open = false;
};

double cpuSeconds() {
    QFile f(QStringLiteral("/proc/self/stat"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray line = f.readAll();
    // Fields after the command name in parentheses; utime and stime are fields 14 and 15.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) return -1;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

} // namespace

int main(int argc, char* argv[]) {
    TimedApp app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds = args.size() > 1 ? args[1].toInt() : 30;
    const int rate = args.size() > 2 ? args[2].toInt() : 75;
    const int window = args.size() > 3 ? args[3].toInt() : 500;
    if (seconds <= 0 || rate <= 0 || window < 100 || window > 5000) {
        std::fprintf(stderr, "usage: bench_oscilloscope [seconds] [samples per second] [window 100-5000]\n");
        return 2;
    }

    QTemporaryDir dir;
    QDir d(dir.path());
    for (const char* sub : {"data", "QReport", "VatrelA", "VatrelB", "VatrelA_mess", "VatrelB_mess"})
        d.mkpath(QString::fromLatin1(sub));
    QList<SensorSpec> sensors;
    for (int s = 0; s < 12; ++s)
        sensors.append({s, quint32(1001 + s), 1, 1, 0, 0});
    writeFile(d.filePath(QStringLiteral("data/hw.dat")), hwFile(sensors));
    for (const SensorSpec& s : sensors)
        writeFile(d.filePath(QStringLiteral("VatrelB/%1").arg(s.number)), settingsRecord(s));
    QDir::setCurrent(dir.path());

    Console c;
    SampleLine line(rate);
    c.link.attachPort(&line);
    ConsoleWindows windows(c);
    windows.ui()->setRefreshInterval(100); // as in the console
    MainWindow* w = windows.mainWindow();
    // The converter is up and the map is over; no polls, so only samples travel.
    windows.door()->timers()->findChild<QTimer*>(QStringLiteral("Timer1"))->stop();
    c.link.setState(ConverterState::Up);
    c.link.setMapPosition(kSlots);
    setFlank1Window(c.scope, c.notices, QString::number(window));
    setFlank2Window(c.scope, c.notices, QString::number(window));
    for (int s = 0; s < 12; ++s)
        c.sensors.record(s).link_up = 1;
    oscillogramStarted(c.sensors, c.osc, c.scope, c.notices, 0);
    w->show();
    auto* tabs = w->findChild<QTabWidget*>(QStringLiteral("PageControl2"));
    tabs->setCurrentWidget(w->findChild<QWidget*>(QStringLiteral("TabSheet2")));

    // A second to settle (first paint, fonts), then the measured run.
    QElapsedTimer wall;
    double cpuStart = 0;
    QTimer::singleShot(1000, &app, [&] {
        line.startStreaming();
        app.measuring = true;
        cpuStart = cpuSeconds();
        wall.start();
    });
    QTimer::singleShot(1000 + seconds * 1000, &app, [&] {
        app.measuring = false;
        const double cpu = cpuSeconds() - cpuStart;
        const double elapsed = double(wall.nsecsElapsed()) / 1e9;
        const FlankTrace& t = c.scope.flank(0);
        std::printf(
            "run %.1f s, %d samples/s asked, %lld sent, %u plotted, window %d, %d points on the chart\n",
            elapsed, rate, qlonglong(line.sent), t.sample_counter, window, t.size());
        std::printf("CPU share: %.1f %% of one core (%.2f s user+system)\n", 100.0 * cpu / elapsed, cpu);
        std::printf("longest GUI event: %.1f ms (%s)\n", double(app.longestNs) / 1e6,
                    app.longestWhat.constData());
        std::printf("longest GUI event in processor time: %.1f ms (%s)\n", double(app.longestCpuNs) / 1e6,
                    app.longestCpuWhat.constData());
        std::printf("GUI events over 20 ms: %d\n", app.over20ms);
        std::printf("checksum errors: %d\n", c.link.counters().KS_ERR.value);
        QCoreApplication::exit(0); // not quit(): that would ask the operator about closing
    });
    const int rc = TimedApp::exec();
    c.link.attachPort(nullptr);
    QDir::setCurrent(QDir::tempPath());
    return rc;
}
