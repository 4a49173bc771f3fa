// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"
#include "registry/Colours.h"
#include "registry/Records.h"

#include <array>
#include <bit>
#include <bitset>

namespace vatrel {

// A set of sensor slots, one bit per slot.
using SlotSet = std::bitset<kSlots>;

// What a loop cell of the sensor table shows.
enum class LoopCell : quint8 { Blank, Normal, Alarm };
// What an armed cell shows.
enum class ArmedCell : quint8 { Blank, Armed, Disarmed };

// The end of a timed disarm as a disarmed cell shows it: "Снят до 14:30", or "Снят до 09.12 14:30"
// when it is not today. The core says which, so the cell changes at midnight without a clock of its own.
struct DisarmEnd {
    qint64 endMs = 0; // ms since 1970-01-01 UTC; 0: no timed disarm
    bool showDate = false;
    bool operator==(const DisarmEnd&) const = default;
};

// What a threshold or signal cell shows: a value and the form its text takes.
struct MeasureCell {
    enum class Form : quint8 {
        Blank,  // nothing
        Stored, // the value the files hold, in its shortest general form
        Fixed3, // reported by a type B sensor: three decimals
        Whole,  // reported by a type A sensor: a 16-bit whole number
    };
    Form form = Form::Blank;
    float value = 0;

    static MeasureCell stored(float v) { return {Form::Stored, v}; }
    static MeasureCell fixed3(float v) { return {Form::Fixed3, v}; }
    static MeasureCell whole(quint16 v) { return {Form::Whole, float(v)}; }

    // Bit for bit: a NaN is the same as itself, and -0 is not 0 (their texts differ).
    bool operator==(const MeasureCell& o) const {
        return form == o.form && std::bit_cast<quint32>(value) == std::bit_cast<quint32>(o.value);
    }
};

// The state cell shows nothing.
constexpr int kNoStateCell = -1;

// What one row of the sensor table shows, as values; the texts are made from it (SensorRowTexts).
// The position number is the slot's own and is always shown.
struct SensorRow {
    Colour colour = 0;       // the row's background
    bool identified = false; // the address and type cells show `number` and `type`
    quint32 number = 0;
    qint16 type = 0;
    LoopCell loop1 = LoopCell::Blank;
    LoopCell loop2 = LoopCell::Blank;
    MeasureCell threshold1;
    MeasureCell signal1;
    MeasureCell threshold2;
    MeasureCell signal2;
    int state = kNoStateCell; // otherwise the code whose text stateText() gives
    ArmedCell armed1 = ArmedCell::Blank;
    ArmedCell armed2 = ArmedCell::Blank;
    DisarmEnd until1; // while loop 1 is disarmed on a timer
    DisarmEnd until2;
    bool operator==(const SensorRow&) const = default;
};

// The sensor table's rows as they are shown: each slot's row colour and cells. Every change of a row
// is announced as that sensor's change; a setter that leaves the row as it was announces nothing.
// A slot out of range is ignored.
class SensorRows {
public:
    void connect(const ChangeNotices* notices) { m_line.connect(notices); }

    const SensorRow& row(int slot) const;
    Colour colour(int slot) const { return row(slot).colour; }

    void setColour(int slot, Colour colour);
    // Every row's colour, before the files are read.
    void setAllColours(Colour colour);
    // The address and type cells show the sensor's number and type.
    void identify(int slot, quint32 number, qint16 type);
    void setLoop(int slot, int loop, LoopCell cell); // loop 1 or 2
    // The state cell shows stateText(code), or nothing for kNoStateCell.
    void setState(int slot, int code);
    void setThresholds(int slot, MeasureCell threshold1, MeasureCell threshold2);
    void setSignals(int slot, MeasureCell signal1, MeasureCell signal2);
    void setArmed(int slot, int loop, bool armed); // loop 1 or 2: "Взят" or "Снят"
    // The loop is disarmed until `end` ("Снят до 14:30"); setArmed() ends that.
    void setDisarmedUntil(int slot, int loop, DisarmEnd end);
    // The position holds no sensor: silver, and nothing shown but its number.
    void empty(int slot);

    // Copies the rows of `which` (every row for nullptr) without announcing: for the windows' mirror.
    void copyRows(const SensorRows& from, const SlotSet* which);

private:
    template <class F> void edit(int slot, F&& change);

    std::array<SensorRow, kSlots> m_rows{};
    NoticeLine m_line;
};

} // namespace vatrel
