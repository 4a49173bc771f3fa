// SPDX-License-Identifier: GPL-3.0-or-later
// How many bytes of steady status-report traffic one receive pass gets through per second: frame
// assembly, frame check, report dispatch and measurement decoding. The line at 115200 baud
// brings 11,520 characters a second; the engine should manage a thousand times that.
#include "registry/QuietConsoleUi.h"
#include "link/Engine.h"
#include "link/Receiver.h"
#include "link/SerialPort.h"
#include "core/Console.h"

#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstring>

using namespace vatrel;

namespace {

// Hands out the prepared traffic on every read.
class ReplayPort : public SerialPort {
public:
    bool open(int, const QString&) override { return m_open = true; }
    void close() override { m_open = false; }
    bool isOpen() const override { return m_open; }
    QByteArray readAvailable() override { return traffic; }
    bool writeByte(char) override { return true; }
    QByteArray traffic;

private:
    bool m_open = false;
};

QByteArray hex4(unsigned v) { return QByteArray::number(v & 0xFFFF, 16).toUpper().rightJustified(4, '0'); }

// A type B status report (layout 2): four floats, one byte per word, checksum over the low bytes.
QByteArray statusReport(quint16 factoryNumber, float t1, float t2, float s1, float s2, unsigned code = 0x41) {
    std::vector<unsigned> words{0x0100 | code, 0, factoryNumber, 2, 0};
    for (float v : {t1, t2, s1, s2}) {
        quint32 bits;
        std::memcpy(&bits, &v, 4);
        for (int b = 0; b < 4; ++b)
            words.push_back((bits >> (8 * b)) & 0xFF);
    }
    unsigned sum = (words[0] >> 8) + (words[0] & 0xFF);
    QByteArray out("~");
    out += hex4(words[0]);
    for (size_t i = 1; i < words.size(); ++i) {
        sum += words[i] & 0xFF;
        out += hex4(words[i]);
    }
    out += QByteArray::number((256 - (sum & 0xFF)) & 0xFF, 16).toUpper().rightJustified(2, '0');
    out += "\r\n";
    return out;
}

// state.range(0): report code; 0x41 is decoded in full, 0x43 is a code the decoder ignores and so
// measures the engine's own share.
void BM_ReportTraffic(benchmark::State& state) {
    const unsigned code = unsigned(state.range(0));
    QTemporaryDir dir;
    for (const char* sub : {"QReport", "VatrelA_mess", "VatrelB_mess", "VatrelA", "VatrelB", "data"})
        QDir(dir.path()).mkpath(QString::fromLatin1(sub));
    QuietConsoleUi ui;
    ReplayPort port;
    Console c;
    c.data_dir = dir.path();
    c.ui = &ui;
    c.link.attachPort(&port);
    constexpr int kSensors = 50;
    for (int s = 0; s < kSensors; ++s) {
        SensorRecord& r = c.sensors.record(s);
        r.mark = 1;
        r.factory_number = quint32(1000 + s);
        r.sensor_type = 1;
        r.slot_index = qint16(s);
        r.link_up = 1;
    }
    c.converterPort().openPort(1);
    c.link.setState(ConverterState::Up);
    c.link.setMapPosition(kSlots);

    for (int i = 0; i < 20; ++i)
        for (int s = 0; s < kSensors; ++s)
            port.traffic += statusReport(quint16(1000 + s), 12.5f, 13.25f, float(i), float(s) / 4, code);

    Receiver receiver = c.receiver();
    receiver.receivePass(); // first reports bring each sensor to its steady state
    const qint32 framesBefore = c.link.counters().N_rv_frame.value;
    for (auto _ : state)
        receiver.receivePass();
    state.SetBytesProcessed(int64_t(state.iterations()) * port.traffic.size());
    state.counters["frames"] = double(c.link.counters().N_rv_frame.value - framesBefore);
    state.counters["ks_err"] = double(c.link.counters().KS_ERR.value);
    if (code == 0x41 && c.sensorRows.row(0).threshold1.form == MeasureCell::Form::Blank)
        state.SkipWithError("reports were not decoded");
}
BENCHMARK(BM_ReportTraffic)->Arg(0x41)->Arg(0x43)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
