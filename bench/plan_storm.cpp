// SPDX-License-Identifier: GPL-3.0-or-later
// The site plan's own drawing cost in an alarm storm, without the rest of the console: the demo
// site's plan (SVG) with 200 sensors placed along its fence, in a 1000 x 640 view. Ten times a second,
// as the table refreshes, a sixth of the sensors change colour (alarm, back to normal), the loops in
// alarm blink twice a second. Printed: the processor time of one such refresh painted (changes made
// back to back), then the process's processor share while nothing changes and during the storm at
// the table's pace; the difference is what the plan's drawing costs.
// Run by hand, on a Release build, under a display (Xvfb): plan_storm [seconds] (default 10).
#include "app/PlanScene.h"
#include "app/PlanView.h"
#include "registry/PlanLayout.h"
#include "sim/DemoFolder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>
#include <ctime>

using namespace vatrel;

namespace {
double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Runs the event loop for `seconds` with `tick` called ten times a second; the share of one core used.
double share(double seconds, const std::function<void()>& tick) {
    QTimer timer;
    timer.setInterval(100);
    QObject::connect(&timer, &QTimer::timeout, tick);
    timer.start();
    QElapsedTimer wall;
    wall.start();
    const double c0 = cpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
    return 100 * (cpuSeconds() - c0) / (wall.nsecsElapsed() / 1e9);
}
} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::max(1.0, atof(argv[1])) : 10;
    QTemporaryDir dir;
    const QString svg = QDir(dir.path()).filePath(QStringLiteral("site.svg"));
    QFile f(svg);
    if (!f.open(QIODevice::WriteOnly) || f.write(sim::demoPlanSvg(1000)) < 0) return 1;
    f.close();
    const PlanLayout layout = sim::demoPlanLayout(200);
    const Plan& plan = layout.plan(0);

    PlanScene scene;
    scene.loadPicture(svg);
    scene.setSensors(plan);
    PlanView view(&scene);
    view.resize(1000, 640);
    view.show();
    view.fitPlan();
    QList<quint32> numbers;
    for (const PlacedSensor& s : plan.sensors)
        numbers << s.number;
    auto lookOf = [&](int i, bool alarm) {
        PlanSensorLook look;
        look.colour = alarm ? QColor(255, 0, 0) : QColor(0, 255, 0);
        look.armed1 = true;
        look.armed2 = i % 3 != 0;
        look.blink1 = alarm;
        look.label = QString::number(i + 1);
        return look;
    };
    for (int i = 0; i < numbers.size(); ++i)
        scene.setLook(numbers[i], lookOf(i, false));
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();

    int next = 0, ticks = 0;
    QList<bool> alarm(numbers.size(), false);
    bool blinkOff = false;
    auto tick = [&] {
        for (int k = 0; k < numbers.size() / 6; ++k, next = (next + 1) % int(numbers.size())) {
            alarm[next] = !alarm[next];
            scene.setLook(numbers[next], lookOf(next, alarm[next]));
        }
        if (++ticks % 5 == 0) scene.setBlinkOff(blinkOff = !blinkOff);
    };
    // Back to back, each change painted before the next: the processor time one refresh costs.
    std::vector<double> perTick;
    for (int batch = 0; batch < 7; ++batch) {
        const double c0 = cpuSeconds();
        for (int i = 0; i < 100; ++i) {
            tick();
            for (int k = 0; k < 3; ++k)
                QCoreApplication::processEvents();
        }
        perTick.push_back((cpuSeconds() - c0) / 100 * 1e6);
    }
    std::sort(perTick.begin(), perTick.end());
    std::printf("one refresh (%lld of %lld sensors recoloured, a blink every fifth): median %.0f us, "
                "range %.0f-%.0f us\n",
                qsizetype(numbers.size() / 6), qsizetype(numbers.size()), perTick[3], perTick.front(),
                perTick.back());
    // At the table's pace, ten refreshes a second.
    const double idle = share(seconds / 2, [] {});
    const double storm = share(seconds, tick);
    std::printf(
        "plan of %lld sensors, %dx%d view: idle %.2f %% of one core, storm %.2f %%, the storm's drawing "
        "%.2f %%\n",
        qsizetype(numbers.size()), view.width(), view.height(), idle, storm, storm - idle);
    return 0;
}
