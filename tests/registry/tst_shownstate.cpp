// SPDX-License-Identifier: GPL-3.0-or-later
// The windows' mirror of a core on its own thread: each change the core makes reaches the mirror's
// views once, however the copies are chained (core → pending → mirror).
#include "core/ShownState.h"

#include <QTest>
#include <memory>

using namespace vatrel;

class TestShownState : public QObject {
    Q_OBJECT
private slots:
    void onlyNewChangesReachTheCopy() {
        auto core = std::make_unique<Console>();
        auto shown = std::make_unique<Console>();
        const ViewSet views = viewBit(ConsoleUi::View::SensorGrid);
        core->sensor_grid.set(colState, 1, QStringLiteral("a"));
        copyShownState(*core, *shown, views, false);
        shown->sensor_grid.takeChanges([](int, int, int, int) {}); // the view drew it
        core->sensor_grid.set(colState, 2, QStringLiteral("b"));
        copyShownState(*core, *shown, views, false);
        QCOMPARE(shown->sensor_grid.changedColumns(1), 0u);
        QCOMPARE(shown->sensor_grid.changedColumns(2), 1u << colState);
        QCOMPARE(shown->sensor_grid.at(colState, 1), QStringLiteral("a"));
    }

    // Copies that pile up before the view draws: the moves add up and the marks the view has not
    // taken move with the rows.
    void movesAndMarksAddUpUntilTheViewDraws() {
        auto core = std::make_unique<Console>();
        auto pending = std::make_unique<Console>();
        auto shown = std::make_unique<Console>();
        const ViewSet views = viewBit(ConsoleUi::View::EventList);
        core->event_grid.scrollUp(1, 10);
        copyShownState(*core, *pending, views, false);
        copyShownState(*pending, *shown, views, false);
        QCOMPARE(shown->event_grid.takeShift().count, 1); // the view moved its rows
        shown->event_grid.takeChanges([](int, int, int, int) {});
        core->event_grid.scrollUp(1, 10);
        core->event_grid.set(0, 10, QStringLiteral("первая"));
        copyShownState(*core, *pending, views, false);
        copyShownState(*pending, *shown, views, false);
        core->event_grid.scrollUp(1, 10);
        core->event_grid.set(0, 10, QStringLiteral("вторая"));
        copyShownState(*core, *pending, views, false);
        copyShownState(*pending, *shown, views, false);
        const TextGrid::Shift shift = shown->event_grid.takeShift();
        QCOMPARE(shift.count, 2);
        QCOMPARE(shown->event_grid.changedColumns(9), 1u);  // "первая", one row up since
        QCOMPARE(shown->event_grid.changedColumns(10), 1u); // "вторая"
        QCOMPARE(shown->event_grid.at(0, 9), QStringLiteral("первая"));
        QVERIFY(!core->event_grid.hasChanges());
        QVERIFY(!pending->event_grid.hasChanges());
    }

    // What the windows show of the converter link goes over with its own view, and only with it.
    void linkGoesWithItsViews() {
        using View = ConsoleUi::View;
        auto core = std::make_unique<Console>();
        auto shown = std::make_unique<Console>();
        core->link.countSlotReport(SlotCount::Timeouts, 4);
        core->link.beginPassCounts();
        core->link.countChecksumError();
        core->link.showPassCounts();
        core->ports.choose(6);
        copyShownState(*core, *shown,
                       kAllViews &
                           ~(viewBit(View::ComGrid) | viewBit(View::Diagnostics) | viewBit(View::PortChoice)),
                       true);
        QVERIFY(!shown->link.slotDiagnostics(4).countsShown);
        QVERIFY(!shown->link.counters().KS_ERR.shown);
        QCOMPARE(shown->ports.index(), 0);
        copyShownState(*core, *shown,
                       viewBit(View::ComGrid) | viewBit(View::Diagnostics) | viewBit(View::PortChoice),
                       false);
        QCOMPARE(shown->link.slotCount(SlotCount::Timeouts, 4), 1);
        QVERIFY(shown->link.slotDiagnostics(4).countsShown);
        QCOMPARE(shown->link.counters().KS_ERR.shown, 1);
        QCOMPARE(shown->ports.portName(), QStringLiteral("COM7"));
    }
};

QTEST_GUILESS_MAIN(TestShownState)
#include "tst_shownstate.moc"
