// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Records.h"

#include <algorithm>
#include <bitset>
#include <functional>
#include <QString>
#include <vector>

namespace vatrel {

class ConsoleUi;
class FeedSink;
class SensorTable;
struct SensorRow;
class SensorRows;

// What a window shows, as one unit of change.
enum class View {
    SensorGrid,   // sensor table: its rows (announced per sensor), the oscillogram's dimming, the highlight
    ComGrid,      // diagnostics per-slot grid
    EventList,    // event list texts, styles or row count
    Labels,       // toolbar labels (sensor count, date, weekday)
    StatusBar,    // status bar panels
    WaitPanel,    // visibility of the address-map waiting panel
    Diagnostics,  // the six port counters and the pass-time labels
    Oscilloscope, // oscilloscope entries' texts and enabled flags
    AlarmList,    // alarm window list and count
    PortChoice,   // the chosen port
};

// The converter as a change notice describes it.
struct ConverterNotice {
    int link = 2; // 2 not yet known, 1 up, 0 lost
    QString port; // the chosen port's name
    double time = 0;
};

// A consumer of the core's changes: the windows' door, the site feed, the views to come. Every call
// comes on the core's thread, right after the change, and must return at once: a consumer only
// notes what it has not shown or published yet and does the work later.
class ChangeListener {
public:
    virtual ~ChangeListener() = default;
    // Something a window shows changed.
    virtual void changed(View /*view*/) {}
    // A sensor's record, row colour or cells changed (slot 0 … kSlots - 1): its record and its row
    // as they are now.
    virtual void sensorChanged(int /*slot*/, const SensorRecord& /*record*/, const SensorRow& /*row*/) {}
    // The converter link's state or the chosen port changed.
    virtual void converterChanged(const ConverterNotice& /*now*/) {}
    // An event was logged (sensorType -1 for the program's own events).
    virtual void eventLogged(const EventRecord& /*rec*/, int /*sensorType*/) {}
};

// The console's change announcements. The parts announce here from the methods that change them;
// the console's windows (its ui) and its site feed always listen, other consumers subscribe.
class ChangeNotices {
public:
    // The windows and the feed always hear (either pointer may be null, and may change); a sensor's
    // notice carries its record and row, a converter's what `describeConverter` gives.
    ChangeNotices(ConsoleUi* const& windows, FeedSink* const& feed, const SensorTable& sensors,
                  const SensorRows& rows)
        : m_windows(windows), m_feed(feed), m_sensors(sensors), m_rows(rows) {}
    ChangeNotices(const ChangeNotices&) = delete;
    ChangeNotices& operator=(const ChangeNotices&) = delete;

    void subscribe(ChangeListener* l) {
        if (l && std::find(m_more.begin(), m_more.end(), l) == m_more.end()) m_more.push_back(l);
    }
    void unsubscribe(ChangeListener* l) { std::erase(m_more, l); }
    // A copy of the console (the windows' mirror) announces nothing, whatever is written into it.
    void silence() { m_silent = true; }
    void describeConverter(std::function<ConverterNotice()> describe) {
        m_describeConverter = std::move(describe);
    }

    void changed(View v) const;
    void sensorChanged(int slot) const;

    // While one lives, the sensors' announcements are gathered, and each sensor that changed is
    // announced once when the last one ends: a report or the start-up changes several cells of one
    // row, and a consumer (the feed takes a snapshot of the row) needs to hear of it once.
    class Gathering {
    public:
        explicit Gathering(const ChangeNotices& notices);
        ~Gathering();
        Gathering(const Gathering&) = delete;
        Gathering& operator=(const Gathering&) = delete;

    private:
        const ChangeNotices& m_notices;
    };
    void converterChanged() const;
    void eventLogged(const EventRecord& rec, int sensorType) const;

    // The windows themselves (null without them), for what the core asks of them: a box, the
    // alarm window raised, the alarm sound. A box raised here never waits for an answer.
    ConsoleUi* windows() const;
    void error(const QString& text) const; // an "Ошибка" box with the error icon

private:
    template <class F> void each(F f) const;

    ConsoleUi* const& m_windows;
    FeedSink* const& m_feed;
    const SensorTable& m_sensors;
    const SensorRows& m_rows;
    std::function<ConverterNotice()> m_describeConverter;
    std::vector<ChangeListener*> m_more;
    bool m_silent = false;
    mutable int m_gatherings = 0;
    mutable std::bitset<kSlots> m_gathered;
};

// A part's line to the console's announcements. The console connects it when it builds the part;
// copying a part (into the windows' mirror) never copies its line, so a copy announces nothing.
class NoticeLine {
public:
    NoticeLine() = default;
    NoticeLine(const NoticeLine&) {}
    NoticeLine& operator=(const NoticeLine&) { return *this; }

    void connect(const ChangeNotices* notices) { m_notices = notices; }

    void changed(View v) const {
        if (m_notices) m_notices->changed(v);
    }
    void sensorChanged(int slot) const {
        if (m_notices) m_notices->sensorChanged(slot);
    }
    void converterChanged() const {
        if (m_notices) m_notices->converterChanged();
    }
    void eventLogged(const EventRecord& rec, int sensorType) const {
        if (m_notices) m_notices->eventLogged(rec, sensorType);
    }

private:
    const ChangeNotices* m_notices = nullptr;
};

} // namespace vatrel
