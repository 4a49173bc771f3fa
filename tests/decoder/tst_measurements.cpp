// SPDX-License-Identifier: GPL-3.0-or-later
// Thresholds, signals and oscillogram samples carried by status reports.
#include "DecoderFixture.h"
#include "link/Measurements.h"

#include <QLocale>
#include <bit>
#include <numeric>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

// Four words carrying a float one byte per word, least significant first, with a high byte
// that must be ignored.
void appendFloat(std::vector<quint16>& w, float v, quint8 high = 0xAB) {
    const quint32 bits = std::bit_cast<quint32>(v);
    for (int i = 0; i < 4; ++i)
        w.push_back(quint16(high << 8 | ((bits >> (8 * i)) & 0xFF)));
}

std::vector<quint16> typeBWords(quint16 number, quint16 layout, quint8 code,
                                const std::vector<float>& values) {
    std::vector<quint16> w{quint16(0x0100 | code), 0, number, layout, 0x0000};
    for (float v : values)
        appendFloat(w, v);
    return w;
}

std::vector<quint16> typeAWords(quint16 number, quint16 layout, quint8 code, quint8 b0, quint8 b1, quint8 b2,
                                quint8 b3) {
    std::vector<quint16> w{quint16(0x0100 | code), 0, number, layout, 0x0000, b0, b1, b2, b3};
    w.resize(21, 0); // the report is 20 words long whatever the type
    return w;
}

} // namespace

class TestMeasurements : public QObject {
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void typeBLayout2();
    void typeBLayout2DecimalComma();
    void typeALayout7RewritesThresholdOnlyWhenChanged();
    void typeALayoutC5AlwaysRewritesThresholds();
    void oscillogramSampleOnlyWhileActive();
    void layoutMustMatchTypeAndCode();
    void truncatedReportsCarryNoValues();
    void repeatedReportChangesNoCell();
};

void TestMeasurements::typeBLayout2() {
    DecoderFixture f;
    f.addOnlineSensor(3, 1234, 1);
    // Threshold 1 bytes 00 00 80 3F, written out by hand: the single-precision value 1.
    std::vector<quint16> w{0x0141, 0, 1234, 2, 0x0000, 0x0000, 0x1200, 0x0080, 0xFF3F};
    appendFloat(w, -2.5f);
    appendFloat(w, 0.1234f);
    appendFloat(w, 100.0f);
    f.send(reportText(w));

    QCOMPARE(f.cell(5, 3), QStringLiteral("1.000"));
    QCOMPARE(f.cell(7, 3), QStringLiteral("-2.500"));
    QCOMPARE(f.cell(6, 3), QStringLiteral("0.123"));
    QCOMPARE(f.cell(8, 3), QStringLiteral("100.000"));
    const SensorRecord& r = f.c.sensors.record(3);
    QCOMPARE(r.threshold1, 1.0f);
    QCOMPARE(r.threshold2, -2.5f);
    QCOMPARE(r.signal1_b, 0.1234f);
    QCOMPARE(r.signal2_b, 100.0f);
    QCOMPARE(r.signal1_a, 0.0f);
    QCOMPARE(f.ui.samples.size(), 0);
}

void TestMeasurements::typeBLayout2DecimalComma() {
    QLocale::setDefault(QLocale(QLocale::Russian));
    DecoderFixture f;
    f.addOnlineSensor(0, 10, 1);
    f.send(reportText(typeBWords(10, 2, 0x41, {1.0f, -2.5f, 0.1234f, 1234.5f})));
    QCOMPARE(f.cell(5, 0), QStringLiteral("1,000"));
    QCOMPARE(f.cell(7, 0), QStringLiteral("-2,500"));
    QCOMPARE(f.cell(6, 0), QStringLiteral("0,123"));
    QCOMPARE(f.cell(8, 0), QStringLiteral("1234,500")); // no digit grouping
}

