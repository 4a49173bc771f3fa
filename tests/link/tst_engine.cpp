// SPDX-License-Identifier: GPL-3.0-or-later
// Receive engine, command queue, port bookkeeping and the clock's watchdog, driven pass by pass
// over an in-memory serial line.
#include "LinkTestSupport.h"
#include "link/Engine.h"
#include "link/Receiver.h"
#include "link/Frame.h"

#include <QRandomGenerator>
#include <QTest>
#include <functional>

using namespace vatrel;
using namespace vatrel::testing;
using View = ConsoleUi::View;

namespace {

const QString kLostCyrillic = QStringLiteral("Нет связи с преобразователем");
// The port-failure variant: the second word written with a Latin "c".
const QString kLostLatinC =
    QStringLiteral("Нет связи ") + QLatin1Char('c') + QStringLiteral(" преобразователем");

void runPasses(Console& c, int n) {
    for (int i = 0; i < n; ++i)
        c.receiver().receivePass();
}

// Runs passes until `done` holds; false when it did not within `maxPasses`.
bool runUntil(Console& c, const std::function<bool()>& done, int maxPasses) {
    for (int i = 0; i < maxPasses; ++i) {
        if (done()) return true;
        c.receiver().receivePass();
    }
    return done();
}

int countOf(const QByteArray& hay, const QByteArray& needle) {
    int n = 0;
    for (qsizetype at = hay.indexOf(needle); at >= 0; at = hay.indexOf(needle, at + 1))
        ++n;
    return n;
}

void queue(Console& c, std::vector<quint16> words) { c.link.enqueue(c.ui, words); }

} // namespace

class TestEngine : public QObject {
    Q_OBJECT

private slots:
    void portOpeningResetsTheBookkeeping() {
        LinkFixture f;
        Console& c = f.c;
        queue(c, frame::poll());
        queue(c, frame::oscillOff());
        c.link.setState(ConverterState::Up);
        c.link.beginPassCounts();
        for (int i = 0; i < 4; ++i)
            c.link.countChecksumError();
        for (int i = 0; i < 9; ++i)
            c.link.countTimeout();
        c.link.showPassCounts();
        c.status.setPanel(4, QStringLiteral("Связь с преобразователем восстановлена"));
        for (int i = 0; i < 6; ++i)
            c.link.countSlotReport(SlotCount::ChecksumErrors, 3);

        const int heard = f.ui.converterChanges;
        f.port.openSucceeds = false;
        QVERIFY(!c.converterPort().openPort(3));
        QCOMPARE(c.link.queue().count, 2);
        QCOMPARE(c.link.state(), ConverterState::Up);
        QCOMPARE(c.link.counters().Time_out.shown, 9);
        QVERIFY(!c.link.receiving());

        f.port.openSucceeds = true;
        QVERIFY(c.converterPort().openPort(3));
        QCOMPARE(f.port.lastNumber, 3);
        QCOMPARE(f.port.lastDataDir, f.dir.path());
        QCOMPARE(c.link.queue().count, 0);
        QCOMPARE(c.link.queue().entries[0].key, quint16(0));
        QCOMPARE(c.link.queue().entries[1].words[0], quint16(0));
        QCOMPARE(c.link.state(), ConverterState::Unknown);
        QCOMPARE(f.ui.converterChanges, heard + 1); // the feed hears that the link is not known now
        const DiagCounters& d = c.link.counters();
        for (const Counter* k :
             {&d.KS_ERR, &d.N_rv_byte, &d.N_rv_frame, &d.Time_out, &d.N_tr_byte, &d.N_tr_frame}) {
            QCOMPARE(k->value, 0);
            QCOMPARE(k->shown, 0);
        }
        QCOMPARE(c.status.panel(4), QString());
        QVERIFY(c.link.receiving());
        QCOMPARE(c.link.slotCount(SlotCount::ChecksumErrors, 3), 6);
    }

    void portChoiceWritesStatusPanel2() {
        LinkFixture f;
        Console& c = f.c;
        QVERIFY(c.converterPort().openPort(1));
        const int converterChanges = f.ui.converterChanges;
        c.converterPort().choosePort(11);
        QCOMPARE(f.port.closeCalls, 1);
        QCOMPARE(f.port.lastNumber, 12);
        QCOMPARE(c.ports.index(), 11);
        QCOMPARE(f.ui.changes[int(View::PortChoice)], 1);
        QCOMPARE(f.ui.converterChanges, converterChanges + 1); // the feed names the new port
        QCOMPARE(c.status.panel(2), QStringLiteral("COM12 включён"));
        QVERIFY(c.link.receiving());

        f.port.openSucceeds = false;
        c.converterPort().choosePort(11);
        QCOMPARE(c.status.panel(2), QStringLiteral("COM12 выключен"));
        QVERIFY(!c.link.receiving());
        QCOMPARE(f.ui.changes[int(View::PortChoice)], 1); // the same port again

        c.converterPort().choosePort(70); // the empty last item
        QCOMPARE(f.port.lastNumber, 71);
        QCOMPARE(c.status.panel(2), QStringLiteral(" выключен"));

        f.port.openSucceeds = true;
        c.ports.choose(4);
        c.converterPort().openStartupPort();
        QCOMPARE(f.port.lastNumber, 5);
        QCOMPARE(c.status.panel(2), QStringLiteral("COM5 включён"));
    }

