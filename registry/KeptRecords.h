// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <deque>

namespace vatrel {

// The records of one log file that wait for the disk, oldest first, in little memory. A log record
// is 328 bytes of which the text rarely fills a fifth and the rest is blank, so records are packed
// in batches and every full batch is kept compressed: a night of alarms fits in a few megabytes.
// Only the newest batch (being filled) and the oldest (being written) are held as they are.
class KeptRecords {
public:
    static constexpr int kBatchRecords = 64;

    explicit KeptRecords(int recordSize) : m_recordSize(recordSize) {}

    bool empty() const { return m_count == 0; }
    size_t size() const { return m_count; }
    // Memory the records take, compressed or not.
    size_t bytes() const { return m_bytes; }

    void push(const QByteArray& record);
    // The oldest record; only when not empty. Empty when it cannot be unpacked now (no memory): it
    // stays kept, and pop() then takes nothing.
    QByteArray front();
    void pop();

private:
    bool unpackOldest();

    int m_recordSize;
    QByteArray m_oldest; // the oldest batch, as it is: records from m_oldestAt on wait
    qsizetype m_oldestAt = 0;
    std::deque<QByteArray> m_packed; // full batches, compressed, oldest first
    QByteArray m_newest;             // the batch being filled
    size_t m_count = 0;
    size_t m_bytes = 0;
};

} // namespace vatrel