void TestMeasurements::typeALayout7RewritesThresholdOnlyWhenChanged() {
    DecoderFixture f;
    f.addOnlineSensor(6, 777, 0);
    const QByteArray report = reportText(typeAWords(777, 7, 0x41, 0x2C, 0x01, 0x64, 0x00));
    f.send(report);
    QCOMPARE(f.cell(5, 6), QStringLiteral("300"));
    QCOMPARE(f.cell(7, 6), QStringLiteral("300"));
    QCOMPARE(f.cell(6, 6), QStringLiteral("100"));
    QCOMPARE(f.cell(8, 6), QStringLiteral("100"));
    const SensorRecord& r = f.c.sensors.record(6);
    QCOMPARE(r.threshold1, 300.0f);
    QCOMPARE(r.threshold2, 300.0f);
    QCOMPARE(r.signal1_a, 100.0f);
    QCOMPARE(r.signal2_a, 100.0f);
    QCOMPARE(r.signal1_b, 0.0f);

    f.c.sensorRows.setThresholds(6, MeasureCell::whole(9), MeasureCell::whole(9));
    f.c.sensorRows.setSignals(6, MeasureCell::whole(9), MeasureCell::whole(9));
    f.send(report);
    QCOMPARE(f.cell(5, 6), QStringLiteral("9"));
    QCOMPARE(f.cell(7, 6), QStringLiteral("9"));
    QCOMPARE(f.cell(6, 6), QStringLiteral("100"));
    QCOMPARE(f.cell(8, 6), QStringLiteral("100"));

    // A new threshold, and the largest unsigned signal.
    f.send(reportText(typeAWords(777, 7, 0x41, 0x2D, 0x01, 0xFF, 0xFF)));
    QCOMPARE(f.cell(5, 6), QStringLiteral("301"));
    QCOMPARE(f.cell(7, 6), QStringLiteral("301"));
    QCOMPARE(f.cell(6, 6), QStringLiteral("65535"));
    QCOMPARE(r.signal2_a, 65535.0f);
}

void TestMeasurements::typeALayoutC5AlwaysRewritesThresholds() {
    DecoderFixture f;
    f.addOnlineSensor(6, 777, 0);
    const QByteArray report = reportText(typeAWords(777, 0xC5, 0x42, 0x2C, 0x01, 0x64, 0x00));
    f.send(report);
    f.c.sensorRows.setThresholds(6, MeasureCell::whole(9), MeasureCell::whole(9));
    f.c.sensorRows.setSignals(6, MeasureCell::whole(9), MeasureCell::whole(9));
    f.send(report);
    QCOMPARE(f.cell(5, 6), QStringLiteral("300"));
    QCOMPARE(f.cell(7, 6), QStringLiteral("300"));
    QCOMPARE(f.cell(6, 6), QStringLiteral("100"));
    QCOMPARE(f.cell(8, 6), QStringLiteral("100"));
    QCOMPARE(f.ui.samples.size(), 0); // type A samples are not fed here
}

void TestMeasurements::oscillogramSampleOnlyWhileActive() {
    DecoderFixture f;
    f.addOnlineSensor(9, 4000, 1);
    const QByteArray report =
        reportText(typeBWords(4000, 0xC3, 0x42, {1.5f, 2.5f, 3.5f, 4.5f, 5.5f, 6.5f, 7.5f, 8.5f}));
    f.send(report);
    QCOMPARE(f.cell(5, 9), QStringLiteral("1.500"));
    QCOMPARE(f.cell(7, 9), QStringLiteral("2.500"));
    QCOMPARE(f.cell(6, 9), QStringLiteral("3.500"));
    QCOMPARE(f.cell(8, 9), QStringLiteral("4.500"));
    const SensorRecord& r = f.c.sensors.record(9);
    QCOMPARE(r.osc_values[0], 5.5f);
    QCOMPARE(r.osc_values[1], 6.5f);
    QCOMPARE(r.osc_values[2], 7.5f);
    QCOMPARE(r.osc_values[3], 8.5f);
    QCOMPARE(r.osc_values[4], 0.0f);
    QCOMPARE(f.ui.samples.size(), 0);

    f.c.sensors.record(9).osc_active = 1;
    f.send(report);
    QCOMPARE(f.ui.samples.size(), 1);
    const std::array<float, 8> expected{1.5f, 2.5f, 3.5f, 4.5f, 5.5f, 6.5f, 7.5f, 8.5f};
    QCOMPARE(f.ui.samples[0], expected);
}

void TestMeasurements::layoutMustMatchTypeAndCode() {
    DecoderFixture f;
    f.addOnlineSensor(0, 11, 0);                                      // type A
    f.addOnlineSensor(1, 12, 1);                                      // type B
    f.send(reportText(typeBWords(11, 2, 0x41, {1, 2, 3, 4})));        // B layout, A sensor
    f.send(reportText(typeAWords(12, 7, 0x41, 0x2C, 1, 0x64, 0)));    // A layout, B sensor
    f.send(reportText(typeAWords(11, 7, 0x42, 0x2C, 1, 0x64, 0)));    // layout 7 needs 0x41
    f.send(reportText(typeAWords(11, 0xC5, 0x41, 0x2C, 1, 0x64, 0))); // 0xC5 needs 0x42
    f.send(reportText(typeBWords(12, 2, 0x42, {1, 2, 3, 4})));        // layout 2 needs 0x41
    f.c.sensors.record(1).osc_active = 1;
    f.send(reportText(typeBWords(12, 0xC3, 0x41, {1, 2, 3, 4, 5, 6, 7, 8}))); // 0xC3 needs 0x42
    f.send(reportText(typeBWords(12, 0x0102, 0x41, {1, 2, 3, 4})));           // 16-bit compare
    for (int slot : {0, 1})
        for (int col = 5; col <= 8; ++col)
            QCOMPARE(f.cell(col, slot), QString());
    QCOMPARE(f.c.sensors.record(0).threshold1, 0.0f);
    QCOMPARE(f.c.sensors.record(1).threshold1, 0.0f);
    QCOMPARE(f.ui.samples.size(), 0);
}