    void queueLimits() {
        LinkFixture f;
        Console& c = f.c;
        // Same code already waiting: the new command is dropped even with other data.
        queue(c, frame::connectSensor(1, 100));
        queue(c, frame::connectSensor(2, 200));
        QCOMPARE(c.link.queue().count, 1);
        QCOMPARE(c.link.queue().entries[0].words[1], quint16(1));
        QCOMPARE(c.link.queue().entries[0].key, quint16(0x43));
        QCOMPARE(c.link.queue().entries[0].count, quint16(5));
        QCOMPARE(c.link.queue().entries[0].start, ':');

        clearQueue(c.link, c.osc);
        for (quint16 code = 1; code <= 32; ++code)
            queue(c, {quint16(0x0100 | code), 0});
        QCOMPARE(c.link.queue().count, 32);
        queue(c, {0x0121, 0}); // a 33rd command
        QCOMPARE(c.link.queue().count, 32);
        QCOMPARE(c.link.queue().entries[31].key, quint16(32));

        // A confirmation frees a place.
        QVERIFY(c.converterPort().openPort(1));
        for (quint16 code = 1; code <= 32; ++code)
            queue(c, {quint16(0x0100 | code), 0});
        f.port.incoming = reply({0x0141});
        runPasses(c, 1);
        QCOMPARE(c.link.queue().count, 31);
        QCOMPARE(c.link.queue().entries[0].key, quint16(2));
        QCOMPARE(c.link.queue().entries[31].key, quint16(0));
        queue(c, {0x0121, 0});
        QCOMPARE(c.link.queue().count, 32);
        QCOMPARE(c.link.queue().entries[31].key, quint16(0x21));

        // More words than a command may have: a warning, nothing queued.
        clearQueue(c.link, c.osc);
        f.ui.expectMessage(QStringLiteral("Put_Cmd: usDataLen>SIZE_TR_BUF!"), QStringLiteral("Внимание"));
        std::vector<quint16> huge(1025, 0);
        huge[0] = 0x0141;
        queue(c, huge);
        QCOMPARE(c.link.queue().count, 0);
        QCOMPARE(f.ui.boxes.size(), 1);
        QCOMPARE(f.ui.boxes[0].icon, ConsoleUi::Icon::Warning);
        // Exactly 1024 words is still accepted.
        huge.resize(1024);
        queue(c, huge);
        QCOMPARE(c.link.queue().count, 1);
    }

    void sendingACommand() {
        LinkFixture f;
        Console& c = f.c;
        QVERIFY(c.converterPort().openPort(1));
        const auto poll = frame::poll();
        QCOMPARE(c.link.send(c.ui, ':', poll.data(), quint16(poll.size())), 0);
        QCOMPARE(f.port.written, QByteArray(":0141BE\r\n"));
        QCOMPARE(f.port.writeCalls, 9);
        QCOMPARE(c.link.counters().N_tr_byte.shown, 9);
        QCOMPARE(c.link.counters().N_tr_frame.shown, 1);
        QCOMPARE(c.link.engine().awaiting, qint16(1));
        QCOMPARE(c.link.engine().wait_ticks, qint16(0));

        // A write failing half-way: the bytes written stay, no wait starts, no frame is counted.
        c.link.stopWaiting();
        f.port.written.clear();
        f.port.failAfter = 4;
        QCOMPARE(c.link.send(c.ui, ':', poll.data(), quint16(poll.size())), -2);
        QCOMPARE(f.port.written, QByteArray(":014"));
        QCOMPARE(c.link.engine().awaiting, qint16(0));
        QCOMPARE(c.link.counters().N_tr_frame.shown, 1);
        QCOMPARE(c.link.counters().N_tr_byte.value, 13);

        f.ui.expectMessage(QStringLiteral("Send_Cmd1: usDataLen>SIZE_TR_BUF!"), QStringLiteral("Внимание"));
        std::vector<quint16> huge(1025, 0x0141);
        QCOMPARE(c.link.send(c.ui, ':', huge.data(), quint16(huge.size())), -2);
    }

