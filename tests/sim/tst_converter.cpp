// SPDX-License-Identifier: GPL-3.0-or-later
// The converter's side of the line: replies, reports and control commands, checked against frames
// written out by hand.
#include "link/Frame.h"
#include "sim/Converter.h"

#include <QList>
#include <QTest>
#include <cstring>

using vatrel::sim::Converter;

namespace {

// Splits a byte stream into frames (start character up to and including CR LF).
QList<QByteArray> frames(const QByteArray& stream) {
    QList<QByteArray> out;
    qsizetype start = -1;
    for (qsizetype i = 0; i < stream.size(); ++i) {
        if (stream[i] == ':' || stream[i] == '~')
            start = i;
        else if (stream[i] == '\n' && start >= 0) {
            out << stream.mid(start, i - start + 1);
            start = -1;
        }
    }
    return out;
}

bool passesCheck(const QByteArray& f) {
    const QByteArray text = f.mid(1, f.size() - 3); // without start character and CR LF
    return f.endsWith("\r\n") && vatrel::frame::check(text.constData(), int(text.size()));
}

// Independent decoding of a report's 32-bit value at word k: four words, one byte each, LSB first.
quint32 valueAt(const QByteArray& f, int k) {
    const QByteArray text = f.mid(1);
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v |= quint32(text.mid(4 * (k + i) + 2, 2).toUInt(nullptr, 16)) << (8 * i);
    return v;
}

float floatAt(const QByteArray& f, int k) {
    const quint32 bits = valueAt(f, k);
    float v;
    std::memcpy(&v, &bits, 4);
    return v;
}

int wordAt(const QByteArray& f, int k) { return f.mid(1 + 4 * k, 4).toInt(nullptr, 16); }

// Maps sensor 1001 (0x03E9) at slot 0 and 2001 (0x07D1) at slot 1, then drops the replies.
void mapTwo(Converter& c) {
    c.receive(":0142000103E90016BD\r\n");
    c.receive(":0142000207D10016D4\r\n");
    c.takeOutput();
}

} // namespace

class TestConverter : public QObject {
    Q_OBJECT
private slots:
    void repliesToEveryCommandCode_data();
    void repliesToEveryCommandCode();
    void ignoresBadFramesAndJoinsSplitInput();
    void keepsAddressMapConnectionsAndDcComponents();
    void typeBReportCarriesTheMeantValues();
    void typeAReportCarriesTheMeantValues();
    void typesComeFromHardwareFileAndControl();
    void reportsEveryMappedSensorAtTheConfiguredRate();
    void oscillogramStreamsSamplesInsteadOfStatus();
    void controlCommandsChangeWhatIsSent();
    void silentConverterSendsNothingUntilResumed();
    void staysWithinTheLineBudget();
    void signalsDriftSlowlyAndFollowAlarms();
    void rejectsMalformedControlCommands();
    void stormFlipsLoopOneAndOscillogramStartsFromControl();
};

void TestConverter::repliesToEveryCommandCode_data() {
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("poll") << QByteArray(":0141BE\r\n") << QByteArray(":0141BE\r\n");
    QTest::newRow("map entry 5, sensor 1001")
        << QByteArray(":0142000503E90016B9\r\n") << QByteArray(":01420005B8\r\n");
    QTest::newRow("map entry 200") << QByteArray(":014200C800000000F5\r\n") << QByteArray(":014200C8F5\r\n");
    QTest::newRow("connect slot 2") << QByteArray(":0143000207D10016D3\r\n") << QByteArray(":0143BC\r\n");
    QTest::newRow("disconnect slot 2") << QByteArray(":01440002B9\r\n") << QByteArray(":0144BB\r\n");
    QTest::newRow("DC type B") << QByteArray(":0145000000003F0000003F803A\r\n") << QByteArray(":0145BA\r\n");
    QTest::newRow("DC type A") << QByteArray(":01460006012C87\r\n") << QByteArray(":0146B9\r\n");
    QTest::newRow("oscillogram on slot 0")
        << QByteArray(":0147000003E9CF\r\n") << QByteArray(":01470000B8\r\n");
    QTest::newRow("oscillogram on slot 7")
        << QByteArray(":0147000703E9C8\r\n") << QByteArray(":01470007B1\r\n");
    QTest::newRow("oscillogram off") << QByteArray(":0148B7\r\n") << QByteArray(":0148B7\r\n");
    QTest::newRow("lower-case digits")
        << QByteArray(":0142000503e90016b9\r\n") << QByteArray(":01420005B8\r\n");
}

