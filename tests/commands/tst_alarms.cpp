// SPDX-License-Identifier: GPL-3.0-or-later
// The alarm list: filling, the 500-row limit, acknowledgment and disarming from the alarm window.
#include "common/ConsoleFixture.h"
#include "common/EventLogFile.h"
#include "core/OperatorActions.h"
#include "registry/Alarms.h"
#include "registry/DateTime.h"
#include "registry/EventCatalogue.h"

#include <QTest>

using namespace vatrel;
using namespace vatrel::testing;

class TestAlarms : public QObject {
    Q_OBJECT

    std::unique_ptr<ConsoleFixture> m_f;
    const QDateTime m_now{QDate(2025, 4, 17), QTime(10, 20, 30)};

    Console& c() { return m_f->c; }
    OperatorActions actions() { return c().actions(); }
    RecordingUi& ui() { return m_f->ui; }

    EventRecord alarm(const QString& text, const QDateTime& when) {
        EventRecord r;
        r.factory_number = 55;
        r.code = storedCode(EventCode::InsulationLow1);
        r.time = toDays(when);
        r.text = text;
        return r;
    }
    // The text of the listed alarm `i` (0: the oldest).
    QString listed(int i) const { return m_f->c.alarms.alarms().at(size_t(i)).event.text; }
    QString dailyLog() const { return m_f->file("QReport/17.04.2025"); }
    void putSensor(int slot, quint32 number, qint16 type, quint8 armed1, quint8 armed2) {
        SensorRecord& s = c().sensors.record(slot);
        s.factory_number = number;
        s.sensor_type = type;
        s.loop1_armed = armed1;
        s.loop2_armed = armed2;
        c().sensors.setOnline(slot, true);
        c().sensorRows.setArmed(slot, 1, armed1);
        c().sensorRows.setArmed(slot, 2, armed2);
    }

private slots:
    void init() {
        // A fresh folder per test so that no log file survives into the next one.
        m_f = std::make_unique<ConsoleFixture>(
            QStringList{"QReport", "VatrelA_mess", "VatrelB_mess", "VatrelA", "VatrelB"});
        m_f->now = m_now;
        m_f->silverRows();
        alarmWindowCreate(c().alarms, c().data_dir);
    }
    void cleanup() { m_f.reset(); }

    void createdWindowStartsEmptyAndSilent() {
        QCOMPARE(c().alarms.soundPath(), m_f->file("Error.wav"));
        QCOMPARE(c().alarms.soundOn(), false);
        QVERIFY(c().alarms.isEmpty());
        QCOMPARE(c().alarms.total(), 0u);
        QCOMPARE(ui().soundStarted, 0);
    }

    void firstAlarmsFillRowsAndStartTheSoundOnce() {
        raiseAlarm(c().alarms, c().notices,
                   alarm("Тревога первого шлейфа", QDateTime(QDate(2025, 4, 17), QTime(10, 20, 30))));
        const AlarmBoard::Alarm first = c().alarms.alarms().at(0);
        QCOMPARE(first.event.time, toDays(QDateTime(QDate(2025, 4, 17), QTime(10, 20, 30))));
        QCOMPARE(first.event.text, QString("Тревога первого шлейфа"));
        QCOMPARE(first.event.factory_number, 55u);
        QCOMPARE(first.state, AlarmBoard::State::New);
        QCOMPARE(c().alarms.total(), 1u);
        QCOMPARE(ui().soundStarted, 1);
        QCOMPARE(ui().lastSoundPath, m_f->file("Error.wav"));
        QCOMPARE(c().alarms.soundOn(), true);
        QCOMPARE(ui().alarmWindowShown, 1);
        QCOMPARE(ui().changes[int(ConsoleUi::View::AlarmList)], 1);

        raiseAlarm(c().alarms, c().notices, alarm("Обрыв ЧЭ 1", QDateTime(QDate(2025, 4, 18), QTime(0, 0))));
        QCOMPARE(listed(1), QString("Обрыв ЧЭ 1"));
        QCOMPARE(listed(0), QString("Тревога первого шлейфа"));
        QVERIFY(c().alarms.alarms().at(1).id > first.id);
        QCOMPARE(c().alarms.rows(), 2);
        QCOMPARE(c().alarms.total(), 2u);
        QCOMPARE(ui().soundStarted, 1);
        QCOMPARE(ui().alarmWindowShown, 2);
        QVERIFY(ui().boxes.isEmpty());
    }

