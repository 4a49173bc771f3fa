// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "core/OperatorActions.h"
#include "core/TimedDisarmActions.h"
#include "link/ConverterLink.h"
#include "link/ConverterPort.h"
#include "link/Receiver.h"
#include "link/ReportDecoder.h"
#include "registry/AlarmBoard.h"
#include "registry/ChangeNotices.h"
#include "registry/Clock.h"
#include "registry/Colours.h"
#include "registry/DutyOperator.h"
#include "registry/EventLog.h"
#include "registry/Storage.h"
#include "registry/ConsoleUi.h"
#include "registry/EventJournal.h"
#include "registry/EventList.h"
#include "registry/OperatorList.h"
#include "registry/OscControls.h"
#include "registry/OscScope.h"
#include "registry/PortChoice.h"
#include "registry/Records.h"
#include "registry/SensorRowTexts.h"
#include "registry/SensorRows.h"
#include "registry/SensorTable.h"
#include "registry/StatusLine.h"
#include "registry/TableSelection.h"
#include "registry/TextGrid.h"
#include "registry/TimedDisarms.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <deque>
#include <functional>
#include <optional>

namespace vatrel {

class FeedSink; // registry/FeedSink.h

// All program state: the parts, put together here and nowhere else. main() owns one instance and
// the windows' door runs it on the core's thread; each test makes a fresh one. A function takes the
// parts it touches, not the console: the console builds the workers that need several parts.
struct Console {
    Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    // The parts announce their changes here; the windows (ui) and the feed always hear them.
    ChangeNotices notices{ui, feed, sensors, sensorRows};

    // Sensor registry.
    QString data_dir;
    SensorTable sensors; // the records, on-line flags and address map of every slot
    // What the sensor table shows of every slot.
    SensorRows sensorRows;
    TableSelection selection; // the sensor table's selected cell and its painting
    OperatorList operators;
    DutyOperator duty;    // the operator on duty, named in the events of the operator's actions
    EventJournal journal; // the event log files and the records that wait for the disk
    PortChoice ports;     // the port the converter is on
    // Loops disarmed until a set time (data/timed-disarm.dat).
    TimedDisarms timedDisarms;

    ConverterLink link; // the port, command queue, receive engine and diagnostics counts

    // Presentation state: exactly what the windows show.
    EventList events; // the main window's event list
    AlarmBoard alarms;
    OscControls osc;   // the oscilloscope tabs' entries and start controls
    OscScope scope;    // the oscilloscope charts' scales and samples
    StatusLine status; // the status bar, the toolbar's clock and count, the waiting panel

    // The windows; never null once the console runs (tests install a recording fake).
    ConsoleUi* ui = nullptr;

    // The site feed, when one is configured (not owned).
    FeedSink* feed = nullptr;

    // Time source, replaceable by tests.
    Clock clock;
    double now() const;

    // What works on several parts (built here, from exactly the parts each touches).
    EventLog eventLog{notices, events, journal, status, data_dir, clock};
    SensorStore store{data_dir, sensors, ports, notices};

    // Helpers shared by every part.
    QString path(const QString& fragment) const; // data_dir + "/" + fragment
    void changed(View v) const { notices.changed(v); }
    void error(const QString& text) const; // "Ошибка" box with the error icon

    // The workers on the parts, each built here from exactly the parts it touches.
    ReportDecoder decoder(); // reports into the table, events to the log files, the list and the alarm window
    Receiver receiver();     // the receive passes, reports to decoder()
    ConverterPort converterPort();
    OperatorActions actions();
    TimedDisarmActions timedDisarming(); // disarming a loop until a set time, and its end
};

} // namespace vatrel
