// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads event records back from a log file, decoding the bytes here rather than through the
// program's own codec, so that a fault in writing cannot hide behind the same fault in reading.
#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QTest>
#include <QtEndian>
#include <cstring>

namespace vatrel::testing {

struct LoggedEvent {
    quint8 mark = 0;
    quint32 factory_number = 0;
    double time = 0;
    int code = 0;
    QString text;
};

// All records of a log file; an empty list when the file does not exist. A file that is not a
// whole number of 328-byte records fails the test.
inline QList<LoggedEvent> readEventFile(const QString& path) {
    QList<LoggedEvent> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return out;
    const QByteArray all = f.readAll();
    constexpr int kRecord = 328;
    if (all.size() % kRecord != 0) {
        QTest::qFail(
            qPrintable(
                QStringLiteral("%1: %2 bytes is not a whole number of records").arg(path).arg(all.size())),
            __FILE__, __LINE__);
        return out;
    }
    QStringDecoder cp1251("windows-1251");
    for (qsizetype at = 0; at + kRecord <= all.size(); at += kRecord) {
        const char* p = all.constData() + at;
        LoggedEvent e;
        e.mark = quint8(p[0]);
        e.factory_number = qFromLittleEndian<quint32>(p + 4);
        const quint64 bits = qFromLittleEndian<quint64>(p + 8);
        std::memcpy(&e.time, &bits, sizeof e.time);
        e.code = qint8(p[16]);
        QByteArray text(p + 38, kRecord - 38);
        const qsizetype nul = text.indexOf('\0');
        if (nul >= 0) text.truncate(nul);
        e.text = cp1251.decode(text);
        out << e;
    }
    return out;
}

inline QStringList eventTexts(const QList<LoggedEvent>& log) {
    QStringList out;
    for (const auto& e : log)
        out << e.text;
    return out;
}
inline QList<int> eventCodes(const QList<LoggedEvent>& log) {
    QList<int> out;
    for (const auto& e : log)
        out << e.code;
    return out;
}

} // namespace vatrel::testing
