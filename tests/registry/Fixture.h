#pragma once
// A data folder in a temporary directory, a fresh Console wired to a recording UI and a pinned clock.
#include "common/RecordingUi.h"
#include "registry/Console.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace vatrel::testing {

inline const QStringList kAllFolders{"data", "VatrelA", "VatrelB", "VatrelA_mess", "VatrelB_mess", "QReport"};

struct Fixture {
    explicit Fixture(const QStringList& folders = kAllFolders) {
        for (const QString& f : folders)
            QDir(dir.path()).mkpath(f);
        c.data_dir = dir.path();
        c.ui = &ui;
        c.clock = [this] { return now; };
    }

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

    QTemporaryDir dir;
    RecordingUi ui;
    QDateTime now{QDate(2025, 4, 1), QTime(12, 0, 0)};
    Console c;
};

// A hardware file image with the given {slot, number, type} entries and port index.
struct HwEntry {
    int slot;
    quint32 number;
    quint16 type;
};
inline QByteArray hwFile(std::initializer_list<HwEntry> entries, quint16 port = 0) {
    QByteArray b(1202, '\0');
    for (const HwEntry& e : entries) {
        for (int i = 0; i < 4; ++i)
            b[6 * e.slot + i] = char((e.number >> (8 * i)) & 0xFF);
        b[6 * e.slot + 4] = char(e.type & 0xFF);
        b[6 * e.slot + 5] = char(e.type >> 8);
    }
    b[1200] = char(port & 0xFF);
    b[1201] = char(port >> 8);
    return b;
}

} // namespace vatrel::testing
