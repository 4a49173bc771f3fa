// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/TimedDisarms.h"
#include "registry/RegularFile.h"
#include "registry/WholeFileWriter.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>

namespace vatrel {

namespace {

constexpr char kMagic[4] = {'V', 'T', 'D', 'A'};
constexpr qint64 kMaxFileSize =
    TimedDisarms::kHeaderSize + TimedDisarms::kEntrySize * TimedDisarms::kMaxEntries;
constexpr qint64 kMinuteMs = 60 * 1000;

void sortByEnd(QList<TimedDisarm>& list) {
    std::stable_sort(list.begin(), list.end(),
                     [](const TimedDisarm& a, const TimedDisarm& b) { return a.endMs < b.endMs; });
}

void setProblem(QString* problem, const QString& text) {
    if (problem) *problem = text;
}

} // namespace

QString TimedDisarms::filePath(const QString& dataDir) {
    return dataDir + QStringLiteral("/data/timed-disarm.dat");
}

QByteArray TimedDisarms::encode(const QList<TimedDisarm>& entries) {
    QByteArray out(kHeaderSize + kEntrySize * entries.size(), '\0');
    char* p = out.data();
    std::copy(kMagic, kMagic + 4, p);
    qToLittleEndian<quint16>(quint16(kVersion), p + 4);
    qToLittleEndian<quint16>(quint16(entries.size()), p + 6);
    p += kHeaderSize;
    for (const TimedDisarm& e : entries) {
        qToLittleEndian<quint32>(e.number, p);
        p[4] = char(e.loop);
        qToLittleEndian<qint64>(e.endMs, p + 8);
        p += kEntrySize;
    }
    return out;
}

std::optional<QList<TimedDisarm>> TimedDisarms::decode(const QByteArray& bytes, QString* problem) {
    if (bytes.size() < kHeaderSize) {
        setProblem(problem, QStringLiteral("файл короче заголовка (%1 байт)").arg(bytes.size()));
        return std::nullopt;
    }
    if (!bytes.startsWith(QByteArrayView(kMagic, 4))) {
        setProblem(problem, QStringLiteral("это не файл снятий на время"));
        return std::nullopt;
    }
    const char* p = bytes.constData();
    const int version = qFromLittleEndian<quint16>(p + 4);
    if (version != kVersion) {
        // A newer program's file: its entries may mean something this one does not know.
        setProblem(problem, QStringLiteral("версия файла %1 не поддерживается").arg(version));
        return std::nullopt;
    }
    const int count = qFromLittleEndian<quint16>(p + 6);
    if (count > kMaxEntries || bytes.size() != kHeaderSize + qsizetype(kEntrySize) * count) {
        setProblem(problem, QStringLiteral("длина файла не совпадает с числом записей"));
        return std::nullopt;
    }
    QList<TimedDisarm> entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i) {
        const char* e = p + kHeaderSize + i * kEntrySize;
        TimedDisarm t;
        t.number = qFromLittleEndian<quint32>(e);
        t.loop = quint8(e[4]);
        t.endMs = qFromLittleEndian<qint64>(e + 8);
        const bool padded = e[5] == 0 && e[6] == 0 && e[7] == 0;
        const bool duplicate = std::any_of(entries.cbegin(), entries.cend(), [&t](const TimedDisarm& o) {
            return o.number == t.number && o.loop == t.loop;
        });
        if (t.number == 0 || (t.loop != 1 && t.loop != 2) || !padded || t.endMs <= 0 || duplicate) {
            setProblem(problem, QStringLiteral("запись %1 повреждена").arg(i + 1));
            return std::nullopt;
        }
        entries << t;
    }
    return entries;
}

bool TimedDisarms::load(const QString& dataDir, QString* problem) {
    replace({});
    const QString path = filePath(dataDir);
    if (!QFile::exists(path)) return true;
    QByteArray bytes;
    if (!readRegularFile(path, kMaxFileSize, &bytes)) {
        setProblem(problem, QStringLiteral("файл не читается или длиннее %1 байт").arg(kMaxFileSize));
        return false;
    }
    const std::optional<QList<TimedDisarm>> entries = decode(bytes, problem);
    if (!entries) return false;
    replace(*entries);
    return true;
}

bool TimedDisarms::save(const QString& dataDir, QString* error) const {
    return writeWholeFile(filePath(dataDir), encode(m_entries), error);
}

std::optional<qint64> TimedDisarms::end(quint32 number, int loop) const {
    for (const TimedDisarm& e : m_entries)
        if (e.number == number && e.loop == loop) return e.endMs;
    return std::nullopt;
}

void TimedDisarms::set(quint32 number, int loop, qint64 endMs) {
    remove(number, loop);
    m_entries << TimedDisarm{number, loop, endMs};
    sortByEnd(m_entries);
}

bool TimedDisarms::remove(quint32 number, int loop) {
    return m_entries.removeIf([&](const TimedDisarm& e) { return e.number == number && e.loop == loop; }) > 0;
}

bool TimedDisarms::removeSensor(quint32 number) {
    return m_entries.removeIf([number](const TimedDisarm& e) { return e.number == number; }) > 0;
}

void TimedDisarms::replace(const QList<TimedDisarm>& entries) {
    m_entries = entries;
    sortByEnd(m_entries);
}

QList<TimedDisarm> TimedDisarms::due(qint64 nowMs) const {
    QList<TimedDisarm> out;
    for (const TimedDisarm& e : m_entries)
        if (e.endMs <= nowMs) out << e;
    return out;
}

bool TimedDisarms::updateWarnings(qint64 nowMs) {
    QList<TimedDisarm> now;
    for (const TimedDisarm& e : m_entries)
        if (e.endMs - nowMs <= kWarnMs) now << e;
    if (now == m_warnings) return false;
    const bool added = std::any_of(now.cbegin(), now.cend(),
                                   [this](const TimedDisarm& e) { return !m_warnings.contains(e); });
    m_warnings = now;
    m_line.changed(View::AlarmList);
    return added;
}

QString TimedDisarms::warningText() const {
    if (m_warnings.isEmpty()) return QString();
    const TimedDisarm& first = m_warnings.first();
    QString text = QStringLiteral("Через минуту на охрану: Ш%1 датчика № %2 в %3")
                       .arg(first.loop)
                       .arg(qint32(first.number))
                       .arg(QDateTime::fromMSecsSinceEpoch(first.endMs).toString(QStringLiteral("HH:mm")));
    // The line has room for one loop: the others are counted.
    if (m_warnings.size() > 1) text += QStringLiteral(" и ещё %1").arg(m_warnings.size() - 1);
    return text;
}

QString timedEndText(qint64 endMs, const QDateTime& now) {
    const QDateTime end = QDateTime::fromMSecsSinceEpoch(endMs);
    return end.toString(end.date() == now.date() ? QStringLiteral("HH:mm")
                                                 : QStringLiteral("dd.MM.yyyy HH:mm"));
}

qint64 timedEndOf(const TimedDisarmChoice& choice, const QDateTime& now) {
    if (choice.minutes > 0) {
        const qint64 end = now.toMSecsSinceEpoch() + qint64(choice.minutes) * kMinuteMs;
        return (end + kMinuteMs - 1) / kMinuteMs * kMinuteMs;
    }
    if (!choice.until.isValid()) return 0;
    const qint64 end = choice.until.toMSecsSinceEpoch();
    return end - ((end % kMinuteMs) + kMinuteMs) % kMinuteMs;
}

} // namespace vatrel
