// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Console.h"
#include "registry/OperatorCommands.h"

#include <QString>
#include <functional>
#include <limits>
#include <optional>

namespace vatrel {

// What the operator does to the sensors, the alarms and the oscillogram. Every window that offers an
// action calls the one function here, so the rules are the same wherever the operator asks: a refusal
// shows the same box (through ConsoleUi) or none at all, whichever window it came from.

// ---------------------------------------------------------------------------------------------
// Arming and disarming a loop (1 or 2). The console's own state: nothing goes to the converter.

// Arms or disarms one loop of the sensor in `slot`: stores the flag, logs the event, writes the
// table cell and the row colour. Returns true when the flag changed. Refused without a box for a
// slot outside the table, an empty position, a sensor off line, or a loop already in that state.
bool armLoop(Console& c, int slot, int loop);
bool disarmLoop(Console& c, int slot, int loop);

// The table's menu items: the selected row's sensor; no selection shows the no-selection box.
void armSelectedLoop(Console& c, int loop);
void disarmSelectedLoop(Console& c, int loop);

// The alarm window's buttons: the sensor named by the number the operator typed. A text that is
// not a whole number, 0 or a number no slot holds is ignored without a box.
bool disarmLoopOfSensor(Console& c, const QString& number, int loop);

// ---------------------------------------------------------------------------------------------
// Alarms

// "Отбой тревог": empties the alarm list, resets its counts and stops the sound. Nothing is logged.
// Hiding the window is the window's own part. Only the alarms up to `lastSeenId`, the newest the
// window had drawn, are acknowledged: newer ones stay listed and sounding.
void acknowledgeAllAlarms(Console& c, quint64 lastSeenId = std::numeric_limits<quint64>::max());

// ---------------------------------------------------------------------------------------------
// Connecting and disconnecting

// Whether the connect / disconnect dialog may open: refused (with its box) while the converter is
// linked but the address map is still on its way to it. Off line the dialogs open.
DialogRequest requestConnectSensor(Console& c);
DialogRequest requestDisconnectSensor(Console& c);

// The largest factory number the bus commands carry (they hold 16 bits).
constexpr int kMaxBusNumber = 65535;

struct ConnectInput {
    QString number;         // the typed factory number
    int type = 0;           // 0 type A, 1 type B
    int operatorIndex = -1; // the chosen entry of the operator list
};

// Puts a sensor into the selected row's slot. Returns true when the sensor was connected; on any
// refusal the box is shown and nothing changes. The files are written first (the settings file, then
// hw.dat), the events after. `afterWrite`, when given, runs after each of these steps (the crash
// tests stop the process there).
bool connectSensor(Console& c, const ConnectInput& in, const std::function<void()>& afterWrite = {});

// Takes the sensor out of the selected row's slot in the name of operator list entry
// `operatorIndex`. Returns true when the sensor was disconnected. The settings record is stamped,
// hw.dat saved, the event logged; `afterWrite` as above.
bool disconnectSensor(Console& c, int operatorIndex, const std::function<void()>& afterWrite = {});

// ---------------------------------------------------------------------------------------------
// Threshold DC components

// The accepted range of a type A DC component, as the sensor command allows it.
constexpr int kDcAMin = 1;
constexpr int kDcAMax = 4095;

// Whether the DC component dialog may open for the selected sensor: it needs the converter linked
// and the address map transferred (each refusal with its box); an empty position opens nothing.
DialogRequest requestDcComponents(Console& c);

// Sends new DC components to the sensor in `slot` and keeps them in its record. A flank not given
// keeps its stored value and goes out as stored. When the oscilloscope tab watches this sensor, the
// given values show there too. False when the slot holds no sensor, or (type A) the value is outside
// kDcAMin … kDcAMax; nothing is then changed or sent.
bool setDcComponentsB(Console& c, int slot, std::optional<float> flank1, std::optional<float> flank2);
bool setDcComponentA(Console& c, int slot, quint16 value);

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
DcEditors openDcEditors(const Console& c, DcWorking& w);
// Leaving the type A entry: a whole number in range becomes the working value. False (after the
// box) when the text is refused; the previous value then stays.
bool dcValueEntered(const Console& c, DcWorking& w, const QString& text);
// Leaving a type B entry (flank 1 or 2): a real number becomes the working value of that flank.
bool dcFlankEntered(const Console& c, DcWorking& w, int flank, const QString& text);
// "Принять": the selected sensor's DC components as its type has them. True when a command was queued.
bool acceptDcComponents(Console& c, const DcWorking& w);

// The oscilloscope tabs' DC component entries, for the sensor under oscillogram. They take what was
// typed, leave in c.osc the text the entry shows next (the value sent, when accepted) and return
// false when the entry must take the focus back.
bool recordDcFlank1(Console& c, const QString& typed);    // "Запись" beside flank 1's entry
bool recordDcFlank2(Console& c, const QString& typed);    // "Запись" beside flank 2's entry
bool enterDcComponentA(Console& c, const QString& typed); // leaving the type A entry

// ---------------------------------------------------------------------------------------------
// Oscillogram. Both are requests: the oscillogram starts or stops when the converter confirms.

// "Включить": checks the position entry and queues the start. False when the position entry must
// take the focus back.
bool startOscillogram(Console& c);
// "Выключить": queues the stop.
void stopOscillogram(Console& c);

} // namespace vatrel
