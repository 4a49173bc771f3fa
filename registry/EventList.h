// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"
#include "registry/Records.h"

#include <QString>
#include <deque>

namespace vatrel {

constexpr int kEventRowsMax = 500;

// The main window's event list: the events logged in this run, oldest first, at most kEventRowsMax
// of them; once it is full each new event pushes the oldest out. Every event listed gets a number one
// above the one before, so that a view can tell the events it drew from those it has not and how
// far the list moved since.
class EventList {
public:
    struct Entry {
        quint64 number = 0; // 1 for the first event of the run
        double time = 0;    // days since 1899-12-30
        qint8 code = 0;     // the code stored in the record
        QString text;
    };

    // Lists the event at the end and announces the change.
    void add(const EventRecord& rec);

    int count() const { return int(m_entries.size()); }
    bool isFull() const { return count() >= kEventRowsMax; }
    // Row 0 is the oldest event listed; past the newest an empty entry (number 0).
    const Entry& at(int row) const;
    // The numbers of the oldest and the newest event listed; 0 while the list is empty.
    quint64 firstNumber() const { return m_entries.empty() ? 0 : m_entries.front().number; }
    quint64 lastNumber() const { return m_entries.empty() ? 0 : m_entries.back().number; }

    void connectNotices(const ChangeNotices* notices) { m_line.connect(notices); }

private:
    std::deque<Entry> m_entries;
    quint64 m_listed = 0; // events listed in this run
    NoticeLine m_line;
};

} // namespace vatrel
