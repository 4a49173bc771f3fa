// SPDX-License-Identifier: GPL-3.0-or-later
// Status reports, link loss and the per-slot counters: table texts, row colours, the events as they
// land in both log files, and the alarms handed to the alarm window.
#include "DecoderFixture.h"

#include <QLocale>

using namespace vatrel;
using namespace vatrel::testing;

namespace {
constexpr quint32 kGreen = 0x00FF00;
constexpr quint32 kAqua = 0xFFFF00;
constexpr quint32 kAlarm = 0x536BF2; // (242, 107, 83)
constexpr quint32 kLinkLost = 0x0000AB;
constexpr quint32 kSilver = 0xC0C0C0;
} // namespace

class TestStatusDecoder : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void linkRestoredAndBackToStandbyInOneReport();
    void typeASensorRestoresWithItsOwnWording();
    void faultCodes_data();
    void faultCodes();
    void sameFaultTwiceLogsOnce();
    void armedLoopTriggersAndReturns();
    void disarmedLoopIsSilent();
    void codeZeroWithBothBitsKeepsState();
    void stateStepStillAlarmsAnArmedLoop();
    void loopTwoResetsColourOnCodeZeroAlone();
    void unknownStateCode();
    void noLinkTwice();
    void allSensorsLost();
    void numbersAboveSignedRange();
    void countersForChecksumErrorsAndTimeouts();
    void handWrittenFrames();
    void ignoredReports();
};

void TestStatusDecoder::linkRestoredAndBackToStandbyInOneReport() {
    DecoderFixture f;
    f.addSensor(3, 1234, 1, 1, 0); // type B, loop 1 armed
    f.status(1234, 0x00);

    const SensorRecord& r = f.c.sensors.record(3);
    QCOMPARE(r.link_up, qint16(1));
    QVERIFY(f.c.sensors.isOnline(3));
    QCOMPARE(r.osc_command, qint16(193));
    QCOMPARE(r.status, 0);
    QCOMPARE(r.loop1_alarm, quint8(0));
    QCOMPARE(r.loop2_alarm, quint8(0));
    QCOMPARE(f.link(3), SlotLink::Up);
    QCOMPARE(f.cell(9, 3), QStringLiteral("Норма"));
    QCOMPARE(f.cell(3, 3), QStringLiteral("Норма"));
    QCOMPARE(f.cell(4, 3), QStringLiteral("Норма"));
    QCOMPARE(f.colour(3), kGreen);

    const QStringList expected{
        QStringLiteral("Восстановлена связь с датчиком <Ватрел-Б> № 1234"),
        QStringLiteral("Возврат в дежурное состояние датчика <Ватрел-Б> № 1234"),
        QStringLiteral("Возврат в норму 1 шлейфа датчика <Ватрел-Б> № 1234"), // loop 2 is disarmed: silent
    };
    const auto daily = f.daily();
    QCOMPARE(eventTexts(daily), expected);
    QCOMPARE(eventCodes(daily), (QList<int>{32, 0, 0}));
    QCOMPARE(daily[0].factory_number, 1234u);
    const auto own = f.sensorLog(1234, true);
    QCOMPARE(eventTexts(own), expected);
    QCOMPARE(eventCodes(own), (QList<int>{32, 0, 0}));
    QCOMPARE(f.c.alarms.total(), 0u);
    QCOMPARE(f.ui.alarmWindowShown, 0);

    // A second identical report changes nothing.
    f.status(1234, 0x00);
    QCOMPARE(f.daily().size(), qsizetype(3));
}

