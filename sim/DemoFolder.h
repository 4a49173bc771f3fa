// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QString>

namespace vatrel {
class PlanLayout;
}

namespace vatrel::sim {

// A ready-to-run data folder for the console: a dozen sensors of both types with their settings
// files, three operators, the empty log folders and an alarm sound.
struct DemoSensor {
    quint32 factory_number;
    qint16 sensor_type; // 0 type A, 1 type B
    quint8 loop1_armed;
    quint8 loop2_armed;
};

// The sensors of the demo folder, slot by slot from slot 0.
const DemoSensor* demoSensors(int* count);

// Creates the folder; refuses (false, `error` set) when it already holds a hardware file.
// `sensors` above the dozen of the demo (up to 200) adds sensors 3001, 3002, … of both types with
// loop 1 armed, for load tests with a full line.
bool initDemo(const QString& dir, QString* error, int sensors = 12);
// The sensor a demo folder of `sensors` sensors has in `slot`.
DemoSensor demoSensor(int slot);

// The demo site's plan picture (SVG, 1600 wide; `height` 1000 for the whole site, less for its
// northern part) and the layout with the first `sensors` sensors along its fence.
QByteArray demoPlanSvg(int height);
PlanLayout demoPlanLayout(int sensors);

// A short two-tone beep as a PCM wave file (16-bit mono).
QByteArray makeBeepWav(int sampleRate = 22050);

} // namespace vatrel::sim
