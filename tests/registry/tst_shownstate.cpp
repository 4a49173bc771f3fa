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
    // Of the sensor table only the rows named are copied; a copy of everything takes every row.
    void onlyTheNamedSensorRowsReachTheCopy() {
        auto core = std::make_unique<Console>();
        auto shown = std::make_unique<Console>();
        const ViewSet views = viewBit(ConsoleUi::View::SensorGrid);
        core->sensorRows.setState(0, 0);
        core->sensorRows.setState(1, 15);
        SlotSet rows;
        rows.set(1);
        copyShownState(*core, *shown, views, false, false, &rows);
        QCOMPARE(shown->sensorRows.row(0).state, kNoStateCell);
        QCOMPARE(shown->sensorRows.row(1).state, 15);
        copyShownState(*core, *shown, 0, false, true, &rows);
        QCOMPARE(shown->sensorRows.row(0).state, 0);
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
};

QTEST_GUILESS_MAIN(TestShownState)
#include "tst_shownstate.moc"
