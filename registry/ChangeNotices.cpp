// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/ChangeNotices.h"
#include "registry/ConsoleUi.h"
#include "registry/FeedSink.h"
#include "registry/SensorRows.h"
#include "registry/SensorTable.h"

#include <utility>

namespace vatrel {

template <class F> void ChangeNotices::each(F f) const {
    if (m_silent) return;
    if (m_windows) f(*m_windows);
    if (m_feed) f(*m_feed);
    for (ChangeListener* l : m_more)
        f(*l);
}

void ChangeNotices::changed(View v) const {
    each([v](ChangeListener& l) { l.changed(v); });
}

void ChangeNotices::sensorChanged(int slot) const {
    if (slot < 0 || slot >= kSlots) return;
    if (m_gatherings > 0) {
        m_gathered.set(size_t(slot));
        return;
    }
    const SensorRecord& record = m_sensors.record(slot);
    const SensorRow& row = m_rows.row(slot);
    each([&](ChangeListener& l) { l.sensorChanged(slot, record, row); });
}

void ChangeNotices::converterChanged() const {
    if (m_silent) return;
    const ConverterNotice now = m_describeConverter ? m_describeConverter() : ConverterNotice{};
    each([&now](ChangeListener& l) { l.converterChanged(now); });
}

void ChangeNotices::eventLogged(const EventRecord& rec, int sensorType) const {
    each([&rec, sensorType](ChangeListener& l) { l.eventLogged(rec, sensorType); });
}

ConsoleUi* ChangeNotices::windows() const { return m_windows; }

void ChangeNotices::error(const QString& text) const {
    if (m_windows) m_windows->message(QStringLiteral("Ошибка"), text, ConsoleUi::Icon::Error);
}

ChangeNotices::Gathering::Gathering(const ChangeNotices& notices) : m_notices(notices) {
    ++m_notices.m_gatherings;
}

ChangeNotices::Gathering::~Gathering() {
    if (--m_notices.m_gatherings > 0 || m_notices.m_gathered.none()) return;
    const std::bitset<kSlots> gathered = std::exchange(m_notices.m_gathered, {});
    for (int slot = 0; slot < kSlots; ++slot)
        if (gathered.test(size_t(slot))) m_notices.sensorChanged(slot);
}

} // namespace vatrel