    // From the first Timer1 tick to the poll cycle: the map goes out entry by entry, one per reply.
    void fullAddressMapTransfer() {
        LinkFixture f;
        Console& c = f.c;
        c.sensors.setAddressEntry(0, {22, 1001});
        c.sensors.setAddressEntry(1, {22, 300});
        c.sensors.setAddressEntry(120, {22, 0xBEEF});
        c.sensors.setAddressEntry(199, {22, 65535});
        QVERIFY(c.converterPort().openPort(1));

        onCommandTick(c.link, c.sensors, c.ui);
        QVERIFY(runUntil(
            c, [&] { return !f.port.written.isEmpty(); }, 5));
        QCOMPARE(f.port.written, QByteArray(":0142000103E90016BD\r\n"));
        QVERIFY(!c.status.waitPanelShown());

        QList<int> sent;
        for (int step = 0; step < 200; ++step) {
            const QByteArray cmd = f.port.written;
            QVERIFY2(cmd.startsWith(":0142") && cmd.size() == 21, cmd.constData());
            const int index = cmd.mid(5, 4).toInt(nullptr, 16);
            const KartaEntry& entry = c.sensors.addressEntry(index - 1);
            QCOMPARE(cmd.mid(9, 4).toInt(nullptr, 16), int(entry.factory_number));
            QCOMPARE(cmd.mid(13, 4).toInt(nullptr, 16), int(entry.device_code));
            sent << index;
            f.port.written.clear();
            f.port.incoming = reply({0x0142, quint16(index)});
            if (index == 200) {
                runPasses(c, 1);
                break;
            }
            QVERIFY(runUntil(
                c, [&] { return !f.port.written.isEmpty(); }, 6));
            if (index == 1) {
                QCOMPARE(f.ui.linkRestored, 1);
                QCOMPARE(c.link.state(), ConverterState::Up);
                QCOMPARE(f.ui.converterChanges, 1);
                QCOMPARE(c.status.panel(4), QStringLiteral("Связь с преобразователем восстановлена"));
            }
            if (index == 100) {
                QVERIFY(c.status.waitPanelShown());
                QCOMPARE(c.link.mapPosition(), quint16(101));
            }
        }
        QCOMPARE(sent.size(), 200);
        for (int i = 0; i < 200; ++i)
            QCOMPARE(sent[i], i + 1);
        QCOMPARE(c.link.mapPosition(), quint16(200));
        QVERIFY(!c.status.waitPanelShown());
        QVERIFY(f.ui.changes[int(View::WaitPanel)] >= 2);
        QCOMPARE(c.link.queue().count, 0);
        QCOMPARE(f.ui.linkRestored, 1);
        QCOMPARE(f.eventCount(32), 1);
        QCOMPARE(f.dailyEvents().last().text, QStringLiteral("Восстановлена связь с преобразователем"));
        QCOMPARE(c.link.counters().N_rv_frame.shown, 200);
        QCOMPARE(c.link.counters().Time_out.shown, 0);

        // From now on Timer1 polls.
        onCommandTick(c.link, c.sensors, c.ui);
        onCommandTick(c.link, c.sensors, c.ui); // at most one poll waits
        QCOMPARE(c.link.queue().count, 1);
        QVERIFY(runUntil(
            c, [&] { return !f.port.written.isEmpty(); }, 5));
        QCOMPARE(f.port.written, QByteArray(":0141BE\r\n"));
    }

    void silentConverterIsDeclaredLostOnce() {
        LinkFixture f;
        Console& c = f.c;
        QVERIFY(c.converterPort().openPort(1));
        onCommandTick(c.link, c.sensors, c.ui);
        const QByteArray entry1 = ":0142000100000000BC\r\n";
        QVERIFY(runUntil(
            c, [&] { return f.ui.linkLost > 0; }, 2000));
        QCOMPARE(f.ui.linkLost, 1);
        QCOMPARE(f.ui.converterChanges, 1);
        QCOMPARE(countOf(f.port.written, entry1), 21); // 1 send + 20 repeats
        QCOMPARE(c.link.counters().Time_out.shown, 21);
        QCOMPARE(c.link.counters().N_tr_frame.shown, 21);
        QCOMPARE(c.link.state(), ConverterState::Lost);
        QCOMPARE(c.link.engine().awaiting, qint16(0));
        QCOMPARE(c.link.queue().count, 0);
        QCOMPARE(c.link.queue().entries[0].key, quint16(0));
        QCOMPARE(c.status.panel(4), kLostCyrillic);
        QCOMPARE(f.eventCount(15), 1);
        QCOMPARE(f.dailyEvents().last().text, kLostCyrillic);
        QVERIFY(f.port.isOpen()); // time-outs do not close the port

        // Still silent: the queue is refilled and times out again, without a second notice.
        for (int round = 0; round < 10; ++round) {
            onCommandTick(c.link, c.sensors, c.ui);
            runPasses(c, 100);
        }
        QVERIFY(c.link.counters().Time_out.value > 21);
        QCOMPARE(f.ui.linkLost, 1);
        QCOMPARE(f.ui.converterChanges, 1);
        QCOMPARE(f.eventCount(15), 1);
    }

