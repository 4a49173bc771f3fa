// SPDX-License-Identifier: GPL-3.0-or-later
#include "feed/FeedSpool.h"
#include "feed/FeedJson.h"
#include "registry/RegularFile.h"
#include "registry/WholeFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vatrel {

FeedSpool::FeedSpool(const QString& dataDir, int window)
    : m_spoolPath(QDir(dataDir).filePath(QStringLiteral("data/mqtt-spool.jsonl"))),
      m_seqPath(QDir(dataDir).filePath(QStringLiteral("data/mqtt-spool.seq"))),
      m_window(std::max(1, window)) {}

bool FeedSpool::load() {
    m_pending.clear();
    m_unloaded = 0;
    m_error.clear();
    // A number of at most 20 digits and a line end; a missing file is a first start.
    QByteArray number;
    if (readRegularFile(m_seqPath, 32, &number))
        m_acked = number.trimmed().toULongLong();
    else if (QFileInfo::exists(m_seqPath) || QFileInfo(m_seqPath).isSymLink())
        m_error = QStringLiteral("не читается файл ") + QDir::toNativeSeparators(m_seqPath);
    m_lastSeq = m_readSeq = m_acked;

    QFile f(m_spoolPath);
    if (!openRegularFile(f, QIODevice::ReadWrite)) {
        if (QFileInfo::exists(m_spoolPath) || QFileInfo(m_spoolPath).isSymLink())
            m_error = QStringLiteral("не читается файл ") + QDir::toNativeSeparators(m_spoolPath);
        return m_error.isEmpty();
    }
    qint64 offset = 0;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine();
        if (!line.endsWith('\n')) {
            f.resize(offset); // a line cut short by a crash: never complete, never acknowledged
            break;
        }
        const qint64 start = offset;
        offset += line.size();
        const quint64 seq = eventSeq(line.chopped(1));
        if (seq == 0 || seq <= m_lastSeq) continue; // unreadable, or delivered before
        m_lastSeq = seq;
        if (m_unloaded == 0 && m_pending.size() < size_t(m_window)) {
            m_pending.push_back({seq, line.chopped(1)});
            m_readSeq = seq;
        } else {
            if (m_unloaded == 0) m_readOffset = start;
            ++m_unloaded;
        }
    }
    if (m_unloaded == 0) m_readOffset = offset;
    if (size() == 0 && f.size() > 0) {
        f.resize(0);
        m_readOffset = 0;
    }
    return m_error.isEmpty();
}

bool FeedSpool::append(const std::deque<Entry>& entries) {
    if (entries.empty()) return true;
    std::deque<Entry> batch;
    batch.swap(m_unwritten);
    batch.insert(batch.end(), entries.begin(), entries.end());
    m_lastSeq = batch.back().seq;

    QByteArray bytes;
    for (const Entry& e : batch) {
        bytes += e.payload;
        bytes += '\n';
    }
    // Unbuffered, so a full disk shows in write()'s result and not in a close nobody checks; what a
    // failed write left is cut off again, or the next lines would be glued to a torn one.
    QFile f(m_spoolPath);
    const bool opened = openRegularFile(f, QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
    const qint64 start = opened ? f.size() : 0;
    const bool ok = opened && f.write(bytes) == bytes.size();
    if (!ok) {
        m_error = opened ? f.errorString()
                         : QStringLiteral("не открылся файл ") + QDir::toNativeSeparators(m_spoolPath);
        if (opened) f.resize(start);
        if (m_unloaded > 0) {
            m_unwritten = std::move(batch); // behind lines still in the file: wait for the next write
            return false;
        }
        m_pending.insert(m_pending.end(), batch.begin(), batch.end());
        m_readSeq = m_lastSeq;
        return false;
    }
    // Line by line: what fits the window joins the memory, the rest stays in the file for later.
    qint64 offset = start;
    for (const Entry& e : batch) {
        if (m_unloaded == 0 && m_pending.size() < size_t(m_window)) {
            m_pending.push_back(e);
            m_readSeq = e.seq;
            m_readOffset = offset + e.payload.size() + 1;
        } else {
            if (m_unloaded == 0) m_readOffset = offset;
            ++m_unloaded;
        }
        offset += e.payload.size() + 1;
    }
    return true;
}

void FeedSpool::fill() {
    QFile f(m_spoolPath);
    if (!openRegularFile(f, QIODevice::ReadOnly) || !f.seek(m_readOffset)) {
        m_error = QStringLiteral("не читается файл ") + QDir::toNativeSeparators(m_spoolPath);
        return;
    }
    while (m_unloaded > 0 && m_pending.size() < size_t(m_window) && !f.atEnd()) {
        const QByteArray line = f.readLine();
        if (!line.endsWith('\n')) break;
        m_readOffset += line.size();
        const quint64 seq = eventSeq(line.chopped(1));
        if (seq == 0 || seq <= m_readSeq) continue;
        m_readSeq = seq;
        --m_unloaded;
        if (seq > m_acked) m_pending.push_back({seq, line.chopped(1)}); // else acknowledged unread
    }
    if (m_unloaded == 0 && !m_unwritten.empty() && m_pending.size() < size_t(m_window)) {
        m_pending.insert(m_pending.end(), m_unwritten.begin(), m_unwritten.end());
        m_unwritten.clear();
        m_readSeq = m_lastSeq;
    }
}

void FeedSpool::acknowledge(quint64 seq) {
    while (!m_pending.empty() && m_pending.front().seq <= seq)
        m_pending.pop_front();
    if (seq > m_acked) {
        m_acked = seq;
        m_dirty = true;
    }
    if ((m_unloaded > 0 || !m_unwritten.empty()) && m_pending.size() < size_t(m_window) / 2 + 1) fill();
}

bool FeedSpool::persist() {
    if (!m_dirty) return true;
    // An empty or shorter number would make the next run count from 1 again, and consumers that
    // drop repeats by number would drop new events: the old number stays until the new one is whole.
    if (!writeWholeFile(m_seqPath, QByteArray::number(m_acked) + '\n', &m_error)) return false;
    m_dirty = false;
    // The number is safe: the delivered lines may go. Only an empty spool is cut, so the file
    // stays append-only while it has anything to deliver.
    if (size() == 0) {
        m_readOffset = 0;
        QFile f(m_spoolPath);
        if (f.exists() && f.size() > 0) return f.resize(0);
    }
    return true;
}

} // namespace vatrel