void TestStatusDecoder::typeASensorRestoresWithItsOwnWording() {
    DecoderFixture f;
    f.addSensor(0, 77, 0); // type A, both loops disarmed
    f.status(77, 0x00);
    QCOMPARE(f.c.sensors.record(0).osc_command, qint16(194));
    QCOMPARE(f.colour(0), kAqua);
    const QStringList expected{QStringLiteral("Восстановлена связь с датчиком <Ватрел-А> № 77"),
                               QStringLiteral("Возврат в дежурное состояние датчика <Ватрел-А> № 77")};
    QCOMPARE(eventTexts(f.sensorLog(77, false)), expected);
    QCOMPARE(eventTexts(f.daily()), expected);
    QVERIFY(!QFile::exists(f.file(QStringLiteral("VatrelB_mess/77"))));
}

void TestStatusDecoder::faultCodes_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("armed1");
    QTest::addColumn<int>("armed2");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("event");
    QTest::addColumn<bool>("alarm");

    QTest::newRow("2 from type A uses the type B wording")
        << 0 << 2 << 1 << 0 << QStringLiteral("Сопр.изол.ЧЭ1 ниже нормы")
        << QStringLiteral(
               "Сопротивление изоляции первого чувствительного элемента датчика <Ватрел-Б> № 501 ниже нормы")
        << true;
    QTest::newRow("3 loop 2 disarmed")
        << 1 << 3 << 1 << 0 << QStringLiteral("Сопр.изол.ЧЭ2 ниже нормы")
        << QStringLiteral("Сопротивление изоляции второго чувствительного элемента "
                          "датчика <Ватрел-Б> № 501 ниже нормы")
        << false;
    QTest::newRow("4 loop 1 armed")
        << 1 << 4 << 1 << 0 << QStringLiteral("Обрыв ЧЭ 1")
        << QStringLiteral("Обрыв чувствительного элемента первого фланга датчика <Ватрел-Б> № 501") << true;
    QTest::newRow("4 only loop 2 armed")
        << 1 << 4 << 0 << 1 << QStringLiteral("Обрыв ЧЭ 1")
        << QStringLiteral("Обрыв чувствительного элемента первого фланга датчика <Ватрел-Б> № 501") << false;
    QTest::newRow("5 loop 2 armed")
        << 1 << 5 << 0 << 1 << QStringLiteral("Обрыв ЧЭ 2")
        << QStringLiteral("Обрыв чувствительного элемента второго фланга датчика <Ватрел-Б> № 501") << true;
    QTest::newRow("7 from type B uses the type A wording")
        << 1 << 7 << 1 << 0 << QStringLiteral("Разбаланс фл.(1>2)")
        << QStringLiteral(
               "Недопустимый разбаланс флангов датчика <Ватрел-А> № 501. Ёмкость 1 фл. больше ёмкости 2")
        << true;
    QTest::newRow("8 loop 2 armed")
        << 0 << 8 << 0 << 1 << QStringLiteral("Разбаланс фл.(2>1)")
        << QStringLiteral("Недопустимый разбаланс флангов датчика <Ватрел-А> № 501. Ёмкость 2 "
                          "фл. больше ёмкости 1")
        << true;
    QTest::newRow("9 type A, both disarmed, alarms anyway")
        << 0 << 9 << 0 << 0 << QStringLiteral("Ошибка ППЗУ")
        << QStringLiteral("Ошибка ППЗУ датчика <Ватрел-А> № 501") << true;
    QTest::newRow("9 type B, both disarmed, alarms anyway")
        << 1 << 9 << 0 << 0 << QStringLiteral("Ошибка ППЗУ")
        << QStringLiteral("Ошибка ППЗУ датчика <Ватрел-Б> № 501") << true;
    QTest::newRow("10 loop 1 armed") << 1 << 10 << 1 << 1
                                     << QStringLiteral("Сопр.изол.ЧЭ1 ниже нормы. Обрыв ЧЭ1")
                                     << QStringLiteral(
                                            "Сопротивление изоляции первого ЧЭ датчика <Ватрел-Б> № 501 ниже "
                                            "нормы. Обрыв первого ЧЭ")
                                     << true;
    QTest::newRow("11 loop 2 disarmed")
        << 1 << 11 << 1 << 0 << QStringLiteral("Сопр.изол.ЧЭ2 ниже нормы. Обрыв ЧЭ2")
        << QStringLiteral("Сопротивление изоляции второго ЧЭ датчика <Ватрел-Б> № 501 "
                          "ниже нормы. Обрыв второго ЧЭ")
        << false;
}

