#pragma once
#include <QByteArray>
#include <QString>
#include <deque>

namespace vatrel {

// The events not yet acknowledged by the broker, in order, kept in an append-only file of JSON
// lines (data/mqtt-spool.jsonl) so that they survive a restart. The last acknowledged sequence
// number lives in data/mqtt-spool.seq; once every line is acknowledged the spool is emptied, and
// numbering goes on from the saved number. Used by the feed's own thread only.
class FeedSpool {
public:
    struct Entry {
        quint64 seq;
        QByteArray payload;
    };

    explicit FeedSpool(const QString& dataDir);

    // Reads what an earlier run left: drops acknowledged and torn lines.
    void load();

    quint64 nextSeq() const { return m_lastSeq + 1; }
    quint64 acked() const { return m_acked; }
    const std::deque<Entry>& pending() const { return m_pending; }
    qint64 size() const { return qint64(m_pending.size()); }

    // Appends payloads already numbered with nextSeq(), nextSeq()+1, …; false when the file could
    // not be written (the entries are still kept in memory and delivered).
    bool append(const std::deque<Entry>& entries);
    // The broker acknowledged everything up to and including `seq`.
    void acknowledge(quint64 seq);
    // Saves the acknowledged number and, when nothing is left, empties the file.
    bool persist();
    bool dirty() const { return m_dirty; }
    QString lastError() const { return m_error; }

    QString spoolPath() const { return m_spoolPath; }
    QString seqPath() const { return m_seqPath; }

private:
    bool rewrite();

    QString m_spoolPath;
    QString m_seqPath;
    std::deque<Entry> m_pending;
    quint64 m_lastSeq = 0;
    quint64 m_acked = 0;
    bool m_dirty = false;
    QString m_error;
};

} // namespace vatrel
