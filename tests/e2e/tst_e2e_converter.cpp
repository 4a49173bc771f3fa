// SPDX-License-Identifier: GPL-3.0-or-later
// End to end: the console core on the real serial port class, talking over a pseudo-terminal to the
// converter simulator, with the engine's clocks running in real time in this event loop. The cases
// run in order on one console: the address map goes over first, the others build on a live link.
#include "common/RecordingUi.h"
#include "common/SensorCells.h"
#include "link/Engine.h"
#include "link/Receiver.h"
#include "link/QtSerialPortLine.h"
#include "registry/Alarms.h"
#include "core/Console.h"
#include "registry/Records.h"
#include "core/Startup.h"
#include "sim/DemoFolder.h"
#include "sim/Simulator.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace vatrel;
using vatrel::testing::sensorCell;

namespace {

constexpr int kWaitMs = 30000; // generous ceiling for a shared, busy machine; never a measure

// Record texts as they must stand in the log files (cp1251, NUL-terminated).
const QByteArray kLoop1Alarm1001 = QByteArray("\xD1\xF0\xE0\xE1\xE0\xF2\xFB\xE2\xE0\xED\xE8\xE5"
                                              " 1 "
                                              "\xF8\xEB\xE5\xE9\xF4\xE0"
                                              " "
                                              "\xE4\xE0\xF2\xF7\xE8\xEA\xE0"
                                              " <"
                                              "\xC2\xE0\xF2\xF0\xE5\xEB"
                                              "-"
                                              "\xC1"
                                              "> "
                                              "\xB9"
                                              " 1001");
const QByteArray kLoop1Normal1001 = QByteArray("\xC2\xEE\xE7\xE2\xF0\xE0\xF2"
                                               " "
                                               "\xE2"
                                               " "
                                               "\xED\xEE\xF0\xEC\xF3"
                                               " 1 "
                                               "\xF8\xEB\xE5\xE9\xF4\xE0"
                                               " "
                                               "\xE4\xE0\xF2\xF7\xE8\xEA\xE0"
                                               " <"
                                               "\xC2\xE0\xF2\xF0\xE5\xEB"
                                               "-"
                                               "\xC1"
                                               "> "
                                               "\xB9"
                                               " 1001");
const QByteArray kConverterLost =
    QByteArray("\xCD\xE5\xF2"
               " "
               "\xF1\xE2\xFF\xE7\xE8"
               " "
               "\xF1"
               " "
               "\xEF\xF0\xE5\xEE\xE1\xF0\xE0\xE7\xEE\xE2\xE0\xF2\xE5\xEB\xE5\xEC");
const QByteArray kConverterRestored =
    QByteArray("\xC2\xEE\xF1\xF1\xF2\xE0\xED\xEE\xE2\xEB\xE5\xED\xE0"
               " "
               "\xF1\xE2\xFF\xE7\xFC"
               " "
               "\xF1"
               " "
               "\xEF\xF0\xE5\xEE\xE1\xF0\xE0\xE7\xEE\xE2\xE0\xF2\xE5\xEB\xE5\xEC");

struct Rec {
    quint8 mark;
    quint32 number;
    int code;
    QByteArray text; // up to the NUL
    bool terminated;
};

QList<Rec> recordsFrom(const QString& path, qint64 offset) {
    QList<Rec> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return out;
    f.seek(offset);
    const QByteArray all = f.readAll();
    for (qsizetype at = 0; at + 328 <= all.size(); at += 328) {
        const QByteArray r = all.mid(at, 328);
        const QByteArray field = r.mid(38);
        const qsizetype nul = field.indexOf('\0');
        out.append({quint8(r[0]), le::u32(r.constData() + 4), int(qint8(r[16])),
                    field.left(nul < 0 ? 290 : nul), nul >= 0});
    }
    return out;
}

qint64 sizeOf(const QString& path) { return QFileInfo(path).size(); }

} // namespace

class TestE2eConverter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void addressMapGoesOverAndPollingStarts();
    void loopAlarmBecomesCellsColourEventsAndAlarm();
    void corruptFrameCountsOneChecksumErrorOnly();
    void silenceLosesTheConverterOnceAndResumeRestoresIt();