void TestStatusDecoder::faultCodes() {
    QFETCH(int, type);
    QFETCH(int, code);
    QFETCH(int, armed1);
    QFETCH(int, armed2);
    QFETCH(QString, state);
    QFETCH(QString, event);
    QFETCH(bool, alarm);

    DecoderFixture f;
    f.addOnlineSensor(5, 501, qint16(type), armed1, armed2);
    f.status(501, quint8(code));

    QCOMPARE(f.c.sensors.record(5).status, code);
    QCOMPARE(f.cell(9, 5), state);
    QCOMPARE(f.colour(5), kAlarm);
    const auto daily = f.daily();
    QCOMPARE(daily.size(), qsizetype(1));
    QCOMPARE(daily[0].code, code);
    QCOMPARE(daily[0].text, event);
    QCOMPARE(daily[0].factory_number, 501u);
    const auto own = f.sensorLog(501, type != 0);
    QCOMPARE(own.size(), qsizetype(1));
    QCOMPARE(own[0].text, event);
    QCOMPARE(f.c.alarms.total(), alarm ? 1u : 0u);
    QCOMPARE(f.ui.alarmWindowShown, alarm ? 1 : 0);
    if (alarm) QCOMPARE(f.c.alarms.alarms().at(0).event.text, event);
    // Loop cells are not touched by a fault.
    QCOMPARE(f.c.sensors.record(5).loop1_alarm, quint8(0));
    QCOMPARE(f.cell(3, 5), QString());
}

void TestStatusDecoder::sameFaultTwiceLogsOnce() {
    DecoderFixture f;
    f.addOnlineSensor(1, 600, 1, 1, 1);
    f.status(600, 4);
    f.status(600, 4);
    QCOMPARE(f.daily().size(), qsizetype(1));
    QCOMPARE(f.c.alarms.total(), 1u);
    // A different fault is a new event; then back to normal.
    f.status(600, 5);
    f.status(600, 0);
    QCOMPARE(eventCodes(f.daily()), (QList<int>{4, 5, 0}));
    QCOMPARE(f.daily().back().text, QStringLiteral("Возврат в дежурное состояние датчика <Ватрел-Б> № 600"));
    QCOMPARE(f.colour(1), kGreen);
    QCOMPARE(f.cell(9, 1), QStringLiteral("Норма"));
}

void TestStatusDecoder::armedLoopTriggersAndReturns() {
    DecoderFixture f;
    f.addOnlineSensor(7, 4321, 0, 0, 1); // type A, loop 2 armed
    f.status(4321, 0x40);
    QCOMPARE(f.cell(4, 7), QStringLiteral("Тревога"));
    QCOMPARE(f.c.sensors.record(7).loop2_alarm, quint8(1));
    QCOMPARE(f.colour(7), kAlarm);
    QCOMPARE(f.c.alarms.total(), 1u);
    QCOMPARE(f.ui.alarmWindowShown, 1);
    QCOMPARE(f.c.alarms.alarms().at(0).event.text,
             QStringLiteral("Срабатывание 2 шлейфа датчика <Ватрел-А> № 4321"));

    f.status(4321, 0x40); // still in alarm: nothing new
    QCOMPARE(f.c.alarms.total(), 1u);

    f.status(4321, 0x00);
    QCOMPARE(f.cell(4, 7), QStringLiteral("Норма"));
    QCOMPARE(f.colour(7), kGreen);
    QCOMPARE(f.c.alarms.total(), 1u); // a return is never an alarm

    const QStringList expected{QStringLiteral("Срабатывание 2 шлейфа датчика <Ватрел-А> № 4321"),
                               QStringLiteral("Возврат в норму 2 шлейфа датчика <Ватрел-А> № 4321")};
    QCOMPARE(eventTexts(f.daily()), expected);
    QCOMPARE(eventCodes(f.daily()), (QList<int>{33, 0}));
    QCOMPARE(eventTexts(f.sensorLog(4321, false)), expected);

    // Loop 1 of the same sensor, armed now.
    f.c.sensors.record(7).loop1_armed = 1;
    f.status(4321, 0x80);
    QCOMPARE(f.daily().back().text, QStringLiteral("Срабатывание 1 шлейфа датчика <Ватрел-А> № 4321"));
    QCOMPARE(f.c.alarms.total(), 2u);
}

