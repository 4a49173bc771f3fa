// SPDX-License-Identifier: GPL-3.0-or-later
// The windows' mirror of a core on its own thread: each change the core makes reaches the mirror's
// views once, and what the mirror does reaches no listener of the core.
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

    // The parts copied into the windows' copy keep no line to the core's notices: what the copy
    // does (on the window thread) reaches none of the core's listeners.
    void copiedPartsAnnounceNothing() {
        auto core = std::make_unique<Console>();
        auto shown = std::make_unique<Console>();
        struct Listener : ChangeListener {
            void changed(View) override { ++heard; }
            int heard = 0;
        } listener;
        core->notices.subscribe(&listener);
        core->events.add({});
        core->alarms.raise({});
        QCOMPARE(listener.heard, 2);
        copyShownState(*core, *shown, kAllViews, false, true);
        QCOMPARE(shown->events.lastNumber(), quint64(1));
        QCOMPARE(shown->alarms.rows(), 1);
        shown->events.add({});
        shown->alarms.acknowledgeAll();
        QCOMPARE(listener.heard, 2);
    }

    // The alarm window's one-minute warning goes over with the alarm list, and the copy announces
    // nothing when it changes there.
    void timedDisarmWarningGoesWithTheAlarmList() {
        using View = ConsoleUi::View;
        auto core = std::make_unique<Console>();
        auto shown = std::make_unique<Console>();
        struct Listener : ChangeListener {
            void changed(View v) override { heard += v == View::AlarmList; }
            int heard = 0;
        } listener;
        core->notices.subscribe(&listener);
        core->timedDisarms.set(1234, 2, 90'000);
        QVERIFY(core->timedDisarms.updateWarnings(30'000));
        QCOMPARE(listener.heard, 1);
        copyShownState(*core, *shown, viewBit(View::SensorGrid), false);
        QVERIFY(shown->timedDisarms.warnings().isEmpty());
        copyShownState(*core, *shown, viewBit(View::AlarmList), false);
        QCOMPARE(shown->timedDisarms.warnings(), (QList<TimedDisarm>{{1234, 2, 90'000}}));
        shown->timedDisarms.remove(1234, 2);
        shown->timedDisarms.updateWarnings(30'000);
        QCOMPARE(listener.heard, 1);
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
