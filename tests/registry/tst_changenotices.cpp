// SPDX-License-Identifier: GPL-3.0-or-later
// The change path: a part's change reaches every consumer of its console once (the windows, the
// site feed, a subscriber), and a copy of a part never speaks for the console it was copied from.
#include "core/Console.h"

#include <QTest>
#include <map>
#include <memory>

using namespace vatrel;

namespace {

class Heard : public ChangeListener {
public:
    void changed(View v) override { ++views[v]; }
    void sensorChanged(int slot, const SensorRecord&, const SensorRow&) override { ++sensors[slot]; }
    std::map<View, int> views;
    std::map<int, int> sensors;
};

// A console and a consumer subscribed to it.
struct Listened {
    std::unique_ptr<Console> c = std::make_unique<Console>();
    Heard more;
};

} // namespace

class TestChangeNotices : public QObject {
    Q_OBJECT
private slots:
    void eachPartAnnouncesItsViewToEveryListener() {
        Console c;
        Heard a, b;
        c.notices.subscribe(&a);
        c.notices.subscribe(&b);
        c.notices.subscribe(&a); // once is enough
        const std::pair<View, std::function<void()>> changes[] = {
            {View::StatusBar, [&] { c.status.setPanel(StatusLine::kConverterPanel, QStringLiteral("x")); }},
            {View::Labels, [&] { c.status.showSensorCount(3); }},
            {View::Labels, [&] { c.status.showClock(QDateTime::currentDateTime()); }},
            {View::WaitPanel, [&] { c.status.showWaitPanel(true); }},
            {View::Oscilloscope, [&] { c.osc.closeStart(); }},
            {View::Oscilloscope, [&] { c.osc.showDcFlank(1, 2.5f); }},
            {View::Oscilloscope, [&] { c.osc.holdDcTypeA(7, false); }},
            {View::Oscilloscope, [&] { c.scope.setFlankWindow(0, 200); }},
            {View::Oscilloscope, [&] { c.scope.setALimit(true, 50); }},
            {View::Oscilloscope, [&] { c.scope.clearTraces(); }},
            {View::SensorGrid, [&] { c.selection.select(3, 7); }},
            {View::SensorGrid, [&] { c.selection.setHighlighted(true); }},
        };
        for (const auto& [view, change] : changes) {
            a.views.clear();
            b.views.clear();
            change();
            QCOMPARE(a.views, (std::map<View, int>{{view, 1}}));
            QCOMPARE(b.views, a.views);
        }
        // The oscillogram's slot dims the table's other rows.
        a.views.clear();
        c.osc.setSlot(4);
        QCOMPARE(a.views, (std::map<View, int>{{View::SensorGrid, 1}, {View::Oscilloscope, 1}}));
        // What the operator types is shown already: nobody needs telling.
        a.views.clear();
        c.osc.setTyped(OscEntry::Position, QStringLiteral("12"));
        QVERIFY(a.views.empty());
        c.notices.unsubscribe(&a);
        c.status.showWaitPanel(false);
        QVERIFY(a.views.empty());
        QCOMPARE(b.views[View::WaitPanel], 1);
    }

    // A report changes several cells of a row: its consumers hear of the sensor once, after it.
    void aGatheringAnnouncesEachSensorOnce() {
        Console c;
        Heard a;
        c.notices.subscribe(&a);
        {
            const ChangeNotices::Gathering outer(c.notices);
            {
                const ChangeNotices::Gathering inner(c.notices);
                c.sensorRows.setLoop(4, 1, LoopCell::Alarm);
                c.sensorRows.setState(4, 0);
                c.sensorRows.setColour(9, colours::alarm);
            }
            c.sensorRows.setLoop(4, 2, LoopCell::Alarm);
            QVERIFY(a.sensors.empty());
        }
        QCOMPARE(a.sensors, (std::map<int, int>{{4, 1}, {9, 1}}));
        c.sensorRows.setLoop(4, 1, LoopCell::Normal); // no gathering: at once
        QCOMPARE(a.sensors[4], 2);
    }

    void aCopyNeverSpeaksForTheConsoleItCameFrom() {
        Listened core, mirror;
        core.c->notices.subscribe(&core.more);
        mirror.c->notices.subscribe(&mirror.more);
        core.c->status.setPanel(StatusLine::kPortPanel, QStringLiteral("COM3 включён"));
        QCOMPARE(core.more.views[View::StatusBar], 1);
        // The copy keeps its own line: its changes go to its own listeners only.
        mirror.c->status = core.c->status;
        mirror.c->osc = core.c->osc;
        QCOMPARE(mirror.c->status.panel(StatusLine::kPortPanel), QStringLiteral("COM3 включён"));
        mirror.c->status.setPanel(StatusLine::kPortPanel, QString());
        QCOMPARE(core.more.views[View::StatusBar], 1);
        QCOMPARE(mirror.more.views[View::StatusBar], 1);
        // The windows' mirror is silenced altogether.
        mirror.c->notices.silence();
        mirror.c->osc.startCameToNothing(QStringLiteral("нет"));
        QCOMPARE(mirror.more.views.count(View::Oscilloscope), size_t(0));
        QCOMPARE(core.more.views.count(View::Oscilloscope), size_t(0));
    }
};

QTEST_GUILESS_MAIN(TestChangeNotices)
#include "tst_changenotices.moc"