    void fullListDropsTheOldestAlarm() {
        for (int i = 1; i <= 499; ++i)
            appendAlarm(c().alarms, c().notices, alarm(QString("alarm %1").arg(i), m_now));
        QCOMPARE(c().alarms.rows(), 499);

        appendAlarm(c().alarms, c().notices, alarm("alarm 500", m_now));
        QCOMPARE(c().alarms.rows(), 500);
        QCOMPARE(listed(0), QString("alarm 1"));
        QCOMPARE(listed(499), QString("alarm 500"));
        QCOMPARE(c().alarms.total(), 500u);

        appendAlarm(c().alarms, c().notices, alarm("alarm 501", m_now));
        QCOMPARE(c().alarms.rows(), 500);
        QCOMPARE(listed(0), QString("alarm 2"));
        QCOMPARE(listed(1), QString("alarm 3"));
        QCOMPARE(listed(498), QString("alarm 500"));
        QCOMPARE(listed(499), QString("alarm 501"));
        QCOMPARE(c().alarms.total(), 501u);

        // The count is not limited by the list.
        for (int i = 502; i <= 1200; ++i)
            appendAlarm(c().alarms, c().notices, alarm(QString("alarm %1").arg(i), m_now));
        QCOMPARE(c().alarms.rows(), 500);
        QCOMPARE(listed(0), QString("alarm 701"));
        QCOMPARE(listed(499), QString("alarm 1200"));
        QCOMPARE(c().alarms.alarms().back().id - c().alarms.alarms().front().id, 499u);
        QCOMPARE(c().alarms.total(), 1200u);
        QCOMPARE(ui().soundStarted, 1);

        // An alarm already acknowledged makes room before any new one does, wherever it stands.
        const quint64 newest = c().alarms.alarms().back().id;
        QCOMPARE(actions().acknowledgeAlarms({{c().alarms.alarms()[250].id}, newest, "Погода", {}}), 1);
        appendAlarm(c().alarms, c().notices, alarm("alarm 1201", m_now));
        QCOMPARE(listed(0), QString("alarm 701"));
        QCOMPARE(listed(250), QString("alarm 952"));
        QCOMPARE(listed(499), QString("alarm 1201"));
        QVERIFY(!c().alarms.alarms()[250].ackTime);
    }

    // An alarm that alarmed again after the window drew it is not acknowledged with what the operator
    // saw: nothing is logged and it stays new.
    void unseenRepeatIsNotAcknowledged() {
        raiseAlarm(c().alarms, c().notices, alarm("alarm", m_now));
        const quint64 seen = c().alarms.newestId();
        raiseAlarm(c().alarms, c().notices, alarm("alarm", m_now.addSecs(300)));
        QCOMPARE(actions().acknowledgeAlarms({{c().alarms.alarms()[0].id}, seen, "Погода", {}}), 0);
        QCOMPARE(c().alarms.alarms()[0].state, AlarmBoard::State::New);
        QVERIFY(readEventFile(dailyLog()).isEmpty());
        QCOMPARE(ui().soundStopped, 0);
    }