void TestStatusDecoder::disarmedLoopIsSilent() {
    DecoderFixture f;
    f.addOnlineSensor(2, 900, 1, 0, 0);
    f.status(900, 0x80);
    QCOMPARE(f.cell(3, 2), QStringLiteral("Тревога"));
    QCOMPARE(f.colour(2), kAlarm);
    f.status(900, 0x00);
    QCOMPARE(f.cell(3, 2), QStringLiteral("Норма"));
    QCOMPARE(f.colour(2), kAqua);
    QVERIFY(f.daily().empty());
    QVERIFY(f.sensorLog(900, true).empty());
    QCOMPARE(f.c.alarms.total(), 0u);
    QCOMPARE(f.ui.alarmWindowShown, 0);
}

void TestStatusDecoder::codeZeroWithBothBitsKeepsState() {
    DecoderFixture f;
    f.addOnlineSensor(4, 1500, 1, 0, 0);
    f.status(1500, 1); // an unknown code: status leaves 0, colour stays aqua
    QCOMPARE(f.colour(4), kAqua);

    f.status(1500, 0xC0);
    const SensorRecord& r = f.c.sensors.record(4);
    QVERIFY(r.status != 0); // kept until both bits clear
    QCOMPARE(r.loop1_alarm, quint8(1));
    QCOMPARE(r.loop2_alarm, quint8(1));
    QCOMPARE(f.cell(3, 4), QStringLiteral("Тревога"));
    QCOMPARE(f.cell(4, 4), QStringLiteral("Тревога"));
    QCOMPARE(f.cell(9, 4), QStringLiteral("Норма"));
    QCOMPARE(f.colour(4), kAlarm);
    QVERIFY(f.daily().empty()); // both loops disarmed

    f.status(1500, 0x00);
    QCOMPARE(r.status, 0);
    QCOMPARE(f.colour(4), kAqua);
    QCOMPARE(f.cell(3, 4), QStringLiteral("Норма"));
    QCOMPARE(f.cell(4, 4), QStringLiteral("Норма"));
    QCOMPARE(eventTexts(f.daily()),
             QStringList{QStringLiteral("Возврат в дежурное состояние датчика <Ватрел-Б> № 1500")});
}

void TestStatusDecoder::stateStepStillAlarmsAnArmedLoop() {
    // Code 0 with both loop bits set, arriving while the state is not 0 and the row is not in alarm
    // colour: each armed loop still logs its triggering and raises an alarm, once.
    DecoderFixture f;
    f.addOnlineSensor(4, 1501, 1, 1, 1);
    f.status(1501, 6); // unknown code
    QCOMPARE(f.colour(4), kGreen);
    f.status(1501, 0xC0);
    QCOMPARE(eventTexts(f.daily()),
             (QStringList{QStringLiteral("Срабатывание 1 шлейфа датчика <Ватрел-Б> № 1501"),
                          QStringLiteral("Срабатывание 2 шлейфа датчика <Ватрел-Б> № 1501")}));
    QCOMPARE(eventCodes(f.daily()), (QList<int>{33, 33}));
    QCOMPARE(f.c.alarms.total(), 2u);
    f.status(1501, 0xC0);
    QCOMPARE(f.c.alarms.total(), 2u);
}

