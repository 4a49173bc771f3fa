// SPDX-License-Identifier: GPL-3.0-or-later
// Disarming a loop until a set time: the file that keeps the timers, the disarm, its end by hand and by
// the clock, the one-minute warning and the start-up.
#include "common/ConsoleFixture.h"
#include "common/EventLogFile.h"
#include "core/OperatorActions.h"
#include "core/Startup.h"
#include "core/TimedDisarmActions.h"
#include "registry/SensorRowTexts.h"
#include "registry/TimedDisarms.h"

#include <QTest>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

constexpr Colour kAlarm = 0x00536BF2;
constexpr Colour kGreen = 0x0000FF00;
constexpr Colour kAqua = 0x00FFFF00;
constexpr int kSlot = 4;
constexpr int kLoop1ArmedByte = 48; // of the 232-byte settings record

// Local times of the test's day (TZ is Europe/Moscow in every test).
QDateTime at(int h, int m, int s = 0, int day = 3) { return QDateTime(QDate(2025, 2, day), QTime(h, m, s)); }
qint64 ms(const QDateTime& t) { return t.toMSecsSinceEpoch(); }

TimedDisarmChoice minutes(int n) { return TimedDisarmChoice{n, {}}; }
TimedDisarmChoice until(const QDateTime& t) { return TimedDisarmChoice{0, t}; }

// 2025-02-03 09:00 MSK (06:00 UTC) and 08:16 MSK, as the file stores them.
const QByteArray kNineOClock = QByteArray::fromHex("00ef64ca94010000");
const QByteArray kEightSixteen = QByteArray::fromHex("80a63cca94010000");

QByteArray header(int version, int count) {
    QByteArray h("VTDA");
    h += char(version & 0xFF);
    h += char(version >> 8);
    h += char(count & 0xFF);
    h += char(count >> 8);
    return h;
}

QByteArray entry(quint32 number, quint8 loop, const QByteArray& end,
                 const QByteArray& pad = QByteArray(3, '\0')) {
    QByteArray e;
    for (int i = 0; i < 4; ++i)
        e += char((number >> (8 * i)) & 0xFF);
    e += char(loop);
    e += pad;
    e += end;
    return e;
}

} // namespace

class TestTimedDisarm : public QObject {
    Q_OBJECT

    std::unique_ptr<ConsoleFixture> m_f;

    Console& c() { return m_f->c; }
    RecordingUi& ui() { return m_f->ui; }
    TimedDisarmActions timed() { return c().timedDisarming(); }
    QList<LoggedEvent> dayLog(int day = 3) const {
        return readEventFile(
            m_f->file(QStringLiteral("QReport/%1.02.2025").arg(day, 2, 10, QLatin1Char('0'))));
    }
    QString armedCell(int loop) const {
        return sensorCellText(m_f->c.sensorRows.row(kSlot), kSlot, loop == 1 ? colArmed1 : colArmed2);
    }
    void tick(const QDateTime& when) {
        m_f->now = when;
        timed().onClockTick();
    }
    // Sensor 1234 (type B) in slot 4, on line, loop 1 armed and loop 2 not; the loops normal.
    SensorRecord& sensor() {
        SensorRecord& s = c().sensors.record(kSlot);
        s.mark = 1;
        s.factory_number = 1234;
        s.sensor_type = 1;
        s.slot_index = kSlot;
        s.loop1_armed = 1;
        s.status = 0;
        c().sensors.setOnline(kSlot, true);
        c().sensorRows.setArmed(kSlot, 1, true);
        c().sensorRows.setArmed(kSlot, 2, false);
        c().sensorRows.setColour(kSlot, kGreen);
        c().selection.selectRow(kSlot + 1);
        return s;
    }
    void onDuty(const QString& surname) {
        QCOMPARE(c().actions().addOperator(surname), 0);
        QVERIFY(c().actions().takeDuty(0));
    }
    QList<TimedDisarm> stored() const {
        const auto entries = TimedDisarms::decode(m_f->read("data/timed-disarm.dat"));
        if (!entries) qWarning("timed-disarm.dat unreadable");
        return entries.value_or(QList<TimedDisarm>{{0, 0, 0}});
    }

private slots:
    void init() {
        m_f = std::make_unique<ConsoleFixture>();
        m_f->now = at(8, 0, 5);
        m_f->silverRows();
    }
    void cleanup() { m_f.reset(); }

    // -----------------------------------------------------------------------------------------
    // The file

