// SPDX-License-Identifier: GPL-3.0-or-later
// The shift report read from day and sensor logs the test writes into a temporary data folder.
#include "common/ConsoleFixture.h"
#include "common/LogRecordBytes.h"
#include "core/OperatorActions.h"
#include "registry/Alarms.h"
#include "registry/DateTime.h"
#include "registry/JobControl.h"
#include "registry/SensorTable.h"
#include "registry/ShiftReport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace vatrel;
using namespace vatrel::testing;

namespace {

const QDateTime kNow(QDate(2026, 12, 8), QTime(20, 0));

QDateTime at(int day, int h, int m, int s = 0) { return QDateTime(QDate(2026, 12, day), QTime(h, m, s)); }

QString alarm(int loop, const char* type, int n) {
    return QStringLiteral("Срабатывание %1 шлейфа датчика <%2> № %3")
        .arg(loop)
        .arg(QString::fromUtf8(type))
        .arg(n);
}

void writeLog(const QTemporaryDir& dir, const QString& fragment, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(dir.filePath(fragment)).path());
    QFile f(dir.filePath(fragment));
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

void place(SensorTable& t, int slot, quint32 number, qint16 type, quint8 armed1, quint8 armed2) {
    SensorRecord& r = t.record(slot);
    r.factory_number = number;
    r.sensor_type = type;
    r.loop1_armed = armed1;
    r.loop2_armed = armed2;
}

QStringList rows(const ShiftReportTable& t) {
    QStringList out;
    for (int r = 0; r < t.grid.rowCount(); ++r)
        out << t.grid.at(0, r) + QLatin1Char('|') + t.grid.at(1, r);
    return out;
}

} // namespace

