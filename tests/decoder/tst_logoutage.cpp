// SPDX-License-Identifier: GPL-3.0-or-later
// A disk that stops taking writes: alarms keep coming, nothing is lost and no file is left with a
// part-record. The disk filling up is played by the process's file size limit, which makes the
// kernel cut a write short exactly as a full disk does, without needing a file system of our own.
#include "DecoderFixture.h"
#include "link/Engine.h"
#include "registry/EventLog.h"
#include "registry/Storage.h"

#include <csignal>
#include <sys/resource.h>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

// While alive, no file may grow past `bytes`; writes beyond it fail (the signal is ignored).
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit l = m_old;
        l.rlim_cur = rlim_t(bytes);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &l), 0);
    }
    ~FileSizeLimit() { lift(); }
    void lift() { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old{};
};

const QString kOutageBox = QStringLiteral("Put_msg: не записался файл VatrelA_mess\\4321. События хранятся "
                                          "в памяти и будут записаны, когда запись станет возможной");

void clockTick(Console& c) { onClockTick(c.status, c.clock, c.journal, c.eventLog, c.converterPort()); }

} // namespace

class TestLogOutage : public QObject {
    Q_OBJECT
private slots:
    void fullDiskKeepsEveryEventInOrder() {
        DecoderFixture f;
        f.addOnlineSensor(7, 4321, 0, 0, 1); // loop 2 armed
        f.c.link.setState(ConverterState::Up);
        QStringList texts;
        QList<double> times;
        auto toggle = [&](bool on) {
            f.now = f.now.addSecs(1);
            f.status(4321, on ? 0x40 : 0x00);
            texts << (on ? QStringLiteral("Срабатывание 2 шлейфа датчика <Ватрел-А> № 4321")
                         : QStringLiteral("Возврат в норму 2 шлейфа датчика <Ватрел-А> № 4321"));
            times << f.c.now();
        };
        toggle(true);
        toggle(false);
        QCOMPARE(f.read("VatrelA_mess/4321").size(), 656);

        FileSizeLimit full(656 + 100); // the next record gets 100 bytes on disk, then no more
        f.ui.expectMessage(kOutageBox, QStringLiteral("Ошибка"));
        for (int i = 0; i < 4; ++i)
            toggle(i % 2 == 0);
        QCOMPARE(f.ui.boxes.size(), 1);
        QCOMPARE(f.c.alarms.total(), 3u); // alarms still reach the operator
        QCOMPARE(f.c.events.at(5).text, texts[5]);
        QCOMPARE(f.c.status.panel(0), QStringLiteral("Журнал не пишется: 8"));
        // The record cut short was taken back: both files end on their last whole record.
        QCOMPARE(f.read("VatrelA_mess/4321").size(), 656);
        QCOMPARE(f.read("QReport/15.03.2024").size(), 656);

        clockTick(f.c); // still full: nothing changes, no second box
        QCOMPARE(f.ui.boxes.size(), 1);

        full.lift();
        f.now = f.now.addSecs(30);
        clockTick(f.c); // the clock's tick writes the queue without waiting for a new event
        QCOMPARE(f.c.status.panel(0), QString());
        for (const auto& log : {f.sensorLog(4321, false), f.daily()}) {
            QCOMPARE(eventTexts(log), texts);
            QList<double> logged;
            for (const auto& e : log)
                logged << e.time;
            QCOMPARE(logged, times); // the times of the events, not of the late writing
        }

        // A second outage is told again, once; the first event after it goes behind the kept ones.
        FileSizeLimit again(6 * 328);
        f.ui.expectMessage(kOutageBox, QStringLiteral("Ошибка"));
        toggle(true);
        toggle(false);
        QCOMPARE(f.ui.boxes.size(), 2);
        QCOMPARE(f.c.status.panel(0), QStringLiteral("Журнал не пишется: 4"));
        again.lift();
        toggle(true);
        QCOMPARE(f.c.status.panel(0), QString());
        QCOMPARE(eventTexts(f.sensorLog(4321, false)), texts);
        QCOMPARE(eventTexts(f.daily()), texts);
    }