    void fileHoldsMagicVersionAndEntries() {
        const QList<TimedDisarm> entries{{1234, 1, ms(at(9, 0))}, {70000, 2, ms(at(8, 16))}};
        const QByteArray expected = QByteArray("VTDA\x01\x00\x02\x00", 8) +
                                    QByteArray::fromHex("d2040000"
                                                        "01000000") +
                                    kNineOClock +
                                    QByteArray::fromHex("70110100"
                                                        "02000000") +
                                    kEightSixteen;
        QCOMPARE(TimedDisarms::encode(entries), expected);
        QCOMPARE(TimedDisarms::decode(expected), std::optional(entries));
        QCOMPARE(TimedDisarms::encode({}), QByteArray("VTDA\x01\x00\x00\x00", 8));
        QCOMPARE(TimedDisarms::decode(QByteArray("VTDA\x01\x00\x00\x00", 8)),
                 std::optional(QList<TimedDisarm>{}));
    }

    void badFilesAreRefusedWithTheReason_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("problem");
        const QByteArray one = entry(1234, 1, kNineOClock);
        QTest::newRow("empty") << QByteArray() << "файл короче заголовка (0 байт)";
        QTest::newRow("short") << QByteArray("VTDA\x01", 5) << "файл короче заголовка (5 байт)";
        QTest::newRow("another file")
            << QByteArray("VDTY\x01\x00\x00\x00", 8) << "это не файл снятий на время";
        QTest::newRow("newer version") << header(2, 1) + one << "версия файла 2 не поддерживается";
        QTest::newRow("version 0") << header(0, 0) << "версия файла 0 не поддерживается";
        QTest::newRow("torn entry") << header(1, 1) + one.left(15)
                                    << "длина файла не совпадает с числом записей";
        QTest::newRow("entry past the count")
            << header(1, 1) + one + one << "длина файла не совпадает с числом записей";
        QTest::newRow("too many") << header(1, 401) + one.repeated(401)
                                  << "длина файла не совпадает с числом записей";
        QTest::newRow("loop 3") << header(1, 1) + entry(1234, 3, kNineOClock) << "запись 1 повреждена";
        QTest::newRow("number 0") << header(1, 1) + entry(0, 1, kNineOClock) << "запись 1 повреждена";
        QTest::newRow("no end") << header(1, 1) + entry(1234, 1, QByteArray(8, '\0'))
                                << "запись 1 повреждена";
        QTest::newRow("padding") << header(1, 1) + entry(1234, 1, kNineOClock, QByteArray("\0\x01\0", 3))
                                 << "запись 1 повреждена";
        QTest::newRow("same loop twice") << header(1, 2) + one + one << "запись 2 повреждена";
    }
    void badFilesAreRefusedWithTheReason() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, problem);
        QString said;
        QVERIFY(!TimedDisarms::decode(bytes, &said));
        QCOMPARE(said, problem);
    }

    // A file that cannot be used is named in a box and kept aside; nothing overwrites it.
    void unreadableFileIsSaidAndKeptAside() {
        SensorRecord& s = sensor();
        const QByteArray newer = header(2, 1) + entry(1234, 2, kNineOClock);
        m_f->write("data/timed-disarm.dat", newer);
        ui().expectMessage(
            "Файл timed-disarm.dat не прочитан: версия файла 2 не поддерживается. Снятия с охраны "
            "на время не восстановлены: проверьте шлейфы, снятые с охраны. Файл сохранён как "
            "timed-disarm.dat.bad",
            "Ошибка");
        timed().restore();
        QVERIFY(c().timedDisarms.isEmpty());
        QVERIFY(!m_f->exists("data/timed-disarm.dat"));
        QCOMPARE(m_f->read("data/timed-disarm.dat.bad"), newer);
        QCOMPARE(armedCell(2), QString("Снят"));

        // The next timed disarm writes a file of its own; what could not be read stays as it was.
        QVERIFY(timed().disarm(kSlot, 1, minutes(15)));
        QCOMPARE(stored(), (QList<TimedDisarm>{{1234, 1, ms(at(8, 16))}}));
        QCOMPARE(m_f->read("data/timed-disarm.dat.bad"), newer);
        QCOMPARE(s.loop1_armed, quint8(0));
    }

    // -----------------------------------------------------------------------------------------
    // Disarming

    void disarmLogsTheEndAndTheOperator() {
        SensorRecord& s = sensor();
        onDuty(QStringLiteral("Петров"));
        // 08:00:05 and an hour: the end is rounded up to the whole minute it shows.
        QVERIFY(timed().disarm(kSlot, 1, minutes(60)));
        QCOMPARE(s.loop1_armed, quint8(0));
        QCOMPARE(dayLog().last().code, 18);
        QCOMPARE(dayLog().last().factory_number, 1234u);
        QCOMPARE(
            dayLog().last().text,
            QString("Снятие с охраны первого шлейфа датчика <Ватрел-Б> № 1234 до 09:01. Оператор: Петров"));
        QCOMPARE(readEventFile(m_f->file("VatrelB_mess/1234")).last().text, dayLog().last().text);
        QCOMPARE(armedCell(1), QString("Снят до 09:01"));
        QCOMPARE(c().sensorRows.colour(kSlot), kAqua); // both loops off guard now
        QCOMPARE(stored(), (QList<TimedDisarm>{{1234, 1, ms(at(9, 1))}}));
        // The flag is in the settings file at once, as a disarm by hand puts it.
        QCOMPARE(quint8(m_f->read("VatrelB/1234").at(kLoop1ArmedByte)), quint8(0));

        // A new end replaces the old one; another day shows its date.
        QVERIFY(timed().disarm(kSlot, 1, until(at(7, 30, 0, 4))));
        QCOMPARE(dayLog().last().text, QString("Снятие с охраны первого шлейфа датчика <Ватрел-Б> № 1234 до "
                                               "04.02.2025 07:30. Оператор: Петров"));
        QCOMPARE(armedCell(1), QString("Снят до 04.02 07:30"));
        QCOMPARE(stored(), (QList<TimedDisarm>{{1234, 1, ms(at(7, 30, 0, 4))}}));
        // From midnight on, it is today's.
        tick(at(0, 0, 1, 4));
        QCOMPARE(armedCell(1), QString("Снят до 07:30"));
        QCOMPARE(s.loop1_armed, quint8(0));
    }

    void disarmRefusals() {
        SensorRecord& s = sensor();
        // The loop is not armed, and no timer runs: as the disarm by hand, nothing without a box.
        QVERIFY(!timed().disarm(kSlot, 2, minutes(15)));
        QCOMPARE(timed().askSelected(2), 0u);
        QCOMPARE(timed().askSelected(1), 1234u);
        // Anything the alarm window's entry may hold that names no such sensor.
        for (const char* typed : {"", "0", "abc", "12.5", "999"})
            QCOMPARE(timed().askSensor(QString::fromLatin1(typed), 1), 0u);
        QCOMPARE(timed().askSensor(" 1234 ", 1), 1234u);
        // An end that is not ahead.
        ui().expectMessage("Время окончания снятия с охраны уже прошло", "Ошибка");
        QVERIFY(!timed().disarm(kSlot, 1, until(at(8, 0))));
        // Off line.
        c().sensors.setOnline(kSlot, false);
        QVERIFY(!timed().disarm(kSlot, 1, minutes(15)));
        QCOMPARE(s.loop1_armed, quint8(1));
        QVERIFY(dayLog().isEmpty());
        QVERIFY(!m_f->exists("data/timed-disarm.dat"));
    }

    // A timer the file could not take would be lost at a restart, and the loop left off guard for
    // good: the disarm is refused.
    void disarmTheFileDidNotTakeIsRefused() {
        m_f = std::make_unique<ConsoleFixture>(QStringList{"QReport", "VatrelB", "VatrelB_mess"}); // no data/
        m_f->now = at(8, 0, 5);
        SensorRecord& s = sensor();
        ui().expectMessage(
            "Не записан файл timed-disarm.dat: No such file or directory. Шлейф не снят с охраны на "
            "время",
            "Ошибка");
        QVERIFY(!timed().disarm(kSlot, 1, minutes(15)));
        QCOMPARE(s.loop1_armed, quint8(1));
        QVERIFY(c().timedDisarms.isEmpty());
        QCOMPARE(armedCell(1), QString("Взят"));
        QVERIFY(dayLog().isEmpty());
    }

    // -----------------------------------------------------------------------------------------
    // Ending it by hand

    void armingOrDisarmingByHandEndsTheTimer() {
        SensorRecord& s = sensor();
        onDuty(QStringLiteral("Петров"));
        QVERIFY(timed().disarm(kSlot, 1, minutes(15)));
        const PopupMenuState menu = c().actions().sensorMenuState();
        QVERIFY(menu.PSetSh1 && menu.PRemoveSh1 && menu.PTimedRemoveSh1); // arm, for good, a new end
        QVERIFY(menu.PSetSh2 && !menu.PRemoveSh2 && !menu.PTimedRemoveSh2);

        c().actions().armSelectedLoop(1);
        QCOMPARE(s.loop1_armed, quint8(1));
        QVERIFY(c().timedDisarms.isEmpty());
        QCOMPARE(stored(), QList<TimedDisarm>{});
        QCOMPARE(armedCell(1), QString("Взят"));
        QCOMPARE(dayLog().last().text,
                 QString("Установка на охрану первого шлейфа датчика <Ватрел-Б> № 1234. Оператор: Петров"));

        // Disarmed by hand while on a timer: off guard for good, logged as a disarm.
        QVERIFY(timed().disarm(kSlot, 1, minutes(15)));
        c().actions().disarmSelectedLoop(1);
        QCOMPARE(s.loop1_armed, quint8(0));
        QVERIFY(c().timedDisarms.isEmpty());
        QCOMPARE(stored(), QList<TimedDisarm>{});
        QCOMPARE(armedCell(1), QString("Снят"));
        QCOMPARE(dayLog().last().code, 18);
        QCOMPARE(dayLog().last().text,
                 QString("Снятие с охраны первого шлейфа датчика <Ватрел-Б> № 1234. Оператор: Петров"));
        const int logged = dayLog().size();
        tick(at(8, 30));
        QCOMPARE(s.loop1_armed, quint8(0));
        QCOMPARE(dayLog().size(), logged);
        // The alarm window's button does the same.
        s.loop1_armed = 1;
        QVERIFY(timed().disarmSensor("1234", 1, minutes(15)));
        QVERIFY(c().actions().disarmLoopOfSensor("1234", 1));
        QVERIFY(c().timedDisarms.isEmpty());
    }

    void disconnectingTheSensorEndsItsTimers() {
        SensorRecord& s = sensor();
        s.loop2_armed = 1;
        onDuty(QStringLiteral("Петров"));
        QVERIFY(timed().disarm(kSlot, 1, minutes(15)));
        QVERIFY(timed().disarm(kSlot, 2, minutes(60)));
        QCOMPARE(c().timedDisarms.entries().size(), 2);
        QVERIFY(c().actions().disconnectSensor(0));
        QVERIFY(c().timedDisarms.isEmpty());
        QCOMPARE(stored(), QList<TimedDisarm>{});
        tick(at(10, 0));
        QCOMPARE(dayLog().last().text, QString("Датчик <Ватрел-Б> № 1234 отключён. Оператор: Петров"));
    }

    // -----------------------------------------------------------------------------------------
    // The end

    void endArmsTheLoopAgain_data() {
        QTest::addColumn<bool>("online");
        QTest::addColumn<bool>("inAlarm");
        QTest::newRow("loop normal") << true << false;
        QTest::newRow("loop in alarm") << true << true;
        QTest::newRow("sensor off line") << false << true; // its loops read "Тревога" until it answers
    }
    void endArmsTheLoopAgain() {
        QFETCH(bool, online);
        QFETCH(bool, inAlarm);
        SensorRecord& s = sensor();
        onDuty(QStringLiteral("Петров")); // the re-arm is nobody's action all the same
        QVERIFY(timed().disarm(kSlot, 1, minutes(15)));
        s.loop1_alarm = inAlarm ? 1 : 0;
        if (inAlarm) c().sensorRows.setColour(kSlot, kAlarm);
        c().sensors.setOnline(kSlot, online);
        const int logged = dayLog().size();

        tick(at(8, 15, 59));
        QCOMPARE(s.loop1_armed, quint8(0));
        QCOMPARE(dayLog().size(), logged);
        tick(at(8, 16));
        QCOMPARE(s.loop1_armed, quint8(1));
        QCOMPARE(quint8(m_f->read("VatrelB/1234").at(kLoop1ArmedByte)), quint8(1));
        QVERIFY(c().timedDisarms.isEmpty());
        QCOMPARE(stored(), QList<TimedDisarm>{});
        QCOMPARE(armedCell(1), QString("Взят"));
        const QList<LoggedEvent> log = dayLog();
        QCOMPARE(log.at(logged).code, 16);
        QCOMPARE(
            log.at(logged).text,
            QString(
                "Установка на охрану первого шлейфа датчика <Ватрел-Б> № 1234 по окончании снятия на время"));
        if (online && inAlarm) {
            QCOMPARE(log.size(), logged + 2);
            QCOMPARE(log.at(logged + 1).code, 33);
            QCOMPARE(log.at(logged + 1).text, QString("Срабатывание 1 шлейфа датчика <Ватрел-Б> № 1234"));
            QCOMPARE(c().alarms.rows(), 1);
            QCOMPARE(c().alarms.alarms().front().event.text,
                     QString("Срабатывание 1 шлейфа датчика <Ватрел-Б> № 1234"));
            QCOMPARE(ui().soundStarted, 1);
            QVERIFY(c().alarms.soundOn());
            QCOMPARE(c().sensorRows.colour(kSlot), kAlarm);
        } else {
            QCOMPARE(log.size(), logged + 1);
            QVERIFY(c().alarms.isEmpty());
            QCOMPARE(ui().soundStarted, 0);
            QCOMPARE(c().sensorRows.colour(kSlot), inAlarm ? kAlarm : kGreen);
        }
    }

    void windowWarnsAMinuteBefore() {
        sensor().loop2_armed = 1;
        QVERIFY(timed().disarm(kSlot, 1, minutes(15)));          // 08:16
        QVERIFY(timed().disarm(kSlot, 2, until(at(8, 16, 30)))); // 08:16 too: the minute it shows
        const int alarmListChanges = ui().changes[int(View::AlarmList)];
        tick(at(8, 14, 59));
        QVERIFY(c().timedDisarms.warnings().isEmpty());
        QCOMPARE(ui().alarmWindowShown, 0);
        tick(at(8, 15));
        QCOMPARE(c().timedDisarms.warningText(),
                 QString("Через минуту на охрану: Ш1 датчика № 1234 в 08:16 и ещё 1"));
        QCOMPARE(ui().alarmWindowShown, 1);
        QCOMPARE(ui().soundStarted, 0);
        QVERIFY(ui().changes[int(View::AlarmList)] > alarmListChanges);
        tick(at(8, 15, 30));
        QCOMPARE(ui().alarmWindowShown, 1); // shown once, not every second
        // Loop 2 armed by hand: it leaves the warning.
        c().actions().armSelectedLoop(2);
        QCOMPARE(c().timedDisarms.warningText(),
                 QString("Через минуту на охрану: Ш1 датчика № 1234 в 08:16"));
        tick(at(8, 16));
        QVERIFY(c().timedDisarms.warnings().isEmpty());
        QCOMPARE(c().timedDisarms.warningText(), QString());
    }

    // -----------------------------------------------------------------------------------------
    // Start-up

    void startUpKeepsTheTimersAndArmsThoseThatEndedMeanwhile() {
        // The last run left timers: loop 1 of 1234 ended while the program was off, loop 2 ends later
        // today. Sensor 4321's loop is found armed (the program stopped between its two files) and 777
        // is no longer connected: their timers are stale.
        SensorRecord& s = sensor();
        s.loop1_armed = 0;
        SensorRecord& other = c().sensors.record(6);
        other.mark = 1;
        other.factory_number = 4321;
        other.loop1_armed = 1;
        c().timedDisarms.replace({{1234, 1, ms(at(7, 59))},
                                  {1234, 2, ms(at(10, 0))},
                                  {4321, 1, ms(at(9, 0))},
                                  {777, 1, ms(at(9, 0))}});
        QVERIFY(c().timedDisarms.save(c().data_dir));
        c().timedDisarms.replace({});
        timed().restore();
        QCOMPARE(c().timedDisarms.entries(),
                 (QList<TimedDisarm>{{1234, 1, ms(at(7, 59))}, {1234, 2, ms(at(10, 0))}}));
        QCOMPARE(armedCell(1), QString("Снят до 07:59"));
        QCOMPARE(armedCell(2), QString("Снят до 10:00"));
        // The first tick, after the start was logged.
        tick(at(8, 0, 6));
        QCOMPARE(s.loop1_armed, quint8(1));
        QCOMPARE(s.loop2_armed, quint8(0));
        QCOMPARE(other.loop1_armed, quint8(1));
        QCOMPARE(eventTexts(dayLog()),
                 QStringList{"Установка на охрану первого шлейфа датчика <Ватрел-Б> № 1234 по "
                             "окончании снятия на время"});
        QCOMPARE(armedCell(1), QString("Взят"));
        QCOMPARE(stored(), (QList<TimedDisarm>{{1234, 2, ms(at(10, 0))}}));
    }
};

QTEST_GUILESS_MAIN(TestTimedDisarm)
#include "tst_timeddisarm.moc"
