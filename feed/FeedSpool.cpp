#include "feed/FeedSpool.h"
#include "feed/FeedJson.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace vatrel {

FeedSpool::FeedSpool(const QString& dataDir)
    : m_spoolPath(QDir(dataDir).filePath(QStringLiteral("data/mqtt-spool.jsonl"))),
      m_seqPath(QDir(dataDir).filePath(QStringLiteral("data/mqtt-spool.seq"))) {}

void FeedSpool::load() {
    m_pending.clear();
    QFile seqFile(m_seqPath);
    if (seqFile.open(QIODevice::ReadOnly)) m_acked = seqFile.readAll().trimmed().toULongLong();
    m_lastSeq = m_acked;

    QFile f(m_spoolPath);
    if (!f.open(QIODevice::ReadOnly)) return;
    const QByteArray all = f.readAll();
    f.close();
    bool torn = false;
    qsizetype pos = 0;
    while (pos < all.size()) {
        const qsizetype end = all.indexOf('\n', pos);
        if (end < 0) {
            torn = true; // a line cut short by a crash: never acknowledged, never complete
            break;
        }
        const QByteArray line = all.mid(pos, end - pos);
        pos = end + 1;
        const quint64 seq = eventSeq(line);
        if (seq == 0 || seq <= m_lastSeq) {
            torn = true; // unreadable, or already delivered before the spool was emptied
            continue;
        }
        m_lastSeq = seq;
        m_pending.push_back({seq, line});
    }
    if (torn || m_pending.empty()) rewrite();
}

bool FeedSpool::append(const std::deque<Entry>& entries) {
    if (entries.empty()) return true;
    QByteArray bytes;
    for (const Entry& e : entries) {
        bytes += e.payload;
        bytes += '\n';
        m_pending.push_back(e);
        m_lastSeq = e.seq;
    }
    QFile f(m_spoolPath);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append)) {
        m_error = f.errorString();
        return false;
    }
    const bool ok = f.write(bytes) == bytes.size();
    if (!ok) m_error = f.errorString();
    f.close();
    return ok;
}

void FeedSpool::acknowledge(quint64 seq) {
    while (!m_pending.empty() && m_pending.front().seq <= seq)
        m_pending.pop_front();
    if (seq > m_acked) {
        m_acked = seq;
        m_dirty = true;
    }
}

bool FeedSpool::persist() {
    if (!m_dirty) return true;
    QSaveFile s(m_seqPath);
    if (!s.open(QIODevice::WriteOnly)) {
        m_error = s.errorString();
        return false;
    }
    s.write(QByteArray::number(m_acked) + '\n');
    if (!s.commit()) {
        m_error = s.errorString();
        return false;
    }
    m_dirty = false;
    // The number is safe: the delivered lines may go. Only an empty spool is cut, so the file
    // stays append-only while it has anything to deliver.
    if (m_pending.empty()) {
        QFile f(m_spoolPath);
        if (f.exists() && f.size() > 0) return f.resize(0);
    }
    return true;
}

bool FeedSpool::rewrite() {
    QSaveFile s(m_spoolPath);
    if (!s.open(QIODevice::WriteOnly)) return false;
    for (const Entry& e : m_pending) {
        s.write(e.payload);
        s.write("\n", 1);
    }
    return s.commit();
}

} // namespace vatrel
