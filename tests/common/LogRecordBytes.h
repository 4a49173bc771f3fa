// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Event log records written out byte by byte, independent of the program's codec.
#include <QByteArray>
#include <QDateTime>
#include <QStringEncoder>
#include <QtEndian>
#include <cstring>

namespace vatrel::testing {

inline QByteArray logRecord(int code, const QString& text,
                            const QDateTime& at = QDateTime(QDate(2025, 4, 1), QTime(8, 30, 5)),
                            quint32 factory = 1234) {
    QByteArray r(328, '\0');
    r[0] = 1;
    qToLittleEndian<quint32>(factory, r.data() + 4);
    const double days =
        double(QDate(1899, 12, 30).daysTo(at.date())) + at.time().msecsSinceStartOfDay() / 86400000.0;
    quint64 bits;
    std::memcpy(&bits, &days, 8);
    qToLittleEndian<quint64>(bits, r.data() + 8);
    r[16] = char(qint8(code));
    const QByteArray t = QStringEncoder("windows-1251").encode(text);
    std::memcpy(r.data() + 38, t.constData(), size_t(qMin<qsizetype>(t.size(), 289)));
    return r;
}

// n records "Событие <from + 1>" … of one code.
inline QByteArray logRecords(int n, int code = 33, int from = 0) {
    QByteArray out;
    for (int i = from; i < from + n; ++i)
        out += logRecord(code, QStringLiteral("Событие %1").arg(i + 1));
    return out;
}

} // namespace vatrel::testing
