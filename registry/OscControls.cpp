// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/OscControls.h"
#include "registry/NumberFormat.h"
#include "registry/Records.h"

namespace vatrel {

void OscControls::setSlot(int slot) {
    if (slot < 0 || slot >= kSlots) slot = -1;
    if (slot == m_slot) return;
    m_slot = slot;
    m_notices.changed(View::SensorGrid);
    announce();
}

void OscControls::closeStart() {
    m_startOpen = false;
    m_startOutcome.clear();
    announce();
}

void OscControls::openStart() {
    m_startOpen = true;
    announce();
}

void OscControls::startCameToNothing(const QString& outcome) {
    m_startOpen = true;
    m_startOutcome = outcome;
    announce();
}

void OscControls::showRunningPosition(int slot) {
    m_texts[size_t(OscEntry::Position)] = QString::number(slot + 1);
    m_startOpen = false;
    announce();
}

void OscControls::clearOutcome() {
    if (m_startOutcome.isEmpty()) return;
    m_startOutcome.clear();
    announce();
}

void OscControls::showDcFlank(int flank, float value) {
    const size_t f = flank == 0 ? 0 : 1;
    m_dcFlank[f] = value;
    m_texts[size_t(flank == 0 ? OscEntry::DcFlank1 : OscEntry::DcFlank2)] = formatFixed3(value);
    announce();
}

void OscControls::holdDcTypeA(quint16 value, bool shown) {
    m_dcA = value;
    if (shown) m_texts[size_t(OscEntry::DcTypeA)] = QString::number(value);
    announce();
}

} // namespace vatrel
