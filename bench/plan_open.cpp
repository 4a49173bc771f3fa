// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the site plan window on the demo site with 200 sensors placed along its fence and a
// 6000 x 4000 PNG picture (the demo plan drawn at that size, as a scanned plan would be). Printed for
// each of a few runs: the time from the operator's click to the window drawn with its markers, and to
// the picture decoded and drawn beneath them. Target: the window drawn within 0.3 s.
// Run by hand, on a Release build, under a display (Xvfb): plan_open [runs] (default 5).
#include "app/ConsoleWindows.h"
#include "app/PlanScene.h"
#include "app/PlanView.h"
#include "app/PlanWindow.h"
#include "common/FakeSerialPort.h"
#include "registry/PlanLayout.h"
#include "sim/DemoFolder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <cstdio>

using namespace vatrel;

namespace {
// Notes when the viewport has finished painting: once with the markers, once with the picture.
class PaintClock : public QObject {
public:
    PaintClock(QElapsedTimer& t, const PlanScene* scene) : m_t(t), m_scene(scene) {}
    double markers = -1, ready = -1, picture = -1;

protected:
    bool eventFilter(QObject* obj, QEvent* e) override {
        if (e->type() != QEvent::Paint || picture >= 0) return false;
        const bool withPicture = m_scene->pictureReady();
        obj->event(e); // painted here, so that the time includes the painting
        const double now = m_t.nsecsElapsed() / 1e9;
        if (markers < 0) markers = now;
        if (withPicture) picture = now;
        return true;
    }

private:
    QElapsedTimer& m_t;
    const PlanScene* m_scene;
};
} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    QTemporaryDir dir;
    QString error;
    if (!sim::initDemo(dir.path(), &error, 200)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QElapsedTimer t;
    t.start();
    QImage picture(6000, 4000, QImage::Format_RGB32);
    picture.fill(Qt::white);
    {
        QPainter p(&picture);
        QSvgRenderer(sim::demoPlanSvg(1000)).render(&p, QRectF(0, 0, 6000, 4000));
    }
    const QString png = QDir(dir.path()).filePath(QStringLiteral("data/plans/site.png"));
    if (!picture.save(png, "PNG")) return 1;
    std::printf("picture written in %.2f s (%lld bytes)\n", t.elapsed() / 1000.0, QFileInfo(png).size());
    // The demo's layout, scaled onto the large picture (sensor places in its pixels).
    PlanLayout layout;
    const PlanLayout demo = sim::demoPlanLayout(200);
    layout.addPlan(QStringLiteral("Периметр"), QStringLiteral("site.png"));
    for (const PlacedSensor& s : demo.plan(0).sensors) {
        layout.placeMarker(0, s.number, *s.marker * 3.75);
        QList<QPointF> line;
        for (QPointF p : s.line)
            line << p * 3.75;
        layout.setLine(0, s.number, line);
    }
    if (!writePlanFile(QDir(dir.path()).filePath(QStringLiteral("data/plans/plans.json")), layout, &error))
        return 1;
    QDir::setCurrent(dir.path());

    for (int run = 0; run < runs; ++run) {
        Console c;
        testing::FakePort port{testing::FakePort::Device::Missing};
        c.link.attachPort(&port);
        ConsoleWindows windows(c);
        PlanWindow* w = windows.planWindow();
        t.restart();
        w->open(); // what the operator's click runs: reads the layout, builds the plan, shows the window
        const double opened = t.nsecsElapsed() / 1e9;
        PlanView* v = w->view(0);
        PaintClock clock(t, v->planScene());
        v->viewport()->installEventFilter(&clock);
        QObject::connect(v->planScene(), &PlanScene::pictureLoaded, &clock,
                         [&] { clock.ready = t.nsecsElapsed() / 1e9; });
        while (clock.picture < 0 && t.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        std::printf(
            "run %d: open() %.3f s, window painted with its 200 markers %.3f s, picture decoded %.3f s, "
            "painted with the picture %.3f s\n",
            run + 1, opened, clock.markers, clock.ready, clock.picture);
    }
    return 0;
}
