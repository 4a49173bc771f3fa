// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/KeptRecords.h"
#include "registry/Records.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>

namespace vatrel {

// Event log records kept in memory while they cannot be written, kept compressed (KeptRecords):
// at most this many, in at most this much memory, whichever comes first. The program's event texts
// pack to about 15 bytes a record (bench_kept_records), so the count is reached first: a million
// records are half a million events (each goes to two files), many nights of alarms. Texts that
// pack badly (at worst a record's 328 bytes) meet the memory bound instead.
constexpr int kPendingLogWritesMax = 1000000;
constexpr size_t kPendingLogBytesMax = 40u * 1024 * 1024;

// Log file paths (relative to the data folder).
QString sensorLogFragment(quint32 factory_number, qint16 sensor_type); // VatrelA_mess/<signed n>
QString dailyLogFragment(const QDate& date);                           // QReport/<dd.MM.yyyy>

// The event log files, each sensor's own log and the day's log, and the records that wait in memory
// while the disk does not take them. A file's kept records are written before anything newer goes
// to it, so every file keeps the order in which the events happened; a file that cannot be written
// holds up only its own records, never another file's.
class EventJournal {
public:
    // What a call needs from the rest of the program: the data folder the log files are under, a box
    // for the operator, and the status panel that says how many records wait (empty text: none).
    struct Outlet {
        QString dataDir;
        std::function<void(const QString& text)> tell;
        std::function<void(const QString& text)> showKept;
    };

    // A sensor event's record: to the sensor's own log (when the record has a factory number), then
    // to the log of `day`.
    void writeSensorEvent(const Outlet& out, const EventRecord& rec, qint16 sensor_type, const QDate& day);
    // A program-level event's record: to the log of `day` only.
    void writeProgramEvent(const Outlet& out, const EventRecord& rec, const QDate& day);
    // Writes the records that could not be written before, each file's oldest first, leaving a file
    // at its first record that still fails. A new event's record first has its own file's kept
    // records written; the clock calls this for all files, so they empty as soon as the disk takes
    // writes again even when no event comes.
    void retryKept(const Outlet& out);
    // At the end of the run: one more try at the records still waiting for the disk, and a box that
    // says how many are lost with the program when the disk still does not take them.
    void reportLostAtExit(const Outlet& out);

    size_t keptCount() const { return m_count; } // records kept, all files together
    size_t keptBytes() const { return m_bytes; } // the memory they take
    size_t keptFiles() const { return m_kept.size(); }
    quint64 dropped() const { return m_dropped; } // records lost because the memory for them was full

    void setCapacity(size_t records) { m_capacity = records; }
    void setMemoryLimit(size_t bytes) { m_memoryLimit = bytes; }

private:
    // One record on its way to a file.
    struct Write {
        QString fragment; // the file below the data folder, chosen when the event happened
        QByteArray bytes; // the encoded record (shared by the sensor file's and the day's entry)
        bool daily = false;
    };
    // The records one log file waits for.
    struct KeptLog {
        bool daily = false; // the day's log (named to the operator without the data folder)
        KeptRecords records{EventRecord::kSize};
    };
    // Boxes a call has to show. They are shown only once the journal's state is whole again: a box
    // may wait for the operator while the engine goes on logging, and that logging must find every
    // kept record in place and go behind it.
    using Notes = QStringList;

    void writeOrKeep(const Outlet& out, Write w, Notes& notes);
    bool writeKept(const QString& dataDir, const QString& fragment, KeptLog& kept, Notes& notes);
    void keep(Write w, Notes& notes);
    void startOutage(const Write& w, Notes& notes);
    void settle(const Outlet& out, size_t keptBefore);
    void showKept(const Outlet& out) const;

    std::map<QString, KeptLog> m_kept; // only files that hold records
    size_t m_count = 0;
    size_t m_bytes = 0;
    bool m_outage = false;
    bool m_overflowTold = false; // the memory filled up during this outage and the operator was told
    quint64 m_dropped = 0;
    size_t m_capacity = kPendingLogWritesMax;
    size_t m_memoryLimit = kPendingLogBytesMax;
};

} // namespace vatrel