void TestStatusDecoder::loopTwoResetsColourOnCodeZeroAlone() {
    DecoderFixture f;
    f.addOnlineSensor(8, 2000, 1, 0, 0);
    f.status(2000, 4);    // fault: status 4, row alarm
    f.status(2000, 0x44); // loop 2 in alarm on top
    QCOMPARE(f.c.sensors.record(8).loop2_alarm, quint8(1));

    // Loop 1 leaving alarm under a fault keeps the alarm colour.
    f.status(2000, 0x84);
    f.status(2000, 0x04);
    QCOMPARE(f.cell(3, 8), QStringLiteral("Норма"));
    QCOMPARE(f.colour(8), kAlarm);

    // Code 0 with loop 1 in alarm leaves the state at 4; loop 2 leaving alarm recolours the row on
    // the reported code alone.
    f.status(2000, 0xC4);
    f.status(2000, 0x80);
    QCOMPARE(f.c.sensors.record(8).status, 4);
    QCOMPARE(f.cell(4, 8), QStringLiteral("Норма"));
    QCOMPARE(f.cell(3, 8), QStringLiteral("Тревога"));
    QCOMPARE(f.colour(8), kAqua);
}

void TestStatusDecoder::unknownStateCode() {
    DecoderFixture f;
    f.addOnlineSensor(0, 3000, 1, 1, 0);
    f.status(3000, 4);
    QCOMPARE(f.cell(9, 0), QStringLiteral("Обрыв ЧЭ 1"));
    for (int code : {1, 6, 12, 15, 63}) {
        f.status(3000, quint8(code));
        const int s = f.c.sensors.record(0).status;
        QVERIFY2(s != 0 && s != 15 && (s < 2 || s > 11), qPrintable(QString::number(s)));
        QCOMPARE(f.cell(9, 0), QString());
        QCOMPARE(f.colour(0), kAlarm); // colour untouched
    }
    QCOMPARE(f.daily().size(), qsizetype(1));
    f.status(3000, 0);
    QCOMPARE(f.daily().back().text, QStringLiteral("Возврат в дежурное состояние датчика <Ватрел-Б> № 3000"));
    QCOMPARE(f.colour(0), kGreen);
}

void TestStatusDecoder::noLinkTwice() {
    DecoderFixture f;
    f.addOnlineSensor(10, 2500, 0, 1, 0);
    const QByteArray lost = reportText({0x01FF, 0, 2500});
    f.send(lost);

    const SensorRecord& r = f.c.sensors.record(10);
    QVERIFY(!f.c.sensors.isOnline(10));
    QCOMPARE(f.link(10), SlotLink::Lost);
    QCOMPARE(r.link_up, qint16(0));
    QCOMPARE(r.status, 15);
    QCOMPARE(f.cell(9, 10), QStringLiteral("Нет связи"));
    QCOMPARE(f.cell(3, 10), QStringLiteral("Тревога"));
    QCOMPARE(f.cell(4, 10), QStringLiteral("Тревога"));
    QCOMPARE(f.colour(10), kLinkLost);
    const auto daily = f.daily();
    QCOMPARE(daily.size(), qsizetype(1));
    QCOMPARE(daily[0].code, 15);
    QCOMPARE(daily[0].text, QStringLiteral("Нет связи с датчиком <Ватрел-А> № 2500"));
    QCOMPARE(eventTexts(f.sensorLog(2500, false)), QStringList{daily[0].text});
    QCOMPARE(f.c.alarms.total(), 1u);
    QCOMPARE(f.c.alarms.alarms().at(0).event.text, QStringLiteral("Нет связи с датчиком <Ватрел-А> № 2500"));

    // Again, after something else recoloured the row: only the colour comes back.
    f.c.sensorRows.setColour(10, kGreen);
    f.send(lost);
    QCOMPARE(f.colour(10), kLinkLost);
    QCOMPARE(f.daily().size(), qsizetype(1));
    QCOMPARE(f.c.alarms.total(), 1u);
    QCOMPARE(f.cell(3, 10), QStringLiteral("Тревога"));
    QCOMPARE(f.cell(4, 10), QStringLiteral("Тревога"));

    // Disarmed sensor: the event, but no alarm.
    f.addOnlineSensor(11, 2501, 1, 0, 0);
    f.send(reportText({0x01FF, 0, 2501}));
    QCOMPARE(f.daily().back().text, QStringLiteral("Нет связи с датчиком <Ватрел-Б> № 2501"));
    QCOMPARE(f.c.alarms.total(), 1u);

    // The link comes back with the loops marked by the loss returning to normal.
    f.status(2500, 0x00);
    QCOMPARE(eventTexts(f.sensorLog(2500, false)),
             (QStringList{QStringLiteral("Нет связи с датчиком <Ватрел-А> № 2500"),
                          QStringLiteral("Восстановлена связь с датчиком <Ватрел-А> № 2500"),
                          QStringLiteral("Возврат в дежурное состояние датчика <Ватрел-А> № 2500"),
                          QStringLiteral("Возврат в норму 1 шлейфа датчика <Ватрел-А> № 2500")}));
    QCOMPARE(f.link(10), SlotLink::Up);
    QCOMPARE(f.cell(4, 10), QStringLiteral("Норма"));
    QCOMPARE(f.colour(10), kGreen);
}

