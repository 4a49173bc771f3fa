// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/LogFolders.h"

#include <QDir>
#include <algorithm>

namespace vatrel {

namespace {
QDate dayOf(const QString& name) {
    return name.size() == 10 ? QDate::fromString(name, QStringLiteral("dd.MM.yyyy")) : QDate();
}
} // namespace

std::vector<QDate> dailyLogDays(const QString& dataDir) {
    std::vector<QDate> days;
    const QStringList names = QDir(dataDir + QStringLiteral("/QReport")).entryList(QDir::Files);
    for (const QString& name : names)
        if (const QDate d = dayOf(name); d.isValid()) days.push_back(d);
    std::sort(days.begin(), days.end());
    return days;
}

std::vector<SensorLogFile> sensorLogFiles(const QString& dataDir) {
    std::vector<SensorLogFile> out;
    for (qint16 type : {qint16(0), qint16(1)}) {
        const QString folder =
            dataDir + (type ? QStringLiteral("/VatrelB_mess") : QStringLiteral("/VatrelA_mess"));
        std::vector<qint32> numbers;
        for (const QString& name : QDir(folder).entryList(QDir::Files)) {
            bool ok = false;
            const qint32 n = name.toInt(&ok);
            // Only the names the console writes: no leading zeros or plus signs.
            if (ok && QString::number(n) == name) numbers.push_back(n);
        }
        std::sort(numbers.begin(), numbers.end());
        for (qint32 n : numbers)
            out.push_back({quint32(n), type});
    }
    return out;
}

bool dayLogNameLess(const QString& a, const QString& b) {
    const QDate da = dayOf(a), db = dayOf(b);
    if (da.isValid() != db.isValid()) return da.isValid();
    if (da.isValid() && da != db) return da < db;
    return a < b;
}

} // namespace vatrel
