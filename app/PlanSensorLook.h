// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QColor>
#include <QString>

namespace vatrel {

// How a sensor is drawn on a plan, made from its table row and the alarm list.
struct PlanSensorLook {
    QColor colour = QColor(192, 192, 192); // the table row's colour
    bool armed1 = false;                   // an armed loop is drawn filled, a disarmed one hollow
    bool armed2 = false;
    bool blink1 = false; // an alarm of the loop not yet acknowledged
    bool blink2 = false;
    bool greyed = false; // no slot holds the sensor: its place waits for a replacement
    QString label;       // the position number (the factory number while greyed)
    bool blinks() const { return blink1 || blink2; }
    bool operator==(const PlanSensorLook&) const = default;
};

} // namespace vatrel