    // "Отбой тревог" acknowledges the alarms up to the newest the list drew: one that came in since
    // stays listed and sounding, and the window comes forward with it. Once all are acknowledged
    // the list is empty and silent.
    void acknowledgmentClearsAndSilences() {
        for (int i = 1; i <= 3; ++i)
            raiseAlarm(c().alarms, c().notices, alarm(QString("alarm %1").arg(i), m_now));
        const int shown = ui().alarmWindowShown;
        int& listChanges = ui().changes[int(ConsoleUi::View::AlarmList)];
        listChanges = 0;
        actions().acknowledgeAllAlarms(c().alarms.alarms().at(1).id);
        QCOMPARE(c().alarms.rows(), 1);
        QCOMPARE(listed(0), QString("alarm 3"));
        QCOMPARE(c().alarms.total(), 1u);
        QCOMPARE(ui().soundStopped, 0);
        QCOMPARE(ui().alarmWindowShown, shown + 1);
        QCOMPARE(listChanges, 1);
        actions().acknowledgeAllAlarms(c().alarms.alarms().at(0).id - 1); // older than anything listed
        QCOMPARE(listChanges, 1);                                         // nothing changed, nothing to draw

        const quint64 lastId = c().alarms.alarms().back().id;
        actions().acknowledgeAllAlarms();
        QVERIFY(c().alarms.isEmpty());
        QCOMPARE(c().alarms.total(), 0u);
        QCOMPARE(ui().soundStopped, 1);
        QCOMPARE(c().alarms.soundOn(), false);
        QCOMPARE(listChanges, 2);
        // Each acknowledgement that cleared alarms is logged with how many; the one that cleared none
        // is not.
        QCOMPARE(eventTexts(readEventFile(dailyLog())),
                 QStringList({"Отбой тревог: сброшено 2", "Отбой тревог: сброшено 1"}));

        // The next alarm starts the list and the sound over, with an id not given before.
        raiseAlarm(c().alarms, c().notices, alarm("alarm 4", m_now));
        QCOMPARE(listed(0), QString("alarm 4"));
        QVERIFY(c().alarms.alarms().at(0).id > lastId);
        QCOMPARE(c().alarms.total(), 1u);
        QCOMPARE(ui().soundStarted, 2);
    }

    // A loop back in norm ends its alarm, not the other loop's: the alarm stays new (and sounding)
    // until acknowledged, and is then drawn as over.
    void alarmsEndWhenTheSensorReportsNormal() {
        putSensor(0, 55, 0, 1, 1);
        for (int loop : {1, 2})
            raiseAlarm(c().alarms, c().notices,
                       EventRecord{1, 55, toDays(m_now), qint8(storedCode(loopAlarmCode(loop))),
                                   eventText(loopAlarmCode(loop), 55, 0)});
        raiseAlarm(c().alarms, c().notices, alarm("fault", m_now));
        alarmsEnd(c().alarms, EventCode::LoopNormal1, 55, 0, toDays(m_now) + 0.001);
        alarmsEnd(c().alarms, EventCode::LoopNormal1, 56, 0, toDays(m_now) + 0.001); // another sensor
        const auto& a = c().alarms.alarms();
        QVERIFY(a[0].normalTime != 0);
        QCOMPARE(a[1].normalTime, 0.0);
        QCOMPARE(a[2].normalTime, 0.0);
        QCOMPARE(a[0].state, AlarmBoard::State::New);
        QCOMPARE(actions().acknowledgeAlarms({{a[0].id, a[2].id}, a[2].id, "Погода", {}}), 2);
        QCOMPARE(a[0].state, AlarmBoard::State::Normal);
        QCOMPARE(a[2].state, AlarmBoard::State::Acknowledged);
        QCOMPARE(ui().soundStopped, 0); // loop 2's alarm is still new
        alarmsEnd(c().alarms, EventCode::SensorNormal, 55, 0, toDays(m_now) + 0.002);
        QCOMPARE(a[2].state, AlarmBoard::State::Normal);
        QCOMPARE(actions().acknowledgeAlarms({{a[0].id}, a[2].id, "Погода", {}}), 0); // not new any more
        QCOMPARE(actions().acknowledgeAlarms({{a[1].id}, a[2].id, "Погода", QString(300, u'ж')}), 1);
        QCOMPARE(ui().soundStopped, 1);
        QCOMPARE(c().alarms.soundOn(), false);
        // A long comment is cut to what the record holds.
        const QString logged = readEventFile(dailyLog()).back().text;
        QVERIFY(logged.endsWith(QString(100, u'ж')));
    }

