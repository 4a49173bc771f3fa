// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDate>
#include <QString>
#include <vector>

namespace vatrel {

// The log files the data folder holds, for the viewer's day and sensor choosers.

// Days that have a log in QReport (files named dd.MM.yyyy), oldest first.
std::vector<QDate> dailyLogDays(const QString& dataDir);

// Sensors that have a log in VatrelA_mess or VatrelB_mess (files named by the signed factory
// number), type A first, each by number.
struct SensorLogFile {
    quint32 factory_number = 0;
    qint16 sensor_type = 0; // 0 type A, 1 type B
};
std::vector<SensorLogFile> sensorLogFiles(const QString& dataDir);

// Orders day log names by their date (a name that is no date goes after them, by name).
bool dayLogNameLess(const QString& a, const QString& b);

} // namespace vatrel