class TestShiftReport : public QObject {
    Q_OBJECT

private slots:
    void sectionsOfAShiftStartedByADutyChange() {
        QTemporaryDir dir;
        writeLog(dir, "QReport/07.12.2026",
                 logRecord(23, "Смена: дежурный Петров", at(7, 21, 0), 0) +
                     logRecord(33, alarm(1, "Ватрел-А", 101), at(7, 22, 0), 101));
        writeLog(
            dir, "QReport/08.12.2026",
            logRecord(23, "Смена: дежурный Иванов (был Петров)", at(8, 8, 0), 0) +
                logRecord(18, "Снятие с охраны первого шлейфа датчика <Ватрел-А> № 101", at(8, 8, 10), 101) +
                logRecord(33, alarm(2, "Ватрел-Б", 102), at(8, 9, 0), 102) +
                logRecord(33, alarm(2, "Ватрел-А", 101), at(8, 9, 30, 7), 101) +
                logRecord(
                    24,
                    "Подтверждение тревоги: " + alarm(2, "Ватрел-А", 101) +
                        " (09:30:07). Причина: ложное срабатывание. Комментарий: ветер. Оператор: Иванов",
                    at(8, 9, 45), 0) +
                logRecord(25, "Отбой тревог: сброшено 1. Оператор: Иванов", at(8, 10, 0), 0) +
                // Too late for the alarm the clearing answered: it stays cleared.
                logRecord(24,
                          "Подтверждение тревоги: " + alarm(2, "Ватрел-Б", 102) +
                              " (09:00:00). Причина: повтор",
                          at(8, 10, 5), 0) +
                logRecord(3,
                          "Сопротивление изоляции второго чувствительного элемента датчика <Ватрел-Б> № 102 "
                          "ниже нормы",
                          at(8, 11, 0), 102) +
                logRecord(
                    19, "Снятие с охраны второго шлейфа датчика <Ватрел-Б> № 102 до 14:30. Оператор: Иванов",
                    at(8, 12, 0), 102) +
                logRecord(20, "Начало работы", at(8, 12, 30), 0) +
                logRecord(30, "Датчик <Ватрел-А> № 105 подключён. Оператор: Иванов", at(8, 13, 0), 105) +
                logRecord(33, alarm(1, "Ватрел-А", 101), at(8, 20, 0, 30), 101)); // after now
        writeLog(dir, "VatrelA_mess/101",
                 logRecord(33, alarm(1, "Ватрел-А", 101), at(7, 22, 0), 101) +
                     logRecord(33, alarm(2, "Ватрел-А", 101), at(8, 9, 30, 7), 101) +
                     logRecord(33, alarm(1, "Ватрел-А", 101), at(8, 15, 0), 101) +
                     logRecord(33, alarm(1, "Ватрел-А", 101), at(8, 16, 0), 101));
        writeLog(dir, "VatrelB_mess/102", logRecord(33, alarm(2, "Ватрел-Б", 102), at(8, 9, 0), 102));
        writeLog(dir, "VatrelA_mess/103", logRecord(33, alarm(1, "Ватрел-А", 103), at(7, 23, 0), 103));

        SensorTable table;
        place(table, 0, 101, 0, 0, 1);
        place(table, 2, 103, 0, 1, 1);
        place(table, 4, 102, 1, 1, 0);
        place(table, 9, 104, 0, 0, 1);
        place(table, 11, 105, 0, 0, 1);
        ShiftReportInput input{dir.path(), toDays(kNow), loopsOffGuard(table), QStringLiteral("Сидоров"), {}};

        std::optional<ShiftReport> r = buildShiftReport(input);
        QVERIFY(r);
        QVERIFY(r->problems.isEmpty());
        QCOMPARE(r->titles(), QStringList({"Отчёт за смену",
                                           "Смена с 08.12.2026 08:00 по 08.12.2026 20:00, дежурный Иванов"}));
        const ShiftReportTable t = shiftReportTable(*r);
        QCOMPARE(rows(t),
                 QStringList({
                     "Дата и время|Содержание",
                     "|Смены дежурных: 1",
                     "08.12.2026 08:00:00|Смена: дежурный Иванов (был Петров)",
                     "|Тревоги: 3",
                     "08.12.2026 09:00:00|Срабатывание 2 шлейфа датчика <Ватрел-Б> № 102\n"
                     "Отбой тревог 08.12.2026 10:00:00. Оператор: Иванов",
                     "08.12.2026 09:30:07|Срабатывание 2 шлейфа датчика <Ватрел-А> № 101\n"
                     "Подтверждена 08.12.2026 09:45:00. Причина: ложное срабатывание. Комментарий: ветер. "
                     "Оператор: Иванов",
                     "08.12.2026 11:00:00|Сопротивление изоляции второго чувствительного элемента датчика "
                     "<Ватрел-Б> № 102 ниже нормы\nНе подтверждена",
                     "|Сняты с охраны: 4",
                     "08.12.2026 08:10:00|Датчик <Ватрел-А> № 101 (позиция 1), шлейф 1",
                     "08.12.2026 12:00:00|Датчик <Ватрел-Б> № 102 (позиция 5), шлейф 2, до 14:30",
                     "до начала смены|Датчик <Ватрел-А> № 104 (позиция 10), шлейф 1",
                     "08.12.2026 13:00:00|Датчик <Ватрел-А> № 105 (позиция 12), шлейф 1",
                     "|Наиболее активные датчики: 2",
                     "тревог: 3|Датчик <Ватрел-А> № 101: шлейф 1 — 2, шлейф 2 — 1",
                     "тревог: 1|Датчик <Ватрел-Б> № 102: шлейф 1 — 0, шлейф 2 — 1",
                 }));
        // Titles bold; the unanswered alarm red, the answered ones black.
        QCOMPARE(t.styles[0].font_style, kBoldStyle);
        QCOMPARE(t.styles[4].font_colour, rgb(0, 0, 0));
        QCOMPARE(t.styles[5].font_colour, rgb(255, 0, 0));

        // A timed disarm the console runs names its own end.
        input.disarmEnd = [](const LoopOffGuard& l) {
            return l.factory_number == 102 ? QStringLiteral("09.12.2026 06:00") : QString();
        };
        r = buildShiftReport(input);
        QVERIFY(r);
        QCOMPARE(r->offGuard.at(1).until, QStringLiteral("09.12.2026 06:00"));
        QCOMPARE(r->offGuard.at(0).until, QString());
    }