private:
    QString dailyLog() const {
        return m_dir + QStringLiteral("/QReport/") +
               QDate::currentDate().toString(QStringLiteral("dd.MM.yyyy"));
    }
    bool allSensorsUp() const {
        for (int s = 0; s < 12; ++s)
            if (m_c.sensors.record(s).link_up != 1 || m_c.link.slotDiagnostics(s).link != SlotLink::Up)
                return false;
        return true;
    }

    QTemporaryDir m_tmp;
    QString m_dir;
    Console m_c;
    testing::RecordingUi m_ui;
    QtSerialPortLine m_port;
    std::unique_ptr<sim::Simulator> m_sim;
    QTimer m_rv, m_timer1, m_timer2;
};

void TestE2eConverter::initTestCase() {
    QLocale::setDefault(QLocale::c());
    m_dir = m_tmp.path() + QStringLiteral("/demo");
    QString error;
    QVERIFY2(sim::initDemo(m_dir, &error), qPrintable(error));

    sim::Simulator::Options o;
    o.dir = m_dir;
    o.port = 1;
    o.controlPipe = false;
    m_sim = std::make_unique<sim::Simulator>(o);
    m_sim->setOutput(nullptr);
    QVERIFY2(m_sim->start(), qPrintable(m_sim->errorString()));

    m_c.data_dir = m_dir;
    m_c.ui = &m_ui;
    m_c.link.attachPort(&m_port);
    startUp(m_c);
    alarmWindowCreate(m_c.alarms, m_c.data_dir);
    QCOMPARE(m_c.sensors.count(), 12);
    QVERIFY(m_c.converterPort().openPort(m_c.ports.portNumber()));
    QVERIFY(m_c.link.receiving());

    m_rv.setTimerType(Qt::PreciseTimer);
    m_rv.setInterval(10);
    connect(&m_rv, &QTimer::timeout, this, [this] { m_c.receiver().onReceiveTick(); });
    m_timer1.setInterval(1000);
    connect(&m_timer1, &QTimer::timeout, this, [this] { onCommandTick(m_c.link, m_c.sensors, m_c.ui); });
    m_timer2.setInterval(1000);
    connect(&m_timer2, &QTimer::timeout, this,
            [this] { onClockTick(m_c.status, m_c.clock, m_c.journal, m_c.eventLog, m_c.converterPort()); });
    m_rv.start();
    m_timer1.start();
    m_timer2.start();
}

void TestE2eConverter::cleanupTestCase() {
    m_rv.stop();
    m_timer1.stop();
    m_timer2.stop();
    m_c.link.closePort();
    if (m_sim) m_sim->stop();
    QVERIFY(!QFileInfo(m_dir + QStringLiteral("/dev/COM1")).isSymLink());
}

