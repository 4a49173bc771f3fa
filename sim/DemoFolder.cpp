// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/DemoFolder.h"

#include "registry/DateTime.h"
#include "registry/PlanLayout.h"
#include "registry/Records.h"
#include "registry/WholeFileWriter.h"

#include <QDateTime>
#include <QLineF>
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

// The site's fence, clockwise from the north-west corner, in the plan picture's units.
const QList<QPointF> kFence = {{100, 120}, {900, 120}, {1500, 120}, {1500, 880}, {100, 880}, {100, 120}};

QString fencePoints() {
    QStringList points;
    for (QPointF p : kFence)
        points << QStringLiteral("%1,%2").arg(p.x()).arg(p.y());
    return points.join(u' ');
}

// The point `at` along the fence, and the fence's points between `from` and `to`.
QPointF alongFence(double at) {
    for (qsizetype i = 1; i < kFence.size(); ++i) {
        const QLineF side(kFence[i - 1], kFence[i]);
        if (at <= side.length()) return side.pointAt(at / side.length());
        at -= side.length();
    }
    return kFence.last();
}

QList<QPointF> fenceStretch(double from, double to) {
    QList<QPointF> out{alongFence(from)};
    double corner = 0;
    for (qsizetype i = 1; i + 1 < kFence.size(); ++i) {
        corner += QLineF(kFence[i - 1], kFence[i]).length();
        if (corner > from && corner < to) out << kFence[i];
    }
    out << alongFence(to);
    return out;
}

double fenceLength() {
    double length = 0;
    for (qsizetype i = 1; i < kFence.size(); ++i)
        length += QLineF(kFence[i - 1], kFence[i]).length();
    return length;
}

} // namespace

QByteArray demoPlanSvg(int height) {
    // A fenced yard with two gates, a guard post, stores, an office and a road; `height` cuts the
    // drawing to its northern part.
    QString svg = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!-- SPDX-License-Identifier: GPL-3.0-or-later -->\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1600\" height=\"%1\" viewBox=\"0 0 1600 %1\">\n"
        "<rect width=\"1600\" height=\"1000\" fill=\"#e8efe0\"/>\n"
        "<path d=\"M0 960 H1600 M800 880 V960 M1500 500 H1600\" stroke=\"#b0b0b0\" stroke-width=\"40\" "
        "fill=\"none\"/>\n"
        "<rect x=\"100\" y=\"120\" width=\"1400\" height=\"760\" fill=\"#f4f4ec\"/>\n"
        "<polyline points=\"%2\" fill=\"none\" stroke=\"#404040\" stroke-width=\"4\" stroke-dasharray=\"14 "
        "6\"/>\n"
        "<g font-family=\"sans-serif\" font-size=\"22\" text-anchor=\"middle\">\n"
        "<rect x=\"760\" y=\"872\" width=\"80\" height=\"16\" fill=\"#f4f4ec\" stroke=\"#2060c0\" "
        "stroke-width=\"3\"/>\n"
        "<text x=\"800\" y=\"940\">Ворота 1</text>\n"
        "<rect x=\"1492\" y=\"460\" width=\"16\" height=\"80\" fill=\"#f4f4ec\" stroke=\"#2060c0\" "
        "stroke-width=\"3\"/>\n"
        "<text x=\"1552\" y=\"585\" font-size=\"18\">Ворота 2</text>\n"
        "<rect x=\"870\" y=\"760\" width=\"120\" height=\"80\" fill=\"#c8b89a\" stroke=\"#333\"/>\n"
        "<text x=\"930\" y=\"808\">КПП</text>\n"
        "<rect x=\"220\" y=\"220\" width=\"420\" height=\"200\" fill=\"#c9c9d6\" stroke=\"#333\"/>\n"
        "<text x=\"430\" y=\"328\">Склад № 1</text>\n"
        "<rect x=\"220\" y=\"520\" width=\"420\" height=\"220\" fill=\"#c9c9d6\" stroke=\"#333\"/>\n"
        "<text x=\"430\" y=\"638\">Склад № 2</text>\n"
        "<rect x=\"880\" y=\"230\" width=\"480\" height=\"260\" fill=\"#d6c2c2\" stroke=\"#333\"/>\n"
        "<text x=\"1120\" y=\"368\">Административный корпус</text>\n"
        "<rect x=\"1180\" y=\"600\" width=\"200\" height=\"140\" fill=\"#c9d6c9\" stroke=\"#333\"/>\n"
        "<text x=\"1280\" y=\"678\">Гараж</text>\n"
        "</g>\n</svg>\n");
    return svg.arg(height).arg(fencePoints()).toUtf8();
}

PlanLayout demoPlanLayout(int sensors) {
    PlanLayout layout;
    const int whole = layout.addPlan(QStringLiteral("Периметр"), QStringLiteral("perimeter.svg"));
    const int north = layout.addPlan(QStringLiteral("Север"), QStringLiteral("north.svg"));
    // Each sensor guards an equal stretch of the fence; its marker stands inside, by the stretch's middle.
    const double length = fenceLength();
    const QPointF centre(800, 500);
    for (int slot = 0; slot < sensors; ++slot) {
        const quint32 number = demoSensor(slot).factory_number;
        const double from = length * slot / sensors;
        const double to = length * (slot + 1) / sensors;
        const QPointF middle = alongFence((from + to) / 2);
        const QLineF inward(middle, centre);
        const QPointF marker = inward.pointAt(40 / inward.length());
        layout.placeMarker(whole, number, marker);
        layout.setLine(whole, number, fenceStretch(from, to));
        if (middle.y() < 130) {
            layout.placeMarker(north, number, marker);
            layout.setLine(north, number, fenceStretch(from, to));
        }
    }
    return layout;
}

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
    if (!root.mkpath(QStringLiteral("data/plans")) ||
        !writeFile(root.filePath(QStringLiteral("data/plans/perimeter.svg")), demoPlanSvg(1000), error) ||
        !writeFile(root.filePath(QStringLiteral("data/plans/north.svg")), demoPlanSvg(450), error) ||
        !writeFile(root.filePath(QStringLiteral("data/plans/plans.json")), demoPlanLayout(sensors).toJson(),
                   error))
        return false;
    return writeFile(root.filePath(QStringLiteral("Error.wav")), makeBeepWav(), error);
}

} // namespace vatrel::sim
