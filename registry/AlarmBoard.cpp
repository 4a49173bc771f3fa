// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/AlarmBoard.h"

namespace vatrel {

quint64 AlarmBoard::raise(const EventRecord& event) {
    if (m_alarms.size() >= size_t(kAlarmListMax)) m_alarms.pop_front();
    const quint64 id = m_nextId++;
    m_alarms.push_back({id, event, State::Active});
    ++m_total;
    m_line.changed(View::AlarmList);
    return id;
}

void AlarmBoard::acknowledgeAll() {
    if (m_alarms.empty() && m_total == 0) return;
    m_alarms.clear();
    m_total = 0;
    m_line.changed(View::AlarmList);
}

void AlarmBoard::acknowledgeUpTo(quint64 lastSeenId) {
    const size_t listed = m_alarms.size();
    while (!m_alarms.empty() && m_alarms.front().id <= lastSeenId)
        m_alarms.pop_front();
    if (m_alarms.size() == listed && m_total == quint32(listed)) return;
    m_total = quint32(m_alarms.size());
    m_line.changed(View::AlarmList);
}

} // namespace vatrel