void TestStatusDecoder::allSensorsLost() {
    DecoderFixture f;
    f.c.status.showWaitPanel(true);
    f.addOnlineSensor(0, 100, 1, 1, 0);
    f.addOnlineSensor(7, 300, 0, 0, 0);
    f.c.sensors.record(7).loop2_alarm = 1; // loop 2 already in alarm
    f.addSensor(199, 200, 0);              // never answered
    f.c.sensorRows.setColour(199, kAqua);

    f.c.decoder().converterLost();

    QVERIFY(!f.c.status.waitPanelShown());
    QVERIFY(f.ui.changes[int(ConsoleUi::View::WaitPanel)] > 0);
    for (int slot : {0, 7, 199}) {
        QCOMPARE(f.colour(slot), kLinkLost);
        QCOMPARE(f.c.sensors.record(slot).link_up, qint16(0));
        QCOMPARE(f.c.sensors.record(slot).status, 15);
        QVERIFY(!f.c.sensors.isOnline(slot));
    }
    QCOMPARE(f.link(0), SlotLink::Lost);
    QCOMPARE(f.cell(9, 0), QStringLiteral("Нет связи"));
    QCOMPARE(f.cell(3, 7), QStringLiteral("Тревога"));
    QCOMPARE(f.cell(4, 7), QString());   // was already marked: not rewritten
    QCOMPARE(f.cell(9, 199), QString()); // had no link: no event, no text
    for (int slot = 1; slot < 199; ++slot)
        if (slot != 7) QCOMPARE(f.colour(slot), kSilver);

    QCOMPARE(eventTexts(f.daily()), (QStringList{QStringLiteral("Нет связи с датчиком <Ватрел-Б> № 100"),
                                                 QStringLiteral("Нет связи с датчиком <Ватрел-А> № 300")}));
    QCOMPARE(f.c.alarms.total(), 1u); // only sensor 100 has a loop armed
    QVERIFY(f.sensorLog(200, false).empty());

    f.c.decoder().converterLost();
    QCOMPARE(f.daily().size(), qsizetype(2));
}

void TestStatusDecoder::numbersAboveSignedRange() {
    DecoderFixture f;
    f.addSensor(50, 40000, 1);
    f.addSensor(51, 65535, 0);
    f.status(40000, 0);
    f.status(65535, 0);
    QCOMPARE(f.c.sensors.record(50).link_up, qint16(1));
    QCOMPARE(f.c.sensors.record(51).link_up, qint16(1));
    QCOMPARE(f.sensorLog(40000, true).front().text,
             QStringLiteral("Восстановлена связь с датчиком <Ватрел-Б> № 40000"));
    QCOMPARE(f.sensorLog(65535, false).front().text,
             QStringLiteral("Восстановлена связь с датчиком <Ватрел-А> № 65535"));
    QCOMPARE(f.daily().front().factory_number, 40000u);
}

