// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "registry/EventCatalogue.h"
#include "registry/Records.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

class QFile;
class QIODevice;

namespace vatrel {

class JobControl;

bool passesFilter(LogFilter filter, int code);

// Opens a log file for reading. Only a regular file will do: a directory, a pipe or a device chosen
// by mistake is refused here rather than read forever or half read.
bool openLogFile(QFile& f);

// The records of one log file that pass a filter, as record numbers in file order. Only whole
// 328-byte records count; a torn tail (a record being written, or garbage) is left out and looked at
// again on the next refresh. A refresh reads only what was appended since the last one; a file that
// shrank, was replaced, or changed under the records already indexed is indexed afresh, as is every
// file when the filter changes.
class LogIndex {
public:
    // Brings the index up to date with the open file `f` (from openLogFile) under `filter`.
    // Returns false when the file cannot be read, or when `control` cancelled the job: the records
    // indexed until then are kept, and the next refresh of the same file goes on from there.
    bool refresh(QFile& f, const QString& path, LogFilter filter, JobControl* control = nullptr);
    void clear();

    qint64 count() const { return m_all ? m_scanned : qint64(m_records.size()); }
    qint64 scannedRecords() const { return m_scanned; }
    LogFilter filter() const { return m_filter; }
    // Record number (from 0, in file order) of the i-th record that passes.
    quint32 recordAt(qint64 i) const { return m_all ? quint32(i) : m_records[size_t(i)]; }
    // Bytes held by the index itself.
    qint64 memoryBytes() const { return qint64(m_records.capacity() * sizeof(quint32)); }
    // Number of times the whole file was indexed from its start (for tests and the benchmark).
    int fullIndexings() const { return m_fullIndexings; }

    // Reads and decodes the passing records [first, first + n) from `f`; contiguous records are read
    // together. Returns false on a read error or a record that is no longer there.
    bool read(QFile& f, qint64 first, qint64 n, std::vector<EventRecord>& out) const;

private:
    bool scan(QFile& f, qint64 fromRecord, qint64 toRecord, JobControl* control);
    bool rememberLast(QFile& f, qint64 scanned);

    QString m_path;
    LogFilter m_filter = LogFilter::All;
    bool m_all = true;                 // every record passes: no numbers stored
    std::vector<quint32> m_records;    // passing record numbers when not m_all
    qint64 m_scanned = 0;              // whole records looked at
    quint64 m_device = 0, m_inode = 0; // identity of the file indexed
    QByteArray m_lastRecord;           // image of the last record scanned, to notice a rewrite
    bool m_valid = false;
    int m_fullIndexings = 0;
};

// Calls `sink` for every whole record of the open file `f` that passes `filter`, in file order,
// reading the file in large blocks. Returns false on a read error.
bool forEachRecord(QFile& f, LogFilter filter, const std::function<void(const EventRecord&)>& sink);

// The raw 328-byte images of the first `limit` whole records (all of them for -1) of the open file
// `f` that pass `filter`, handed over a block at a time: sink(images, count). Returns false on a
// read error or when `control` cancelled the job.
bool forEachRecordImage(QFile& f, LogFilter filter, qint64 limit, JobControl* control,
                        const std::function<void(const char* const* images, qsizetype count)>& sink);
// The same from record number `fromRecord` (from 0) on, to the file's end.
bool forEachRecordImageFrom(QFile& f, qint64 fromRecord, LogFilter filter, JobControl* control,
                            const std::function<void(const char* const* images, qsizetype count)>& sink);

// The stored time (day count) of a record's 328-byte image.
double recordTime(const char* image);
// Number of the first whole record of the open file `f` whose time is at or after `days`, by binary
// search: a log's records are written in time order. The number of whole records when none is; -1
// on a read error. A damaged time inside the file can only move the answer to a neighbour of the
// damaged record, never outside the file.
qint64 firstRecordAtOrAfter(QFile& f, double days);

// Text forms of a record outside the listing: date-time "dd.MM.yyyy HH:mm:ss" (empty for a value
// that is no date), the factory number the way event texts print it (signed), and one RFC 4180 CSV
// line (comma separated, quoted where needed, CRLF).
QString logDateTime(double days);
QString logFactoryNumber(quint32 factory_number);
QString csvField(const QString& s);
QString csvLine(const EventRecord& r);
// csvLine() of the record whose 328-byte image is at `image`, appended to `out` as UTF-8 straight
// from the stored bytes: the export's form, several times faster than decoding the record first.
void appendCsvLine(QByteArray& out, const char* image);
// An event text as one field of one line: tabs, line and page breaks and every other control
// character (a damaged record holds any byte) become blanks.
QString singleLineText(QString text);
// The tab-separated line of vatrel-log's text mode: date-time, code, factory number, text, LF.
QString tabLine(const EventRecord& r);

} // namespace vatrel
