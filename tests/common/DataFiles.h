// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Stored files written byte by byte the way earlier installations left them: hw.dat images and
// sensor settings records, little-endian, independent of the program's own codecs.
#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

namespace vatrel::testing {

inline void put16(QByteArray& b, int at, quint16 v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}
inline void put32(QByteArray& b, int at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

struct SensorSpec {
    int slot;
    quint32 number;
    qint16 type; // 0 = A, 1 = B
    quint8 loop1_armed = 0;
    quint8 loop2_armed = 0;
    qint32 status = 0;
    quint8 loop1_alarm = 0;
    quint8 loop2_alarm = 0;
};

// One 232-byte settings record: mark 1, number, type, slot, disconnected_by -1 and the live fields.
inline QByteArray settingsRecord(const SensorSpec& s) {
    QByteArray b(232, '\0');
    b[0] = 1;
    put32(b, 4, s.number);
    put16(b, 8, quint16(s.type));
    put16(b, 10, quint16(s.slot));
    put16(b, 40, 0xFFFF);
    b[48] = char(s.loop1_armed);
    b[49] = char(s.loop2_armed);
    put32(b, 52, quint32(s.status));
    b[56] = char(s.loop1_alarm);
    b[57] = char(s.loop2_alarm);
    return b;
}

// A hw.dat image: 200 × {u32 number, i16 type}, then the port index.
inline QByteArray hwFile(const QList<SensorSpec>& sensors, quint16 portIndex = 0) {
    QByteArray b(1202, '\0');
    for (const SensorSpec& s : sensors) {
        put32(b, 6 * s.slot, s.number);
        put16(b, 6 * s.slot + 4, quint16(s.type));
    }
    put16(b, 1200, portIndex);
    return b;
}

inline bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace vatrel::testing