    // Three records fit, by their count or by the memory they take (unpacked while a batch fills).
    void fullQueueKeepsTheOldestAndSaysSoOnce_data() {
        QTest::addColumn<bool>("byMemory");
        QTest::newRow("count") << false;
        QTest::newRow("memory") << true;
    }
    void fullQueueKeepsTheOldestAndSaysSoOnce() {
        QFETCH(bool, byMemory);
        DecoderFixture f;
        if (byMemory)
            f.c.journal.setMemoryLimit(3 * EventRecord::kSize);
        else
            f.c.journal.setCapacity(3);
        FileSizeLimit full(0);
        f.ui.expectMessage(QStringLiteral("Put_msg: не записался файл VatrelB_mess\\9. События хранятся в "
                                          "памяти и будут записаны, когда запись станет возможной"));
        f.ui.expectMessage(QStringLiteral("Put_msg: память для незаписанных событий заполнена, новые "
                                          "события не сохраняются"));
        for (int i = 1; i <= 3; ++i)
            f.c.eventLog.logSensorEvent(
                f.c.eventLog.makeEvent(9, EventCode::SensorConnected, QStringLiteral("e%1").arg(i)), 1);
        QVERIFY(f.ui.allExpectedShown());
        QCOMPARE(f.ui.boxes.size(), 2);
        QCOMPARE(f.c.journal.dropped(), quint64(3));
        QCOMPARE(f.c.events.at(2).text, QStringLiteral("e3")); // the list still shows everything
        // Ending the run now loses the kept records: the operator is told how many.
        f.ui.expectMessage(QStringLiteral("Записи журнала, не попавшие на диск, будут потеряны: 3"));
        f.c.journal.reportLostAtExit(f.c.eventLog.outlet());
        QVERIFY(f.ui.allExpectedShown());
        QCOMPARE(f.ui.boxes.size(), 3);
        full.lift();
        f.c.journal.retryKept(f.c.eventLog.outlet());
        QCOMPARE(eventTexts(f.sensorLog(9, true)), (QStringList{"e1", "e2"}));
        QCOMPARE(eventTexts(f.daily()), (QStringList{"e1"}));
        QCOMPARE(f.c.status.panel(0), QString());
        f.c.journal.reportLostAtExit(f.c.eventLog.outlet()); // all written: nothing to say
        QCOMPARE(f.ui.boxes.size(), 3);
    }

    void longOutageKeepsEveryRecord() {
        // 60 000 events on a disk that takes nothing: 120 000 records, more than a plain queue of
        // records could hold in its memory. All reach their files, in order, once it takes them.
        DecoderFixture f;
        FileSizeLimit full(0);
        f.ui.allowMessagePrefix(QStringLiteral("Put_msg: не записался файл "));
        constexpr int kEvents = 60000;
        for (int i = 0; i < kEvents; ++i)
            f.c.eventLog.logSensorEvent(
                f.c.eventLog.makeEvent(4321, i % 2 ? EventCode::SensorNormal : EventCode::LoopAlarm1,
                                       QString::number(i)),
                0);
        QCOMPARE(f.c.journal.keptCount(), size_t(2 * kEvents));
        QCOMPARE(f.c.journal.dropped(), quint64(0));
        full.lift();
        f.c.journal.retryKept(f.c.eventLog.outlet());
        QCOMPARE(f.c.journal.keptCount(), size_t(0));
        for (const QList<LoggedEvent>& log : {f.daily(), f.sensorLog(4321, false)}) {
            QCOMPARE(log.size(), kEvents);
            for (int i = 0; i < kEvents; i += 997)
                QCOMPARE(log[i].text, QString::number(i));
            QCOMPARE(log.last().text, QString::number(kEvents - 1));
        }
    }

    // One sensor's log that cannot be opened keeps its own records back; the day's log and the
    // other sensors' logs go on being written, and only the kept records are lost at the end.
    void oneBrokenFileHoldsUpOnlyItself() {
        DecoderFixture f;
        f.addOnlineSensor(0, 11, 0, 1, 0);
        f.addOnlineSensor(1, 22, 0, 1, 0);
        QVERIFY(QDir(f.dir.path()).mkpath("VatrelA_mess/11")); // a folder where the file should be
        f.ui.expectMessage(QStringLiteral("Put_msg: не записался файл VatrelA_mess\\11. События хранятся в "
                                          "памяти и будут записаны, когда запись станет возможной"),
                           QStringLiteral("Ошибка"));
        const QString alarm11 = QStringLiteral("Срабатывание 1 шлейфа датчика <Ватрел-А> № 11");
        const QString alarm22 = QStringLiteral("Срабатывание 1 шлейфа датчика <Ватрел-А> № 22");
        const QString back22 = QStringLiteral("Возврат в норму 1 шлейфа датчика <Ватрел-А> № 22");
        f.status(11, 0x80);
        f.status(22, 0x80);
        f.status(22, 0x00);
        QVERIFY(f.ui.allExpectedShown());
        QCOMPARE(eventTexts(f.daily()), (QStringList{alarm11, alarm22, back22}));
        QCOMPARE(eventTexts(f.sensorLog(22, false)), (QStringList{alarm22, back22}));
        QCOMPARE(f.c.status.panel(0), QStringLiteral("Журнал не пишется: 1"));

        clockTick(f.c); // still a folder: kept, no second box
        QCOMPARE(f.ui.boxes.size(), 1);
        QCOMPARE(f.c.status.panel(0), QStringLiteral("Журнал не пишется: 1"));

        f.ui.expectMessage(QStringLiteral("Записи журнала, не попавшие на диск, будут потеряны: 1"));
        f.c.journal.reportLostAtExit(f.c.eventLog.outlet());
        QVERIFY(f.ui.allExpectedShown());

        // Mended, the next event of that sensor writes the kept record first.
        QVERIFY(QDir(f.file(QStringLiteral("VatrelA_mess/11"))).removeRecursively());
        f.status(11, 0x00);
        QCOMPARE(eventTexts(f.sensorLog(11, false)),
                 (QStringList{alarm11, QStringLiteral("Возврат в норму 1 шлейфа датчика <Ватрел-А> № 11")}));
        QCOMPARE(f.c.status.panel(0), QString());
        QCOMPARE(f.daily().size(), 4);
    }

