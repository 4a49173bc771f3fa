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
        // Copies that pile up before the view draws keep the marks it has not taken.
        core->sensor_grid.set(colLoop1, 3, QStringLiteral("c"));
        copyShownState(*core, *shown, views, false);
        QCOMPARE(shown->sensor_grid.changedColumns(2), 1u << colState);
        QCOMPARE(shown->sensor_grid.changedColumns(3), 1u << colLoop1);
        QVERIFY(!core->sensor_grid.hasChanges());
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
