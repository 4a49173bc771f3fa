#pragma once
// Shared set-up of the report decoding tests: a console over a temporary data folder, a pinned
// clock, report frames built from words, and the log files read back record by record.
#include "common/RecordingUi.h"
#include "link/Frame.h"
#include "link/StatusDecoder.h"
#include "registry/Console.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

namespace vatrel::testing {

// One event record as it lies in a log file, decoded by hand from its bytes.
struct LoggedEvent {
    quint32 number = 0;
    int code = 0;
    QString text;
};

class DecoderFixture {
public:
    DecoderFixture() {
        QVERIFY(dir.isValid());
        QDir d(dir.path());
        d.mkpath(QStringLiteral("QReport"));
        d.mkpath(QStringLiteral("VatrelA_mess"));
        d.mkpath(QStringLiteral("VatrelB_mess"));
        c = std::make_unique<Console>();
        c->data_dir = dir.path();
        c->ui = &ui;
        c->clock = [] { return QDateTime(QDate(2024, 3, 15), QTime(10, 20, 30)); };
        for (auto& s : c->SensorRowStyles)
            s.background = 0xC0C0C0;
    }

    // A sensor as start-up leaves it: no link yet, loops marked in alarm, row link-lost.
    void addSensor(int slot, quint32 number, qint16 type, int armed1 = 0, int armed2 = 0) {
        SensorRecord& r = c->sensors[size_t(slot)];
        r = SensorRecord{};
        r.mark = 1;
        r.factory_number = number;
        r.sensor_type = type;
        r.slot_index = qint16(slot);
        r.loop1_armed = quint8(armed1);
        r.loop2_armed = quint8(armed2);
        r.status = 15;
        r.loop1_alarm = 1;
        r.loop2_alarm = 1;
        r.link_up = 0;
        c->SensorRowStyles[size_t(slot)].background = 0x0000AB; // link-lost (171, 0, 0)
    }

    // A sensor already answering and normal: status 0, loops normal, row green or aqua.
    void addOnlineSensor(int slot, quint32 number, qint16 type, int armed1 = 0, int armed2 = 0) {
        addSensor(slot, number, type, armed1, armed2);
        SensorRecord& r = c->sensors[size_t(slot)];
        r.status = 0;
        r.loop1_alarm = 0;
        r.loop2_alarm = 0;
        r.link_up = 1;
        c->slot_online[size_t(slot)] = 1;
        c->SensorRowStyles[size_t(slot)].background = (armed1 || armed2) ? 0x00FF00 : 0xFFFF00;
    }

    // Report text (after '~', checksum included, without CR LF) built through the frame codec.
    static QByteArray reportText(std::vector<quint16> words) {
        words.push_back(frame::checksum(words.data(), int(words.size())));
        const QByteArray f = frame::encode('~', words.data(), int(words.size()));
        const QByteArray text = f.mid(1, f.size() - 3);
        if (!frame::check(text.constData(), int(text.size())))
            qFatal("test frame does not pass the frame check");
        return text;
    }

    static std::vector<quint16> statusWords(quint16 number, quint8 statusByte, quint16 layout = 0,
                                            quint8 code = 0x41, int extraWords = 16) {
        std::vector<quint16> w{quint16(0x0100 | code), 0, number, layout, statusByte};
        w.resize(w.size() + size_t(extraWords), 0);
        return w;
    }

    // Dispatches a report text with the code taken from its first word.
    void send(const QByteArray& text) {
        const quint8 code = quint8(text.mid(2, 2).toUInt(nullptr, 16));
        DispatchReport(*c, text.constData(), int(text.size()), code);
    }
    void status(quint16 number, quint8 statusByte) { send(reportText(statusWords(number, statusByte))); }

    QString path(const QString& fragment) const { return dir.path() + QLatin1Char('/') + fragment; }

    static std::vector<LoggedEvent> readLog(const QString& path) {
        std::vector<LoggedEvent> out;
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return out;
        const QByteArray all = f.readAll();
        if (all.size() % 328 != 0) qFatal("log file size is not a whole number of records");
        QStringDecoder dec("windows-1251");
        for (qsizetype off = 0; off + 328 <= all.size(); off += 328) {
            const char* p = all.constData() + off;
            LoggedEvent e;
            e.number = quint32(quint8(p[4])) | quint32(quint8(p[5])) << 8 | quint32(quint8(p[6])) << 16 |
                       quint32(quint8(p[7])) << 24;
            e.code = qint8(p[16]);
            const QByteArray field(p + 38, 290);
            const qsizetype nul = field.indexOf('\0');
            e.text = dec.decode(nul < 0 ? field : field.left(nul));
            out.push_back(e);
        }
        return out;
    }
    std::vector<LoggedEvent> daily() const { return readLog(path(QStringLiteral("QReport/15.03.2024"))); }
    std::vector<LoggedEvent> sensorLog(quint32 number, bool typeB) const {
        return readLog(path((typeB ? QStringLiteral("VatrelB_mess/") : QStringLiteral("VatrelA_mess/")) +
                            QString::number(number)));
    }

    QString cell(int col, int slot) const { return c->sensor_grid.at(col, slot + 1); }
    QString comCell(int col, int slot) const { return c->com_grid.at(col, slot + 1); }
    quint32 colour(int slot) const { return c->SensorRowStyles[size_t(slot)].background; }

    QTemporaryDir dir;
    RecordingUi ui;
    std::unique_ptr<Console> c;
};

} // namespace vatrel::testing
