// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"

#include <QByteArray>
#include <QString>

namespace vatrel {

struct SensorRow;

// An event as handed over by the core: copied on the core's thread, turned into JSON off it.
struct FeedEvent {
    double time = 0; // days since 1899-12-30, local time
    qint32 factory_number = 0;
    qint8 code = 0;
    int sensor_type = -1; // 0 type A, otherwise B; -1 the program's own event
    QString text;
};

// One sensor row as the feed publishes it.
struct SensorSnapshot {
    quint32 factory_number = 0; // 0: the slot is empty
    int slot = 0;
    qint16 sensor_type = 0;
    QString loop1, loop2, state; // the texts of the table
    bool armed1 = false, armed2 = false, link = false;
    float threshold1 = 0, threshold2 = 0, signal1 = 0, signal2 = 0;
    double time = 0;

    static SensorSnapshot take(int slot, const SensorRecord& r, const SensorRow& row);
    // Equal apart from the measurements and the time.
    bool sameState(const SensorSnapshot& o) const;
    bool sameMeasurements(const SensorSnapshot& o) const;
};

using ConverterSnapshot = ConverterNotice; // the link state, the port and the time

// ISO 8601 with the zone offset, e.g. "2025-04-01T12:00:00+03:00".
QString isoTime(double days);

QByteArray eventJson(quint64 seq, const FeedEvent& e);
QByteArray sensorJson(const SensorSnapshot& s);
QByteArray converterJson(const ConverterSnapshot& s);

// The sequence number of a spooled event line; 0 when the line is not one.
quint64 eventSeq(const QByteArray& line);

} // namespace vatrel
