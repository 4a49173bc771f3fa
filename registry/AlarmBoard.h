// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"
#include "registry/Records.h"

#include <QString>
#include <QtGlobal>
#include <deque>

namespace vatrel {

constexpr int kAlarmListMax = 500;

// The alarms the operator has not yet acknowledged, oldest first. Each alarm keeps its event and an
// id that no other alarm of this run gets, so that a window or a later action can name one alarm
// whatever has moved around it. A change of the list or of its count is announced by the method
// that makes it.
class AlarmBoard {
public:
    enum class State { Active };

    struct Alarm {
        quint64 id = 0;
        EventRecord event;
        State state = State::Active;
    };

    // Lists the event as a new alarm and returns its id. Once kAlarmListMax alarms are listed the
    // oldest one drops out; the count goes on growing.
    quint64 raise(const EventRecord& event);
    // Empties the list and sets the count back to 0. Ids are not reused afterwards.
    void acknowledgeAll();
    // Acknowledges the alarms up to `lastSeenId` (ids grow with time): those the operator had on
    // screen. Newer ones stay listed, and the count is theirs.
    void acknowledgeUpTo(quint64 lastSeenId);

    const std::deque<Alarm>& alarms() const { return m_alarms; }
    // Alarms raised since the last acknowledgement, also those that dropped out of the list.
    quint32 total() const { return m_total; }
    int rows() const { return int(m_alarms.size()); }
    bool isEmpty() const { return m_alarms.empty(); }

    // Whether the alarm sound was started and not yet stopped, and the file it plays.
    bool soundOn() const { return m_soundOn; }
    void setSoundOn(bool on) { m_soundOn = on; }
    const QString& soundPath() const { return m_soundPath; }
    void setSoundPath(const QString& path) { m_soundPath = path; }

    void connectNotices(const ChangeNotices* notices) { m_line.connect(notices); }

private:
    NoticeLine m_line;
    std::deque<Alarm> m_alarms;
    quint64 m_nextId = 1;
    quint32 m_total = 0;
    bool m_soundOn = false;
    QString m_soundPath;
};

} // namespace vatrel
