// SPDX-License-Identifier: GPL-3.0-or-later
// The site plan window of the real console (offscreen), on data folders the tests write: markers in
// their rows' colours read back from the screen, blinking until acknowledged, a marker dragged and a
// fence line drawn and edited in edit mode and saved, plans renamed and removed, a broken layout file
// left alone, large and vector pictures.
#include "DataFolder.h"
#include "app/ConsoleWindows.h"
#include "app/MainWindow.h"
#include "app/PlanMarkerItem.h"
#include "app/PlanScene.h"
#include "app/PlanView.h"
#include "app/PlanWindow.h"
#include "app/WidgetUi.h"
#include "core/OperatorActions.h"
#include "registry/EventCatalogue.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

class AnsweringUi : public WidgetUi {
public:
    bool question(const QString& caption, const QString& text) override {
        asked << caption + u'|' + text;
        return answer;
    }
    QStringList asked;
    bool answer = false;
};

// A console with its windows in a folder holding these sensors and this plans.json.
struct Run {
    QTemporaryDir dir;
    Console c;
    FakePort port{FakePort::Device::Missing};
    AnsweringUi* ui = nullptr;
    std::unique_ptr<ConsoleWindows> windows;

    bool start(const QList<SensorSpec>& sensors, const QByteArray& plans) {
        if (!prepareFolder(dir.path(), sensors) || !QDir(dir.path()).mkpath("data/plans")) return false;
        if (!plans.isNull() && !writeFile(dir.filePath("data/plans/plans.json"), plans)) return false;
        QDir::setCurrent(dir.path());
        c.link.attachPort(&port);
        auto answering = std::make_unique<AnsweringUi>();
        ui = answering.get();
        windows = std::make_unique<ConsoleWindows>(c, std::move(answering));
        return true;
    }
    ~Run() {
        windows.reset();
        QDir::setCurrent(QDir::tempPath());
    }
    PlanWindow* plan() const { return windows->planWindow(); }
    QByteArray file(const QString& name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// The colour on screen `dx` pixels right of the sensor's marker centre.
QColor markerPixel(PlanWindow* w, int plan, quint32 number, int dx) {
    PlanView* v = w->view(plan);
    const QPoint at = v->mapFromScene(v->planScene()->marker(number)->pos()) + QPoint(dx, 0);
    return v->viewport()->grab().toImage().pixelColor(at);
}

bool writePicture(const QString& path, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(30, 60, 200));
    QPainter p(&image);
    p.fillRect(QRect(QPoint(0, 0), size / 2), QColor(250, 250, 210));
    return image.save(path, "PNG");
}

// Drags with the left button on `viewport` from one point to another, as a mouse does.
void drag(QWidget* viewport, QPoint from, QPoint to) {
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, viewport->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
}

const QByteArray kPlans = R"({"version": 1, "plans": [
  {"name": "Периметр", "picture": "site.png", "sensors": [
    {"number": 1001, "marker": [100, 100], "line": [[300, 500], [700, 500]]},
    {"number": 1002, "marker": [400, 300]},
    {"number": 1003, "marker": [600, 150]},
    {"number": 4242, "marker": [200, 450]}]},
  {"name": "Север", "picture": "site.png", "sensors": [{"number": 1004, "marker": [50, 50]}]}]})";

const QList<SensorSpec> kSensors = {
    {0, 1001, 1, 1, 1, /*status*/ 0},  // normal: green
    {1, 1002, 0, 1, 0, /*status*/ 15}, // no link
    {2, 1003, 1, 1, 1, /*status*/ 3},  // a fault: the alarm colour
    {3, 1004, 0, 1, 1, /*status*/ 0},
};

// The console started on kSensors and kPlans with an 800 x 600 picture, its plan window open and the
// picture drawn; null if any of it failed.
PlanWindow* openSite(Run& run) {
    if (!run.start(kSensors, kPlans) ||
        !writePicture(run.dir.filePath("data/plans/site.png"), QSize(800, 600)))
        return nullptr;
    PlanWindow* w = run.plan();
    w->open();
    return QTest::qWaitFor([w] { return w->view(0)->planScene()->pictureReady(); }) ? w : nullptr;
}

} // namespace

