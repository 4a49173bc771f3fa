// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"
#include "registry/Clock.h"
#include "registry/EventJournal.h"
#include "registry/EventList.h"
#include "registry/StatusLine.h"
#include "registry/EventCatalogue.h"

namespace vatrel {

// Sensor fault events, by the code stored in a record (the catalogue's fault rows).
bool isFaultCode(int code);
// Font colour of an event-list line by the stored event code (the catalogue's colour).
Colour eventFontColour(int code);

// Makes and logs the console's events. Each event logged is announced (the windows and the site
// feed hear it), listed in the main window's event list and written to its log files.
class EventLog {
public:
    EventLog(const ChangeNotices& notices, EventList& events, EventJournal& journal, StatusLine& status,
             const QString& dataDir, const Clock& clock)
        : m_notices(notices), m_events(events), m_journal(journal), m_status(status), m_dataDir(dataDir),
          m_clock(clock) {}
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    // A record of the event's code with the text given, stamped now.
    EventRecord makeEvent(quint32 factory_number, EventCode event, const QString& text) const;
    // A sensor's event stamped now, with the catalogue's code and text; `detail` is the operator's
    // surname of a connection or disconnection.
    EventRecord sensorEvent(EventCode event, quint32 factory_number, qint16 sensor_type,
                            const QString& detail = QString()) const;
    // A program-level event stamped now; `detail` completes a notice's text.
    EventRecord programEvent(EventCode event, const QString& detail = QString()) const;

    // A sensor event: the event list, the sensor's own log file (when the record has a factory
    // number) and the day's log file.
    void logSensorEvent(const EventRecord& rec, qint16 sensor_type);
    // A program-level event: the event list and the day's log file only.
    void logProgramEvent(const EventRecord& rec);
    // The journal's way to the data folder, the operator's boxes and the status bar panel.
    EventJournal::Outlet outlet();

private:
    const ChangeNotices& m_notices;
    EventList& m_events;
    EventJournal& m_journal;
    StatusLine& m_status;
    const QString& m_dataDir;
    const Clock& m_clock;
};

// "<Ватрел-А>" or "<Ватрел-Б>" as used inside event texts, and the type's display name.
QString typeTag(qint16 sensor_type);
QString typeName(qint16 sensor_type);

} // namespace vatrel