void TestE2eConverter::addressMapGoesOverAndPollingStarts() {
    const sim::Converter& conv = m_sim->converter();
    // Entry 200 has been confirmed and the waiting panel is gone.
    QTRY_VERIFY_WITH_TIMEOUT(m_c.link.mapPosition() == 200 && !m_c.status.waitPanelShown() &&
                                 conv.commandsAnswered(0x42) >= 200,
                             kWaitMs);
    QCOMPARE(conv.commandsAnswered(0x42), 200);
    QCOMPARE(m_ui.linkRestored, 1);
    QCOMPARE(m_c.link.state(), ConverterState::Up);

    // The simulator's map now equals the console's.
    int sensors = 0, demoCount = 0;
    const sim::DemoSensor* demo = sim::demoSensors(&demoCount);
    for (int s = 0; s < 200; ++s) {
        const auto& e = conv.map()[s];
        if (s < demoCount) {
            QCOMPARE(e.factory_number, quint16(demo[s].factory_number));
            QCOMPARE(e.device_code, quint8(22));
            ++sensors;
        } else {
            QCOMPARE(e.factory_number, quint16(0));
            QCOMPARE(e.device_code, quint8(0));
        }
    }
    QCOMPARE(sensors, 12);

    // Polling follows, and every sensor reports.
    QTRY_VERIFY_WITH_TIMEOUT(conv.commandsAnswered(0x41) >= 2, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(allSensorsUp(), kWaitMs);
    QCOMPARE(sensorCell(m_c, colState, 1), QStringLiteral("Норма"));
    QCOMPARE(sensorCell(m_c, colLoop1, 1), QStringLiteral("Норма"));
    QCOMPARE(m_c.sensorRows.colour(0), rgb(0, 255, 0));   // armed
    QCOMPARE(m_c.sensorRows.colour(2), rgb(0, 255, 255)); // 1003: both loops disarmed
    // Type A values reach the table as whole numbers, type B ones with three decimals.
    QTRY_VERIFY_WITH_TIMEOUT(!sensorCell(m_c, colThreshold1, 7).isEmpty(), kWaitMs);
    QCOMPARE(sensorCell(m_c, colThreshold1, 7), QStringLiteral("300"));
    QTRY_VERIFY_WITH_TIMEOUT(sensorCell(m_c, colSignal1, 1).contains(QLatin1Char('.')), kWaitMs);

    const QList<Rec> daily = recordsFrom(dailyLog(), 0);
    QCOMPARE(std::count_if(daily.begin(), daily.end(),
                           [](const Rec& r) { return r.code == 32 && r.text == kConverterRestored; }),
             1);
    QCOMPARE(m_c.link.counters().KS_ERR.value, 0);
}

void TestE2eConverter::loopAlarmBecomesCellsColourEventsAndAlarm() {
    const QString sensorLog = m_dir + QStringLiteral("/VatrelB_mess/1001");
    const qint64 sensorBefore = sizeOf(sensorLog);
    const qint64 dailyBefore = sizeOf(dailyLog());
    const quint32 alarmsBefore = m_c.alarms.total();
    const int shownBefore = m_ui.alarmWindowShown;
    const QDate today = QDate::currentDate();

    m_sim->command(QStringLiteral("alarm 1001 1 on"));
    QTRY_VERIFY_WITH_TIMEOUT(m_c.sensors.record(0).loop1_alarm == 1, kWaitMs);
    QCOMPARE(sensorCell(m_c, colLoop1, 1), QStringLiteral("Тревога"));
    QCOMPARE(sensorCell(m_c, colLoop2, 1), QStringLiteral("Норма"));
    QCOMPARE(sensorCell(m_c, colState, 1), QStringLiteral("Норма"));
    QCOMPARE(m_c.sensorRows.colour(0), rgb(242, 107, 83));

    const QList<Rec> own = recordsFrom(sensorLog, sensorBefore);
    QCOMPARE(own.size(), 1);
    QCOMPARE(own[0].mark, quint8(1));
    QCOMPARE(own[0].number, 1001u);
    QCOMPARE(own[0].code, 33);
    QCOMPARE(own[0].text, kLoop1Alarm1001);
    QVERIFY(own[0].terminated);
    if (QDate::currentDate() == today) { // a day change in between moves the rest to the next file
        const QList<Rec> daily = recordsFrom(dailyLog(), dailyBefore);
        QCOMPARE(daily.size(), 1);
        QCOMPARE(daily[0].code, 33);
        QCOMPARE(daily[0].number, 1001u);
        QCOMPARE(daily[0].text, kLoop1Alarm1001);
    }

    // Loop 1 is armed: the alarm window lists it and comes up.
    QCOMPARE(m_c.alarms.total(), alarmsBefore + 1);
    QCOMPARE(m_c.alarms.alarms().back().event.text,
             QString::fromUtf8("Срабатывание 1 шлейфа датчика <Ватрел-Б> № 1001"));
    QVERIFY(m_ui.alarmWindowShown > shownBefore);

    const qint64 sensorMid = sizeOf(sensorLog);
    m_sim->command(QStringLiteral("alarm 1001 1 off"));
    QTRY_VERIFY_WITH_TIMEOUT(m_c.sensors.record(0).loop1_alarm == 0, kWaitMs);
    QCOMPARE(sensorCell(m_c, colLoop1, 1), QStringLiteral("Норма"));
    QCOMPARE(m_c.sensorRows.colour(0), rgb(0, 255, 0));
    const QList<Rec> back = recordsFrom(sensorLog, sensorMid);
    QCOMPARE(back.size(), 1);
    QCOMPARE(back[0].code, 0);
    QCOMPARE(back[0].text, kLoop1Normal1001);
    QCOMPARE(m_c.alarms.total(), alarmsBefore + 1); // a return to normal is no alarm
}

void TestE2eConverter::corruptFrameCountsOneChecksumErrorOnly() {
    const sim::Converter& conv = m_sim->converter();
    const qint32 ksBefore = m_c.link.counters().KS_ERR.value;
    const qint32 timeoutsBefore = m_c.link.counters().Time_out.value;
    const qint32 framesBefore = m_c.link.counters().N_rv_frame.value;
    const quint64 eventsBefore = m_c.events.lastNumber();
    const qint64 dailyBefore = sizeOf(dailyLog());
    const int boxesBefore = int(m_ui.boxes.size());

    m_sim->command(QStringLiteral("corrupt"));
    QTRY_VERIFY_WITH_TIMEOUT(m_c.link.counters().KS_ERR.value == ksBefore + 1, kWaitMs);
    QCOMPARE(m_c.link.counters().KS_ERR.shown, ksBefore + 1);

    // Let two more polls go round, then look again: still one, and nothing else moved.
    const int polls = conv.commandsAnswered(0x41);
    QTRY_VERIFY_WITH_TIMEOUT(conv.commandsAnswered(0x41) >= polls + 2 && m_c.link.queue().count == 0,
                             kWaitMs);
    QCOMPARE(m_c.link.counters().KS_ERR.value, ksBefore + 1);
    QCOMPARE(m_c.link.counters().Time_out.value, timeoutsBefore);
    QVERIFY(m_c.link.counters().N_rv_frame.value > framesBefore);
    QCOMPARE(m_c.events.lastNumber(), eventsBefore);
    QCOMPARE(sizeOf(dailyLog()), dailyBefore);
    QCOMPARE(int(m_ui.boxes.size()), boxesBefore);
    QCOMPARE(m_c.link.state(), ConverterState::Up);
    QVERIFY(allSensorsUp());
}

void TestE2eConverter::silenceLosesTheConverterOnceAndResumeRestoresIt() {
    const sim::Converter& conv = m_sim->converter();
    const qint64 dailyBefore = sizeOf(dailyLog());

    m_sim->command(QStringLiteral("silent"));
    QTRY_VERIFY_WITH_TIMEOUT(m_ui.linkLost == 1, kWaitMs);
    QCOMPARE(m_c.link.state(), ConverterState::Lost);
    for (int s = 0; s < 12; ++s) {
        QCOMPARE(m_c.sensors.record(s).link_up, qint16(0));
        QCOMPARE(m_c.sensorRows.colour(s), rgb(171, 0, 0));
    }
    QCOMPARE(sensorCell(m_c, colState, 1), QStringLiteral("Нет связи"));

    // The watchdog reopens the port and the retries run out again: no second notice or event.
    const quint32 ticks = m_c.link.engine().clock_ticks;
    QTRY_VERIFY_WITH_TIMEOUT(
        m_c.link.engine().clock_ticks >= ticks + 5 && m_c.link.counters().Time_out.value >= 3, kWaitMs);
    QCOMPARE(m_ui.linkLost, 1);

    const qint64 dailyMid = sizeOf(dailyLog());
    const QList<Rec> lost = recordsFrom(dailyLog(), dailyBefore);
    QCOMPARE(std::count_if(lost.begin(), lost.end(), [](const Rec& r) { return r.text == kConverterLost; }),
             1);
    for (const Rec& r : lost)
        if (r.text == kConverterLost) QCOMPARE(r.code, 15);

    const int mapEntries = conv.commandsAnswered(0x42);
    m_sim->command(QStringLiteral("resume"));
    QTRY_VERIFY_WITH_TIMEOUT(m_ui.linkRestored == 2, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(m_c.link.mapPosition() == 200 && !m_c.status.waitPanelShown() &&
                                 conv.commandsAnswered(0x42) >= mapEntries + 200,
                             kWaitMs);
    QCOMPARE(conv.commandsAnswered(0x42), mapEntries + 200);
    QTRY_VERIFY_WITH_TIMEOUT(allSensorsUp(), kWaitMs);
    QCOMPARE(m_ui.linkLost, 1);

    const QList<Rec> restored = recordsFrom(dailyLog(), dailyMid);
    QCOMPARE(std::count_if(restored.begin(), restored.end(),
                           [](const Rec& r) { return r.code == 32 && r.text == kConverterRestored; }),
             1);
    QCOMPARE(std::count_if(restored.begin(), restored.end(),
                           [](const Rec& r) { return r.text == kConverterLost; }),
             0);
}

QTEST_GUILESS_MAIN(TestE2eConverter)
#include "tst_e2e_converter.moc"
