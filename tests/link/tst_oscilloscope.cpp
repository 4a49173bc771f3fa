// SPDX-License-Identifier: GPL-3.0-or-later
// The oscilloscope's rules on the console alone: start and stop requests with their refusals, the
// scale and DC component entries, and the flanks' sliding windows.
#include "common/ConsoleFixture.h"
#include "core/OperatorActions.h"
#include "link/Engine.h"
#include "link/Receiver.h"
#include "link/LinkTestSupport.h"
#include "link/Oscilloscope.h"

#include <functional>
#include <QLocale>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

const QString kFormat = QStringLiteral(" Неверный формат данных; повторите ввод");

std::vector<quint16> queuedWords(const Console& c, int i) {
    const QueueEntry& e = c.link.queue().entries[size_t(i)];
    return {e.words.begin(), e.words.begin() + e.count};
}

struct OscFixture : ConsoleFixture {
    OscFixture() {
        QLocale::setDefault(QLocale::c());
        addSensor(4, 0x12345, 1, 2.5f, 0.75f); // position 5, type B, number wider than 16 bits
        addSensor(9, 77, 0, 7.9f, 7.9f);       // position 10, type A
        c.link.setMapPosition(kSlots);
    }
    void addSensor(int slot, quint32 number, qint16 type, float dc1, float dc2) {
        SensorRecord& r = c.sensors.record(slot);
        r.factory_number = number;
        r.sensor_type = type;
        r.link_up = 1;
        r.dc_component1 = dc1;
        r.dc_component2 = dc2;
    }
    OperatorActions actions() { return c.actions(); }
};

} // namespace

class TestOscilloscope : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void startAndStopQueueTheirCommandsOrRefuse() {
        OscFixture f;
        Console& c = f.c;
        // While the address map is on its way both buttons only ask to wait.
        c.link.setMapPosition(37);
        c.osc.setTyped(OscEntry::Position, QStringLiteral("5"));
        f.ui.expectMessage(QStringLiteral("Дождитесь окончания передачи адресов в адаптер"), QString());
        QVERIFY(f.actions().startOscillogram()); // no refocus
        f.ui.expectMessage(QStringLiteral("Дождитесь окончания передачи адресов в адаптер"), QString());
        f.actions().stopOscillogram();
        c.link.setMapPosition(kSlots);

        const QString range = QStringLiteral("Число вне допуска (1-200); повторите ввод");
        for (const auto& [text, message] : QList<QPair<QString, QString>>{
                 {"abc", kFormat}, {"5.0", kFormat}, {"0", range}, {"201", range}}) {
            c.osc.setTyped(OscEntry::Position, text);
            f.ui.expectMessage(message, QString());
            QVERIFY(!f.actions().startOscillogram());
        }
        // Position 7: nothing answers there, so nothing happens at all.
        c.osc.setTyped(OscEntry::Position, QStringLiteral("7"));
        QVERIFY(f.actions().startOscillogram());
        QCOMPARE(c.link.queue().count, 0);
        QVERIFY(c.osc.startOpen());

        // Type B at position 5: slot 4 and the number's low 16 bits; the controls wait for the reply.
        c.osc.setTyped(OscEntry::Position, QStringLiteral(" 5 "));
        QVERIFY(f.actions().startOscillogram());
        QCOMPARE(c.link.queue().entries[0].start, ':');
        QCOMPARE(queuedWords(c, 0), (std::vector<quint16>{0x0147, 4, 0x2345, 0xDC6F}));
        QVERIFY(!c.osc.startOpen());
        QCOMPARE(c.osc.slot(), -1); // not before the converter confirms

