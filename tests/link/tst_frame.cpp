// SPDX-License-Identifier: GPL-3.0-or-later
// Frame codec: command encoding, checksum, and the check of received texts.
#include "link/Frame.h"

#include <QTest>
#include <cstring>

using namespace vatrel;

class TestFrame : public QObject {
    Q_OBJECT

    static bool checkText(const char* text) { return frame::check(text, int(std::strlen(text))); }

private slots:
    void commandsEncodeAsTheConverterExpects() {
        const auto poll = frame::poll();
        QCOMPARE(frame::encode(':', poll.data(), int(poll.size())), QByteArray(":0141BE\r\n"));
        QCOMPARE(frame::encode(':', poll.data(), int(poll.size())).size(), 9);

        // The factory number's high byte (0x12) stays out of the checksum.
        const auto karta = frame::kartaEntry(5, 0x1234, 22);
        QCOMPARE(frame::encode(':', karta.data(), int(karta.size())), QByteArray(":01420005123400166E\r\n"));

        // 2.5f = 0x40200000, 1.0f = 0x3F800000, low word first.
        const std::vector<quint16> dcB{0x0145, 3, 0x0000, 0x4020, 0x0000, 0x3F80, 0x8017};
        QCOMPARE(frame::setDcB(3, 2.5f, 1.0f), dcB);
        QCOMPARE(frame::setDcA(7, 4095), (std::vector<quint16>{0x0146, 7, 4095, 0xEFB3}));
        QCOMPARE(frame::oscillOn(9, 0x0102), (std::vector<quint16>{0x0147, 9, 0x0102, 0xFEAD}));
        QCOMPARE(frame::oscillOff(), (std::vector<quint16>{0x0148, 0xFFB7}));
        QCOMPARE(frame::disconnectSensor(199), (std::vector<quint16>{0x0144, 199, 0xFEF4}));
        QCOMPARE(frame::connectSensor(0, 300, 22), (std::vector<quint16>{0x0143, 0, 300, 22, 0xFE7A}));
    }

    void hexDigitsBothWays() {
        QCOMPARE(frame::nibbleToChar(0), '0');
        QCOMPARE(frame::nibbleToChar(10), 'A');
        QCOMPARE(frame::nibbleToChar(15), 'F');
        QCOMPARE(frame::charToNibble('f'), 15);
        QCOMPARE(frame::charToNibble('F'), 15);
        QCOMPARE(frame::charToNibble('9'), 9);
        QCOMPARE(frame::charToNibble('G'), -1);
        QCOMPARE(frame::charToNibble(':'), -1);
        QCOMPARE(frame::charToNibble('\xC0'), -1);
        QCOMPARE(frame::wordAt("00aBcD", 2), quint16(0xABCD));
    }

    void receivedTextCheck() {
        QVERIFY(checkText("0141BE"));
        QVERIFY(checkText("0142000ab3"));  // lower case
        QVERIFY(checkText("0142000AB3"));  // upper case
        QVERIFY(checkText("0142FF0AB3"));  // the high byte of word 1 takes no part
        QVERIFY(!checkText("0142000AB4")); // wrong checksum byte
        QVERIFY(!checkText("0141BE0"));    // odd length
        QVERIFY(!checkText("01410G00BE")); // a non-hex character, even where it would add 0
        QVERIFY(!checkText("0141 BE "));
        QVERIFY(!checkText("0141\rBE"));
        QVERIFY(!checkText("BE")); // too short to hold word 0
        QVERIFY(!checkText(""));
        QVERIFY(!frame::check(nullptr, 6));
        // A report: header 0x0141, factory number 0x1234, three more words.
        QVERIFY(checkText("0141123400000001000287"));
    }
};

QTEST_APPLESS_MAIN(TestFrame)
#include "tst_frame.moc"
