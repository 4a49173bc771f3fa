// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QString>
#include <deque>

namespace vatrel {

// The events not yet acknowledged by the broker, in order, kept in an append-only file of JSON
// lines (data/mqtt-spool.jsonl) so that they survive a restart. The last acknowledged sequence
// number lives in data/mqtt-spool.seq; once every line is acknowledged the spool is emptied, and
// numbering goes on from the saved number. Only the oldest `window` events are held in memory:
// after a long outage the rest is read back from the file as the broker acknowledges. Used by the
// feed's own thread only.
class FeedSpool {
public:
    struct Entry {
        quint64 seq;
        QByteArray payload;
    };

    explicit FeedSpool(const QString& dataDir, int window = 10000);

    // Reads what an earlier run left: skips acknowledged lines, cuts a torn last line. False when a
    // file is there but cannot be read (lastError() says which); the spool then starts empty.
    bool load();

    quint64 nextSeq() const { return m_lastSeq + 1; }
    quint64 acked() const { return m_acked; }
    // The oldest unacknowledged events, in order, consecutive numbers.
    const std::deque<Entry>& pending() const { return m_pending; }
    // Every unacknowledged event, in memory or not.
    qint64 size() const { return qint64(m_pending.size()) + m_unloaded + qint64(m_unwritten.size()); }

    // Appends payloads already numbered nextSeq(), nextSeq()+1, …; false when the file could not be
    // written (the entries are then kept in memory and still delivered, in order).
    bool append(const std::deque<Entry>& entries);
    // The broker acknowledged everything up to and including `seq`.
    void acknowledge(quint64 seq);
    // Saves the acknowledged number and, when nothing is left, empties the file.
    bool persist();
    bool dirty() const { return m_dirty; }
    QString lastError() const { return m_error; }

private:
    void fill();

    QString m_spoolPath;
    QString m_seqPath;
    int m_window;
    std::deque<Entry> m_pending;   // in memory, the front of the queue
    qint64 m_unloaded = 0;         // lines in the file after m_readOffset, not in memory
    qint64 m_readOffset = 0;       // where the first of them starts
    quint64 m_readSeq = 0;         // number of the last line taken from the file
    std::deque<Entry> m_unwritten; // appended while the file failed, behind the unloaded lines
    quint64 m_lastSeq = 0;
    quint64 m_acked = 0;
    bool m_dirty = false;
    QString m_error;
};

} // namespace vatrel