    void threeFailedSendsClosePort() {
        LinkFixture f;
        Console& c = f.c;
        QVERIFY(c.converterPort().openPort(1));
        c.sensors.record(3).factory_number = 33;
        c.sensors.record(3).osc_active = 1;
        c.osc.setSlot(3);
        c.osc.closeStart();
        f.port.failWrites = true;
        onCommandTick(c.link, c.sensors, c.ui);
        runPasses(c, 14);
        QCOMPARE(c.link.engine().write_failures, qint16(2));
        QVERIFY(f.port.isOpen());
        runPasses(c, 1);
        QVERIFY(!f.port.isOpen());
        QCOMPARE(f.ui.linkLost, 1);
        QCOMPARE(c.status.panel(4), kLostLatinC);
        QCOMPARE(f.dailyEvents().last().code, 15);
        QCOMPARE(f.dailyEvents().last().text, kLostCyrillic); // the logged text is Cyrillic
        QCOMPARE(c.osc.slot(), -1);
        QCOMPARE(c.sensors.record(3).osc_active, qint16(0));
        QVERIFY(c.osc.startOpen());
        QCOMPARE(f.ui.oscStopped, 1);
        QCOMPARE(c.link.queue().count, 0);
        QCOMPARE(c.link.engine().write_failures, qint16(3));

        // Closed: the passes do nothing until a reopen.
        const int reads = f.port.reads, writes = f.port.writeCalls;
        onCommandTick(c.link, c.sensors, c.ui);
        runPasses(c, 50);
        QCOMPARE(f.port.reads, reads);
        QCOMPARE(f.port.writeCalls, writes);
        QCOMPARE(f.ui.linkLost, 1);
        // A reopening forgets the failed sends.
        f.port.failWrites = false;
        QVERIFY(c.converterPort().openPort(1));
        QCOMPARE(c.link.engine().write_failures, qint16(0));
    }

    void vanishedDeviceEndsTheLink() {
        LinkFixture f;
        Console& c = f.c;
        QVERIFY(c.converterPort().openPort(1));
        c.link.setState(ConverterState::Up);
        queue(c, frame::poll());
        f.port.vanishOnNextRead = true;
        runPasses(c, 1);
        QVERIFY(!f.port.isOpen());
        QCOMPARE(f.port.writeCalls, 0);
        QCOMPARE(f.ui.linkLost, 1);
        QCOMPARE(c.status.panel(4), kLostLatinC);
        QCOMPARE(c.link.queue().count, 0);
        QCOMPARE(c.link.state(), ConverterState::Lost);

        // Gone between two passes: noticed by the next one, once.
        QVERIFY(c.converterPort().openPort(1));
        c.link.setState(ConverterState::Up);
        f.port.vanish();
        runPasses(c, 5);
        QCOMPARE(f.ui.linkLost, 2);
        QCOMPARE(f.port.reads, 1);
        // A port closed by the program itself is no failure.
        QVERIFY(c.converterPort().openPort(1));
        c.link.setState(ConverterState::Up);
        c.link.closePort();
        runPasses(c, 5);
        QCOMPARE(f.ui.linkLost, 2);
    }

