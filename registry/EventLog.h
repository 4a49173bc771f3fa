// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/Console.h"
#include "registry/EventCatalogue.h"

namespace vatrel {

// Sensor fault events, by the code stored in a record (the catalogue's fault rows).
bool isFaultCode(int code);
// Font colour of an event-list line by the stored event code (the catalogue's colour).
Colour eventFontColour(int code);

// Logs a sensor event: a line in the event list, the sensor's own log file (when the record has a
// factory number) and the day's log file.
void logSensorEvent(Console& c, const EventRecord& rec, qint16 sensor_type);
// Logs a program-level event: the event list and the day's log file only.
void logProgramEvent(Console& c, const EventRecord& rec);
// The journal's way to the data folder, the operator's boxes and the status bar panel.
EventJournal::Outlet journalOutlet(Console& c);

// Builds a record of the event's code with the text given, stamped now.
EventRecord makeEvent(const Console& c, quint32 factory_number, EventCode event, const QString& text);
// A sensor's event stamped now, with the catalogue's code and text; `detail` is the operator's
// surname of a connection or disconnection.
EventRecord sensorEvent(const Console& c, EventCode event, quint32 factory_number, qint16 sensor_type,
                        const QString& detail = QString());
// A program-level event stamped now; `detail` completes a notice's text.
EventRecord programEvent(const Console& c, EventCode event, const QString& detail = QString());

// "<Ватрел-А>" or "<Ватрел-Б>" as used inside event texts, and the type's display name.
QString typeTag(qint16 sensor_type);
QString typeName(qint16 sensor_type);

} // namespace vatrel