void TestConverter::repliesToEveryCommandCode() {
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    Converter c;
    c.receive(command);
    const QByteArray out = c.takeOutput();
    QCOMPARE(out, reply);
    QVERIFY(passesCheck(out));
}

void TestConverter::ignoresBadFramesAndJoinsSplitInput() {
    Converter c;
    c.receive(":0141BF\r\n"); // wrong checksum
    c.receive(":0141BE\r");   // CR without LF, then a new frame starts
    c.receive("garbage");
    QCOMPARE(c.takeOutput(), QByteArray());
    QCOMPARE(c.commandsAnswered(), 0);

    // A command split across reads, and two in one read.
    c.receive(":0142000");
    c.receive("503E900");
    c.receive("16B9\r");
    c.receive("\n:0141BE\r\n:0148B7\r\n");
    QCOMPARE(c.takeOutput(), QByteArray(":01420005B8\r\n:0141BE\r\n:0148B7\r\n"));
}

void TestConverter::keepsAddressMapConnectionsAndDcComponents() {
    Converter c;
    mapTwo(c);
    c.receive(":014200C800000000F5\r\n"); // entry 200: empty slot
    QCOMPARE(c.mappedCount(), 2);
    QCOMPARE(c.map()[0].factory_number, quint16(1001));
    QCOMPARE(c.map()[0].device_code, quint8(22));
    QCOMPARE(c.map()[1].factory_number, quint16(2001));

    c.receive(":014300050BB90016E8\r\n"); // connect 3001 (0x0BB9) in slot 5
    QCOMPARE(c.map()[5].factory_number, quint16(3001));
    QCOMPARE(c.mappedCount(), 3);
    c.receive(":01440001BA\r\n"); // disconnect slot 1
    QCOMPARE(c.map()[1].factory_number, quint16(0));
    QCOMPARE(c.mappedCount(), 2);

    c.receive(":0145000000003F0000003F803A\r\n"); // slot 0: 0.5 and 1.0
    QCOMPARE(c.sensor(1001).dc1, 0.5f);
    QCOMPARE(c.sensor(1001).dc2, 1.0f);
    c.receive(":01460005012C88\r\n"); // slot 5: 300
    QCOMPARE(c.sensor(3001).dcA, quint16(300));
}

void TestConverter::typeBReportCarriesTheMeantValues() {
    Converter c;
    mapTwo(c);
    QVERIFY(c.control(QStringLiteral("values 1001 1 2 0.5 0.25")) == QStringLiteral("ok"));
    c.control(QStringLiteral("alarm 1001 1 on"));
    c.receive(":01440001BA\r\n"); // only 1001 stays mapped
    c.takeOutput();
    c.advance(0);
    c.advance(100);
    const QList<QByteArray> f = frames(c.takeOutput());
    QCOMPARE(f.size(), 1);
    QCOMPARE(f[0], QByteArray("~"
                              "0141"
                              "0000"
                              "03E9"
                              "0002"
                              "0080"
                              "000000000080003F"
                              "0000000000000040"
                              "000000000000003F"
                              "000000000080003E"
                              "57\r\n"));
    QVERIFY(passesCheck(f[0]));
    QCOMPARE(floatAt(f[0], 5), 1.0f);
    QCOMPARE(floatAt(f[0], 9), 2.0f);
    QCOMPARE(floatAt(f[0], 13), 0.5f);
    QCOMPARE(floatAt(f[0], 17), 0.25f);
}

void TestConverter::typeAReportCarriesTheMeantValues() {
    Converter c;
    c.control(QStringLiteral("type 2001 A"));
    mapTwo(c);
    c.receive(":01440000BB\r\n"); // only 2001 (slot 1) stays mapped
    c.control(QStringLiteral("values 2001 300 300 100 100"));
    c.control(QStringLiteral("state 2001 9"));
    c.control(QStringLiteral("alarm 2001 2 on"));
    c.takeOutput();
    c.advance(0);
    c.advance(100);
    const QList<QByteArray> f = frames(c.takeOutput());
    QCOMPARE(f.size(), 1);
    QCOMPARE(f[0], QByteArray("~"
                              "0141"
                              "0001"
                              "07D1"
                              "0007"
                              "0049"
                              "002C"
                              "0001"
                              "0064"
                              "0000"
                              "0B\r\n"));
    QVERIFY(passesCheck(f[0]));
    QCOMPARE(valueAt(f[0], 5) & 0xFFFF, 300u);
    QCOMPARE(valueAt(f[0], 5) >> 16, 100u);
}

