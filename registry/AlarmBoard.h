// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"
#include "registry/Records.h"

#include <QString>
#include <QtGlobal>
#include <array>
#include <deque>

namespace vatrel {

constexpr int kAlarmListMax = 500;

// The alarms of the alarm window, oldest first, until "Отбой тревог" clears them. Each alarm keeps
// its event and an id that no other alarm of this run gets, so that a window or a later action can
// name one alarm whatever has moved around it. The same event of the same sensor (a loop that alarms
// again: the same code and text) while its alarm is still listed does not take a row of its own: the
// listed alarm counts it and keeps its time and its id, so a chattering loop never pushes a new alarm
// of another one out of sight; a repeat after an acknowledgement makes the alarm new again.
// A change of the list or of its count is announced by the method that makes it.
class AlarmBoard {
public:
    // New: not yet acknowledged (it sounds). Acknowledged: an operator gave the reason. Normal: the
    // alarm is over (the loop or the sensor came back) while still listed.
    enum class State { New, Acknowledged, Normal };

    struct Alarm {
        quint64 id = 0;
        EventRecord event; // the first of the group
        State state = State::New;
        quint32 repeats = 1; // the events of the group, the first included
        double lastTime = 0; // the newest one's time
        quint64 lastId = 0;  // the id the newest one got: ids grow with every event listed
        // The acknowledgement (state Acknowledged or Normal): when, by whom (empty: nobody on duty)
        // and the reason the operator chose.
        double ackTime = 0;
        QString ackOperator;
        QString ackReason;
        // When the sensor reported the alarm over (0 while it lasts). An alarm over but not yet
        // acknowledged stays new.
        double normalTime = 0;
    };

    // More than this many alarms within kFloodWindowS seconds is a flood.
    static constexpr int kFloodLevel = 10;
    static constexpr int kFloodWindowS = 600;

    // Lists the event as a new alarm, or counts it in the listed alarm of the same sensor and event,
    // and returns the id it got. Once kAlarmListMax alarms are listed one drops out: the oldest one
    // acknowledged, or the oldest when all are new. The count goes on growing.
    quint64 raise(const EventRecord& event);
    // Empties the list and sets the count back to 0. Ids are not reused afterwards.
    void acknowledgeAll();
    // Acknowledges the alarms up to `lastSeenId` (ids grow with time): those the operator had on
    // screen. Newer ones stay listed, and the count is theirs. A group that had a repeat since stays
    // as that newest event alone.
    void acknowledgeUpTo(quint64 lastSeenId);
    // Acknowledges one alarm: it stays listed, drawn as dealt with. False, and nothing changes, when
    // no new alarm has the id or it has a repeat the operator had not seen (one after `seenId`).
    bool acknowledge(quint64 id, quint64 seenId, double time, const QString& byOperator,
                     const QString& reason);
    // The alarms of `factoryNumber` that `ends` picks are over at `time`.
    template <class Pick> void alarmsOver(quint32 factoryNumber, double time, Pick ends);
    // Whether any listed alarm is new: the sound runs while one is.
    bool anyNew() const;
    // The listed alarm with the id; null when it is not listed.
    const Alarm* find(quint64 id) const;

    // Grows whenever rows go other than the oldest first: a view then draws the list anew.
    quint64 layout() const { return m_layout; }
    // Grows whenever an alarm's state or its acknowledgement changes: a view then draws the rows again.
    quint64 marks() const { return m_marks; }
    // The newest id listed (0: none).
    quint64 newestId() const { return m_nextId - 1; }

    // The alarms raised within kFloodWindowS seconds up to `now` (a record's day count).
    int recentAlarms(double now) const;

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
    void countRecent(double time);
    void alarmOver(Alarm& a, double time);
    void dropOne();

    NoticeLine m_line;
    std::deque<Alarm> m_alarms;
    quint64 m_nextId = 1;
    quint32 m_total = 0;
    quint64 m_layout = 0;
    quint64 m_marks = 0;
    // Alarms raised per second of the last kFloodWindowS seconds, by the second's number modulo
    // the window; m_recentSecond is the newest second counted.
    std::array<quint32, kFloodWindowS> m_recent{};
    qint64 m_recentSecond = 0;
    bool m_soundOn = false;
    QString m_soundPath;
};

template <class Pick> void AlarmBoard::alarmsOver(quint32 factoryNumber, double time, Pick ends) {
    for (Alarm& a : m_alarms)
        if (a.event.factory_number == factoryNumber && a.normalTime == 0 && ends(a.event)) alarmOver(a, time);
}

} // namespace vatrel
