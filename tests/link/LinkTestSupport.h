#pragma once
// Shared pieces of the link tests: an in-memory serial line, converter frames built by hand, and a
// console over a temporary data folder with a pinned clock.
#include "common/RecordingUi.h"
#include "link/SerialPort.h"
#include "registry/Console.h"
#include "registry/Records.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <utility>
#include <vector>

namespace vatrel::testing {

// A serial line in memory: what the converter "sends" is queued in `incoming` and handed out whole
// by the next read; every byte the engine writes lands in `written`.
class FakePort : public SerialPort {
public:
    bool open(int n, const QString& dataDir) override {
        ++openCalls;
        lastNumber = n;
        lastDataDir = dataDir;
        m_open = openSucceeds;
        m_failed = false;
        return m_open;
    }
    void close() override {
        if (m_open) ++closeCalls;
        m_open = false;
    }
    bool isOpen() const override { return m_open; }
    QByteArray readAvailable() override {
        ++reads;
        if (vanishOnNextRead) {
            vanishOnNextRead = false;
            vanish();
            return {};
        }
        QByteArray out;
        out.swap(incoming);
        return out;
    }
    bool writeByte(char byte) override {
        ++writeCalls;
        if (!m_open || failWrites || (failAfter >= 0 && written.size() >= failAfter)) return false;
        written.append(byte);
        return true;
    }

    bool takeFailure() override { return std::exchange(m_failed, false); }
    // The device disappears: the port closes itself, as on a read error.
    void vanish() {
        m_open = false;
        m_failed = true;
    }

    QByteArray incoming;
    QByteArray written;
    bool openSucceeds = true;
    bool failWrites = false;
    qsizetype failAfter = -1; // fail every write once this many bytes went out
    bool vanishOnNextRead = false;
    int openCalls = 0;
    int closeCalls = 0;
    int reads = 0;
    int writeCalls = 0;
    int lastNumber = 0;
    QString lastDataDir;

private:
    bool m_open = false;
    bool m_failed = false;
};

// A converter frame: start character, the words as 4 hex digits each, the checksum byte, CR LF.
// The checksum is computed here from its definition (high and low byte of word 0, low bytes of the
// others, two's complement), independently of the program's codec.
inline QByteArray converterFrame(char start, const std::vector<quint16>& words, bool lowerCase = false) {
    unsigned sum = 0;
    QByteArray text;
    for (size_t i = 0; i < words.size(); ++i) {
        sum += i == 0 ? (words[i] >> 8) + (words[i] & 0xFF) : (words[i] & 0xFF);
        text += QByteArray::number(words[i], 16).rightJustified(4, '0');
    }
    text += QByteArray::number((256 - (sum & 0xFF)) & 0xFF, 16).rightJustified(2, '0');
    text = lowerCase ? text.toLower() : text.toUpper();
    return start + text + "\r\n";
}

inline QByteArray reply(const std::vector<quint16>& words, bool lowerCase = false) {
    return converterFrame(':', words, lowerCase);
}

struct LoggedEvent {
    int code = 0;
    QString text;
};

class LinkFixture {
public:
    LinkFixture() {
        QVERIFY(dir.isValid());
        QDir(dir.path()).mkpath(QStringLiteral("QReport"));
        c = std::make_unique<Console>();
        c->data_dir = dir.path();
        c->ui = &ui;
        c->port = &port;
        // Monday
        c->clock = [] { return QDateTime(QDate(2025, 4, 14), QTime(10, 0, 0)); };
    }

    // Events in today's log file, decoded record by record.
    QList<LoggedEvent> dailyEvents() const {
        QList<LoggedEvent> out;
        QFile f(dir.path() + QStringLiteral("/QReport/14.04.2025"));
        if (!f.open(QIODevice::ReadOnly)) return out;
        const QByteArray all = f.readAll();
        for (qsizetype off = 0; off + EventRecord::kSize <= all.size(); off += EventRecord::kSize) {
            EventRecord r;
            if (r.decode(QByteArrayView(all.constData() + off, EventRecord::kSize)))
                out.append({r.code, r.text});
        }
        return out;
    }
    int eventCount(int code) const {
        int n = 0;
        for (const auto& e : dailyEvents())
            n += e.code == code;
        return n;
    }

    QTemporaryDir dir;
    RecordingUi ui;
    FakePort port;
    std::unique_ptr<Console> c;
};

} // namespace vatrel::testing