void TestConverter::typesComeFromHardwareFileAndControl() {
    QByteArray hw(1202, '\0');
    hw[0] = char(0xE9); // slot 0: 1001, type A
    hw[1] = char(0x03);
    hw[6] = char(0xD1); // slot 1: 2001, type B
    hw[7] = char(0x07);
    hw[10] = 1;
    Converter c;
    c.loadTypesFromHw(hw);
    mapTwo(c);
    c.advance(0);
    c.advance(1000);
    const QList<QByteArray> f = frames(c.takeOutput());
    QVERIFY(f.size() >= 2);
    for (const QByteArray& r : f) {
        QVERIFY(passesCheck(r));
        if (wordAt(r, 2) == 1001)
            QCOMPARE(wordAt(r, 3), 7);
        else
            QCOMPARE(wordAt(r, 3), 2);
    }
    c.control(QStringLiteral("type 1001 B"));
    c.advance(3000);
    for (const QByteArray& r : frames(c.takeOutput()))
        QCOMPARE(wordAt(r, 3), 2);
}

void TestConverter::reportsEveryMappedSensorAtTheConfiguredRate() {
    Converter c;
    mapTwo(c);
    c.receive(":014300050BB90016E8\r\n");
    c.takeOutput();
    c.advance(0);
    QMap<int, int> perSensor;
    for (int t = 10; t <= 10000; t += 10) {
        c.advance(t);
        for (const QByteArray& r : frames(c.takeOutput())) {
            QVERIFY(passesCheck(r));
            QCOMPARE(r.left(5), QByteArray("~0141"));
            ++perSensor[wordAt(r, 2)];
        }
    }
    QCOMPARE(perSensor.keys(), (QList<int>{1001, 2001, 3001}));
    for (int n : perSensor)
        QVERIFY2(n >= 9 && n <= 11, qPrintable(QString::number(n))); // about once a second

    c.control(QStringLiteral("rate 200"));
    perSensor.clear();
    for (int t = 10010; t <= 20000; t += 10) {
        c.advance(t);
        for (const QByteArray& r : frames(c.takeOutput()))
            ++perSensor[wordAt(r, 2)];
    }
    for (int n : perSensor)
        QVERIFY2(n >= 48 && n <= 52, qPrintable(QString::number(n)));
}

void TestConverter::oscillogramStreamsSamplesInsteadOfStatus() {
    Converter c;
    mapTwo(c);
    c.control(QStringLiteral("values 1001 1 2 0.5 0.25"));
    c.advance(0);
    c.receive(":0147000003E9CF\r\n");
    QCOMPARE(c.takeOutput(), QByteArray(":01470000B8\r\n"));
    int osc = 0, status1001 = 0, status2001 = 0;
    for (int t = 10; t <= 2000; t += 10) {
        c.advance(t);
        for (const QByteArray& r : frames(c.takeOutput())) {
            QVERIFY(passesCheck(r));
            if (r.startsWith("~0142")) {
                ++osc;
                QCOMPARE(wordAt(r, 2), 1001);
                QCOMPARE(wordAt(r, 3), 0xC3);
                QCOMPARE(r.size(), qsizetype(1 + 4 * 37 + 2 + 2));
                QCOMPARE(floatAt(r, 5), 1.0f);
                QCOMPARE(floatAt(r, 13), 0.5f);
                // raw signal = zero level + signal, zero level about 2 V
                QVERIFY(qAbs(floatAt(r, 21) - floatAt(r, 29) - 0.5f) < 1e-4f);
                QVERIFY(floatAt(r, 29) > 2.0f && floatAt(r, 29) < 2.1f);
            } else if (wordAt(r, 2) == 1001) {
                ++status1001;
            } else {
                ++status2001;
            }
        }
    }
    QVERIFY2(osc >= 39 && osc <= 41, qPrintable(QString::number(osc))); // 20 a second
    QCOMPARE(status1001, 0);
    QVERIFY(status2001 >= 1);

    c.receive(":0148B7\r\n");
    QCOMPARE(c.takeOutput(), QByteArray(":0148B7\r\n"));
    for (int t = 2010; t <= 4000; t += 10)
        c.advance(t);
    const QList<QByteArray> after = frames(c.takeOutput());
    QVERIFY(!after.isEmpty());
    for (const QByteArray& r : after)
        QCOMPARE(r.left(5), QByteArray("~0141"));
}

