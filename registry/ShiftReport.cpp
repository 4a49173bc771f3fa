// SPDX-License-Identifier: GPL-3.0-or-later
#include "registry/ShiftReport.h"
#include "registry/DateTime.h"
#include "registry/EventCatalogue.h"
#include "registry/EventJournal.h"
#include "registry/EventLog.h"
#include "registry/JobControl.h"
#include "registry/LogReader.h"
#include "registry/Records.h"
#include "registry/SensorTable.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cmath>
#include <map>

namespace vatrel {

namespace {

constexpr int kCodeOffset = 16;
constexpr double kHalfDay = 0.5;
constexpr int kSecondsPerDay = 86400;

// The catalogue's texts up to their detail: "Подтверждение тревоги: ", "Смена: дежурный ".
const QString kAckPrefix = eventText(EventCode::AlarmAcknowledged, 0, 0);
const QString kDutyPrefix = eventText(EventCode::ShiftChange, 0, 0);
const QString kAckReason = QStringLiteral("). Причина: ");
const QString kComment = QStringLiteral(". Комментарий: ");
const QString kOperator = QStringLiteral(". Оператор: ");

qint8 codeOf(EventCode e) { return storedCode(e); }

// The records the report looks at: duty changes, acknowledgements, clearings, disarms, connections
// (a sensor is connected with both loops off guard) and alarms.
bool wanted(int code) {
    return code == codeOf(EventCode::ShiftChange) || code == codeOf(EventCode::AlarmAcknowledged) ||
           code == codeOf(EventCode::AlarmsCleared) || code == codeOf(EventCode::DisarmLoop1) ||
           code == codeOf(EventCode::DisarmLoop2) || code == codeOf(EventCode::SensorConnected) ||
           inFilter(code, LogFilter::Alarms);
}

int secondOfDay(double days) {
    const double fraction = days - std::floor(days);
    return int(std::llround(fraction * kSecondsPerDay)) % kSecondsPerDay;
}

// The surname after ". Оператор: " at the end of an operator's event text; empty without one.
QString operatorOf(const QString& text, QString* before = nullptr) {
    const qsizetype at = text.lastIndexOf(kOperator);
    if (before) *before = at < 0 ? text : text.left(at);
    return at < 0 ? QString() : text.mid(at + kOperator.size()).trimmed();
}

// Who took the duty by a duty change's text: "Иванов (был Петров)" → Иванов, "снят (…)" → nobody.
QString dutyOf(const QString& text) {
    if (!text.startsWith(kDutyPrefix)) return {};
    QString who = text.mid(kDutyPrefix.size());
    const qsizetype was = who.indexOf(QStringLiteral(" (был "));
    if (was >= 0) who.truncate(was);
    who = who.trimmed();
    return who == QStringLiteral("снят") ? QString() : who;
}

// The end a timed disarm's text names: "… № 5 до 14:30" or "… до 09.12.2026 14:30".
// The operator's name after it does not count.
QString timedEnd(const QString& disarmText) {
    static const QRegularExpression end(QStringLiteral(" до ((\\d{2}\\.\\d{2}\\.\\d{4} )?\\d{1,2}:\\d{2})$"));
    QString text;
    operatorOf(disarmText, &text);
    const QRegularExpressionMatch m = end.match(text.trimmed());
    return m.hasMatch() ? m.captured(1) : QString();
}

QString minutes(double days) { return formatFullDateTime(days).left(16); }

// The first record of the open log `f` to read for the period from `from` on. The binary search may
// land past good records of the period when damaged ones lie among them: it is moved back over every
// record that is not plainly older. -1 on a read error.
qint64 startOfPeriod(QFile& f, double from) {
    qint64 first = firstRecordAtOrAfter(f, from);
    char image[EventRecord::kSize];
    while (first > 0) {
        if (!f.seek((first - 1) * EventRecord::kSize) || f.read(image, sizeof image) != qint64(sizeof image))
            return -1;
        if (recordTime(image) < from) break;
        --first;
    }
    return first;
}

struct DayLog {
    std::vector<EventRecord>& out;
    QStringList& problems;
};

// The wanted records of one day log with a time in [from, to], in file order. False only when
// cancelled; what cannot be read is told in `problems` and the rest is kept.
bool readDayLog(const QString& dataDir, const QDate& day, double from, double to, DayLog log,
                JobControl* control) {
    const QString name = dailyLogFragment(day);
    const QString path = dataDir + QLatin1Char('/') + name;
    if (!QFileInfo::exists(path)) return true; // the console did not run that day
    QFile f(path);
    const qint64 first = openLogFile(f) ? startOfPeriod(f, from) : -1;
    if (first < 0) {
        log.problems << QStringLiteral("Файл %1 не удаётся прочитать").arg(name);
        return !(control && control->cancelled());
    }
    // A record whose time is no time of the day the file is named after is damaged.
    const double dayStart = toDays(day.startOfDay());
    qint64 damaged = 0;
    const bool read = forEachRecordImageFrom(
        f, first, LogFilter::All, control, [&](const char* const* images, qsizetype count) {
            for (qsizetype i = 0; i < count; ++i) {
                const char* p = images[i];
                const double t = recordTime(p);
                if (!(t >= dayStart - 1 && t < dayStart + 2)) {
                    ++damaged;
                    continue;
                }
                if (!(t >= from && t <= to) || !wanted(qint8(p[kCodeOffset]))) continue;
                EventRecord r;
                r.decode(QByteArrayView(p, EventRecord::kSize));
                log.out.push_back(std::move(r));
            }
        });
    if (control && control->cancelled()) return false;
    if (!read) log.problems << QStringLiteral("Файл %1 прочитан не до конца: ошибка чтения").arg(name);
    if (f.size() % EventRecord::kSize != 0)
        log.problems << QStringLiteral("В файле %1 последняя запись неполная и не прочитана").arg(name);
    if (damaged > 0)
        log.problems
            << QStringLiteral("В файле %1 пропущено повреждённых записей: %2").arg(name).arg(damaged);
    return true;
}

// Whether the time of day `second` lies in [first, last] (a range that may pass midnight), a second
// either way for the stored time's rounding.
bool inClockRange(int second, int first, int last) {
    const int from = first - 1, to = last + 1;
    const auto within = [](int x, int lo, int hi) { return x >= lo && x <= hi; };
    if (from <= to)
        return within(second, from, to) || within(second + kSecondsPerDay, from, to) ||
               within(second - kSecondsPerDay, from, to);
    return second >= from || second <= to;
}

// Marks the alarms an acknowledgement answers: the unanswered ones of the day before it with the
// text (and sensor) it names, logged from the first time it names to the last (a group of repeats
// is acknowledged as one).
void acknowledge(std::vector<ShiftReport::Alarm>& alarms, const EventRecord& ack) {
    Acknowledgement a;
    if (!parseAcknowledgement(ack.text, &a)) return;
    for (ShiftReport::Alarm& alarm : alarms) {
        if (alarm.outcome != ShiftReport::Outcome::Open || alarm.time > ack.time ||
            ack.time - alarm.time >= 1 || alarm.text != a.alarmText ||
            (ack.factory_number && ack.factory_number != alarm.factory_number) ||
            !inClockRange(secondOfDay(alarm.time), a.alarmSecond, a.lastSecond))
            continue;
        alarm.outcome = ShiftReport::Outcome::Acknowledged;
        alarm.answeredAt = ack.time;
        alarm.reason = a.reason;
        alarm.comment = a.comment;
        alarm.operatorName = a.operatorName;
    }
}

void clearAll(std::vector<ShiftReport::Alarm>& alarms, const EventRecord& clearing) {
    const QString who = operatorOf(clearing.text);
    for (ShiftReport::Alarm& alarm : alarms) {
        if (alarm.outcome != ShiftReport::Outcome::Open || alarm.time > clearing.time) continue;
        alarm.outcome = ShiftReport::Outcome::Cleared;
        alarm.answeredAt = clearing.time;
        alarm.operatorName = who;
    }
}

QString sensorName(quint32 number, qint16 type) {
    return QStringLiteral("Датчик %1 № %2").arg(typeTag(type)).arg(qint32(number));
}

} // namespace

bool parseAcknowledgement(const QString& text, Acknowledgement* out) {
    if (!text.startsWith(kAckPrefix)) return false;
    const qsizetype reasonAt = text.indexOf(kAckReason, kAckPrefix.size());
    // "<alarm> (HH:mm:ss" or, for a group of repeats, "<alarm> (HH:mm:ss, всего 7, последняя HH:mm:ss",
    // then "). Причина: ".
    const qsizetype open = reasonAt < 0 ? -1 : text.lastIndexOf(QStringLiteral(" ("), reasonAt);
    if (open < kAckPrefix.size()) return false;
    static const QRegularExpression when(
        QStringLiteral("^(\\d{2}:\\d{2}:\\d{2})(?:, всего \\d+, последняя (\\d{2}:\\d{2}:\\d{2}))?$"));
    const QRegularExpressionMatch m = when.match(text.mid(open + 2, reasonAt - open - 2));
    const QString clock = QStringLiteral("HH:mm:ss");
    const QTime first = QTime::fromString(m.captured(1), clock);
    const QTime last = m.hasCaptured(2) ? QTime::fromString(m.captured(2), clock) : first;
    if (!m.hasMatch() || !first.isValid() || !last.isValid()) return false;
    Acknowledgement a;
    a.alarmText = text.mid(kAckPrefix.size(), open - kAckPrefix.size());
    a.alarmSecond = first.msecsSinceStartOfDay() / 1000;
    a.lastSecond = last.msecsSinceStartOfDay() / 1000;
    QString rest;
    a.operatorName = operatorOf(text.mid(reasonAt + kAckReason.size()), &rest);
    const qsizetype commentAt = rest.indexOf(kComment);
    a.reason = commentAt < 0 ? rest : rest.left(commentAt);
    if (commentAt >= 0) a.comment = rest.mid(commentAt + kComment.size());
    *out = a;
    return true;
}

std::vector<LoopOffGuard> loopsOffGuard(const SensorTable& table) {
    std::vector<LoopOffGuard> out;
    for (int slot = 0; slot < kSlots; ++slot) {
        if (!table.occupied(slot)) continue;
        const SensorRecord& r = table.record(slot);
        for (int loop : {1, 2})
            if ((loop == 1 ? r.loop1_armed : r.loop2_armed) != 1)
                out.push_back({r.factory_number, r.sensor_type, slot, loop});
    }
    return out;
}

std::optional<ShiftReport> buildShiftReport(const ShiftReportInput& input, JobControl* control) {
    ShiftReport report;
    report.to = input.now;
    const double lookBack = input.now - 1;

    // The last day's wanted records, oldest first: the day logs in date order, each in file order.
    std::vector<EventRecord> records;
    const QDate firstDay = fromDays(lookBack).date(), lastDay = fromDays(input.now).date();
    if (!firstDay.isValid() || !lastDay.isValid()) return std::nullopt;
    for (QDate day = firstDay; day <= lastDay; day = day.addDays(1))
        if (!readDayLog(input.dataDir, day, lookBack, input.now, {records, report.problems}, control))
            return std::nullopt;

    // The shift starts at the last duty change, else 12 hours ago.
    size_t start = records.size();
    for (size_t i = records.size(); i-- > 0;)
        if (records[i].code == codeOf(EventCode::ShiftChange)) {
            start = i;
            break;
        }
    report.startsAtDutyChange = start < records.size();
    if (report.startsAtDutyChange) {
        report.from = records[start].time;
        report.duty = dutyOf(records[start].text);
    } else {
        report.from = input.now - kHalfDay;
        report.duty = input.dutyNow;
        start = 0;
    }

    // The period in the order it was logged: an acknowledgement answers an alarm logged before it,
    // a clearing every alarm still unanswered then.
    // Per sensor and loop, the last event that took the loop off guard.
    std::map<std::pair<quint32, int>, const EventRecord*> lastDisarm;
    for (size_t i = start; i < records.size(); ++i) {
        const EventRecord& r = records[i];
        if (r.time < report.from) continue;
        if (r.code == codeOf(EventCode::ShiftChange)) {
            report.dutyChanges.push_back({r.time, r.text});
        } else if (r.code == codeOf(EventCode::AlarmAcknowledged)) {
            acknowledge(report.alarms, r);
        } else if (r.code == codeOf(EventCode::AlarmsCleared)) {
            clearAll(report.alarms, r);
        } else if (r.code == codeOf(EventCode::DisarmLoop1) || r.code == codeOf(EventCode::DisarmLoop2)) {
            lastDisarm[{r.factory_number, r.code == codeOf(EventCode::DisarmLoop1) ? 1 : 2}] = &r;
        } else if (r.code == codeOf(EventCode::SensorConnected)) {
            lastDisarm[{r.factory_number, 1}] = lastDisarm[{r.factory_number, 2}] = &r;
        } else if (inFilter(r.code, LogFilter::Alarms)) {
            ShiftReport::Alarm alarm;
            alarm.time = r.time;
            alarm.factory_number = r.factory_number;
            alarm.code = r.code;
            alarm.text = r.text;
            report.alarms.push_back(std::move(alarm));
        }
    }

    for (const LoopOffGuard& loop : input.offGuard) {
        ShiftReport::OffGuard row{loop, 0, QString()};
        const auto found = lastDisarm.find({loop.factory_number, loop.loop});
        if (found != lastDisarm.end()) row.since = found->second->time;
        if (input.disarmEnd)
            row.until = input.disarmEnd(loop);
        else if (found != lastDisarm.end())
            row.until = timedEnd(found->second->text);
        report.offGuard.push_back(row);
    }

    std::optional<AlarmStats> stats = countLoopAlarmsBetween(input.dataDir, report.from, input.now, control);
    if (!stats) return std::nullopt;
    for (const SensorAlarms& s : stats->sensors) {
        if (s.total() == 0 || int(report.busiest.size()) == ShiftReport::kBusiest) break;
        report.busiest.push_back(s);
    }
    if (stats->unreadableFiles > 0)
        report.problems << QStringLiteral("Журналы датчиков, которые не удаётся прочитать: %1")
                               .arg(stats->unreadableFiles);
    return report;
}

QString ShiftReport::heading() const {
    return QStringLiteral("Смена с %1 по %2, ").arg(minutes(from), minutes(to)) +
           (duty.isEmpty() ? QStringLiteral("дежурный не назначен") : QStringLiteral("дежурный ") + duty);
}

QStringList ShiftReport::titles() const {
    QStringList out{QStringLiteral("Отчёт за смену"), heading()};
    if (!startsAtDutyChange) out << QStringLiteral("Смены дежурного за сутки не было: отчёт за 12 часов");
    if (!problems.isEmpty()) out << QStringLiteral("Журналы прочитаны не полностью (см. «Замечания»)");
    return out;
}

ShiftReportTable shiftReportTable(const ShiftReport& report) {
    struct Row {
        QString when, what;
        RowStyle style;
    };
    const RowStyle title{rgb(0xE0, 0xE0, 0xE0), colours::black, 8, kBoldStyle};
    const RowStyle plain{colours::info_background, colours::black, 8, 0};
    const RowStyle open{colours::info_background, colours::event_red, 8, 0};
    std::vector<Row> rows;
    auto section = [&](const QString& name, size_t count) {
        rows.push_back({QString(), QStringLiteral("%1: %2").arg(name).arg(count), title});
        if (count == 0) rows.push_back({QString(), QStringLiteral("нет"), plain});
    };

    section(QStringLiteral("Смены дежурных"), report.dutyChanges.size());
    for (const ShiftReport::Event& e : report.dutyChanges)
        rows.push_back({formatFullDateTime(e.time), e.text, plain});

    section(QStringLiteral("Тревоги"), report.alarms.size());
    for (const ShiftReport::Alarm& a : report.alarms) {
        QString answer;
        switch (a.outcome) {
        case ShiftReport::Outcome::Acknowledged:
            answer = QStringLiteral("Подтверждена %1. Причина: %2")
                         .arg(formatFullDateTime(a.answeredAt), a.reason);
            if (!a.comment.isEmpty()) answer += kComment + a.comment;
            break;
        case ShiftReport::Outcome::Cleared:
            answer = QStringLiteral("Отбой тревог %1").arg(formatFullDateTime(a.answeredAt));
            break;
        case ShiftReport::Outcome::Open:
            answer = QStringLiteral("Не подтверждена");
            break;
        }
        if (!a.operatorName.isEmpty()) answer += kOperator + a.operatorName;
        rows.push_back({formatFullDateTime(a.time), a.text + QLatin1Char('\n') + answer,
                        a.outcome == ShiftReport::Outcome::Open ? open : plain});
    }

    section(QStringLiteral("Сняты с охраны"), report.offGuard.size());
    for (const ShiftReport::OffGuard& g : report.offGuard) {
        QString what = QStringLiteral("%1 (позиция %2), шлейф %3")
                           .arg(sensorName(g.loop.factory_number, g.loop.sensor_type))
                           .arg(g.loop.slot + 1)
                           .arg(g.loop.loop);
        if (!g.until.isEmpty()) what += QStringLiteral(", до ") + g.until;
        rows.push_back(
            {g.since > 0 ? formatFullDateTime(g.since) : QStringLiteral("до начала смены"), what, plain});
    }

    section(QStringLiteral("Наиболее активные датчики"), report.busiest.size());
    for (const SensorAlarms& s : report.busiest)
        rows.push_back({QStringLiteral("тревог: %1").arg(s.total()),
                        QStringLiteral("%1: шлейф 1 — %2, шлейф 2 — %3")
                            .arg(sensorName(s.factory_number, s.sensor_type))
                            .arg(s.loop1)
                            .arg(s.loop2),
                        plain});

    if (!report.problems.isEmpty()) {
        section(QStringLiteral("Замечания"), size_t(report.problems.size()));
        for (const QString& p : report.problems)
            rows.push_back({QString(), p, open});
    }

    ShiftReportTable table{TextGrid(2, int(rows.size()) + 1), {}};
    table.grid.set(0, 0, QStringLiteral("Дата и время"));
    table.grid.set(1, 0, QStringLiteral("Содержание"));
    table.styles.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        table.grid.set(0, int(i) + 1, rows[i].when);
        table.grid.set(1, int(i) + 1, rows[i].what);
        table.styles.push_back(rows[i].style);
    }
    return table;
}

} // namespace vatrel
