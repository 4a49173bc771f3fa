// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/AlarmBoard.h"

namespace vatrel {

quint64 AlarmBoard::raise(const EventRecord& event) {
    if (m_alarms.size() >= size_t(kAlarmListMax)) m_alarms.pop_front();
    const quint64 id = m_nextId++;
    m_alarms.push_back({id, event, State::Active});
    ++m_total;
    return id;
}

void AlarmBoard::acknowledgeAll() {
    m_alarms.clear();
    m_total = 0;
}

void AlarmBoard::acknowledgeUpTo(quint64 lastSeenId) {
    while (!m_alarms.empty() && m_alarms.front().id <= lastSeenId)
        m_alarms.pop_front();
    m_total = quint32(m_alarms.size());
}

} // namespace vatrel
