// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/EventLog.h"
#include "registry/DateTime.h"
#include "registry/FeedSink.h"

#include <algorithm>

namespace vatrel {

bool isFaultCode(int code) { return faultEvent(code).has_value(); }

Colour eventFontColour(int code) { return colourOf(code); }

QString typeTag(qint16 sensor_type) {
    return sensor_type == 0 ? QStringLiteral("<Ватрел-А>") : QStringLiteral("<Ватрел-Б>");
}

QString typeName(qint16 sensor_type) {
    return sensor_type == 0 ? QStringLiteral("Ватрел-А") : QStringLiteral("Ватрел-Б");
}

EventRecord makeEvent(const Console& c, quint32 factory_number, EventCode event, const QString& text) {
    EventRecord r;
    r.mark = 1;
    r.factory_number = factory_number;
    r.time = c.now();
    r.code = storedCode(event);
    r.text = text;
    return r;
}

EventRecord sensorEvent(const Console& c, EventCode event, quint32 factory_number, qint16 sensor_type,
                        const QString& detail) {
    return makeEvent(c, factory_number, event, eventText(event, factory_number, sensor_type, detail));
}

EventRecord programEvent(const Console& c, EventCode event, const QString& detail) {
    return makeEvent(c, 0, event, eventText(event, 0, 0, detail));
}

namespace {

void addListLine(Console& c, const EventRecord& rec) {
    TextGrid& g = c.event_grid;
    const int R = g.rowCount() - 1;
    if (c.event_rows >= kEventRowsMax) {
        g.scrollUp(1, R);
        std::copy(c.EventRowStyles.begin() + 1, c.EventRowStyles.begin() + R, c.EventRowStyles.begin());
    }
    c.EventRowStyles[size_t(R - 1)] = {colours::info_background, eventFontColour(rec.code), 9, 0};
    if (R < kEventRowsMax) c.EventRowStyles[size_t(R)].background = colours::info_background;
    g.set(0, R, formatDateTime(rec.time));
    g.set(1, R, rec.text);
    if (c.event_rows < kEventRowsMax) {
        ++c.event_rows;
        if (c.event_rows < kEventRowsMax) g.setRowCount(R + 2);
    }
    c.changed(ConsoleUi::View::EventList);
}

} // namespace

EventJournal::Outlet journalOutlet(Console& c) {
    return {c.data_dir, [&c](const QString& text) { c.error(text); },
            [&c](const QString& text) {
                c.status_panels[kLogStatusPanel] = text;
                c.changed(ConsoleUi::View::StatusBar);
            }};
}

void logSensorEvent(Console& c, const EventRecord& rec, qint16 sensor_type) {
    c.notices.eventLogged(rec, sensor_type);
    addListLine(c, rec);
    c.journal.writeSensorEvent(journalOutlet(c), rec, sensor_type, c.clock().date());
}

void logProgramEvent(Console& c, const EventRecord& rec) {
    c.notices.eventLogged(rec, FeedSink::kProgramEvent);
    addListLine(c, rec);
    c.journal.writeProgramEvent(journalOutlet(c), rec, c.clock().date());
}

} // namespace vatrel