void TestMeasurements::truncatedReportsCarryNoValues() {
    DecoderFixture f;
    f.addOnlineSensor(2, 20, 1, 1, 0);
    f.addOnlineSensor(3, 21, 0);
    f.c.sensors.record(2).osc_active = 1;

    // A well-formed frame one word short of layout 2: the status byte counts, the values do not.
    std::vector<quint16> shortB = typeBWords(20, 2, 0x41, {1, 2, 3, 4});
    shortB.pop_back();
    shortB[4] = 0x0080;
    f.send(reportText(shortB));
    QCOMPARE(f.cell(3, 2), QStringLiteral("Тревога"));
    QCOMPARE(f.cell(5, 2), QString());
    QCOMPARE(f.c.sensors.record(2).threshold1, 0.0f);

    // Full texts handed over with a shorter length: nothing past the length may count.
    const auto measure = [&f](const char* text, int len, quint8 code, int slot) {
        decodeMeasurements(f.c.sensors, f.c.sensorRows, f.c.scope, f.c.notices, text, len, code, slot);
    };
    const QByteArray fullB = reportText(typeBWords(20, 2, 0x41, {1, 2, 3, 4}));
    QCOMPARE(fullB.size(), 86);
    measure(fullB.constData(), 85, 0x41, 2);
    QCOMPARE(f.cell(5, 2), QString());
    measure(fullB.constData(), 86, 0x41, 2);
    QCOMPARE(f.cell(5, 2), QStringLiteral("1.000"));

    const QByteArray fullOsc = reportText(typeBWords(20, 0xC3, 0x42, {9, 9, 9, 9, 9, 9, 9, 9}));
    QCOMPARE(fullOsc.size(), 150);
    measure(fullOsc.constData(), 146, 0x42, 2);
    QCOMPARE(f.ui.samples.size(), 0);
    QCOMPARE(f.cell(5, 2), QStringLiteral("1.000"));
    QCOMPARE(f.c.sensors.record(2).osc_values[3], 0.0f);

    const QByteArray fullA = reportText(typeAWords(21, 7, 0x41, 0x2C, 0x01, 0x64, 0x00));
    measure(fullA.constData(), 37, 0x41, 3);
    QCOMPARE(f.cell(5, 3), QString());
    QCOMPARE(f.cell(6, 3), QString());
    measure(fullA.constData(), 38, 0x41, 3); // words 5–8 and a checksum
    QCOMPARE(f.cell(6, 3), QStringLiteral("100"));

    // Out-of-range slots and missing texts are refused.
    measure(fullB.constData(), 86, 0x41, -1);
    measure(fullB.constData(), 86, 0x41, 200);
    measure(nullptr, 86, 0x41, 2);
}

QTEST_GUILESS_MAIN(TestMeasurements)
#include "tst_measurements.moc"

// The windows and the feed redraw and publish the sensors announced as changed: a report that repeats
// the last one announces none, a new signal value its own sensor once.
void TestMeasurements::repeatedReportChangesNoCell() {
    struct Heard : ChangeListener {
        std::array<int, kSlots> count{};
        void sensorChanged(int slot, const SensorRecord&, const SensorRow&) override {
            ++count[size_t(slot)];
        }
    } heard;
    DecoderFixture f;
    f.addOnlineSensor(3, 1234, 1);
    const QByteArray report = reportText(typeBWords(1234, 2, 0x41, {1.0f, 2.0f, 3.0f, 4.0f}));
    f.send(report);
    f.c.notices.subscribe(&heard);
    f.send(report);
    QCOMPARE(std::accumulate(heard.count.begin(), heard.count.end(), 0), 0);
    f.send(reportText(typeBWords(1234, 2, 0x41, {1.0f, 2.0f, 3.5f, 4.0f})));
    QCOMPARE(f.cell(6, 3), QStringLiteral("3.500"));
    QCOMPARE(heard.count[3], 1);
    QCOMPARE(std::accumulate(heard.count.begin(), heard.count.end(), 0), 1);
}
