// SPDX-License-Identifier: GPL-3.0-or-later
// Acknowledging one alarm in a list of 500, as the operator does it: a row chosen in the alarm
// window, Enter, the reason window, Enter. Timed from that last Enter to the acknowledgement's record
// in the day's log file (a thread watches the file's size), with the core on its own thread as the
// program runs it. Target: under 50 ms.
// Run by hand, on a Release build, under Xvfb or offscreen: ack_latency [acknowledgements] (default 50).
#include "app/ConsoleWindows.h"
#include "app/WidgetUi.h"
#include "dialogs/AlarmWindow.h"
#include "bench/NoPort.h"
#include "registry/Alarms.h"
#include "registry/DateTime.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <sys/stat.h>
#include <thread>

using namespace vatrel;
using vatrel::bench::NoPort;

namespace {

// Boxes go to the error output: nobody is there to answer them.
class PrintingUi : public WidgetUi {
public:
    void message(const QString& caption, const QString& text, Icon) override {
        std::fprintf(stderr, "box: %s: %s\n", qPrintable(caption), qPrintable(text));
    }
    bool question(const QString&, const QString&) override { return false; }
};

qint64 fileSize(const QByteArray& path) {
    struct stat st {};
    return ::stat(path.constData(), &st) == 0 ? qint64(st.st_size) : -1;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 50;
    QTemporaryDir dir;
    for (const char* sub : {"data", "QReport", "VatrelA", "VatrelB", "VatrelA_mess", "VatrelB_mess"})
        QDir(dir.path()).mkpath(QString::fromLatin1(sub));
    QDir::setCurrent(dir.path());

    Console c;
    NoPort port;
    c.link.attachPort(&port);
    ConsoleWindows windows(c, std::make_unique<PrintingUi>(), CoreDoor::Mode::Threaded);
    CoreDoor& door = *windows.door();
    AlarmWindow& alarmWindow = *windows.alarmWindow();
    auto* grid = alarmWindow.findChild<QTableView*>(QStringLiteral("StringGrid1"));

    // 500 alarms of 500 sensors, raised on the core as the decoder raises them.
    door.post([](Console& core) {
        for (int i = 0; i < kAlarmListMax; ++i) {
            const quint32 number = quint32(10000 + i);
            EventRecord r = core.eventLog.sensorEvent(EventCode::LoopAlarm1, number, 0);
            raiseAlarm(core.alarms, core.notices, r);
        }
    });
    QElapsedTimer wait;
    wait.start();
    while (door.mirror().alarms.rows() < kAlarmListMax && wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    alarmWindow.refresh();
    std::printf("%d alarms listed in %lld ms (%s)\n", door.mirror().alarms.rows(),
                static_cast<long long>(wait.elapsed()), qPrintable(QGuiApplication::platformName()));

    const QByteArray dayLog = QFile::encodeName(
        dir.filePath(QStringLiteral("QReport/") + c.clock().date().toString(QStringLiteral("dd.MM.yyyy"))));
    std::vector<double> toFile, toWindow;
    QElapsedTimer clock;
    clock.start();
    for (int round = 0; round < rounds; ++round) {
        const int row = (round * 97) % kAlarmListMax; // rows all over the list
        grid->setFocus();
        grid->clearSelection();
        grid->setCurrentIndex(grid->model()->index(row, 0));
        std::atomic<qint64> pressedNs{-1}, loggedNs{-1};
        const qint64 sizeBefore = fileSize(dayLog);
        std::atomic<bool> watching{true};
        std::thread watcher([&] {
            while (watching) {
                if (pressedNs >= 0 && fileSize(dayLog) > sizeBefore) {
                    loggedNs = clock.nsecsElapsed();
                    return;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(50));
            }
        });
        qint64 returnedNs = -1;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog) return;
            QWidget* comment = dialog->findChild<QLineEdit*>(QStringLiteral("EditComment"));
            pressedNs = clock.nsecsElapsed();
            QTest::keyClick(comment ? comment : dialog, Qt::Key_Return);
        });
        QTest::keyClick(grid, Qt::Key_Return);
        returnedNs = clock.nsecsElapsed();
        QElapsedTimer t;
        t.start();
        while (loggedNs < 0 && t.elapsed() < 2000)
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        watching = false;
        watcher.join();
        if (pressedNs < 0 || loggedNs < 0) {
            std::printf("round %d: no acknowledgement logged\n", round);
            continue;
        }
        toFile.push_back(double(loggedNs - pressedNs) / 1e6);
        toWindow.push_back(double(returnedNs - pressedNs) / 1e6);
    }
    const auto report = [](const char* what, std::vector<double> v) {
        if (v.empty()) return;
        std::sort(v.begin(), v.end());
        std::printf("%s: n %zu, p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", what, v.size(), v[v.size() / 2],
                    v[std::min(v.size() - 1, v.size() * 99 / 100)], v.back());
    };
    report("Enter to the record in the day's log", toFile);
    report("Enter to the window redrawn", toWindow);
    int acknowledged = 0;
    for (const AlarmBoard::Alarm& a : door.mirror().alarms.alarms())
        acknowledged += a.state != AlarmBoard::State::New;
    std::printf("alarms acknowledged: %d of %d listed\n", acknowledged, door.mirror().alarms.rows());
    return 0;
}