        // Type A at position 10: its type plays no part. Stop: two words.
        clearQueue(c.link, c.osc);
        c.osc.setTyped(OscEntry::Position, QStringLiteral("10"));
        QVERIFY(f.actions().startOscillogram());
        f.actions().stopOscillogram();
        QCOMPARE(c.link.queue().count, 2);
        QCOMPARE(queuedWords(c, 0), (std::vector<quint16>{0x0147, 9, 77, 0xFF62}));
        QCOMPARE(queuedWords(c, 1), (std::vector<quint16>{0x0148, 0xFFB7}));
    }

    // A start the converter never confirms, or one the full queue drops, gives "Включить" back with a
    // word to the operator.
    void startNeverConfirmedSaysSo() {
        OscFixture f;
        Console& c = f.c;
        FakePort port;
        c.link.attachPort(&port);
        QVERIFY(c.converterPort().openPort(1));
        c.link.setState(ConverterState::Up);
        c.link.setMapPosition(kSlots);
        c.osc.setTyped(OscEntry::Position, QStringLiteral("5"));
        QVERIFY(f.actions().startOscillogram());
        for (int pass = 0; pass < 300 && c.link.state() == ConverterState::Up; ++pass)
            c.receiver().receivePass(); // no reply ever comes: the link is declared lost
        QCOMPARE(c.osc.startOutcome(), QStringLiteral("Преобразователь не подтвердил включение"));
        QVERIFY(c.osc.startOpen());

        c.link.setMapPosition(kSlots); // the link is back, the map sent again and the sensor answers
        c.sensors.record(4).link_up = 1;
        for (int i = 0; i < kQueueSize; ++i)
            c.link.enqueue(c.ui, {quint16(0x0160 + i), 0});
        QVERIFY(f.actions().startOscillogram());
        QVERIFY(c.osc.startOpen());
        QCOMPARE(c.osc.startOutcome(), QStringLiteral("Преобразователь не подтвердил включение"));
        // A stop confirmed later says nothing of the start that failed.
        oscillogramStopped(c.sensors, c.osc, c.notices);
        QCOMPARE(c.osc.startOutcome(), QStringLiteral("Преобразователь не подтвердил включение"));
    }

    // A new lower limit clearing its own flank only is shown on the tab's charts.
    void windowSlidesAndScaleEntriesClearTheirFlank() {
        OscFixture f;
        Console& c = f.c;
        // T1 T2 S1 S2 R1 R2 Z1 Z2: the zero level is added to signal and threshold.
        for (int i = 0; i <= 500; ++i)
            oscillogramSampleB(c.scope, c.notices, {10, 20, 3, 4, float(i), 600, 100, 200});
        const FlankTrace& t1 = c.scope.flank(0);
        QCOMPARE(t1.size(), 500);
        QCOMPARE(t1.at(0).x, 1u);
        QCOMPARE(t1.at(499).x, 500u);
        QCOMPARE(t1.at(499).y, (std::array<float, 4>{500, 103, 110, 100}));
        QCOMPARE(c.scope.flank(1).at(0).y, (std::array<float, 4>{600, 204, 220, 200}));

        // A shorter window restarts flank 1 at x = 0 and keeps its newest 100 samples from then on.
        QVERIFY(setFlank1Window(c.scope, c.notices, QStringLiteral("100")));
        QCOMPARE(t1.size(), 0);
        for (int i = 0; i < 150; ++i)
            oscillogramSampleB(c.scope, c.notices, {0, 0, 0, 0, float(i), 0, 0, 0});
        QCOMPARE(t1.size(), 100);
        QCOMPARE(t1.at(0).x, 50u);
        QCOMPARE(t1.at(0).y[0], 50.0f);
        QCOMPARE(c.scope.flank(1).size(), 500);

        // Drawn 100 columns wide, a curve keeps each column's lowest and highest sample in order:
        // a spike of one sample still shows.
        FlankTrace t;
        t.flank_window = 1000;
        for (int i = 0; i < 1000; ++i)
            t.add({i == 333 ? 900.0f : float(i % 10), 0, 0, 0});
        const QList<QPointF> curve = t.curve(0, 100);
        QCOMPARE(curve.size(), 200);
        QCOMPARE(curve.value(66), QPointF(330, 0));
        QCOMPARE(curve.value(67), QPointF(333, 900));
        QCOMPARE(t.curve(0, 500).value(333), QPointF(333, 900)); // room for every sample
    }

    // Every entry refuses what is no number or out of its range and keeps its stored value.
    void entriesRefuseWithTheirMessages() {
        OscFixture f;
        Console& c = f.c;
        using Handler = std::function<bool(OperatorActions&, const QString&)>;
        const auto scale = [](ScaleSetter set) {
            return Handler([set](OperatorActions& a, const QString& t) { return a.setScale(set, t); });
        };
        struct Case {
            Handler handler;
            const char* input;
            const char* message; // null: the format message
        };
        const char* window = "Число вне допуска (100-5000); повторите ввод";
        const char* limit = "Число вне допуска (0-1023); повторите ввод";
        const char* limitA = "Число вне допуска (0-4095); повторите ввод";
        const char* dcA = "Число вне допуска (1-4095); повторите ввод";
        const char* dcB = "Число вне допуска (0.5-512); повторите ввод";
        const Case cases[] = {
            {scale(setFlank1Window), "99", window},
            {scale(setFlank2Window), "5001", window},
            {scale(setChartAWindow), "99", window},
            {scale(setFlank1Min), "-1", limit},
            {scale(setFlank1Max), "1024", limit},
            {scale(setFlank2Min), "x", nullptr},
            {scale(setFlank2Max), "", nullptr},
            {scale(setChartAMin), "4096", limitA},
            {scale(setChartAMax), "10.5", nullptr},
            {&OperatorActions::enterDcComponentA, "0", dcA},
            {&OperatorActions::enterDcComponentA, "4096", dcA},
            {&OperatorActions::enterDcComponentA, "65537", dcA},
            {&OperatorActions::recordDcFlank1, "0.4", dcB},
            {&OperatorActions::recordDcFlank2, "513", dcB},
            {&OperatorActions::recordDcFlank2, "2,5", nullptr},
        };
        for (const Case& k : cases) {
            f.ui.expectMessage(k.message ? QString::fromUtf8(k.message) : kFormat, QString());
            OperatorActions a = f.actions();
            QVERIFY2(!k.handler(a, QString::fromUtf8(k.input)), k.input);
        }
        QVERIFY(f.ui.allExpectedShown());
        QCOMPARE(c.link.queue().count, 0);
        QCOMPARE(c.scope.flank(0).flank_window, 500);
        QCOMPARE(c.scope.a().y_min, quint16(0));
        QCOMPARE(c.osc.dcFlank(1), 0.0f);
    }

    // Type A's whole-number component is checked on the tab, down to the bytes on the line.
    void dcComponentsGoToTheSensorUnderOscillogram() {
        OscFixture f;
        Console& c = f.c;
        // No oscillogram: the value is kept for the next one, nothing is sent.
        QVERIFY(f.actions().recordDcFlank1(QStringLiteral("3")));
        QCOMPARE(c.osc.text(OscEntry::DcFlank1), QStringLiteral("3.000"));
        QCOMPARE(c.link.queue().count, 0);

        oscillogramStarted(c.sensors, c.osc, c.scope, c.notices, 4); // dc 2.5 and 0.75
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QVERIFY(f.actions().recordDcFlank2(QStringLiteral("2,5")));
        QCOMPARE(c.osc.text(OscEntry::DcFlank2), QStringLiteral("2,500"));
        QCOMPARE(c.sensors.record(4).dc_component2, 2.5f);
        // Both values are sent: 2.5 = 0x40200000 twice.
        QCOMPARE(queuedWords(c, 0),
                 (std::vector<quint16>{0x0145, 4, 0x0000, 0x4020, 0x0000, 0x4020, 0x7F76}));
        // A dot is a decimal separator too, whatever the locale's own is; two separators are not.
        QVERIFY(f.actions().recordDcFlank1(QStringLiteral("3.5")));
        QCOMPARE(c.sensors.record(4).dc_component1, 3.5f);
        f.ui.expectMessage(kFormat);
        QVERIFY(!f.actions().recordDcFlank1(QStringLiteral("3,5.1")));
    }
};

QTEST_GUILESS_MAIN(TestOscilloscope)
#include "tst_oscilloscope.moc"
