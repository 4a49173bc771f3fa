// The oscilloscope's rules on the console alone: start and stop requests with their refusals, the
// scale and DC component entries, and samples from the line landing in the flanks' curves.
#include "LinkTestSupport.h"
#include "link/Engine.h"
#include "link/Oscilloscope.h"

#include <QLocale>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

const QString kFormat = QStringLiteral(" Неверный формат данных; повторите ввод");
const QString kWaitMap = QStringLiteral("Дождитесь окончания передачи адресов в адаптер");

std::vector<quint16> queuedWords(const Console& c, int i) {
    const QueueEntry& e = c.queue.entries[size_t(i)];
    return {e.words.begin(), e.words.begin() + e.count};
}

void runPasses(Console& c, int n) {
    for (int i = 0; i < n; ++i)
        ReceivePass(c);
}

// Points of one flank as (x, raw, filtered, threshold, zero level).
QList<QList<double>> points(const FlankTrace& t) {
    QList<QList<double>> out;
    for (int i = 0; i < t.size(); ++i) {
        const FlankTrace::Point& p = t.at(i);
        out.append({double(p.x), p.y[0], p.y[1], p.y[2], p.y[3]});
    }
    return out;
}

struct OscFixture : LinkFixture {
    OscFixture() {
        QLocale::setDefault(QLocale::c());
        addSensor(4, 0x12345, 1, 2.5f, 0.75f); // position 5, type B, number wider than 16 bits
        addSensor(9, 77, 0, 7.9f, 7.9f);       // position 10, type A
        addSensor(12, 1313, 1, 0, 0);          // type B, not under oscillogram
        c.engine.KartaAdressPos = 200;
        c.engine.Conv_link = 1;
    }
    void addSensor(int slot, quint32 number, qint16 type, float dc1, float dc2) {
        SensorRecord& r = c.sensors[size_t(slot)];
        r.mark = 1;
        r.factory_number = number;
        r.sensor_type = type;
        r.slot_index = qint16(slot);
        r.link_up = 1;
        r.dc_component1 = dc1;
        r.dc_component2 = dc2;
    }
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
        c.engine.KartaAdressPos = 37;
        c.osc.Edit7 = QStringLiteral("5");
        f.ui.expectMessage(kWaitMap, QString());
        QVERIFY(ButtonOnOscillVBClick(c)); // no refocus
        f.ui.expectMessage(kWaitMap, QString());
        ButtonOffOscillVBClick(c);
        QCOMPARE(c.queue.count, 0);
        c.engine.KartaAdressPos = 200;

        // Position texts that are no position.
        const QList<QPair<QString, QString>> refused{
            {QStringLiteral("abc"), kFormat},
            {QStringLiteral("5.0"), kFormat},
            {QStringLiteral("0"), QStringLiteral("Число вне допуска (1-200); повторите ввод")},
            {QStringLiteral("201"), QStringLiteral("Число вне допуска (1-200); повторите ввод")},
        };
        for (const auto& [text, message] : refused) {
            c.osc.Edit7 = text;
            f.ui.expectMessage(message, QString());
            QVERIFY(!ButtonOnOscillVBClick(c));
        }
        // Position 7: nothing answers there, so nothing happens at all.
        c.osc.Edit7 = QStringLiteral("7");
        QVERIFY(ButtonOnOscillVBClick(c));
        QCOMPARE(c.queue.count, 0);
        QVERIFY(c.osc.ButtonOnOscillVB_enabled && c.osc.Edit7_enabled && c.osc.LabelNumPosOscill_enabled);
        QCOMPARE(f.ui.boxes.size(), 6);

        // Type B at position 5: slot 4 and the number's low 16 bits; the controls wait for the reply.
        c.osc.Edit7 = QStringLiteral(" 5 ");
        QVERIFY(ButtonOnOscillVBClick(c));
        QCOMPARE(c.queue.count, 1);
        QCOMPARE(c.queue.entries[0].start, ':');
        QCOMPARE(queuedWords(c, 0), (std::vector<quint16>{0x0147, 4, 0x2345, 0xDC6F}));
        QVERIFY(!c.osc.ButtonOnOscillVB_enabled && !c.osc.Edit7_enabled && !c.osc.LabelNumPosOscill_enabled);
        QCOMPARE(c.osc_slot, qint16(-1)); // not before the converter confirms

