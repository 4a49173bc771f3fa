// SPDX-License-Identifier: GPL-3.0-or-later
// The event catalogue against the codes, colours, filters and alarm rules the logs and the windows
// depend on, written out here.
#include "registry/EventCatalogue.h"

#include <QTest>

using namespace vatrel;
using E = EventCode;

class TestEventCatalogue : public QObject {
    Q_OBJECT

private slots:
    void everyEventHasItsStoredCode() {
        // clang-format off
        const std::pair<E, int> expected[] = {
            {E::SensorNormal, 0}, {E::LoopNormal1, 0}, {E::LoopNormal2, 0}, {E::InsulationLow1, 2},
            {E::InsulationLow2, 3}, {E::ElementBreak1, 4}, {E::ElementBreak2, 5}, {E::FlankImbalance12, 7},
            {E::FlankImbalance21, 8}, {E::EepromError, 9}, {E::InsulationLowBreak1, 10},
            {E::InsulationLowBreak2, 11}, {E::LoopAlarm1, 33}, {E::LoopAlarm2, 33}, {E::LinkLostSensor, 15},
            {E::NoLinkAfterConnect, 15}, {E::LinkLostConverter, 15}, {E::LinkRestoredSensor, 32},
            {E::LinkRestoredConverter, 32}, {E::ArmLoop1, 16}, {E::ArmLoop2, 17}, {E::DisarmLoop1, 18},
            {E::DisarmLoop2, 19}, {E::SensorConnected, 30}, {E::SensorDisconnected, 31}, {E::ShiftChange, 23},
            {E::AlarmAcknowledged, 24}, {E::AlarmsCleared, 25}, {E::TimedDisarmLoop1, 18},
            {E::TimedDisarmLoop2, 19}, {E::TimedArmLoop1, 16}, {E::TimedArmLoop2, 17}, {E::ProgramStart, 20},
            {E::ProgramExit, 20}, {E::FeedNotUsed, 20}, {E::NotSavedAtExit, 20}, {E::OldNotice, 21},
            {E::OldAlarm, 34}, {E::ListingEnd, 46}};
        // clang-format on
        // A new event needs a line here as well as its row in the catalogue.
        QCOMPARE(int(E::Count), int(std::size(expected)));
        for (const auto& [event, code] : expected) {
            QCOMPARE(eventInfo(event).event, event);
            QCOMPARE(int(storedCode(event)), code);
        }
        QCOMPARE(armCode(true, 1), E::ArmLoop1);
        QCOMPARE(armCode(true, 2), E::ArmLoop2);
        QCOMPARE(armCode(false, 1), E::DisarmLoop1);
        QCOMPARE(armCode(false, 2), E::DisarmLoop2);
        QCOMPARE(loopAlarmCode(2), E::LoopAlarm2);
        QCOMPARE(loopNormalCode(1), E::LoopNormal1);
        // Sensor state codes raise the fault of the same number; the others raise none.
        for (int state : {2, 3, 4, 5, 7, 8, 9, 10, 11})
            QCOMPARE(int(storedCode(faultEvent(state).value())), state);
        for (int state : {0, 1, 6, 12, 15, 33, 63})
            QVERIFY2(!faultEvent(state), qPrintable(QString::number(state)));
    }

    void alarmsFollowTheLoopsArming() {
        struct Case {
            E event;
            bool none, loop1, loop2;
        };
        const Case cases[] = {
            {E::InsulationLow1, false, true, false},     {E::FlankImbalance21, false, false, true},
            {E::EepromError, true, true, true},          {E::LinkLostSensor, false, true, true},
            {E::LoopAlarm2, true, true, true},           {E::NoLinkAfterConnect, false, false, false},
            {E::LinkLostConverter, false, false, false}, {E::LoopNormal1, false, false, false},
            {E::SensorNormal, false, false, false},      {E::DisarmLoop1, false, false, false}};
        for (const Case& k : cases) {
            const QByteArray at = QByteArray::number(int(k.event));
            QVERIFY2(raisesAlarm(k.event, false, false) == k.none, at);
            QVERIFY2(raisesAlarm(k.event, true, false) == k.loop1, at);
            QVERIFY2(raisesAlarm(k.event, false, true) == k.loop2, at);
            QVERIFY2(isAlarm(k.event) == (k.none || k.loop1 || k.loop2), at);
        }
        // Whatever can alarm is found under "Тревожные" or "Потери связи", and no written event is
        // under both.
        for (int i = 0; i < int(E::Count); ++i) {
            const E e = E(i);
            const bool alarms = inFilter(e, LogFilter::Alarms), link = inFilter(e, LogFilter::LinkLoss);
            if (isAlarm(e)) QVERIFY2(alarms || link, qPrintable(QString::number(i)));
            if (eventInfo(e).text) QVERIFY2(!(alarms && link), qPrintable(QString::number(i)));
            QVERIFY(inFilter(e, LogFilter::All));
        }
    }

    void codesReadBackKeepColourAndFilters() {
        const std::pair<int, Colour> colours[] = {
            {15, 0x0000AB}, {33, 0x0000FF}, {34, 0x0000FF}, {0, 0x008000}, {32, 0x008000}, {30, 0}, {-5, 0}};
        for (const auto& [code, colour] : colours)
            QVERIFY2(colourOf(code) == colour, qPrintable(QString::number(code)));
        QCOMPARE(colourOf(E::ElementBreak2), 0x0000FFu);
        // Codes the program never wrote show under both filters, all but 21.
        for (int code : {-128, 1, 12, 26, 99, 127})
            QVERIFY(inFilter(code, LogFilter::Alarms) && inFilter(code, LogFilter::LinkLoss));
        QVERIFY(!inFilter(21, LogFilter::Alarms) && !inFilter(21, LogFilter::LinkLoss));
    }

    void textsFillNumberTypeAndDetail() {
        QCOMPARE(eventText(E::EepromError, 77, 1), QString("Ошибка ППЗУ датчика <Ватрел-Б> № 77"));
        QCOMPARE(eventText(E::InsulationLow1, 5, 0),
                 QString("Сопротивление изоляции первого чувствительного элемента датчика <Ватрел-Б> № 5 "
                         "ниже нормы"));
        QCOMPARE(eventText(E::LoopAlarm2, quint32(-5), 0),
                 QString("Срабатывание 2 шлейфа датчика <Ватрел-А> № -5"));
        QCOMPARE(eventText(E::SensorConnected, 12, 0, QStringLiteral("Иванов %1")),
                 QString("Датчик <Ватрел-А> № 12 подключён. Оператор: Иванов %1"));
        QCOMPARE(eventText(E::OldAlarm, 1, 0), QString());
    }
};

QTEST_GUILESS_MAIN(TestEventCatalogue)
#include "tst_eventcatalogue.moc"
