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
    packed.squeeze(); // qCompress leaves room for the worst case behind its result
    m_bytes -= size_t(m_newest.size());
    m_bytes += size_t(packed.size());
    m_packed.push_back(std::move(packed));
    m_newest.clear();
    m_newest.squeeze();
}

void KeptRecords::unpackOldest() {
    if (m_oldestAt < m_oldest.size()) return;
    if (!m_packed.empty()) {
        m_bytes -= size_t(m_packed.front().size());
        m_oldest = qUncompress(m_packed.front());
        m_bytes += size_t(m_oldest.size());
        m_packed.pop_front();
    } else {
        m_oldest = std::move(m_newest); // counted already
        m_newest = QByteArray();
    }
    m_oldestAt = 0;
}

QByteArray KeptRecords::front() {
    unpackOldest();
    return m_oldest.mid(m_oldestAt, m_recordSize);
}

void KeptRecords::pop() {
    if (m_count == 0) return;
    unpackOldest();
    m_oldestAt += m_recordSize;
    --m_count;
    if (m_oldestAt >= m_oldest.size()) {
        m_bytes -= size_t(m_oldest.size());
        m_oldest = QByteArray();
        m_oldestAt = 0;
    }
}

} // namespace vatrel