        // Type A at position 10: its type plays no part. Stop: two words.
        clearQueue(c);
        c.osc.Edit7 = QStringLiteral("10");
        QVERIFY(ButtonOnOscillVBClick(c));
        ButtonOffOscillVBClick(c);
        QCOMPARE(c.queue.count, 2);
        QCOMPARE(queuedWords(c, 0), (std::vector<quint16>{0x0147, 9, 77, 0xFF62}));
        QCOMPARE(queuedWords(c, 1), (std::vector<quint16>{0x0148, 0xFFB7}));
    }

    // The converter's replies start and stop the oscillogram; its samples go to the curves of the
    // flank they belong to, with the zero level added to signal and threshold.
    void samplesFromTheLineLandInTheFlanks() {
        OscFixture f;
        Console& c = f.c;
        c.sensors[4].factory_number = 0x2345; // reports name a sensor by 16 bits
        QVERIFY(OpenPort(c, 1));
        c.engine.Conv_link = 1;
        c.engine.KartaAdressPos = 200;
        oscillogramSampleB(c, {1, 1, 1, 1, 1, 1, 1, 1}); // left over from an earlier oscillogram

        c.osc.Edit7 = QStringLiteral("5");
        QVERIFY(ButtonOnOscillVBClick(c));
        runPasses(c, 5);
        QCOMPARE(f.port.written, QByteArray(":0147000423456F\r\n"));
        f.port.incoming = reply({0x0147, 4});
        runPasses(c, 1);
        QCOMPARE(c.osc_slot, qint16(4));
        QCOMPARE(c.sensors[4].osc_active, qint16(1));
        QCOMPARE(c.osc.Delta1, QStringLiteral("2.500"));
        QCOMPARE(c.osc.Delta2, QStringLiteral("0.750"));
        QCOMPARE(c.scope.flanks[0].size(), 0); // cleared by the start
        QCOMPARE(c.scope.flanks[0].sample_counter, 0u);

        // T1 T2 S1 S2 R1 R2 Z1 Z2
        f.port.incoming = typeBSampleReport(0x2345, {10, 20, 3, 4, 500, 600, 100, 200}) +
                          typeBSampleReport(0x2345, {11, 21, 5, 6, 501, 601, 101, 201}) +
                          typeBSampleReport(1313, {9, 9, 9, 9, 9, 9, 9, 9}); // another sensor
        runPasses(c, 1);
        QCOMPARE(points(c.scope.flanks[0]),
                 (QList<QList<double>>{{0, 500, 103, 110, 100}, {1, 501, 106, 112, 101}}));
        QCOMPARE(points(c.scope.flanks[1]),
                 (QList<QList<double>>{{0, 600, 204, 220, 200}, {1, 601, 207, 222, 201}}));
        QCOMPARE(c.scope.flanks[1].sample_counter, 2u);
        QCOMPARE(f.ui.samples.size(), 3); // with the left-over one

        // Stop: every slot idle, the controls back, the curves stay to be looked at; no more samples.
        ButtonOffOscillVBClick(c);
        f.port.incoming = reply({0x0148});
        runPasses(c, 6);
        QCOMPARE(c.osc_slot, qint16(-1));
        QCOMPARE(c.sensors[4].osc_active, qint16(0));
        QVERIFY(c.osc.ButtonOnOscillVB_enabled && c.osc.Edit7_enabled && c.osc.LabelNumPosOscill_enabled);
        f.port.incoming = typeBSampleReport(0x2345, {1, 1, 1, 1, 1, 1, 1, 1});
        runPasses(c, 1);
        QCOMPARE(c.scope.flanks[0].size(), 2);
        QCOMPARE(c.sensor_grid.at(colThreshold1, 5), QStringLiteral("1.000")); // the table still follows
    }

    void windowSlidesAndScaleEntriesClearTheirFlank() {
        OscFixture f;
        Console& c = f.c;
        for (int i = 0; i <= 500; ++i)
            oscillogramSampleB(c, {0, 0, 0, 0, float(i), float(-i), 0, 0});
        const FlankTrace& t1 = c.scope.flanks[0];
        QCOMPARE(t1.size(), 500);
        QCOMPARE(t1.at(0).x, 1u);
        QCOMPARE(t1.at(499).x, 500u);
        QCOMPARE(t1.at(0).y[0], 1.0f);
        QCOMPARE(c.scope.flanks[1].at(499).y[0], -500.0f);

        // A shorter window restarts flank 1 at x = 0 and keeps its newest 100 samples from then on.
        c.osc.Edit1 = QStringLiteral("100");
        QVERIFY(Edit1Exit(c));
        QCOMPARE(t1.flank_window, 100);
        QCOMPARE(t1.size(), 0);
        for (int i = 0; i < 150; ++i)
            oscillogramSampleB(c, {0, 0, 0, 0, float(i), 0, 0, 0});
        QCOMPARE(t1.size(), 100);
        QCOMPARE(t1.at(0).x, 50u);
        QCOMPARE(t1.at(0).y[0], 50.0f);
        QCOMPARE(t1.sample_counter, 150u);
        QCOMPARE(c.scope.flanks[1].size(), 500); // window 500 still

        // A lower limit of 100 on flank 1 clears only flank 1; the lower limit may exceed the upper one.
        c.osc.Edit2 = QStringLiteral("100");
        QVERIFY(Edit2Exit(c));
        QCOMPARE(t1.y_min, 100.0);
        QCOMPARE(t1.size(), 0);
        QCOMPARE(c.scope.flanks[1].size(), 500);
        c.osc.Edit6 = QStringLiteral("50");
        c.osc.Edit5 = QStringLiteral("60");
        QVERIFY(Edit6Exit(c) && Edit5Exit(c));
        QCOMPARE(c.scope.flanks[1].y_max, 50.0);
        QCOMPARE(c.scope.flanks[1].y_min, 60.0);
        QCOMPARE(c.scope.flanks[1].size(), 0);

        // A window of the longest length holds 5000 samples.
        c.osc.Edit4 = QStringLiteral("5000");
        QVERIFY(Edit4Exit(c));
        for (int i = 0; i < 12000; ++i)
            oscillogramSampleB(c, {0, 0, 0, 0, 0, float(i), 0, 0});
        QCOMPARE(c.scope.flanks[1].size(), 5000);
        QCOMPARE(c.scope.flanks[1].at(0).x, 7000u);
        QCOMPARE(c.scope.flanks[1].at(4999).y[0], 11999.0f);

        // Drawn 100 columns wide, the curve keeps each column's lowest and highest sample in order:
        // a spike of one sample still shows.
        FlankTrace t;
        t.flank_window = 1000;
        for (int i = 0; i < 1000; ++i)
            t.add({i == 333 ? 900.0f : float(i % 10), 0, 0, 0});
        const QList<QPointF> curve = t.curve(0, 100);
        QCOMPARE(curve.size(), 200);
        QCOMPARE(curve.first(), QPointF(0, 0));
        QCOMPARE(curve.value(66), QPointF(330, 0));
        QCOMPARE(curve.value(67), QPointF(333, 900));
        QCOMPARE(t.curve(0, 500).size(), 1000); // room for every sample
        QCOMPARE(t.curve(0, 500).value(333), QPointF(333, 900));
    }

    // Every entry refuses what is no number or out of its range, keeps its stored value and asks
    // for the focus back.
    void entriesRefuseWithTheirMessages() {
        OscFixture f;
        Console& c = f.c;
        struct Case {
            QString* text;
            bool (*handler)(Console&);
            const char* input;
            const char* message; // null: the format message
        };
        const Case cases[] = {
            {&c.osc.Edit1, Edit1Exit, "99", "Число вне допуска (100-5000); повторите ввод"},
            {&c.osc.Edit4, Edit4Exit, "5001", "Число вне допуска (100-5000); повторите ввод"},
            {&c.osc.EditX, EditXExit, "99", "Число вне допуска (100-5000); повторите ввод"},
            {&c.osc.Edit2, Edit2Exit, "-1", "Число вне допуска (0-1023); повторите ввод"},
            {&c.osc.Edit3, Edit3Exit, "1024", "Число вне допуска (0-1023); повторите ввод"},
            {&c.osc.Edit5, Edit5Exit, "x", nullptr},
            {&c.osc.Edit6, Edit6Exit, "", nullptr},
            {&c.osc.EditYmin, EditYminExit, "4096", "Число вне допуска (0-4095); повторите ввод"},
            {&c.osc.EditYmax, EditYmaxExit, "10.5", nullptr},
            {&c.osc.EDirect_component, EDirect_componentExit, "0",
             "Число вне допуска (1-4095); повторите ввод"},
            {&c.osc.EDirect_component, EDirect_componentExit, "4096",
             "Число вне допуска (1-4095); повторите ввод"},
            {&c.osc.EDirect_component, EDirect_componentExit, "65537",
             "Число вне допуска (1-4095); повторите ввод"},
            {&c.osc.EDirect_component, EDirect_componentExit, "nan",
             "Число вне допуска (1-4095); повторите ввод"},
            {&c.osc.Delta1, RecordDelta1Click, "0.4", "Число вне допуска (0.5-512); повторите ввод"},
            {&c.osc.Delta2, RecordDelta2Click, "513", "Число вне допуска (0.5-512); повторите ввод"},
            {&c.osc.Delta2, RecordDelta2Click, "2,5", nullptr},
        };
        for (const Case& k : cases) {
            *k.text = QString::fromUtf8(k.input);
            f.ui.expectMessage(k.message ? QString::fromUtf8(k.message) : kFormat, QString());
            QVERIFY2(!k.handler(c), k.input);
        }
        QVERIFY(f.ui.allExpectedShown());
        QCOMPARE(c.queue.count, 0);
        for (const FlankTrace& t : c.scope.flanks) {
            QCOMPARE(t.flank_window, 500);
            QCOMPARE(t.y_min, 0.0);
            QCOMPARE(t.y_max, 1023.0);
        }
        QCOMPARE(c.scope.a.window, quint16(1000));
        QCOMPARE(c.scope.a.y_min, quint16(0));
        QCOMPARE(c.scope.a.y_max, quint16(100));
        QCOMPARE(c.osc_dc_a, quint16(0));
        QCOMPARE(c.osc_dc1, 0.0f);
        QCOMPARE(c.osc_dc2, 0.0f);
        QCOMPARE(c.sensors[4].dc_component1, 2.5f);
    }

    void dcComponentsGoToTheSensorUnderOscillogram() {
        OscFixture f;
        Console& c = f.c;
        // No oscillogram: the value is kept, nothing is sent, no record is touched.
        c.osc.Delta1 = QStringLiteral("3");
        QVERIFY(RecordDelta1Click(c));
        QCOMPARE(c.osc.Delta1, QStringLiteral("3.000"));
        QCOMPARE(c.queue.count, 0);

        oscillogramStarted(c, 4); // dc 2.5 and 0.75
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        c.osc.Delta2 = QStringLiteral("2,5");
        QVERIFY(RecordDelta2Click(c));
        QCOMPARE(c.osc.Delta2, QStringLiteral("2,500"));
        QCOMPARE(c.sensors[4].dc_component2, 2.5f);
        QCOMPARE(c.sensors[4].dc_component1, 2.5f);
        // Both values are sent: 2.5 = 0x40200000 twice.
        QCOMPARE(queuedWords(c, 0),
                 (std::vector<quint16>{0x0145, 4, 0x0000, 0x4020, 0x0000, 0x4020, 0x7F76}));

        clearQueue(c);
        oscillogramStarted(c, 9); // type A: dc 7.9 shows as 7
        QCOMPARE(c.osc.EDirect_component, QStringLiteral("7"));
        c.osc.EDirect_component = QStringLiteral("4,9");
        QVERIFY(EDirect_componentExit(c));
        QCOMPARE(c.osc_dc_a, quint16(4));
        QCOMPARE(c.osc.EDirect_component, QStringLiteral("4"));
        QCOMPARE(c.sensors[9].dc_component1, 4.0f);
        QCOMPARE(c.sensors[9].dc_component2, 4.0f);
        QCOMPARE(queuedWords(c, 0), (std::vector<quint16>{0x0146, 9, 4, 0xFFAC}));
    }
};

QTEST_GUILESS_MAIN(TestOscilloscope)
#include "tst_oscilloscope.moc"
