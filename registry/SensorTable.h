// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"
#include "registry/Records.h"

#include <QtGlobal>
#include <array>

namespace vatrel {

constexpr quint8 kDeviceCode = 22;
// The state code the console stores for a sensor that does not answer ("Нет связи").
constexpr int kStatusNoLink = 15;

// One entry of the converter's address map: which sensor the converter polls at a position.
struct KartaEntry {
    quint8 device_code = 0;
    quint16 factory_number = 0;
};

// The kSlots positions of the sensor line: each position's sensor record, whether its sensor answers
// (on line) and its entry of the converter's address map. A slot index that came from the line or
// from a file is checked before it is used: the predicates answer false for one out of range and
// everything else stops the program rather than reach past the table.
class SensorTable {
public:
    void connect(const ChangeNotices* notices) { m_line.connect(notices); }

    static bool isSlot(int slot) { return slot >= 0 && slot < kSlots; }

    const SensorRecord& record(int slot) const { return m_records[index(slot)]; }
    SensorRecord& record(int slot) { return m_records[index(slot)]; }
    const std::array<SensorRecord, kSlots>& records() const { return m_records; }

    // Whether a sensor is connected at the slot (false for a slot out of range).
    bool occupied(int slot) const { return isSlot(slot) && m_records[size_t(slot)].occupied(); }
    // The first slot whose record holds this factory number, or -1. Number 0 finds the first empty
    // slot. The slot is the position found, never the record's stored slot_index.
    int findSlot(quint32 factoryNumber) const;
    // Connected sensors.
    int count() const;
    // Whether a connected sensor goes by this number on the bus, which carries 16 bits of it.
    bool busNumberTaken(quint16 number) const;

    // Every record to its start-up default, before the files are read.
    void resetToStartupDefaults();
    // Every record's live state reset, as the exit stores them.
    void resetLiveStates();
    // No sensor sends an oscillogram any more.
    void stopOscillograms();

    // Whether the slot's sensor answers the converter (false for a slot out of range).
    bool isOnline(int slot) const { return isSlot(slot) && m_online[size_t(slot)]; }
    void setOnline(int slot, bool online) { m_online[index(slot)] = online; }
    // The record's link flag (link_up): whether the sensor answered since its link was last lost.
    // A change is announced as that sensor's change.
    void setLinkUp(int slot, bool up);

    const KartaEntry& addressEntry(int slot) const { return m_addresses[index(slot)]; }
    void setAddressEntry(int slot, const KartaEntry& entry) { m_addresses[index(slot)] = entry; }
    // The slot's map entry made from its record: the device code and the low 16 bits of the number
    // for a connected sensor, an empty entry otherwise.
    void mapAddress(int slot);
    void mapAllAddresses();

private:
    static size_t index(int slot);

    std::array<SensorRecord, kSlots> m_records{};
    std::array<bool, kSlots> m_online{};
    std::array<KartaEntry, kSlots> m_addresses{};
    NoticeLine m_line;
};

} // namespace vatrel
