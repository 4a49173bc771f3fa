// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "link/ConverterLink.h"
#include "registry/AlarmBoard.h"
#include "registry/ChangeNotices.h"
#include "registry/Colours.h"
#include "registry/ConsoleUi.h"
#include "registry/EventJournal.h"
#include "registry/OperatorList.h"
#include "registry/OscScope.h"
#include "registry/PortChoice.h"
#include "registry/Records.h"
#include "registry/SensorTable.h"
#include "registry/TextGrid.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <deque>
#include <functional>
#include <optional>

namespace vatrel {

class FeedSink; // registry/FeedSink.h

constexpr int kEventRowsMax = 500;
// Sensor table columns.
enum SensorColumn {
    colPos = 0,
    colAddress,
    colType,
    colLoop1,
    colLoop2,
    colThreshold1,
    colSignal1,
    colThreshold2,
    colSignal2,
    colState,
    colArmed1,
    colArmed2,
};

// Oscilloscope tab state decided by the core (the curves and scales are in Console::scope). The DC
// component entries and the start position show what the core puts here: a resumed oscillogram or a
// value sent for the sensor under oscillogram rewrites them; their handlers take what was typed.
// The scale entries' texts are the window's own.
struct OscControls {
    QString Edit7 = QStringLiteral("0");
    bool ButtonOnOscillVB_enabled = true;
    bool Edit7_enabled = true;
    bool LabelNumPosOscill_enabled = true;
    QString LabelOscState; // what became of the last start request when it came to nothing
    QString Delta1 = QStringLiteral("0");
    QString Delta2 = QStringLiteral("0");
    QString EDirect_component = QStringLiteral("4");
};

// All program state. main() owns one instance and hands it to every window by reference;
// each test makes a fresh one.
struct Console {
    Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // The parts announce their changes here; the windows (ui) and the feed always hear them.
    ChangeNotices notices{*this};

    // Sensor registry.
    QString data_dir;
    SensorTable sensors; // the records, on-line flags and address map of every slot
    std::array<RowStyle, kSlots> SensorRowStyles{};
    std::array<RowStyle, kEventRowsMax> EventRowStyles{};
    std::array<RowStyle, kEventRowsMax> ReportRowStyles{};
    qint32 selected_row = 0;
    qint32 selected_col = 0;
    qint16 osc_slot = -1;
    float osc_dc1 = 0;
    float osc_dc2 = 0;
    quint16 osc_dc_a = 0;
    qint16 event_rows = 0;
    OperatorList operators;
    EventJournal journal; // the event log files and the records that wait for the disk
    PortChoice ports;     // the port the converter is on
    bool selection_highlight = false;

    ConverterLink link; // the port, command queue, receive engine and diagnostics counts

    // Presentation state: exactly what the windows show.
    TextGrid sensor_grid{12, kSlots + 1};
    TextGrid event_grid{2, kEventRowsMax + 1, 2};
    AlarmBoard alarms;
    OscControls osc;
    OscScope scope;           // the oscilloscope charts' scales and samples
    QDateTime shownTime;      // the clock time the weekday and date labels show (null before the first tick)
    int shownSensorCount = 0; // the sensor count the toolbar shows
    std::array<QString, 5> status_panels{};
    bool wait_panel_visible = false;

    // The windows; never null once the console runs (tests install a recording fake).
    ConsoleUi* ui = nullptr;

    // The site feed, when one is configured (not owned).
    FeedSink* feed = nullptr;

    // Time source, replaceable by tests.
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
    double now() const;

    // Helpers shared by every part.
    QString path(const QString& fragment) const; // data_dir + "/" + fragment
    void changed(View v) const { notices.changed(v); }
    void error(const QString& text) const; // "Ошибка" box with the error icon
};

// Sensor table helpers.
void countSensorsForToolbar(Console& c); // the toolbar shows the new count
// Sets a sensor row's background; returns true when it changed (and then notifies the table).
bool setRowColour(Console& c, int slot, Colour colour);
// Tell the site feed, if any, that a sensor row changed.
void feedSensor(Console& c, int slot);

} // namespace vatrel
