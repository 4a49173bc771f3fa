// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/SensorTable.h"

namespace vatrel {

size_t SensorTable::index(int slot) {
    if (!isSlot(slot)) qFatal("sensor slot %d out of range", slot);
    return size_t(slot);
}

int SensorTable::findSlot(quint32 factoryNumber) const {
    for (int s = 0; s < kSlots; ++s)
        if (m_records[size_t(s)].factory_number == factoryNumber) return s;
    return -1;
}

int SensorTable::count() const {
    int n = 0;
    for (const SensorRecord& r : m_records)
        n += r.occupied();
    return n;
}

bool SensorTable::busNumberTaken(quint16 number) const {
    for (const SensorRecord& r : m_records)
        if (r.occupied() && (r.factory_number & 0xFFFF) == number) return true;
    return false;
}

void SensorTable::setLinkUp(int slot, bool up) {
    qint16& flag = m_records[index(slot)].link_up;
    if (flag == qint16(up ? 1 : 0)) return;
    flag = up ? 1 : 0;
    m_line.sensorChanged(slot);
}

void SensorTable::resetToStartupDefaults() { m_records.fill(SensorRecord::startupDefault()); }

void SensorTable::resetLiveStates() {
    for (SensorRecord& r : m_records)
        r.resetLiveState();
}

void SensorTable::stopOscillograms() {
    for (SensorRecord& r : m_records)
        r.osc_active = 0;
}

void SensorTable::mapAddress(int slot) {
    const SensorRecord& r = record(slot);
    m_addresses[size_t(slot)] =
        r.occupied() ? KartaEntry{kDeviceCode, quint16(r.factory_number & 0xFFFF)} : KartaEntry{};
}

void SensorTable::mapAllAddresses() {
    for (int s = 0; s < kSlots; ++s)
        mapAddress(s);
}

} // namespace vatrel
