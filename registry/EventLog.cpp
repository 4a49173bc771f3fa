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

EventRecord EventLog::makeEvent(quint32 factory_number, EventCode event, const QString& text) const {
    EventRecord r;
    r.mark = 1;
    r.factory_number = factory_number;
    r.time = m_clock.now();
    r.code = storedCode(event);
    r.text = text;
    return r;
}

EventRecord EventLog::sensorEvent(EventCode event, quint32 factory_number, qint16 sensor_type,
                                  const QString& detail) const {
    return makeEvent(factory_number, event, eventText(event, factory_number, sensor_type, detail));
}

EventRecord EventLog::programEvent(EventCode event, const QString& detail) const {
    return makeEvent(0, event, eventText(event, 0, 0, detail));
}

EventJournal::Outlet EventLog::outlet() {
    return {m_dataDir, [this](const QString& text) { m_notices.error(text); },
            [this](const QString& text) { m_status.setPanel(StatusLine::kLogPanel, text); }};
}

void EventLog::logSensorEvent(const EventRecord& rec, qint16 sensor_type) {
    m_notices.eventLogged(rec, sensor_type);
    m_events.add(rec);
    m_journal.writeSensorEvent(outlet(), rec, sensor_type, m_clock().date());
}

void EventLog::logProgramEvent(const EventRecord& rec) {
    m_notices.eventLogged(rec, FeedSink::kProgramEvent);
    m_events.add(rec);
    m_journal.writeProgramEvent(outlet(), rec, m_clock().date());
}

} // namespace vatrel