void TestStatusDecoder::countersForChecksumErrorsAndTimeouts() {
    DecoderFixture f;
    f.addOnlineSensor(12, 812, 1);
    f.send(reportText({0x01FD, 0, 812}));
    f.send(reportText({0x01FD, 0, 812}));
    f.send(reportText({0x01FE, 0, 812}));
    QCOMPARE(f.c.link.slotCount(SlotCount::ChecksumErrors, 12), 2);
    QCOMPARE(f.c.link.slotCount(SlotCount::Timeouts, 12), 1);
    QVERIFY(f.c.link.slotDiagnostics(12).countsShown);
    QVERIFY(f.daily().empty());
    QCOMPARE(f.colour(12), kAqua);

    // Years of a noisy line: a count wraps round instead of overflowing.
    QCOMPARE(nextCount(2147483647), qint32(-2147483647 - 1));
}

void TestStatusDecoder::handWrittenFrames() {
    DecoderFixture f;
    f.addOnlineSensor(3, 1234, 1, 1, 0);
    f.addOnlineSensor(4, 40000, 1);
    // Type B, status 0x80 (loop 1 in alarm), layout 2.
    f.send("0141000004D2000200800000000000800"
           "03F00000000002000C0002400B900FC003D0000000000C80042AB");
    QCOMPARE(f.cell(3, 3), QStringLiteral("Тревога"));
    QCOMPARE(f.daily().back().text, QStringLiteral("Срабатывание 1 шлейфа датчика <Ватрел-Б> № 1234"));
    QCOMPARE(f.colour(3), kAlarm);
    QCOMPARE(f.cell(5, 3), QStringLiteral("1.000"));
    f.send("01FD000004D230");
    QCOMPARE(f.c.link.slotCount(SlotCount::ChecksumErrors, 3), 1);
    f.send("01FF00009C40C0");
    QCOMPARE(f.colour(4), kLinkLost);
    QCOMPARE(f.cell(3, 4), QStringLiteral("Тревога"));
}

void TestStatusDecoder::ignoredReports() {
    DecoderFixture f;
    f.addOnlineSensor(0, 1234, 1, 1, 1);
    const auto before = f.c.sensors.record(0).encode();

    f.status(4321, 0x84);                                                 // unknown number
    f.send(reportText(DecoderFixture::statusWords(1234, 0x84, 0, 0x43))); // unknown code
    // Number 0 names no sensor, even with empty slots around.
    f.send(reportText(DecoderFixture::statusWords(0, 0x84)));
    QVERIFY(f.c.sensors.record(1).factory_number == 0 && f.c.sensors.record(1).link_up == 0);
    QCOMPARE(f.colour(1), kSilver);

    // Too short to hold the number, or the status byte.
    const QByteArray full = reportText(DecoderFixture::statusWords(1234, 0x84));
    for (int len : {0, 4, 12, 13, 20, 21}) {
        std::vector<char> buf(full.constData(), full.constData() + len);
        f.c.decoder().decode(buf.data(), len, 0x41);
        if (len < 14) f.c.decoder().decode(buf.data(), len, 0xFF);
    }
    f.c.decoder().decode(nullptr, 100, 0x41);
    QCOMPARE(f.c.sensors.record(0).encode(), before);
    QVERIFY(f.daily().empty());
    QCOMPARE(f.c.alarms.total(), 0u);

    // Exactly long enough for the status byte: decoded.
    f.c.decoder().decode(full.constData(), 22, 0x41);
    QCOMPARE(f.c.sensors.record(0).status, 4);
}

QTEST_GUILESS_MAIN(TestStatusDecoder)
#include "tst_statusdecoder.moc"
