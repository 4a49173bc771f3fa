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

    // The event list reaches the copies whole, and a copy announces nothing to the core's listeners.
    void eventListReachesTheCopies() {
        auto core = std::make_unique<Console>();
        auto pending = std::make_unique<Console>();
        auto shown = std::make_unique<Console>();
        Listener heard;
        core->notices.subscribe(&heard);
        EventRecord rec;
        for (int n = 1; n <= 3; ++n) {
            rec.text = QString::number(n);
            core->events.add(rec);
        }
        QCOMPARE(heard.eventList, 3);
        const ViewSet views = viewBit(ConsoleUi::View::EventList);
        copyShownState(*core, *pending, views, false);
        copyShownState(*pending, *shown, views, false);
        QCOMPARE(shown->events.count(), 3);
        QCOMPARE(shown->events.at(2).text, QStringLiteral("3"));
        QCOMPARE(shown->events.lastNumber(), quint64(3));
        shown->events.add(rec);
        QCOMPARE(heard.eventList, 3);
    }

private:
    struct Listener : ChangeListener {
        void changed(View v) override {
            if (v == View::EventList) ++eventList;
        }
        int eventList = 0;
    };
};

QTEST_GUILESS_MAIN(TestShownState)
#include "tst_shownstate.moc"
