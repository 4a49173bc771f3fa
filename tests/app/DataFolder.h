// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Data folders for the window tests, written byte by byte the way earlier installations left them.
#include "common/DataFiles.h"
#include "common/FakeSerialPort.h"

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace vatrel::testing {

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