void TestConverter::controlCommandsChangeWhatIsSent() {
    Converter c;
    mapTwo(c);
    c.advance(0);

    bool ok = false;
    c.control(QStringLiteral("kserr 1001"), &ok);
    QVERIFY(ok);
    c.control(QStringLiteral("timeout 1001"), &ok);
    QVERIFY(ok);
    c.control(QStringLiteral("kserr 2001"));
    QCOMPARE(c.takeOutput(), QByteArray("~01FD000003E919\r\n~01FE000003E918\r\n~01FD000107D130\r\n"));

    c.control(QStringLiteral("corrupt"));
    const QList<QByteArray> bad = frames(c.takeOutput());
    QCOMPARE(bad.size(), 1);
    QVERIFY(bad[0].startsWith("~0141"));
    QVERIFY(!passesCheck(bad[0]));

    c.control(QStringLiteral("cut 1001"));
    c.control(QStringLiteral("state 2001 4"));
    c.control(QStringLiteral("alarm 2001 2 on"));
    bool sawNoLink = false, sawState = false;
    for (int t = 10; t <= 2000; t += 10) {
        c.advance(t);
        for (const QByteArray& r : frames(c.takeOutput())) {
            if (wordAt(r, 2) == 1001) {
                QCOMPARE(r, QByteArray("~01FF000003E917\r\n"));
                sawNoLink = true;
            } else {
                QCOMPARE(wordAt(r, 4), 0x44); // loop 2 alarm bit and state code 4
                sawState = true;
            }
        }
    }
    QVERIFY(sawNoLink && sawState);

    c.control(QStringLiteral("restore 1001"));
    c.control(QStringLiteral("alarm 2001 2 off"));
    c.control(QStringLiteral("state 2001 0"));
    for (int t = 2010; t <= 4000; t += 10) {
        c.advance(t);
        for (const QByteArray& r : frames(c.takeOutput())) {
            QVERIFY(r.startsWith("~0141"));
            QCOMPARE(wordAt(r, 4), 0);
        }
    }
}

void TestConverter::silentConverterSendsNothingUntilResumed() {
    Converter c;
    mapTwo(c);
    c.advance(0);
    c.control(QStringLiteral("silent"));
    c.receive(":0141BE\r\n");
    for (int t = 10; t <= 3000; t += 10)
        c.advance(t);
    c.control(QStringLiteral("kserr 1001"));
    c.control(QStringLiteral("corrupt"));
    QCOMPARE(c.takeOutput(), QByteArray());

    c.control(QStringLiteral("resume"));
    c.receive(":0142000103E90016BD\r\n");
    QCOMPARE(c.takeOutput(), QByteArray(":01420001BC\r\n"));
    QCOMPARE(c.mappedCount(), 2); // the map survives the silence
    c.advance(3010);
    QVERIFY(!c.takeOutput().isEmpty());
}

void TestConverter::staysWithinTheLineBudget() {
    Converter c;
    // A full map of 200 type B sensors would need about 17,800 characters a second at the default rate.
    for (int i = 1; i <= 200; ++i) {
        const std::vector<quint16> w = vatrel::frame::kartaEntry(i, quint16(5000 + i), 22);
        c.receive(vatrel::frame::encode(':', w.data(), int(w.size())));
    }
    QCOMPARE(c.mappedCount(), 200);
    c.takeOutput();
    c.advance(0);
    qsizetype chars = 0;
    QSet<int> seen;
    for (int t = 10; t <= 10000; t += 10) {
        c.advance(t);
        const QByteArray out = c.takeOutput();
        chars += out.size();
        for (const QByteArray& r : frames(out))
            seen.insert(wordAt(r, 2));
    }
    // 10 s at 11,520 characters a second, plus the 200 ms the line may hold back.
    QVERIFY2(chars <= 115200 + 2304, qPrintable(QString::number(chars)));
    QVERIFY2(chars >= 100000, qPrintable(QString::number(chars))); // and it does use the line
    QCOMPARE(seen.size(), 200);
}

