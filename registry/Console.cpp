// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/Console.h"
#include "registry/DateTime.h"
#include "registry/FeedSink.h"

namespace vatrel {

Console::Console() {
    link.connect(&notices);
    ports.connect(&notices);
}

double Console::now() const { return toDays(clock()); }

QString Console::path(const QString& fragment) const { return data_dir + QLatin1Char('/') + fragment; }

void Console::error(const QString& text) const {
    if (ui) ui->message(QStringLiteral("Ошибка"), text, ConsoleUi::Icon::Error);
}

void countSensorsForToolbar(Console& c) {
    c.shownSensorCount = c.sensors.count();
    c.changed(ConsoleUi::View::Labels);
}

bool setRowColour(Console& c, int slot, Colour colour) {
    if (slot < 0 || slot >= kSlots || c.SensorRowStyles[slot].background == colour) return false;
    c.SensorRowStyles[slot].background = colour;
    c.changed(ConsoleUi::View::SensorGrid);
    return true;
}

void feedSensor(Console& c, int slot) { c.notices.sensorChanged(slot); }

} // namespace vatrel