    // A box may wait for the operator while the engine logs on: what it logs meanwhile goes behind
    // the records already kept, and a retry meanwhile finds the writer's state whole.
    void boxesWaitWhileTheEngineGoesOn() {
        DecoderFixture f;
        QVERIFY(QDir(f.dir.path()).mkpath("VatrelA_mess/11"));
        f.ui.expectMessage(QStringLiteral("Put_msg: не записался файл VatrelA_mess\\11. События хранятся в "
                                          "памяти и будут записаны, когда запись станет возможной"));
        f.ui.whileShown = [&](const QString&) {
            f.c.eventLog.logSensorEvent(
                f.c.eventLog.makeEvent(11, EventCode::SensorConnected, QStringLiteral("B")), 0);
        };
        f.c.eventLog.logSensorEvent(
            f.c.eventLog.makeEvent(11, EventCode::SensorConnected, QStringLiteral("A")), 0);
        QVERIFY(f.ui.allExpectedShown());
        QCOMPARE(eventTexts(f.daily()), (QStringList{"A", "B"}));
        QCOMPARE(f.c.status.panel(0), QStringLiteral("Журнал не пишется: 2"));

        // The folder goes away: the kept records are dropped with a box, and the clock's retry
        // while that box waits finds nothing left.
        QVERIFY(QDir(f.file(QStringLiteral("VatrelA_mess"))).removeRecursively());
        f.ui.allowMessagePrefix(QStringLiteral("Put_msg: не открылся файл "));
        f.ui.whileShown = [&](const QString&) { f.c.journal.retryKept(f.c.eventLog.outlet()); };
        f.c.journal.retryKept(f.c.eventLog.outlet());
        QCOMPARE(f.c.journal.keptCount(), size_t(0));
        QCOMPARE(f.c.journal.keptFiles(), size_t(0));
        QCOMPARE(f.c.status.panel(0), QString());
        QCOMPARE(eventTexts(f.daily()), (QStringList{"A", "B"}));
    }

    void partRecordsAreCutBeforeAppending() {
        DecoderFixture f;
        QVERIFY(QDir(f.dir.path()).mkpath("VatrelA"));
        QVERIFY(QDir(f.dir.path()).mkpath("data"));
        f.addOnlineSensor(0, 55, 0, 1, 0);
        f.c.eventLog.logSensorEvent(
            f.c.eventLog.makeEvent(55, EventCode::SensorConnected, QStringLiteral("первое")), 0);
        const QByteArray first = f.read("VatrelA_mess/55");
        f.write("VatrelA_mess/55", first + QByteArray(50, '\x7f')); // a crash in mid-write
        f.write("QReport/15.03.2024", f.read("QReport/15.03.2024") + QByteArray(327, '\x01'));
        f.status(55, 0x80);
        QCOMPARE(eventTexts(f.sensorLog(55, false)),
                 (QStringList{QStringLiteral("первое"), QStringLiteral("Срабатывание 1 шлейфа датчика "
                                                                       "<Ватрел-А> № 55")}));
        QCOMPARE(f.read("VatrelA_mess/55").left(328), first);
        QCOMPARE(f.daily().size(), 2);

        // Settings and operator files: the same for appends, and a failed write is taken back.
        SensorRecord r = f.c.sensors.record(0);
        f.write("VatrelA/55", r.encode() + QByteArray(100, '\x02'));
        f.c.store.saveSensorSettings(r, 'a');
        QCOMPARE(f.read("VatrelA/55").size(), 464);
        f.write("data/chop.dat", QByteArray(40, '\x01') + QByteArray(7, '\x01'));
        OperatorList& operators = f.c.operators;
        operators.load(f.c.data_dir, f.c.ui);
        QCOMPARE(operators.add(f.c.data_dir, f.c.ui, QStringLiteral("Петров")), 0);
        QCOMPARE(f.read("data/chop.dat").size(), 80);
        QCOMPARE(OperatorList::storedSurname(f.c.data_dir, f.c.ui, 1), QStringLiteral("Петров"));

        FileSizeLimit full(464 + 10);
        f.ui.expectMessage(QStringLiteral("Save_sm: не открылся файл VatrelA\\55"), QStringLiteral("Ошибка"));
        f.ui.expectMessage(QStringLiteral("Add_chop: не открылся файл chop.dat"), QStringLiteral("Ошибка"));
        f.c.store.saveSensorSettings(r, 'a');
        for (int i = 0; i < 10; ++i) // chop.dat is 80 bytes: the 10th record crosses the limit
            QCOMPARE(operators.add(f.c.data_dir, f.c.ui, QStringLiteral("Иванов") + QChar(u'а' + i)),
                     i < 9 ? i + 1 : -1);
        QVERIFY(f.ui.allExpectedShown());
        QCOMPARE(f.read("VatrelA/55").size(), 464);
        QCOMPARE(f.read("data/chop.dat").size(), 440);
    }
};

QTEST_GUILESS_MAIN(TestLogOutage)
#include "tst_logoutage.moc"
