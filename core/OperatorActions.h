// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "link/ConverterLink.h"
#include "registry/AlarmBoard.h"
#include "registry/ChangeNotices.h"
#include "registry/Clock.h"
#include "registry/DutyOperator.h"
#include "registry/EventLog.h"
#include "registry/OperatorCommands.h"
#include "registry/OperatorList.h"
#include "registry/OscControls.h"
#include "registry/OscScope.h"
#include "registry/SensorRows.h"
#include "registry/SensorTable.h"
#include "registry/StatusLine.h"
#include "core/TimedDisarmActions.h"
#include "registry/Storage.h"
#include "registry/TableSelection.h"
#include "registry/TimedDisarms.h"

#include <QString>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

namespace vatrel {

// What the operator does to the sensors, the alarms and the oscillogram. Every window that offers an
// action calls the one function here, so the rules are the same wherever the operator asks: a refusal
// shows the same box (through ConsoleUi) or none at all, whichever window it came from.

// The largest factory number the bus commands carry (they hold 16 bits).
constexpr int kMaxBusNumber = 65535;

struct ConnectInput {
    QString number;         // the typed factory number
    int type = 0;           // 0 type A, 1 type B
    int operatorIndex = -1; // the chosen entry of the operator list
};

// One acknowledgement the operator gave in the alarm window.
struct AlarmAcknowledgement {
    std::vector<quint64> ids; // the alarms chosen (AlarmBoard ids)
    quint64 seenId = 0;       // the newest alarm the window had drawn
    QString reason;
    QString comment; // optional; at most kAckCommentMax characters are kept
};
constexpr int kAckCommentMax = 100;

// The accepted range of a type A DC component, as the sensor command allows it.
constexpr int kDcAMin = 1;
constexpr int kDcAMax = 4095;

// The values the DC component dialog edits. They belong to the one sensor the dialog was opened
// for, apart from the oscilloscope tab's values of the sensor under oscillogram: a dialog opened
// for another sensor must not change what the tab sends for its own.
struct DcWorking {
    quint16 a = 0;    // type A value
    float flank1 = 0; // type B values
    float flank2 = 0;
};

// What the DC component dialog shows when it opens.
struct DcEditors {
    int type = -1;  // 0 the type A editor is enabled, 1 the type B editors are, -1 leave them as they are
    QString value;  // type A entry
    QString flank1; // type B entries
    QString flank2;
};

// Loads the working values from the selected sensor and returns the entries' texts.
DcEditors openDcEditors(const TableSelection& selection, const SensorTable& sensors, DcWorking& w);
// Leaving the type A entry: a whole number in range becomes the working value. False (after the
// box) when the text is refused; the previous value then stays.
bool dcValueEntered(const ChangeNotices& notices, DcWorking& w, const QString& text);
// Leaving a type B entry (flank 1 or 2): a real number becomes the working value of that flank.
bool dcFlankEntered(const ChangeNotices& notices, DcWorking& w, int flank, const QString& text);

// A scale entry of an oscilloscope chart (link/Oscilloscope.h).
using ScaleSetter = bool (*)(OscScope& scope, const ChangeNotices& notices, const QString& typed);

// The operator's actions, on the parts they touch: the sensor table and what its rows show, the
// table's selection, the operator list, the alarm list, the oscilloscope's entries and scales, the
// converter link (the commands it queues) and the toolbar's count; events go to the event log and
// sensor files to the store.
class OperatorActions {
public:
    OperatorActions(SensorTable& sensors, SensorRows& sensorRows, TableSelection& selection,
                    OperatorList& operators, DutyOperator& duty, AlarmBoard& alarms, OscControls& osc,
                    OscScope& scope, ConverterLink& link, StatusLine& status, EventLog& eventLog,
                    SensorStore& store, TimedDisarms& timedDisarms, const ChangeNotices& notices,
                    const Clock& clock, const QString& dataDir)
        : m_sensors(sensors), m_sensorRows(sensorRows), m_selection(selection), m_operators(operators),
          m_duty(duty), m_alarms(alarms), m_osc(osc), m_scope(scope), m_link(link), m_status(status),
          m_eventLog(eventLog), m_store(store), m_timedDisarms(timedDisarms), m_notices(notices),
          m_clock(clock), m_dataDir(dataDir) {}

    // -----------------------------------------------------------------------------------------
    // The sensor table's menu (registry/OperatorCommands.h).

    PopupMenuState sensorMenuState() const;
    DialogRequest askSensorLog() const;

    // -----------------------------------------------------------------------------------------
    // Arming and disarming a loop (1 or 2). The console's own state: nothing goes to the converter.

    // Arms or disarms one loop of the sensor in `slot`: stores the flag, logs the event, writes the
    // table cell and the row colour. Returns true when the flag changed. Refused without a box for
    // a slot outside the table, an empty position, a sensor off line, or a loop already in that state.
    // Either ends the loop's timed disarm (TimedDisarmActions): disarming a loop disarmed until a set
    // time leaves it disarmed for good, logged as a disarm.
    bool armLoop(int slot, int loop);
    bool disarmLoop(int slot, int loop);

    // The table's menu items: the selected row's sensor; no selection shows the no-selection box.
    void armSelectedLoop(int loop);
    void disarmSelectedLoop(int loop);

    // The alarm window's buttons: the sensor named by the number the operator typed. A text that is
    // not a whole number, 0 or a number no slot holds is ignored without a box.
    bool disarmLoopOfSensor(const QString& number, int loop);

    // -----------------------------------------------------------------------------------------
    // Alarms

