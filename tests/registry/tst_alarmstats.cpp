// SPDX-License-Identifier: GPL-3.0-or-later
// Loop alarms per sensor counted from sensor logs the test writes into a temporary data folder.
#include "common/LogRecordBytes.h"
#include "registry/AlarmStats.h"
#include "registry/DateTime.h"
#include "registry/JobControl.h"
#include "registry/LogReader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

const QDateTime kNow(QDate(2025, 4, 30), QTime(12, 0));

QString alarmText(int loop, const QString& type, int number) {
    return QStringLiteral("Срабатывание %1 шлейфа датчика <%2> № %3").arg(loop).arg(type).arg(number);
}

bool writeLog(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestAlarmStats : public QObject {
    Q_OBJECT

private slots:
    void countsLoopAlarmsOfThePeriodPerSensorAndLoop() {
        QTemporaryDir dir;
        const QString a = dir.filePath("VatrelA_mess/"), b = dir.filePath("VatrelB_mess/");
        const QString a101 = QStringLiteral("Ватрел-А");
        // Sensor A 101: in time order as the console writes; before the 30 days, inside them, after now.
        QByteArray log101 =
            logRecord(33, alarmText(1, a101, 101), kNow.addDays(-40), 101) +
            logRecord(33, alarmText(1, a101, 101), kNow.addDays(-20).addSecs(-3600), 101) + // 11:00
            logRecord(0, QStringLiteral("Возврат в норму 1 шлейфа датчика <Ватрел-А> № 101"),
                      kNow.addDays(-20), 101) +
            logRecord(2, QStringLiteral("Сопротивление изоляции первого чувствительного элемента"),
                      kNow.addDays(-3), 101) +
            logRecord(16, QStringLiteral("Установка на охрану первого шлейфа датчика"), kNow.addDays(-3),
                      101) +
            logRecord(33, QStringLiteral("Тревога"), kNow.addDays(-2),
                      101) + // the code alone is no loop alarm
            logRecord(77, QStringLiteral("Неизвестное событие"), kNow.addDays(-2), 101) +
            logRecord(33, alarmText(2, a101, 101), kNow.addSecs(-7200), 101) +          // 10:00
            logRecord(33, alarmText(1, a101, 101), kNow.addSecs(-3600 * 12 + 1), 101) + // 00:00:01
            logRecord(33, alarmText(1, a101, 101), kNow.addSecs(60), 101);
        QVERIFY(writeLog(a + "101", log101));
        // Sensor B -5: two loop 2 alarms and a torn last record.
        QVERIFY(writeLog(
            b + "-5",
            logRecord(33, alarmText(2, "Ватрел-Б", -5), kNow.addDays(-1).addSecs(3600), quint32(-5)) +
                logRecord(33, alarmText(2, "Ватрел-Б", -5), kNow.addSecs(-60), quint32(-5)) +
                logRecord(33, alarmText(1, "Ватрел-Б", -5), kNow, quint32(-5)).left(200)));
        // Empty and garbage logs, and names the console never writes.
        QVERIFY(writeLog(a + "7", QByteArray()));
        QVERIFY(writeLog(a + "8", QByteArray(328 * 3 + 10, '\xff')));
        QVERIFY(writeLog(a + "007", logRecord(33, alarmText(1, a101, 7), kNow.addSecs(-10), 7)));
        QVERIFY(writeLog(a + "notes", logRecord(33, alarmText(1, a101, 1), kNow.addSecs(-10), 1)));

        std::optional<AlarmStats> s = countLoopAlarms(dir.path(), toDays(kNow), 30);
        QVERIFY(s);
        QCOMPARE(s->unreadableFiles, 0);
        QCOMPARE(s->unknownCodes, 1);
        QCOMPARE(int(s->sensors.size()), 4);
        const auto row = [&](size_t i) {
            const SensorAlarms& r = s->sensors[i];
            return QStringLiteral("%1 %2 %3 %4")
                .arg(qint32(r.factory_number))
                .arg(r.sensor_type)
                .arg(r.loop1)
                .arg(r.loop2);
        };
        // The most alarms first; a tie keeps type A before B, then numbers in order.
        QCOMPARE(row(0), QStringLiteral("101 0 2 1"));
        QCOMPARE(row(1), QStringLiteral("-5 1 0 2"));
        QCOMPARE(row(2), QStringLiteral("7 0 0 0"));
        QCOMPARE(row(3), QStringLiteral("8 0 0 0"));
        std::array<qint64, 24> hours{};
        hours[0] = 1;
        hours[10] = 1;
        hours[11] = 2;
        hours[13] = 1;
        QCOMPARE(s->byHour, hours);
        QCOMPARE(s->totalAlarms(), 5);

        // One day: only what happened since yesterday noon.
        s = countLoopAlarms(dir.path(), toDays(kNow), 1);
        QVERIFY(s);
        QCOMPARE(row(0), QStringLiteral("101 0 1 1"));
        QCOMPARE(row(1), QStringLiteral("-5 1 0 2"));
        QCOMPARE(s->unknownCodes, 0);
    }

    void readsEachLogFromTheFirstRecordOfThePeriod() {
        QTemporaryDir dir;
        // An hourly record for 60 days: one day of it is 24 records, whatever came before.
        QByteArray log;
        for (int h = 60 * 24; h >= 1; --h)
            log += logRecord(h % 2 ? 33 : 20, alarmText(1, "Ватрел-А", 3), kNow.addSecs(-3600 * h + 1800), 3);
        QVERIFY(writeLog(dir.filePath("VatrelA_mess/3"), log));
        QFile f(dir.filePath("VatrelA_mess/3"));
        QVERIFY(openLogFile(f));
        QCOMPARE(firstRecordAtOrAfter(f, toDays(kNow.addDays(-1))), 60 * 24 - 24);
        QCOMPARE(firstRecordAtOrAfter(f, toDays(kNow)), 60 * 24);

        const std::optional<AlarmStats> s = countLoopAlarms(dir.path(), toDays(kNow), 1);
        QVERIFY(s);
        QCOMPARE(s->recordsRead, 24);
        QCOMPARE(s->sensors.at(0).loop1, 12);
    }

    void aFolderWithoutLogsAndACancelledCount() {
        QTemporaryDir dir;
        const std::optional<AlarmStats> s = countLoopAlarms(dir.filePath("missing"), toDays(kNow), 7);
        QVERIFY(s && s->sensors.empty() && s->totalAlarms() == 0);
        QVERIFY(
            writeLog(dir.filePath("VatrelA_mess/1"), logRecord(33, alarmText(1, "Ватрел-А", 1), kNow, 1)));
        JobControl control;
        control.cancel();
        QVERIFY(!countLoopAlarms(dir.path(), toDays(kNow), 7, &control));
    }
};

QTEST_GUILESS_MAIN(TestAlarmStats)
#include "tst_alarmstats.moc"
