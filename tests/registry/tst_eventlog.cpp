// SPDX-License-Identifier: GPL-3.0-or-later
// The event writers: the event list, sensor log files, daily log files.
#include "common/ConsoleFixture.h"
#include "common/DataFiles.h"
#include "registry/DateTime.h"
#include "registry/EventLog.h"
#include "registry/LogReader.h"
#include "core/Startup.h"
#include "registry/Storage.h"

#include <QDir>
#include <sys/stat.h>

using namespace vatrel;
using namespace vatrel::testing;

namespace {
EventRecord logEvent(quint32 number, EventCode code, const QString& text, double time = 45748.5) {
    EventRecord e;
    e.mark = 1;
    e.factory_number = number;
    e.time = time;
    e.code = storedCode(code);
    e.text = text;
    return e;
}
} // namespace

class TestEventLog : public QObject {
    Q_OBJECT
private slots:
    void sensorFileGetsWholeRecords() {
        ConsoleFixture f;
        for (int i = 0; i < 3; ++i)
            f.c.eventLog.logSensorEvent(
                logEvent(1234, EventCode::LoopAlarm1, QStringLiteral("Срабатывание 1 шлейфа")), 0);
        const QByteArray file = f.read("VatrelA_mess/1234");
        QCOMPARE(file.size(), 984);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(file[328 * i], '\x01');
        QCOMPARE(f.read("QReport/01.04.2025").size(), 984);
        QVERIFY(!f.exists("VatrelB_mess/1234"));

        f.c.eventLog.logSensorEvent(logEvent(1234, EventCode::SensorNormal, QStringLiteral("Норма")), 1);
        QCOMPARE(f.read("VatrelB_mess/1234").size(), 328);
    }

    void listKeepsTheEventsInOrder() {
        ConsoleFixture f;
        f.c.eventLog.logSensorEvent(
            logEvent(7, EventCode::LinkLostSensor, QStringLiteral("Нет связи с датчиком")), 0);
        f.c.eventLog.logProgramEvent(
            logEvent(0, EventCode::ProgramStart, QStringLiteral("Начало работы"), 45748.0));
        const EventList& list = f.c.events;
        QCOMPARE(list.count(), 2);
        QCOMPARE(list.at(0).text, QStringLiteral("Нет связи с датчиком"));
        QCOMPARE(list.at(0).code, qint8(15));
        QCOMPARE(list.at(0).time, 45748.5);
        QCOMPARE(list.at(1).text, QStringLiteral("Начало работы"));
        QCOMPARE(list.at(1).code, qint8(20));
        QCOMPARE((QList<quint64>{list.firstNumber(), list.lastNumber()}), (QList<quint64>{1, 2}));
        QCOMPARE(list.at(2).number, quint64(0)); // past the newest: nothing
        QVERIFY(list.at(2).text.isEmpty());
        // Each event is announced to the windows as a change of the list.
        QCOMPARE(f.ui.changes[int(ConsoleUi::View::EventList)], 2);
    }

    void fiveHundredAndFirstEventPushesTheOldestOut() {
        ConsoleFixture f;
        for (int n = 1; n <= 501; ++n)
            f.c.eventLog.logSensorEvent(logEvent(0,
                                                 n % 2 ? EventCode::InsulationLow1 : EventCode::SensorNormal,
                                                 QStringLiteral("e%1").arg(n)),
                                        0);
        const EventList& list = f.c.events;
        QCOMPARE(list.count(), 500);
        QVERIFY(list.isFull());
        QCOMPARE(list.at(0).text, QStringLiteral("e2"));
        QCOMPARE(list.at(0).code, qint8(0));
        QCOMPARE(list.at(1).text, QStringLiteral("e3"));
        QCOMPARE(list.at(499).text, QStringLiteral("e501"));
        QCOMPARE((QList<quint64>{list.firstNumber(), list.lastNumber()}), (QList<quint64>{2, 501}));

        f.c.eventLog.logSensorEvent(logEvent(0, EventCode::SensorNormal, QStringLiteral("e502")), 0);
        QCOMPARE(list.count(), 500);
        QCOMPARE(list.at(0).text, QStringLiteral("e3"));
        QCOMPARE(list.at(0).code, qint8(2));
        QCOMPARE(list.at(499).text, QStringLiteral("e502"));
        QCOMPARE(f.read("QReport/01.04.2025").size(), 502 * 328);
    }

    // The change marks a view takes from a grid: runs of rows with the same changed columns, and a
    // cell written again with its own text is no change.
    void gridMarksChangedCellsForItsView() {
        TextGrid g(2, 501, 2);
        QList<QList<int>> rects;
        auto take = [&] {
            rects.clear();
            g.takeChanges([&](int r0, int r1, int c0, int c1) { rects << QList<int>{r0, r1, c0, c1}; });
            return rects;
        };
        g.set(0, 1, QStringLiteral("t1"));
        g.set(1, 1, QStringLiteral("e1"));
        QCOMPARE(take(), (QList<QList<int>>{{1, 1, 0, 1}}));
        g.set(1, 1, QStringLiteral("e1"));
        QVERIFY(!g.hasChanges());
        g.set(1, 3, QStringLiteral("x"));
        g.set(0, 4, QStringLiteral("y"));
        g.set(1, 4, QStringLiteral("z"));
        g.set(1, 5, QStringLiteral("w"));
        g.set(1, 6, QStringLiteral("v"));
        QCOMPARE(take(), (QList<QList<int>>{{3, 3, 1, 1}, {4, 4, 0, 1}, {5, 6, 1, 1}}));
        QVERIFY(take().isEmpty());
    }

