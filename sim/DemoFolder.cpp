// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/DemoFolder.h"

#include "registry/DateTime.h"
#include "registry/Records.h"
#include "registry/WholeFileWriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace vatrel::sim {

namespace {

constexpr DemoSensor kSensors[] = {
    {1001, 1, 1, 1}, {1002, 1, 1, 0}, {1003, 1, 0, 0}, {1004, 1, 0, 1}, {1005, 1, 0, 0}, {1006, 1, 1, 1},
    {2001, 0, 1, 0}, {2002, 0, 1, 1}, {2003, 0, 0, 0}, {2004, 0, 0, 1}, {2005, 0, 0, 0}, {2006, 0, 1, 0},
};

bool writeFile(const QString& path, const QByteArray& bytes, QString* error) {
    if (vatrel::writeWholeFile(path, bytes)) return true;
    if (error) *error = QStringLiteral("cannot write ") + path;
    return false;
}

void put16(QByteArray& b, quint16 v) {
    char p[2];
    qToLittleEndian(v, p);
    b.append(p, 2);
}

void put32(QByteArray& b, quint32 v) {
    char p[4];
    qToLittleEndian(v, p);
    b.append(p, 4);
}

} // namespace

const DemoSensor* demoSensors(int* count) {
    *count = int(std::size(kSensors));
    return kSensors;
}

QByteArray makeBeepWav(int sampleRate) {
    const int n = sampleRate * 2 / 5; // 400 ms: two tones of 200 ms
    const int fade = sampleRate / 200;
    QByteArray pcm;
    pcm.reserve(2 * n);
    for (int i = 0; i < n; ++i) {
        const double freq = i < n / 2 ? 880.0 : 660.0;
        const int inTone = i % (n / 2);
        double gain = 0.5;
        if (inTone < fade) // soft edges: no clicks between the tones
            gain *= double(inTone) / fade;
        else if (n / 2 - inTone < fade)
            gain *= double(n / 2 - inTone) / fade;
        const double s = gain * std::sin(2 * std::numbers::pi * freq * i / sampleRate);
        put16(pcm, quint16(qint16(std::lround(s * 32767))));
    }
    QByteArray wav("RIFF");
    put32(wav, quint32(36 + pcm.size()));
    wav.append("WAVEfmt ");
    put32(wav, 16);
    put16(wav, 1); // PCM
    put16(wav, 1); // mono
    put32(wav, quint32(sampleRate));
    put32(wav, quint32(sampleRate * 2));
    put16(wav, 2);
    put16(wav, 16);
    wav.append("data");
    put32(wav, quint32(pcm.size()));
    wav.append(pcm);
    return wav;
}

DemoSensor demoSensor(int slot) {
    if (slot >= 0 && slot < int(std::size(kSensors))) return kSensors[slot];
    return {quint32(3001 + slot - int(std::size(kSensors))), qint16(slot % 2), 1, 0};
}

bool initDemo(const QString& dir, QString* error, int sensors) {
    sensors = std::clamp(sensors, 1, 200);
    QDir root(dir);
    if (root.exists(QStringLiteral("data/hw.dat"))) {
        if (error) *error = dir + QStringLiteral(" already holds a data folder");
        return false;
    }
    for (const char* sub : {"data", "VatrelA", "VatrelB", "VatrelA_mess", "VatrelB_mess", "QReport", "dev"}) {
        if (!root.mkpath(QLatin1String(sub))) {
            if (error) *error = QStringLiteral("cannot create ") + root.filePath(QLatin1String(sub));
            return false;
        }
    }

    QByteArray hw(1202, '\0'); // 200 slots of {u32 number, i16 type}, then the port index 0 (COM1)
    const double now = toDays(QDateTime::currentDateTime());
    for (int slot = 0; slot < sensors; ++slot) {
        const DemoSensor d = demoSensor(slot);
        qToLittleEndian<quint32>(d.factory_number, hw.data() + 6 * slot);
        qToLittleEndian<qint16>(d.sensor_type, hw.data() + 6 * slot + 4);

        SensorRecord r = SensorRecord::startupDefault();
        r.mark = 1;
        r.factory_number = d.factory_number;
        r.sensor_type = d.sensor_type;
        r.slot_index = qint16(slot);
        r.connected_at = now;
        r.connected_by = qint16(slot % 3);
        r.disconnected_at = 0;
        r.disconnected_by = -1;
        r.status = 15;
        r.loop1_alarm = 1;
        r.loop2_alarm = 1;
        r.loop1_armed = d.loop1_armed;
        r.loop2_armed = d.loop2_armed;
        if (d.sensor_type == 0) r.dc_component1 = 300;
        const QString folder = d.sensor_type != 0 ? QStringLiteral("VatrelB/") : QStringLiteral("VatrelA/");
        if (!writeFile(root.filePath(folder + QString::number(d.factory_number)), r.encode(), error))
            return false;
    }
    if (!writeFile(root.filePath(QStringLiteral("data/hw.dat")), hw, error)) return false;

    QByteArray chop;
    for (const char* surname : {"Иванов", "Петрова", "Сидоренко"}) {
        OperatorRecord op;
        op.mark = 1;
        op.deleted = 0;
        op.surname = QString::fromUtf8(surname);
        chop.append(op.encode());
    }
    if (!writeFile(root.filePath(QStringLiteral("data/chop.dat")), chop, error)) return false;
    return writeFile(root.filePath(QStringLiteral("Error.wav")), makeBeepWav(), error);
}

} // namespace vatrel::sim
