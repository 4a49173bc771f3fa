#pragma once
// Data folders for the window tests, written byte by byte the way earlier installations left them.
#include "link/SerialPort.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace vatrel::testing {

// A port that never opens: the windows run with no converter attached.
class NoPort : public SerialPort {
public:
    bool open(int n, const QString&) override {
        opened << n;
        return false;
    }
    void close() override {}
    bool isOpen() const override { return false; }
    QByteArray readAvailable() override { return {}; }
    bool writeByte(char) override { return false; }
    QList<int> opened;
};

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

// 200 × {u32 number, i16 type} and the port index.
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

// A working folder with the subfolders the program expects, holding the given sensors.
inline bool prepareFolder(const QString& root, const QList<SensorSpec>& sensors) {
    QDir d(root);
    for (const char* sub : {"data", "QReport", "VatrelA", "VatrelB", "VatrelA_mess", "VatrelB_mess"})
        if (!d.mkpath(QString::fromLatin1(sub))) return false;
    if (sensors.isEmpty()) return true; // the program creates hw.dat itself
    if (!writeFile(d.filePath(QStringLiteral("data/hw.dat")), hwFile(sensors))) return false;
    for (const SensorSpec& s : sensors) {
        const QString dir = s.type ? QStringLiteral("VatrelB/") : QStringLiteral("VatrelA/");
        if (!writeFile(d.filePath(dir + QString::number(s.number)), settingsRecord(s))) return false;
    }
    return true;
}

} // namespace vatrel::testing
