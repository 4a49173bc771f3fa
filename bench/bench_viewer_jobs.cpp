// SPDX-License-Identifier: GPL-3.0-or-later
// The log viewer's long jobs while the line carries alarm reports: a 5,000,000-record day log (1.6 GB)
// exported to CSV from the viewer, and the first "Тревожные" load of it, with the receive pass
// running every 10 ms on the window thread and 200 armed sensors reporting at the line's rate.
// Printed: each job's time and records per second, the longest gap between two receive passes during
// it and the longest pass, the longest gap of an idle thread waking every 10 ms meanwhile (on a busy
// machine every thread waits, whatever the window thread does), and the longest event the window
// thread delivered. Targets: gap < 50 ms; export >= 1,000,000 records/s.
// Run by hand, on a Release build: bench_viewer_jobs [records] (default 5000000).
#include "registry/QuietConsoleUi.h"
#include "StormConsole.h"
#include "dialogs/LogViewer.h"
#include "link/Engine.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

using namespace vatrel;

namespace {

// The converter's side of the line: reports queued by the benchmark, handed out whole on each read.
class LinePort : public SerialPort {
public:
    bool open(int, const QString&) override { return m_open = true; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    QByteArray readAvailable() override { return std::exchange(incoming, {}); }
    bool writeByte(char) override { return m_open; }
    QByteArray incoming;

private:
    bool m_open = false;
};

// A log of `n` records with every kind of code, written in blocks.
bool writeLog(const QString& path, qint64 n) {
    static const int codes[] = {33, 0, 33, 0, 16, 18, 15, 32, 9, 33, 30, 2, 20, 34, 31, 5};
    constexpr qint64 kBlock = 100000;
    QByteArray block;
    EventRecord r;
    r.factory_number = 1234;
    for (qint64 i = 0; i < kBlock; ++i) {
        r.time = 46000.0 + double(i) / 200000.0;
        r.code = qint8(codes[i % 16]);
        r.text = i % 97 == 0
                     ? QStringLiteral("Срабатывание 1 шлейфа, \"север\"\nвторая строка %1").arg(i)
                     : QStringLiteral("Срабатывание 1 шлейфа датчика <Ватрел-Б> № 1234, запись %1").arg(i);
        block += r.encode();
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    for (qint64 at = 0; at < n; at += kBlock)
        if (f.write(block.constData(), qMin(kBlock, n - at) * EventRecord::kSize) < 0) return false;
    return true;
}

// Drops the log's pages from the page cache, as after a reboot (only this file's).
void evict(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0) return;
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
}

// The application with a stopwatch on every event it delivers: the longest one tells what kept the
// window thread from the next receive pass.
class TimedApplication : public QApplication {
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
        const int type = int(event->type());
        const QByteArray name = receiver->metaObject()->className();
        const bool r = QApplication::notify(receiver, event);
        --m_depth;
        if (t.nsecsElapsed() / 1000 > longestUs) {
            longestUs = t.nsecsElapsed() / 1000;
            longestWhat = name + " event " + QByteArray::number(type);
        }
        return r;
    }
    qint64 longestUs = 0;
    QByteArray longestWhat;

private:
    int m_depth = 0;
};

struct Figures {
    double seconds = 0;
    qint64 longestGapUs = 0;
    qint64 longestGapAtUs = 0; // when the longest gap ended, from the job's start
    qint64 passes = 0;
    qint64 longestPassUs = 0; // the pass itself: its reading, decoding and event log writes
    qint64 probeGapUs = 0;    // an idle thread of this process waking every 10 ms: what the machine allows
};

// Runs the event loop until the viewer is idle, with the receive pass every 10 ms and reports put
// on the line at 130 a second; returns how long that took and the longest gap between passes.
Figures runWhileBusy(LogViewer& viewer, Console& c, LinePort& port, const std::vector<QByteArray>& reports) {
    Figures out;
    size_t next = 0;
    QElapsedTimer clock;
    clock.start();
    qint64 lastPass = -1;
    QTimer passes;
    QObject::connect(&passes, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed() / 1000;
        if (lastPass >= 0 && now - lastPass > out.longestGapUs) {
            out.longestGapUs = now - lastPass;
            out.longestGapAtUs = now;
        }
        lastPass = now;
        // 130 reports a second: 1.3 a pass.
        const int due = int(now * 130 / 1000000) - int(next);
        for (int i = 0; i < due; ++i)
            port.incoming += '~' + reports[next++ % reports.size()] + "\r\n";
        c.receiver().onReceiveTick();
        out.longestPassUs = qMax(out.longestPassUs, clock.nsecsElapsed() / 1000 - now);
        ++out.passes;
    });
    passes.start(10);
    // A thread that does nothing but wake every 10 ms: its longest gap is the scheduler's share of a
    // receive pass's (a busy machine delays every thread, whatever the window thread does).
    std::atomic<bool> stop{false};
    std::thread probe([&] {
        auto last = std::chrono::steady_clock::now();
        while (!stop) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const auto now = std::chrono::steady_clock::now();
            out.probeGapUs = qMax<qint64>(
                out.probeGapUs, std::chrono::duration_cast<std::chrono::microseconds>(now - last).count());
            last = now;
        }
    });
    while (viewer.busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    stop = true;
    probe.join();
    out.seconds = double(clock.nsecsElapsed()) / 1e9;
    return out;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    const qint64 records = argc > 1 ? QByteArray(argv[1]).toLongLong() : 5000000;

    QTemporaryDir dir;
    for (const char* sub : {"QReport", "VatrelA_mess", "VatrelB_mess"})
        QDir(dir.path()).mkpath(QString::fromLatin1(sub));
    const QString log = dir.filePath(QStringLiteral("QReport/07.12.2026"));
    std::printf("writing %lld records ...\n", static_cast<long long>(records));
    if (!writeLog(log, records)) return 1;

    QuietConsoleUi ui;
    auto c = bench::stormConsole(dir.path(), ui);
    LinePort port;
    c->link.attachPort(&port);
    if (!c->converterPort().openPort(1)) return 1;
    const std::vector<QByteArray> reports = bench::stormReports();

    auto report = [&](const char* what, const Figures& f, qint64 n) {
        std::printf("  longest event on the window thread since the last job: %.1f ms (%s)\n",
                    double(app.longestUs) / 1000.0, app.longestWhat.constData());
        app.longestUs = 0;
        std::printf("%-28s %8.2f s  %10.0f records/s  longest gap between receive passes %6.1f ms  "
                    "at %.2f s (%lld passes, longest pass %.1f ms; idle thread's longest gap %.1f ms)\n",
                    what, f.seconds, double(n) / f.seconds, double(f.longestGapUs) / 1000.0,
                    double(f.longestGapAtUs) / 1e6, static_cast<long long>(f.passes),
                    double(f.longestPassUs) / 1000.0, double(f.probeGapUs) / 1000.0);
    };

    {
        CoreDoor door(*c, CoreDoor::Mode::Inline);
        LogViewer viewer(door);
        viewer.openFileDialog = [&](const QString&) { return log; };
        viewer.saveFileDialog = [&](const QString&) { return dir.filePath(QStringLiteral("out.csv")); };
        viewer.show();
        viewer.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
        report("load, all records", runWhileBusy(viewer, *c, port, reports), records);
        viewer.findChild<QPushButton*>(QStringLiteral("BitBtnExport"))->click();
        const Figures f = runWhileBusy(viewer, *c, port, reports);
        report("export to CSV", f, viewer.listing().selectedCount());
        std::printf("%-28s %lld bytes\n", "CSV",
                    static_cast<long long>(QFileInfo(dir.filePath("out.csv")).size()));
    }
    for (const bool cold : {false, true}) {
        // A new viewer: the "Тревожные" index is built from nothing; then again with the file read
        // from the disk.
        if (cold) evict(log);
        CoreDoor door(*c, CoreDoor::Mode::Inline);
        LogViewer viewer(door);
        viewer.openFileDialog = [&](const QString&) { return log; };
        viewer.show();
        viewer.findChild<QRadioButton*>(QStringLiteral("RadioButtonErr"))->setChecked(true);
        viewer.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
        const Figures f = runWhileBusy(viewer, *c, port, reports);
        report(cold ? "first \"Тревожные\", cold" : "first \"Тревожные\" load", f, records);
        std::printf("%-28s %lld of %lld\n", "selected",
                    static_cast<long long>(viewer.listing().selectedCount()),
                    static_cast<long long>(records));
    }
    std::printf("alarms raised meanwhile: %u, boxes: %d\n", c->alarms.total(), ui.messages);
    return 0;
}