    // "Отбой тревог": empties the alarm list, resets its counts and stops the sound, and logs how many
    // alarms it cleared. Hiding the window is the window's own part. Only the alarms up to
    // `lastSeenId`, the newest the window had drawn, are acknowledged: newer ones stay listed and
    // sounding.
    void acknowledgeAllAlarms(quint64 lastSeenId = std::numeric_limits<quint64>::max());

    // "Подтвердить": each chosen alarm that is still new is acknowledged with the reason and the
    // comment, one event logged for each (the alarm, its time, the reason, the comment and the
    // operator on duty). The sound stops once no listed alarm is new. Returns how many alarms were
    // acknowledged.
    int acknowledgeAlarms(const AlarmAcknowledgement& ack);

    // -----------------------------------------------------------------------------------------
    // Connecting and disconnecting

    // Whether the connect / disconnect dialog may open: refused (with its box) while the converter
    // is linked but the address map is still on its way to it. Off line the dialogs open.
    DialogRequest requestConnectSensor() const;
    DialogRequest requestDisconnectSensor() const;

    // Puts a sensor into the selected row's slot. Returns true when the sensor was connected; on any
    // refusal the box is shown and nothing changes. The files are written first (the settings file,
    // then hw.dat), the events after. `afterWrite`, when given, runs after each of these steps (the
    // crash tests stop the process there).
    bool connectSensor(const ConnectInput& in, const std::function<void()>& afterWrite = {});

    // Takes the sensor out of the selected row's slot in the name of operator list entry
    // `operatorIndex`. Returns true when the sensor was disconnected. The settings record is
    // stamped, hw.dat saved, the event logged; `afterWrite` as above.
    bool disconnectSensor(int operatorIndex, const std::function<void()>& afterWrite = {});

    // The operator list's "Добавить" and "Удалить" (OperatorList::add, OperatorList::remove).
    // Removing the operator on duty leaves nobody on duty, logged as a release.
    int addOperator(const QString& typed);
    bool removeOperator(int index);

    // -----------------------------------------------------------------------------------------
    // The operator on duty

    // The toolbar's choice: operator list entry `operatorIndex` takes over the duty (-1: nobody).
    // Logs the change and keeps it in data/duty.dat (a box when the file did not take it). False
    // when nothing changed: the same operator again, or an index the list does not hold.
    bool takeDuty(int operatorIndex);

    // -----------------------------------------------------------------------------------------
    // Threshold DC components

    // Whether the DC component dialog may open for the selected sensor: it needs the converter
    // linked and the address map transferred (each refusal with its box); an empty position opens
    // nothing.
    DialogRequest requestDcComponents() const;

    // Sends new DC components to the sensor in `slot` and keeps them in its record. A flank not
    // given keeps its stored value and goes out as stored. When the oscilloscope tab watches this
    // sensor, the given values show there too. False when the slot holds no sensor, or (type A) the
    // value is outside kDcAMin … kDcAMax; nothing is then changed or sent.
    bool setDcComponentsB(int slot, std::optional<float> flank1, std::optional<float> flank2);
    bool setDcComponentA(int slot, quint16 value);

    // The DC component dialog's entries (the free functions above, on these parts).
    DcEditors openDcEditors(DcWorking& w) const;
    bool dcValueEntered(DcWorking& w, const QString& text) const;
    bool dcFlankEntered(DcWorking& w, int flank, const QString& text) const;
    // "Принять": the selected sensor's DC components as its type has them. True when a command was
    // queued.
    bool acceptDcComponents(const DcWorking& w);

    // The oscilloscope tabs' DC component entries, for the sensor under oscillogram. They take what
    // was typed, leave in the oscilloscope's entries the text the entry shows next (the value sent,
    // when accepted) and return false when the entry must take the focus back.
    bool recordDcFlank1(const QString& typed);    // "Запись" beside flank 1's entry
    bool recordDcFlank2(const QString& typed);    // "Запись" beside flank 2's entry
    bool enterDcComponentA(const QString& typed); // leaving the type A entry

    // -----------------------------------------------------------------------------------------
    // Oscillogram. Both are requests: the oscillogram starts or stops when the converter confirms.

    // "Включить": checks the position entry and queues the start. False when the position entry
    // must take the focus back.
    bool startOscillogram();
    // "Выключить": queues the stop.
    void stopOscillogram();

    // A chart's scale entry: `set` takes what was typed; false when the entry must take the focus back.
    bool setScale(ScaleSetter set, const QString& typed) { return set(m_scope, m_notices, typed); }

private:
    void logShiftChange(const QString& was);
    bool changeLoop(int slot, int loop, bool arm);
    TimedDisarmActions timed();
    void selectedLoop(int loop, bool arm);
    DialogRequest whenAddressMapAllows(DialogRequest request) const;
    bool oscAddressMapDone() const;
    bool recordDcFlank(int flank, const QString& typed);
    int oscSlot() const;

    SensorTable& m_sensors;
    SensorRows& m_sensorRows;
    TableSelection& m_selection;
    OperatorList& m_operators;
    DutyOperator& m_duty;
    AlarmBoard& m_alarms;
    OscControls& m_osc;
    OscScope& m_scope;
    ConverterLink& m_link;
    StatusLine& m_status;
    EventLog& m_eventLog;
    SensorStore& m_store;
    TimedDisarms& m_timedDisarms;
    const ChangeNotices& m_notices;
    const Clock& m_clock;
    const QString& m_dataDir;
};

} // namespace vatrel
