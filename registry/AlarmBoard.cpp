// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/AlarmBoard.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vatrel {

namespace {

// The whole second a record's time falls in, counted from the day count's start. Rounded to the
// millisecond first: a time stamped on a whole second must not fall a hair short of it.
qint64 secondOf(double days) {
    const qint64 ms = std::llround(days * 86400000.0);
    return ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
}

} // namespace

quint64 AlarmBoard::raise(const EventRecord& event) {
    const quint64 id = m_nextId++;
    ++m_total;
    countRecent(event.time);
    const auto same = std::find_if(m_alarms.begin(), m_alarms.end(), [&event](const Alarm& a) {
        // The stored code is shared by both loops' alarms; the text names the loop.
        return a.event.factory_number == event.factory_number && a.event.code == event.code &&
               a.event.text == event.text;
    });
    if (same != m_alarms.end()) {
        ++same->repeats;
        same->lastTime = event.time;
        same->lastId = id;
        // It alarms again: whatever was said of the earlier ones, this one is new.
        if (same->state != State::New || same->normalTime != 0) ++m_marks;
        same->state = State::New;
        same->normalTime = 0;
    } else {
        if (m_alarms.size() >= size_t(kAlarmListMax)) dropOne();
        m_alarms.push_back({id, event, State::New, 1, event.time, id, 0, {}, {}, 0});
    }
    m_line.changed(View::AlarmList);
    return id;
}

void AlarmBoard::countRecent(double time) {
    const qint64 second = secondOf(time);
    if (second > m_recentSecond) {
        // Seconds with no alarm between the newest counted and this one empty their slots.
        for (qint64 s = m_recentSecond + 1; s <= second && s <= m_recentSecond + kFloodWindowS; ++s)
            m_recent[size_t(s % kFloodWindowS)] = 0;
        m_recentSecond = second;
    }
    // An alarm stamped before the window (a clock set back) is not a flood of now.
    if (second > m_recentSecond - kFloodWindowS)
        ++m_recent[size_t(((second % kFloodWindowS) + kFloodWindowS) % kFloodWindowS)];
}

int AlarmBoard::recentAlarms(double now) const {
    const qint64 second = secondOf(now);
    quint64 n = 0;
    for (qint64 s = std::max(second - kFloodWindowS + 1, m_recentSecond - kFloodWindowS + 1);
         s <= m_recentSecond && s <= second; ++s)
        n += m_recent[size_t(((s % kFloodWindowS) + kFloodWindowS) % kFloodWindowS)];
    return int(std::min<quint64>(n, quint64(std::numeric_limits<int>::max())));
}

void AlarmBoard::dropOne() {
    // The oldest alarm already dealt with goes first: a new one leaves the list only when every
    // listed alarm is new.
    const auto dealtWith =
        std::find_if(m_alarms.begin(), m_alarms.end(), [](const Alarm& a) { return a.state != State::New; });
    if (dealtWith == m_alarms.end() || dealtWith == m_alarms.begin()) {
        m_alarms.pop_front();
        return;
    }
    m_alarms.erase(dealtWith);
    ++m_layout; // a row left from the middle
}

bool AlarmBoard::acknowledge(quint64 id, quint64 seenId, double time, const QString& byOperator,
                             const QString& reason) {
    const auto a =
        std::find_if(m_alarms.begin(), m_alarms.end(), [id](const Alarm& x) { return x.id == id; });
    // A repeat that came in after the list the operator looked at was drawn was not seen: the alarm
    // stays new, to be acknowledged with what the operator sees now.
    if (a == m_alarms.end() || a->state != State::New || a->lastId > seenId) return false;
    a->ackTime = time;
    a->ackOperator = byOperator;
    a->ackReason = reason;
    a->state = a->normalTime != 0 ? State::Normal : State::Acknowledged;
    ++m_marks;
    m_line.changed(View::AlarmList);
    return true;
}

void AlarmBoard::alarmOver(Alarm& a, double time) {
    a.normalTime = time;
    if (a.state == State::Acknowledged) a.state = State::Normal;
    ++m_marks;
    m_line.changed(View::AlarmList);
}

bool AlarmBoard::anyNew() const {
    return std::any_of(m_alarms.begin(), m_alarms.end(),
                       [](const Alarm& a) { return a.state == State::New; });
}

const AlarmBoard::Alarm* AlarmBoard::find(quint64 id) const {
    const auto a =
        std::find_if(m_alarms.begin(), m_alarms.end(), [id](const Alarm& x) { return x.id == id; });
    return a == m_alarms.end() ? nullptr : &*a;
}

void AlarmBoard::acknowledgeAll() {
    if (m_alarms.empty() && m_total == 0) return;
    m_alarms.clear();
    m_total = 0;
    m_line.changed(View::AlarmList);
}

void AlarmBoard::acknowledgeUpTo(quint64 lastSeenId) {
    std::deque<Alarm> kept;
    bool regrouped = false;
    quint32 count = 0;
    for (Alarm a : m_alarms) {
        if (a.lastId <= lastSeenId) continue;
        if (a.id <= lastSeenId) {
            // Seen, but it alarmed again since: what stays is the newest event alone, under its id.
            a.id = a.lastId;
            a.event.time = a.lastTime;
            a.repeats = 1;
            regrouped = true;
        }
        count += a.repeats;
        kept.push_back(a);
    }
    if (kept.size() == m_alarms.size() && !regrouped && m_total == count) return;
    // A view moves its rows up when only the oldest went; anything else it draws anew.
    const bool oldestWent =
        !regrouped && (kept.empty() || m_alarms[m_alarms.size() - kept.size()].id == kept.front().id);
    if (!oldestWent) {
        std::sort(kept.begin(), kept.end(), [](const Alarm& x, const Alarm& y) { return x.id < y.id; });
        ++m_layout;
    }
    m_alarms = std::move(kept);
    m_total = count;
    m_line.changed(View::AlarmList);
}

} // namespace vatrel
