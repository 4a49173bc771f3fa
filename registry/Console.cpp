// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/Console.h"
#include "registry/DateTime.h"
#include "registry/FeedSink.h"

namespace vatrel {

Console::Console() {
    notices.describeConverter([this] {
        return ConverterNotice{int(link.state()), ports.portName(), clock.now()};
    });
    osc.connect(&notices);
    scope.connect(&notices);
    status.connect(&notices);
    selection.connect(&notices);
    sensors.connect(&notices);
    sensorRows.connect(&notices);
    events.connectNotices(&notices);
    alarms.connectNotices(&notices);
    link.connect(&notices);
    ports.connect(&notices);
}

double Console::now() const { return clock.now(); }

QString Console::path(const QString& fragment) const { return data_dir + QLatin1Char('/') + fragment; }

void Console::error(const QString& text) const { notices.error(text); }

void countSensorsForToolbar(Console& c) { c.status.showSensorCount(c.sensors.count()); }

} // namespace vatrel
