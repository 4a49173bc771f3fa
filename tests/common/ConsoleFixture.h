// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fresh Console over a temporary data folder, wired to a recording UI and a clock the test sets.
#include "common/RecordingUi.h"
#include "common/SensorCells.h"
#include "core/Console.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace vatrel::testing {

inline const QStringList kAllDataFolders{"data",         "VatrelA",      "VatrelB",
                                         "VatrelA_mess", "VatrelB_mess", "QReport"};

class ConsoleFixture {
public:
    // Only the listed subfolders exist, so a test can leave out the ones whose absence it checks.
    explicit ConsoleFixture(const QStringList& folders = kAllDataFolders) {
        QVERIFY(dir.isValid());
        for (const QString& f : folders)
            QVERIFY(QDir(dir.path()).mkpath(f));
        c.data_dir = dir.path();
        c.ui = &ui;
        c.clock = [this] { return now; };
    }
    ConsoleFixture(const ConsoleFixture&) = delete;
    ConsoleFixture& operator=(const ConsoleFixture&) = delete;

    // Paths below the data folder, written the way the tests name them ("QReport/01.04.2025").
    QString file(const QString& fragment) const { return dir.path() + QLatin1Char('/') + fragment; }
    bool exists(const QString& fragment) const { return QFile::exists(file(fragment)); }
    QByteArray read(const QString& fragment) const {
        QFile f(file(fragment));
        if (!f.open(QIODevice::ReadOnly)) return QByteArray();
        return f.readAll();
    }
    void write(const QString& fragment, const QByteArray& bytes) const {
        QFile f(file(fragment));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(f.write(bytes), bytes.size());
    }
    // Every slot's row silver, as the table looks before start-up colours it.
    void silverRows() { c.sensorRows.setAllColours(0xC0C0C0); }

    // Declared in this order so that the console goes first and the folder last.
    QTemporaryDir dir;
    RecordingUi ui;
    QDateTime now{QDate(2025, 4, 1), QTime(12, 0, 0)};
    std::unique_ptr<Console> console = std::make_unique<Console>();
    Console& c = *console;
};

} // namespace vatrel::testing