    void frameAssembly() {
        LinkFixture f;
        Console& c = f.c;
        QVERIFY(c.converterPort().openPort(1));
        queue(c, frame::poll());
        queue(c, frame::oscillOff());
        queue(c, frame::disconnectSensor(4));

        // A bad frame between two good replies disturbs neither.
        const QByteArray stream = reply({0x0141}) + ":0141BF\r\n" + reply({0x0144});
        f.port.incoming = stream;
        runPasses(c, 1);
        QCOMPARE(c.link.queue().count, 1);
        QCOMPARE(c.link.queue().entries[0].key, quint16(0x44));
        QCOMPARE(c.link.counters().N_rv_frame.shown, 2);
        QCOMPARE(c.link.counters().KS_ERR.shown, 1);
        QCOMPARE(c.link.counters().N_rv_byte.shown, stream.size());
        QVERIFY(f.ui.changes[int(View::Diagnostics)] > 0);

        // A CR not followed by LF stays in the text and spoils it.
        f.port.incoming = ":01\r41BE\r\n";
        runPasses(c, 1);
        QCOMPARE(c.link.queue().count, 1);
        QCOMPARE(c.link.counters().KS_ERR.shown, 2);

        // A text that arrives split over passes is still one frame.
        f.port.incoming = ":014";
        runPasses(c, 1);
        f.port.incoming = "1BE\r";
        runPasses(c, 1);
        f.port.incoming = "\n";
        runPasses(c, 1);
        QCOMPARE(c.link.queue().count, 0);

        // Two replies in one pass remove two entries; reports confirm nothing.
        queue(c, frame::poll());
        queue(c, frame::oscillOff());
        queue(c, frame::disconnectSensor(4));
        f.port.incoming = reply({0x0141}) + converterFrame('~', {0x0141, 0x1234, 0, 1, 2}) + reply({0x0141});
        runPasses(c, 1);
        QCOMPARE(c.link.queue().count, 1);
        QCOMPARE(c.link.counters().N_rv_frame.shown, 6);

        // A valid text outside any frame start is counted and otherwise ignored.
        f.port.incoming = "0141BE\r\n";
        runPasses(c, 1);
        QCOMPARE(c.link.queue().count, 1);
        QCOMPARE(c.link.counters().N_rv_frame.shown, 7);
    }

    void overlongTextIsDropped() {
        LinkFixture f;
        Console& c = f.c;
        QVERIFY(c.converterPort().openPort(1));
        queue(c, frame::poll());
        queue(c, frame::oscillOff());
        QVERIFY(runUntil(
            c, [&] { return c.link.engine().awaiting != 0; }, 5));
        // 1030 characters after ':' — the text wraps the buffer and must not be taken as a reply.
        f.port.incoming = ":" + QByteArray(1030, '0') + "\r\n";
        runPasses(c, 1);
        QCOMPARE(c.link.queue().count, 2);
        QCOMPARE(c.link.state(), ConverterState::Unknown);
        QCOMPARE(f.ui.linkRestored, 0);
        QCOMPARE(c.link.engine().awaiting, qint16(1));
        // The next reply is taken normally.
        f.port.incoming = reply({0x0141});
        runPasses(c, 1);
        QCOMPARE(c.link.queue().count, 1);
        QCOMPARE(f.ui.linkRestored, 1);
    }

    void badReplyInTheTimeoutPassIsNotATimeout() {
        LinkFixture f;
        Console& c = f.c;
        QVERIFY(c.converterPort().openPort(1));
        queue(c, frame::poll());
        QVERIFY(runUntil(
            c, [&] { return c.link.engine().awaiting != 0; }, 5));
        QVERIFY(runUntil(
            c, [&] { return c.link.engine().wait_ticks == 10; }, 20));
        // The 11th pass brings a spoilt reply: the head goes out again, no time-out is counted.
        f.port.incoming = ":0141BF\r\n";
        runPasses(c, 1);
        QCOMPARE(c.link.counters().KS_ERR.shown, 1);
        QCOMPARE(c.link.counters().Time_out.shown, 0);
        QCOMPARE(c.link.counters().N_tr_frame.shown, 2);
        QCOMPARE(c.link.engine().retries, qint16(1));
        // The next silent wait is counted.
        QVERIFY(runUntil(
            c, [&] { return c.link.counters().Time_out.value == 1; }, 11));
        QCOMPARE(c.link.counters().Time_out.shown, 1);
        QCOMPARE(c.link.counters().N_tr_frame.shown, 3);
    }

    void lowerCaseReplyContinuesTheMap() {
        LinkFixture f;
        Console& c = f.c;
        c.sensors.setAddressEntry(171, {22, 0x0ABC});
        QVERIFY(c.converterPort().openPort(1));
        c.link.setState(ConverterState::Up);
        c.link.setMapPosition(5);
        f.port.incoming = reply({0x0142, 0x00AB}, true);
        QVERIFY(f.port.incoming.contains("00ab"));
        runPasses(c, 1);
        QCOMPARE(c.link.counters().KS_ERR.value, 0);
        QCOMPARE(c.link.mapPosition(), quint16(172));
        QCOMPARE(c.link.queue().count, 1);
        QCOMPARE(c.link.queue().entries[0].words[1], quint16(172));
        QCOMPARE(c.link.queue().entries[0].words[2], quint16(0x0ABC));
        QCOMPARE(c.link.queue().entries[0].words[3], quint16(22));
    }

    void nonHexCharactersFailTheCheck() {
        LinkFixture f;
        Console& c = f.c;
        QVERIFY(c.converterPort().openPort(1));
        queue(c, frame::poll());
        // 'G' read as 0 would make the sum come out right.
        f.port.incoming = ":01410G00BE\r\n";
        runPasses(c, 1);
        QCOMPARE(c.link.counters().KS_ERR.value, 1);
        QCOMPARE(c.link.queue().count, 1);
        QCOMPARE(f.ui.linkRestored, 0);
    }

