// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/EventList.h"

namespace vatrel {

void EventList::add(const EventRecord& rec) {
    if (isFull()) m_entries.pop_front();
    m_entries.push_back({++m_listed, rec.time, rec.code, rec.text});
    m_line.changed(View::EventList);
}

const EventList::Entry& EventList::at(int row) const {
    static const Entry none;
    return row >= 0 && row < count() ? m_entries[size_t(row)] : none;
}

} // namespace vatrel
