// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/Records.h"
#include "registry/Cp1251.h"

#include <QtEndian>
#include <cstring>

namespace vatrel {

namespace le {
quint16 u16(const char* p) { return qFromLittleEndian<quint16>(p); }
quint32 u32(const char* p) { return qFromLittleEndian<quint32>(p); }
float f32(const char* p) {
    quint32 bits = u32(p);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}
double f64(const char* p) {
    quint64 bits = qFromLittleEndian<quint64>(p);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}
void put16(char* p, quint16 v) { qToLittleEndian<quint16>(v, p); }
void put32(char* p, quint32 v) { qToLittleEndian<quint32>(v, p); }
void putF32(char* p, float v) {
    quint32 bits;
    std::memcpy(&bits, &v, sizeof bits);
    put32(p, bits);
}
void putF64(char* p, double v) {
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    qToLittleEndian<quint64>(bits, p);
}
} // namespace le

using namespace le;

QByteArray SensorRecord::encode() const {
    QByteArray out(kSize, '\0');
    char* p = out.data();
    p[0] = char(mark);
    put32(p + 4, factory_number);
    put16(p + 8, quint16(sensor_type));
    put16(p + 10, quint16(slot_index));
    putF64(p + 16, connected_at);
    put16(p + 24, quint16(connected_by));
    putF64(p + 32, disconnected_at);
    put16(p + 40, quint16(disconnected_by));
    put32(p + 44, reserved44);
    p[48] = char(loop1_armed);
    p[49] = char(loop2_armed);
    put32(p + 52, quint32(status));
    p[56] = char(loop1_alarm);
    p[57] = char(loop2_alarm);
    putF32(p + 60, threshold1);
    putF32(p + 64, threshold2);
    putF32(p + 68, dc_component1);
    putF32(p + 72, dc_component2);
    putF32(p + 76, signal1_a);
    putF32(p + 80, signal2_a);
    putF32(p + 84, signal1_b);
    putF32(p + 88, signal2_b);
    put16(p + 92, quint16(link_up));
    put16(p + 94, quint16(osc_command));
    put16(p + 96, quint16(osc_active));
    for (int i = 0; i < 7; ++i)
        put16(p + 98 + 2 * i, quint16(reserved98[i]));
    for (int i = 0; i < 10; ++i) {
        put32(p + 112 + 4 * i, quint32(reserved112[i]));
        put32(p + 152 + 4 * i, quint32(reserved152[i]));
        putF32(p + 192 + 4 * i, osc_values[i]);
    }
    return out;
}

bool SensorRecord::decode(QByteArrayView bytes) {
    if (bytes.size() < kSize) return false;
    const char* p = bytes.data();
    mark = quint8(p[0]);
    factory_number = u32(p + 4);
    sensor_type = qint16(u16(p + 8));
    slot_index = qint16(u16(p + 10));
    connected_at = f64(p + 16);
    connected_by = qint16(u16(p + 24));
    disconnected_at = f64(p + 32);
    disconnected_by = qint16(u16(p + 40));
    reserved44 = u32(p + 44);
    loop1_armed = quint8(p[48]);
    loop2_armed = quint8(p[49]);
    status = qint32(u32(p + 52));
    loop1_alarm = quint8(p[56]);
    loop2_alarm = quint8(p[57]);
    threshold1 = f32(p + 60);
    threshold2 = f32(p + 64);
    dc_component1 = f32(p + 68);
    dc_component2 = f32(p + 72);
    signal1_a = f32(p + 76);
    signal2_a = f32(p + 80);
    signal1_b = f32(p + 84);
    signal2_b = f32(p + 88);
    link_up = qint16(u16(p + 92));
    osc_command = qint16(u16(p + 94));
    osc_active = qint16(u16(p + 96));
    for (int i = 0; i < 7; ++i)
        reserved98[i] = qint16(u16(p + 98 + 2 * i));
    for (int i = 0; i < 10; ++i) {
        reserved112[i] = qint32(u32(p + 112 + 4 * i));
        reserved152[i] = qint32(u32(p + 152 + 4 * i));
        osc_values[i] = f32(p + 192 + 4 * i);
    }
    return true;
}

SensorRecord SensorRecord::startupDefault() {
    SensorRecord r;
    r.mark = 1;
    r.disconnected_by = -1;
    return r;
}

void SensorRecord::resetLiveState() {
    status = 15;
    loop1_alarm = 1;
    loop2_alarm = 1;
    threshold1 = threshold2 = 0;
    signal1_a = signal2_a = signal1_b = signal2_b = 0;
    link_up = osc_command = osc_active = 0;
    reserved98.fill(0);
    reserved112.fill(0);
    reserved152.fill(0);
    osc_values.fill(0);
}

QByteArray EventRecord::encode() const {
    QByteArray out(kSize, '\0');
    char* p = out.data();
    p[0] = char(mark);
    put32(p + 4, factory_number);
    putF64(p + 8, time);
    p[16] = char(code);
    const QByteArray t = cp1251::encodeField(text, kTextSize);
    std::memcpy(p + 38, t.constData(), size_t(t.size()));
    return out;
}

bool EventRecord::decode(QByteArrayView bytes) {
    if (bytes.size() < kSize) return false;
    const char* p = bytes.data();
    mark = quint8(p[0]);
    factory_number = u32(p + 4);
    time = f64(p + 8);
    code = qint8(p[16]);
    text = cp1251::decodeField(QByteArrayView(p + 38, kTextSize));
    return true;
}

QByteArray OperatorRecord::encode() const {
    QByteArray out(kSize, '\0');
    out[0] = char(mark);
    out[1] = char(deleted);
    const QByteArray s = cp1251::encodeField(surname, kSurnameSize);
    std::memcpy(out.data() + 2, s.constData(), size_t(s.size()));
    return out;
}

bool OperatorRecord::decode(QByteArrayView bytes) {
    if (bytes.size() < kSize) return false;
    mark = quint8(bytes[0]);
    deleted = quint8(bytes[1]);
    surname = cp1251::decodeField(bytes.sliced(2, kSurnameSize));
    return true;
}

} // namespace vatrel