    void mapReplyOutsideTheMap_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("index 0") << reply({0x0142, 0});
        QTest::newRow("index 200") << reply({0x0142, 200});
        QTest::newRow("index 0xFFFF") << reply({0x0142, 0xFFFF});
        QTest::newRow("no index word") << reply({0x0142});
    }
    void mapReplyOutsideTheMap() {
        QFETCH(QByteArray, frame);
        LinkFixture f;
        Console& c = f.c;
        c.sensors.setAddressEntry(49, {22, 4949});
        QVERIFY(c.converterPort().openPort(1));
        c.link.setState(ConverterState::Up);
        c.link.setMapPosition(50);
        queue(c, frame::kartaEntry(50, 4949, 22));
        queue(c, frame::oscillOff());
        f.port.incoming = frame;
        runPasses(c, 1);
        // The reply still confirms the head; the map position stays and the entry in progress
        // is asked for again.
        QCOMPARE(c.link.counters().N_rv_frame.value, 1);
        QCOMPARE(c.link.mapPosition(), quint16(50));
        QCOMPARE(c.link.queue().count, 2);
        QCOMPARE(c.link.queue().entries[0].key, quint16(0x48));
        QCOMPARE(c.link.queue().entries[1].key, quint16(0x42));
        QCOMPARE(c.link.queue().entries[1].words[1], quint16(50));
        QCOMPARE(c.link.queue().entries[1].words[2], quint16(4949));
    }

    void mapReplyOutsideTheMapStillRestoresTheLink() {
        LinkFixture f;
        Console& c = f.c;
        QVERIFY(c.converterPort().openPort(1));
        queue(c, frame::kartaEntry(1, 0, 0));
        f.port.incoming = reply({0x0142, 0x7FFF});
        runPasses(c, 1);
        QCOMPARE(f.ui.linkRestored, 1);
        QCOMPARE(c.link.state(), ConverterState::Up);
        QCOMPARE(c.link.mapPosition(), quint16(1));
        QCOMPARE(c.link.queue().count, 0);
        // Timer1 starts the transfer over.
        onCommandTick(c.link, c.sensors, c.ui);
        QCOMPARE(c.link.queue().entries[0].words[1], quint16(1));
    }

    void oscillogramConfirmations() {
        LinkFixture f;
        Console& c = f.c;
        QVERIFY(c.converterPort().openPort(1));
        c.link.setState(ConverterState::Up);
        SensorRecord& b = c.sensors.record(5);
        b.factory_number = 555;
        b.sensor_type = 1;
        b.dc_component1 = 2.5f;
        b.dc_component2 = 0.75f;
        SensorRecord& a = c.sensors.record(6);
        a.factory_number = 666;
        a.sensor_type = 0;
        a.dc_component1 = 7.9f;

        // Slot words the table does not have, and a reply too short to carry one: ignored.
        for (const QByteArray& bad : {reply({0x0147, 200}), reply({0x0147, 0xFFFF}), reply({0x0147})}) {
            queue(c, frame::oscillOn(5, 555));
            f.port.incoming = bad;
            runPasses(c, 1);
            QCOMPARE(c.link.queue().count, 0);
            QCOMPARE(c.osc.slot(), qint16(-1));
            QVERIFY(f.ui.oscStarted.isEmpty());
        }

        f.port.incoming = reply({0x0147, 5});
        runPasses(c, 1);
        QCOMPARE(c.osc.slot(), 5);
        QCOMPARE(f.ui.oscStarted, QList<int>{5});
        QCOMPARE(b.osc_active, qint16(1));
        QCOMPARE(c.osc.dcFlank(0), 2.5f);
        QCOMPARE(c.osc.dcFlank(1), 0.75f);
        QCOMPARE(c.osc.text(OscEntry::DcFlank1), QStringLiteral("2.500"));
        QCOMPARE(c.osc.text(OscEntry::DcFlank2), QStringLiteral("0.750"));
        QVERIFY(f.ui.changes[int(View::SensorGrid)] > 0);

        c.osc.closeStart();
        f.port.incoming = reply({0x0148});
        runPasses(c, 1);
        QCOMPARE(c.osc.slot(), -1);
        QCOMPARE(b.osc_active, qint16(0));
        QVERIFY(c.osc.startOpen());
        QCOMPARE(f.ui.oscStopped, 1);

        f.port.incoming = reply({0x0147, 6});
        runPasses(c, 1);
        QCOMPARE(c.osc.slot(), 6);
        QCOMPARE(c.osc.dcTypeA(), quint16(7));
        QCOMPARE(c.osc.text(OscEntry::DcTypeA), QStringLiteral("7"));
        QCOMPARE(c.osc.text(OscEntry::DcFlank1), QStringLiteral("2.500")); // type B entries untouched

        // A stored value far out of range does not trip the conversion.
        a.dc_component1 = -3.0e9f;
        oscillogramStarted(c.sensors, c.osc, c.scope, c.notices, 6);
        a.dc_component1 = std::numeric_limits<float>::quiet_NaN();
        oscillogramStarted(c.sensors, c.osc, c.scope, c.notices, 6);
        QCOMPARE(c.osc.dcTypeA(), quint16(0));
        oscillogramStarted(c.sensors, c.osc, c.scope, c.notices, -1);
        oscillogramStarted(c.sensors, c.osc, c.scope, c.notices, 200);
        QCOMPARE(c.osc.slot(), 6);
    }

    void watchdogReopensWhileTheLinkIsDown() {
        LinkFixture f;
        Console& c = f.c;
        c.converterPort().openStartupPort();
        QCOMPARE(c.status.panel(2), QStringLiteral("COM1 включён"));
        for (int i = 0; i < 5; ++i)
            c.link.countSlotReport(SlotCount::ChecksumErrors, 7);
        for (int i = 0; i < 3; ++i)
            c.link.countSlotReport(SlotCount::Timeouts, 7);
        QCOMPARE(f.port.openCalls, 1);

        for (int tick = 1; tick <= 12; ++tick) {
            f.port.incoming = "01";
            c.receiver().receivePass();
            c.link.beginPassCounts();
            c.link.countTimeout();
            c.link.showPassCounts();
            QCOMPARE(c.link.counters().N_rv_byte.shown, 2 * ((tick - 1) % 4 + 1)); // since the last reopening
            onClockTick(c.status, c.clock, c.journal, c.eventLog, c.converterPort());
            QCOMPARE(f.port.openCalls, 1 + tick / 4);
            if (tick % 4 == 0) {
                QCOMPARE(c.link.state(), ConverterState::Lost);
                QCOMPARE(c.link.counters().N_rv_byte.shown, 0);
                QCOMPARE(c.link.counters().Time_out.shown, 0);
                QVERIFY(c.link.receiving());
                QVERIFY(f.port.isOpen());
            }
        }
        QCOMPARE(f.port.closeCalls, 3);
        QCOMPARE(f.ui.converterChanges, 1); // lost once: the reopenings keep it lost
        QCOMPARE(c.status.panel(2), QStringLiteral("COM1 включён"));
        QCOMPARE(c.link.slotCount(SlotCount::ChecksumErrors, 7), 5);
        QCOMPARE(c.link.slotCount(SlotCount::Timeouts, 7), 3);
        QCOMPARE(c.status.clock(), QDateTime(QDate(2025, 4, 14), QTime(10, 0)));

        // A port that does not open: link still lost, receive timer stopped.
        f.port.openSucceeds = false;
        for (int i = 0; i < 4; ++i)
            onClockTick(c.status, c.clock, c.journal, c.eventLog, c.converterPort());
        QCOMPARE(f.port.openCalls, 5);
        QVERIFY(!c.link.receiving());
        QCOMPARE(c.link.state(), ConverterState::Lost);

        // Link up: no reopening.
        c.link.setState(ConverterState::Up);
        for (int i = 0; i < 8; ++i)
            onClockTick(c.status, c.clock, c.journal, c.eventLog, c.converterPort());
        QCOMPARE(f.port.openCalls, 5);

        c.clock = [] { return QDateTime(QDate(2025, 4, 20), QTime(0, 0, 5)); };
        onClockTick(c.status, c.clock, c.journal, c.eventLog, c.converterPort());
        QCOMPARE(c.status.clock(), QDateTime(QDate(2025, 4, 20), QTime(0, 0, 5)));
    }

    void resetButtonClearsPerSlotCounts() {
        LinkFixture f;
        Console& c = f.c;
        for (int s : {0, 10, 199})
            c.sensors.record(s).factory_number = quint32(100 + s);
        for (int s : {10, 120}) {
            c.link.countSlotReport(SlotCount::ChecksumErrors, s);
            c.link.countSlotReport(SlotCount::Timeouts, s);
        }
        QVERIFY(!c.link.slotDiagnostics(0).countsShown);
        QVERIFY(c.converterPort().openPort(1));
        f.port.incoming = ":0141BF\r\n"; // a checksum error
        runPasses(c, 1);
        const int gridChanges = f.ui.changes[int(View::ComGrid)];
        c.link.resetSlotCounts(c.sensors);
        for (int s : {0, 10, 199})
            QVERIFY(c.link.slotDiagnostics(s).countsShown); // "0" and "0"
        QVERIFY(!c.link.slotDiagnostics(5).countsShown);
        QVERIFY(c.link.slotDiagnostics(120).countsShown); // still shown, now "0"
        for (int s = 0; s < 200; ++s) {
            QCOMPARE(c.link.slotCount(SlotCount::ChecksumErrors, s), 0);
            QCOMPARE(c.link.slotCount(SlotCount::Timeouts, s), 0);
        }
        QCOMPARE(c.link.counters().KS_ERR.shown, 1); // the port's counters stay
        QCOMPARE(f.ui.changes[int(View::ComGrid)], gridChanges + 1);
    }

    // Whatever the line carries, the engine and the decoder stay within their tables: random
    // bytes, reports and replies with random words, cut short, spoilt or run together.
    void lineGarbageKeepsTheStateSound() {
        LinkFixture f;
        Console& c = f.c;
        for (const char* d : {"VatrelA_mess", "VatrelB_mess"})
            QDir(f.dir.path()).mkpath(QString::fromLatin1(d));
        c.sensorRows.setAllColours(0xC0C0C0);
        for (int s = 0; s < kSlots; s += 7) {
            c.sensors.record(s).factory_number = quint32(1000 + s);
            c.sensors.record(s).sensor_type = qint16(s % 2);
            c.sensors.record(s).loop1_armed = 1;
        }
        QVERIFY(c.converterPort().openPort(1));
        QRandomGenerator g(20251207);
        const quint16 codes[] = {0x41, 0x42, 0x47, 0x48, 0xFD, 0xFE, 0xFF, 0x43};
        for (int i = 0; i < 20000; ++i) {
            QByteArray chunk;
            if (g.bounded(6) == 0) {
                for (int n = int(g.bounded(80)); n > 0; --n)
                    chunk += char(g.bounded(256));
            } else {
                std::vector<quint16> w{quint16(0x0100 | codes[g.bounded(8)])};
                for (int n = int(g.bounded(40)); n > 0; --n)
                    w.push_back(quint16(g.bounded(65536)));
                if (w.size() > 2 && g.bounded(2)) w[2] = quint16(1000 + 7 * g.bounded(29)); // a known sensor
                if (w.size() > 3) w[3] = g.bounded(2) ? 2 : 0xC3;
                chunk = converterFrame(g.bounded(2) ? '~' : ':', w);
                if (g.bounded(8) == 0) chunk.truncate(g.bounded(chunk.size() + 1));
                if (!chunk.isEmpty() && g.bounded(12) == 0)
                    chunk[g.bounded(chunk.size())] = "g~:\r\n"[g.bounded(5)];
            }
            f.port.incoming += chunk;
            if (g.bounded(3) == 0) c.receiver().receivePass();
            if (g.bounded(200) == 0) onCommandTick(c.link, c.sensors, c.ui);
            if (!c.link.port()->isOpen()) QVERIFY(c.converterPort().openPort(1));
            QVERIFY(c.link.queue().count >= 0 && c.link.queue().count <= 32);
            QVERIFY(c.link.engine().rx_pos < 1024);
        }
        QVERIFY(c.link.counters().N_rv_frame.value > 0);
        QVERIFY(c.events.count() > 0 && c.events.count() <= 500);
        const QList<Colour> palette{0xC0C0C0, 0x00FF00, 0xFFFF00, 0x536BF2, 0x0000AB};
        for (int s = 0; s < kSlots; ++s)
            QVERIFY2(palette.contains(c.sensorRows.colour(s)), qPrintable(QString::number(s)));
        QVERIFY(c.osc.slot() >= -1 && c.osc.slot() < kSlots);
    }

    void passTimesShownEveryFifthCall() {
        LinkFixture f;
        Console& c = f.c;
        c.receiver().onReceiveTick(); // receive timer stopped: no pass
        QCOMPARE(f.port.reads, 0);
        QVERIFY(c.converterPort().openPort(1));
        for (int i = 0; i < 4; ++i)
            c.receiver().onReceiveTick();
        QCOMPARE(f.port.reads, 4);
        QVERIFY(!c.link.counters().longestPassUs && !c.link.counters().longestPassMs);
        c.receiver().onReceiveTick();
        QVERIFY(c.link.counters().longestPassUs >= 0 && c.link.counters().longestPassMs >= 0);
        // The next five passes are measured afresh: their longest shows after the fifth.
        const int shown = f.ui.changes[int(View::Diagnostics)];
        for (int i = 0; i < 4; ++i)
            c.receiver().onReceiveTick();
        QCOMPARE(f.ui.changes[int(View::Diagnostics)], shown);
        c.receiver().onReceiveTick();
        QCOMPARE(f.ui.changes[int(View::Diagnostics)], shown + 1);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