    void acknowledgingAnEmptyListStillResets() {
        actions().acknowledgeAllAlarms();
        QCOMPARE(ui().soundStopped, 1);
        QCOMPARE(c().alarms.soundOn(), false);
        QVERIFY(c().alarms.isEmpty());
        QCOMPARE(c().alarms.total(), 0u);
        QVERIFY(ui().boxes.isEmpty());
    }

    void disarmIgnoresBadNumbers_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("loop");
        QTest::newRow("zero") << "0" << 1;
        QTest::newRow("letters") << "abc" << 1;
        QTest::newRow("trailing letters") << "1234x" << 2;
        QTest::newRow("empty") << "" << 1;
        QTest::newRow("unknown number") << "999" << 1;
        QTest::newRow("negative") << "-1234" << 2;
        QTest::newRow("fraction") << "12.5" << 1;
        QTest::newRow("already disarmed loop") << "4321" << 2;
    }
    void disarmIgnoresBadNumbers() {
        QFETCH(QString, entry);
        QFETCH(int, loop);
        putSensor(3, 1234, 1, 1, 1);
        putSensor(7, 4321, 0, 1, 0);
        c().sensorRows.setColour(3, 0x00536BF2);
        actions().disarmLoopOfSensor(entry, loop);
        QCOMPARE(c().sensors.record(3).loop1_armed, quint8(1));
        QCOMPARE(c().sensors.record(3).loop2_armed, quint8(1));
        QCOMPARE(c().sensors.record(7).loop1_armed, quint8(1));
        QCOMPARE(sensorCell(c(), 10, 4), QString("Взят"));
        QCOMPARE(sensorCell(c(), 11, 8), QString("Снят"));
        QCOMPARE(c().sensorRows.colour(3), 0x00536BF2u);
        QVERIFY(!QFile::exists(dailyLog()));
        QCOMPARE(c().events.count(), 0);
        QVERIFY(ui().boxes.isEmpty());
    }

    void disarmOneLoopThenTheOther() {
        putSensor(4, 1234, 1, 1, 1);
        c().sensorRows.setColour(4, 0x00536BF2); // alarm colour
        appendAlarm(c().alarms, c().notices, alarm("Тревога", m_now));

        actions().disarmLoopOfSensor("1234", 1);
        QCOMPARE(c().sensors.record(4).loop1_armed, quint8(0));
        QCOMPARE(c().sensors.record(4).loop2_armed, quint8(1));
        QCOMPARE(sensorCell(c(), 10, 5), QString("Снят"));
        QCOMPARE(sensorCell(c(), 11, 5), QString("Взят"));
        QCOMPARE(c().sensorRows.colour(4), 0x00536BF2u);

        auto events = readEventFile(dailyLog());
        QCOMPARE(events.size(), 1);
        QCOMPARE(events[0].mark, quint8(1));
        QCOMPARE(events[0].factory_number, 1234u);
        QCOMPARE(events[0].code, 18);
        QCOMPARE(events[0].text, QString("Снятие с охраны первого шлейфа датчика <Ватрел-Б> № 1234"));
        QCOMPARE(events[0].time, toDays(m_now));
        QCOMPARE(readEventFile(m_f->file("VatrelB_mess/1234")).size(), 1);
        // The settings file has the change at once (made again when it was missing), as the exit
        // would write it: armed flags at 48 and 49, status "no link" at 52.
        const QByteArray settings = m_f->read("VatrelB/1234");
        QCOMPARE(settings.size(), 232);
        QCOMPARE(settings.mid(48, 2), QByteArray("\x00\x01", 2));
        QCOMPARE(settings[52], '\x0F');

        // Disarming the same loop again does nothing.
        actions().disarmLoopOfSensor("1234", 1);
        QCOMPARE(readEventFile(dailyLog()).size(), 1);

        actions().disarmLoopOfSensor("1234", 2);
        QCOMPARE(c().sensors.record(4).loop2_armed, quint8(0));
        QCOMPARE(sensorCell(c(), 11, 5), QString("Снят"));
        QCOMPARE(c().sensorRows.colour(4), 0x00FFFF00u);
        events = readEventFile(dailyLog());
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[1].code, 19);
        QCOMPARE(events[1].text, QString("Снятие с охраны второго шлейфа датчика <Ватрел-Б> № 1234"));
        QCOMPARE(c().events.at(1).text, QString("Снятие с охраны второго шлейфа датчика <Ватрел-Б> № 1234"));

        // The alarm list, its count and the sound are left alone.
        QCOMPARE(c().alarms.total(), 1u);
        QCOMPARE(listed(0), QString("Тревога"));
        QCOMPARE(c().alarms.soundOn(), true);
        QCOMPARE(ui().soundStopped, 0);
        QVERIFY(ui().boxes.isEmpty());
    }

    void offLineSensorIsNotDisarmedFromEitherWindow() {
        // The alarm window's buttons follow the table's rule: a sensor off line keeps its loops, and
        // nothing is logged or saved, until it answers again.
        putSensor(4, 1234, 1, 1, 1);
        c().sensors.setOnline(4, false);
        QVERIFY(!actions().disarmLoopOfSensor("1234", 1));
        c().selection.selectRow(5);
        actions().disarmSelectedLoop(2);
        QCOMPARE(c().sensors.record(4).loop1_armed, quint8(1));
        QCOMPARE(c().sensors.record(4).loop2_armed, quint8(1));
        QCOMPARE(sensorCell(c(), 10, 5), QString("Взят"));
        QVERIFY(!QFile::exists(dailyLog()));
        QVERIFY(!QFile::exists(m_f->file("VatrelB/1234")));
        QVERIFY(ui().boxes.isEmpty());

        c().sensors.setOnline(4, true);
        QVERIFY(actions().disarmLoopOfSensor("1234", 1));
        QCOMPARE(c().sensors.record(4).loop1_armed, quint8(0));
        QCOMPARE(readEventFile(dailyLog()).size(), 1);
    }

    void disarmTypeAWithOnlyThatLoopArmed() {
        putSensor(0, 7, 0, 0, 0);
        putSensor(199, 65535, 0, 0, 1);
        c().sensorRows.setColour(199, 0x0000FF00);
        actions().disarmLoopOfSensor("65535", 2);
        QCOMPARE(sensorCell(c(), 11, 200), QString("Снят"));
        QCOMPARE(c().sensorRows.colour(199), 0x00FFFF00u);
        const auto events = readEventFile(dailyLog());
        QCOMPARE(events.size(), 1);
        QCOMPARE(events[0].code, 19);
        QCOMPARE(events[0].text, QString("Снятие с охраны второго шлейфа датчика <Ватрел-А> № 65535"));
        QCOMPARE(readEventFile(m_f->file("VatrelA_mess/65535")).size(), 1);

        // A sensor connected as -5 is named "-5" here too, and its text prints the number signed,
        // matching its log file's name.
        putSensor(1, 0xFFFFFFFBu, 1, 1, 0);
        actions().disarmLoopOfSensor("-5", 1);
        QCOMPARE(c().sensors.record(1).loop1_armed, quint8(0));
        QCOMPARE(sensorCell(c(), 10, 2), QString("Снят"));
        const auto more = readEventFile(dailyLog());
        QCOMPARE(more.size(), 2);
        QCOMPARE(more[1].factory_number, 0xFFFFFFFBu);
        QCOMPARE(more[1].text, QString("Снятие с охраны первого шлейфа датчика <Ватрел-Б> № -5"));
        QCOMPARE(readEventFile(m_f->file("VatrelB_mess/-5")).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestAlarms)
#include "tst_alarms.moc"