    void damagedLogsLeaveTheRestOfTheReportAndAreNamed() {
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath("QReport/07.12.2026"))); // no file: cannot be read
        const QString ack = "Подтверждение тревоги: ";
        writeLog(
            dir, "QReport/08.12.2026",
            logRecord(33, alarm(1, "Ватрел-А", 5), at(8, 10, 0), 5) + QByteArray(328, '\xff') +
                logRecord(33, alarm(2, "Ватрел-А", 5), at(8, 11, 0), 5) +
                logRecord(33, alarm(2, "Ватрел-А", 5), at(8, 11, 10), 5) +
                logRecord(33, alarm(2, "Ватрел-А", 5), at(8, 11, 20), 5) +
                logRecord(24, ack + alarm(1, "Ватрел-А", 5) + " (10:00:00). Причина: проверка", at(8, 11, 30),
                          5) +
                // A group of repeats acknowledged at once; the alarm after it stays unanswered.
                logRecord(24,
                          ack + alarm(2, "Ватрел-А", 5) +
                              " (11:00:00, всего 3, последняя 11:20:00). Причина: погода. Оператор: Иванов",
                          at(8, 11, 40), 5) +
                logRecord(33, alarm(2, "Ватрел-А", 5), at(8, 11, 50), 5) +
                logRecord(33, alarm(2, "Ватрел-А", 5), at(8, 12, 0), 5).left(100));
        const ShiftReportInput input{dir.path(), toDays(kNow), {}, QString(), {}};
        const std::optional<ShiftReport> r = buildShiftReport(input);
        QVERIFY(r);
        // No duty change in the last day: the last 12 hours, nobody named.
        QCOMPARE(r->from, toDays(kNow.addSecs(-12 * 3600)));
        QCOMPARE(r->titles(),
                 QStringList({"Отчёт за смену",
                              "Смена с 08.12.2026 08:00 по 08.12.2026 20:00, дежурный не назначен",
                              "Смены дежурного за сутки не было: отчёт за 12 часов",
                              "Журналы прочитаны не полностью (см. «Замечания»)"}));
        QCOMPARE(r->problems,
                 QStringList({"Файл QReport/07.12.2026 не удаётся прочитать",
                              "В файле QReport/08.12.2026 последняя запись неполная и не прочитана",
                              "В файле QReport/08.12.2026 пропущено повреждённых записей: 1"}));
        // Every whole alarm, also the one before the damaged record, and the acknowledgements after it.
        QStringList answers;
        for (const ShiftReport::Alarm& a : r->alarms)
            answers << QStringLiteral("%1 %2 %3").arg(int(a.outcome)).arg(a.reason, a.operatorName);
        QCOMPARE(answers, QStringList({"1 проверка ", "1 погода Иванов", "1 погода Иванов", "1 погода Иванов",
                                       "0  "}));
        QVERIFY(rows(shiftReportTable(*r)).contains("|Замечания: 3"));

        JobControl cancelled;
        cancelled.cancel();
        QVERIFY(!buildShiftReport(input, &cancelled));
    }

    // The console's own events answer the report: a group of repeats acknowledged with a reason, an
    // alarm cleared by "Отбой тревог", one left unanswered, under the operator who took the duty.
    void theConsoleOwnEventsAreMatched() {
        ConsoleFixture f({"QReport", "VatrelA_mess", "VatrelA", "data"});
        Console& c = f.c;
        alarmWindowCreate(c.alarms, c.data_dir);
        c.sensors.record(0).factory_number = 55;
        f.now = at(8, 9, 0);
        QCOMPARE(c.actions().addOperator("Иванов"), 0);
        QVERIFY(c.actions().takeDuty(0));
        auto alarmAt = [&](int loop, const QDateTime& when) {
            f.now = when;
            const EventRecord rec = c.eventLog.sensorEvent(loopAlarmCode(loop), 55, 0);
            c.eventLog.logSensorEvent(rec, 0);
            raiseAlarm(c.alarms, c.notices, rec);
        };
        for (int s : {0, 5, 9})
            alarmAt(1, at(8, 10, 0, s));
        alarmAt(2, at(8, 10, 1));
        QCOMPARE(int(c.alarms.alarms().size()), 2); // the repeats share a row
        f.now = at(8, 10, 2);
        const quint64 group = c.alarms.alarms().at(0).id, last = c.alarms.alarms().at(1).id;
        QCOMPARE(c.actions().acknowledgeAlarms({{group}, last, "Погода", "ветер"}), 1);
        f.now = at(8, 10, 3);
        c.actions().acknowledgeAllAlarms();
        alarmAt(1, at(8, 10, 4));

        const std::optional<ShiftReport> r = buildShiftReport({c.data_dir, toDays(at(8, 10, 5)), {}, {}, {}});
        QVERIFY(r);
        QCOMPARE(r->heading(), QString("Смена с 08.12.2026 09:00 по 08.12.2026 10:05, дежурный Иванов"));
        QStringList answers;
        for (const ShiftReport::Alarm& a : r->alarms)
            answers
                << QStringLiteral("%1 %2 %3 %4").arg(int(a.outcome)).arg(a.reason, a.comment, a.operatorName);
        QCOMPARE(answers, QStringList({"1 Погода ветер Иванов", "1 Погода ветер Иванов",
                                       "1 Погода ветер Иванов", "2   Иванов", "0   "}));
    }
};

QTEST_GUILESS_MAIN(TestShiftReport)
#include "tst_shiftreport.moc"