    void eventWithoutSensorNumber() {
        ConsoleFixture f;
        f.c.eventLog.logSensorEvent(logEvent(0, EventCode::ProgramStart, QStringLiteral("x")), 0);
        QVERIFY(QDir(f.file("VatrelA_mess")).isEmpty());
        QCOMPARE(f.read("QReport/01.04.2025").size(), 328);
        QCOMPARE(f.c.events.count(), 1);
    }

    void topBitNumberNamesFilesDifferently() {
        ConsoleFixture f;
        const quint32 minusFive = quint32(-5);
        f.c.eventLog.logSensorEvent(
            logEvent(minusFive, EventCode::SensorConnected, QStringLiteral("Подключён")), 0);
        QCOMPARE(f.read("VatrelA_mess/-5").size(), 328);

        SensorRecord r = SensorRecord::startupDefault();
        r.factory_number = minusFive;
        f.c.store.saveSensorSettings(r, 'a');
        QCOMPARE(f.read("VatrelA/4294967291").size(), 232);
    }

    void missingDailyFolder() {
        ConsoleFixture f({"data", "VatrelA", "VatrelA_mess"});
        f.ui.expectMessage(QStringLiteral("Put_msg: не открылся файл QReport\\01.04.2025"),
                           QStringLiteral("Ошибка"));
        f.ui.expectMessage(QStringLiteral("Put_msg: не открылся файл QReport\\01.04.2025"),
                           QStringLiteral("Ошибка"));
        f.c.eventLog.logSensorEvent(logEvent(1234, EventCode::SensorNormal, QStringLiteral("первое")), 0);
        f.c.eventLog.logProgramEvent(logEvent(0, EventCode::ProgramStart, QStringLiteral("второе")));
        QVERIFY(f.ui.allExpectedShown());
        QCOMPARE(f.ui.boxes.size(), 2);
        QCOMPARE(f.ui.boxes[0].icon, ConsoleUi::Icon::Error);
        QCOMPARE(f.c.events.count(), 2);
        QCOMPARE(f.c.events.at(1).text, QStringLiteral("второе"));
        QCOMPARE(f.read("VatrelA_mess/1234").size(), 328); // the sensor file was still written
    }

    void missingSensorFolder() {
        ConsoleFixture f({"QReport"});
        const QString path = f.file("VatrelB_mess/99");
        f.ui.expectMessage(QStringLiteral("Put_msg: не открылся файл ") + path);
        f.c.eventLog.logSensorEvent(logEvent(99, EventCode::SensorNormal, QStringLiteral("x")), 1);
        QVERIFY(f.ui.allExpectedShown());
        QCOMPARE(f.read("QReport/01.04.2025").size(), 328);
    }

    void dailyLogThatIsAPipe() {
        // The start event must not wait for a reader of a pipe in the day's log's place: the record
        // is kept like one the disk refused, and the log reader refuses the pipe too.
        ConsoleFixture f;
        const QString daily = f.file("QReport/01.04.2025");
        QCOMPARE(::mkfifo(QFile::encodeName(daily).constData(), 0600), 0);
        f.ui.expectMessage(
            QStringLiteral("Put_msg: не записался файл QReport\\01.04.2025. События хранятся в "
                           "памяти и будут записаны, когда запись станет возможной"));
        f.c.eventLog.logProgramEvent(logEvent(0, EventCode::ProgramStart, QStringLiteral("Начало работы")));
        QVERIFY(f.ui.allExpectedShown());
        QCOMPARE(f.c.journal.keptCount(), size_t(1));
        QFile log(daily);
        QVERIFY(!openLogFile(log));
    }

    void eventsAcrossMidnight() {
        ConsoleFixture f;
        f.now = QDateTime(QDate(2025, 3, 31), QTime(23, 59, 59));
        f.c.eventLog.logProgramEvent(
            f.c.eventLog.makeEvent(0, EventCode::ProgramStart, QStringLiteral("до")));
        f.now = QDateTime(QDate(2025, 4, 1), QTime(0, 0, 1));
        f.c.eventLog.logProgramEvent(
            f.c.eventLog.makeEvent(0, EventCode::ProgramStart, QStringLiteral("после")));
        QCOMPARE(f.read("QReport/31.03.2025").size(), 328);
        QCOMPARE(f.read("QReport/01.04.2025").size(), 328);
        QCOMPARE(formatDateTime(f.c.events.at(0).time), QStringLiteral("31.03.2025 23:59:59"));
        QCOMPARE(formatDateTime(f.c.events.at(1).time), QStringLiteral("01.04.2025 00:00:01"));
    }
};

QTEST_GUILESS_MAIN(TestEventLog)
#include "tst_eventlog.moc"
