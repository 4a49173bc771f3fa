// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/EventLog.h"
#include "registry/DateTime.h"
#include "registry/FeedSink.h"

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

EventJournal::Outlet journalOutlet(Console& c) {
    return {c.data_dir, [&c](const QString& text) { c.error(text); },
            [&c](const QString& text) { c.status.setPanel(StatusLine::kLogPanel, text); }};
}

void logSensorEvent(Console& c, const EventRecord& rec, qint16 sensor_type) {
    c.notices.eventLogged(rec, sensor_type);
    c.events.add(rec);
    c.journal.writeSensorEvent(journalOutlet(c), rec, sensor_type, c.clock().date());
}

void logProgramEvent(Console& c, const EventRecord& rec) {
    c.notices.eventLogged(rec, FeedSink::kProgramEvent);
    c.events.add(rec);
    c.journal.writeProgramEvent(journalOutlet(c), rec, c.clock().date());
}

} // namespace vatrel
