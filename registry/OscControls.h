// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"

#include <QString>
#include <array>

namespace vatrel {

// The oscilloscope tabs' entries whose text the core may rewrite.
enum class OscEntry {
    Position, // the position to start an oscillogram for
    DcFlank1, // type B: the DC component of flank 1
    DcFlank2, // type B: the DC component of flank 2
    DcTypeA,  // type A: the DC component word
};

// What the oscilloscope tabs show that the core decides: the entries' texts (what the core wrote
// last, or what the operator typed since), whether a start can be asked for, what became of the
// last start request, and the DC components held for the sensor under oscillogram. Every change the
// windows did not make themselves is announced.
class OscControls {
public:
    void connect(const ChangeNotices* notices) { m_notices.connect(notices); }

    // The slot under oscillogram, -1 when none runs. The sensor table dims every other row.
    int slot() const { return m_slot; }
    // Announced as a change of the table too; a slot out of range counts as none.
    void setSlot(int slot);

    const QString& text(OscEntry e) const { return m_texts[size_t(e)]; }
    // What the operator typed: the entry shows it already, so nothing is announced.
    void setTyped(OscEntry e, const QString& text) { m_texts[size_t(e)] = text; }

    // The position entry, its label and "Включить" take input (no start is on its way or running).
    bool startOpen() const { return m_startOpen; }
    // What became of the last start request when it came to nothing; empty otherwise.
    const QString& startOutcome() const { return m_startOutcome; }
    // A start was asked for, or an oscillogram runs: the start controls close.
    void closeStart();
    // The oscillogram ended: the start controls open; what became of an earlier request stays.
    void openStart();
    // The start request came to nothing: the controls open and `outcome` says why.
    void startCameToNothing(const QString& outcome);
    // The oscillogram of this slot runs on from the last run: its position shows, the controls close.
    void showRunningPosition(int slot);
    // The start request was answered: the outcome of an earlier one goes.
    void clearOutcome();

    // DC components held for the sensor under oscillogram (flank 0 or 1; type A word).
    float dcFlank(int flank) const { return m_dcFlank[flank == 0 ? 0 : 1]; }
    quint16 dcTypeA() const { return m_dcA; }
    // Holds a flank's value and shows it ("%.3f").
    void showDcFlank(int flank, float value);
    // Holds the type A word; `shown` also writes it into its entry.
    void holdDcTypeA(quint16 value, bool shown);

private:
    void announce() const { m_notices.changed(View::Oscilloscope); }

    NoticeLine m_notices;
    int m_slot = -1;
    std::array<QString, 4> m_texts{QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                                   QStringLiteral("4")};
    bool m_startOpen = true;
    QString m_startOutcome;
    std::array<float, 2> m_dcFlank{};
    quint16 m_dcA = 0;
};

} // namespace vatrel
