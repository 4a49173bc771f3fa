// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Console.h"

#include <QString>
#include <functional>

namespace vatrel {

// What the connect, disconnect and DC component dialogs do once the operator has filled them in.
// The dialogs only gather the input; every rule, file write, event and queued command is here.

// ---------------------------------------------------------------------------------------------
// Operator list controls (shared by the connect and disconnect dialogs)

// "Добавить": refuses a full list before anything is asked, then asks for the surname through
// `askSurname` (an empty answer means the operator cancelled), checks it, appends it to chop.dat and
// reloads the list. Returns the index of the new surname in the reloaded list, or -1.
int addOperator(Console& c, const std::function<QString()>& askSurname);

// "Удалить": asks for confirmation, marks entry `index` deleted in chop.dat and reloads the list.
// Returns true when the operator confirmed and the entry existed.
bool deleteOperator(Console& c, int index);

// ---------------------------------------------------------------------------------------------
// Connect and disconnect

// The largest factory number the bus commands carry (they hold 16 bits).
constexpr int kMaxBusNumber = 65535;

struct ConnectInput {
    QString number;         // EditNumSen's text
    int type = 0;           // ComboBoxTypeSen: 0 type A, 1 type B
    int operatorIndex = -1; // ComboBoxFam's selected item = index in the operator list
};

// "Принять" of the connect dialog for the selected row. Returns true when the sensor was connected;
// on any refusal the message is shown and nothing changes. The files are written first (the
// settings file, then hw.dat), the events after. `afterWrite`, when given, runs after each of these
// steps (the crash tests stop the process there).
bool connectSensor(Console& c, const ConnectInput& in, const std::function<void()>& afterWrite = {});

// "Принять" of the disconnect dialog for the selected row, in the name of list entry
// `operatorIndex`. Returns true when the sensor was disconnected. The settings record is stamped,
// hw.dat saved, the event logged; `afterWrite` as above.
bool disconnectSensor(Console& c, int operatorIndex, const std::function<void()>& afterWrite = {});

// ---------------------------------------------------------------------------------------------
// Threshold DC component

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
DcEditors openDcEditors(const Console& c, DcWorking& w);
// Leaving the type A entry: a whole number in range becomes the working value. False (after the
// message) when the text is refused; the previous value then stays.
bool dcValueEntered(const Console& c, DcWorking& w, const QString& text);
// Leaving a type B entry (flank 1 or 2): a real number becomes the working value of that flank.
bool dcFlankEntered(const Console& c, DcWorking& w, int flank, const QString& text);
// "Принять": stores the working values in the sensor's record, shows them on the oscilloscope tab
// when it watches this sensor, and queues the command. Returns true when a command was queued.
bool acceptDc(Console& c, const DcWorking& w);

} // namespace vatrel
