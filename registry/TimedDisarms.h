// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/ChangeNotices.h"
#include "registry/Records.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

namespace vatrel {

// A loop taken off guard until a set time: the sensor's factory number, the loop (1 or 2) and the
// end as an absolute wall-clock time (ms since 1970-01-01 UTC), so that neither a restart nor a
// power cut nor a change of the clock's time zone moves it.
struct TimedDisarm {
    quint32 number = 0;
    int loop = 0;
    qint64 endMs = 0;
    bool operator==(const TimedDisarm&) const = default;
};

// What the operator chose in the timed disarm window: a duration in minutes, or (minutes 0) the
// local date and time the loop is to be armed again.
struct TimedDisarmChoice {
    int minutes = 0;
    QDateTime until;
};

// The timed disarms that run, kept in data/timed-disarm.dat so that they survive a restart.
//
// data/timed-disarm.dat, little-endian, replaced whole on every change (WholeFileWriter):
//   0  4  "VTDA"
//   4  2  version, 1
//   6  2  number of entries n (at most kMaxEntries)
//   8  16 × n entries: factory number (u32), loop (u8, 1 or 2), 3 bytes 0, end (i64, ms since
//         1970-01-01 UTC)
// A file of any other size or content is refused whole (decode() says why).
class TimedDisarms {
public:
    static constexpr int kVersion = 1;
    static constexpr int kHeaderSize = 8;
    static constexpr int kEntrySize = 16;
    static constexpr int kMaxEntries = 2 * kSlots;
    static constexpr qint64 kWarnMs = 60 * 1000; // the alarm window says so a minute before the end

    void connect(const ChangeNotices* notices) { m_line.connect(notices); }

    // -----------------------------------------------------------------------------------------
    // The file

    static QString filePath(const QString& dataDir);
    static QByteArray encode(const QList<TimedDisarm>& entries);
    // The entries of a file's bytes; nullopt (and the reason, in the operator's words, in `problem`)
    // for anything that is not a whole file of this format.
    static std::optional<QList<TimedDisarm>> decode(const QByteArray& bytes, QString* problem = nullptr);

    // Reads the file: a missing one is no timed disarm. False, with the reason in `problem`, when
    // the file is there but cannot be used; the timers are then empty.
    bool load(const QString& dataDir, QString* problem = nullptr);
    // Writes the timers as they are now. False (the system's reason in `error`) when the file did
    // not take them; the old file then stays as it was.
    bool save(const QString& dataDir, QString* error = nullptr) const;

    // -----------------------------------------------------------------------------------------
    // The timers

    const QList<TimedDisarm>& entries() const { return m_entries; }
    bool isEmpty() const { return m_entries.isEmpty(); }
    // The end of the loop's timer, if one runs.
    std::optional<qint64> end(quint32 number, int loop) const;
    // Starts the loop's timer, or moves its end.
    void set(quint32 number, int loop, qint64 endMs);
    // Ends the loop's timer; true when one ran.
    bool remove(quint32 number, int loop);
    // Ends every timer of the sensor; true when one ran.
    bool removeSensor(quint32 number);
    // Replaces every timer (what the file held).
    void replace(const QList<TimedDisarm>& entries);

    // The timers whose end has come by `nowMs`, soonest first.
    QList<TimedDisarm> due(qint64 nowMs) const;

    // The timers that end within kWarnMs of `nowMs`, soonest first, as the last call of
    // updateWarnings() found them: what the alarm window warns of.
    const QList<TimedDisarm>& warnings() const { return m_warnings; }
    // Looks again at which timers end within a minute. A change is announced as the alarm window's;
    // true when a timer came into its last minute (the window comes forward for it).
    bool updateWarnings(qint64 nowMs);

    // The alarm window's line for the warnings ("Через минуту на охрану: Ш1 датчика № 1234 в
    // 14:30"); empty when there is none.
    QString warningText() const;

private:
    QList<TimedDisarm> m_entries;
    QList<TimedDisarm> m_warnings;
    NoticeLine m_line;
};

// The end of a timed disarm within an event text: "14:30" on the day of `now`, else "09.12.2026 14:30".
QString timedEndText(qint64 endMs, const QDateTime& now);
// The end a choice gives, from `now`: a duration is rounded up to the whole minute (never shorter
// than asked, and the minute shown is the minute it ends), a date and time is taken to the minute.
qint64 timedEndOf(const TimedDisarmChoice& choice, const QDateTime& now);

} // namespace vatrel
