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

    // Hand-overs that pile up before the view draws (core → pending → shown): the moves add up and
    // the marks the view has not taken move with the rows.
    void movesAndMarksAddUpUntilTheViewDraws() {
        TextGrid core(1, 11), pending(1, 11), shown(1, 11);
        const auto handOver = [&] {
            core.handOver(pending);
            pending.handOver(shown);
        };
        core.scrollUp(1, 10);
        handOver();
        QCOMPARE(shown.takeShift().count, 1); // the view moved its rows
        shown.takeChanges([](int, int, int, int) {});
        core.scrollUp(1, 10);
        core.set(0, 10, QStringLiteral("первая"));
        handOver();
        core.scrollUp(1, 10);
        core.set(0, 10, QStringLiteral("вторая"));
        handOver();
        const TextGrid::Shift shift = shown.takeShift();
        QCOMPARE(shift.count, 2);
        QCOMPARE(shown.changedColumns(9), 1u);  // "первая", one row up since
        QCOMPARE(shown.changedColumns(10), 1u); // "вторая"
        QCOMPARE(shown.at(0, 9), QStringLiteral("первая"));
        QVERIFY(!core.hasChanges());
        QVERIFY(!pending.hasChanges());
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
};

QTEST_GUILESS_MAIN(TestShownState)
#include "tst_shownstate.moc"
