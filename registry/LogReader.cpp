// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/LogReader.h"
#include "registry/Cp1251.h"
#include "registry/DateTime.h"
#include "registry/JobControl.h"
#include "registry/RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cstring>
#include <sys/stat.h>

namespace vatrel {

namespace {

constexpr qint64 kRec = EventRecord::kSize;
constexpr qint64 kTimeOffset = 8;
constexpr qint64 kCodeOffset = 16;
// Records taken per block when scanning or streaming a file: about 2.6 MB.
constexpr qint64 kBlockRecords = 8192;

bool fileIdentity(QFile& f, qint64& size, quint64& device, quint64& inode) {
    struct stat st {};
    if (f.handle() < 0 || ::fstat(f.handle(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    size = qint64(st.st_size);
    device = quint64(st.st_dev);
    inode = quint64(st.st_ino);
    return true;
}

bool readAt(QFile& f, qint64 pos, char* to, qint64 len) { return f.seek(pos) && f.read(to, len) == len; }

} // namespace

bool passesFilter(LogFilter filter, int code) { return inFilter(code, filter); }

bool openLogFile(QFile& f) { return openRegularFile(f, QIODevice::ReadOnly | QIODevice::Unbuffered); }

void LogIndex::clear() {
    m_path.clear();
    m_records = {};
    m_scanned = 0;
    m_device = m_inode = 0;
    m_lastRecord.clear();
    m_valid = false;
}

bool LogIndex::refresh(QFile& f, const QString& path, LogFilter filter, JobControl* control) {
    qint64 size = 0;
    quint64 dev = 0, ino = 0;
    if (!fileIdentity(f, size, dev, ino)) {
        clear();
        return false;
    }
    // Record numbers are 32-bit: more than four thousand million records (1.4 TB) are not looked at.
    const qint64 whole = qMin<qint64>(size / kRec, qint64(0xFFFFFFFFu));
    bool fresh = !m_valid || path != m_path || filter != m_filter || dev != m_device || ino != m_inode ||
                 whole < m_scanned;
    if (!fresh && m_scanned > 0) {
        // The same file rewritten in place (truncated and written again) shows in its old records.
        QByteArray last(kRec, '\0');
        fresh = !readAt(f, (m_scanned - 1) * kRec, last.data(), kRec) || last != m_lastRecord;
    }
    if (fresh) {
        clear();
        m_path = path;
        m_filter = filter;
        m_all = filter == LogFilter::All;
        m_device = dev;
        m_inode = ino;
        m_valid = true;
        ++m_fullIndexings;
    }
    if (whole > m_scanned && !scan(f, m_scanned, whole, control)) {
        // A cancelled scan keeps what it indexed; a read error leaves nothing to trust.
        if (!(control && control->cancelled())) clear();
        return false;
    }
    // A whole file indexed at once keeps no growth slack: at most four bytes a passing record.
    if (fresh) m_records.shrink_to_fit();
    return true;
}

bool LogIndex::scan(QFile& f, qint64 fromRecord, qint64 toRecord, JobControl* control) {
    if (!m_all) {
        QByteArray buffer;
        for (qint64 at = fromRecord; at < toRecord;) {
            if (control) {
                if (control->cancelled()) {
                    rememberLast(f, at);
                    return false;
                }
                control->progress(at, toRecord);
            }
            const qint64 n = qMin(kBlockRecords, toRecord - at);
            // Mapping avoids copying hundreds of megabytes on a first open; reading is the fallback.
            const uchar* block = f.map(at * kRec, n * kRec);
            const char* p = reinterpret_cast<const char*>(block);
            if (!block) {
                buffer.resize(n * kRec);
                if (!readAt(f, at * kRec, buffer.data(), n * kRec)) return false;
                p = buffer.constData();
            }
            for (qint64 i = 0; i < n; ++i)
                if (passesFilter(m_filter, qint8(p[i * kRec + kCodeOffset])))
                    m_records.push_back(quint32(at + i));
            if (block) f.unmap(const_cast<uchar*>(block));
            at += n;
        }
    }
    return rememberLast(f, toRecord);
}

bool LogIndex::rememberLast(QFile& f, qint64 scanned) {
    m_lastRecord.resize(kRec);
    if (scanned > 0 && !readAt(f, (scanned - 1) * kRec, m_lastRecord.data(), kRec)) return false;
    if (scanned == 0) m_lastRecord.clear();
    m_scanned = scanned;
    return true;
}

bool LogIndex::read(QFile& f, qint64 first, qint64 n, std::vector<EventRecord>& out) const {
    out.clear();
    if (first < 0 || n <= 0 || first >= count()) return n <= 0;
    n = qMin(n, count() - first);
    out.reserve(size_t(n));
    QByteArray buffer;
    for (qint64 i = first; i < first + n;) {
        // A run of consecutive record numbers is one read.
        qint64 run = 1;
        while (i + run < first + n && recordAt(i + run) == recordAt(i) + quint32(run))
            ++run;
        buffer.resize(run * kRec);
        if (!readAt(f, qint64(recordAt(i)) * kRec, buffer.data(), run * kRec)) return false;
        for (qint64 k = 0; k < run; ++k) {
            EventRecord r;
            r.decode(QByteArrayView(buffer.constData() + k * kRec, kRec));
            out.push_back(std::move(r));
        }
        i += run;
    }
    return true;
}

bool forEachRecord(QFile& f, LogFilter filter, const std::function<void(const EventRecord&)>& sink) {
    if (!f.seek(0)) return false;
    QByteArray buffer(kBlockRecords * kRec, '\0');
    qint64 held = 0;
    for (;;) {
        const qint64 got = f.read(buffer.data() + held, buffer.size() - held);
        if (got < 0) return false;
        held += got;
        const qint64 whole = held / kRec;
        for (qint64 i = 0; i < whole; ++i) {
            const char* p = buffer.constData() + i * kRec;
            if (!passesFilter(filter, qint8(p[kCodeOffset]))) continue;
            EventRecord r;
            r.decode(QByteArrayView(p, kRec));
            sink(r);
        }
        // A partial record stays at the front of the buffer until the next read completes it; at the
        // end of the file it is the torn tail and is dropped.
        const qint64 rest = held - whole * kRec;
        if (rest > 0 && whole > 0)
            std::memmove(buffer.data(), buffer.constData() + whole * kRec, size_t(rest));
        held = rest;
        if (got == 0) return true;
    }
}

namespace {
bool forEachImage(QFile& f, qint64 fromRecord, LogFilter filter, qint64 limit, JobControl* control,
                  const std::function<void(const char* const* images, qsizetype count)>& sink) {
    if (fromRecord < 0 || !f.seek(fromRecord * kRec)) return false;
    QByteArray buffer(kBlockRecords * kRec, '\0');
    std::vector<const char*> images;
    images.reserve(size_t(kBlockRecords));
    qint64 done = 0;
    while (limit < 0 || done < limit) {
        if (control) {
            if (control->cancelled()) return false;
            control->progress(done, limit);
        }
        const qint64 want = limit < 0 ? kBlockRecords : qMin(kBlockRecords, limit - done);
        qint64 held = 0;
        while (held < want * kRec) {
            const qint64 got = f.read(buffer.data() + held, want * kRec - held);
            if (got < 0) return false;
            if (got == 0) break;
            held += got;
        }
        const qint64 whole = held / kRec; // a torn tail is left out
        images.clear();
        for (qint64 i = 0; i < whole; ++i) {
            const char* p = buffer.constData() + i * kRec;
            if (passesFilter(filter, qint8(p[kCodeOffset]))) images.push_back(p);
        }
        if (!images.empty()) sink(images.data(), qsizetype(images.size()));
        done += whole;
        if (whole < want) break; // the end of the file
    }
    return true;
}
} // namespace

bool forEachRecordImage(QFile& f, LogFilter filter, qint64 limit, JobControl* control,
                        const std::function<void(const char* const* images, qsizetype count)>& sink) {
    return forEachImage(f, 0, filter, limit, control, sink);
}

bool forEachRecordImageFrom(QFile& f, qint64 fromRecord, LogFilter filter, JobControl* control,
                            const std::function<void(const char* const* images, qsizetype count)>& sink) {
    return forEachImage(f, fromRecord, filter, -1, control, sink);
}

double recordTime(const char* image) {
    const quint64 bits = qFromLittleEndian<quint64>(image + kTimeOffset);
    double days = 0;
    std::memcpy(&days, &bits, sizeof days);
    return days;
}

qint64 firstRecordAtOrAfter(QFile& f, double days) {
    const qint64 size = f.size();
    if (size < 0) return -1;
    qint64 lo = 0, hi = size / kRec; // the answer is in [lo, hi]
    char image[kRec];
    while (lo < hi) {
        const qint64 mid = lo + (hi - lo) / 2;
        if (!readAt(f, mid * kRec, image, kRec)) return -1;
        // A time that is no number (a damaged record) compares as earlier: the search moves on.
        if (!(recordTime(image) >= days))
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

QString logDateTime(double days) { return formatFullDateTime(days); }

QString logFactoryNumber(quint32 factory_number) { return QString::number(qint32(factory_number)); }

QString singleLineText(QString text) {
    for (QChar& ch : text)
        if (ch.category() == QChar::Other_Control || ch == QChar::LineSeparator ||
            ch == QChar::ParagraphSeparator)
            ch = QLatin1Char(' ');
    return text;
}

QString tabLine(const EventRecord& r) {
    return logDateTime(r.time) + QLatin1Char('\t') + QString::number(int(r.code)) + QLatin1Char('\t') +
           logFactoryNumber(r.factory_number) + QLatin1Char('\t') + singleLineText(r.text) +
           QLatin1Char('\n');
}

QString csvField(const QString& s) {
    static const QString special = QStringLiteral(",\"\r\n");
    bool quote = false;
    for (QChar ch : s)
        if (special.contains(ch)) {
            quote = true;
            break;
        }
    if (!quote) return s;
    QString q = s;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString csvLine(const EventRecord& r) {
    return csvField(logDateTime(r.time)) + QLatin1Char(',') + QString::number(int(r.code)) +
           QLatin1Char(',') + logFactoryNumber(r.factory_number) + QLatin1Char(',') + csvField(r.text) +
           QStringLiteral("\r\n");
}

namespace {

// Each cp1251 byte as UTF-8, as the code page converter gives it (its replacement character for the
// one byte the page leaves undefined).
struct Utf8Table {
    char bytes[256][4] = {};
    quint8 length[256] = {};
    Utf8Table() {
        for (int b = 1; b < 256; ++b) {
            const QByteArray u = cp1251::decode(QByteArray(1, char(b))).toUtf8();
            length[b] = quint8(qMin<qsizetype>(u.size(), 4));
            std::memcpy(bytes[b], u.constData(), length[b]);
        }
    }
};

// Writes `v` in decimal at head + n; returns the new end.
qsizetype putInteger(char* head, qsizetype n, qint64 v) {
    if (v < 0) {
        head[n++] = '-';
        v = -v;
    }
    char digits[20];
    int k = 0;
    do {
        digits[k++] = char('0' + v % 10);
        v /= 10;
    } while (v > 0);
    while (k > 0)
        head[n++] = digits[--k];
    return n;
}

} // namespace

void appendCsvLine(QByteArray& out, const char* image) {
    static const Utf8Table table;
    const auto* text = reinterpret_cast<const uchar*>(image + 38);
    const qsizetype textSize = qsizetype(::strnlen(image + 38, EventRecord::kTextSize));
    const quint64 timeBits = qFromLittleEndian<quint64>(image + 8);
    double days = 0;
    std::memcpy(&days, &timeBits, sizeof days);
    char head[64];
    if (!writeFullDateTime(days, head)) {
        EventRecord r;
        r.decode(QByteArrayView(image, EventRecord::kSize));
        out += csvLine(r).toUtf8();
        return;
    }
    // Written in place: at most the head, three bytes a character, a doubled quote each and CR LF.
    const qsizetype start = out.size();
    out.resize(start + 64 + 3 * textSize + 4);
    char* p = out.data() + start;
    std::memcpy(p, head, 19);
    qsizetype n = 19;
    p[n++] = ',';
    n = putInteger(p, n, qint8(image[16]));
    p[n++] = ',';
    n = putInteger(p, n, qint32(qFromLittleEndian<quint32>(image + 4)));
    p[n++] = ',';
    bool quote = false;
    for (qsizetype i = 0; i < textSize && !quote; ++i)
        quote = text[i] == ',' || text[i] == '"' || text[i] == '\r' || text[i] == '\n';
    if (quote) p[n++] = '"';
    for (qsizetype i = 0; i < textSize; ++i) {
        const uchar b = text[i];
        if (b < 0x80) {
            if (b == '"') p[n++] = '"';
            p[n++] = char(b);
        } else {
            for (int k = 0; k < table.length[b]; ++k)
                p[n++] = table.bytes[b][k];
        }
    }
    if (quote) p[n++] = '"';
    p[n++] = '\r';
    p[n++] = '\n';
    out.resize(start + n);
}

} // namespace vatrel
