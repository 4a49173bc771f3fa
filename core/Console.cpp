// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Console.h"
#include "link/Measurements.h"
#include "registry/Alarms.h"
#include "registry/DateTime.h"
#include "registry/FeedSink.h"

namespace vatrel {

Console::Console() {
    notices.describeConverter([this] {
        return ConverterNotice{int(link.state()), ports.portName(), clock.now()};
    });
    osc.connect(&notices);
    scope.connect(&notices);
    status.connect(&notices);
    selection.connect(&notices);
    sensors.connect(&notices);
    sensorRows.connect(&notices);
    events.connectNotices(&notices);
    alarms.connectNotices(&notices);
    link.connect(&notices);
    ports.connect(&notices);
    duty.connect(&notices);
    timedDisarms.connect(&notices);
}

double Console::now() const { return clock.now(); }

QString Console::path(const QString& fragment) const { return data_dir + QLatin1Char('/') + fragment; }

void Console::error(const QString& text) const { notices.error(text); }

ReportDecoder Console::decoder() {
    // The events a report makes go to the event log files and the event list, and to the alarm
    // window when the loop's arming makes them alarms; its measurements to the table and the
    // oscilloscope. The outlet captures the console alone: a receive tick builds a decoder, and
    // one pointer needs no allocation.
    ReportDecoder::Outlet outlet{
        [this](int slot, EventCode event) {
            const SensorRecord& r = sensors.record(slot);
            const EventRecord rec = eventLog.sensorEvent(event, r.factory_number, r.sensor_type);
            eventLog.logSensorEvent(rec, r.sensor_type);
            if (raisesAlarm(event, r.loop1_armed == 1, r.loop2_armed == 1)) raiseAlarm(alarms, notices, rec);
            alarmsEnd(alarms, event, r.factory_number, r.sensor_type, rec.time);
        },
        [this](const char* text, int len, quint8 code, int slot) {
            decodeMeasurements(sensors, sensorRows, scope, notices, text, len, code, slot);
        }};
    return ReportDecoder(sensors, sensorRows, link, status, notices, std::move(outlet));
}

Receiver Console::receiver() {
    return Receiver(link, sensors, osc, scope, status, eventLog, notices, decoder());
}

ConverterPort Console::converterPort() { return ConverterPort(link, ports, osc, status, data_dir); }

OperatorActions Console::actions() {
    return OperatorActions(sensors, sensorRows, selection, operators, duty, alarms, osc, scope, link, status,
                           eventLog, store, timedDisarms, notices, clock, data_dir);
}

TimedDisarmActions Console::timedDisarming() {
    return TimedDisarmActions(timedDisarms, sensors, sensorRows, selection, duty, alarms, eventLog, store,
                              notices, clock, data_dir);
}

} // namespace vatrel
