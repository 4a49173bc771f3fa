// SPDX-License-Identifier: GPL-3.0-or-later
#include "feed/FeedJson.h"
#include "registry/SensorRowTexts.h"
#include "registry/SensorRows.h"
#include "registry/DateTime.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <cstring>

namespace vatrel {

namespace {

// Measurements arrive as floats; three decimals is what the table shows, and keeps 0.1f from
// turning into 0.10000000149011612. A value that is not a number is published as null.
QJsonValue measurement(float v) {
    if (!std::isfinite(v)) return QJsonValue(QJsonValue::Null);
    return std::round(double(v) * 1000.0) / 1000.0;
}

QString typeLetter(int sensorType) { return sensorType == 0 ? QStringLiteral("A") : QStringLiteral("B"); }

} // namespace

SensorSnapshot SensorSnapshot::take(int slot, const SensorRecord& r, const SensorRow& row) {
    SensorSnapshot s;
    s.slot = slot;
    s.factory_number = r.factory_number;
    if (!r.occupied()) return s;
    s.sensor_type = r.sensor_type;
    s.loop1 = sensorCellText(row, slot, colLoop1);
    s.loop2 = sensorCellText(row, slot, colLoop2);
    s.state = sensorCellText(row, slot, colState);
    s.armed1 = r.loop1_armed == 1;
    s.armed2 = r.loop2_armed == 1;
    s.link = r.link_up == 1;
    s.threshold1 = r.threshold1;
    s.threshold2 = r.threshold2;
    s.signal1 = r.isTypeB() ? r.signal1_b : r.signal1_a;
    s.signal2 = r.isTypeB() ? r.signal2_b : r.signal2_a;
    return s; // the time is stamped off the core's thread, when the state is published
}

bool SensorSnapshot::sameState(const SensorSnapshot& o) const {
    return factory_number == o.factory_number && slot == o.slot && sensor_type == o.sensor_type &&
           loop1 == o.loop1 && loop2 == o.loop2 && state == o.state && armed1 == o.armed1 &&
           armed2 == o.armed2 && link == o.link;
}

bool SensorSnapshot::sameMeasurements(const SensorSnapshot& o) const {
    // Bit patterns, so that a NaN compares equal to itself.
    auto same = [](float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    return same(threshold1, o.threshold1) && same(threshold2, o.threshold2) && same(signal1, o.signal1) &&
           same(signal2, o.signal2);
}

QString isoTime(double days) {
    const QDateTime local = fromDays(days);
    // Written with the offset so that a central room in another zone reads the right moment.
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
}

QByteArray eventJson(quint64 seq, const FeedEvent& e) {
    QJsonObject o;
    o.insert(QStringLiteral("seq"), qint64(seq));
    o.insert(QStringLiteral("time"), isoTime(e.time));
    o.insert(QStringLiteral("code"), int(e.code));
    const bool program = e.sensor_type < 0;
    o.insert(QStringLiteral("factory_number"), program ? 0 : e.factory_number);
    o.insert(QStringLiteral("sensor_type"),
             program ? QJsonValue(QJsonValue::Null) : QJsonValue(typeLetter(e.sensor_type)));
    o.insert(QStringLiteral("text"), e.text);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray sensorJson(const SensorSnapshot& s) {
    QJsonObject o;
    o.insert(QStringLiteral("slot"), s.slot);
    o.insert(QStringLiteral("position"), s.slot + 1);
    o.insert(QStringLiteral("factory_number"), qint64(s.factory_number));
    o.insert(QStringLiteral("sensor_type"), typeLetter(s.sensor_type));
    o.insert(QStringLiteral("loop1"), s.loop1);
    o.insert(QStringLiteral("loop2"), s.loop2);
    o.insert(QStringLiteral("armed1"), s.armed1);
    o.insert(QStringLiteral("armed2"), s.armed2);
    o.insert(QStringLiteral("state"), s.state);
    o.insert(QStringLiteral("link"), s.link);
    o.insert(QStringLiteral("threshold1"), measurement(s.threshold1));
    o.insert(QStringLiteral("signal1"), measurement(s.signal1));
    o.insert(QStringLiteral("threshold2"), measurement(s.threshold2));
    o.insert(QStringLiteral("signal2"), measurement(s.signal2));
    o.insert(QStringLiteral("time"), isoTime(s.time));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray converterJson(const ConverterSnapshot& s) {
    QJsonObject o;
    o.insert(QStringLiteral("link"), s.link == 1   ? QStringLiteral("up")
                                     : s.link == 0 ? QStringLiteral("lost")
                                                   : QStringLiteral("unknown"));
    o.insert(QStringLiteral("port"), s.port);
    o.insert(QStringLiteral("time"), isoTime(s.time));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

quint64 eventSeq(const QByteArray& line) {
    const QJsonDocument d = QJsonDocument::fromJson(line);
    if (!d.isObject()) return 0;
    const qint64 seq = d.object().value(QStringLiteral("seq")).toInteger(0);
    return seq > 0 ? quint64(seq) : 0;
}

} // namespace vatrel
