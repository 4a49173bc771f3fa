// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/KeptRecords.h"

namespace vatrel {

void KeptRecords::push(const QByteArray& record) {
    if (m_newest.isEmpty()) m_newest.reserve(qsizetype(kBatchRecords) * m_recordSize);
    m_newest += record;
    m_bytes += size_t(record.size());
    ++m_count;
    if (m_newest.size() < qsizetype(kBatchRecords) * m_recordSize) return;
    QByteArray packed = qCompress(m_newest);
    // Out of memory: the batch stays as it is and grows; packing is tried again with the next record.
    if (packed.isEmpty()) return;
    packed.squeeze(); // qCompress leaves room for the worst case behind its result
    m_bytes -= size_t(m_newest.size());
    m_bytes += size_t(packed.size());
    m_packed.push_back(std::move(packed));
    m_newest.clear();
    m_newest.squeeze();
}

bool KeptRecords::unpackOldest() {
    if (m_oldestAt < m_oldest.size()) return true;
    if (!m_packed.empty()) {
        QByteArray unpacked = qUncompress(m_packed.front());
        // Out of memory: the batch stays packed, to be unpacked when there is room; nothing is lost.
        if (unpacked.isEmpty()) return false;
        m_bytes -= size_t(m_packed.front().size());
        m_oldest = std::move(unpacked);
        m_bytes += size_t(m_oldest.size());
        m_packed.pop_front();
    } else {
        m_oldest = std::move(m_newest); // counted already
        m_newest = QByteArray();
    }
    m_oldestAt = 0;
    return true;
}

QByteArray KeptRecords::front() {
    if (!unpackOldest()) return QByteArray();
    return m_oldest.mid(m_oldestAt, m_recordSize);
}

void KeptRecords::pop() {
    if (m_count == 0 || !unpackOldest()) return;
    m_oldestAt += m_recordSize;
    --m_count;
    if (m_oldestAt >= m_oldest.size()) {
        m_bytes -= size_t(m_oldest.size());
        m_oldest = QByteArray();
        m_oldestAt = 0;
    }
}

} // namespace vatrel