class TestPlanWindow : public QObject {
    Q_OBJECT

private slots:
    void drawsEachSensorInItsRowColourAndBlinksUntilAcknowledged() {
        Run run;
        PlanWindow* w = openSite(run);
        QVERIFY(w);
        QCOMPARE(w->findChild<QTabWidget*>("PlanTabs")->count(), 2);
        QCOMPARE(w->view(0)->planScene()->marker(1002)->pos(), QPointF(400, 300));

        // Loop 1 (left half) armed: filled; loop 2 of 1002 disarmed: hollow, white inside.
        QCOMPARE(markerPixel(w, 0, 1001, -5), QColor(0, 255, 0));
        QCOMPARE(markerPixel(w, 0, 1002, -5), QColor(171, 0, 0));
        QCOMPARE(markerPixel(w, 0, 1002, 2), QColor(Qt::white));
        QCOMPARE(markerPixel(w, 0, 1003, 5), QColor(242, 107, 83));
        QCOMPARE(markerPixel(w, 0, 4242, -8), QColor(150, 150, 150)); // no slot holds it: greyed
        PlanView* v = w->view(0);
        const QImage shot = v->viewport()->grab().toImage();
        QCOMPARE(shot.pixelColor(v->mapFromScene(QPointF(500, 500))), QColor(0, 255, 0)); // its fence line
        QVERIFY(w->tipOf(1001).contains("Ватрел-Б"));
        QVERIFY(w->tipOf(4242).contains("4242 не подключён"));

        // A loop 1 alarm of 1001, not yet acknowledged: its half blinks, the other half stays.
        run.windows->door()->call([](Console& c) {
            c.alarms.raise(c.eventLog.sensorEvent(loopAlarmCode(1), 1001, 1));
            c.sensorRows.setColour(0, colours::alarm);
        });
        run.windows->ui()->flushViews();
        QTRY_COMPARE(markerPixel(w, 0, 1001, -5), QColor(Qt::white));
        QCOMPARE(markerPixel(w, 0, 1001, 5), QColor(242, 107, 83));
        QTRY_COMPARE(markerPixel(w, 0, 1001, -5), QColor(242, 107, 83));
        QTRY_COMPARE(markerPixel(w, 0, 1001, -5), QColor(Qt::white));

        // An alarm of a sensor on a plan not shown marks that plan's tab.
        run.windows->door()->call(
            [](Console& c) { c.alarms.raise(c.eventLog.sensorEvent(loopAlarmCode(2), 1004, 0)); });
        run.windows->ui()->flushViews();
        QTRY_VERIFY(w->tabMarked(1)); // refreshes close together: the plan follows the next one
        QVERIFY(!w->tabMarked(0));

        // A double click on the alarm in the alarm window brings its plan forward.
        auto* grid = run.windows->alarmWindow()->findChild<QTableView*>("StringGrid1");
        const QPoint row1 = grid->visualRect(grid->model()->index(1, 1)).center();
        QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, row1);
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, row1);
        QCOMPARE(w->currentPlan(), 1);

        w->findChild<QTabWidget*>("PlanTabs")->setCurrentIndex(0);
        QTRY_VERIFY(w->tabMarked(1));
        // Two refreshes close together, the second with the acknowledgement.
        run.windows->door()->call([](Console& c) { c.sensorRows.setColour(3, colours::alarm); });
        run.windows->ui()->flushViews();
        run.windows->door()->act([](OperatorActions& a) { a.acknowledgeAllAlarms(); });
        run.windows->ui()->flushViews();
        // Even when the plan held this refresh back and no other follows, it shows the acknowledgement
        // within one refresh (the wait leaves room for a slow machine).
        QTest::qWait(300);
        QVERIFY(!w->tabMarked(1));
        QVERIFY(!w->tabMarked(0));
        for (int i = 0; i < 6; ++i) { // over a second and a half: no longer blinking
            QCOMPARE(markerPixel(w, 0, 1001, -5), QColor(242, 107, 83));
            QTest::qWait(250);
        }
    }

    void clicksSelectTheTableRowAndEditModeDragsAMarker() {
        Run run;
        PlanWindow* w = openSite(run);
        QVERIFY(w);
        PlanView* v = w->view(0);
        const QPoint from = v->mapFromScene(QPointF(400, 300));
        const QPoint to = from + QPoint(40, 25);

        drag(v->viewport(), from, to); // not editing: nothing moves, the table selects the sensor's row
        QCOMPARE(run.c.selection.row(), 2);
        QCOMPARE(v->planScene()->marker(1002)->pos(), QPointF(400, 300));
        QVERIFY(run.file("data/plans/plans.json") == kPlans);

        // A right click opens the table's own menu, for the sensor's row (1003: both loops armed).
        QStringList items;
        QTimer chooser;
        connect(&chooser, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->done(QMessageBox::Ok);
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) return;
            for (QAction* a : menu->actions())
                if (!a->isSeparator()) items << a->objectName() + (a->isEnabled() ? "" : "-");
            menu->close();
        });
        chooser.start(20);
        const QPoint at1003 = v->mapFromScene(QPointF(600, 150));
        QContextMenuEvent menuAsked(QContextMenuEvent::Mouse, at1003, v->viewport()->mapToGlobal(at1003));
        QApplication::sendEvent(v->viewport(), &menuAsked);
        chooser.stop();
        QCOMPARE(items,
                 (QStringList{"PEstablish-", "PRemove", "PSetSh1-", "PSetSh2-", "PRemoveSh1", "PRemoveSh2",
                              "PTimedRemoveSh1", "PTimedRemoveSh2", "N_Direct_component_porog", "N1"}));
        QCOMPARE(run.c.selection.row(), 3);

        w->setEditing(true);
        drag(v->viewport(), from, to);
        const QPointF moved = v->planScene()->marker(1002)->pos();
        QVERIFY2(QLineF(moved, v->mapToScene(to)).length() < 3,
                 qPrintable(QString("%1 %2").arg(moved.x()).arg(moved.y())));
        QCOMPARE(w->layout().find(0, 1002)->marker, std::optional<QPointF>(moved));
        QString problem;
        const std::optional<PlanLayout> saved =
            PlanLayout::fromJson(run.file("data/plans/plans.json"), &problem);
        QVERIFY2(saved, qPrintable(problem));
        QCOMPARE(*saved, w->layout());
        QCOMPARE(saved->find(0, 1001)->line, (QList<QPointF>{{300, 500}, {700, 500}})); // the rest as it was

        // 1004, dragged from the list of sensors not on the plan onto the place 4242 left: it takes it over.
        auto* mime = new QMimeData;
        mime->setData(PlanView::kSensorMime, "1004");
        const QPointF place = v->mapFromScene(QPointF(200, 450));
        QDragEnterEvent enter(place.toPoint(), Qt::CopyAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(v->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(place, Qt::CopyAction, mime, Qt::LeftButton, {});
        QApplication::sendEvent(v->viewport(), &drop);
        delete mime;
        QVERIFY(!w->layout().find(0, 4242));
        QCOMPARE(w->layout().find(0, 1004)->marker, std::optional<QPointF>(QPointF(200, 450)));
        QCOMPARE(PlanLayout::fromJson(run.file("data/plans/plans.json"), nullptr),
                 std::optional(w->layout()));

        // The window opens where it was closed, next time too.
        w->setGeometry(QRect(130, 90, 640, 480));
        w->close();
        PlanWindow again(*run.windows->door());
        again.open();
        QCOMPARE(again.geometry(), QRect(130, 90, 640, 480));
        QCOMPARE(again.layout(), w->layout());
    }

    void fenceLinesAreDrawnAndEditedPointByPointAndPlansRenamedAndRemoved() {
        Run run;
        PlanWindow* w = openSite(run);
        QVERIFY(w);
        PlanView* v = w->view(0);
        const auto savedLayout = [&] {
            return PlanLayout::fromJson(run.file("data/plans/plans.json"), nullptr);
        };
        const auto click = [&](QPointF scenePos) {
            QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, v->mapFromScene(scenePos));
        };

        // "Линия датчика" needs a sensor chosen first.
        w->setEditing(true);
        auto* lineAction = w->findChild<QAction*>("ActionLine");
        lineAction->trigger();
        QVERIFY(!lineAction->isChecked());
        click(QPointF(400, 300)); // 1002's marker
        lineAction->trigger();
        QVERIFY(lineAction->isChecked());
        const QList<QPointF> wanted{{100, 250}, {250, 250}, {250, 400}};
        click(wanted[0]);
        QVERIFY(!w->layout().find(0, 1002)->line.size()); // one point is no line yet
        for (int i = 1; i < wanted.size(); ++i)
            click(wanted[i]);
        QTest::keyClick(w, Qt::Key_Escape);
        QVERIFY(!lineAction->isChecked());
        click(QPointF(700, 100)); // drawing over: a click adds nothing
        const QList<QPointF> drawn = w->layout().find(0, 1002)->line;
        QCOMPARE(drawn.size(), 3);
        for (int i = 0; i < 3; ++i)
            QVERIFY2(QLineF(drawn[i], wanted[i]).length() < 2, qPrintable(QString::number(i)));
        QCOMPARE(savedLayout(), std::optional(w->layout()));
        // Drawn in the sensor's colour (no link: dark red) along its points.
        QTRY_COMPARE(v->viewport()->grab().toImage().pixelColor(v->mapFromScene(QPointF(175, 250))),
                     QColor(171, 0, 0));

        // A handle dragged moves its point; a right click on one removes it.
        const QPoint from = v->mapFromScene(drawn[1]);
        const QPoint to = from + QPoint(30, -20);
        drag(v->viewport(), from, to);
        const QList<QPointF> dragged = w->layout().find(0, 1002)->line;
        QCOMPARE(dragged.size(), 3);
        QCOMPARE(dragged[0], drawn[0]);
        QVERIFY(QLineF(dragged[1], v->mapToScene(to)).length() < 2);
        QCOMPARE(savedLayout(), std::optional(w->layout()));
        const QPoint last = v->mapFromScene(dragged[2]);
        QContextMenuEvent removeAsked(QContextMenuEvent::Mouse, last, v->viewport()->mapToGlobal(last));
        QApplication::sendEvent(v->viewport(), &removeAsked);
        QCOMPARE(w->layout().find(0, 1002)->line, dragged.first(2));
        QCOMPARE(savedLayout(), std::optional(w->layout()));

        // Renamed: the tab and the file follow; an empty name changes nothing.
        auto* tabs = w->findChild<QTabWidget*>("PlanTabs");
        w->askPlanName = [](const QString&, const QString&) { return QStringLiteral("Восток"); };
        w->renameCurrentPlan();
        QCOMPARE(tabs->tabText(0), QStringLiteral("Восток"));
        QCOMPARE(savedLayout()->plan(0).name, QStringLiteral("Восток"));
        w->askPlanName = [](const QString&, const QString&) { return QString(); };
        w->renameCurrentPlan();
        QCOMPARE(w->layout().plan(0).name, QStringLiteral("Восток"));

        // Removed only when the operator says yes; the other plan stays, with its sensors.
        w->removeCurrentPlan();
        QCOMPARE(tabs->count(), 2);
        run.ui->answer = true;
        w->removeCurrentPlan();
        QCOMPARE(tabs->count(), 1);
        QCOMPARE(tabs->tabText(0), QStringLiteral("Север"));
        QCOMPARE(w->layout().count(), 1);
        QVERIFY(w->layout().find(0, 1004));
        QCOMPARE(savedLayout(), std::optional(w->layout()));
    }

    // The picture is kept as drawn and only the uncovered strips are drawn when it is panned: what
    // shows after panning is what a view drawn afresh shows.
    void pannedPlanLooksAsOneDrawnAfresh() {
        Run run;
        QVERIFY(run.start(kSensors, kPlans));
        QVERIFY(
            writeFile(run.dir.filePath("data/plans/site.svg"),
                      R"(<svg xmlns="http://www.w3.org/2000/svg" width="800" height="600">)"
                      R"(<rect width="800" height="600" fill="#e0e0c0"/>)"
                      R"(<circle cx="400" cy="300" r="250" fill="none" stroke="#204080" stroke-width="9"/>)"
                      R"(<path d="M0 0 L800 600 M800 0 L0 600" stroke="#a02020" stroke-width="5"/></svg>)"));
        PlanWindow* w = run.plan();
        w->open();
        w->choosePictureFile = [&] { return run.dir.filePath("data/plans/site.svg"); };
        w->chooseCurrentPicture();
        PlanView* v = w->view(0);
        QVERIFY(v->planScene()->pictureReady());
        v->zoomBy(3, QPointF(v->viewport()->rect().center()));
        const QPoint scrolledFrom(v->horizontalScrollBar()->value(), v->verticalScrollBar()->value());
        for (const QPoint step : {QPoint(-37, -21), QPoint(15, 44), QPoint(-60, 3)}) {
            const QPoint from(v->viewport()->width() / 2, 12); // on the picture, clear of the markers
            drag(v->viewport(), from, from + step);
            QCoreApplication::processEvents();
        }
        const QPoint scrolled =
            QPoint(v->horizontalScrollBar()->value(), v->verticalScrollBar()->value()) - scrolledFrom;
        QVERIFY(scrolled.x() > 50 && scrolled.y() < -10);
        const QImage panned = v->viewport()->grab().toImage();
        emit v->planScene()->backgroundChanged(); // drawn again, whole
        const QImage afresh = v->viewport()->grab().toImage();
        QCOMPARE(panned.size(), afresh.size());
        // The same but for the edges' smoothing (a few levels, from where the vectors were drawn).
        int worst = 0;
        for (int y = 0; y < panned.height(); ++y)
            for (int x = 0; x < panned.width(); ++x) {
                const QRgb a = panned.pixel(x, y), b = afresh.pixel(x, y);
                worst = std::max(
                    {worst, qAbs(qRed(a) - qRed(b)), qAbs(qGreen(a) - qGreen(b)), qAbs(qBlue(a) - qBlue(b))});
            }
        QVERIFY2(worst <= 8, qPrintable(QString::number(worst)));
    }

    void brokenLayoutFileIsLeftAsItWas() {
        for (const QByteArray& broken : {QByteArray("{\"version\": 1, \"plans\": [{\"name\": \"X\""),
                                         QByteArray(R"({"version": 7, "plans": []})")}) {
            Run run;
            QVERIFY(run.start(kSensors, broken));
            PlanWindow* w = run.plan();
            w->open();
            const auto shownBox = []() -> QMessageBox* {
                for (QWidget* t : QApplication::allWidgets())
                    if (auto* box = qobject_cast<QMessageBox*>(t); box && box->isVisible()) return box;
                return nullptr;
            };
            QTRY_VERIFY(shownBox());
            QVERIFY2(shownBox()->text().contains("plans.json"), qPrintable(shownBox()->text()));
            shownBox()->close();
            QCOMPARE(w->findChild<QTabWidget*>("PlanTabs")->count(), 0);

            // An edit asks before replacing the file; answered No, the file stays.
            w->setEditing(true);
            w->askPlanName = [](const QString&, const QString&) { return QStringLiteral("Новый"); };
            w->addPlan();
            QCOMPARE(run.ui->asked.size(), 1);
            w->hide();
            QCOMPARE(run.file("data/plans/plans.json"), broken);
        }
    }

    void picturesLoadWhateverTheirKindAndCondition() {
        Run run;
        const QByteArray plans = R"({"version": 1, "plans": [
            {"name": "A", "picture": "big.png", "sensors": [{"number": 1001, "marker": [5900, 3900]}]},
            {"name": "B", "picture": "site.svg", "sensors": []},
            {"name": "C", "picture": "gone.png", "sensors": []},
            {"name": "D", "picture": "junk.jpg", "sensors": []}]})";
        QVERIFY(run.start(kSensors, plans));
        QVERIFY(writePicture(run.dir.filePath("data/plans/big.png"), QSize(6000, 4000)));
        QVERIFY(writeFile(run.dir.filePath("data/plans/site.svg"),
                          R"(<svg xmlns="http://www.w3.org/2000/svg" width="320" height="200">)"
                          R"(<rect x="10" y="10" width="300" height="180" fill="#c0c0f0"/></svg>)"));
        QVERIFY(writeFile(run.dir.filePath("data/plans/junk.jpg"), QByteArray(5000, 'x')));
        PlanWindow* w = run.plan();
        w->open();
        PlanScene* big = w->view(0)->planScene();
        QTRY_VERIFY_WITH_TIMEOUT(big->pictureReady(), 20000);
        QCOMPARE(big->planRect(), QRectF(0, 0, 6000, 4000));
        QCOMPARE(markerPixel(w, 0, 1001, -5), QColor(0, 255, 0));
        PlanScene* svg = w->view(1)->planScene();
        QVERIFY(svg->pictureReady());
        QCOMPARE(svg->planRect(), QRectF(0, 0, 320, 200));
        QVERIFY(w->view(2)->planScene()->pictureProblem().contains("gone.png"));
        QTRY_VERIFY(w->view(3)->planScene()->pictureProblem().contains("junk.jpg"));
        QVERIFY(!w->view(3)->planScene()->pictureReady());

        // A picture chosen for a plan is copied in beside the others; one of the same name already
        // there is kept, the new one takes another name. An unreadable file changes nothing.
        QTemporaryDir elsewhere;
        const QString other = elsewhere.filePath("site.svg");
        const QByteArray small = R"(<svg xmlns="http://www.w3.org/2000/svg" width="50" height="40"/>)";
        QVERIFY(writeFile(other, small));
        w->findChild<QTabWidget*>("PlanTabs")->setCurrentIndex(2);
        w->choosePictureFile = [&] { return other; };
        w->chooseCurrentPicture();
        QCOMPARE(w->layout().plan(2).picture, QStringLiteral("site-2.svg"));
        QCOMPARE(run.file("data/plans/site-2.svg"), small);
        QCOMPARE(w->view(2)->planScene()->planRect(), QRectF(0, 0, 50, 40));
        QVERIFY(PlanLayout::fromJson(run.file("data/plans/plans.json"), nullptr)->plan(2).picture ==
                "site-2.svg");
        w->choosePictureFile = [&] { return run.dir.filePath("data/plans/junk.jpg"); };
        w->chooseCurrentPicture();
        QCOMPARE(w->layout().plan(2).picture, QStringLiteral("site-2.svg"));
    }
};

QTEST_MAIN(TestPlanWindow)
#include "tst_planwindow.moc"