void TestConverter::signalsDriftSlowlyAndFollowAlarms() {
    Converter c;
    c.receive(":0142000103E90016BD\r\n");
    c.takeOutput();
    c.advance(0);
    float last = -1;
    for (int t = 10; t <= 60000; t += 10) {
        c.advance(t);
        for (const QByteArray& r : frames(c.takeOutput())) {
            const float t1 = floatAt(r, 5), s1 = floatAt(r, 13);
            QVERIFY(s1 > 0 && s1 < t1);
            if (last >= 0)
                QVERIFY2(qAbs(s1 - last) < 0.1f, qPrintable(QStringLiteral("%1 -> %2").arg(last).arg(s1)));
            last = s1;
        }
    }
    c.control(QStringLiteral("alarm 1001 1 on"));
    c.advance(62000);
    const QList<QByteArray> f = frames(c.takeOutput());
    QVERIFY(!f.isEmpty());
    QVERIFY(floatAt(f.last(), 13) > floatAt(f.last(), 5));
    QCOMPARE(wordAt(f.last(), 4), 0x80);
}

void TestConverter::rejectsMalformedControlCommands() {
    Converter c;
    const char* bad[] = {
        "frobnicate",  "alarm 1001 3 on", "alarm 1001 1 maybe", "state 1001 64",       "state x 1",
        "type 1001 C", "rate 0",          "values 1001 1 2",    "values 1001 a b c d", "cut"};
    for (const char* line : bad) {
        bool ok = true;
        c.control(QString::fromLatin1(line), &ok);
        QVERIFY2(!ok, line);
    }
    QVERIFY(c.sensors().isEmpty() || !c.sensors().contains(1001) || !c.sensors()[1001].loop1);
    bool ok = false;
    QVERIFY(c.control(QStringLiteral("help"), &ok).contains(QStringLiteral("alarm <n>")));
    QVERIFY(ok);
    QVERIFY(!c.quitRequested());
    c.control(QStringLiteral("quit"));
    QVERIFY(c.quitRequested());
}

QTEST_GUILESS_MAIN(TestConverter)
// Load tests drive the console through these: a storm flips loop 1 of a sensor with each of its
// reports (of every sensor, or of the last few type B ones), and "osc" starts or stops the
// oscillogram with the same replies the console's own commands get.
void TestConverter::stormFlipsLoopOneAndOscillogramStartsFromControl() {
    Converter c;
    mapTwo(c);
    c.advance(0);
    bool ok = false;
    c.control(QStringLiteral("storm on"), &ok);
    QVERIFY(ok);
    QList<int> statusOf1001;
    for (int t = 10; t <= 4000; t += 10) {
        c.advance(t);
        for (const QByteArray& r : frames(c.takeOutput()))
            if (wordAt(r, 2) == 1001) statusOf1001 << wordAt(r, 4);
    }
    QVERIFY2(statusOf1001.size() >= 3, qPrintable(QString::number(statusOf1001.size())));
    for (int i = 0; i < statusOf1001.size(); ++i)
        QCOMPARE(statusOf1001[i], i % 2 ? 0x00 : 0x80);
    c.control(QStringLiteral("storm off"));
    const bool lastInAlarm = statusOf1001.size() % 2;
    for (int t = 4010; t <= 7000; t += 10) {
        c.advance(t);
        for (const QByteArray& r : frames(c.takeOutput()))
            if (wordAt(r, 2) == 1001) QCOMPARE(wordAt(r, 4), lastInAlarm ? 0x80 : 0x00);
    }

    // A storm on the last type B sensors of the map alone: the others fall silent.
    c.control(QStringLiteral("storm 1"), &ok);
    QVERIFY(ok);
    QList<int> statusOf2001;
    for (int t = 7010; t <= 9000; t += 10) {
        c.advance(t);
        for (const QByteArray& r : frames(c.takeOutput())) {
            QCOMPARE(wordAt(r, 2), 2001);
            statusOf2001 << wordAt(r, 4);
        }
    }
    QVERIFY2(statusOf2001.size() >= 3, qPrintable(QString::number(statusOf2001.size())));
    for (int i = 1; i < statusOf2001.size(); ++i)
        QCOMPARE(statusOf2001[i] ^ statusOf2001[i - 1], 0x80);
    c.control(QStringLiteral("storm 0"), &ok);
    QVERIFY(!ok);
    c.control(QStringLiteral("storm off"));

    c.control(QStringLiteral("osc 5"), &ok);
    QVERIFY(!ok); // no sensor in slot 5
    c.control(QStringLiteral("osc 0"), &ok);
    QVERIFY(ok);
    QCOMPARE(c.takeOutput(), QByteArray(":01470000B8\r\n"));
    QCOMPARE(c.oscSlot(), 0);
    c.control(QStringLiteral("osc off"));
    QCOMPARE(c.takeOutput(), QByteArray(":0148B7\r\n"));
    QCOMPARE(c.oscSlot(), -1);
}

#include "tst_converter.moc"
